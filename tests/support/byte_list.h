#pragma once

// Test data written out byte by byte: bytes({0x46, 0x4C, 0x56}).

#include "swf/format/types.h"

#include <cstdint>
#include <initializer_list>

namespace swf::test {

inline Bytes bytes(std::initializer_list<int> list)
{
    Bytes out;
    for (int v : list)
        out.push_back(std::uint8_t(v));
    return out;
}

} // namespace swf::test
