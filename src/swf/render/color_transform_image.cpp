#include "swf/render/color_transform_image.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace swf::render {

QColor transformColor(const swf::Rgba& color, const swf::ColorTransform& transform)
{
    const swf::Rgba out = transform.apply(color);
    return QColor(out.r, out.g, out.b, out.a);
}

namespace {

using Table = std::array<std::uint8_t, 256>;

Table channelTable(double mult, double add)
{
    Table table{};
    for (int v = 0; v < 256; ++v) {
        const double out = std::floor(v * mult + add);
        table[std::size_t(v)] = std::uint8_t(std::clamp(out, 0.0, 255.0));
    }
    return table;
}

} // namespace

QImage transformImage(const QImage& image, const swf::ColorTransform& transform, bool coveredOnly)
{
    if (image.isNull())
        return image;
    QImage result = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (transform.isIdentity())
        return result;

    const Table red = channelTable(transform.rMult, transform.rAdd);
    const Table green = channelTable(transform.gMult, transform.gAdd);
    const Table blue = channelTable(transform.bMult, transform.bAdd);
    const Table alpha = channelTable(transform.aMult, transform.aAdd);

    for (int y = 0; y < result.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x) {
            if (coveredOnly && qAlpha(line[x]) == 0)
                continue;
            // The transform works on straight colour; premultiply again afterwards.
            const QRgb straight = qUnpremultiply(line[x]);
            const int a = alpha[std::size_t(qAlpha(straight))];
            line[x] = qPremultiply(qRgba(red[std::size_t(qRed(straight))], green[std::size_t(qGreen(straight))],
                                         blue[std::size_t(qBlue(straight))], a));
        }
    }
    return result;
}

} // namespace swf::render
