// Random and mutated action bytes must never crash or hang the machine.

#include "support/assembler.h"
#include "support/test_host.h"

#include <gtest/gtest.h>

#include <random>

using namespace swf::script;
using swf::script::test::Machine;

namespace {

const char* kSeedScript = R"(
    constants "a", "b", "push", "length", "Array"
    push "o", 0
    initobject
    setvariable
    function2 f 4 0x0 1:x 0:y
      push r:1
      push "y"
      getvariable
      greater
      if out
      push r:1
      return
    out:
      try e
        push "boom"
        throw
      catch
        push "e"
        getvariable
        trace
      finally
        push 3
        return
      endtry
    end
    push 1, 2, 2, "f"
    callfunction
    trace
    push "o"
    getvariable
    with
      push 3, 2, 1, 3
      initarray
      push "a"
      stackswap
      setvariable
    endwith
    push 1, "o"
    getvariable
    push "a"
    getmember
    push c:2
    callmethod
    enumerate2
loop:
    storeregister 0
    push null
    equals2
    if end
    jump loop
end:
)";

} // namespace

TEST(Robustness, RandomBytesNeverCrash)
{
    std::mt19937 random(1234);
    Limits limits;
    limits.maxInstructions = 20000;
    for (int round = 0; round < 3000; ++round) {
        Machine m(5 + round % 4, limits);
        std::vector<std::uint8_t> bytes(random() % 64);
        for (auto& b : bytes)
            b = std::uint8_t(random());
        // Bias toward real action codes so that more blocks decode.
        if (!bytes.empty())
            bytes[0] = std::uint8_t(0x96 + random() % 10);
        (void)m.vm->runBytes(bytes, m.host.rootClip);
    }
}

TEST(Robustness, MutatedScriptsNeverCrashOrHang)
{
    auto seed = test::assemble(kSeedScript);
    ASSERT_TRUE(seed.ok()) << seed.error().message;
    Machine reference(7);
    ASSERT_TRUE(reference.vm->runBytes(*seed, reference.host.rootClip).ok());
    EXPECT_EQ(reference.host.output(), "boom\n3");

    std::mt19937 random(99);
    Limits limits;
    limits.maxInstructions = 20000;
    for (int round = 0; round < 3000; ++round) {
        std::vector<std::uint8_t> bytes = *seed;
        const int flips = 1 + int(random() % 4);
        for (int i = 0; i < flips; ++i)
            bytes[random() % bytes.size()] = std::uint8_t(random());
        Machine m(5 + round % 4, limits);
        (void)m.vm->runBytes(bytes, m.host.rootClip);
        m.vm->collectGarbage();
    }
}

TEST(Robustness, DeeplyNestedBlocksAreStopped)
{
    // 5000 try blocks inside each other (with blocks stop nesting at 13 on
    // their own).
    std::string source;
    for (int i = 0; i < 5000; ++i)
        source += "try e\n";
    source += "push \"inner\"\ntrace\n";
    for (int i = 0; i < 5000; ++i)
        source += "catch\nendtry\n";
    Machine m(7);
    EXPECT_EQ(m.run(source), "");
    ASSERT_EQ(m.host.aborts.size(), 1u);
    EXPECT_EQ(m.run("push \"after\"\ntrace"), "after");
}
