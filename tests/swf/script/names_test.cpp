#include "support/test_host.h"

#include <gtest/gtest.h>

using swf::script::test::Machine;

namespace {

// Defines o with __resolve (tracing the name it is asked for) on o's
// prototype, and `inTheWay` as o's own __resolve.
std::string resolveScript(const std::string& inTheWay, const std::string& read)
{
    return R"(
        push "o", "__proto__", 0
        initobject
        push 1
        initobject
        setvariable
        push "o"
        getvariable
        push "__proto__"
        getmember
        push "__resolve"
        function -
          push "asked: ", "arguments"
          getvariable
          add2
          trace
          push "answer"
          return
        end
        setmember
        push "o"
        getvariable
        push "__resolve", )" + inTheWay + R"(
        setmember
    )" + read;
}

const char* kReadMember = R"(
    push "o"
    getvariable
    push "missing"
    getmember
    trace
)";

} // namespace

TEST(Names, ResolveAnswersForMissingMembersInEveryVersion)
{
    // o.__resolve in the way of the prototype's: SWF 7 passes over values
    // that are no objects; an object that is no function answers nothing.
    const struct {
        const char* inTheWay;
        int version;
        const char* out;
    } cases[] = {
        {"undefined", 5, "undefined"},
        {"undefined", 6, "undefined"},
        {"undefined", 7, "asked: missing\nanswer"},
        {"42", 6, "undefined"},
        {"42", 8, "asked: missing\nanswer"},
        {"\"text\"", 7, "asked: missing\nanswer"},
    };
    for (const auto& c : cases) {
        Machine m(c.version);
        EXPECT_EQ(m.run(resolveScript(c.inTheWay, kReadMember)), c.out) << c.inTheWay << " in SWF " << c.version;
    }
    for (int version : {5, 7}) {
        Machine m(version);
        EXPECT_EQ(m.run(resolveScript("0, \"Object\"\nnewobject", kReadMember)), "undefined") << version;
    }
}

TEST(Names, ResolveIsReadAsStoredNeverThroughAGetter)
{
    // addProperty over o's own function leaves it underneath: that function
    // answers, and the getter never runs.
    Machine m(7);
    EXPECT_EQ(m.run(resolveScript("undefined", R"(
        push "o"
        getvariable
        push "__resolve"
        function -
          push "own"
          return
        end
        setmember
        function getter
          push "getter ran"
          trace
        end
        push null
        push "getter"
        getvariable
        push "__resolve", 3, "o"
        getvariable
        push "addProperty"
        callmethod
        pop
    )" + std::string(kReadMember))),
              "own");
}

TEST(Names, ResolveOfAWithObjectAnswersBeforeTheTimeline)
{
    // Before SWF 7 o's own undefined __resolve hides the prototype's, and
    // the search goes on to the timeline.
    for (int version : {5, 7}) {
        Machine m(version);
        EXPECT_EQ(m.run(resolveScript("undefined", R"(
            push "missing", "timeline's"
            setvariable
            push "o"
            getvariable
            with
              push "missing"
              getvariable
              trace
            endwith
        )")),
                  version >= 7 ? "asked: missing\nanswer" : "timeline's")
            << version;
    }
}

TEST(Names, ResolveFindsAFunctionWhateverItsFlagsHide)
{
    // The prototype's function, hidden from SWF 6 and earlier by its flags.
    Machine m(6);
    EXPECT_EQ(m.run(resolveScript("undefined", R"(
        push "o"
        getvariable
        push "__resolve"
        delete
        pop
        push 0, 0x1000, "__resolve", "o"
        getvariable
        push "__proto__"
        getmember
        push 4, "ASSetPropFlags"
        callfunction
        pop
    )" + std::string(kReadMember))),
              "asked: missing\nanswer");
}

TEST(Names, AVariablesPathStartsFromTheScopeObjectThatHasItsFirstName)
{
    // a = {x: "timeline"}; o = {a: {x: "with"}}; with (o) { a:x; b:x; }
    // b exists only on the timeline, so its path starts there.
    Machine m(7);
    EXPECT_EQ(m.run(R"(
        push "a", "x", "timeline", 1
        initobject
        setvariable
        push "b", "x", "timeline b", 1
        initobject
        setvariable
        push "o", "a", "x", "with", 1
        initobject
        push 1
        initobject
        setvariable
        push "o"
        getvariable
        with
          push "a:x"
          getvariable
          trace
          push "b:x"
          getvariable
          trace
          push "a:x", "set"
          setvariable
        endwith
        push "o"
        getvariable
        push "a"
        getmember
        push "x"
        getmember
        trace
        push "a:x"
        getvariable
        trace
    )"), "with\ntimeline b\nset\ntimeline");
}

TEST(Names, LevelNumbersWrapAt32BitsAndAVariablesNameMayEndAfterItsDigits)
{
    const struct {
        const char* name;
        bool digitsFirst;
        int level;
    } cases[] = {
        {"_level3", false, 3},
        {"_flash2", false, 2},
        {"_level0a", false, -1},
        {"_level0a", true, 0},
        {"_level", true, 0},
        {"_flash", true, 0},
        // "_level" alone names the first level in a path as well; "_flash"
        // alone only as a variable's name.
        {"_level", false, 0},
        {"_flash", false, -1},
        {"_levelData", true, -1},
        {"_leve", true, -1},
        // The number wraps at 32 bits; one that reads as negative names no level.
        {"_level4294967296", true, 0},
        {"_level4294967297", false, 1},
        {"_level2147483648", true, -1},
        {"_level2147483647", false, 2147483647},
    };
    for (const auto& c : cases)
        EXPECT_EQ(swf::script::levelNumber(c.name, c.digitsFirst), c.level) << c.name << " " << c.digitsFirst;
}
