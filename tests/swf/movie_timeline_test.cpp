// The movie layer: timelines, the display list and seeking, on movies written with
// the project's own builder.

#include "support/assembled.h"
#include "swf/format/movie_builder.h"
#include "swf/format/reader.h"
#include "swf/format/writer.h"
#include "swf/movie/character_dictionary.h"
#include "swf/movie/limits.h"
#include "swf/movie/playhead.h"
#include "swf/runtime/movie_runtime.h"
#include "swf/runtime/trace_run.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>

namespace swf::movie {
namespace {

Rect box(int size) { return Rect{Twips(0), Twips(size), Twips(0), Twips(size)}; }
Matrix at(int x) { return Matrix::translation(Twips(x), Twips(0)); }

// A loaded movie: records, characters and the root's play position.
struct Loaded {
    explicit Loaded(Movie m)
        : movie(std::move(m)), dictionary(movie.tags),
          root(buildTimeline(movie.tags, movie.header.frameCount)), playhead(root, dictionary, movie.header.version)
    {
    }
    Movie movie;
    CharacterDictionary dictionary;
    Timeline root;
    Playhead playhead;
};

// Everything on stage as text: depth, character, position and, for clips, their
// own frame and contents.
void describe(const ClipState& clip, std::ostringstream& out)
{
    out << "f" << clip.frame << "{";
    for (const auto& [depth, object] : clip.objects) {
        out << depth << ":" << object.characterId << "@" << object.matrix.translateX.get();
        if (object.clipDepth)
            out << "/clip" << object.clipDepth;
        if (object.clip)
            describe(*object.clip, out);
        out << " ";
    }
    out << "}";
}

std::string describe(const ClipState& clip)
{
    std::ostringstream out;
    describe(clip, out);
    return out.str();
}

// A three-frame sprite whose only child walks right by 100 twips a frame.
std::uint16_t defineWalker(MovieBuilder& b, std::uint16_t shape)
{
    swf::Timeline walker;
    walker.place(1, shape, at(0)).showFrame();
    walker.move(1, at(100)).showFrame();
    walker.move(1, at(200)).showFrame();
    return b.defineSprite(walker);
}

// A button of the given records (version 2, no actions).
std::uint16_t defineButton(MovieBuilder& b, std::vector<ButtonRecord> records)
{
    return b.define([&](std::uint16_t id) {
        DefineButton def;
        def.version = 2;
        def.id = id;
        def.records = std::move(records);
        return Tag(def);
    });
}

ButtonRecord buttonRecord(std::uint16_t character, std::uint16_t depth, bool up, bool over, const Matrix& matrix = {})
{
    ButtonRecord record;
    record.stateUp = up;
    record.stateOver = over;
    record.stateHitTest = up;
    record.characterId = character;
    record.depth = depth;
    record.matrix = matrix;
    return record;
}

int walkerFrame(const Playhead& p, int depth)
{
    const auto found = p.state().objects.find(depth);
    if (found == p.state().objects.end() || !found->second.clip)
        return -1;
    return found->second.clip->frame;
}

// Sprite 1 places itself at depths 1 and 2, after `leading` tags of its own
// frame: unbounded, this doubles at every level. The root shows it for `frames`.
Movie selfContainingSprite(std::vector<Tag> leading, int frames)
{
    MovieBuilder b(Twips(2000), Twips(2000), 12, 6);
    DefineSprite self;
    self.id = 1;
    self.frameCount = 1;
    PlaceObject first;
    first.depth = 1;
    first.characterId = 1;
    PlaceObject second = first;
    second.depth = 2;
    self.tags = std::move(leading);
    self.tags.insert(self.tags.end(), {Tag(first), Tag(second), Tag(ShowFrame{}), Tag(End{})});
    b.add(self);
    PlaceObject root;
    root.depth = 1;
    root.characterId = 1;
    b.add(root).showFrame(frames);
    return b.movie();
}

TEST(MovieTimelineTest, SpritesAdvanceWithTheirParentAndLoopOnTheirOwn)
{
    MovieBuilder b(Twips(2000), Twips(2000), 12);
    const auto shape = b.defineRectangle(box(100), solidFill({255, 0, 0}));
    const auto walker = defineWalker(b, shape);
    b.place(1, walker).showFrame(7);
    Loaded movie(b.movie());
    Playhead& p = movie.playhead;
    ASSERT_EQ(p.frameCount(), 7);
    for (int tick = 0; tick < 20; ++tick) {
        SCOPED_TRACE(tick);
        EXPECT_EQ(walkerFrame(p, 1), tick % 3);
        const auto& child = p.state().objects.at(1).clip->objects.at(1);
        EXPECT_EQ(child.matrix.translateX.get(), (tick % 3) * 100);
        p.advance();
    }
}

TEST(MovieTimelineTest, MovingASpriteDoesNotRestartIt)
{
    MovieBuilder b(Twips(2000), Twips(2000), 12);
    const auto shape = b.defineRectangle(box(100), solidFill({255, 0, 0}));
    const auto walker = defineWalker(b, shape);
    b.place(1, walker).showFrame();
    b.move(1, at(500)).showFrame();
    b.move(1, at(700)).showFrame(3);
    Loaded movie(b.movie());
    Playhead& p = movie.playhead;
    p.advance();
    EXPECT_EQ(p.state().objects.at(1).matrix.translateX.get(), 500);
    EXPECT_EQ(walkerFrame(p, 1), 1);
    p.advance();
    EXPECT_EQ(p.state().objects.at(1).matrix.translateX.get(), 700);
    EXPECT_EQ(walkerFrame(p, 1), 2);
}

// Placement, move, replace and remove at one depth, frame by frame.
Movie placementRulesMovie()
{
    MovieBuilder b(Twips(2000), Twips(2000), 12);
    const auto red = b.defineRectangle(box(100), solidFill({255, 0, 0}));
    const auto blue = b.defineRectangle(box(100), solidFill({0, 0, 255}));
    const auto walker = defineWalker(b, red);
    b.place(1, red, at(10)).place(2, walker, at(20)).showFrame();           // frame 0
    b.place(1, blue, at(99)).showFrame();                                    // 1: depth taken, ignored
    b.replace(1, blue, at(30)).showFrame();                                  // 2: drawing replaced
    b.replace(2, red, at(40)).showFrame();                                   // 3: a sprite stays, but moves
    b.remove(1).showFrame();                                                 // 4
    b.replace(2, walker, at(50)).showFrame();                                // 5: same character: a move
    b.move(7, at(1)).showFrame();                                            // 6: nothing at 7, nothing happens
    b.place(1, red).replace(1, walker, at(60)).showFrame();                  // 7: a drawing stays a drawing
    return b.movie();
}

TEST(MovieTimelineTest, PlacementRulesAtADepth)
{
    Loaded movie(placementRulesMovie());
    Playhead& p = movie.playhead;
    const std::string expected[] = {
        "f0{1:1@10 2:3@20f0{1:1@0 } }",
        "f1{1:1@10 2:3@20f1{1:1@100 } }",
        "f2{1:2@30 2:3@20f2{1:1@200 } }",
        "f3{1:2@30 2:3@40f0{1:1@0 } }",
        "f4{2:3@40f1{1:1@100 } }",
        "f5{2:3@50f2{1:1@200 } }",
        "f6{2:3@50f0{1:1@0 } }",
        "f7{1:1@60 2:3@50f1{1:1@100 } }",
    };
    for (int frame = 0; frame < 8; ++frame) {
        SCOPED_TRACE(frame);
        EXPECT_EQ(describe(p.state()), expected[frame]);
        p.advance();
    }
}

// A movie with plenty going on: sprites coming and going, moves, a replacement,
// a mask, for seeks to be checked against plain play.
Movie busyMovie(int frames)
{
    MovieBuilder b(Twips(2000), Twips(2000), 12);
    const auto red = b.defineRectangle(box(100), solidFill({255, 0, 0}));
    const auto blue = b.defineRectangle(box(100), solidFill({0, 0, 255}));
    const auto walker = defineWalker(b, red);
    swf::Timeline nest;
    nest.place(1, walker).showFrame(2).place(2, walker, at(5)).showFrame(3).remove(1).showFrame(2);
    const auto nested = b.defineSprite(nest);
    for (int f = 0; f < frames; ++f) {
        if (f % 7 == 0)
            b.place(static_cast<std::uint16_t>(10 + f % 5), nested, at(f));
        if (f % 7 == 3)
            b.remove(static_cast<std::uint16_t>(10 + (f - 3) % 5));
        if (f % 5 == 1)
            b.place(2, walker, at(f));
        if (f % 5 == 3)
            b.move(2, at(f * 3));
        if (f % 5 == 4)
            b.remove(2);
        if (f % 11 == 5)
            b.replace(10 + (f - 5) % 5, blue, at(f));
        b.showFrame();
    }
    return b.movie();
}

TEST(MovieTimelineTest, SeekingShowsWhatPlayingUpToTheFrameShows)
{
    const int frames = 90;
    Loaded reference(busyMovie(frames));
    std::vector<std::string> played;
    for (int f = 0; f < frames; ++f) {
        played.push_back(describe(reference.playhead.state()));
        reference.playhead.advance();
    }
    // After a loop the first frame is the first frame again.
    EXPECT_EQ(reference.playhead.frame(), 0);

    Loaded movie(busyMovie(frames));
    Playhead& p = movie.playhead;
    // Forwards and backwards, across snapshots, onto them, and to the ends.
    const int targets[] = {5, 47, 16, 15, 89, 0, 33, 32, 64, 1, 88, 17, 17};
    for (int target : targets) {
        SCOPED_TRACE(target);
        p.gotoFrame(target);
        EXPECT_EQ(p.frame(), target);
        EXPECT_EQ(describe(p.state()), played[static_cast<size_t>(target)]);
        // Playing on from a seek is playing on from the start.
        if (target + 1 < frames) {
            p.advance();
            EXPECT_EQ(describe(p.state()), played[static_cast<size_t>(target + 1)]);
        }
    }
    EXPECT_GE(p.snapshotCount(), frames / kSnapshotInterval);
}

TEST(MovieTimelineTest, ALoopKeepsSpritesTheFirstFrameStillAccountsFor)
{
    MovieBuilder b(Twips(2000), Twips(2000), 12);
    const auto shape = b.defineRectangle(box(100), solidFill({255, 0, 0}));
    swf::Timeline five;
    five.place(1, shape).showFrame(5);
    const auto longSprite = b.defineSprite(five);
    b.place(1, longSprite).showFrame();
    b.place(2, longSprite).showFrame();
    Loaded movie(b.movie());
    Playhead& p = movie.playhead;
    p.advance();
    p.advance();
    // Back at the root's first frame: the sprite placed there runs on, the one
    // placed in the second frame is gone.
    EXPECT_EQ(p.frame(), 0);
    EXPECT_EQ(walkerFrame(p, 1), 2);
    EXPECT_EQ(walkerFrame(p, 2), -1);
    p.advance();
    EXPECT_EQ(walkerFrame(p, 1), 3);
    EXPECT_EQ(walkerFrame(p, 2), 0);
}

TEST(MovieTimelineTest, ButtonsShowTheirUpState)
{
    MovieBuilder b(Twips(2000), Twips(2000), 12);
    const auto up = b.defineRectangle(box(100), solidFill({255, 0, 0}));
    const auto over = b.defineRectangle(box(100), solidFill({0, 0, 255}));
    const auto button = defineButton(b, {buttonRecord(up, 1, true, false), buttonRecord(over, 2, false, true)});
    b.place(1, button).showFrame();
    Loaded movie(b.movie());
    EXPECT_EQ(describe(movie.playhead.state()), "f0{1:3@0f0{1:1@0 } }");
}

TEST(MovieTimelineTest, ASpriteContainingItselfStopsAtTheLimits)
{
    Loaded movie(selfContainingSprite({}, 3));
    for (int i = 0; i < 5; ++i) {
        EXPECT_LE(countObjects(movie.playhead.state()), kMaxDisplayObjects);
        movie.playhead.advance();
    }
    movie.playhead.gotoFrame(2);
    EXPECT_LE(countObjects(movie.playhead.state()), kMaxDisplayObjects);
}

TEST(MovieTimelineTest, FramesTheStreamLacksHoldTheLastPicture)
{
    // The header promises five frames, the stream shows two.
    MovieBuilder b(Twips(2000), Twips(2000), 12);
    const auto shape = b.defineRectangle(box(100), solidFill({255, 0, 0}));
    b.place(1, shape).showFrame().move(1, at(50)).showFrame();
    Movie m = b.movie();
    m.header.frameCount = 5;
    Loaded movie(std::move(m));
    EXPECT_EQ(movie.playhead.frameCount(), 5);
    movie.playhead.gotoFrame(4);
    EXPECT_EQ(describe(movie.playhead.state()), "f4{1:1@50 }");
}

// A sprite placed in the root's first frame and moved in its second: when the
// root comes back to its first frame, the sprite keeps running (same
// placement) but stands where the first frame puts it.
Movie rewindMovie()
{
    MovieBuilder b(Twips(2000), Twips(2000), 12);
    const auto shape = b.defineRectangle(box(100), solidFill({255, 0, 0}));
    const auto walker = defineWalker(b, shape);
    b.place(1, walker, at(0)).showFrame();
    b.move(1, at(300)).showFrame();
    return b.movie();
}

// A button whose up state is an animated sprite.
Movie animatedButtonMovie()
{
    MovieBuilder b(Twips(2000), Twips(2000), 12);
    const auto shape = b.defineRectangle(box(100), solidFill({255, 0, 0}));
    const auto walker = defineWalker(b, shape);
    const auto button = defineButton(b, {buttonRecord(walker, 1, true, false, at(40))});
    b.place(1, button).showFrame(2);
    return b.movie();
}

// A move that names the object, and a placement that names it first.
Movie renamingMovie()
{
    MovieBuilder b(Twips(2000), Twips(2000), 12);
    const auto shape = b.defineRectangle(box(100), solidFill({255, 0, 0}));
    const auto walker = defineWalker(b, shape);
    b.place(1, walker, at(0), std::nullopt, "first").showFrame();
    PlaceObject rename;
    rename.depth = 1;
    rename.isMove = true;
    rename.name = "second";
    rename.matrix = at(70);
    b.add(rename).showFrame();
    return b.movie();
}

TEST(MovieTimelineTest, ALoopPutsWhatStaysWhereTheFirstFrameHasIt)
{
    Loaded movie(rewindMovie());
    Playhead& p = movie.playhead;
    const std::uint32_t id = p.state().objects.at(1).id;
    p.advance();
    EXPECT_EQ(p.state().objects.at(1).matrix.translateX.get(), 300);
    p.advance();
    EXPECT_EQ(p.frame(), 0);
    EXPECT_EQ(p.state().objects.at(1).id, id);
    EXPECT_EQ(p.state().objects.at(1).matrix.translateX.get(), 0);
    EXPECT_EQ(walkerFrame(p, 1), 2);
}

TEST(MovieTimelineTest, SpritesInButtonsPlay)
{
    Loaded movie(animatedButtonMovie());
    Playhead& p = movie.playhead;
    EXPECT_EQ(describe(p.state()), "f0{1:3@0f0{1:2@40f0{1:1@0 } } }");
    p.advance();
    EXPECT_EQ(describe(p.state()), "f1{1:3@0f0{1:2@40f1{1:1@100 } } }");
}

TEST(MovieTimelineTest, AMoveKeepsTheNameOfThePlacement)
{
    Loaded movie(renamingMovie());
    movie.playhead.advance();
    EXPECT_EQ(movie.playhead.state().objects.at(1).name, "first");
    EXPECT_EQ(movie.playhead.state().objects.at(1).matrix.translateX.get(), 70);
}

// Movies with scripts run the same placement path, with the script runtime
// listening: the display list is the same, frame by frame, as without it.
TEST(MovieTimelineTest, TheScriptRuntimePlacesAsTheTimelineDoes)
{
    const std::pair<const char*, Movie (*)()> movies[] = {
        {"placement rules", placementRulesMovie},
        {"rewind", rewindMovie},
        {"animated button", animatedButtonMovie},
        {"renaming", renamingMovie},
    };
    for (const auto& [name, make] : movies) {
        SCOPED_TRACE(name);
        Loaded movie(make());
        runtime::MovieRuntime scripted(movie.movie, movie.dictionary);
        scripted.start();
        for (int tick = 0; tick < 10; ++tick) {
            SCOPED_TRACE(tick);
            EXPECT_EQ(describe(scripted.rootState()), describe(movie.playhead.state()));
            scripted.advance();
            movie.playhead.advance();
        }
    }
}

// A sprite that places itself twice would double at every level: the object
// budget stops it, every object gets its script side and runs its script, and
// the first frame comes at once rather than after a quadratic search.
TEST(MovieTimelineTest, ASpriteContainingItselfWithAScriptShowsItsFirstFrameAtOnce)
{
    // trace("x")
    const DoAction trace{Bytes{0x96, 0x03, 0x00, 0x00, 'x', 0x00, 0x26, 0x00}};
    Loaded movie(selfContainingSprite({Tag(trace)}, 2));
    runtime::MovieRuntime scripted(movie.movie, movie.dictionary);
    long long traces = 0;
    scripted.traceSink = [&](const std::string&) { ++traces; };
    const auto began = std::chrono::steady_clock::now();
    scripted.start();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    EXPECT_EQ(countObjects(scripted.rootState()), kMaxDisplayObjects);
    EXPECT_GT(traces, 0);
    EXPECT_LE(traces, kMaxDisplayObjects);
    // Generous, for sanitizer builds: the search this guards against took tens of seconds.
    EXPECT_LT(seconds, 10.0);
    scripted.advance();
    EXPECT_EQ(countObjects(scripted.rootState()), kMaxDisplayObjects);
}


TEST(MovieTimelineTest, ACharacterDefinedInALaterFrameIsNotThereYet)
{
    // Frame 0 places character 1 before the tags that define it (in frame 1)
    // have loaded; frame 1 places it again once they have.
    MovieBuilder b(Twips(2000), Twips(2000), 12);
    PlaceObject early;
    early.depth = 1;
    early.characterId = 1;
    b.add(early).showFrame();
    ASSERT_EQ(b.defineRectangle(box(100), solidFill({255, 0, 0})), 1);
    PlaceObject later = early;
    later.depth = 2;
    b.add(later).showFrame();
    Loaded movie(b.movie());
    EXPECT_EQ(describe(movie.playhead.state()), "f0{}");
    movie.playhead.advance();
    EXPECT_EQ(describe(movie.playhead.state()), "f1{2:1@0 }");
}

} // namespace

namespace {

PlaceObject placementWithRatio(std::uint16_t depth, std::uint16_t characterId, std::uint16_t ratio,
                               const std::string& name)
{
    PlaceObject p;
    p.depth = depth;
    p.characterId = characterId;
    p.ratio = ratio;
    p.name = name;
    return p;
}

} // namespace

// Going back, a clip keeps its place while the frame's placement on its depth
// has its ratio, even where a later keyframe put another sprite there; a
// different ratio brings the frame's own clip back.
TEST(MovieTimelineTest, GoingBackKeepsClipsByTheRatioOfTheirPlacement)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 7);
    swf::Timeline empty;
    empty.showFrame();
    const auto first = b.defineSprite(empty);
    const auto second = b.defineSprite(empty);
    b.add(placementWithRatio(3, first, 5, "a"));
    b.add(placementWithRatio(4, first, 5, "b"));
    b.showFrame();
    b.remove(3).remove(4);
    b.add(placementWithRatio(3, second, 5, "c"));
    b.add(placementWithRatio(4, second, 9, "d"));
    b.add(DoAction{script::test::assembled(R"(
        push "c"
        GetVariable
        push "tag", "kept"
        SetMember
        gotoframe 0
        Stop
        push "c"
        GetVariable
        push "tag"
        GetMember
        Trace
        push "a", "b", "d"
        GetVariable
        TypeOf
        Trace
        GetVariable
        TypeOf
        Trace
        GetVariable
        TypeOf
        Trace
    )")});
    b.showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 1}).output, "kept\nundefined\nmovieclip\nundefined\n");
}

