// A bitmap that declares a large size never allocates it on the strength of a
// few bytes: with large allocations failing, decoding it still goes through.

#include "support/failing_allocations.h"
#include "swf/format/bitmaps.h"
#include "swf/render/bitmap_library.h"

#include <gtest/gtest.h>

using namespace swf;
using veskor::testing::FailingAllocations;

TEST(AllocationFailure, ABitmapThatClaimsMoreThanItCarriesAllocatesLittle)
{
    // 8192x8192 pixels declared (256 MiB unpacked), a few bytes given.
    DefineBitsLossless bits;
    bits.version = 2;
    bits.format = 5;
    bits.width = bits.height = 8192;
    bits.zlibData = deflateBytes(Bytes{1, 2, 3, 4, 5, 6, 7, 8});
    FailingAllocations failing(16u << 20);
    EXPECT_TRUE(render::decodeLossless(bits).isNull());
}
