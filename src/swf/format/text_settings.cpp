#include "swf/format/text_settings.h"

#include "swf/format/byte_reader.h"
#include "swf/format/byte_writer.h"

#include <bit>

namespace swf {

namespace {
constexpr std::uint16_t kCsmTextSettings = 74;
}

std::optional<TextRenderSettings> readTextRenderSettings(const UnknownTag& tag)
{
    if (tag.code != kCsmTextSettings)
        return std::nullopt;
    ByteReader r(tag.data);
    TextRenderSettings s;
    s.textId = r.u16();
    const std::uint8_t flags = r.u8();
    s.advanced = (flags >> 6) == 1;
    s.gridFit = (flags >> 3) & 0x7;
    s.thickness = std::bit_cast<float>(r.u32());
    s.sharpness = std::bit_cast<float>(r.u32());
    if (r.failed())
        return std::nullopt;
    return s;
}

Tag writeTextRenderSettings(const TextRenderSettings& s)
{
    ByteWriter w;
    w.u16(s.textId);
    w.u8(std::uint8_t((s.advanced ? 1 : 0) << 6 | (s.gridFit & 0x7) << 3));
    w.u32(std::bit_cast<std::uint32_t>(s.thickness));
    w.u32(std::bit_cast<std::uint32_t>(s.sharpness));
    w.u8(0);
    return Tag(UnknownTag{kCsmTextSettings, w.take()});
}

} // namespace swf
