// The order in which a playing movie places, removes and runs things: what a
// jump back to an earlier frame brings and takes away on its way, and which
// events the clips that scripts make hear.

#include "support/assembled.h"
#include "support/button.h"
#include "support/pixel_box.h"
#include "swf/format/movie_builder.h"
#include "swf/runtime/trace_run.h"

#include <gtest/gtest.h>

using namespace swf;

namespace {

using script::test::assembled;

Bytes traced(const std::string& text)
{
    return assembled("push \"" + text + "\"\nTrace\n");
}

// A placement of `character` at `depth` that traces "load" and, when asked,
// "unload" from its clip events.
Tag placedWithEvents(std::uint16_t depth, std::uint16_t character, const std::string& name, bool unloadHandler)
{
    PlaceObject place;
    place.depth = depth;
    place.characterId = character;
    place.name = name;
    place.allEventFlags = runtime::ClipEvent::Load;
    place.clipActions = {ClipAction{runtime::ClipEvent::Load, 0, traced(name + " load")}};
    if (unloadHandler) {
        place.allEventFlags |= runtime::ClipEvent::Unload;
        place.clipActions.push_back(ClipAction{runtime::ClipEvent::Unload, 0, traced(name + " unload")});
    }
    return Tag(place);
}

const std::string kTraceBall = "push \"_root\"\nGetVariable\npush \"ball\"\nGetMember\nTrace\n";

} // namespace

// Going back replays the timeline from its first frame: a clip placed and
// taken off again before the target frame comes and goes on the way. With an
// unload handler it stays long enough to hear load and unload, before the
// target frame's script, which still finds it; without one it is gone before
// any event of its own could run.
TEST(TimelineOrder, GoingBackReplaysClipsPlacedAndRemovedOnTheWay)
{
    for (const bool unloadHandler : {true, false}) {
        MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 7);
        const auto ball = b.defineSprite(Timeline().showFrame());
        b.showFrame();
        b.add(placedWithEvents(1, ball, "ball", unloadHandler)).showFrame();
        b.remove(1).showFrame();
        b.add(DoAction{assembled(kTraceBall)}).showFrame();
        b.add(DoAction{assembled("GotoFrame 3\nStop\n")}).showFrame();
        const std::string output = runtime::traceMovie(b.movie(), {.frames = 5}).output;
        if (unloadHandler)
            EXPECT_EQ(output, "ball load\nball unload\nundefined\nball load\nball unload\n_level0.ball\n");
        else
            EXPECT_EQ(output, "ball load\nundefined\nundefined\n");
    }
}

// A clip that stays through the jump keeps its identity and hears nothing;
// one whose depth the target frame still fills is not replayed on top of it.
TEST(TimelineOrder, GoingBackKeepsWhatTheTargetFrameStillShows)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 7);
    const auto clip = b.defineSprite(Timeline().showFrame());
    b.add(placedWithEvents(1, clip, "kept", true)).showFrame();
    b.add(placedWithEvents(2, clip, "gone", true)).showFrame();
    b.remove(2).add(placedWithEvents(2, clip, "again", true)).showFrame();
    b.add(DoAction{assembled("push \"_root\"\nGetVariable\npush \"kept\"\nGetMember\npush \"mark\", 1\nSetMember\n"
                             "GotoFrame 2\nStop\n"
                             "push \"_root\"\nGetVariable\npush \"kept\"\nGetMember\npush \"mark\"\nGetMember\nTrace\n")})
        .showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 4}).output,
              "kept load\ngone load\ngone unload\nagain load\n1\n");
}

// A move naming another character leaves a button as it looks, but the
// button now counts as placed from that character: going back to a frame
// before the move places a new button. One moved without a character stays.
TEST(TimelineOrder, GoingBackRenewsAButtonAMoveNamedAnotherCharacterFor)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 7);
    const auto shape = b.defineRectangle(test::box(0, 0, 10, 10), solidFill({0, 0, 200, 255}));
    const auto first = test::defineButton(b, shape);
    const auto second = test::defineButton(b, shape);
    b.place(1, first, {}, {}, "renewed").place(2, first, {}, {}, "kept").showFrame();
    b.replace(1, second).move(2, Matrix{}).showFrame();
    const std::string markAndTrace = R"(
        push "renewed"
        GetVariable
        push "mark", 1
        SetMember
        push "kept"
        GetVariable
        push "mark", 1
        SetMember
        GotoFrame 0
        Stop
        push "renewed"
        GetVariable
        push "mark"
        GetMember
        Trace
        push "kept"
        GetVariable
        push "mark"
        GetMember
        Trace
    )";
    b.add(DoAction{assembled(markAndTrace)}).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 3}).output, "undefined\n1\n");
}

// A clip made empty by a script is constructed but hears no load event, even
// from a handler every clip inherits; the movie itself still hears its own.
TEST(TimelineOrder, AnEmptyClipAScriptMakesHearsNoLoad)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 8);
    b.add(DoAction{assembled(R"(
        push "MovieClip"
        GetVariable
        push "prototype"
        GetMember
        push "onLoad"
        function
          push "load "
          push "this"
          GetVariable
          Add2
          Trace
        end
        SetMember
        push 1, "a", 2, "_root"
        GetVariable
        push "createEmptyMovieClip"
        CallMethod
        Pop
    )")}).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 2}).output, "load _level0\n");
}
