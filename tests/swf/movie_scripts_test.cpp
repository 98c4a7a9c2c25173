// Scripts in movies: where tellTarget leads a clip's code (a clip, a path from
// the clip, objects by their toString, back to the clip itself, or to the root
// when the path leads nowhere), and what the trace log says of exceptions.

#include "support/assembled.h"
#include "swf/format/bitmaps.h"
#include "swf/format/movie_builder.h"
#include "swf/format/reader.h"
#include "swf/format/shape_builder.h"
#include "swf/format/text_settings.h"
#include "swf/format/writer.h"
#include "swf/runtime/trace_run.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace swf;

namespace {

using script::test::assembled;
using script::test::kTraceEachName;
using script::test::setScrollRect;
using script::test::traceHitTest;

// The root sets n = "root" and holds a clip that sets n = "clip", then runs `script`.
std::string tracedInAClip(const std::string& script, std::uint8_t version)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, version);
    Timeline inner;
    inner.add(DoAction{assembled("push \"n\", \"clip\"\nSetVariable\n" + script)}).showFrame();
    const auto clip = b.defineSprite(inner);
    b.add(DoAction{assembled("push \"n\", \"root\"\nSetVariable")});
    b.place(1, clip, {}, {}, "mc").showFrame();
    return runtime::traceMovie(b.movie(), {.frames = 0}).output;
}

// Exports character `id` under the name "Sym" (an ExportAssets tag), for attachMovie.
void exportAsSym(MovieBuilder& b, std::uint16_t id)
{
    b.add(UnknownTag{56, {1, 0, std::uint8_t(id & 0xff), std::uint8_t(id >> 8), 'S', 'y', 'm', 0}});
}

const std::string kTraceN = "push \"n\"\nGetVariable\nTrace\n";

// Traces the bounds object a getBounds call left on the stack as "xMin xMax yMin yMax".
const std::string kTraceBounds = R"(
    StoreRegister 0
    Pop
    push r:0, "xMin"
    GetMember
    push " "
    Add2
    push r:0, "xMax"
    GetMember
    Add2
    push " "
    Add2
    push r:0, "yMin"
    GetMember
    Add2
    push " "
    Add2
    push r:0, "yMax"
    GetMember
    Add2
    Trace
)";

// Places a clip "clip" at depth 1 that holds an empty clip "child".
void placeClipHoldingAChild(MovieBuilder& b)
{
    const auto child = b.defineSprite(Timeline().showFrame());
    Timeline holder;
    holder.place(1, child, {}, {}, "child").showFrame();
    b.place(1, b.defineSprite(holder), {}, {}, "clip");
}

} // namespace

TEST(MovieScripts, PathsThatLeadNowhereLeadToTheRootUpToSwfSix)
{
    EXPECT_EQ(tracedInAClip("SetTarget \"nowhere\"\n" + kTraceN + "SetTarget \"\"\n" + kTraceN, 6), "root\nclip\n");
    // Undefined and the empty path are the clip itself.
    EXPECT_EQ(tracedInAClip("push undefined\nSetTarget2\n" + kTraceN + "push \"\"\nSetTarget2\n" + kTraceN, 6),
              "clip\nclip\n");
}

TEST(MovieScripts, AnObjectLeadsWhereItsToStringSays)
{
    // o = {toString: function () { return "_root"; }}; tellTarget(o) { trace(n); }
    const std::string script = R"(
        push "o", 0
        InitObject
        SetVariable
        push "o"
        GetVariable
        push "toString"
        function
          push "_root"
          return
        end
        SetMember
        push "o"
        GetVariable
        SetTarget2
    )";
    EXPECT_EQ(tracedInAClip(script + kTraceN, 6), "root\n");
}

// A reference to a clip is its path: once the clip left the stage it leads
// to a new clip of that path, and to nothing while there is none.
TEST(MovieScripts, AReferenceToARemovedClipLeadsToTheClipNowAtItsPath)
{
    const std::string makeClip = "push 1, \"c\", 2, \"this\"\nGetVariable\npush \"createEmptyMovieClip\"\nCallMethod\n";
    const std::string traceRef = "push \"ref\"\nGetVariable\nTrace\npush \"ref\"\nGetVariable\npush \"_x\"\nGetMember\nTrace\n";
    const std::string script = "push \"ref\"\n" + makeClip + R"(
        SetVariable
        push "ref"
        GetVariable
        RemoveSprite
    )" + traceRef + makeClip + R"(
        push "_x", 5
        SetMember
    )" + traceRef;
    EXPECT_EQ(tracedInAClip(script, 6), "\nundefined\n_level0.mc.c\n5\n");
    // A clip renamed before it left is found again by the name it arrived with.
    const std::string renamed = "push \"ref\"\n" + makeClip + R"(
        SetVariable
        push "ref"
        GetVariable
        push "_name", "other"
        SetMember
        push "ref"
        GetVariable
        RemoveSprite
    )" + makeClip + "Pop\n" + traceRef;
    EXPECT_EQ(tracedInAClip(renamed, 6), "_level0.mc.c\n0\n");
    // So is one whose parent was renamed after it arrived: the path it
    // arrived at counts, not the one it left from.
    const std::string renameThis = "push \"this\"\nGetVariable\npush \"_name\", \"";
    const std::string parentRenamed = "push \"ref\"\n" + makeClip + "SetVariable\n" + renameThis + "m2\"\nSetMember\n" + R"(
        push "ref"
        GetVariable
        RemoveSprite
    )" + makeClip + "Pop\npush \"ref\"\nGetVariable\nTrace\n" + renameThis + "mc\"\nSetMember\n" + traceRef;
    EXPECT_EQ(tracedInAClip(parentRenamed, 7), "\n_level0.mc.c\n0\n");
}

// A text field's reference is a path too: once the field is gone it is a
// clip's reference that leads nowhere, then to a clip or a field made at
// its path.
TEST(MovieScripts, AReferenceToARemovedTextFieldLeadsToWhatIsNowAtItsPath)
{
    const std::string makeField = "push 10, 10, 0, 0, 1, \"t\", 6, \"this\"\nGetVariable\npush \"createTextField\"\nCallMethod\nPop\n";
    const std::string makeClip = "push 1, \"t\", 2, \"this\"\nGetVariable\npush \"createEmptyMovieClip\"\nCallMethod\nPop\n";
    const std::string remove = "push 0, \"ref\"\nGetVariable\npush \"REMOVE\"\nCallMethod\nPop\n";
    auto removing = [&](const char* method) { return std::string(remove).replace(remove.find("REMOVE"), 6, method); };
    const std::string traceRef = R"(
        push "ref"
        GetVariable
        TypeOf
        Trace
        push "ref"
        GetVariable
        push "v"
        GetMember
        Trace
    )";
    const std::string setV = "push \"t\"\nGetVariable\npush \"v\", \"VALUE\"\nSetMember\n";
    auto setting = [&](const char* value) { return std::string(setV).replace(setV.find("VALUE"), 5, value); };
    const std::string script = makeField + "push \"ref\", \"t\"\nGetVariable\nSetVariable\n" + setting("field") + traceRef
                             + removing("removeTextField") + traceRef + makeClip + setting("clip") + traceRef
                             + removing("removeMovieClip") + makeField + setting("again") + traceRef;
    EXPECT_EQ(tracedInAClip(script, 7), "object\nfield\nmovieclip\nundefined\nmovieclip\nclip\nobject\nagain\n");
}

// A text field, like a clip, passes nothing on as a prototype: neither its
// display properties nor its own members.
TEST(MovieScripts, ATextFieldIsNoPrototype)
{
    const std::string script = R"(
        push 10, 10, 0, 0, 1, "t", 6, "this"
        GetVariable
        push "createTextField"
        CallMethod
        Pop
        push "t"
        GetVariable
        push "m", "member"
        SetMember
        push "o", "__proto__", "t"
        GetVariable
        push 1
        InitObject
        SetVariable
        push "o"
        GetVariable
        push "_width"
        GetMember
        Trace
        push "o"
        GetVariable
        push "m"
        GetMember
        Trace
        push "o"
        GetVariable
        push "__proto__"
        GetMember
        push "_width"
        GetMember
        Trace
    )";
    for (std::uint8_t version : {6, 7})
        EXPECT_EQ(tracedInAClip(script, version), "undefined\nundefined\n10\n") << int(version);
}

// From SWF 6 a removed clip with an unload handler stays, below every depth,
// until the handler has run.
TEST(MovieScripts, ARemovedClipWithAnUnloadHandlerStaysUntilItRan)
{
    const std::string script = R"(
        push "c", 1, "c", 2, "this"
        GetVariable
        push "createEmptyMovieClip"
        CallMethod
        SetVariable
        push "c"
        GetVariable
        push "onUnload"
        function
          push "unloaded"
          Trace
        end
        SetMember
        push 0, "c"
        GetVariable
        push "removeMovieClip"
        CallMethod
        Pop
        push "c"
        GetVariable
        Trace
        push 0, "c"
        GetVariable
        push "getDepth"
        CallMethod
        Trace
    )";
    EXPECT_EQ(tracedInAClip(script, 7), "_level0.mc.c\n-32770\nunloaded\n");
}

// A clip whose child has an unload handler stays too, with that child and
// the children above it; those below it leave at once. The child hears its
// unload while it is still in place.
TEST(MovieScripts, ARemovedClipHoldingAnUnloadHandlerKeepsItsChildrenFromThatOneUp)
{
    std::string script = "push \"c\", 1, \"c\", 2, \"this\"\nGetVariable\npush \"createEmptyMovieClip\"\nCallMethod\nSetVariable\n";
    for (const char* child : {"a", "b", "d"}) {
        const int depth = child[0] == 'a' ? 1 : child[0] == 'b' ? 2 : 3;
        script += "push " + std::to_string(depth) + ", \"" + std::string(child) + "\", 2, \"c\"\nGetVariable\n"
                  "push \"createEmptyMovieClip\"\nCallMethod\nPop\n";
    }
    script += R"(
        push "c"
        GetVariable
        push "b"
        GetMember
        push "onUnload"
        function
          push "this"
          GetVariable
          push "_target"
          GetMember
          Trace
        end
        SetMember
        push 0, "c"
        GetVariable
        push "removeMovieClip"
        CallMethod
        Pop
        push "c"
        GetVariable
        push "a"
        GetMember
        TypeOf
        Trace
        push "c"
        GetVariable
        push "d"
        GetMember
        TypeOf
        Trace
    )";
    EXPECT_EQ(tracedInAClip(script, 7), "undefined\nmovieclip\n/mc/c/b\n");
}

// A clip a script removes while frame scripts wait: it stays for the unload
// events, and its own waiting script still runs, but those of the clips it
// holds run no more (only the script that removed it goes on to its end).
TEST(MovieScripts, ClipsInsideARemovedClipRunNoMoreFrameScripts)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 7);
    // Two frames: the child placed in the first, the script in the second.
    auto twoFrames = [&b](const std::string& second, std::uint16_t child, const char* name) {
        Timeline t;
        if (child)
            t.place(1, child, {}, {}, name);
        t.showFrame();
        t.add(DoAction{assembled(second + "\nStop")}).showFrame();
        return b.defineSprite(t);
    };
    const auto dId = twoFrames("push \"d\"\nTrace\npush 0, \"_parent\"\nGetVariable\npush \"_parent\"\nGetMember\n"
                               "push \"removeMovieClip\"\nCallMethod\nPop\npush \"d goes on\"\nTrace",
                               0, nullptr);
    const auto cId = twoFrames("push \"c\"\nTrace", dId, "d");
    const auto pId = twoFrames("push \"p\"\nTrace", cId, "c");
    exportAsSym(b, pId);
    const std::string unloadTrace = "function\npush \"unload \", \"this\"\nGetVariable\npush \"_name\"\nGetMember\nAdd2\nTrace\nend\n";
    b.add(DoAction{assembled("push 10, \"p\", \"Sym\", 3, \"_root\"\nGetVariable\npush \"attachMovie\"\nCallMethod\nPop\n"
                             "push \"p\"\nGetVariable\npush \"onUnload\"\n" + unloadTrace + "SetMember\n"
                             "push \"p\"\nGetVariable\npush \"c\"\nGetMember\npush \"d\"\nGetMember\npush \"onUnload\"\n"
                             + unloadTrace + "SetMember\nStop")})
        .showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 2}).output, "d\nd goes on\np\nunload d\nunload p\n");
}

// unloadMovie leaves a clip as it is until the next frame ends, then an
// empty clip of its name takes its depth, a timeline's depth included.
TEST(MovieScripts, UnloadMovieEmptiesAClipWhenTheFrameEnds)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 7);
    b.place(1, b.defineSprite(Timeline().showFrame()), {}, {}, "box");
    b.add(DoAction{assembled(R"(
        push 1, "other", 2, "_root"
        GetVariable
        push "createEmptyMovieClip"
        CallMethod
        Pop
        push "box"
        GetVariable
        push "a", 7
        SetMember
        push 0, "box"
        GetVariable
        push "unloadMovie"
        CallMethod
        Pop
        push "box"
        GetVariable
        push "a"
        GetMember
        Trace
    )")}).showFrame();
    b.showFrame();
    b.add(DoAction{assembled(R"(
        push "box"
        GetVariable
        push "a"
        GetMember
        Trace
        push 0, "box"
        GetVariable
        push "getDepth"
        CallMethod
        Trace
        push "other"
        GetVariable
        TypeOf
        Trace
        push 0, "_root"
        GetVariable
        push "stop"
        CallMethod
        Pop
    )")}).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 3}).output, "7\nundefined\n-16383\nmovieclip\n");
}

// Two clips removed in turn from one depth wait for their unload events
// side by side, and both report the same depth below it.
TEST(MovieScripts, ClipsKeptFromOneDepthReportTheSameDepth)
{
    std::string script;
    for (const char* name : {"a", "b"}) {
        std::string block = R"(
            push "NAME", 1, "NAME", 2, "this"
            GetVariable
            push "createEmptyMovieClip"
            CallMethod
            SetVariable
            push "NAME"
            GetVariable
            push "onUnload"
            function
              push "unloaded"
              Trace
            end
            SetMember
            push 0, "NAME"
            GetVariable
            push "removeMovieClip"
            CallMethod
            Pop
        )";
        for (std::size_t at; (at = block.find("NAME")) != std::string::npos;)
            block.replace(at, 4, name);
        script += block;
    }
    for (const char* name : {"a", "b"})
        script += std::string("push 0, \"") + name + "\"\nGetVariable\npush \"getDepth\"\nCallMethod\nTrace\n";
    EXPECT_EQ(tracedInAClip(script, 7), "-32770\n-32770\nunloaded\nunloaded\n");
}

TEST(MovieScripts, TheBlocksOfAFrameShareTheStackAndTheLastConstantPool)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 6);
    b.add(DoAction{assembled("push \"A\"\nconstants \"B\"")});
    b.add(DoAction{assembled("push c:0\nAdd2\nTrace")}).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, "AB\n");
}

TEST(MovieScripts, ACompleteTimelineHasEveryFrameUpTo16000Loaded)
{
    // WaitForFrame2 counts from 1 and takes anything but a whole number as a label.
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 6);
    b.add(DoAction{assembled(R"(
        push 16001
        waitforframe2 2
        push "16001"
        Trace
        push 16002
        waitforframe2 2
        push "16002"
        Trace
        push 16002.5
        waitforframe2 2
        push "label"
        Trace
    )")}).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, "16001\nlabel\n");
}

TEST(MovieScripts, AClipPlacedBeforeABlockRunsItsFirstFrameBeforeIt)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 6);
    Timeline inner;
    inner.add(DoAction{assembled("push \"clip\"\nTrace")}).showFrame();
    const auto clip = b.defineSprite(inner);
    b.add(DoAction{assembled("push \"before\"\nTrace")});
    b.place(1, clip, {}, {}, "mc");
    b.add(DoAction{assembled("push \"after\"\nTrace")}).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, "before\nclip\nafter\n");
}

TEST(MovieScripts, UncaughtExceptionsAreLoggedUnlessTheMovieQuits)
{
    EXPECT_EQ(tracedInAClip("push \"Oh no!\"\nThrow\n", 7), "Warning: Uncaught exception, Oh no!\n");
    EXPECT_EQ(tracedInAClip("push \"fscommand:quit\", \"\"\nGetURL2 0\npush \"Oh no!\"\nThrow\n", 7), "");
    // fscommand is a global function as well as a form of getURL.
    EXPECT_EQ(tracedInAClip("push \"quit\", 1, \"fscommand\"\nCallFunction\nPop\npush \"Oh no!\"\nThrow\n", 6), "");
}

TEST(MovieScripts, NamesOfOtherClipsAreCaseSensitiveFromSwfSeven)
{
    const std::string script = "push \"_LeVeL0\"\nGetVariable\nTrace\npush \"_X\"\nGetVariable\nTrace\n";
    EXPECT_EQ(tracedInAClip(script, 6), "_level0\n0\n");
    EXPECT_EQ(tracedInAClip(script, 7), "undefined\n0\n");
}

TEST(MovieScripts, AttachedClipsShowTheirChildrenToScripts)
{
    // A library clip holding a text field named "labelField", attached twice at the
    // same depth (the second replaces the first), and into a clip that is itself attached.
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 6);
    const auto field = b.define([](std::uint16_t id) {
        DefineEditText edit;
        edit.id = id;
        edit.bounds = {Twips(0), Twips::fromPixels(100), Twips(0), Twips::fromPixels(20)};
        return edit;
    });
    Timeline inner;
    inner.place(1, field, {}, {}, "labelField").showFrame();
    const auto symbol = b.defineSprite(inner);
    exportAsSym(b, symbol);
    const std::string attach = "push 2, \"a\", \"Sym\", 3, \"_root\"\nGetVariable\npush \"attachMovie\"\nCallMethod\nPop\n";
    const std::string traceField = "push \"a\"\nGetVariable\npush \"labelField\"\nGetMember\nTrace\n";
    const std::string nested = "push 1, \"b\", \"Sym\", 3, \"a\"\nGetVariable\npush \"attachMovie\"\nCallMethod\nPop\n"
                               "push \"a\"\nGetVariable\npush \"b\"\nGetMember\npush \"labelField\"\nGetMember\nTrace\n";
    b.add(DoAction{assembled(attach + traceField + attach + traceField + nested)}).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output,
              "_level0.a.labelField\n_level0.a.labelField\n_level0.a.b.labelField\n");
}

