#include "swf/format/bitmaps.h"

#include "swf/format/limits.h"

#include <zlib.h>

#include <algorithm>

namespace swf {

using veskor::makeError;

bool bitmapSizeAllowed(std::uint32_t width, std::uint32_t height)
{
    return width <= limits::kMaxBitmapSide && height <= limits::kMaxBitmapSide
        && std::uint64_t(width) * height <= limits::kMaxBitmapPixels;
}

std::size_t losslessDataSize(const DefineBitsLossless& b)
{
    const std::size_t w = b.width, h = b.height;
    switch (b.format) {
    case 3: {
        const std::size_t entry = b.version >= 2 ? 4 : 3;
        return b.colorTableSize * entry + ((w + 3) & ~std::size_t(3)) * h;
    }
    case 4:
        return ((w * 2 + 3) & ~std::size_t(3)) * h;
    case 5:
        return w * h * 4;
    default:
        return 0;
    }
}

namespace {

// Unpacks zlib data into `out`, at most `limit` bytes, the output growing from
// a guess of a few times the input as data comes. Returns zlib's last status.
int inflateInto(std::span<const std::uint8_t> data, std::size_t limit, Bytes& out)
{
    out.clear();
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK)
        return Z_STREAM_ERROR;
    out.resize(std::min(limit, std::max<std::size_t>(data.size() * 4, 4096)));
    std::size_t produced = 0;
    zs.next_in = const_cast<Bytef*>(data.data());
    zs.avail_in = uInt(std::min<std::size_t>(data.size(), 0xFFFFFFFFu));
    int rc = Z_OK;
    while (produced < limit) {
        if (produced == out.size())
            out.resize(std::min(limit, out.size() * 2));
        zs.next_out = out.data() + produced;
        zs.avail_out = uInt(std::min<std::size_t>(out.size() - produced, 0xFFFFFFFFu));
        const std::size_t before = zs.avail_out;
        rc = inflate(&zs, Z_NO_FLUSH);
        produced += before - zs.avail_out;
        if (rc != Z_OK)
            break;
        if (before == zs.avail_out && zs.avail_in == 0)
            break;
    }
    inflateEnd(&zs);
    out.resize(produced);
    return rc;
}

} // namespace

veskor::Result<Bytes> inflateBounded(std::span<const std::uint8_t> data, std::size_t maxSize)
{
    Bytes out;
    // One byte more than allowed tells "exactly full" from "too much".
    const int rc = inflateInto(data, maxSize + 1, out);
    if (out.size() > maxSize)
        return makeError("Compressed bitmap data unpacks to more than expected.");
    if (rc != Z_STREAM_END && rc != Z_OK && rc != Z_BUF_ERROR)
        return makeError(rc == Z_STREAM_ERROR ? "Compressed bitmap data could not be unpacked."
                                              : "Compressed bitmap data is damaged.");
    return out;
}

bool inflateLimited(std::span<const std::uint8_t> data, std::size_t limit, Bytes& out)
{
    inflateInto(data, limit, out);
    return out.size() == limit;
}

veskor::Result<Bytes> inflateLossless(const DefineBitsLossless& bitmap)
{
    if (!bitmapSizeAllowed(bitmap.width, bitmap.height))
        return makeError("The bitmap is too large.");
    const std::size_t expected = losslessDataSize(bitmap);
    if (expected == 0)
        return makeError("The bitmap has an unknown format or no pixels.");
    Bytes data = TRY(inflateBounded(bitmap.zlibData, expected));
    if (data.size() < expected)
        return makeError("The bitmap data is shorter than its size says.");
    return data;
}

veskor::Result<Bytes> inflateAlpha(const DefineBitsJpeg& bitmap, std::uint32_t width, std::uint32_t height)
{
    if (!bitmapSizeAllowed(width, height))
        return makeError("The bitmap is too large.");
    const std::size_t expected = std::size_t(width) * height;
    Bytes data = TRY(inflateBounded(bitmap.alphaData, expected));
    if (data.size() < expected)
        return makeError("The bitmap's alpha data is shorter than its size says.");
    return data;
}

Bytes deflateBytes(std::span<const std::uint8_t> data)
{
    uLongf size = compressBound(uLong(data.size()));
    Bytes out(size);
    if (compress2(out.data(), &size, data.data(), uLong(data.size()), Z_BEST_COMPRESSION) != Z_OK)
        return {};
    out.resize(size);
    return out;
}

ImageFormat detectImageFormat(std::span<const std::uint8_t> d)
{
    if (d.size() >= 8 && d[0] == 0x89 && d[1] == 'P' && d[2] == 'N' && d[3] == 'G')
        return ImageFormat::Png;
    if (d.size() >= 6 && d[0] == 'G' && d[1] == 'I' && d[2] == 'F' && d[3] == '8')
        return ImageFormat::Gif;
    // JPEG starts with SOI (FF D8); some encoders put a stray EOI+SOI pair first.
    if (d.size() >= 2 && d[0] == 0xFF && (d[1] == 0xD8 || d[1] == 0xD9))
        return ImageFormat::Jpeg;
    return ImageFormat::Unknown;
}

} // namespace swf
