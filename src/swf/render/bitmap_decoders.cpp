#include "swf/render/bitmap_library.h"

#include "swf/format/bitmaps.h"
#include "swf/render/limits.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

#include <algorithm>

namespace swf::render {

// ---------------------------------------------------------------- JPEG

namespace {

bool startsWith(const swf::Bytes& data, std::initializer_list<std::uint8_t> prefix)
{
    return data.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), data.begin());
}

bool isPng(const swf::Bytes& data)
{
    return startsWith(data, {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A});
}

bool isGif(const swf::Bytes& data)
{
    return startsWith(data, {'G', 'I', 'F', '8'});
}

QImage readImage(const swf::Bytes& data, const char* format)
{
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data.data()), qsizetype(data.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    const QSize size = reader.size();
    if (size.isValid() && std::int64_t(size.width()) * size.height() > kMaxBitmapPixels)
        return {};
    QImage image = reader.read();
    if (image.isNull())
        return {};
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage decodeImageBytes(const swf::Bytes& data)
{
    if (isPng(data))
        return readImage(data, "png");
    if (isGif(data))
        return readImage(data, "gif");
    return readImage(normalizeJpeg(data), "jpeg");
}

} // namespace

swf::Bytes normalizeJpeg(const swf::Bytes& data)
{
    // Walks the marker segments, copying all but the extra SOI/EOI markers.
    swf::Bytes out;
    out.reserve(data.size());
    std::size_t pos = 0;
    bool sawStart = false;
    bool sawScan = false;
    const std::size_t size = data.size();
    while (pos + 1 < size) {
        if (data[pos] != 0xFF) {
            // Bytes after the image (some encoders leave padding) are dropped.
            if (sawScan)
                break;
            return data;
        }
        const std::uint8_t marker = data[pos + 1];
        if (marker == 0xFF) { // fill byte
            ++pos;
            continue;
        }
        if (marker == 0xD8) { // SOI: only the first one stays
            if (!sawStart) {
                out.push_back(0xFF);
                out.push_back(0xD8);
                sawStart = true;
            }
            pos += 2;
            continue;
        }
        if (marker == 0xD9) { // EOI: only the last one stays
            pos += 2;
            continue;
        }
        if (!sawStart)
            return data;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            out.insert(out.end(), data.begin() + std::ptrdiff_t(pos), data.begin() + std::ptrdiff_t(pos + 2));
            pos += 2;
            continue;
        }
        if (pos + 3 >= size)
            break;
        const std::size_t length = (std::size_t(data[pos + 2]) << 8) | data[pos + 3];
        if (length < 2 || pos + 2 + length > size)
            return data;
        out.insert(out.end(), data.begin() + std::ptrdiff_t(pos), data.begin() + std::ptrdiff_t(pos + 2 + length));
        pos += 2 + length;
        if (marker == 0xDA) {
            sawScan = true;
            // Entropy-coded data runs to the next marker that is not a stuffed
            // zero or a restart marker.
            const std::size_t begin = pos;
            while (pos + 1 < size) {
                if (data[pos] == 0xFF && data[pos + 1] != 0x00 && !(data[pos + 1] >= 0xD0 && data[pos + 1] <= 0xD7))
                    break;
                ++pos;
            }
            if (pos + 1 >= size)
                pos = size;
            out.insert(out.end(), data.begin() + std::ptrdiff_t(begin), data.begin() + std::ptrdiff_t(pos));
        }
    }
    out.push_back(0xFF);
    out.push_back(0xD9);
    return out;
}

QImage decodeJpegBits(const swf::DefineBits& bits, const swf::Bytes& jpegTables)
{
    swf::Bytes joined = jpegTables;
    joined.insert(joined.end(), bits.jpegData.begin(), bits.jpegData.end());
    return readImage(normalizeJpeg(joined), "jpeg");
}

namespace {

QRgb premultipliedChecked(int a, int r, int g, int b)
{
    // The stored colours are premultiplied already; a colour above its alpha
    // would wrap when blended, so it is capped.
    return qRgba(std::min(r, a), std::min(g, a), std::min(b, a), a);
}

} // namespace