// Clips a script swapped between timeline depths belong to the script: the
// timeline's moves pass them by, and going back keeps them wherever the frame
// shows something on the depth they sit on.
TEST(MovieTimelineTest, SwappedClipsLeaveTheTimelinesControl)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 7);
    swf::Timeline empty;
    empty.showFrame();
    const auto clip = b.defineSprite(empty);
    b.place(1, clip, {}, {}, "x").place(2, clip, {}, {}, "y").showFrame();
    b.add(DoAction{script::test::assembled(R"(
        push "y"
        GetVariable
        push 1, "x"
        GetVariable
        push "swapDepths"
        CallMethod
        Pop
        push "x"
        GetVariable
        push "k", 1
        SetMember
    )")});
    b.showFrame();
    b.move(1, Matrix::translation(Twips::fromPixels(50), Twips(0)));
    b.add(DoAction{script::test::assembled(R"(
        push "y"
        GetVariable
        push "_x"
        GetMember
        Trace
        gotoframe 0
        Stop
        push 0, "x"
        GetVariable
        push "getDepth"
        CallMethod
        Trace
        push "x"
        GetVariable
        push "k"
        GetMember
        Trace
    )")});
    b.showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 2}).output, "0\n-16382\n1\n");
}

// A clip that starts being dragged belongs to the script from then on, before
// the pointer moves and after the drag stops: the timeline's moves pass it by.
TEST(MovieTimelineTest, ADraggedClipLeavesTheTimelinesControl)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 7);
    swf::Timeline empty;
    empty.showFrame();
    const auto clip = b.defineSprite(empty);
    b.place(1, clip, {}, {}, "x").place(2, clip, {}, {}, "y").showFrame();
    b.add(DoAction{script::test::assembled(R"(
        push 0, "x"
        GetVariable
        push "startDrag"
        CallMethod
        Pop
    )")});
    b.showFrame();
    b.move(1, Matrix::translation(Twips::fromPixels(50), Twips(0)));
    b.move(2, Matrix::translation(Twips::fromPixels(50), Twips(0)));
    b.add(DoAction{script::test::assembled(R"(
        push "x"
        GetVariable
        push "_x"
        GetMember
        Trace
        push "y"
        GetVariable
        push "_x"
        GetMember
        Trace
        push 0, "x"
        GetVariable
        push "stopDrag"
        CallMethod
        Pop
    )")});
    b.showFrame();
    b.move(1, Matrix::translation(Twips::fromPixels(70), Twips(0)));
    b.add(DoAction{script::test::assembled(R"(
        push "x"
        GetVariable
        push "_x"
        GetMember
        Trace
    )")});
    b.showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 3}).output, "0\n50\n0\n");
}

// A sprite plays every frame its tags show, past the count its header declares.
TEST(MovieTimelineTest, ASpritePlaysTheFramesItShowsBeyondItsDeclaredCount)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 7);
    swf::Timeline inner;
    inner.add(DoAction{script::test::assembled("push \"one\"\nTrace\n")}).showFrame();
    inner.add(DoAction{script::test::assembled("push \"two\"\nTrace\nStop\n")}).showFrame();
    const auto sprite = b.define([&](std::uint16_t id) {
        DefineSprite s;
        s.id = id;
        s.frameCount = 1;
        s.tags = inner.tags();
        return s;
    });
    b.place(1, sprite).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 2}).output, "one\ntwo\n");
}

