#include "swf/script/bitmap_data.h"

namespace swf::script {

BitmapPixels::BitmapPixels(int width, int height, bool transparent, std::uint32_t fill)
{
    m_data->width = width;
    m_data->height = height;
    m_data->transparent = transparent;
    m_data->pixels.assign(std::size_t(width) * std::size_t(height), store(fill));
}

void BitmapPixels::dispose()
{
    m_disposed = true;
    m_data->width = m_data->height = 0;
    m_data->pixels.clear();
    m_data->pixels.shrink_to_fit();
    touch();
}

// Each colour channel times alpha / 255, rounded to nearest.
std::uint32_t BitmapPixels::premultiply(std::uint32_t argb)
{
    const std::uint32_t a = argb >> 24;
    if (a == 0xFF)
        return argb;
    auto channel = [a](std::uint32_t c) { return (c * a + 127) / 255; };
    return a << 24 | channel((argb >> 16) & 0xFF) << 16 | channel((argb >> 8) & 0xFF) << 8 | channel(argb & 0xFF);
}

// The way back rounds halves down, as the player does: 0xAABBCCDD is
// read back as 0xAABBCCDC.
std::uint32_t BitmapPixels::unpremultiply(std::uint32_t premultiplied)
{
    const std::uint32_t a = premultiplied >> 24;
    if (a == 0xFF)
        return premultiplied;
    if (a == 0)
        return 0;
    auto channel = [a](std::uint32_t c) {
        const std::uint32_t v = (c * 255 + (a - 1) / 2) / a;
        return v > 255 ? 255u : v;
    };
    return a << 24 | channel((premultiplied >> 16) & 0xFF) << 16 | channel((premultiplied >> 8) & 0xFF) << 8
        | channel(premultiplied & 0xFF);
}

} // namespace swf::script