TEST(MovieScripts, AnInitObjectSizesTheAttachedClipWithItsChildrenFromSwfSeven)
{
    // attachMovie("Sym", "a", 1, {_width: 200}) on a clip holding a 100-pixel square:
    // from SWF 7 the square is there and scales; before, the empty clip takes a scale of 0.
    auto width = [](std::uint8_t version) {
        MovieBuilder b(Twips::fromPixels(200), Twips::fromPixels(200), 12, version);
        const auto square = b.defineRectangle({Twips(0), Twips::fromPixels(100), Twips(0), Twips::fromPixels(100)},
                                              solidFill({0, 0, 0, 255}));
        Timeline inner;
        inner.place(1, square).showFrame();
        const auto symbol = b.defineSprite(inner);
        exportAsSym(b, symbol);
        b.add(DoAction{assembled(R"(
            push "_width", 200, 1
            InitObject
            push 1, "a", "Sym", 4, "_root"
            GetVariable
            push "attachMovie"
            CallMethod
            Pop
            push "a"
            GetVariable
            push "_width"
            GetMember
            Trace
        )")}).showFrame();
        return runtime::traceMovie(b.movie(), {.frames = 0}).output;
    };
    EXPECT_EQ(width(6), "0\n");
    EXPECT_EQ(width(7), "200\n");
}

// An init object passes on what a movie of its version cannot read: a
// property flagged for SWF 8 reaches the clip of a SWF 7 movie as a property
// of its own, which the movie then reads.
TEST(MovieScripts, AnInitObjectPassesOnPropertiesHiddenFromTheMoviesVersion)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 7);
    Timeline inner;
    inner.showFrame();
    exportAsSym(b, b.defineSprite(inner));
    // o = {p: 4}; ASSetPropFlags(o, "p", 0x1000); attachMovie("Sym", "a", 1, o); trace(o.p); trace(a.p)
    b.add(DoAction{assembled(R"(
        push "o", "p", 4, 1
        InitObject
        SetVariable
        push 4096, "p", "o"
        GetVariable
        push 3, "ASSetPropFlags"
        CallFunction
        Pop
        push "o"
        GetVariable
        push 1, "a", "Sym", 4, "_root"
        GetVariable
        push "attachMovie"
        CallMethod
        Pop
        push "o"
        GetVariable
        push "p"
        GetMember
        Trace
        push "a"
        GetVariable
        push "p"
        GetMember
        Trace
    )")}).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, "undefined\n4\n");
}

// Past the recursion limit the script stops and no action of the movie runs
// again: the frame's remaining script, later frames and events stay silent.
TEST(MovieScripts, GoingPastTheRecursionLimitEndsEveryScriptForGood)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 7);
    b.add(DoAction{assembled(R"(
        function f
          push 0, "f"
          CallFunction
          Pop
        end
        push "this"
        GetVariable
        push "onEnterFrame"
        function -
          push "enter"
          Trace
        end
        SetMember
        push "before"
        Trace
        push 0, "f"
        CallFunction
        Pop
        push "after"
        Trace
    )")}).showFrame();
    b.add(DoAction{assembled("push \"frame 2\"\nTrace")}).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 3}).output, "before\n");
}

// A movie's own script limit counts the frame's script as the first level:
// three levels of calls and no more under a limit of four, and a try block
// does not catch the stop.
TEST(MovieScripts, AMoviesRecursionLimitCountsTheFramesScriptAsALevel)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 7);
    b.add(UnknownTag{65, {4, 0, 10, 0}});
    b.add(DoAction{assembled(R"(
        function f
          push "level"
          Trace
          push 0, "f"
          CallFunction
          Pop
        end
        push 0, "f"
        CallFunction
        Pop
        push "after"
        Trace
    )")}).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 1}).output, "level\nlevel\nlevel\n");
}

// getSWFVersion answers in every version; on anything but a clip it gives -1.
TEST(MovieScripts, GetSwfVersionAnswersInEveryVersion)
{
    const std::string script = R"(
        push 0, "this"
        GetVariable
        push "getSWFVersion"
        CallMethod
        Trace
        push "o", 0
        InitObject
        SetVariable
        push "o"
        GetVariable
        push "f", "this"
        GetVariable
        push "getSWFVersion"
        GetMember
        SetMember
        push 0, "o"
        GetVariable
        push "f"
        CallMethod
        Trace
    )";
    EXPECT_EQ(tracedInAClip(script, 5), "5\n-1\n");
    EXPECT_EQ(tracedInAClip(script, 7), "7\n-1\n");
}

// A size given to a clip with nothing in it collapses the clip: what it draws
// later takes no room either way.
TEST(MovieScripts, ASizeGivenToAnEmptyClipCollapsesIt)
{
    MovieBuilder b(Twips::fromPixels(200), Twips::fromPixels(200), 12, 7);
    b.add(DoAction{assembled(R"(
        push 1, "a", 2, "_root"
        GetVariable
        push "createEmptyMovieClip"
        CallMethod
        Pop
        push "a"
        GetVariable
        push "_width", 20
        SetMember
        push 0, 1, "a"
        GetVariable
        push "beginFill"
        CallMethod
        Pop
        push 100, 100, 2, "a"
        GetVariable
        push "lineTo"
        CallMethod
        Pop
        push 0, 100, 2, "a"
        GetVariable
        push "lineTo"
        CallMethod
        Pop
        push "a"
        GetVariable
        push "_width"
        GetMember
        Trace
        push "a"
        GetVariable
        push "_height"
        GetMember
        Trace
    )")}).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, "0\n0\n");
}

// A clip the timeline placed flipped (its x axis reversed) stays flipped, and
// only flipped, when a script gives it a new height, scale or rotation: the
// angle between its axes is kept, not folded into a half turn.
TEST(MovieScripts, AFlippedClipKeepsItsFlipThroughANewSizeOrRotation)
{
    auto boundsAfter = [](const std::string& change) {
        MovieBuilder b(Twips::fromPixels(300), Twips::fromPixels(300), 12, 7);
        const auto square = b.defineRectangle({Twips(0), Twips::fromPixels(100), Twips(0), Twips::fromPixels(100)},
                                              solidFill({0, 0, 0, 255}));
        Timeline inner;
        inner.place(1, square).showFrame();
        const auto symbol = b.defineSprite(inner);
        Matrix flipped = Matrix::translation(Twips::fromPixels(150), Twips::fromPixels(100));
        flipped.scaleX = -1.0;
        b.place(1, symbol, flipped, {}, "a");
        b.add(DoAction{assembled("push \"a\"\nGetVariable\n" + change + R"(
            push "_root"
            GetVariable
            push 1, "a"
            GetVariable
            push "getBounds"
            CallMethod
            )" + kTraceBounds + R"(
        )")}).showFrame();
        return runtime::traceMovie(b.movie(), {.frames = 0}).output;
    };
    EXPECT_EQ(boundsAfter("push \"_height\", 50\nSetMember\n"), "50 150 100 150\n");
    EXPECT_EQ(boundsAfter("push \"_xscale\", 50\nSetMember\n"), "100 150 100 200\n");
    // A quarter turn turns the square, still mirrored, about its origin.
    EXPECT_EQ(boundsAfter("push \"_rotation\", 90\nSetMember\n"), "150 250 100 200\n");
}

// Bounds in another clip's space go through the matrices the player keeps
// for converting points: each corner to the stage in 16.16 fixed point, then
// by the other's inverse with whole-twip translation, in whole twips at each
// step. Exact matrices, or one product of the two, put corners a twip away.
TEST(MovieScripts, BoundsInAnotherSpaceUseTheHeldMatrices)
{
    MovieBuilder b(Twips::fromPixels(300), Twips::fromPixels(300), 12, 7);
    const auto square = b.defineRectangle({Twips(0), Twips(1000), Twips(0), Twips(1000)}, solidFill({0, 0, 0, 255}));
    Timeline inner;
    inner.place(1, square).showFrame();
    const auto symbol = b.defineSprite(inner);
    Timeline nothing;
    nothing.showFrame();
    const auto empty = b.defineSprite(nothing);
    Matrix turned = Matrix::scale(14849 / 65536.0, 14849 / 65536.0);
    turned.rotateSkew0 = 6924 / 65536.0;
    turned.rotateSkew1 = -6924 / 65536.0;
    turned.translateX = turned.translateY = Twips(4000);
    b.place(1, symbol, turned, {}, "a");
    Matrix other = Matrix::scale(92682 / 65536.0, 92682 / 65536.0);
    other.rotateSkew0 = 92682 / 65536.0;
    other.rotateSkew1 = -92682 / 65536.0;
    other.translateX = Twips(2991);
    other.translateY = Twips(2990);
    b.place(2, empty, other, {}, "b");
    b.add(DoAction{assembled(R"(
        push "b"
        GetVariable
        push 1, "a"
        GetVariable
        push "getBounds"
        CallMethod
        )" + kTraceBounds + R"(
    )")}).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, "35.65 43.7 -2.15 5.9\n");
}

// A clip's bounds map each shape once through the whole chain of matrices
// down to it: two eighth turns nested make a quarter turn of the square,
// not a box around a box twice the size. Another clip's space may be named
// by an object whose text is a path.
TEST(MovieScripts, BoundsFollowNestedTurnsToEachShape)
{
    MovieBuilder b(Twips::fromPixels(300), Twips::fromPixels(300), 12, 7);
    const auto square = b.defineRectangle({Twips(0), Twips(1000), Twips(0), Twips(1000)}, solidFill({0, 0, 0, 255}));
    Matrix eighth = Matrix::scale(46341 / 65536.0, 46341 / 65536.0);
    eighth.rotateSkew0 = 46341 / 65536.0;
    eighth.rotateSkew1 = -46341 / 65536.0;
    Timeline c, bHolder, aHolder;
    c.place(1, square).showFrame();
    bHolder.place(1, b.defineSprite(c), eighth).showFrame();
    aHolder.place(1, b.defineSprite(bHolder), eighth).showFrame();
    b.place(1, b.defineSprite(aHolder), Matrix::translation(Twips(2000), Twips(2000)), {}, "a");
    b.add(DoAction{assembled(R"(
        push 0, "a"
        GetVariable
        push "getBounds"
        CallMethod
        )" + kTraceBounds + R"(
        push "a"
        GetVariable
        push "_width"
        GetMember
        Trace
        push "o", "toString"
        function
            push "_root"
            Return
        end
        push 1
        InitObject
        SetVariable
        push "o"
        GetVariable
        push 1, "a"
        GetVariable
        push "getBounds"
        CallMethod
        )" + kTraceBounds)}).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, "-50 0 0 50\n50\n50 100 100 150\n");
}

// A hit test on shapes counts a clip's children only where the clip layers
// above them cover the point too (a layer itself is never hit), and a clip a
// script masks only inside its mask; a test of bounds ignores both. A clip
// masked by a layer of its parent is hit outside it.
TEST(MovieScripts, HitTestsOnShapesHonourMasks)
{
    MovieBuilder b(Twips::fromPixels(300), Twips::fromPixels(300), 12, 7);
    const auto px = [](int v) { return Twips::fromPixels(v); };
    const auto big = b.defineRectangle({px(0), px(50), px(0), px(50)}, solidFill({0, 0, 0, 255}));
    const auto small = b.defineRectangle({px(0), px(10), px(0), px(10)}, solidFill({0, 0, 0, 255}));
    Timeline layered;
    PlaceObject layer;
    layer.depth = 1;
    layer.characterId = small;
    layer.clipDepth = 3;
    layered.add(layer).place(2, big).showFrame();
    Timeline plain;
    plain.place(1, big).showFrame();
    const auto bigClip = b.defineSprite(plain);
    const auto smallClip = b.defineSprite(Timeline().place(1, small).showFrame());
    b.place(1, b.defineSprite(layered), {}, {}, "l");
    b.place(2, bigClip, Matrix::translation(px(100), px(0)), {}, "s");
    b.place(3, smallClip, Matrix::translation(px(100), px(0)), {}, "k");
    PlaceObject outer;
    outer.depth = 4;
    outer.characterId = small;
    outer.matrix = Matrix::translation(px(200), px(0));
    outer.clipDepth = 6;
    b.add(outer);
    b.place(5, bigClip, Matrix::translation(px(200), px(0)), {}, "c");
    std::string script = "push \"k\"\nGetVariable\npush 1, \"s\"\nGetVariable\npush \"setMask\"\nCallMethod\nPop\n";
    const struct {
        const char* clip;
        const char* x;
        const char* y;
        const char* shapes;
    } tests[] = {{"l", "5", "5", "true"},     {"l", "30", "30", "true"},   {"l", "30", "30", "false"},
                 {"s", "105", "5", "true"},   {"s", "140", "40", "true"},  {"s", "140", "40", "false"},
                 {"k", "105", "5", "true"},   {"c", "240", "40", "true"}};
    for (const auto& t : tests)
        script += std::string("push ") + t.shapes + ", " + t.y + ", " + t.x + ", 3, \"" + t.clip
            + "\"\nGetVariable\npush \"hitTest\"\nCallMethod\nTrace\n";
    b.add(DoAction{assembled(script)}).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, "true\nfalse\ntrue\ntrue\nfalse\ntrue\nfalse\ntrue\n");
}

// An attached bitmap, like a shape, has no script object: the clip holding it
// answers for its depth. A clip made with an empty name is still itself.
TEST(MovieScripts, TheClipAnswersForAnAttachedBitmapsDepth)
{
    const std::string script = R"(
        push "bmp", 10, 10, 2, "flash"
        GetVariable
        push "display"
        GetMember
        push "BitmapData"
        NewMethod
        SetVariable
        push 3, "bmp"
        GetVariable
        push 2, "this"
        GetVariable
        push "attachBitmap"
        CallMethod
        Pop
        push 4, "", 2, "this"
        GetVariable
        push "createEmptyMovieClip"
        CallMethod
        Pop
        push 3, 1, "this"
        GetVariable
        push "getInstanceAtDepth"
        CallMethod
        Trace
        push 4, 1, "this"
        GetVariable
        push "getInstanceAtDepth"
        CallMethod
        Trace
    )";
    EXPECT_EQ(tracedInAClip(script, 8), "_level0.mc\n_level0.mc.\n");
}

// A linkage name is known once the root has come to the frame that exports
// it: attachMovie of it before then makes nothing, and going back to an
// earlier frame does not forget it.
TEST(MovieScripts, AnExportedNameIsKnownFromItsFrameOn)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 7);
    const auto symbol = b.defineSprite(Timeline().showFrame());
    const std::string attach = R"(
        push "x", 1, "x", "Sym", 3, "attachMovie"
        CallFunction
        Pop
        GetVariable
        Trace
        push "x"
        GetVariable
        push 0, "removeMovieClip"
        CallMethod
        Pop
    )";
    b.add(DoAction{assembled(attach)}).showFrame();
    exportAsSym(b, symbol);
    b.showFrame();
    b.add(DoAction{assembled(attach + "push 1\ngotoframe2 0 0")}).showFrame();
    b.showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 3}).output, "undefined\n_level0.x\n_level0.x\n");
}

// A Transform made for a reference to a clip that left the stage works on
// the clip made again at its path.
TEST(MovieScripts, ATransformOfALeftClipFollowsItsPath)
{
    const std::string makeA = "push 1, \"a\", 2, \"createEmptyMovieClip\"\nCallFunction\nPop\n";
    const std::string script = makeA + R"(
        push "no", "a"
        GetVariable
        SetVariable
        push 0, "a"
        GetVariable
        push "removeMovieClip"
        CallMethod
        Pop
    )" + makeA + R"(
        push "no"
        GetVariable
        push 1, "flash"
        GetVariable
        push "geom"
        GetMember
        push "Transform"
        NewMethod
        push "matrix"
        GetMember
        Trace
    )";
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 8);
    b.add(DoAction{assembled(script)}).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, "(a=1, b=0, c=0, d=1, tx=0, ty=0)\n");
}

// A matrix given to a clip's Transform: any object with all six members
// (one that lacks any changes nothing), its factors kept in single precision,
// and the scales and rotation scripts read left as they were. A colour
// transform is kept in 16 bits: 8.8 multipliers, whole offsets, a number out
// of the 32-bit range leaving its low bits 0.
TEST(MovieScripts, ATransformKeepsWhatItIsGivenAsThePlayerStoresIt)
{
    const std::string traceA = R"(
        push "a"
        GetVariable
        push "_x"
        GetMember
        Trace
        push "a"
        GetVariable
        push "_xscale"
        GetMember
        Trace
        push "a"
        GetVariable
        push "_rotation"
        GetMember
        Trace
        push "t"
        GetVariable
        push "matrix"
        GetMember
        Trace
    )";
    const std::string script = R"(
        push 1, "a", 2, "createEmptyMovieClip"
        CallFunction
        Pop
        push "t", "a"
        GetVariable
        push 1, "flash"
        GetVariable
        push "geom"
        GetMember
        push "Transform"
        NewMethod
        SetVariable
        push "t"
        GetVariable
        push "matrix", "tx", 10, "ty", 20, 2
        InitObject
        SetMember
    )" + traceA + R"(
        push "t"
        GetVariable
        push "matrix", "a", 0, "b", 0.3, "c", 1, "d", 0, "tx", 10, "ty", 20, 6
        InitObject
        SetMember
    )" + traceA + R"(
        push "t"
        GetVariable
        push "colorTransform", 400000, 255, 2342343434, 1222222, 0, 11234112, 2342341, 0.5, 8, "flash"
        GetVariable
        push "geom"
        GetMember
        push "ColorTransform"
        NewMethod
        SetMember
        push "t"
        GetVariable
        push "colorTransform"
        GetMember
        Trace
    )";
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 8);
    b.add(DoAction{assembled(script)}).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output,
              "0\n100\n0\n(a=1, b=0, c=0, d=1, tx=0, ty=0)\n"
              "10\n100\n0\n(a=0, b=0.300000011920929, c=1, d=0, tx=10, ty=20)\n"
              "(redMultiplier=0.5, greenMultiplier=-59, blueMultiplier=0, alphaMultiplier=0, redOffset=-22962, "
              "greenOffset=0, blueOffset=255, alphaOffset=6784)\n");
}

