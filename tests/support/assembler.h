#pragma once

// A tiny text assembler for action bytes, so tests read like the scripts
// they run. One action per line:
//   push "text", 1.5, true, null, undefined, r:1, c:0
//   constants "a" "b"
//   label:            jump label            if label
//   function name a b ... end
//   function2 name REGS FLAGS 1:a 0:b ... end
//   with ... endwith
//   try NAME | try r:N ... catch ... finally ... endtry
//   gotoframe N, gotolabel "x", settarget "x", storeregister N,
//   geturl "url" "window", geturl2 FLAGS, waitforframe N SKIP, waitforframe2 SKIP,
//   gotoframe2 PLAY BIAS
// Any other word is an action without operands, by its name (Add2, Trace, ...).
// '#' starts a comment.

#include "common/result.h"

#include <cstdint>
#include <string>
#include <vector>

namespace swf::script::test {

veskor::Result<std::vector<std::uint8_t>> assemble(const std::string& source);

} // namespace swf::script::test