QImage decodeBitsJpeg(const swf::DefineBitsJpeg& bits)
{
    QImage image = decodeImageBytes(bits.imageData);
    if (image.isNull() || bits.version < 3 || bits.alphaData.empty() || isPng(bits.imageData) || isGif(bits.imageData))
        return image;

    const std::size_t pixels = std::size_t(image.width()) * std::size_t(image.height());
    swf::Bytes alpha;
    swf::inflateLimited(bits.alphaData, pixels, alpha);
    if (alpha.empty())
        return image;
    // A short alpha plane leaves the remaining pixels opaque.
    alpha.resize(pixels, 0xFF);
    // The colours in the JPEG are stored premultiplied by the alpha plane.
    QImage result = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < result.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        const std::uint8_t* a = alpha.data() + std::size_t(y) * std::size_t(result.width());
        for (int x = 0; x < result.width(); ++x)
            line[x] = premultipliedChecked(a[x], qRed(line[x]), qGreen(line[x]), qBlue(line[x]));
    }
    result.reinterpretAsFormat(QImage::Format_ARGB32_Premultiplied);
    return result;
}

// ---------------------------------------------------------------- lossless

QImage decodeLossless(const swf::DefineBitsLossless& bits)
{
    const int width = bits.width;
    const int height = bits.height;
    const std::int64_t pixels = std::int64_t(width) * height;
    const std::size_t expected = swf::losslessDataSize(bits);
    if (width == 0 || height == 0 || pixels > kMaxBitmapPixels || expected == 0)
        return {};
    // The data is unpacked before the picture is made: a few bytes that claim
    // a large bitmap make no large picture.
    swf::Bytes data;
    if (!swf::inflateLimited(bits.zlibData, expected, data) && pixels > kMaxPartialBitmapPixels)
        return {};
    const bool alpha = bits.version >= 2;
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    image.fill(0);

    switch (bits.format) {
    case 3: {
        const std::size_t entries = bits.colorTableSize;
        const std::size_t entrySize = alpha ? 4 : 3;
        const std::size_t stride = (std::size_t(width) + 3) & ~std::size_t(3);
        if (entries == 0 || data.size() < entries * entrySize)
            return {};
        std::vector<QRgb> palette(256, 0);
        for (std::size_t i = 0; i < entries && i < 256; ++i) {
            const std::uint8_t* e = data.data() + i * entrySize;
            palette[i] = alpha ? premultipliedChecked(e[3], e[0], e[1], e[2]) : qRgb(e[0], e[1], e[2]);
        }
        const std::size_t base = entries * entrySize;
        for (int y = 0; y < height; ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            const std::size_t rowStart = base + std::size_t(y) * stride;
            for (int x = 0; x < width; ++x) {
                const std::size_t at = rowStart + std::size_t(x);
                if (at >= data.size())
                    return image;
                line[x] = palette[data[at]];
            }
        }
        return image;
    }
    case 4: {
        const std::size_t stride = (std::size_t(width) * 2 + 3) & ~std::size_t(3);
        for (int y = 0; y < height; ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < width; ++x) {
                const std::size_t at = std::size_t(y) * stride + std::size_t(x) * 2;
                if (at + 1 >= data.size())
                    return image;
                const int value = (data[at] << 8) | data[at + 1];
                auto expand = [](int five) { return (five << 3) | (five >> 2); };
                line[x] = qRgb(expand((value >> 10) & 0x1F), expand((value >> 5) & 0x1F), expand(value & 0x1F));
            }
        }
        return image;
    }
    case 5: {
        const std::size_t stride = std::size_t(width) * 4;
        for (int y = 0; y < height; ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < width; ++x) {
                const std::size_t at = std::size_t(y) * stride + std::size_t(x) * 4;
                if (at + 3 >= data.size())
                    return image;
                const std::uint8_t* p = data.data() + at;
                line[x] = alpha ? premultipliedChecked(p[0], p[1], p[2], p[3]) : qRgb(p[1], p[2], p[3]);
            }
        }
        return image;
    }
    default:
        return {};
    }
}

} // namespace swf::render