TEST(MovieScripts, PathDelimitersAsTheOriginalPlayerReadsThem)
{
    // The clip holds o = {n: "inner"}.
    const std::string setUp = "push \"o\", \"n\", \"inner\", 1\nInitObject\nSetVariable\n";
    const struct {
        const char* name;
        const char* trace;
    } cases[] = {
        {"/mc::::n", "undefined\n"}, // colons in a row end no path to a variable
        {"/mc/:n", "clip\n"},
        {"/mc:o.n", "inner\n"},      // a dot after the colon ends the path
        {"/mc/o", "undefined\n"},    // slashes alone name clips only
        {"/mc", "_level0.mc\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(tracedInAClip(setUp + "push \"" + c.name + "\"\nGetVariable\nTrace\n", 7), c.trace);
    }
}

// Names may be made of delimiters: "..." and "..c" are names wherever they
// stand, and so are colons that end a path or come before a slash.
TEST(MovieScripts, NamesMadeOfDelimitersLeadToTheirClips)
{
    std::string script;
    int depth = 0;
    for (const auto& [name, n] : {std::pair{"...", "dots"}, {":", "colon"}, {"..c", "dotsc"}}) {
        script += "push " + std::to_string(++depth) + ", \"" + name + "\", 2, \"this\"\nGetVariable\npush \"createEmptyMovieClip\"\n"
                  "CallMethod\npush \"n\", \"" + n + "\"\nSetMember\n";
    }
    const struct {
        const char* path;
        const char* trace;
    } cases[] = {
        {"...:n", "dots"},     {"/mc:...:n", "dots"}, {"/mc/...:n", "dots"}, {"/mc/:/:n", "colon"},
        {"/mc/..c:n", "dotsc"}, {"/mc:..::n", "root"}, {"/mc/..:n", "root"},  {"/mc/...:::n", "undefined"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(tracedInAClip(script + "push \"" + c.path + "\"\nGetVariable\nTrace\n", 7), std::string(c.trace) + "\n");
    }
}

// Setting and reading a variable take the same way: each step of a dotted
// path finds a child clip before a variable of its name, and a path of
// slashes alone that leads to no clip is a plain name.
TEST(MovieScripts, VariablesAreReadWhereTheyWereSet)
{
    const std::string script = R"(
        push 1, "x", 2, "this"
        GetVariable
        push "createEmptyMovieClip"
        CallMethod
        Pop
        push 1, "x", 2, "x"
        GetVariable
        push "createEmptyMovieClip"
        CallMethod
        Pop
        push "x.x", 7
        SetVariable
        push "x.x.x", 8
        SetVariable
        push "x.x"
        GetVariable
        Trace
        push "x.x.x"
        GetVariable
        Trace
    )";
    EXPECT_EQ(tracedInAClip(script, 6), "7\n8\n");
    EXPECT_EQ(tracedInAClip("push \"a/b\", 5\nSetVariable\npush \"a/b\"\nGetVariable\nTrace\n", 5), "5\n");
}

TEST(MovieScripts, CreateTextFieldAnswersWithTheFieldFromSwfEight)
{
    const std::string script = "push 20, 100, 0, 0, 1, \"t\", 6, \"this\"\nGetVariable\npush \"createTextField\"\nCallMethod\nTrace\n";
    EXPECT_EQ(tracedInAClip(script, 7), "undefined\n");
    EXPECT_EQ(tracedInAClip(script, 8), "_level0.mc.t\n");
}

// Before SWF 6 a text field is no object scripts reach by name: its name
// leads to the clip holding it, which takes what is set through it.
TEST(MovieScripts, ATextFieldsNameLeadsToItsClipBeforeSwfSix)
{
    const std::string script = R"(
        push 20, 100, 0, 0, 1, "t", 6, "this"
        GetVariable
        push "createTextField"
        CallMethod
        Pop
        push "t"
        GetVariable
        Trace
        push "t"
        GetVariable
        push "v", "set"
        SetMember
        push "v"
        GetVariable
        Trace
    )";
    EXPECT_EQ(tracedInAClip(script, 5), "_level0.mc\nset\n");
    EXPECT_EQ(tracedInAClip(script, 6), "_level0.mc.t\nundefined\n");
}

TEST(MovieScripts, AutosizedTextFieldsMoveTheirX)
{
    // A field at _x 50, 100 wide, with text wider than that: autosizing to the
    // centre keeps its middle at 100 and moves its _x left; to the left keeps _x.
    auto traced = [](const std::string& mode) {
        MovieBuilder b(Twips::fromPixels(400), Twips::fromPixels(100), 12, 8);
        b.add(DoAction{assembled(R"(
            push 20, 100, 0, 50, 1, "t", 6, "_root"
            GetVariable
            push "createTextField"
            CallMethod
            Pop
            push "t"
            GetVariable
            push "text", "a line of text far wider than one hundred pixels"
            SetMember
            push "t"
            GetVariable
            push "autoSize", ")" + mode + R"("
            SetMember
            push "t"
            GetVariable
            push "_x"
            GetMember
            push 50
            Less2
            Trace
            push "t"
            GetVariable
            push "_x"
            GetMember
            push "t"
            GetVariable
            push "_width"
            GetMember
            push 2
            Divide
            Add2
            push 1, "Math"
            GetVariable
            push "round"
            CallMethod
            Trace
        )")}).showFrame();
        return runtime::traceMovie(b.movie(), {.frames = 0}).output;
    };
    const std::string centred = traced("center");
    EXPECT_EQ(centred.substr(0, 5), "true\n");
    EXPECT_EQ(centred.substr(5), "100\n");
    EXPECT_EQ(traced("left").substr(0, 6), "false\n");
}

TEST(MovieScripts, AskingWhereAnAutosizedFieldIsBringsItsScrollIntoRange)
{
    // Two lines wrapped in a narrow field scrolled to the second; with wrapping
    // off there is one line, but only reading _x while autoSize is on lays the
    // field out again.
    auto traced = [](bool readX) {
        std::string script = R"(push 25, 50, 0, 0, 1, "t", 6, "this"
            GetVariable
            push "createTextField"
            CallMethod
            Pop
            push "t"
            GetVariable
            storeregister 0
            Pop
            push r:0, "wordWrap", true
            SetMember
            push r:0, "text", "Hello World Hello World"
            SetMember
            push r:0, "scroll", 2
            SetMember
            push r:0, "wordWrap", false
            SetMember
            push r:0, "autoSize", true
            SetMember
            )";
        if (readX)
            script += "push r:0, \"_x\"\nGetMember\nPop\n";
        script += "push r:0, \"autoSize\", false\nSetMember\npush r:0, \"scroll\"\nGetMember\nTrace\n";
        return tracedInAClip(script, 7);
    };
    EXPECT_EQ(traced(false), "2\n");
    EXPECT_EQ(traced(true), "1\n");
}

TEST(MovieScripts, TheObjectLosingTheFocusStillHasItWhenTold)
{
    // a.onKillFocus = function (next) { trace(Selection.getFocus() + " to " + next); }
    // a and b focusEnabled; Selection.setFocus(a); Selection.setFocus(b); Selection.setFocus(null)
    const std::string focus = "push 1, \"Selection\"\nGetVariable\npush \"setFocus\"\nCallMethod\nPop\n";
    const std::string script = R"(push 1, "a", 2, "this"
        GetVariable
        push "createEmptyMovieClip"
        CallMethod
        Pop
        push 2, "b", 2, "this"
        GetVariable
        push "createEmptyMovieClip"
        CallMethod
        Pop
        push "a"
        GetVariable
        push "onKillFocus"
        function - next
          push 0, "Selection"
          GetVariable
          push "getFocus"
          CallMethod
          push " to "
          Add2
          push "next"
          GetVariable
          Add2
          Trace
        end
        SetMember
        push "a"
        GetVariable
        storeregister 0
        push "focusEnabled", true
        SetMember
        push "b"
        GetVariable
        storeregister 1
        push "focusEnabled", true
        SetMember
        push r:0
        )" + focus + "push r:1\n" + focus + "push null\n" + focus
        + "push 0, \"Selection\"\nGetVariable\npush \"getFocus\"\nCallMethod\nTrace\n";
    EXPECT_EQ(tracedInAClip(script, 7), "_level0.mc.a to _level0.mc.b\nnull\n");
}

// Hiding the focused clip takes the focus away; a clip hidden already keeps
// the focus a script gives it.
TEST(MovieScripts, HidingTheFocusedClipTakesTheFocus)
{
    const std::string focusA = "push \"a\"\nGetVariable\npush 1, \"Selection\"\nGetVariable\npush \"setFocus\"\nCallMethod\nPop\n";
    const std::string traceFocus = "push 0, \"Selection\"\nGetVariable\npush \"getFocus\"\nCallMethod\nTrace\n";
    auto setVisible = [](const char* value) { return "push \"a\"\nGetVariable\npush \"_visible\", " + std::string(value) + "\nSetMember\n"; };
    const std::string script = R"(push 1, "a", 2, "this"
        GetVariable
        push "createEmptyMovieClip"
        CallMethod
        Pop
        push "a"
        GetVariable
        push "focusEnabled", true
        SetMember
    )" + focusA + setVisible("false") + traceFocus + focusA + setVisible("false") + traceFocus;
    EXPECT_EQ(tracedInAClip(script, 7), "null\n_level0.mc.a\n");
}

// A clip's tabIndex, once a number started it, is a 32-bit integer hidden
// from for..in; text given first stays text.
TEST(MovieScripts, AClipsTabIndexIsAThirtyTwoBitInteger)
{
    auto traced = [](const std::vector<std::string>& values) {
        std::string script = "push 1, \"a\", 2, \"this\"\nGetVariable\npush \"createEmptyMovieClip\"\nCallMethod\nPop\n";
        for (const std::string& v : values) {
            script += "push \"a\"\nGetVariable\npush \"tabIndex\", " + v + "\nSetMember\n";
            script += "push \"a\"\nGetVariable\npush \"tabIndex\"\nGetMember\nTrace\n";
        }
        // Names for..in finds on the clip, traced as they come.
        script += "push \"a\"\nGetVariable\nEnumerate2\nloop:\nstoreregister 0\npush null\nEquals2\nif done\n"
                  "push r:0\nTrace\njump loop\ndone:\n";
        return tracedInAClip(script, 8);
    };
    EXPECT_EQ(traced({"4", "2147483648", "\"x\"", "1.9", "-2147483648", "undefined"}),
              "4\n-2147483648\n-2147483648\n1\n-2147483648\nundefined\n");
    EXPECT_EQ(traced({"\"x\"", "5", "\"y\""}), "x\n5\ny\ntabIndex\n");
}

// A field in a clip: replaceSel before any focus types at the start; a
// field has no selection while listeners hear of its focus, and all of it
// selected after (again when a script focuses it again); setSelection puts
// the caret at its second index; removing the clip around the focused field
// tells Selection's listeners while the field still has its path.
TEST(MovieScripts, TheFocusLeavesWithTheClipAroundItAndRefocusingSelectsAll)
{
    const std::string focusT = "push \"t\"\nGetVariable\npush 1, \"Selection\"\nGetVariable\npush \"setFocus\"\nCallMethod\nPop\n";
    const std::string typeBar = R"(
        push "|", 1, "t"
        GetVariable
        push "replaceSel"
        CallMethod
        Pop
        push "t"
        GetVariable
        push "text"
        GetMember
        Trace
        push "t"
        GetVariable
        push "text", "ab"
        SetMember
    )";
    const std::string script = R"(
        push "l"
        push 0
        InitObject
        SetVariable
        push "l"
        GetVariable
        push "onSetFocus"
        function - old, now
          push "old"
          GetVariable
          push " > "
          Add2
          push "now"
          GetVariable
          Add2
          push " "
          Add2
          push 0, "Selection"
          GetVariable
          push "getCaretIndex"
          CallMethod
          Add2
          Trace
        end
        SetMember
        push "l"
        GetVariable
        push 1, "Selection"
        GetVariable
        push "addListener"
        CallMethod
        Pop
        push "c", 1, "c", 2, "this"
        GetVariable
        push "createEmptyMovieClip"
        CallMethod
        SetVariable
        push 10, 100, 0, 0, 1, "t", 6, "c"
        GetVariable
        push "createTextField"
        CallMethod
        Pop
        push "t", "c"
        GetVariable
        push "t"
        GetMember
        SetVariable
        push "t"
        GetVariable
        push "text", "ab"
        SetMember
    )" + typeBar + focusT + typeBar + focusT + typeBar + R"(
        push 0, 2, 2, "Selection"
        GetVariable
        push "setSelection"
        CallMethod
        Pop
        push 0, "Selection"
        GetVariable
        push "getBeginIndex"
        CallMethod
        Trace
        push 0, "Selection"
        GetVariable
        push "getCaretIndex"
        CallMethod
        Trace
        push 0, "Selection"
        GetVariable
        push "getEndIndex"
        CallMethod
        Trace
        push 0, "c"
        GetVariable
        push "removeMovieClip"
        CallMethod
        Pop
        push 0, "Selection"
        GetVariable
        push "getFocus"
        CallMethod
        Trace
    )";
    EXPECT_EQ(tracedInAClip(script, 7), "|ab\nnull > _level0.mc.c.t -1\n|\n|\n0\n0\n2\n_level0.mc.c.t > null -1\nnull\n");
}

// A scaled field's _width is whole twips, as the player keeps it.
TEST(MovieScripts, AScaledTextFieldsWidthIsWholeTwips)
{
    const std::string script = R"(
        push 20, 21, 0, 0, 1, "t", 6, "this"
        GetVariable
        push "createTextField"
        CallMethod
        Pop
        push "t"
        GetVariable
        push "_xscale", 80.3
        SetMember
        push "t"
        GetVariable
        push "_width"
        GetMember
        push 20
        Multiply
        PushDuplicate
        push 1, "Math"
        GetVariable
        push "round"
        CallMethod
        Equals2
        Trace
    )";
    EXPECT_EQ(tracedInAClip(script, 7), "true\n");
}

TEST(MovieScripts, ADepthThatIsNotANumberIsDepthZero)
{
    // attachMovie("Sym", "a", undefined) and createEmptyMovieClip("b", NaN) place at depth 0.
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 7);
    Timeline inner;
    inner.showFrame();
    const auto symbol = b.defineSprite(inner);
    exportAsSym(b, symbol);
    const std::string depthOf = "push 0, \"c\"\nGetVariable\npush \"getDepth\"\nCallMethod\nTrace\n";
    b.add(DoAction{assembled(R"(
        push "c", undefined, "a", "Sym", 3, "_root"
        GetVariable
        push "attachMovie"
        CallMethod
        SetVariable
    )" + depthOf + R"(
        push "c", "x", "b", 2, "_root"
        GetVariable
        push "createEmptyMovieClip"
        CallMethod
        SetVariable
    )" + depthOf)}).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, "0\n0\n");
}

TEST(MovieScripts, ATextFieldsXAndYAreTheTopLeftOfItsRectangle)
{
    // A field whose rectangle starts 2 pixels left of and above its origin,
    // placed at (50, 30): scripts read and set its corner, not its origin.
    MovieBuilder b(Twips::fromPixels(200), Twips::fromPixels(100), 12, 6);
    const auto field = b.define([](std::uint16_t id) {
        DefineEditText edit;
        edit.id = id;
        edit.bounds = {Twips::fromPixels(-2), Twips::fromPixels(100), Twips::fromPixels(-2), Twips::fromPixels(20)};
        return edit;
    });
    b.place(1, field, Matrix::translation(Twips::fromPixels(50), Twips::fromPixels(30)), {}, "t");
    std::string script;
    for (const char* axis : {"_x", "_y"}) {
        const std::string get = std::string("push \"t\"\nGetVariable\npush \"") + axis + "\"\nGetMember\nTrace\n";
        script += get + "push \"t\"\nGetVariable\npush \"" + axis + "\", 10\nSetMember\n" + get;
    }
    b.add(DoAction{assembled(script)}).showFrame();
    const auto run = runtime::traceMovie(b.movie(), {.frames = 0, .describeDisplayList = true});
    EXPECT_EQ(run.output, "48\n10\n28\n10\n");
    // Its origin moved with the corner.
    EXPECT_NE(run.displayList.find("at (12.00, 12.00)"), std::string::npos) << run.displayList;
}

TEST(MovieScripts, AssigningAChildsNameInsideWithGoesPastTheClip)
{
    // with (mc) { child = "x"; } leaves the child clip alone and sets the
    // name on the timeline, where a property of the clip would have taken it.
    const std::string script = R"(
        push 1, "child", 2, "_root"
        GetVariable
        push "createEmptyMovieClip"
        CallMethod
        Pop
        push "_root"
        GetVariable
        with
          push "child", "x"
          SetVariable
          push "_alpha", 50
          SetVariable
        endwith
        push "_root"
        GetVariable
        push "child"
        GetMember
        TypeOf
        Trace
        push "child"
        GetVariable
        Trace
        push "_root"
        GetVariable
        push "_alpha"
        GetMember
        Trace
    )";
    EXPECT_EQ(tracedInAClip(script, 7), "movieclip\nx\n50\n");
}

TEST(MovieScripts, AlphaKeepsTheMultiplierInTwoHundredFiftySixths)
{
    const std::string script = R"(
        push "_root"
        GetVariable
        push "_alpha", 60
        SetMember
        push "_root"
        GetVariable
        push "_alpha"
        GetMember
        Trace
        push "_root"
        GetVariable
        push "_alpha", -30.5
        SetMember
        push "_root"
        GetVariable
        push "_alpha"
        GetMember
        Trace
    )";
    EXPECT_EQ(tracedInAClip(script, 7), "59.765625\n-30.46875\n");
}

