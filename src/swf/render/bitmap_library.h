#pragma once

// The bitmaps of a movie, by character id: kept as their records and decoded
// on first use, then cached within a budget (limits.h), together with
// colour-transformed copies.

#include "swf/format/limits.h"
#include "swf/format/records.h"
#include "swf/render/limits.h"

#include <QImage>

#include <cstdint>
#include <array>
#include <map>
#include <tuple>
#include <unordered_map>
#include <variant>

namespace swf::render {

// The largest bitmap decoded, in pixels (a bigger one is left out).
inline constexpr std::int64_t kMaxBitmapPixels = std::int64_t(swf::limits::kMaxBitmapPixels);

// Decoders for the bitmap tags, free functions so tests can drive them directly.
// Each returns a Format_ARGB32_Premultiplied image, or a null image for data
// that cannot be decoded.
QImage decodeJpegBits(const swf::DefineBits& bits, const swf::Bytes& jpegTables);
QImage decodeBitsJpeg(const swf::DefineBitsJpeg& bits);
QImage decodeLossless(const swf::DefineBitsLossless& bits);

// JPEG data as a decoder accepts it: the stray end-and-start marker pair some
// encoders put in front, and the end/start pair between tables and image, taken
// out. Data that is not a JPEG marker stream comes back unchanged.
swf::Bytes normalizeJpeg(const swf::Bytes& data);

class BitmapLibrary {
public:
    // `decodedBudget`: bytes of decoded bitmaps kept at once (tests choose a small one).
    explicit BitmapLibrary(std::int64_t decodedBudget = kMaxDecodedBitmapBytes) : m_decodedBudget(decodedBudget) {}

    void setJpegTables(const swf::JpegTables& tables);
    void add(const swf::DefineBits& bits);
    void add(const swf::DefineBitsJpeg& bits);
    void add(const swf::DefineBitsLossless& bits);
    // A picture made elsewhere (a script's pixels), as bitmap `id`.
    void add(std::uint16_t id, const QImage& image);

    bool contains(std::uint16_t id) const;
    // The decoded bitmap, or a null image when the id is unknown or does not decode.
    QImage image(std::uint16_t id) const;
    // The bitmap with a colour transform applied (the identity gives image()).
    QImage transformed(std::uint16_t id, const swf::ColorTransform& transform) const;

    // The bitmap extended on every side by repeating its edge pixels, for fills
    // that clamp outside the image; `margin` pixels on each side.
    QImage clamped(std::uint16_t id, const swf::ColorTransform& transform, int margin) const;

    // Decodes every bitmap now, several at a time on worker threads, and keeps
    // what fits the budget, so that drawing later finds them ready. Called
    // while the library is not in use elsewhere (a movie being prepared).
    void decodeAll();
    // Keeps the bitmaps `other` has decoded, sharing their pixels, so that a
    // second renderer of the same movie need not decode them again.
    void shareDecoded(const BitmapLibrary& other);

    void clearDecoded();
    // Bytes of the decoded bitmaps kept now.
    std::int64_t decodedBytes() const { return m_decodedBytes; }

private:
    using Record = std::variant<swf::DefineBits, swf::DefineBitsJpeg, swf::DefineBitsLossless, QImage>;
    std::int64_t m_decodedBudget;
    std::unordered_map<std::uint16_t, Record> m_records;
    swf::Bytes m_jpegTables;
    struct Decoded {
        QImage image;
        std::uint64_t lastUse = 0;
    };
    mutable std::unordered_map<std::uint16_t, Decoded> m_decoded;
    mutable std::int64_t m_decodedBytes = 0;
    // Decodes one record (no state of the library is touched).
    QImage decode(const Record& record) const;
    // Keeps a decoded bitmap, making room within the budget; false when it is too big to keep.
    bool keep(std::uint16_t id, const QImage& decoded) const;
    mutable std::uint64_t m_uses = 0;

    using TransformKey = std::tuple<std::uint16_t, int, std::array<double, 8>>;
    mutable std::map<TransformKey, QImage> m_transformed;
    mutable std::int64_t m_copyBytes = 0;
};

} // namespace swf::render
