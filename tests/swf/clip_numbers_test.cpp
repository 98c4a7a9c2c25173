// Numbers scripts give where the player keeps an int or asks the system
// (frame numbers, depths, property indexes, times) reach the movie whatever
// their size: frame numbers wrap to 32 bits as in the original player, depths
// out of range are refused, times past any calendar have no local zone. The
// sanitizer build checks that no conversion overflows on the way.

#include "support/assembled.h"
#include "swf/format/movie_builder.h"
#include "swf/runtime/trace_run.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace swf {
namespace {

using script::test::assembled;

// A four-frame movie: the first frame runs `script`, the third traces "three".
std::string traceOf(const std::string& script, std::uint8_t version = 7)
{
    MovieBuilder b(Twips::fromPixels(100), Twips::fromPixels(100), 12, version);
    b.add(DoAction{assembled(script)}).showFrame();
    b.showFrame();
    b.add(DoAction{assembled("push \"three\"\nTrace")}).showFrame();
    b.showFrame();
    return runtime::traceMovie(b.movie(), {.frames = 0}).output;
}

// Makes an empty clip "c", kept in register 0, and begins a fill of `color` in it.
std::string filledClip(const std::string& color)
{
    return "push 1, \"c\", 2, \"createEmptyMovieClip\"\nCallFunction\nstoreregister 0\nPop\n"
           "push " + color + ", 1, r:0, \"beginFill\"\nCallMethod\nPop\n";
}

TEST(ClipNumbersTest, FrameNumbersWrapToThirtyTwoBits)
{
    const struct {
        const char* script;
        const char* trace;
    } cases[] = {
        // gotoAndStop(4294967299) is gotoAndStop(3).
        {"push 4294967299\ngotoframe2 0 0", "three\n"},
        {"push 1e300\ngotoframe2 0 0", ""},
        {"push -1e300\ngotoframe2 0 0", ""},
        {"push NaN\ngotoframe2 0 0", ""},
        // The bias of a scene adds to a huge number without overflowing.
        {"push 2147483647\ngotoframe2 0 65535", ""},
        {"push \"4294967299\"\ngotoframe2 0 0", "three\n"},
        // WaitForFrame2 of frame 4294967300, which is frame 4: it has loaded.
        {"push 4294967300\nwaitforframe2 1\npush \"loaded\"\nTrace", "loaded\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        EXPECT_EQ(traceOf(c.script), c.trace);
    }
}

TEST(ClipNumbersTest, AClipsGotoTakesAPathToAnotherTimeline)
{
    // e.gotoAndStop("/:3") on a clip of one frame sends the root to its frame 3.
    EXPECT_EQ(traceOf(R"(push 5, "e", 2
        push "this"
        GetVariable
        push "createEmptyMovieClip"
        CallMethod
        Pop
        push "/:3", 1, "e"
        GetVariable
        push "gotoAndStop"
        CallMethod
        Pop)"),
              "three\n");
}

TEST(ClipNumbersTest, DepthsWrapAndOutOfRangeAreRefused)
{
    // this.method(args...): the arguments pushed last to first, then their count.
    auto call = [](const std::string& method, const std::string& args, int count) {
        return "push " + args + ", " + std::to_string(count) + "\npush \"this\"\nGetVariable\npush \"" + method
            + "\"\nCallMethod\nTrace\n";
    };
    const struct {
        std::string script;
        const char* trace;
    } cases[] = {
        // Depths wrap to 32 bits first: 1e300 is depth 0, 4294967296 + 5 is 5.
        {call("createEmptyMovieClip", "1e300, \"e\"", 2), "_level0.e\n"},
        {call("createEmptyMovieClip", "4294967301, \"e\"", 2), "_level0.e\n"},
        {call("createEmptyMovieClip", "2130690044, \"e\"", 2), "_level0.e\n"},
        {call("createEmptyMovieClip", "2130690045, \"e\"", 2), "undefined\n"},
        {call("createEmptyMovieClip", "2147483647, \"e\"", 2), "undefined\n"},
        {call("createEmptyMovieClip", "5, \"e\"", 2), "_level0.e\n"},
        {call("getInstanceAtDepth", "2147483647", 1), "undefined\n"},
        {call("getInstanceAtDepth", "1e300", 1), "undefined\n"},
        {call("swapDepths", "1e300", 1), "undefined\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        EXPECT_EQ(traceOf(c.script), c.trace);
    }
}

TEST(ClipNumbersTest, SwapDepthsStopsAtTheTimelinesFirstDepth)
{
    auto swapTo = [](const char* depth) {
        return std::string("push 5, \"e\", 2\npush \"this\"\nGetVariable\npush \"createEmptyMovieClip\"\nCallMethod\n"
                           "storeregister 0\nPop\npush ")
            + depth + ", 1\npush r:0\npush \"swapDepths\"\nCallMethod\nPop\n"
                      "push 0\npush r:0\npush \"getDepth\"\nCallMethod\nTrace\n";
    };
    EXPECT_EQ(traceOf(swapTo("-16384")), "-16384\n");
    EXPECT_EQ(traceOf(swapTo("-16385")), "5\n");
}

TEST(ClipNumbersTest, PathNamesLongerThanTheBufferGoOnAsTheNextName)
{
    // A clip named by 127 characters holding `H`: a path whose first name
    // is those 127 characters and "H" reaches H's members.
    const std::string name(127, 'n');
    const std::string script = "push 1, \"" + name + "\", 2\npush \"this\"\nGetVariable\npush \"createEmptyMovieClip\"\n"
                               "CallMethod\npush \"H\", \"yo\", 42, 1\nInitObject\nSetMember\n"
                               "push \"" + name + "H:yo\"\nGetVariable\nTrace\n";
    EXPECT_EQ(traceOf(script), "42\n");
}

TEST(ClipNumbersTest, TimesPastAnyCalendarAskNoLocalZone)
{
    // A Date whose time a script set far past the range of dates, shown and asked for its zone.
    const std::string script = "push -2.9e235, 1\npush \"Date\"\nNewObject\nstoreregister 0\nTrace\n"
                               "push 0\npush r:0\npush \"getTimezoneOffset\"\nCallMethod\nTrace\n";
    const std::string trace = traceOf(script);
    EXPECT_EQ(std::count(trace.begin(), trace.end(), '\n'), 2);
}


TEST(ClipNumbersTest, InstanceAtDepthTakesAnyValueButUndefinedAsADepth)
{
    // A clip at depth 0 and one at depth -1; the argument goes through r:1.
    const std::string setup = R"(push 0, "zero", 2
        push "this"
        GetVariable
        push "createEmptyMovieClip"
        CallMethod
        Pop
        push -1, "minus", 2
        push "this"
        GetVariable
        push "createEmptyMovieClip"
        CallMethod
        Pop
        )";
    auto at = [&](const std::string& value) {
        return setup + "push " + value + "\nstoreregister 1\nPop\npush r:1, 1\npush \"this\"\nGetVariable\n"
                     "push \"getInstanceAtDepth\"\nCallMethod\nTrace\n";
    };
    const struct {
        const char* value;
        const char* trace;
    } cases[] = {
        {"undefined", "undefined\n"},
        // What is no finite number is depth 0; fractions go toward zero.
        {"null", "_level0.zero\n"},
        {"NaN", "_level0.zero\n"},
        {"Infinity", "_level0.zero\n"},
        {"\"text\"", "_level0.zero\n"},
        {"-0.5", "_level0.zero\n"},
        {"-1.5", "_level0.minus\n"},
        {"4294967295", "_level0.minus\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(traceOf(at(c.value)), c.trace);
    }
}

TEST(ClipNumbersTest, LocalToGlobalConvertsOwnNumbersInWholeTwips)
{
    // A clip at (50, 50) at half size in r:0; the point in r:1 goes through
    // localToGlobal and its x and y are traced.
    const std::string setup = R"(push 5, "e", 2
        push "this"
        GetVariable
        push "createEmptyMovieClip"
        CallMethod
        storeregister 0
        Pop
        push r:0, "_x", 50
        SetMember
        push r:0, "_y", 50
        SetMember
        push r:0, "_xscale", 50
        SetMember
        push r:0, "_yscale", 50
        SetMember
        )";
    auto convert = [&](const std::string& point, const std::string& before = "") {
        return setup + before + point + "\nstoreregister 1\nPop\npush r:1, 1, r:0, \"localToGlobal\"\nCallMethod\n"
                                        "Pop\npush r:1, \"x\"\nGetMember\nTrace\npush r:1, \"y\"\nGetMember\nTrace\n";
    };
    const struct {
        std::string script;
        const char* trace;
    } cases[] = {
        {convert("push \"x\", 1, \"y\", 0.5, 2\nInitObject"), "50.5\n50.25\n"},
        // Pixels become twips wrapped to 32 bits: 2147483647 px is -20 twips.
        {convert("push \"x\", 2147483647, \"y\", NaN, 2\nInitObject"), "49.5\n50\n"},
        // The result lands on whole twips (0.03 px is 0.6 twips, then 0.3 on the stage).
        {convert("push \"x\", 0.03, \"y\", 0.1, 2\nInitObject"), "50\n50.05\n"},
        // A value of another type, or a missing one, leaves the point alone.
        {convert("push \"x\", \"1\", \"y\", 1, 2\nInitObject"), "1\n1\n"},
        {convert("push \"x\", 1, 1\nInitObject"), "1\nundefined\n"},
        // Inherited values are not the point's own.
        {convert("push \"__proto__\", \"x\", 1, \"y\", 1, 2\nInitObject\npush 1\nInitObject"), "1\n1\n"},
        // Moving the root moves every clip on the stage.
        {convert("push \"x\", 0, \"y\", 0, 2\nInitObject", "push \"_root\"\nGetVariable\npush \"_x\", 10\nSetMember\n"),
         "60\n50\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        EXPECT_EQ(traceOf(c.script), c.trace);
    }
}

TEST(ClipNumbersTest, PointConversionsUseMatricesHeldInFixedPoint)
{
    // The root moved and turned, in it a clip at (200, 200) scaled and turned
    // by its properties (r:0); the point in r:1 goes through the method and
    // its x and y are traced. The clip's own factors, each level's product
    // and the inverse are kept in 16.16 fixed point with whole-twip
    // translation, which moves the results by a twip from what exact
    // matrices give.
    const auto convert = [](const char* scale, const char* rotation, const char* point, const char* method) {
        return std::string(R"(push "_root"
            GetVariable
            push "_x", -10
            SetMember
            push "_root"
            GetVariable
            push "_rotation", 5
            SetMember
            push 5, "e", 2
            push "this"
            GetVariable
            push "createEmptyMovieClip"
            CallMethod
            storeregister 0
            Pop
            push r:0, "_x", 200
            SetMember
            push r:0, "_y", 200
            SetMember
            push r:0, "_xscale", )") +
               scale + "\nSetMember\npush r:0, \"_yscale\", " + scale + "\nSetMember\npush r:0, \"_rotation\", " +
               rotation + "\nSetMember\n" + point + "\nInitObject\nstoreregister 1\nPop\npush r:1, 1, r:0, \"" + method +
               "\"\nCallMethod\nPop\npush r:1, \"x\"\nGetMember\nTrace\npush r:1, \"y\"\nGetMember\nTrace\n";
    };
    EXPECT_EQ(traceOf(convert("50", "30", "push \"x\", -10, \"y\", -10, 2", "localToGlobal")), "170.55\n209.7\n");
    EXPECT_EQ(traceOf(convert("50", "30", "push \"x\", 170.55, \"y\", 209.7, 2", "globalToLocal")), "-10.05\n-9.95\n");
    EXPECT_EQ(traceOf(convert("22.66", "27.9", "push \"x\", 171.15, \"y\", 213.5, 2", "globalToLocal")),
              "-10\n-10.15\n");
    // The product's fixed point drops what lies below its last place (it does
    // not round), which moves a point brought back from the stage by a twip.
    EXPECT_EQ(traceOf(convert("25", "25", "push \"x\", 189.2, \"y\", 281.6, 2", "globalToLocal")), "190.2\n190.2\n");
}

// The scales and rotation make the matrix in 16.16 fixed point, rounded and
// wrapping around 32 bits: a quarter turn leaves no trace of a cosine, and
// scales past the range fold back.
TEST(ClipNumbersTest, ScaleAndRotationMakeAFixedPointMatrix)
{
    const std::string clip = filledClip("16711680");
    // A 100 by 30 rectangle (lineTo takes x, y: pushed y first).
    std::string square;
    for (const char* corner : {"0, 100", "30, 100", "30, 0", "0, 0"})
        square += std::string("push ") + corner + ", 2, r:0, \"lineTo\"\nCallMethod\nPop\n";
    const std::string traceMatrix = "push r:0, \"transform\"\nGetMember\npush \"matrix\"\nGetMember\nTrace\n";
    const auto traceProperty = [](const char* name) { return std::string("push r:0, \"") + name + "\"\nGetMember\nTrace\n"; };
    EXPECT_EQ(traceOf(clip + square + R"(
        push r:0, "_xscale", 300
        SetMember
        push r:0, "_rotation", 90
        SetMember
    )" + traceMatrix + R"(
        push r:0, "_rotation", 0
        SetMember
        push r:0, "_xscale", 4294967295
        SetMember
    )" + traceProperty("_width") + R"(
        push r:0, "_yscale", 6553600
        SetMember
    )" + traceProperty("_height") + R"(
        push r:0, "_yscale", 6553000
        SetMember
    )" + traceProperty("_height"), 8),
              "(a=0, b=3, c=-1, d=0, tx=0, ty=0)\n2359295\n0\n180\n");
}

// A point tested against a clip's bounds meets them as points reach the
// stage: through fixed-point matrices, the bounds in whole twips. A root
// scaled to 0.5% puts a square drawn from 100 to 150 at 0.5 to 0.75 pixels,
// and its corner still holds the point at (100, 100).
TEST(ClipNumbersTest, BoundsTestsMeetThePointInWholeTwips)
{
    std::string square;
    for (const char* corner : {"100, 150", "150, 150", "150, 100", "100, 100"})
        square += std::string("push ") + corner + ", 2, r:0, \"lineTo\"\nCallMethod\nPop\n";
    const std::string script = filledClip("255") + R"(
        push 100, 100, 2, r:0, "moveTo"
        CallMethod
        Pop
    )" + square + R"(
        push "_xscale", 0.5
        SetVariable
        push false, 100, 100, 3, r:0, "hitTest"
        CallMethod
        Trace
        push false, 99, 100, 3, r:0, "hitTest"
        CallMethod
        Trace
    )";
    EXPECT_EQ(traceOf(script), "true\nfalse\n");
}

TEST(ClipNumbersTest, DisplayPropertiesIgnoreWhatIsNoNumberAndWrapTwips)
{
    // A text field `t` of 100 by 50 at (100, 0) in r:0; the value in r:1 goes
    // to one of its properties, which is traced.
    const std::string setup = R"(push 50, 100, 0, 100, 0, "t", 6
        push "this"
        GetVariable
        push "createTextField"
        CallMethod
        Pop
        push "t"
        GetVariable
        storeregister 0
        Pop
        )";
    // `value` is a number, text or the code that leaves an object.
    auto assign = [&](const std::string& property, const std::string& value) {
        return setup + (value.starts_with("push \"valueOf\"") ? "" : "push ") + value + "\nstoreregister 1\nPop\npush r:0, \"" + property + "\", r:1\nSetMember\n"
            + "push r:0, \"" + property + "\"\nGetMember\nTrace\n";
    };
    // An object whose valueOf gives `result`.
    auto valueOf = [](const std::string& result) {
        return "push \"valueOf\"\nfunction\npush " + result + "\nreturn\nend\npush 1\nInitObject";
    };
    const struct {
        std::string script;
        std::uint8_t version;
        const char* trace;
    } cases[] = {
        // Undefined, null and empty text leave the property alone from SWF 6
        // on, where the same values convert to 0 elsewhere.
        {assign("_width", "undefined"), 6, "100\n"},
        {assign("_width", "null"), 6, "100\n"},
        {assign("_x", "\"\""), 6, "100\n"},
        {assign("_width", valueOf("\"\"")), 6, "100\n"},
        // What valueOf gives converts by the movie's rules.
        {assign("_width", valueOf("undefined")), 6, "0\n"},
        {assign("_width", valueOf("undefined")), 7, "100\n"},
        {assign("_width", "-1"), 7, "100\n"},
        // Positions and sizes are 32-bit twips: infinity wraps to 0.
        {assign("_x", "Infinity"), 7, "0\n"},
        {assign("_x", "-Infinity"), 7, "0\n"},
        {assign("_x", "NaN"), 7, "100\n"},
        {assign("_x", "103584024400.25"), 7, "75312566.65\n"},
        {assign("_width", "Infinity"), 7, "0\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        EXPECT_EQ(traceOf(c.script, c.version), c.trace);
    }
}

// setProperty on the root by index: each case sets `before`, then `value`,
// and traces the property. Infinities are numbers a clip keeps (its position
// as the processor made it an integer); quality and the sound buffer belong to
// the movie and are read through any clip.
TEST(ClipNumbersTest, PropertiesSetByIndexTakeWhatThePlayerTook)
{
    const std::string valueOfObject = "push \"valueOf\"\nfunction\npush \"v\"\nTrace\npush 0\nreturn\nend\npush 1\nInitObject";
    const struct {
        int index;
        std::string before;
        std::string value;
        std::uint8_t version;
        const char* trace;
    } cases[] = {
        {0, "push 1", "push Infinity", 7, "-107374182.4\n"},
        {0, "push 1", "push -Infinity", 5, "-107374182.4\n"},
        {0, "push 1", "push undefined", 5, "1\n"},
        {2, "push 1", "push Infinity", 7, "Infinity\n"},
        {6, "push 1", "push -Infinity", 7, "0\n"},
        {7, "push 0", "push \"abc\"", 7, "false\n"},
        {7, "push 1", "push \"abc\"", 7, "true\n"},
        {7, "push 1", valueOfObject, 7, "v\nfalse\n"},
        {16, "push 1", "push Infinity", 7, "2\n"},
        {16, "push 0", "push -5", 7, "1\n"},
        {16, "push 0", "push \"abc\"", 5, "0\n"},
        {18, "push 0", "push 1.5", 7, "1\n"},
        {18, "push 0", "push Infinity", 7, "-2147483648\n"},
        {18, "push 3", "push NaN", 7, "3\n"},
        {18, "push 3", "push \"x\"", 4, "3\n"},
        {19, "push \"low\"", "push \"medium\"", 7, "MEDIUM\n"},
        {19, "push \"best\"", "push \"fine\"", 7, "BEST\n"},
        {17, "push 1", valueOfObject, 5, "0\n"},
        // A name of NaN reads "0" from SWF 7 on; infinities keep their text.
        {13, "push 1", "push NaN", 7, "0\n"},
        {13, "push 1", "push NaN", 6, "NaN\n"},
        {13, "push 1", "push -Infinity", 7, "-Infinity\n"},
    };
    for (const auto& c : cases) {
        const std::string index = std::to_string(c.index);
        const std::string script = "push \"_level0\", " + index + "\n" + c.before + "\nSetProperty\n"
            + "push \"_level0\", " + index + "\n" + c.value + "\nSetProperty\n"
            + "push \"_level0\", " + index + "\nGetProperty\nTrace\n";
        SCOPED_TRACE(script);
        EXPECT_EQ(traceOf(script, c.version), c.trace);
    }
    // _highquality and _quality are one setting.
    EXPECT_EQ(traceOf("push \"_level0\", 16, 2\nSetProperty\npush \"_level0\", 19\nGetProperty\nTrace\n"
                      "push \"_level0\", 19, \"Low\"\nSetProperty\npush \"_level0\", 16\nGetProperty\nTrace\n"),
              "BEST\n0\n");
}

TEST(ClipNumbersTest, EmptyBoundsGrowByATwipOnceCodeOfSwfEightAsks)
{
    // An empty clip `e`; its bounds' xMin asked without a space, in the
    // root's, without a space again and in its own named space.
    const std::string bounds = R"(push 1, "e", 2
        push "this"
        GetVariable
        push "createEmptyMovieClip"
        CallMethod
        storeregister 0
        Pop
        push 0, r:0, "getBounds"
        CallMethod
        push "xMin"
        GetMember
        Trace
        push "_root"
        GetVariable
        push 1, r:0, "getBounds"
        CallMethod
        push "xMin"
        GetMember
        Trace
        push 0, r:0, "getBounds"
        CallMethod
        push "xMin"
        GetMember
        Trace
        push r:0, 1, r:0, "getBounds"
        CallMethod
        push "xMin"
        GetMember
        Trace
        )";
    EXPECT_EQ(traceOf(bounds, 7), "6710886.35\n6710886.35\n6710886.35\n6710886.35\n");
    // A show started by a movie of SWF 8 gives the larger corner wherever a
    // space is named, its own too; bounds asked without one keep the largest
    // twip count.
    EXPECT_EQ(traceOf(bounds, 8), "6710886.35\n6710886.4\n6710886.35\n6710886.4\n");
}

// An angle that is no number leaves _rotation as it was; an infinite one is
// brought into range like any other and comes out NaN.
TEST(ClipNumbersTest, AnInfiniteRotationBecomesNaN)
{
    const std::string rotation = "push \"\", 10\nGetProperty\nTrace\n";
    EXPECT_EQ(traceOf("push \"\", 10, 30\nSetProperty\n" + rotation + "push \"\", 10, \"abc\"\nSetProperty\n"
                      + rotation + "push \"\", 10, 1, 0\nDivide\nSetProperty\n" + rotation, 5),
              "30\n30\nNaN\n");
}

} // namespace
} // namespace swf