TEST(MovieScripts, NewClipsHearOnConstruct)
{
    const std::string script = R"(
        push "MovieClip"
        GetVariable
        push "prototype"
        GetMember
        push "onConstruct"
        function
          push "made "
          push "this"
          GetVariable
          push "_name"
          GetMember
          Add2
          Trace
        end
        SetMember
        push 1, "a", 2, "_root"
        GetVariable
        push "createEmptyMovieClip"
        CallMethod
        Pop
        push "after"
        Trace
    )";
    EXPECT_EQ(tracedInAClip(script, 8), "made a\nafter\n");
}

TEST(MovieScripts, TheClockHasRunAFrameWhenTheFirstFrameRuns)
{
    // At 12 frames a second, 83 milliseconds.
    EXPECT_EQ(tracedInAClip("GetTime\nTrace\n", 7), "83\n");
}

// getTimer moves on while scripts work, as the player's clock did, so that a
// script waiting a few milliseconds in a loop gets there and work done after
// a long setup reads a later time; a short script reads the frame's time.
TEST(MovieScripts, GetTimerMovesOnWhileScriptsWork)
{
    const std::string script = R"(
        push "t0"
        GetTime
        SetVariable
        GetTime
        push "t0"
        GetVariable
        Subtract
        Trace
        wait:
        GetTime
        push "t0"
        GetVariable
        Subtract
        push 3
        Less2
        if wait
        push "waited"
        Trace
    )";
    EXPECT_EQ(tracedInAClip(script, 7), "0\nwaited\n");
}

// A script that times a blink with dates sees the frames' time pass, however
// fast the frames are played: the first frame keeps a date, and each later
// frame traces how far the date and getTimer() have moved since.
TEST(MovieScripts, DatesMoveWithTheFramesAsGetTimerDoes)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 20, 7);
    b.add(DoAction{assembled(R"(
        push "t0", 0, "Date"
        NewObject
        SetVariable
        push "g0"
        GetTime
        SetVariable
        push "_root"
        GetVariable
        push "onEnterFrame"
        function
          push 0, 0, "Date"
          NewObject
          push "getTime"
          CallMethod
          push 0, "t0"
          GetVariable
          push "getTime"
          CallMethod
          Subtract
          Trace
          GetTime
          push "g0"
          GetVariable
          Subtract
          Trace
        end
        SetMember
    )")});
    b.showFrame();
    // At 20 frames a second a frame takes 50 milliseconds; the clock moves on
    // after each frame's scripts.
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 3}).output, "0\n0\n50\n50\n100\n100\n");
}

// The clips play their frames newest first and the root last: a clip placed
// later runs its frame before an older one, and a clip arriving mid-frame runs
// its first frame right after the frame that placed it. A goto forwards
// places what the frames between hold before the target frame's script runs.
TEST(MovieScripts, FrameScriptsRunNewestClipFirst)
{
    const auto say = [](const std::string& what) { return DoAction{assembled("push \"" + what + "\"\nTrace")}; };
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 8);
    Timeline leaf;
    leaf.add(say("leaf 1")).showFrame().add(say("leaf 2")).add(DoAction{assembled("Stop")}).showFrame();
    const auto leafClip = b.defineSprite(leaf);
    Timeline older;
    older.add(say("older 1")).showFrame().add(say("older 2")).place(1, leafClip).showFrame();
    older.add(say("older 3")).add(DoAction{assembled("Stop")}).showFrame();
    const auto olderClip = b.defineSprite(older);
    Timeline newer;
    newer.add(say("newer 1")).showFrame().add(say("newer 2")).add(DoAction{assembled("Stop")}).showFrame();
    const auto newerClip = b.defineSprite(newer);
    b.add(say("root 1")).place(1, olderClip).place(2, newerClip).showFrame();
    b.add(say("root 2")).showFrame();
    b.add(say("root 3")).add(DoAction{assembled("Stop")}).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 2}).output,
              "root 1\nolder 1\nnewer 1\n"
              "newer 2\nolder 2\nleaf 1\nroot 2\n"
              "leaf 2\nolder 3\nroot 3\n");

    MovieBuilder jump(Twips::fromPixels(100), Twips::fromPixels(100), 12, 8);
    Timeline child;
    child.add(say("child 1")).showFrame();
    const auto childClip = jump.defineSprite(child);
    jump.add(DoAction{assembled("gotoframe 2\nplay")}).showFrame();
    jump.place(1, childClip).showFrame();
    jump.add(say("root 3")).add(DoAction{assembled("Stop")}).showFrame();
    EXPECT_EQ(runtime::traceMovie(jump.movie(), {.frames = 0}).output, "child 1\nroot 3\n");
}

// gotoAndStop takes an object's string (a label) and leaves the clip where it
// is for a frame before the first. The root's _parent is undefined, whatever
// MovieClip.prototype holds.
TEST(MovieScripts, GotoMethodsIgnoreFramesBeforeTheFirst)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 8);
    Timeline inner;
    inner.add(DoAction{assembled("Stop")}).showFrame().label("second").showFrame().showFrame();
    const auto clip = b.defineSprite(inner);
    const std::string traceFrame = R"(
        push "mc"
        GetVariable
        push "_currentframe"
        GetMember
        Trace
    )";
    const auto gotoAndStop = [](const std::string& frame) {
        return "push " + frame + ", 1, \"mc\"\nGetVariable\npush \"gotoAndStop\"\nCallMethod\nPop\n";
    };
    b.place(1, clip, {}, {}, "mc");
    b.add(DoAction{assembled(gotoAndStop("3") + gotoAndStop("0") + traceFrame + gotoAndStop("-99") + traceFrame + R"(
        push "o", "toString"
        function
          push "second"
          return
        end
        push 1
        InitObject
        SetVariable
        push "o"
        GetVariable
    )" + "push 1, \"mc\"\nGetVariable\npush \"gotoAndStop\"\nCallMethod\nPop\n" + traceFrame + R"(
        push "MovieClip"
        GetVariable
        push "prototype"
        GetMember
        push "_parent", "wrong"
        SetMember
        push "_parent"
        GetVariable
        Trace
    )")}).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, "3\n3\n2\nundefined\n");
}

// Two live clips of one name under one parent compare equal (strictly and
// loosely), though each keeps its own depth; clips of other names do not.
TEST(MovieScripts, ClipsOfTheSameNameAndParentCompareEqual)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 8);
    Timeline inner;
    inner.showFrame();
    const auto clip = b.defineSprite(inner);
    b.place(1, clip, {}, {}, "c");
    b.place(2, clip, {}, {}, "d");
    const std::string at = "push \"this\"\nGetVariable\npush \"getInstanceAtDepth\"\nCallMethod\n";
    b.add(DoAction{assembled(
        "push 5, \"c\", 2, \"this\"\nGetVariable\npush \"createEmptyMovieClip\"\nCallMethod\nPop\n"
        "push -16383, 1\n" + at + "push 5, 1\n" + at + "StrictEquals\nTrace\n"
        "push -16383, 1\n" + at + "push 5, 1\n" + at + "Equals2\nTrace\n"
        "push -16383, 1\n" + at + "push -16382, 1\n" + at + "StrictEquals\nTrace\n"
        "push 5, 1\n" + at + "push \"getDepth\"\nCallMethod\nTrace\n")}).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, "true\ntrue\nfalse\n5\n");
}

// A shape has no script object: the clip holding it answers for its depth.
TEST(MovieScripts, TheInstanceAtAShapesDepthIsItsClip)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 8);
    const auto square = b.defineRectangle({Twips(0), Twips::fromPixels(10), Twips(0), Twips::fromPixels(10)},
                                          solidFill({0, 0, 0, 255}));
    b.place(1, square, {}, {}, "s");
    b.place(3, square);
    const std::string at = "push \"this\"\nGetVariable\npush \"getInstanceAtDepth\"\nCallMethod\n";
    b.add(DoAction{assembled("push -16383, 1\n" + at + "Trace\npush -16382, 1\n" + at + "Trace\n"
                             "push 0, -16383, 1\n" + at + "push \"getDepth\"\nCallMethod\nTrace\n"
                             "push \"_root\"\nGetVariable\npush \"s\"\nGetMember\nTrace\n"
                             "push \"_root\"\nGetVariable\npush \"\"\nGetMember\nTrace\n")}).showFrame();
    // The root's depth is that of level 0, below every depth scripts use; a
    // shape's name leads to its clip, and no name leads to nothing.
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, "_level0\nundefined\n-16384\n_level0\nundefined\n");
}

// A variable's path may start at a global; a clip's path (getProperty's
// target) names clips only.
TEST(MovieScripts, OnlyAVariablesPathStartsAtAGlobal)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 8);
    Timeline inner;
    inner.showFrame();
    const auto clip = b.defineSprite(inner);
    b.place(1, clip, Matrix::translation(Twips::fromPixels(5), Twips(0)), {}, "mc");
    b.add(DoAction{assembled(R"(
        push "_global"
        GetVariable
        push "g", "mc"
        GetVariable
        SetMember
        push "g", 0
        GetProperty
        Trace
        push "g:_x"
        GetVariable
        Trace
    )")}).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, "undefined\n5\n");
}

// hitTest with the shape flag asks for the shape's area, not its bounds.
TEST(MovieScripts, AShapeHitTestFollowsTheOutline)
{
    MovieBuilder b(Twips::fromPixels(200), Twips::fromPixels(200), 12, 8);
    ShapeBuilder triangle;
    triangle.setStyles(triangle.addFill(solidFill({0, 0, 0, 255})), 0);
    triangle.polygon({{Twips(0), Twips(0)}, {Twips::fromPixels(100), Twips(0)}, {Twips(0), Twips::fromPixels(100)}});
    b.place(1, b.defineShape(triangle));
    auto hit = [](int x, int y, bool shape) { return traceHitTest("_root", x, y, shape); };
    b.add(DoAction{assembled(hit(20, 20, true) + hit(80, 80, true) + hit(80, 80, false))}).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, "true\nfalse\ntrue\n");
}

// A hairline is a pixel of the stage wide to the pointer however far its clip
// is scaled up; a drawn one too.
TEST(MovieScripts, AShapeHitTestMeetsAHairlineWithinAPixelOfTheStage)
{
    MovieBuilder b(Twips::fromPixels(200), Twips::fromPixels(200), 12, 8);
    ShapeBuilder line;
    LineStyle hairline;
    hairline.width = Twips(0);
    hairline.color = {0, 0, 0, 255};
    line.setStyles(0, line.addLine(hairline));
    line.moveTo(Twips(0), Twips(0)).lineTo(Twips::fromPixels(10), Twips(0));
    Timeline inner;
    inner.place(1, b.defineShape(line)).showFrame();
    Matrix scaled = Matrix::scale(10, 10);
    scaled.translateX = Twips::fromPixels(20);
    scaled.translateY = Twips::fromPixels(50);
    b.place(1, b.defineSprite(inner), scaled, {}, "a");
    auto hit = [](int x, int y) { return traceHitTest("a", x, y); };
    const std::string drawn = R"(
        push 0, 1, "a"
        GetVariable
        push "lineStyle"
        CallMethod
        Pop
        push 12, 0, 2, "a"
        GetVariable
        push "moveTo"
        CallMethod
        Pop
        push 12, 10, 2, "a"
        GetVariable
        push "lineTo"
        CallMethod
        Pop
    )";
    // The line runs along y = 50 on the stage; the drawn one along y = 170.
    b.add(DoAction{assembled(hit(60, 50) + hit(60, 53) + hit(60, 45) + drawn + hit(60, 170) + hit(60, 173))})
        .showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, "true\nfalse\nfalse\ntrue\nfalse\n");
}

// A clip seen through a scroll rectangle is as large as the rectangle and is
// hit only where its content shows through it.
TEST(MovieScripts, AScrollRectSizesTheClipAndLimitsWhereItIsHit)
{
    MovieBuilder b(Twips::fromPixels(200), Twips::fromPixels(200), 12, 8);
    Timeline inner;
    inner.place(1, b.defineRectangle({Twips(0), Twips::fromPixels(100), Twips(0), Twips::fromPixels(100)},
                                     solidFill({0, 0, 0, 255})))
        .showFrame();
    b.place(1, b.defineSprite(inner), Matrix::translation(Twips::fromPixels(50), Twips::fromPixels(50)), {}, "a");
    auto hit = [](int x, int y) { return traceHitTest("a", x, y); };
    const std::string scroll = setScrollRect("a", 90, 90, 30, 20) + R"(
        push "a"
        GetVariable
        push "_width"
        GetMember
        Trace
        push "a"
        GetVariable
        push "_height"
        GetMember
        Trace
    )";
    // Before, the clip covers 50..150; after, only 50..80 across and 50..70
    // down, where the square's corner at 90, 90 shows from 50 to 60.
    b.add(DoAction{assembled(hit(120, 60) + scroll + hit(120, 60) + hit(55, 55) + hit(65, 55))}).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, "true\n30\n20\nfalse\ntrue\nfalse\n");
}

// Static text is hit on its glyphs, not between them; text the advanced
// anti-aliasing engine draws has no outlines to test and is hit anywhere in
// its box as its parent sees it, so a turned one is hit beyond its corners.
TEST(MovieScripts, AShapeHitTestFindsGlyphsOrTheBoxOfAdvancedText)
{
    MovieBuilder b(Twips::fromPixels(200), Twips::fromPixels(200), 12, 8);
    const auto font = b.define([](std::uint16_t id) {
        DefineFont f;
        f.version = 2;
        f.id = id;
        ShapeBuilder square;
        square.setStyles(1, 0);
        square.rectangle({Twips(0), Twips(1024), Twips(-1024), Twips(0)});
        f.glyphs = {square.shape()};
        f.codeTable = {u'A'};
        return f;
    });
    // Two 20-pixel squares 40 pixels apart: columns 0..20 and 40..60, rows 0..20.
    auto text = [&] {
        return b.define([&](std::uint16_t id) {
            DefineText t;
            t.id = id;
            t.bounds = {Twips(0), Twips::fromPixels(60), Twips(0), Twips::fromPixels(20)};
            TextRecord record;
            record.fontId = font;
            record.height = Twips::fromPixels(20);
            record.yOffset = Twips::fromPixels(20);
            record.glyphs = {{0, Twips::fromPixels(40).get()}, {0, Twips::fromPixels(40).get()}};
            t.records = {record};
            return t;
        });
    };
    const auto plain = text();
    const auto advanced = text();
    b.add(writeTextRenderSettings({.textId = advanced, .advanced = true}));
    Timeline a, c;
    a.place(1, plain).showFrame();
    Matrix turned; // 45 degrees
    turned.scaleX = turned.scaleY = turned.rotateSkew0 = std::sqrt(0.5);
    turned.rotateSkew1 = -std::sqrt(0.5);
    c.place(1, advanced, turned).showFrame();
    b.place(1, b.defineSprite(a), Matrix::translation(Twips::fromPixels(20), Twips::fromPixels(20)), {}, "a");
    b.place(2, b.defineSprite(c), Matrix::translation(Twips::fromPixels(100), Twips::fromPixels(100)), {}, "c");
    auto hit = [](const char* clip, int x, int y, bool shape) { return traceHitTest(clip, x, y, shape); };
    b.add(DoAction{assembled(hit("a", 30, 30, true) + hit("a", 50, 30, true) + hit("a", 50, 30, false)
                             + hit("c", 135, 110, true) + hit("c", 80, 110, true))})
        .showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, "true\nfalse\ntrue\ntrue\nfalse\n");
}

// _width and _height size a clip as though _xscale ran along the parent's
// width and _yscale along its height, whatever the angle: each scale is the
// size on its side over that side of the clip turned but not scaled, and the
// side not asked for keeps its size. Turned a quarter, the first _width
// scales what is now the clip's height; the second, the other scale. A
// mirrored scale keeps its sign.
TEST(MovieScripts, SizingATurnedClipScalesAlongTheParentsSides)
{
    MovieBuilder b(Twips::fromPixels(400), Twips::fromPixels(400), 12, 8);
    const auto box = b.defineRectangle({Twips(0), Twips::fromPixels(200), Twips(0), Twips::fromPixels(100)},
                                       solidFill({0, 0, 0, 255}));
    Timeline inner;
    inner.place(1, box).showFrame();
    b.place(1, b.defineSprite(inner), {}, {}, "a");
    b.place(2, b.defineSprite(inner), {}, {}, "m");
    auto set = [](const char* clip, const char* property, int value) {
        return std::string("push \"") + clip + "\"\nGetVariable\npush \"" + property + "\", " + std::to_string(value)
            + "\nSetMember\n";
    };
    auto show = [](const char* clip) {
        std::string script;
        for (const char* property : {"_xscale", "_yscale", "_width", "_height"})
            script += std::string("push \"") + clip + "\"\nGetVariable\npush \"" + property
                + "\"\nGetMember\nTrace\n";
        return script;
    };
    b.add(DoAction{assembled(set("a", "_rotation", 90) + set("a", "_width", 50) + show("a") + set("a", "_width", 50)
                             + show("a") + set("m", "_yscale", -50) + set("m", "_width", 100) + show("m")
                             + set("m", "_xscale", -50) + set("m", "_width", 200) + show("m"))})
        .showFrame();
    // Mirrored on both sides, a clip is only turned: sized, it comes out
    // unmirrored.
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output,
              "50\n100\n100\n100\n50\n50\n50\n100\n50\n-50\n100\n50\n100\n50\n200\n50\n");
}