// What a sprite of the given tags traces over six frames, read back from the
// bytes the writer makes of it (with or without its End tag).
std::string traceOfSprite(std::vector<Tag> tags, bool terminated)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 7);
    const auto sprite = b.define([&](std::uint16_t id) {
        DefineSprite s;
        s.id = id;
        s.frameCount = 1;
        s.tags = tags;
        s.unterminated = !terminated;
        return s;
    });
    b.place(1, sprite).showFrame();
    auto movie = readMovie(b.bytes());
    if (!movie)
        return "unreadable";
    return runtime::traceMovie(*movie, {.frames = 5}).output;
}

Tag traced(const char* text) { return DoAction{script::test::assembled(std::string("push \"") + text + "\"\nTrace\n")}; }

// A sprite loops only over more than one shown frame and only once its data
// closed with an End tag: without it the player takes the sprite as still
// loading and waits at its last frame. Actions after the last ShowFrame make
// a frame of their own, played once.
TEST(MovieTimelineTest, ASpriteLoopsOnlyOverAStreamThatEnded)
{
    const std::vector<Tag> twoShown{traced("a"), ShowFrame{}, traced("b"), ShowFrame{}};
    const std::vector<Tag> oneShownThenOpen{traced("a"), ShowFrame{}, traced("b")};
    EXPECT_EQ(traceOfSprite(twoShown, true), "a\nb\na\nb\na\nb\n");
    EXPECT_EQ(traceOfSprite(twoShown, false), "a\nb\n");
    EXPECT_EQ(traceOfSprite(oneShownThenOpen, false), "a\nb\n");
    EXPECT_EQ(traceOfSprite(oneShownThenOpen, true), "a\nb\n");
}

