// The machine's limits on a movie's scripts: memory for strings, arrays and
// objects, and the instructions and time of one frame. Past a limit the running
// script stops and the machine goes on with the next one.

#include "support/test_host.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

using namespace swf::script;
using swf::script::test::Machine;

namespace {

// Assembly that leaves 2^doublings copies of "abcdefgh" in variable `name`.
std::string grownString(const std::string& name, int doublings)
{
    const std::string get = "push \"" + name + "\"\ngetvariable\n";
    std::string source = "push \"" + name + "\", \"abcdefgh\"\nsetvariable\n";
    for (int i = 0; i < doublings; ++i)
        source += "push \"" + name + "\"\n" + get + get + "add2\nsetvariable\n";
    return source;
}

Limits smallMemory()
{
    Limits limits;
    limits.maxMemory = 8u << 20;
    limits.maxInstructions = 100'000'000;
    return limits;
}

} // namespace

TEST(ScriptLimits, ScriptsThatGrowWithoutEndAreStoppedAndTheMachineGoesOn)
{
    const std::pair<const char*, std::string> cases[] = {
        {"a string doubled by StringAdd", "push \"s\", \"x\"\nsetvariable\nloop:\npush \"s\", \"s\"\ngetvariable\n"
                                          "push \"s\"\ngetvariable\nstringadd\nsetvariable\njump loop"},
        {"an object given properties", "push \"o\", 0\ninitobject\nsetvariable\npush \"i\", 0\nsetvariable\nloop:\n"
                                       "push \"o\"\ngetvariable\npush \"i\"\ngetvariable\npush \"i\", \"i\"\ngetvariable\n"
                                       "increment\nstoreregister 0\nsetvariable\npush r:0\nsetmember\njump loop"},
        // Four billion empty places cost nothing until their list is made.
        {"a sparse array joined", "push \"a\", 0\ninitarray\nsetvariable\npush \"a\"\ngetvariable\n"
                                  "push \"length\", 4000000000\nsetmember\npush \",\", 1, \"a\"\ngetvariable\n"
                                  "push \"join\"\ncallmethod\ntrace"},
        {"a 1 MiB string split into characters",
         grownString("s", 17) + "push \"\", 1, \"s\"\ngetvariable\npush \"split\"\ncallmethod\ntrace"},
    };
    for (const auto& [name, source] : cases) {
        SCOPED_TRACE(name);
        Machine m(8, smallMemory());
        EXPECT_EQ(m.run(source), "");
        EXPECT_EQ(m.host.aborts, std::vector<std::string>{"script uses too much memory"});
        EXPECT_EQ(m.run("push \"on\"\ntrace"), "on");
    }
}

TEST(ScriptLimits, GarbageNeverCountsAgainstTheMemoryBudget)
{
    // 64 strings and objects of 256 KiB each, 32 MiB against a budget of 8, the
    // last of each kept: within one script and over several collections.
    Machine m(8, smallMemory());
    const std::string round = grownString("big", 15) + R"(
        push "i", 0
        setvariable
      loop:
        push "t", "big"
        getvariable
        push "i"
        getvariable
        add2
        storeregister 1
        setvariable
        push "o", "held", r:1, 1
        initobject
        setvariable
        push "i", "i"
        getvariable
        increment
        storeregister 0
        setvariable
        push r:0, 64
        less2
        if loop
        push "done"
        trace
    )";
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(m.run(round), "done");
        m.vm->collectGarbage();
    }
    EXPECT_TRUE(m.host.aborts.empty());
    EXPECT_LT(m.vm->liveMemory(), std::size_t(4u << 20));
}

TEST(ScriptLimits, FrameScriptsHandlersAndTimersShareTheFrameInstructions)
{
    // Each call may run 10,000 instructions, the frame 25,000: the third call
    // is stopped early and the frame is spent until the next one begins.
    Limits limits;
    limits.maxInstructions = 10'000;
    limits.maxInstructionsPerFrame = 25'000;
    const std::pair<const char*, std::function<void(Machine&)>> cases[] = {
        {"frame scripts", [](Machine& m) { m.run("loop:\njump loop"); }},
        {"host calls", [](Machine& m) { m.vm->callFromHost(m.vm->getMember(m.host.rootClip, "spin"), nullptr, {}); }},
        {"timers", [](Machine& m) {
             m.host.now += 100;
             m.vm->runTimers();
         }},
    };
    for (const auto& [name, work] : cases) {
        SCOPED_TRACE(name);
        Machine m(8, limits);
        m.run("function spin\nloop:\njump loop\nend\npush 1, \"spin\"\ngetvariable\npush 2, \"setInterval\"\n"
              "callfunction\npop");
        m.vm->beginFrame();
        const std::uint64_t start = m.vm->instructionsRun();
        for (int i = 0; i < 3; ++i)
            work(m);
        EXPECT_EQ(m.host.aborts.size(), 3u);
        EXPECT_LE(m.vm->instructionsRun() - start, 25'001u);
        EXPECT_TRUE(m.vm->frameBudgetSpent());
        m.vm->beginFrame();
        EXPECT_EQ(m.run("push \"next frame\"\ntrace"), "next frame");
    }
}

TEST(ScriptLimits, AFrameEndsAfterItsTimeWhateverItsInstructions)
{
    Limits limits;
    limits.maxInstructions = limits.maxInstructionsPerFrame = 1'000'000'000'000;
    limits.maxFrameMilliseconds = 50;
    Machine m(8, limits);
    m.vm->beginFrame();
    const auto started = std::chrono::steady_clock::now();
    m.run("loop:\njump loop");
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_GE(took, std::chrono::milliseconds(50));
    EXPECT_LT(took, std::chrono::milliseconds(1000));
    EXPECT_EQ(m.host.aborts, std::vector<std::string>{"frame takes too long"});
}
