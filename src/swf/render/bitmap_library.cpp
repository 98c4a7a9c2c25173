#include "swf/render/bitmap_library.h"

#include "swf/render/color_transform_image.h"

#include <QPainter>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <future>
#include <optional>
#include <vector>

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

void BitmapLibrary::add(std::uint16_t id, const QImage& image)
{
    m_records[id] = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    m_decoded.erase(id);
}

bool BitmapLibrary::contains(std::uint16_t id) const
{
    return m_records.count(id) != 0;
}

QImage BitmapLibrary::decode(const Record& record) const
{
    struct Decoder {
        const swf::Bytes& tables;
        QImage operator()(const swf::DefineBits& bits) const { return decodeJpegBits(bits, tables); }
        QImage operator()(const swf::DefineBitsJpeg& bits) const { return decodeBitsJpeg(bits); }
        QImage operator()(const swf::DefineBitsLossless& bits) const { return decodeLossless(bits); }
        QImage operator()(const QImage& image) const { return image; }
    };
    return std::visit(Decoder{m_jpegTables}, record);
}

bool BitmapLibrary::keep(std::uint16_t id, const QImage& decoded) const
{
    const std::int64_t bytes = decoded.sizeInBytes();
    if (bytes > m_decodedBudget)
        return false;
    // Room is made by dropping the bitmaps drawn longest ago; they decode again when needed.
    while (!m_decoded.empty() && m_decodedBytes + bytes > m_decodedBudget) {
        auto oldest = std::min_element(m_decoded.begin(), m_decoded.end(),
                                       [](const auto& a, const auto& b) { return a.second.lastUse < b.second.lastUse; });
        m_decodedBytes -= oldest->second.image.sizeInBytes();
        m_decoded.erase(oldest);
    }
    // A bitmap that fails to decode is remembered as null, so it is tried once.
    if (auto previous = m_decoded.find(id); previous != m_decoded.end())
        m_decodedBytes -= previous->second.image.sizeInBytes();
    m_decoded[id] = Decoded{decoded, ++m_uses};
    m_decodedBytes += bytes;
    return true;
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
    QImage decoded = decode(record->second);
    keep(id, decoded);
    return decoded;
}

void BitmapLibrary::decodeAll()
{
    std::vector<std::uint16_t> ids;
    for (const auto& [id, record] : m_records) {
        if (m_decoded.count(id) == 0)
            ids.push_back(id);
    }
    // In id order, so that what the budget keeps does not depend on hashing.
    std::sort(ids.begin(), ids.end());
    // Empty where decoding ahead stopped; a null image for data that does not decode.
    std::vector<std::optional<QImage>> decoded(ids.size());
    // The decoders are free functions of the records: the workers share nothing
    // but the index of the next bitmap to take.
    // Decoding ahead stops once the budget is used up: the rest decode when drawn.
    std::atomic<std::size_t> next{0};
    std::atomic<std::int64_t> bytes{m_decodedBytes};
    const auto work = [&] {
        for (std::size_t i = next++; i < ids.size() && bytes.load() < m_decodedBudget; i = next++) {
            decoded[i] = decode(m_records.at(ids[i]));
            bytes += decoded[i]->sizeInBytes();
        }
    };
    const int workers = std::clamp(QThread::idealThreadCount(), 1, 8);
    std::vector<std::future<void>> helpers;
    for (int i = 1; i < workers && std::size_t(i) < ids.size(); ++i)
        helpers.push_back(std::async(std::launch::async, work));
    work();
    for (std::future<void>& helper : helpers)
        helper.get();
    // The first ones, which movies usually draw first, are kept rather than
    // pushed out by those after them.
    for (std::size_t i = 0; i < ids.size(); ++i) {
        if (!decoded[i] || m_decodedBytes + decoded[i]->sizeInBytes() > m_decodedBudget)
            break;
        keep(ids[i], *decoded[i]);
    }
}

void BitmapLibrary::shareDecoded(const BitmapLibrary& other)
{
    for (const auto& [id, entry] : other.m_decoded) {
        if (m_records.count(id) != 0 && m_decoded.count(id) == 0)
            keep(id, entry.image);
    }
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
