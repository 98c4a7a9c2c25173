#include "platform/support/bitmap_movie.h"

#include "swf/format/movie_builder.h"

#include <QByteArray>

namespace veskor {

swf::Bytes bitmapMovie(int count, int side)
{
    swf::MovieBuilder b(swf::Twips::fromPixels(64), swf::Twips::fromPixels(64), 12);
    for (int i = 0; i < count; ++i) {
        std::vector<std::uint8_t> pixels(std::size_t(side) * side * 4);
        for (std::size_t p = 0; p < pixels.size(); p += 4) {
            pixels[p] = 255;
            pixels[p + 1] = std::uint8_t(p * 7 + i);
            pixels[p + 2] = std::uint8_t(p >> 9);
            pixels[p + 3] = std::uint8_t(i * 40);
        }
        // qCompress puts the length in front of the zlib stream.
        const QByteArray packed = qCompress(pixels.data(), qsizetype(pixels.size()), 1).mid(4);
        swf::Bytes zlib(packed.begin(), packed.end());
        const auto bitmap = b.define([&](std::uint16_t id) {
            return swf::DefineBitsLossless{.version = 2, .id = id, .format = 5, .width = std::uint16_t(side),
                                           .height = std::uint16_t(side), .zlibData = std::move(zlib)};
        });
        swf::FillStyle fill;
        fill.type = swf::FillStyleType::ClippedBitmap;
        fill.bitmapId = bitmap;
        fill.bitmapMatrix.scaleX = fill.bitmapMatrix.scaleY = 64.0 / side;
        const auto box = b.defineRectangle({swf::Twips(0), swf::Twips::fromPixels(64), swf::Twips(0),
                                            swf::Twips::fromPixels(64)}, fill);
        b.place(std::uint16_t(i + 1), box);
    }
    b.showFrame();
    return b.bytes();
}

} // namespace veskor