// hitTest takes its point in the level root's coordinates, so moving the
// root moves the point along. The bounds move with the root too. Before
// SWF 8 the shapes do not: the shape test meets the moved point with the
// shapes where an untransformed root would show them. The bounds' edges
// count, so a clip scaled to nothing still holds the one point it sits on.
// A clip named by an empty path is no clip.
TEST(MovieScripts, AHitTestPointIsInTheRootsCoordinates)
{
    for (const std::uint8_t version : {7, 8}) {
        MovieBuilder b(Twips::fromPixels(200), Twips::fromPixels(200), 12, version);
        const auto square = b.defineRectangle({Twips(0), Twips::fromPixels(40), Twips(0), Twips::fromPixels(40)},
                                              solidFill({0, 0, 0, 255}));
        Timeline inner;
        inner.place(1, square).showFrame();
        b.place(1, b.defineSprite(inner), Matrix::translation(Twips::fromPixels(20), Twips::fromPixels(20)), {}, "a");
        auto hit = [](int x, int y, bool shape) { return traceHitTest("a", x, y, shape); };
        b.add(DoAction{assembled("push \"_root\"\nGetVariable\npush \"_x\", 30\nSetMember\n" + hit(25, 25, false)
                                 + hit(85, 25, false) + hit(25, 25, true) + hit(55, 25, true)
                                 // A path to a clip finds it; an empty path names none.
                                 + "push \"/a\", 1, \"a\"\nGetVariable\npush \"hitTest\"\nCallMethod\nTrace\n"
                                   "push \"\", 1, \"a\"\nGetVariable\npush \"hitTest\"\nCallMethod\nTrace\n"
                                   "push \"a\"\nGetVariable\npush \"_xscale\", 0\nSetMember\n"
                                   "push \"a\"\nGetVariable\npush \"_yscale\", 0\nSetMember\n"
                                 + hit(20, 20, false) + hit(21, 20, false)
                                 + "push \"a\"\nGetVariable\npush \"_xscale\", 100\nSetMember\n"
                                   "push \"a\"\nGetVariable\npush \"_yscale\", 100\nSetMember\n"
                                   "push \"_root\"\nGetVariable\npush \"_x\", 0\nSetMember\n"
                                   "push \"_root\"\nGetVariable\npush \"_xscale\", 50\nSetMember\n"
                                 + hit(25, 25, false) + hit(41, 25, false) + hit(25, 25, true) + hit(41, 25, true))})
            .showFrame();
        EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output,
                  version < 8 ? "true\nfalse\ntrue\nfalse\ntrue\nfalse\ntrue\nfalse\ntrue\ntrue\nfalse\ntrue\n"
                              : "true\nfalse\ntrue\ntrue\ntrue\nfalse\ntrue\nfalse\ntrue\ntrue\ntrue\ntrue\n")
            << int(version);
    }
}

// hitTest's point reaches the stage in whole twips: on a root shrunk to a
// two-hundredth, a point a pixel past a clip's edge lands on the edge's twip,
// which counts, and one a few pixels further lands past it.
TEST(MovieScripts, AHitTestPointReachesTheStageInWholeTwips)
{
    MovieBuilder b(Twips::fromPixels(200), Twips::fromPixels(200), 12, 7);
    const auto square = b.defineRectangle(
        {Twips::fromPixels(100), Twips::fromPixels(150), Twips::fromPixels(100), Twips::fromPixels(150)},
        solidFill({0, 0, 0, 255}));
    Timeline inner;
    inner.place(1, square).showFrame();
    b.place(1, b.defineSprite(inner), {}, {}, "a");
    auto hit = [](int x, int y) { return traceHitTest("a", x, y, false); };
    b.add(DoAction{assembled("push \"_root\"\nGetVariable\npush \"_xscale\", 0.5\nSetMember\n" + hit(151, 120)
                             + hit(156, 120))})
        .showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, "true\nfalse\n");
}

// A timeline variable named _root or _global hides what the name stands for;
// a function that preloads both _global and _parent finds _global first.
TEST(MovieScripts, VariablesHideRootAndGlobalAndPreloadsKeepTheirOrder)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 8);
    b.add(DoAction{assembled(R"(
        push "_root", "fake"
        SetVariable
        push "_root"
        GetVariable
        Trace
        push "f"
        function2 - 3 0x180
          push r:1
          typeof
          trace
          push r:2
          typeof
          trace
        end
        SetVariable
        push 0, "f"
        CallFunction
        Pop
    )")}).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, "fake\nobject\nundefined\n");
}

// A clip the timeline takes off while something in it listens for its unload
// stays until the next frame: the unload runs first, the frame's scripts still
// find the clip, and it gets no enterFrame on its way out.
TEST(MovieScripts, AClipWithUnloadListenersLeavesAfterItsFrame)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 7);
    placeClipHoldingAChild(b);
    b.add(DoAction{assembled(R"(
        push "clip"
        GetVariable
        push "onEnterFrame"
        function
          push "enterFrame"
          Trace
        end
        SetMember
        push "clip"
        GetVariable
        push "child"
        GetMember
        push "onUnload"
        function
          push "unload"
          Trace
        end
        SetMember
    )")}).showFrame();
    b.remove(1);
    b.add(DoAction{assembled("push \"clip\"\nGetVariable\nTrace\n")}).showFrame();
    b.add(DoAction{assembled("push \"clip\"\nGetVariable\nTrace\nStop\n")}).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 2}).output, "unload\n_level0.clip\nundefined\n");
}

// enterFrame reaches a clip's children before the clip, and the root last.
TEST(MovieScripts, EnterFrameReachesChildrenBeforeTheirClip)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 7);
    placeClipHoldingAChild(b);
    b.add(DoAction{assembled(R"(
        push "onEnterFrame"
        function
          push "this"
          GetVariable
          Trace
        end
        storeregister 1
        SetVariable
        push "clip"
        GetVariable
        push "onEnterFrame", r:1
        SetMember
        push "clip"
        GetVariable
        push "child"
        GetMember
        push "onEnterFrame", r:1
        SetMember
    )")}).showFrame();
    b.add(DoAction{assembled("Stop\n")}).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 1}).output, "_level0.clip.child\n_level0.clip\n_level0\n");
}

// A text definition's render settings tag gives its field's anti-aliasing and
// grid fitting; a field without one keeps the defaults.
TEST(MovieScripts, TextRenderSettingsGiveAFieldsAntiAliasing)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 8);
    auto defineField = [&b] {
        return b.define([](std::uint16_t id) {
            DefineEditText edit;
            edit.id = id;
            edit.bounds = {Twips(0), Twips::fromPixels(100), Twips(0), Twips::fromPixels(20)};
            return edit;
        });
    };
    const auto tuned = defineField();
    b.add(writeTextRenderSettings({.textId = tuned, .advanced = true, .gridFit = 2, .thickness = 50, .sharpness = -3}));
    const auto plain = defineField();
    b.place(1, tuned, {}, {}, "a");
    b.place(2, plain, {}, {}, "b");
    std::string script;
    for (const char* field : {"a", "b"})
        for (const char* property : {"antiAliasType", "gridFitType", "thickness", "sharpness"})
            script += std::string("push \"") + field + "\"\nGetVariable\npush \"" + property + "\"\nGetMember\nTrace\n";
    b.add(DoAction{assembled(script)}).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output,
              "advanced\nsubpixel\n50\n-3\nnormal\npixel\n0\n0\n");
}

// TargetPath names text fields as it names clips; anything else is undefined.
TEST(MovieScripts, TargetPathNamesTextFieldsToo)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 8);
    const auto field = b.define([](std::uint16_t id) {
        DefineEditText edit;
        edit.id = id;
        edit.bounds = {Twips(0), Twips::fromPixels(100), Twips(0), Twips::fromPixels(20)};
        return edit;
    });
    b.place(1, field, {}, {}, "label");
    b.add(DoAction{assembled("push \"label\"\nGetVariable\nTargetPath\nTrace\npush 0\nInitObject\nTargetPath\nTrace")})
        .showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, "_level0.label\nundefined\n");
}

namespace {

// A root holding an empty clip "mc" whose prototype method `where` traces
// `this` and its target, then runs `script` on the root.
std::string tracedWhere(std::uint8_t version, const std::string& script)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, version);
    Timeline inner;
    inner.showFrame();
    const auto clip = b.defineSprite(inner);
    b.place(1, clip, {}, {}, "mc");
    b.add(DoAction{assembled(R"(
        push "MovieClip"
        GetVariable
        push "prototype"
        GetMember
        push "where"
        function
          push "this"
          GetVariable
          Trace
          push "", 11
          GetProperty
          Trace
        end
        SetMember
    )" + script)}).showFrame();
    return runtime::traceMovie(b.movie(), {.frames = 0}).output;
}

} // namespace

// A function works on the clip that defined it; in SWF 5, called on a clip, on
// that clip. "_root/mc.where" is the method where of _root/mc.
TEST(MovieScripts, SwfFiveFunctionsWorkOnTheClipTheyAreCalledOn)
{
    const std::string call = "push 0, \"_root/mc.where\"\nCallFunction\nPop\n";
    EXPECT_EQ(tracedWhere(5, call), "_level0.mc\n/mc\n");
    EXPECT_EQ(tracedWhere(6, call), "_level0.mc\n/\n");
}

// A function whose clip left the stage works on the clip it is called on, or
// on the root.
TEST(MovieScripts, FunctionsOfARemovedClipWorkOnAnother)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 7);
    Timeline inner;
    inner.add(DoAction{assembled(R"(
        push "_root"
        GetVariable
        push "f"
        function
          push "", 11
          GetProperty
          Trace
        end
        SetMember
    )")}).showFrame();
    const auto clip = b.defineSprite(inner);
    b.place(1, clip, {}, {}, "mc").showFrame();
    b.remove(1).add(DoAction{assembled(R"(
        push 1, "other", 2, "createEmptyMovieClip"
        CallFunction
        Pop
        push "other"
        GetVariable
        push "f", "f"
        GetVariable
        SetMember
        push 0, "other"
        GetVariable
        push "f"
        CallMethod
        Pop
        push "o", 0
        InitObject
        SetVariable
        push "o"
        GetVariable
        push "f", "f"
        GetVariable
        SetMember
        push 0, "o"
        GetVariable
        push "f"
        CallMethod
        Pop
    )")}).add(DoAction{assembled("Stop")}).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 1}).output, "/other\n/\n");
}

// tellTarget(clip) leads to the first clip of that clip's name.
TEST(MovieScripts, TellTargetOfAClipGoesByItsName)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 7);
    Timeline inner;
    inner.showFrame();
    const auto clip = b.defineSprite(inner);
    b.place(1, clip, Matrix::translation(Twips::fromPixels(1), Twips(0)), {}, "twin");
    b.place(2, clip, Matrix::translation(Twips::fromPixels(2), Twips(0)), {}, "twin");
    b.add(DoAction{assembled(R"(
        push -16382, 1, "_root"
        GetVariable
        push "getInstanceAtDepth"
        CallMethod
        SetTarget2
        push "", 0
        GetProperty
        Trace
    )")}).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, "1\n");
}

TEST(MovieScripts, TextSnapshotReadsAClipsStaticTextInDepthOrder)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 8);
    const auto font = b.define([](std::uint16_t id) {
        DefineFont f;
        f.version = 2;
        f.id = id;
        f.glyphs.resize(3);
        f.codeTable = {u'a', u'B', u'c'};
        return f;
    });
    auto text = [&](std::vector<std::uint32_t> glyphs) {
        return b.define([&](std::uint16_t id) {
            DefineText t;
            t.id = id;
            TextRecord record;
            record.fontId = font;
            record.height = Twips(240);
            for (std::uint32_t g : glyphs)
                record.glyphs.push_back({g, 100});
            t.records = {record};
            return t;
        });
    };
    const auto ab = text({0, 1});
    const auto c = text({2});
    b.place(2, ab).place(1, c);
    // s = new TextSnapshot(this); then its count, text and searches.
    b.add(DoAction{assembled(R"(
        push "s", "this"
        GetVariable
        push 1, "TextSnapshot"
        NewObject
        SetVariable
        push 0, "s"
        GetVariable
        push "getCount"
        CallMethod
        Trace
        push 0, 1, "s"
        GetVariable
        push "getCount"
        CallMethod
        Trace
        push 10, 0, 2, "s"
        GetVariable
        push "getText"
        CallMethod
        Trace
        push false, "b", 0, 3, "s"
        GetVariable
        push "findText"
        CallMethod
        Trace
        push true, "b", 0, 3, "s"
        GetVariable
        push "findText"
        CallMethod
        Trace
        push "x", 1, "TextSnapshot"
        NewObject
        push "getCount"
        CallMethod
        Trace
        push 1, 1, 2, "s"
        GetVariable
        push "getText"
        CallMethod
        Trace
        push 0, 2, 2, "s"
        GetVariable
        push "getText"
        CallMethod
        Trace
        push 20, 10, 2, "s"
        GetVariable
        push "getText"
        CallMethod
        Trace
        push "t", "this"
        GetVariable
        push 1, "TextSnapshot"
        NewObject
        SetVariable
        push true, 2, 1, 3, "t"
        GetVariable
        push "setSelected"
        CallMethod
        Pop
        push 0, "s"
        GetVariable
        push "getSelectedText"
        CallMethod
        Trace
        push "this"
        GetVariable
        push 1, "TextSnapshot"
        NewObject
        Pop
        push 0, "s"
        GetVariable
        push "getSelectedText"
        CallMethod
        Trace
        push 2, 1, 2, "s"
        GetVariable
        push "getTextRunInfo"
        CallMethod
        StoreRegister 1
        push "length"
        GetMember
        Trace
        push r:1, 1
        GetMember
        StoreRegister 2
        Pop
        push r:2, "matrix_tx"
        GetMember
        push r:2, "corner1x"
        GetMember
        Add2
        push r:2, "corner2y"
        GetMember
        Add2
        push r:2, "height"
        GetMember
        Add2
        Trace
        push "font", 1, r:2, "hasOwnProperty"
        CallMethod
        Trace
    )")}).showFrame();
    // A range ending where it starts or before holds its first character,
    // and a start past the end is the last character. Snapshots of one clip
    // share its selection, which a new snapshot clears. The run information
    // covers both ends; "B" sits 5 pixels along its text, its box 5 wide
    // (reaching 10) and as tall as the 12-pixel font, which has no layout
    // (5 + 10 - 12 + 12), on no members of the record's own.
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output,
              "3\nundefined\ncaB\n2\n-1\nundefined\na\nB\nB\na\n\n2\n15\nfalse\n");
}

// A field the timeline places is measured with the movie's font from its
// first frame on. Its glyphs advance by whole twips, the fraction dropped, or
// for a small-text font by whole pixels, rounded up; textWidth leaves the
// margins and indent out.
TEST(MovieScripts, PlacedFieldsMeasureTheirTextInTheMoviesFont)
{
    for (const bool small : {false, true}) {
        MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 8);
        const auto font = b.define([&](std::uint16_t id) {
            DefineFont f;
            f.version = 2;
            f.id = id;
            f.name = "Square";
            ShapeBuilder glyph;
            glyph.setStyles(1, 0);
            glyph.rectangle({Twips(0), Twips(1024), Twips(-1024), Twips(0)});
            f.glyphs = {glyph.shape()};
            f.codeTable = {u'A'};
            f.hasLayout = true;
            f.smallText = small;
            f.ascent = 800;
            f.descent = 200;
            // 1000 of 1024 units at 12 pixels: 234.375 twips.
            f.advances = {1000};
            return f;
        });
        const auto field = b.define([&](std::uint16_t id) {
            DefineEditText edit;
            edit.id = id;
            edit.bounds = {Twips(0), Twips::fromPixels(100), Twips(0), Twips::fromPixels(20)};
            edit.fontId = font;
            edit.height = Twips::fromPixels(12);
            edit.useOutlines = true;
            edit.initialText = "AAAA";
            edit.layout = EditTextLayout{TextAlign::Left, Twips::fromPixels(2), Twips::fromPixels(3), Twips::fromPixels(1), Twips(0)};
            return edit;
        });
        b.place(1, field, {}, {}, "t");
        b.add(DoAction{assembled(R"(
            push "t"
            GetVariable
            push "textWidth"
            GetMember
            Trace
        )")}).showFrame();
        EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, small ? "48\n" : "46\n") << small;
    }
}

// A format's text extent is laid out as a field lays out the same text.
TEST(MovieScripts, TextExtentsMeasureAsTextFieldsDo)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 8);
    // f = new TextFormat("_sans", 30); createTextField("t", 1, 0, 0, 300, 50);
    // t.setNewTextFormat(f); t.text = "iiii mmmm";
    // trace(t.textWidth == f.getTextExtent("iiii mmmm").width); trace(60 < t.textWidth);
    b.add(DoAction{assembled(R"(
        push "f", 30, "_sans", 2, "TextFormat"
        NewObject
        SetVariable
        push 50, 300, 0, 0, 1, "t", 6, "this"
        GetVariable
        push "createTextField"
        CallMethod
        Pop
        push "f"
        GetVariable
        push 1, "t"
        GetVariable
        push "setNewTextFormat"
        CallMethod
        Pop
        push "t"
        GetVariable
        push "text", "iiii mmmm"
        SetMember
        push "t"
        GetVariable
        push "textWidth"
        GetMember
        push "iiii mmmm", 1, "f"
        GetVariable
        push "getTextExtent"
        CallMethod
        push "width"
        GetMember
        Equals2
        Trace
        push 60, "t"
        GetVariable
        push "textWidth"
        GetMember
        Less2
        Trace
    )")}).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, "true\ntrue\n");
}

TEST(MovieScripts, ABoundVariableWithoutAValueTakesTheFieldsInitialText)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 6);
    const auto field = b.define([](std::uint16_t id) {
        DefineEditText edit;
        edit.id = id;
        edit.bounds = {Twips(0), Twips::fromPixels(100), Twips(0), Twips::fromPixels(20)};
        edit.variableName = "v";
        edit.initialText = "Hello";
        return edit;
    });
    b.place(1, field, {}, {}, "t");
    // Rebinding to a variable without a value gives it the initial text again.
    b.add(DoAction{assembled(R"(
        push "v"
        GetVariable
        Trace
        push "t"
        GetVariable
        push "text", "changed"
        SetMember
        push "t"
        GetVariable
        push "variable", "w"
        SetMember
        push "w"
        GetVariable
        Trace
    )")}).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, "Hello\nHello\n");
}

// A clip's initialize event and the initialisation scripts of its frame run in
// the order of their tags, both before the clip's constructor.
TEST(MovieScripts, InitialiseEventsAndInitialisationScriptsFollowTheirTags)
{
    for (const bool initFirst : {false, true}) {
        MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 7);
        const auto clip = b.defineSprite(Timeline().showFrame());
        const std::string traceX = "push \"_root\"\nGetVariable\npush \"x\"\nGetMember\nTrace\n";
        PlaceObject place;
        place.depth = 1;
        place.characterId = clip;
        place.allEventFlags = runtime::ClipEvent::Initialize | runtime::ClipEvent::Construct;
        place.clipActions = {ClipAction{runtime::ClipEvent::Initialize, 0, assembled(traceX)},
                             ClipAction{runtime::ClipEvent::Construct, 0, assembled(traceX)}};
        const Tag init = DoInitAction{clip, assembled("push \"_root\"\nGetVariable\npush \"x\", 42\nSetMember\n")};
        if (initFirst)
            b.add(init);
        b.add(Tag(place));
        if (!initFirst)
            b.add(init);
        b.showFrame();
        EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, initFirst ? "42\n42\n" : "undefined\n42\n")
            << "initialisation script first: " << initFirst;
    }
}