// The movie plays the frames its stream shows past the count its header
// declares, and without an End tag stays at the last of them.
TEST(MovieTimelineTest, TheMovieWithoutAnEndPlaysItsShownFramesOnce)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 7);
    for (const char* text : {"a", "b", "c"})
        b.add(traced(text)).showFrame();
    Movie m = b.movie();
    m.header.frameCount = 1;
    EXPECT_EQ(runtime::traceMovie(m, {.frames = 4}).output, "a\nb\nc\na\nb\n");
    m.truncated = true;
    auto read = readMovie(writeMovie(m));
    ASSERT_TRUE(read);
    EXPECT_TRUE(read->truncated);
    EXPECT_EQ(runtime::traceMovie(*read, {.frames = 4}).output, "a\nb\nc\n");
}

// A placement that names no character and does not move what is there stops
// its frame: what came before it in the frame happened (the clip left and
// its unload ran), but the playhead stays on the frame before.
TEST(MovieTimelineTest, APlacementWithoutACharacterOrMoveStopsItsFrame)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, 7);
    swf::Timeline inner;
    inner.showFrame();
    const auto sprite = b.defineSprite(inner);
    b.place(1, sprite, {}, {}, "mc");
    b.add(DoAction{script::test::assembled(R"(
        push "mc"
        GetVariable
        push "onUnload"
        function
          push "_root"
          GetVariable
          push "_currentframe"
          GetMember
          Trace
        end
        SetMember
    )")}).showFrame();
    b.remove(1);
    PlaceObject nothing;
    nothing.depth = 1;
    nothing.name = "x";
    b.add(nothing).showFrame();
    b.add(DoAction{script::test::assembled("push \"three\"\nTrace")}).showFrame();
    EXPECT_EQ(runtime::traceMovie(b.movie(), {.frames = 3}).output, "1\n");
}

// A second placement on a taken depth: movies up to SWF 5 still show the
// newcomer, beneath what holds the depth, until the timeline loops back
// (never one more a loop); later movies ignore it.
TEST(MovieTimelineTest, UpToSwfFiveASecondPlacementOnADepthGoesBeneath)
{
    for (const std::uint8_t version : {5, 6}) {
        SCOPED_TRACE(int(version));
        MovieBuilder b(Twips(2000), Twips(2000), 12, version);
        const auto red = b.defineRectangle(box(100), solidFill({255, 0, 0}));
        const auto blue = b.defineRectangle(box(100), solidFill({0, 0, 255}));
        b.place(1, red, at(10)).showFrame();
        b.place(1, blue, at(20)).showFrame();
        b.showFrame();
        Loaded movie(b.movie());
        Playhead& p = movie.playhead;
        const std::string both = version <= 5 ? "f1{-2:2@20 1:1@10 }" : "f1{1:1@10 }";
        const std::string expected[] = {"f0{1:1@10 }", both, "f2" + both.substr(2), "f0{1:1@10 }", both};
        for (const std::string& state : expected) {
            EXPECT_EQ(describe(p.state()), state);
            p.advance();
        }
    }
}

} // namespace swf::movie
