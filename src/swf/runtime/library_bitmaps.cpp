// Bitmaps of a movie's library that scripts take by their export names
// (BitmapData.loadBitmap).

#include "swf/format/bitmaps.h"
#include "swf/render/bitmap_library.h"
#include "swf/runtime/movie_runtime.h"

#include <QImage>

namespace swf::runtime {

std::optional<script::LibraryBitmap> MovieRuntime::exportedBitmap(script::Object* asker, const std::string& name)
{
    const Instance* inst = instanceOf(asker);
    if (!inst)
        inst = m_rootInstance;
    const std::uint16_t id = exported(inst, name);
    if (!id)
        return std::nullopt;
    // The definition, decoded as the renderer decodes it; JPEG data without
    // tables of its own takes the movie's.
    QImage image;
    bool transparent = false;
    Bytes tables;
    for (const Tag& tag : dictionaryOf(inst).tags()) {
        if (const auto* t = std::get_if<JpegTables>(&tag)) {
            tables = t->data;
        } else if (const auto* b = std::get_if<DefineBits>(&tag); b && b->id == id) {
            image = render::decodeJpegBits(*b, tables);
            break;
        } else if (const auto* j = std::get_if<DefineBitsJpeg>(&tag); j && j->id == id) {
            image = render::decodeBitsJpeg(*j);
            // JPEG data is opaque unless an alpha plane comes with it;
            // a PNG or GIF in the tag keeps its own transparency.
            const bool jpeg = detectImageFormat(j->imageData) == ImageFormat::Jpeg;
            transparent = !j->alphaData.empty() || (!jpeg && image.hasAlphaChannel());
            break;
        } else if (const auto* l = std::get_if<DefineBitsLossless>(&tag); l && l->id == id) {
            image = render::decodeLossless(*l);
            transparent = l->version == 2;
            break;
        }
    }
    if (image.isNull())
        return std::nullopt;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    script::LibraryBitmap bitmap;
    bitmap.width = argb.width();
    bitmap.height = argb.height();
    bitmap.transparent = transparent;
    if (!m_vm->reserveMemory(std::size_t(bitmap.width) * std::size_t(bitmap.height) * 4))
        return std::nullopt;
    bitmap.argb.reserve(std::size_t(bitmap.width) * std::size_t(bitmap.height));
    for (int y = 0; y < argb.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            bitmap.argb.push_back(transparent ? row[x] : (row[x] | 0xFF000000u));
    }
    return bitmap;
}

} // namespace swf::runtime