// A clip hears its load event before its first frame's scripts run, a parent
// before its children; as the movie advances, each clip hears enterFrame just
// before its next frame's scripts, the newest clip first.
TEST(MovieScripts, LoadComesBeforeTheFirstFrameAndEnterFrameBeforeEachNext)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 6);
    const auto traced = [](const std::string& text) { return assembled("push \"" + text + "\"\nTrace\n"); };
    const auto withEvents = [&](std::uint16_t depth, std::uint16_t character, const std::string& name) {
        PlaceObject place;
        place.depth = depth;
        place.characterId = character;
        place.allEventFlags = runtime::ClipEvent::Load | runtime::ClipEvent::EnterFrame;
        place.clipActions = {ClipAction{runtime::ClipEvent::Load, 0, traced(name + " load")},
                             ClipAction{runtime::ClipEvent::EnterFrame, 0, traced(name + " enter")}};
        return Tag(place);
    };
    Timeline inner;
    inner.add(DoAction{traced("inner 1")}).showFrame();
    inner.add(DoAction{traced("inner 2")}).showFrame();
    const auto innerId = b.defineSprite(inner);
    Timeline outer;
    outer.add(DoAction{traced("outer 1")}).add(withEvents(1, innerId, "in")).showFrame();
    outer.add(DoAction{traced("outer 2")}).showFrame();
    b.add(withEvents(1, b.defineSprite(outer), "out")).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 1}).output,
              "out load\nouter 1\nin load\ninner 1\nin enter\ninner 2\nout enter\nouter 2\n");
}

// A placement declares the events its clip answers beside its actions: an
// action runs only for the events named in both, whatever its own flags say.
// One placement declaring them all, one declaring a few, one declaring none.
TEST(MovieScripts, ClipActionsRunOnlyForTheEventsTheirPlacementDeclares)
{
    using namespace runtime::ClipEvent;
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 6);
    const auto clip = b.defineSprite(Timeline().showFrame());
    const auto traced = [](const std::string& text) { return assembled("push \"" + text + "\"\nTrace\n"); };
    const std::pair<const char*, std::uint32_t> placements[] = {
        {"a", Initialize | Construct | Load | EnterFrame}, {"b", Initialize | EnterFrame}, {"c", 0}};
    std::uint16_t depth = 1;
    for (const auto& [name, declared] : placements) {
        PlaceObject place;
        place.depth = depth++;
        place.characterId = clip;
        place.name = name;
        place.clipActions = {ClipAction{Initialize | Construct, 0, traced(name + std::string(" init or construct"))},
                             ClipAction{Construct, 0, traced(name + std::string(" construct"))},
                             ClipAction{Load | EnterFrame, 0, traced(name + std::string(" load or enter"))}};
        // Nothing declared would be written as the actions' own events.
        place.allEventFlags = declared ? declared : KeyUp;
        b.add(Tag(place));
    }
    b.showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 1}).output,
              "a init or construct\nb init or construct\n"
              "a init or construct\na construct\n"
              "a load or enter\n"
              "b load or enter\na load or enter\n");
}

// Text that is no number leaves _focusrect as it was, in SWF 4 too, where such
// text otherwise reads as 0; an object that is no number turns it off.
TEST(MovieScripts, FocusRectIgnoresTextThatIsNoNumber)
{
    MovieBuilder five(Twips::fromPixels(100), Twips::fromPixels(100), 12, 5);
    five.add(DoAction{assembled(R"(
        push "", 17, "g"
        SetProperty
        push "", 17
        GetProperty
        Trace
        push "", 17, 0
        InitObject
        SetProperty
        push "", 17
        GetProperty
        Trace
    )")}).showFrame();
    EXPECT_EQ(runtime::traceMovie(five.movie(), {.frames = 0}).output, "1\n0\n");

    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 4);
    b.add(DoAction{assembled(R"(
        push "", 17, "g"
        SetProperty
        push "", 17
        GetProperty
        Trace
        push "", 17, "0"
        SetProperty
        push "", 17
        GetProperty
        Trace
    )")}).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, "1\n0\n");
}

// A clip placed without a name gets the next made-up one; an empty name
// given on purpose stays empty and uses up no number.
TEST(MovieScripts, AnEmptyNameGivenOnPurposeStaysEmpty)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 7);
    const auto clip = b.defineSprite(Timeline().showFrame());
    b.place(1, clip, {}, {}, "").place(2, clip);
    const std::string at = "push \"this\"\nGetVariable\npush \"getInstanceAtDepth\"\nCallMethod\npush \"_name\"\nGetMember\nTrace\n";
    b.add(DoAction{assembled("push -16383, 1\n" + at + "push -16382, 1\n" + at)}).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, "\ninstance1\n");
}

// `_root` leads to the root at the head of a slash path only: after "/" it
// would have to be a clip of that name.
TEST(MovieScripts, RootNamesTheRootAnywhereInAPath)
{
    const std::string read = "GetVariable\nTrace\n";
    EXPECT_EQ(tracedInAClip("push \"_root/mc:n\"\n" + read + "push \"/mc:n\"\n" + read + "push \"/_root/mc:n\"\n" + read, 7),
              "clip\nclip\nclip\n");
}

// The names of a target path: after a slash only a slash or a colon ends a
// name, dots after a dot and colons in a row add nothing, and "_flashN" is a
// level. GetProperty reads _name (undefined: no clip).
TEST(MovieScripts, TargetPathsReadTheirNamesAsThePlayerDid)
{
    const struct {
        const char* path;
        const char* name;
    } cases[] = {
        {"clip/child", "child"},
        {"clip.child", "child"},
        {"_level0.clip/child", "child"},
        {"_level0/clip.child", "undefined"},
        {"_level0/:clip", "clip"},
        {"_level0/::clip/", "clip"},
        {"_level0..:clip", "clip"},
        {"_level0:_level0:/", ""},
        {"//clip", "undefined"},
        {".clip", "undefined"},
        {"_flash0/clip", "clip"},
        {"/_root/clip", "clip"},
        {"this", "undefined"},
        {"clip/..", ""},
        {"../clip", "undefined"},
        // Delimiters in a row: colons after one are passed over, unless a
        // slash or the end follows them; from a slash or ".." on, dots belong
        // to names; dots start no name right after a dot.
        {"clip:", "clip"},
        {"clip::", "undefined"},
        {"clip/:child", "child"},
        {"clip:/child", "undefined"},
        {"clip.:child", "child"},
        {":clip", "clip"},
        {"/clip:child.", "undefined"},
        {"clip/child.", "undefined"},
        {"clip.child..", "undefined"},
        {"clip.child...", "undefined"},
        {"clip:..:clip", "clip"},
        {"clip:..:clip.child", "undefined"},
        {"_level0..:/", ""},
        {"_flash0...:clip", "clip"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 6);
        placeClipHoldingAChild(b);
        b.add(DoAction{assembled("push \"" + std::string(c.path) + "\", 13\nGetProperty\nTrace\n")}).showFrame();
        EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, std::string(c.name) + "\n");
    }
}

// A variable's name follows the last colon or dot of a path, wherever its
// slashes are and whether or not the dot is one of "..".
TEST(MovieScripts, AVariablesNameFollowsTheLastColonOrDot)
{
    const struct {
        const char* path;
        const char* value;
    } cases[] = {
        {"_level0.clip/child", "undefined"},
        {"_level0/clip.child", "_level0.clip.child"},
        {"_level0/.clip", "_level0.clip"},
        {"clip/../clip", "undefined"},
        {"clip/..:clip", "_level0.clip"},
        {"_level0/::clip", "undefined"},
        {"_level0/:clip:_flash0", "_level0"},
        {"//clip", "undefined"},
        {"this:v", "5"},
        // A level's name is read as far as its digits go.
        {"_level0undefined", "_level0"},
        {"_flash0", "_level0"},
        {"_levelx", "undefined"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 6);
        placeClipHoldingAChild(b);
        b.add(DoAction{assembled("push \"v\", 5\nSetVariable\npush \"" + std::string(c.path) + "\"\nGetVariable\nTrace\n")})
            .showFrame();
        EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, std::string(c.value) + "\n");
    }
}

// A target path that meets a string, number or boolean where a clip should be
// makes the debugging player complain before the action goes on without a
// clip; a missing name or an object that is no clip does not. SWF 4 knew no
// such complaint.
TEST(MovieScripts, ATargetPathToAPrimitiveValueIsComplainedOf)
{
    const std::string complaint = "Parameters of primitive types are no longer coerced into the required type - Object.\n";
    const struct {
        const char* path;
        int version;
        bool complains;
    } cases[] = {
        {"v", 6, true}, {":v", 5, true}, {"clip:s", 6, true}, {"/clip.s", 6, false},
        {"o", 6, false}, {"missing", 6, false}, {"v", 4, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, std::uint8_t(c.version));
        placeClipHoldingAChild(b);
        b.add(DoAction{assembled("push \"v\", 5\nSetVariable\npush \"o\", 0\nInitObject\nSetVariable\n"
                                 "push \"clip:s\", \"text\"\nSetVariable\n"
                                 "push \"" + std::string(c.path) + "\", 0\nGetProperty\nTrace\n"
                                 "SetTarget \"" + std::string(c.path) + "\"\nSetTarget \"\"\n")})
            .showFrame();
        const std::string expected = c.complains ? complaint + "undefined\n" + complaint : "undefined\n";
        EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, expected);
    }
}

// A clip the timeline places without clip events hears load only when its
// symbol has a class, once the constructor ran; an onLoad its own first frame
// sets is never called.
TEST(MovieScripts, OnlyAClassGivesAClipWithoutClipEventsItsLoad)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 7);
    const auto withClass = b.defineSprite(Timeline().showFrame());
    exportAsSym(b, withClass);
    Timeline own;
    own.add(DoAction{assembled(R"(
        push "this"
        GetVariable
        push "onLoad"
        function
          push "own load"
          Trace
        end
        SetMember
    )")}).showFrame();
    const auto plain = b.defineSprite(own);
    b.add(DoInitAction{withClass, assembled(R"(
        push "C"
        function
        end
        SetVariable
        push "C"
        GetVariable
        push "prototype"
        GetMember
        push "onLoad"
        function
          push "class load"
          Trace
        end
        SetMember
        push "C"
        GetVariable
        push "Sym", 2, "Object"
        GetVariable
        push "registerClass"
        CallMethod
        Pop
    )")});
    b.place(1, withClass, {}, {}, "a").place(2, plain, {}, {}, "b");
    b.add(DoAction{assembled("push \"root\"\nTrace\n")}).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 1}).output, "root\nclass load\n");
}

// A copy of a clip made by createEmptyMovieClip takes its init object like any
// other copy: scripts tile a drawing across a graph by the copies' _x.
TEST(MovieScripts, ACopyOfAnEmptyClipTakesItsInitObject)
{
    const std::string script = R"(
        push 1, "a", 2, "this"
        GetVariable
        push "createEmptyMovieClip"
        CallMethod
        Pop
        push "_x", 30, "v", 7, 2
        InitObject
        push 2, "b", 3, "a"
        GetVariable
        push "duplicateMovieClip"
        CallMethod
        Pop
        push "b"
        GetVariable
        push "_x"
        GetMember
        Trace
        push "b"
        GetVariable
        push "v"
        GetMember
        Trace
    )";
    EXPECT_EQ(tracedInAClip(script, 6), "30\n7\n");
}

TEST(MovieScripts, PathsResolveTheirNamesAsThePlayerDid)
{
    // The root has a variable `clip` as well as a clip of that name.
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 8);
    placeClipHoldingAChild(b);
    b.add(DoAction{script::test::assembled(R"(
        push "clip", "child", "variable", 1
        InitObject
        SetVariable
        push "clip"
        GetVariable
        Trace
        push "clip.child"
        GetVariable
        Trace
        push "/clip/child/"
        GetVariable
        Trace
        push "clip/.."
        GetVariable
        Trace
        push "/_root"
        GetVariable
        Trace
        push ":clip:_name"
        GetVariable
        Trace
        push ":_name"
        GetVariable
        Trace
        push "clip:"
        GetVariable
        Trace
    )")}).showFrame();
    // A variable alone; the first step of a path takes the child clip; the
    // last name of a slashes-only path is a child or member, never a step;
    // a colon at the start adds nothing, but an empty path or name is none.
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output,
              "[object Object]\n_level0.clip.child\n_level0.clip.child\nundefined\n_level0\nclip\nundefined\nundefined\n");
}

// The bytes a clip reports: the opened movie counts its declared length and
// what the file really holds of it, a clip placed from a sprite the sprite's
// own tags, and a clip a script made nothing.
TEST(MovieScripts, ClipsCountTheBytesTheirMovieFileHoldsForThem)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 8);
    Timeline inner;
    inner.showFrame();
    b.place(1, b.defineSprite(inner), {}, {}, "mc");
    b.add(DoAction{assembled(R"(
        push 0, "this"
        GetVariable
        push "getBytesLoaded"
        CallMethod
        Trace
        push 0, "this"
        GetVariable
        push "getBytesTotal"
        CallMethod
        Trace
        push 0, "mc"
        GetVariable
        push "getBytesTotal"
        CallMethod
        Trace
        push 1, "made", 2, "this"
        GetVariable
        push "createEmptyMovieClip"
        CallMethod
        push "getBytesTotal"
        CallMethod
        Trace
    )")});
    b.showFrame();
    Bytes file = writeMovie(b.movie());
    const std::size_t size = file.size();
    // The header promises 100 bytes more than the file holds.
    const std::uint32_t declared = std::uint32_t(size + 100);
    for (int i = 0; i < 4; ++i)
        file[4 + i] = std::uint8_t(declared >> (8 * i));
    auto movie = readMovie(std::span<const std::uint8_t>(file));
    ASSERT_TRUE(movie.ok());
    // An empty sprite's tags are its ShowFrame and End: two short headers.
    EXPECT_EQ(runtime::traceMovie(*movie, {.frames = 0}).output,
              std::to_string(size) + "\n" + std::to_string(declared) + "\n4\n0\n");
}

// Stage.scaleMode takes its name in any case and anything else as showAll; a
// movie that asks not to be scaled hears onResize at once when that gives the
// stage the window's size, and reads that size.
TEST(MovieScripts, ChoosingNotToScaleGivesTheStageTheWindowsSize)
{
    const std::string script = R"(
        function onResize
        push "resized ", "Stage"
        GetVariable
        push "width"
        GetMember
        Add2
        Trace
        end
        push "_root"
        GetVariable
        push 1, "Stage"
        GetVariable
        push "addListener"
        CallMethod
        Pop
        push "Stage"
        GetVariable
        push "scaleMode", "noscale"
        SetMember
        push "Stage"
        GetVariable
        push "height"
        GetMember
        Trace
        push "Stage"
        GetVariable
        push "scaleMode", true
        SetMember
        push "Stage"
        GetVariable
        push "scaleMode"
        GetMember
        Trace
    )";
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 8);
    b.add(DoAction{assembled(script)}).showFrame();
    runtime::TraceOptions options{.frames = 0};
    options.viewportWidth = 300;
    options.viewportHeight = 250;
    EXPECT_EQ(runtime::traceMovie(b.movie(), options).output, "resized 300\n250\nresized 100\nshowAll\n");
    // A window of the movie's own size changes nothing.
    options.viewportWidth = 100;
    options.viewportHeight = 100;
    EXPECT_EQ(runtime::traceMovie(b.movie(), options).output, "100\nshowAll\n");
}

// A blend mode set by a script: exact names, numbers from 1 by their low
// byte and whole part, undefined and null for normal; anything else leaves
// the mode that was there.
TEST(MovieScripts, BlendModeTakesNamesAndNumbersAndIgnoresTheRest)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"push \"layer\"", "layer"},  {"push null", "normal"},   {"push undefined", "normal"},
        {"push 3", "multiply"},       {"push 259", "multiply"},  {"push 3.5", "multiply"},
        {"push 1", "normal"},         {"push 14", "hardlight"},  {"push true", "invert"},
        {"push -1", "invert"},        {"push 15", "invert"},     {"push \"lAyEr\"", "invert"},
        {"push 0", "invert"},
    };
    for (const auto& [value, expected] : cases) {
        MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 8);
        b.place(1, b.defineSprite(Timeline().showFrame()), {}, {}, "mc");
        b.add(DoAction{assembled("push \"mc\"\nGetVariable\npush \"blendMode\", \"invert\"\nSetMember\n"
                                 "push \"mc\"\nGetVariable\npush \"blendMode\"\n" + value + "\nSetMember\n"
                                 "push \"mc\"\nGetVariable\npush \"blendMode\"\nGetMember\nTrace\n")})
            .showFrame();
        EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, expected + "\n") << value;
    }
}

