#pragma once

// Assembled action bytes for the test movies that gtest tests build.

#include "support/assembler.h"

#include <gtest/gtest.h>

namespace swf::script::test {

// The bytes of `source`; a source that does not assemble fails the test and
// gives no bytes.
inline std::vector<std::uint8_t> assembled(const std::string& source)
{
    auto code = assemble(source);
    EXPECT_TRUE(code.ok()) << (code.ok() ? "" : code.error().message);
    return code.ok() ? *code : std::vector<std::uint8_t>();
}

// Assembly that enumerates the object on the stack and traces each name in
// the order a for..in loop visits them.
inline const std::string kTraceEachName = R"(
        enumerate2
    next:
        storeregister 1
        push null
        equals2
        if done
        push r:1
        trace
        jump next
    done:
)";

// Assembly that traces `clip`.hitTest(x, y, shape).
inline std::string traceHitTest(const std::string& clip, int x, int y, bool shape = true)
{
    return "push " + std::string(shape ? "true" : "false") + ", " + std::to_string(y) + ", " + std::to_string(x)
        + ", 3, \"" + clip + "\"\nGetVariable\npush \"hitTest\"\nCallMethod\nTrace\n";
}

// Assembly that sets `clip`.scrollRect to new flash.geom.Rectangle(x, y, width, height).
inline std::string setScrollRect(const std::string& clip, int x, int y, int width, int height)
{
    return "push \"" + clip + "\"\nGetVariable\npush \"scrollRect\", " + std::to_string(height) + ", "
        + std::to_string(width) + ", " + std::to_string(y) + ", " + std::to_string(x)
        + ", 4, \"flash\"\nGetVariable\npush \"geom\"\nGetMember\npush \"Rectangle\"\nNewMethod\nSetMember\n";
}

} // namespace swf::script::test
