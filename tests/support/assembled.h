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

} // namespace swf::script::test