// A clip's member named like a display property: a member the clip was given
// itself comes first, then a child of that name, then the property, and what
// a prototype holds last. GetProperty always reads the property.
TEST(MovieScripts, ChildrenNamedLikePropertiesComeBeforeThem)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 7);
    b.add(DoAction{assembled(R"(
        push 1, "_x", 2, "_root"
        GetVariable
        push "createEmptyMovieClip"
        CallMethod
        Pop
        push "_root"
        GetVariable
        push "_x"
        GetMember
        Trace
        push "", 0
        GetProperty
        Trace
        push "_root"
        GetVariable
        push "__proto__"
        GetMember
        push "_xscale"
        function
          push "from the prototype"
          Return
        end
        SetMember
        push "_xscale"
        GetVariable
        Trace
        push null
        function
          push "own"
          Return
        end
        push "_x", 3, "_root"
        GetVariable
        push "addProperty"
        CallMethod
        Pop
        push "_x"
        GetVariable
        Trace
    )")}).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, "_level0._x\n0\n100\nown\n");
}

// An attached clip takes its init object through its class: a setter of the
// class runs for its member, in the order the members were made, before the
// constructor; a later member is not there yet when an earlier one's setter runs.
TEST(MovieScripts, AnInitObjectReachesTheClipThroughItsClassSetters)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 7);
    const auto symbol = b.defineSprite(Timeline().showFrame());
    exportAsSym(b, symbol);
    b.add(DoAction{assembled(R"(
        push "C"
        function
          push "made"
          Trace
        end
        SetVariable
        function - v
          push "set "
          push "v"
          GetVariable
          Add2
          push " plain "
          Add2
          push "this"
          GetVariable
          push "plain"
          GetMember
          Add2
          Trace
        end
        function
        end
        push "s", 3, "C"
        GetVariable
        push "prototype"
        GetMember
        push "addProperty"
        CallMethod
        Pop
        push "C"
        GetVariable
        push "Sym", 2, "Object"
        GetVariable
        push "registerClass"
        CallMethod
        Pop
        push "plain", 2, "s", 1, 2
        InitObject
        push 1, "a", "Sym", 4, "_root"
        GetVariable
        push "attachMovie"
        CallMethod
        Pop
    )")}).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, "set 1 plain undefined\nmade\n");
}

// SWF 5 movies have Object.registerClass, but their clips take no class from it.
TEST(MovieScripts, RegisteredClassesReachClipsFromSwfSix)
{
    for (const std::uint8_t version : {5, 6}) {
        MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, version);
        const auto symbol = b.defineSprite(Timeline().showFrame());
        exportAsSym(b, symbol);
        b.add(DoAction{assembled(R"(
            push "C"
            function
              push "made"
              Trace
            end
            SetVariable
            push "Object"
            GetVariable
            push "registerClass"
            GetMember
            TypeOf
            Trace
            push "C"
            GetVariable
            push "Sym", 2, "Object"
            GetVariable
            push "registerClass"
            CallMethod
            Pop
            push 1, "a", "Sym", 3, "_root"
            GetVariable
            push "attachMovie"
            CallMethod
            Pop
        )")}).showFrame();
        EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, version >= 6 ? "function\nmade\n" : "function\n")
            << "version " << int(version);
    }
}

// setMask answers whether it took its argument: nothing without one, false
// for what leads to no clip, true for a clip, a path from the calling
// timeline, or undefined and null, which take the mask away.
TEST(MovieScripts, SetMaskAnswersWhetherItFoundAClip)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 7);
    const auto clip = b.defineSprite(Timeline().showFrame());
    b.place(1, clip, {}, {}, "a").place(2, clip, {}, {}, "m");
    const auto setMask = [](const std::string& value, int count) {
        return value + "\npush " + std::to_string(count) + ", \"a\"\nGetVariable\npush \"setMask\"\nCallMethod\nTrace\n";
    };
    b.add(DoAction{assembled(setMask("", 0) + setMask("push \"nowhere\"", 1) + setMask("push \"m\"", 1)
                             + setMask("push null", 1) + setMask("push \"m\", 0, \"Object\"\nNewObject", 1))})
        .showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, "undefined\nfalse\ntrue\ntrue\nfalse\n");
}

// After a tellTarget to nothing the timeline actions act on no clip from SWF 7
// (names still resolve on the code's own timeline); up to SWF 6 they act on
// the root, where such a target leads.
TEST(MovieScripts, TimelineActionsAfterATellTargetToNothingActOnNothingFromSwfSeven)
{
    for (const std::uint8_t version : {6, 7}) {
        MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, version);
        const std::string traceFrame = "push \"_currentframe\"\nGetVariable\nTrace\n";
        b.add(DoAction{assembled(traceFrame + "settarget \"nowhere\"\nStop\nsettarget \"\"\n")}).showFrame();
        b.add(DoAction{assembled(traceFrame)}).showFrame();
        EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 1}).output, version >= 7 ? "1\n2\n" : "1\n")
            << "version " << int(version);
    }
}

// A clip its parent's timeline takes off while its first frame's scripts
// still wait (here from its own construct event) runs them no more: only its
// unload event is heard. Taken off while it is being constructed, it no
// longer answers to its name, though the construct script runs on.
TEST(MovieScripts, AClipKeptForItsUnloadRunsNoMoreFrameScripts)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 7);
    Timeline inner;
    inner.add(DoAction{assembled("push \"frame script\"\nTrace")}).showFrame();
    const auto clip = b.defineSprite(inner);
    PlaceObject place;
    place.depth = 1;
    place.characterId = clip;
    place.name = "mc";
    place.allEventFlags = runtime::ClipEvent::Construct | runtime::ClipEvent::Unload;
    place.clipActions = {
        ClipAction{runtime::ClipEvent::Construct, 0,
                   assembled("push 2, 1, \"_root\"\nGetVariable\npush \"gotoAndStop\"\nCallMethod\nPop\n"
                             "push \"_root\"\nGetVariable\npush \"mc\"\nGetMember\nTypeOf\nTrace")},
        ClipAction{runtime::ClipEvent::Unload, 0, assembled("push \"unload\"\nTrace")}};
    b.add(Tag(place)).showFrame();
    b.remove(1).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 1}).output, "undefined\nunload\n");
}

// A symbol exported under two names has the class registered under either,
// whichever name attaches it.
TEST(MovieScripts, AClassRegisteredUnderAnyOfASymbolsNamesIsItsClass)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 7);
    const auto symbol = b.defineSprite(Timeline().showFrame());
    b.add(UnknownTag{56, {2, 0, std::uint8_t(symbol), 0, 'A', 0, std::uint8_t(symbol), 0, 'B', 0}});
    b.add(DoInitAction{symbol, assembled(R"(
        push "C"
        function
          push "constructed"
          Trace
        end
        SetVariable
        push "C"
        GetVariable
        push "B", 2, "Object"
        GetVariable
        push "registerClass"
        CallMethod
        Pop
    )")});
    b.add(DoAction{assembled(R"(
        push 1, "a", "A", 3, "this"
        GetVariable
        push "attachMovie"
        CallMethod
        Pop
    )")}).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, "constructed\n");
}

// In SWF 4 a clip's properties are reached only through the property
// actions: text that reads as no number leaves them as they were, and a
// path variable of a property's name is a variable like any other.
TEST(MovieScripts, SwfFourReachesPropertiesOnlyThroughThePropertyActions)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 4);
    b.place(1, b.defineSprite(Timeline().showFrame()), {}, {}, "mc");
    b.add(DoAction{assembled(R"(
        push "/mc", 0, "100"
        SetProperty
        push "/mc", 0, "not a number"
        SetProperty
        push "/mc:_x", "a variable"
        SetVariable
        push "/mc", 0
        GetProperty
        Trace
        push "/mc:_x"
        GetVariable
        Trace
    )")}).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, "100\na variable\n");
}

// SWF 4 had no values for clips: a name or path that leads to one reads as
// undefined, while the property actions still find the clip by its path.
TEST(MovieScripts, SwfFourReadsNoClipAsAValue)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 4);
    b.place(1, b.defineSprite(Timeline().showFrame()), {}, {}, "mc");
    b.add(DoAction{assembled(R"(
        push "mc"
        GetVariable
        TypeOf
        Trace
        push "/mc"
        GetVariable
        TypeOf
        Trace
        push "/mc", 13
        GetProperty
        Trace
    )")}).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, "undefined\nundefined\nmc\n");
}

// SWF 4 paths step through clips at slashes only: a colon or a dot is part
// of a name, _root is no name, and a level is named only at the start (read
// up to its digits). A variable's path ends at its colon, never at a dot.
TEST(MovieScripts, SwfFourPathsKnowOnlySlashes)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 4);
    Timeline inner;
    inner.place(1, b.defineSprite(Timeline().showFrame()), {}, {}, "child");
    inner.add(DoAction{assembled("push \"v\", \"value\"\nSetVariable")}).showFrame();
    b.place(1, b.defineSprite(inner), {}, {}, "a");
    std::string script;
    for (const char* path : {"a/child", "a:child", "a.child", "_root/a", "/_level0", "_level0:x", "_level0/a", "a/../a",
                             "a/..:a", "//a"})
        script += std::string("push \"") + path + "\", 11\nGetProperty\nTrace\n";
    script += "push \"/a:v\"\nGetVariable\nTrace\npush \"/a.v\"\nGetVariable\nTypeOf\nTrace\n";
    b.add(DoAction{assembled(script)}).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 1}).output,
              "/a/child\nundefined\nundefined\nundefined\nundefined\n/\n/a\n/a\nundefined\nundefined\nvalue\nundefined\n");
}

// A clip that takes a registered class is linked to it as `new` links an
// instance: __constructor__ from SWF 6, and its own constructor up to SWF 6.
TEST(MovieScripts, AClipOfARegisteredClassKnowsItsConstructorAsAnInstanceDoes)
{
    const auto traced = [](std::uint8_t version) {
        MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, version);
        Timeline empty;
        empty.showFrame();
        exportAsSym(b, b.defineSprite(empty));
        b.add(DoAction{assembled(R"(
            push "C"
            function
            end
            SetVariable
            push "C"
            GetVariable
            push "Sym", 2, "Object"
            GetVariable
            push "registerClass"
            CallMethod
            Pop
            push 1, "a", "Sym", 3, "this"
            GetVariable
            push "attachMovie"
            CallMethod
            StoreRegister 0
            Pop
            push "constructor", 1, r:0, "hasOwnProperty"
            CallMethod
            Trace
            push r:0, "__constructor__"
            GetMember
            push "C"
            GetVariable
            StrictEquals
            Trace
        )")});
        b.showFrame();
        return runtime::traceMovie(b.movie(), {.frames = 0}).output;
    };
    EXPECT_EQ(traced(6), "true\ntrue\n");
    EXPECT_EQ(traced(7), "false\ntrue\n");
}

// A sprite is initialised once: a later init block for the same sprite, in
// the same frame or a later one, is passed over.
TEST(MovieScripts, ASpritesSecondInitBlockNeverRuns)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 7);
    Timeline empty;
    empty.showFrame();
    const auto sprite = b.defineSprite(empty);
    b.add(DoInitAction{sprite, assembled("push \"first\"\nTrace")});
    b.add(DoInitAction{sprite, assembled("push \"again\"\nTrace")});
    b.showFrame();
    b.add(DoInitAction{sprite, assembled("push \"later\"\nTrace")});
    b.add(DoAction{assembled("push \"frame 2\"\nTrace\nStop")});
    b.showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 2}).output, "first\nframe 2\n");
}

// Intervals fire on the player's 10 ms clock ticks, between frames too: at
// 10 frames a second a 1 ms interval fires ten times a frame and a 25 ms one
// three times. One as long as a frame fires once a frame, after the
// frame's scripts; a run that ends when the last frame's time is up, not
// when the frame shows, fires it once more.
TEST(MovieScripts, IntervalsShorterThanAFrameFireOnEachClockTick)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 10, 7);
    std::string script;
    for (const auto& [name, ms] : {std::pair{"a", 1}, {"b", 25}}) {
        script += std::string("push \"") + name + "\", 0\nSetVariable\n";
        script += std::string("push ") + std::to_string(ms) + "\nfunction\npush \"" + name + "\", \"" + name
                  + "\"\nGetVariable\nIncrement\nSetVariable\nend\npush 2, \"setInterval\"\nCallFunction\nPop\n";
    }
    script += "push 100\nfunction\npush \"frame long\"\nTrace\nend\npush 2, \"setInterval\"\nCallFunction\nPop\n";
    b.add(DoAction{assembled(script)}).showFrame();
    b.showFrame();
    b.add(DoAction{assembled("push \"a\"\nGetVariable\npush \" \"\nAdd2\npush \"b\"\nGetVariable\nAdd2\nTrace\nStop")})
        .showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 2}).output, "10 3\nframe long\n");
    runtime::TraceOptions untilTheEnd{.frames = 2};
    untilTheEnd.lastFrameTime = true;
    EXPECT_EQ(runtime::traceMovie(b.movie(), untilTheEnd).output, "10 3\nframe long\nframe long\n");
}

// The initialisation script of a frame a goto passes over runs once a
// function the frame's script calls returns, not at each nested return.
TEST(MovieScripts, AGotosInitScriptRunsWhenTheScriptsOwnCallReturns)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 7);
    const auto sprite = b.defineSprite(Timeline().showFrame());
    b.add(DoAction{assembled(R"(
        push "g"
        function
          push "g"
          Trace
        end
        SetVariable
        push "f"
        function
          push 0, "g"
          CallFunction
          Pop
          push "f"
          Trace
        end
        SetVariable
        push 3, 1, "gotoAndPlay"
        CallFunction
        Pop
        push "after goto"
        Trace
        push 0, "f"
        CallFunction
        Pop
        push "after f"
        Trace
    )")});
    b.showFrame();
    b.add(DoInitAction{sprite, assembled("push \"init\"\nTrace")});
    b.showFrame();
    b.add(DoAction{assembled("push \"frame 3\"\nTrace\nStop")});
    b.showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 1}).output, "after goto\ng\nf\ninit\nafter f\nframe 3\n");
}

TEST(MovieScripts, AFileDialogIsCancelledOnceTheFramesScriptsHaveRun)
{
    // A list of file references broadcasts onCancel to a listener after the
    // script that opened the dialog and the frame's later scripts, within the
    // first frame; a list of types without descriptions opens no dialog.
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 8);
    b.add(DoAction{assembled(R"(
        push "list", 0, "flash"
        GetVariable
        push "net"
        GetMember
        push "FileReferenceList"
        NewMethod
        SetVariable
        push "listener", 0
        InitObject
        SetVariable
        push "listener"
        GetVariable
        push "onCancel"
        function - target
            push "cancelled"
            Trace
        end
        SetMember
        push "listener"
        GetVariable
        push 1, "list"
        GetVariable
        push "addListener"
        CallMethod
        Pop
        push 0, "Array"
        NewObject
        push 1, "list"
        GetVariable
        push "browse"
        CallMethod
        Trace
        push 0, "list"
        GetVariable
        push "browse"
        CallMethod
        Trace
    )")});
    b.add(DoAction{assembled("push \"later script\"\nTrace")});
    b.showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, "false\ntrue\nlater script\ncancelled\n");
}

TEST(MovieScripts, ClipsNameRequestMethodsThroughTheirOwnMeth)
{
    // meth lowers its argument with the argument's own toLowerCase: a number
    // names no method until Number.prototype has one.
    const std::string meth = R"(
        push "POST", 1, "_root"
        GetVariable
        push "meth"
        CallMethod
        Trace
        push "geT", 1, "_root"
        GetVariable
        push "meth"
        CallMethod
        Trace
        push "getty", 1, "_root"
        GetVariable
        push "meth"
        CallMethod
        Trace
        push 0, "_root"
        GetVariable
        push "meth"
        CallMethod
        Trace
        push 7, 1, "_root"
        GetVariable
        push "meth"
        CallMethod
        Trace
        push "Number"
        GetVariable
        push "prototype"
        GetMember
        push "toLowerCase"
        function -
            push "get"
            Return
        end
        SetMember
        push 7, 1, "_root"
        GetVariable
        push "meth"
        CallMethod
        Trace
    )";
    EXPECT_EQ(tracedInAClip(meth, 5), "2\n1\n0\n0\n0\n1\n");

    // loadVariables, loadMovie and getURL ask meth each time, with or without
    // a method given.
    const std::string asked = R"(
        push "_root"
        GetVariable
        push "meth"
        function - m
            push "asked "
            push "m"
            GetVariable
            Add2
            Trace
            push 0
            Return
        end
        SetMember
        push 0, "_root"
        GetVariable
        push "loadVariables"
        CallMethod
        Pop
        push "GET", "", "", 3, "_root"
        GetVariable
        push "getURL"
        CallMethod
        Pop
        push "post", "", 2, "_root"
        GetVariable
        push "loadMovie"
        CallMethod
        Pop
    )";
    EXPECT_EQ(tracedInAClip(asked, 8), "asked undefined\nasked GET\nasked post\n");
}

TEST(MovieScripts, ClipSettingsOfLaterPlayersAreKeptOnTheClip)
{
    // _lockroot, in every version, is a boolean of the clip's answered by
    // MovieClip.prototype; the clip has no member of its own.
    const std::string lockroot = R"(
        push "_root"
        GetVariable
        push "_lockroot", 56
        SetMember
        push "_root"
        GetVariable
        push "_lockroot"
        GetMember
        Trace
        push "_lockroot", 1, "_root"
        GetVariable
        push "hasOwnProperty"
        CallMethod
        Trace
        push "MovieClip"
        GetVariable
        push "prototype"
        GetMember
        push "_lockroot"
        GetMember
        Trace
    )";
    EXPECT_EQ(tracedInAClip(lockroot, 6), "true\nfalse\nundefined\n");

    // SWF 8: scrollRect reads back as a new Rectangle, opaqueBackground as a
    // colour, and undefined takes either away.
    const std::string settings = R"(
        push 4, 3, 2, 1, 4, "flash"
        GetVariable
        push "geom"
        GetMember
        push "Rectangle"
        NewMethod
        StoreRegister 0
        Pop
        push "_root"
        GetVariable
        push "scrollRect", r:0
        SetMember
        push r:0, "x", 100
        SetMember
        push "_root"
        GetVariable
        push "scrollRect"
        GetMember
        Trace
        push "_root"
        GetVariable
        push "opaqueBackground", 0x1FF0000
        SetMember
        push "_root"
        GetVariable
        push "opaqueBackground"
        GetMember
        Trace
        push "_root"
        GetVariable
        push "scrollRect", undefined
        SetMember
        push "_root"
        GetVariable
        push "scrollRect"
        GetMember
        Trace
        push "_root"
        GetVariable
        push "cacheAsBitmap", "yes"
        SetMember
        push "_root"
        GetVariable
        push "cacheAsBitmap"
        GetMember
        Trace
    )";
    EXPECT_EQ(tracedInAClip(settings, 8), "(x=1, y=2, w=3, h=4)\n16711680\nundefined\ntrue\n");
}

