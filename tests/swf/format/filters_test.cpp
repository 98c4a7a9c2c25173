// Filter records read as numbers: field order, the flag byte of each kind,
// the gradient stops past the most a filter keeps, and records cut short.

#include "swf/format/filters.h"

#include <gtest/gtest.h>

#include <bit>

using namespace swf;

namespace {

void fixed16(Bytes& b, double v)
{
    const auto n = std::uint32_t(std::int32_t(v * 65536.0));
    for (int i = 0; i < 4; ++i)
        b.push_back(std::uint8_t(n >> (8 * i)));
}

void float32(Bytes& b, float v)
{
    const auto n = std::bit_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        b.push_back(std::uint8_t(n >> (8 * i)));
}

// Blur, angle, distance and strength as the shadow-like records end.
void blurAngleDistanceStrength(Bytes& b, std::uint8_t flags)
{
    fixed16(b, 10);
    fixed16(b, 6.5);
    fixed16(b, 0.5);
    fixed16(b, 3);
    b.insert(b.end(), {0x80, 0x01}); // strength 1.5 in 8.8
    b.push_back(flags);
}

} // namespace

TEST(FilterRecords, ShadowFlagsGiveInnerKnockoutHiddenObjectAndPasses)
{
    Bytes b = {0x11, 0x22, 0x33, 0x80};
    blurAngleDistanceStrength(b, 0xC0 | 3); // inner, knockout, no composite source: the object is hidden
    const auto f = decodeFilter(Filter{FilterType::DropShadow, b});
    ASSERT_TRUE(f);
    EXPECT_EQ(f->kind, FilterKind::DropShadow);
    EXPECT_EQ(f->color, 0x112233u);
    EXPECT_EQ(f->alpha, 0x80);
    EXPECT_DOUBLE_EQ(f->blurY, 6.5);
    EXPECT_DOUBLE_EQ(f->angle, 0.5);
    EXPECT_DOUBLE_EQ(f->strength, 1.5);
    EXPECT_TRUE(f->inner);
    EXPECT_TRUE(f->knockout);
    EXPECT_TRUE(f->hideObject);
    EXPECT_EQ(f->quality, 3);
}

TEST(FilterRecords, BevelsReadTheHighlightFirstAndOnTopMeansBothSides)
{
    Bytes b = {0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0x7F};
    blurAngleDistanceStrength(b, 0x10 | 0x20 | 2);
    const auto f = decodeFilter(Filter{FilterType::Bevel, b});
    ASSERT_TRUE(f);
    EXPECT_EQ(f->highlightColor, 0x00FF00u);
    EXPECT_EQ(f->shadowColor, 0x0000FFu);
    EXPECT_EQ(f->shadowAlpha, 0x7F);
    EXPECT_EQ(f->side, FilterSide::Full);
    EXPECT_FALSE(f->hideObject);
    EXPECT_EQ(f->quality, 2);
    // Without "on top" the inner flag decides.
    b.back() = 0x20 | 1;
    EXPECT_EQ(decodeFilter(Filter{FilterType::Bevel, b})->side, FilterSide::Outer);
}

TEST(FilterRecords, GradientStopsPastTheMostAreReadButNotKept)
{
    Bytes b = {20};
    for (int i = 0; i < 20; ++i)
        b.insert(b.end(), {std::uint8_t(i), 0, 0, 0xFF});
    for (int i = 0; i < 20; ++i)
        b.push_back(std::uint8_t(i * 10));
    blurAngleDistanceStrength(b, 0x80 | 1);
    const auto f = decodeFilter(Filter{FilterType::GradientGlow, b});
    ASSERT_TRUE(f);
    EXPECT_EQ(f->stops, kMaxFilterStops);
    EXPECT_EQ(f->colors[15], 15u << 16);
    EXPECT_EQ(f->ratios[15], 150);
    // The fields after the stops are where the count says.
    EXPECT_DOUBLE_EQ(f->blurX, 10);
    EXPECT_EQ(f->side, FilterSide::Inner);
}

TEST(FilterRecords, ConvolutionAndColourMatrixKeepTheirFloats)
{
    Bytes b = {2, 1};
    float32(b, 2);
    float32(b, 0.25f);
    float32(b, 0.2f);
    float32(b, -1);
    b.insert(b.end(), {0xFF, 0x66, 0x00, 0xFF, 0x02});
    const auto f = decodeFilter(Filter{FilterType::Convolution, b});
    ASSERT_TRUE(f);
    EXPECT_EQ(f->matrixX, 2);
    EXPECT_EQ(f->matrixY, 1);
    ASSERT_EQ(f->matrix.size(), 2u);
    EXPECT_DOUBLE_EQ(f->matrix[0], double(0.2f));
    EXPECT_EQ(f->color, 0xFF6600u);
    EXPECT_TRUE(f->clamp);
    EXPECT_FALSE(f->preserveAlpha);

    Bytes m;
    for (int i = 0; i < 20; ++i)
        float32(m, float(i));
    EXPECT_DOUBLE_EQ(decodeFilter(Filter{FilterType::ColorMatrix, m})->colorMatrix[19], 19);
}

TEST(FilterRecords, ShortRecordsAndUnknownKindsGiveNothing)
{
    EXPECT_FALSE(decodeFilter(Filter{FilterType::Blur, {0, 0, 4}}));
    EXPECT_FALSE(decodeFilter(Filter{FilterType::Convolution, {15, 15, 0, 0}}));
    EXPECT_FALSE(decodeFilter(Filter{FilterType(9), Bytes(40, 0)}));
    EXPECT_FALSE(decodeFilter(Filter{FilterType::GradientBevel, {}}));
}
