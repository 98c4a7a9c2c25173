#pragma once

// Draws built shapes: fills with solid colours, gradients and bitmaps, strokes
// with their widths, caps and joins, everything through a colour transform.

#include "swf/format/records.h"
#include "swf/render/shape_geometry.h"

#include <QBrush>
#include <QRect>
#include <QTransform>

class QPainter;

namespace swf::render {

class BitmapLibrary;

// The affine transform of a movie matrix, in twips on both sides.
QTransform toQTransform(const swf::Matrix& matrix);

// The brush of a fill style in shape coordinates (twips): gradients span the
// square -16384..16384 mapped by their matrix, bitmaps 20 twips a pixel mapped
// by theirs. A missing bitmap gives no brush (Qt::NoBrush). `fillBounds` is the
// area the brush must cover, used by clipped bitmaps to extend their edges.
QBrush makeBrush(const swf::FillStyle& style, const BitmapLibrary& bitmaps, const swf::ColorTransform& transform,
                 const QRectF& fillBounds = QRectF());

// Draws `geometry`, given in twips, with `twipsToDevice` mapping twips to the
// painter's device. The painter's own transform is replaced while drawing and
// restored afterwards; antialiasing is turned on. `wholeClip`, when not null,
// is the device bounds of the clip the whole picture is drawn with, where the
// painter's clip keeps only part of it: fills summed in a layer of their own
// lay the layer out by it, so that its pixels are those of the whole picture.
void paintShape(QPainter& painter, const ShapeGeometry& geometry, const BitmapLibrary& bitmaps,
                const QTransform& twipsToDevice, const swf::ColorTransform& transform,
                const QRectF& wholeClip = QRectF());

// The device pixels paintShape() may touch: the paths' area widened by the
// reach of the widest stroke (miter joins included) and antialiased edges.
QRect shapeDeviceBounds(const ShapeGeometry& geometry, const QTransform& twipsToDevice);

// `area` mapped to the device and widened by `margin` pixels on every side,
// whole pixels outward; an area that maps to no finite place covers all.
QRect deviceBounds(const QRectF& area, const QTransform& toDevice, int margin);

} // namespace swf::render