TEST(MovieScripts, PositionsDropFractionsOfATwipAndToggleQualityFlipsHighAndLow)
{
    // 0.04 px is 0.8 twip: adding it twice to 0 leaves 0; 0.09 px keeps one twip.
    const std::string position = R"(
        push "mc"
        GetVariable
        push "_y", 0.04
        SetMember
        push "mc"
        GetVariable
        push "_y"
        GetMember
        Trace
        push "mc"
        GetVariable
        push "_x", -0.09
        SetMember
        push "mc"
        GetVariable
        push "_x"
        GetMember
        Trace
    )";
    EXPECT_EQ(tracedInAClip("push \"mc\", \"_root\"\nGetVariable\npush \"mc\"\nGetMember\nSetVariable\n" + position, 6),
              "0\n-0.05\n");

    // HIGH becomes LOW and anything else HIGH.
    const std::string quality = R"(
        ToggleQuality
        push "_root"
        GetVariable
        push "_quality"
        GetMember
        Trace
        push "_root"
        GetVariable
        push "_quality", "medium"
        SetMember
        ToggleQuality
        push "_root"
        GetVariable
        push "_quality"
        GetMember
        Trace
    )";
    EXPECT_EQ(tracedInAClip(quality, 6), "LOW\nHIGH\n");
}

TEST(MovieScripts, AnEmptyClipFlattensWhenSizedAndHighQualityIsOnlyHigh)
{
    // An empty clip given a width scales 0 both ways; once it draws, it is
    // flat on one side yet keeps the width it is given on the other.
    const std::string sized = R"(
        push "mc"
        GetVariable
        push "_width", 10
        SetMember
        push "mc"
        GetVariable
        push "_xscale"
        GetMember
        push "mc"
        GetVariable
        push "_yscale"
        GetMember
        Add2
        Trace
        push 0, 0, 2, "mc"
        GetVariable
        push "lineStyle"
        CallMethod
        Pop
        push 0, 0, 2, "mc"
        GetVariable
        push "moveTo"
        CallMethod
        Pop
        push 10, 20, 2, "mc"
        GetVariable
        push "lineTo"
        CallMethod
        Pop
        push "mc"
        GetVariable
        push "_width", 10
        SetMember
        push "mc"
        GetVariable
        push "_width"
        GetMember
        Trace
        push "mc"
        GetVariable
        push "_height"
        GetMember
        Trace
    )";
    EXPECT_EQ(tracedInAClip("push \"mc\", 1, \"_root\"\nGetVariable\npush \"createEmptyMovieClip\"\nCallMethod\nPop\n"
                            "push \"mc\", \"_root\"\nGetVariable\npush \"mc\"\nGetMember\nSetVariable\n" + sized, 8),
              "0\n10\n0\n");

    // _highquality is 1 only for high quality (2 for best).
    const std::string quality = R"(
        push "_root"
        GetVariable
        push "_quality", "MEDIUM"
        SetMember
        push "_root"
        GetVariable
        push "_highquality"
        GetMember
        Trace
        push "_root"
        GetVariable
        push "_quality", "BEST"
        SetMember
        push "_root"
        GetVariable
        push "_highquality"
        GetMember
        Trace
    )";
    EXPECT_EQ(tracedInAClip(quality, 6), "0\n2\n");
}

TEST(MovieScripts, ScriptDepthsReachTheLowest32BitDepthAndFiltersSetToANonListAreCleared)
{
    // 2147483648 wraps to the lowest 32-bit depth, which a clip can take.
    const std::string depth = R"(
        push 2147483648, "low", 2, "_root"
        GetVariable
        push "createEmptyMovieClip"
        CallMethod
        Pop
        push 0, "_root"
        GetVariable
        push "low"
        GetMember
        push "getDepth"
        CallMethod
        Trace
    )";
    EXPECT_EQ(tracedInAClip(depth, 8), "-2147483648\n");

    // A button's getDepth lent to a clip answers nothing there.
    const std::string lent = R"(
        push "_root"
        GetVariable
        push "bd", "Button"
        GetVariable
        push "prototype"
        GetMember
        push "getDepth"
        GetMember
        SetMember
        push 0, "_root"
        GetVariable
        push "bd"
        CallMethod
        Trace
    )";
    EXPECT_EQ(tracedInAClip(lent, 8), "undefined\n");

    const std::string filters = R"(
        push 0, 0, 2, "flash"
        GetVariable
        push "filters"
        GetMember
        push "BlurFilter"
        NewMethod
        push 1
        InitArray
        StoreRegister 0
        Pop
        push "_root"
        GetVariable
        push "filters", r:0
        SetMember
        push "_root"
        GetVariable
        push "filters"
        GetMember
        push "length"
        GetMember
        Trace
        push "_root"
        GetVariable
        push "filters", 34
        SetMember
        push "_root"
        GetVariable
        push "filters"
        GetMember
        push "length"
        GetMember
        Trace
    )";
    EXPECT_EQ(tracedInAClip(filters, 8), "1\n0\n");
}

// A function that declares no registers works on those of the code that
// called it; one the player calls itself (an event handler) has four of its
// own, so a for..in loop in it can keep its names in register 0.
TEST(MovieScripts, AFunctionThePlayerCallsHasRegistersOfItsOwn)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 8);
    b.add(DoAction{assembled(R"(
        push "this"
        GetVariable
        push "onEnterFrame"
        function2 - 0 0
          push 5
          storeregister 0
          pop
          push r:0
          Trace
          push "this"
          GetVariable
          push "onEnterFrame"
          Delete
          Pop
        end
        SetMember
    )")}).showFrame();
    b.showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 1}).output, "5\n");
}

// A script's strokes widen a clip by their whole width on each side in
// movies before SWF 8, by half of it from SWF 8 on.
TEST(MovieScripts, StrokesCountTheirWholeWidthBeforeSwfEight)
{
    const std::string script = R"(
        push 1, "d", 2, "createEmptyMovieClip"
        CallFunction
        storeregister 0
        Pop
        push 0, 10, 2, r:0, "lineStyle"
        CallMethod
        Pop
        push 10, 10, 2, r:0, "moveTo"
        CallMethod
        Pop
        push 10, 20, 2, r:0, "lineTo"
        CallMethod
        Pop
        push 30, 20, 2, r:0, "lineTo"
        CallMethod
        Pop
        push r:0, "_width"
        GetMember
        Trace
        push r:0, "_height"
        GetMember
        Trace
    )";
    for (const auto& [version, traced] : {std::pair{std::uint8_t(7), "30\n40\n"}, {std::uint8_t(8), "20\n30\n"}}) {
        SCOPED_TRACE(int(version));
        MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, version);
        b.add(DoAction{assembled(script)}).showFrame();
        EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, traced);
    }
}

// BitmapData.loadBitmap takes a bitmap the library exports by name: a new
// bitmap with its pixels, linked to the prototype of what the method was
// called on. A name the library does not export gives nothing.
TEST(MovieScripts, LoadBitmapTakesAnExportedLibraryBitmap)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 8);
    DefineBitsLossless bits;
    bits.version = 2;
    bits.id = 7;
    bits.format = 5;
    bits.width = 2;
    bits.height = 1;
    bits.zlibData = deflateBytes(Bytes{255, 255, 0, 0, 255, 0, 0, 255});
    b.add(bits);
    exportAsSym(b, 7);
    const std::string traceB = R"(
        push "b"
        GetVariable
        push "width"
        GetMember
        Trace
        push "b"
        GetVariable
        push "transparent"
        GetMember
        Trace
        push 0, 1, 2, "b"
        GetVariable
        push "getPixel32"
        CallMethod
        Trace
    )";
    const std::string bitmapData = "push \"flash\"\nGetVariable\npush \"display\"\nGetMember\npush \"BitmapData\"\nGetMember\n";
    b.add(DoAction{assembled("push \"b\", \"Sym\", 1\n" + bitmapData + "push \"loadBitmap\"\nCallMethod\nSetVariable\n" +
                             traceB + "push \"b\"\nGetVariable\npush \"__proto__\"\nGetMember\n" + bitmapData +
                             "push \"prototype\"\nGetMember\nStrictEquals\nTrace\npush \"Nothing\", 1\n" + bitmapData +
                             "push \"loadBitmap\"\nCallMethod\nTypeOf\nTrace\n")})
        .showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 0}).output, "2\ntrue\n-16776961\ntrue\nundefined\n");
}

namespace {

// Traces `tf.<member>` for the root's text field "tf".
std::string traceField(const std::string& member)
{
    return "push \"tf\"\nGetVariable\npush \"" + member + "\"\nGetMember\nTrace\n";
}

std::string setField(const std::string& member, const std::string& value)
{
    return "push \"tf\"\nGetVariable\npush \"" + member + "\", " + value + "\nSetMember\n";
}

const std::string kCreateField = "push 500, 500, 10, 10, 1, \"tf\", 6, \"_root\"\nGetVariable\npush \"createTextField\"\n"
                                 "CallMethod\nPop\n";

// What a one-frame movie of `version` traces when its root runs `script`.
std::string tracedAtRoot(const std::string& script, std::uint8_t version = 7)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, version);
    b.add(DoAction{assembled(script)}).showFrame();
    return runtime::traceMovie(b.movie(), {.frames = 0}).output;
}

std::string hasOwn(const std::string& object, const std::string& name)
{
    return "push \"" + name + "\", 1, \"" + object + "\"\nGetVariable\npush \"prototype\"\nGetMember\n"
           "push \"hasOwnProperty\"\nCallMethod\nTrace\n";
}

} // namespace

// The class's prototype listens as broadcasters do from the start, and gets
// the members' accessors only when the first field is made. A script's own
// TextField function then constructs each field createTextField makes.
TEST(MovieScripts, TextFieldMembersArriveWithTheFirstField)
{
    EXPECT_EQ(tracedAtRoot(hasOwn("TextField", "_listeners") + hasOwn("TextField", "text") + kCreateField +
                           hasOwn("TextField", "text") + R"(
        push "_global"
        GetVariable
        push "TextField"
        function -
          push "made "
          push "this"
          GetVariable
          push "_name"
          GetMember
          Add2
          Trace
        end
        SetMember
        push 10, 10, 0, 0, 2, "other", 6, "_root"
        GetVariable
        push "createTextField"
        CallMethod
        Pop
    )"),
              "true\nfalse\ntrue\nmade other\n");
}

// A field is a display object with a box: its size is the box as its matrix
// turns it, it has no frames, a member a script gives it hides its parent
// (which a bound variable still finds), and `_parent = v` inside with (field)
// goes on down the scope chain.
TEST(MovieScripts, ATextFieldIsABoxWithoutATimeline)
{
    EXPECT_EQ(tracedAtRoot(kCreateField + setField("_rotation", "10") + traceField("_width") +
                           setField("_rotation", "0") + traceField("_currentframe") + setField("_totalframes", "6") +
                           traceField("_totalframes") + setField("_parent", "23") + traceField("_parent") +
                           setField("variable", "\"v\"") + "push \"v\", \"shown\"\nSetVariable\n" + traceField("text") +
                           "push \"tf\"\nGetVariable\npush \"_parent\"\nDelete\nPop\n" + traceField("_parent") + R"(
        push "tf"
        GetVariable
        with
          push "_parent", "p"
          SetVariable
          push "_name", "renamed"
          SetVariable
        endwith
        push "_parent"
        GetVariable
        Trace
        push "renamed"
        GetVariable
        push "_name"
        GetMember
        Trace
    )"),
              "579.2\nundefined\nundefined\n23\nshown\n_level0\np\nrenamed\n");
}

// Device text measures at the size the field's height scale gives it, read
// back across its width scale: stretched wide it reports less, scaled evenly
// the same.
TEST(MovieScripts, AStretchedDeviceFieldReportsItsWidthAcrossItsScale)
{
    const std::string traced =
        tracedAtRoot(kCreateField + setField("text", "\"Hello world\"") + traceField("textWidth") +
                     setField("_xscale", "200") + traceField("textWidth") + traceField("textHeight") +
                     setField("_yscale", "200") + traceField("textWidth") + setField("_xscale", "100") +
                     traceField("textWidth") + traceField("textHeight"));
    std::vector<double> values;
    for (const QString& line : QString::fromStdString(traced).split(u'\n', Qt::SkipEmptyParts))
        values.push_back(line.toDouble());
    ASSERT_EQ(values.size(), 6u) << traced;
    const double width = values[0];
    EXPECT_GT(width, 30);
    EXPECT_NEAR(values[1], width / 2, 1);
    EXPECT_EQ(values[3], width);
    EXPECT_NEAR(values[4], width * 2, 2);
    EXPECT_EQ(values[2], values[5]);
}

// Turning autosize on leaves the box of a field that was never given text
// alone until the frame ends, so turning it off again first keeps the box.
// A field given text, even none, fits at once.
TEST(MovieScripts, AnEmptyAutosizedFieldFitsWhenTheFrameEnds)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 7);
    b.add(DoAction{assembled(kCreateField + setField("autoSize", "\"left\"") + traceField("_height") +
                             setField("autoSize", "\"none\"") + traceField("_height") + setField("text", "\"\"") +
                             setField("autoSize", "\"left\"") + traceField("_height") + kCreateField +
                             setField("autoSize", "\"left\""))})
        .showFrame();
    b.add(DoAction{assembled(traceField("_height") + "push \"tf\"\nGetVariable\npush \"stop\"\nCallMethod\nPop\n" +
                             "push \"_root\"\nGetVariable\npush \"stop\"\nCallMethod\nPop\n")})
        .showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 2}).output, "500\n500\n4\n4\n");
}

// maxChars keeps any 32-bit number, 0 meaning none; a variable that exists
// shows even when undefined; before SWF 8 replacing the selection with
// nothing changes nothing.
TEST(MovieScripts, FieldSettingsKeepWhatTheScriptGave)
{
    for (const std::uint8_t version : {7, 8}) {
        EXPECT_EQ(tracedAtRoot(kCreateField + setField("maxChars", "-6") + traceField("maxChars") +
                               setField("maxChars", "0") + traceField("maxChars") + setField("text", "\"abc\"") + R"(
            push "_level0.tf", 1, "Selection"
            GetVariable
            push "setFocus"
            CallMethod
            Pop
            push 3, 0, 2, "Selection"
            GetVariable
            push "setSelection"
            CallMethod
            Pop
            push "", 1, "tf"
            GetVariable
            push "replaceSel"
            CallMethod
            Pop
        )" + traceField("text") + "push \"v\", undefined\nSetVariable\n" + setField("variable", "\"v\"") +
                               traceField("text"),
                               version),
                  std::string("-6\nnull\n") + (version < 8 ? "abc\n" : "\n") + "undefined\n")
            << int(version);
    }
}

// getTextSnapshot makes new TextSnapshot(this) with whatever the name holds
// as the clip's variable: one the clip has of its own hides the class.
TEST(MovieScripts, GetTextSnapshotConstructsThroughTheNameTheClipSees)
{
    const std::string snapshotType = "push 0, \"this\"\nGetVariable\npush \"getTextSnapshot\"\nCallMethod\nTypeOf\nTrace\n";
    EXPECT_EQ(tracedInAClip(snapshotType + "push \"TextSnapshot\", undefined\nSetVariable\n" + snapshotType, 7),
              "object\nundefined\n");
}

// A box fitted to its text lays the lines out then, and turning autosize off
// lays nothing out again: a field then told to wrap measures the lines it
// had until its text or size changes.
TEST(MovieScripts, TurningAutosizeOffKeepsTheLines)
{
    EXPECT_EQ(tracedAtRoot(kCreateField + setField("_width", "10") + setField("text", "\"Hello world\"") +
                           "push \"w\", \"tf\"\nGetVariable\npush \"textWidth\"\nGetMember\nSetVariable\n" +
                           setField("autoSize", "\"center\"") + setField("autoSize", "\"none\"") +
                           setField("wordWrap", "true") + R"(
        push "tf"
        GetVariable
        push "textWidth"
        GetMember
        push "w"
        GetVariable
        Equals2
        Trace
        push "w"
        GetVariable
        push 20
        Greater
        Trace
    )"),
              "true\ntrue\n");
}

// A box autosized to its text holds that text on one line when the field
// wraps, though the box is rounded to whole twips.
TEST(MovieScripts, AFieldFittedToItsTextHoldsItWhenItWraps)
{
    EXPECT_EQ(tracedAtRoot(kCreateField + setField("text", "\"Hello world\"") + setField("autoSize", "\"left\"") +
                           setField("wordWrap", "true") + setField("text", "\"Hello world\"") +
                           traceField("bottomScroll")),
              "1\n");
}

// A button's display members show to for..in, newest first, in movies of
// every version; a clip's stay hidden.
TEST(MovieScripts, AButtonsDisplayMembersShowToForIn)
{
    auto listed = [](const char* cls) {
        return tracedAtRoot(
            std::string("push \"") + cls + "\"\nGetVariable\npush \"prototype\"\nGetMember\n" + kTraceEachName, 6);
    };
    EXPECT_EQ(listed("Button"), "tabIndex\nblendMode\ncacheAsBitmap\nfilters\nscale9Grid\ngetDepth\nenabled\nuseHandCursor\n");
    EXPECT_EQ(listed("MovieClip"), "");
}
