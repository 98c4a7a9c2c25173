#include "swf/render/blend.h"

#include <QImage>
#include <QPainter>

#include <algorithm>

namespace swf::render {

BlendMode blendModeFromByte(std::uint8_t value)
{
    switch (value) {
    case 2: return BlendMode::Layer;
    case 3: return BlendMode::Multiply;
    case 4: return BlendMode::Screen;
    case 5: return BlendMode::Lighten;
    case 6: return BlendMode::Darken;
    case 7: return BlendMode::Difference;
    case 8: return BlendMode::Add;
    case 9: return BlendMode::Subtract;
    case 10: return BlendMode::Invert;
    case 11: return BlendMode::Alpha;
    case 12: return BlendMode::Erase;
    case 13: return BlendMode::Overlay;
    case 14: return BlendMode::HardLight;
    default: return BlendMode::Normal;
    }
}

bool needsLayer(BlendMode mode)
{
    return mode != BlendMode::Normal;
}

namespace {

// Modes QPainter has no composition mode for, written on premultiplied pixels.
template <typename PixelFunction>
void combinePixels(QImage& destination, const QImage& layer, PixelFunction combine)
{
    const int width = destination.width();
    for (int y = 0; y < destination.height(); ++y) {
        auto* target = reinterpret_cast<QRgb*>(destination.scanLine(y));
        const auto* source = reinterpret_cast<const QRgb*>(layer.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            if (qAlpha(source[x]) != 0)
                target[x] = combine(target[x], source[x]);
        }
    }
}

int clampChannel(int value)
{
    return std::clamp(value, 0, 255);
}

int over(int sourceAlpha, int destinationAlpha)
{
    return sourceAlpha + destinationAlpha - (sourceAlpha * destinationAlpha + 127) / 255;
}

// The backdrop minus the layer, channel by channel, never below zero.
QRgb subtractPixel(QRgb destination, QRgb source)
{
    const int alpha = over(qAlpha(source), qAlpha(destination));
    auto channel = [&](int d, int s) { return std::min(clampChannel(d - s), alpha); };
    return qRgba(channel(qRed(destination), qRed(source)), channel(qGreen(destination), qGreen(source)),
                 channel(qBlue(destination), qBlue(source)), alpha);
}

// The backdrop's colours inverted wherever the layer covers it; the layer's own
// colours do not matter, only its coverage. Where the backdrop is transparent
// its inverse is white, so the layer shows there as white.
QRgb invertPixel(QRgb destination, QRgb source)
{
    const int coverage = qAlpha(source);
    const int alpha = over(coverage, qAlpha(destination));
    auto channel = [&](int d) { return std::min((d * (255 - coverage) + (255 - d) * coverage + 127) / 255, alpha); };
    return qRgba(channel(qRed(destination)), channel(qGreen(destination)), channel(qBlue(destination)), alpha);
}

} // namespace

void compositeLayer(QImage& destination, const QImage& layer, BlendMode mode)
{
    if (destination.size() != layer.size() || destination.isNull()
        || destination.format() != QImage::Format_ARGB32_Premultiplied
        || layer.format() != QImage::Format_ARGB32_Premultiplied)
        return;

    switch (mode) {
    case BlendMode::Subtract:
        combinePixels(destination, layer, subtractPixel);
        return;
    case BlendMode::Invert:
        combinePixels(destination, layer, invertPixel);
        return;
    default:
        break;
    }

    QPainter::CompositionMode composition = QPainter::CompositionMode_SourceOver;
    switch (mode) {
    case BlendMode::Multiply: composition = QPainter::CompositionMode_Multiply; break;
    case BlendMode::Screen: composition = QPainter::CompositionMode_Screen; break;
    case BlendMode::Lighten: composition = QPainter::CompositionMode_Lighten; break;
    case BlendMode::Darken: composition = QPainter::CompositionMode_Darken; break;
    case BlendMode::Difference: composition = QPainter::CompositionMode_Difference; break;
    case BlendMode::Add: composition = QPainter::CompositionMode_Plus; break;
    case BlendMode::Alpha: composition = QPainter::CompositionMode_DestinationIn; break;
    case BlendMode::Erase: composition = QPainter::CompositionMode_DestinationOut; break;
    case BlendMode::Overlay: composition = QPainter::CompositionMode_Overlay; break;
    case BlendMode::HardLight: composition = QPainter::CompositionMode_HardLight; break;
    default: break;
    }
    QPainter painter(&destination);
    painter.setCompositionMode(composition);
    painter.drawImage(0, 0, layer);
}

} // namespace swf::render
