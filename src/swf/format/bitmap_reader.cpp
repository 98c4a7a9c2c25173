#include "swf/format/record_readers.h"

namespace swf::read {
namespace {

Bytes copy(std::span<const std::uint8_t> bytes) { return Bytes(bytes.begin(), bytes.end()); }

} // namespace

DefineBits defineBits(ByteReader& r)
{
    DefineBits d;
    d.id = r.u16();
    d.jpegData = copy(r.rest());
    return d;
}

JpegTables jpegTables(ByteReader& r) { return JpegTables{copy(r.rest())}; }

DefineBitsJpeg defineBitsJpeg(ByteReader& r, int version)
{
    DefineBitsJpeg d;
    d.version = std::uint8_t(version);
    d.id = r.u16();
    if (version == 2) {
        d.imageData = copy(r.rest());
        return d;
    }
    const std::uint32_t alphaOffset = r.u32();
    if (version >= 4)
        d.deblockParam = r.u16();
    d.imageData = copy(r.take(alphaOffset));
    d.alphaData = copy(r.rest());
    return d;
}

DefineBitsLossless defineBitsLossless(ByteReader& r, int version)
{
    DefineBitsLossless d;
    d.version = std::uint8_t(version);
    d.id = r.u16();
    d.format = r.u8();
    d.width = r.u16();
    d.height = r.u16();
    if (d.format == 3)
        d.colorTableSize = std::uint16_t(r.u8() + 1);
    else if (d.format != 4 && d.format != 5)
        r.fail();
    d.zlibData = copy(r.rest());
    return d;
}

} // namespace swf::read
