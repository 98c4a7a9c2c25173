#include "swf/render/bitmap_library.h"

#include "swf/render/color_transform_image.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace swf::render {

void BitmapLibrary::setJpegTables(const swf::JpegTables& tables)
{
    m_jpegTables = tables.data;
}

void BitmapLibrary::add(const swf::DefineBits& bits)
{
    m_records.emplace(bits.id, bits);
}

void BitmapLibrary::add(const swf::DefineBitsJpeg& bits)
{
    m_records.emplace(bits.id, bits);
}

void BitmapLibrary::add(const swf::DefineBitsLossless& bits)
{
    m_records.emplace(bits.id, bits);
}

bool BitmapLibrary::contains(std::uint16_t id) const
{
    return m_records.count(id) != 0;
}

QImage BitmapLibrary::image(std::uint16_t id) const
{
    if (auto found = m_decoded.find(id); found != m_decoded.end()) {
        found->second.lastUse = ++m_uses;
        return found->second.image;
    }
    auto record = m_records.find(id);
    if (record == m_records.end())
        return {};
    struct Decoder {
        const swf::Bytes& tables;
        QImage operator()(const swf::DefineBits& bits) const { return decodeJpegBits(bits, tables); }
        QImage operator()(const swf::DefineBitsJpeg& bits) const { return decodeBitsJpeg(bits); }
        QImage operator()(const swf::DefineBitsLossless& bits) const { return decodeLossless(bits); }
    };
    QImage decoded = std::visit(Decoder{m_jpegTables}, record->second);
    const std::int64_t bytes = decoded.sizeInBytes();
    if (bytes > m_decodedBudget)
        return decoded;
    // Room is made by dropping the bitmaps drawn longest ago; they decode again when needed.
    while (!m_decoded.empty() && m_decodedBytes + bytes > m_decodedBudget) {
        auto oldest = std::min_element(m_decoded.begin(), m_decoded.end(),
                                       [](const auto& a, const auto& b) { return a.second.lastUse < b.second.lastUse; });
        m_decodedBytes -= oldest->second.image.sizeInBytes();
        m_decoded.erase(oldest);
    }
    // A bitmap that fails to decode is remembered as null, so it is tried once.
    m_decoded[id] = Decoded{decoded, ++m_uses};
    m_decodedBytes += bytes;
    return decoded;
}

namespace {

std::array<double, 8> transformKey(const swf::ColorTransform& t)
{
    return {t.rMult, t.gMult, t.bMult, t.aMult, t.rAdd, t.gAdd, t.bAdd, t.aAdd};
}

} // namespace

QImage BitmapLibrary::transformed(std::uint16_t id, const swf::ColorTransform& transform) const
{
    return clamped(id, transform, 0);
}

QImage BitmapLibrary::clamped(std::uint16_t id, const swf::ColorTransform& transform, int margin) const
{
    const QImage source = image(id);
    if (source.isNull())
        return {};
    if (transform.isIdentity() && margin == 0)
        return source;
    // The padded copy may grow a bitmap by a bounded amount only: to four
    // times its pixels or a megapixel, whichever is more.
    const double budget = std::max(4.0 * source.width() * source.height(), 1024.0 * 1024.0);
    const int widest = std::max(source.width(), source.height());
    const int allowed = int((std::sqrt(budget) - widest) / 2);
    margin = std::clamp(margin, 0, std::clamp(allowed, 2, 1024));
    const TransformKey key{id, margin, transformKey(transform)};
    if (auto found = m_transformed.find(key); found != m_transformed.end())
        return found->second;

    QImage result = transformImage(source, transform);
    if (margin > 0 && !result.isNull()) {
        const int w = result.width();
        const int h = result.height();
        QImage padded(w + 2 * margin, h + 2 * margin, QImage::Format_ARGB32_Premultiplied);
        if (padded.isNull())
            return result;
        for (int y = 0; y < padded.height(); ++y) {
            const auto* from = reinterpret_cast<const QRgb*>(result.constScanLine(std::clamp(y - margin, 0, h - 1)));
            auto* to = reinterpret_cast<QRgb*>(padded.scanLine(y));
            for (int x = 0; x < padded.width(); ++x)
                to[x] = from[std::clamp(x - margin, 0, w - 1)];
        }
        result = padded;
    }
    const std::int64_t bytes = result.sizeInBytes();
    if (m_copyBytes + bytes > kMaxBitmapCopyBytes) {
        m_transformed.clear();
        m_copyBytes = 0;
    }
    m_transformed.emplace(key, result);
    m_copyBytes += bytes;
    return result;
}

void BitmapLibrary::clearDecoded()
{
    m_decoded.clear();
    m_decodedBytes = 0;
    m_transformed.clear();
    m_copyBytes = 0;
}

} // namespace swf::render
