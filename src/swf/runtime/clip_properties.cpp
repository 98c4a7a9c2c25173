// The display properties of clips (_x to _ymouse), their bounds and where
// they are on the stage.

#include "swf/runtime/movie_runtime.h"

#include "swf/movie/drawing.h"
#include "swf/movie/limits.h"
#include "swf/render/font_library.h"
#include "swf/render/shape_painter.h"
#include "swf/text/text_field.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace swf::runtime {

using script::ClipProperty;
using script::Object;
using script::Value;

namespace {

QRectF rectOf(const swf::Rect& r)
{
    return QRectF(QPointF(r.xMin.get(), r.yMin.get()), QPointF(r.xMax.get(), r.yMax.get()));
}

QRectF unite(const QRectF& a, const QRectF& b)
{
    if (!a.isValid())
        return b;
    if (!b.isValid())
        return a;
    return a.united(b);
}

// A matrix with its translation in whole twips, and, as the player stores the
// levels it multiplies, its scale and skew in 16.16 fixed point, cut down to
// the last place (a fixed-point product drops the bits below it).
QTransform inWholeTwips(const QTransform& t, bool fixedPoint)
{
    const auto fixed = [fixedPoint](double v) { return fixedPoint ? std::floor(v * 65536.0) / 65536.0 : v; };
    return QTransform(fixed(t.m11()), fixed(t.m12()), fixed(t.m21()), fixed(t.m22()), std::round(t.dx()),
                      std::round(t.dy()));
}

// A rectangle mapped into another space; one that holds nothing stays empty.
// `flat`: a rectangle with no width or no height still has its other side
// (a text field's box), though it is no valid rectangle.
QRectF mapped(const QTransform& t, const QRectF& r, bool flat = false)
{
    if (!r.isValid() && !(flat && r.width() >= 0 && r.height() >= 0))
        return QRectF();
    const QRectF m = t.mapRect(r);
    return QRectF(QPointF(std::round(m.left()), std::round(m.top())),
                  QPointF(std::round(m.right()), std::round(m.bottom())));
}

double pixels(double twips) { return std::round(twips) / 20.0; }

// A factor of the matrix the scale and rotation properties make, as the
// player keeps it: 16.16 fixed point in 32 bits, rounded, wrapping around.
double fixed16(double factor)
{
    const double units = std::fmod(std::round(factor * 65536.0), 4294967296.0);
    return double(std::int32_t(std::uint32_t(std::int64_t(units < 0 ? units + 4294967296.0 : units)))) / 65536.0;
}

// How far (whole twips, in the parent's space) a text field's _x and _y, the
// top left corner of its rectangle, lie from its translation.
double textXShift(const movie::DisplayObject& object)
{
    return object.text ? std::round(object.text->xShift() * object.matrix.scaleX) : 0.0;
}

double textYShift(const movie::DisplayObject& object)
{
    return object.text ? std::round(double(object.text->bounds.yMin.get()) * object.matrix.scaleY) : 0.0;
}

// A position in twips from pixels a script gives: text fields drop the
// fraction of a twip, as their sizes do; other objects round to the nearest.
// Either wraps to 32 bits (infinities are 0), as the player keeps twips.
constexpr const char* kQualityNames[] = {"LOW", "MEDIUM", "HIGH", "BEST"};

// A number made a 32-bit integer as the processor the player ran on did: cut
// towards zero, and what lies out of range (infinities too) the lowest
// integer.
std::int32_t processorInt32(double v)
{
    if (!(v > -2147483649.0 && v < 2147483648.0))
        return std::numeric_limits<std::int32_t>::min();
    return std::int32_t(v);
}

std::int32_t positionTwips(const movie::DisplayObject& object, double twips)
{
    // A position drops the fraction of a twip: adding 0.04 pixels to 0 stays
    // 0. An infinite position of a clip became twips as the processor made
    // it an integer; a text field's wraps like any number.
    if (std::isinf(twips) && !object.text)
        return processorInt32(twips);
    return script::toInt32(twips);
}

} // namespace

// The old quality toggle: high quality becomes low, any other high.
void MovieRuntime::toggleQuality()
{
    constexpr int kLow = 0, kHigh = 2;
    m_quality = m_quality == kHigh ? kLow : kHigh;
}

QRectF MovieRuntime::localBounds(const movie::DisplayObject& object) const
{
    return boundsIn(object, QTransform());
}

QRectF MovieRuntime::boundsIn(const movie::DisplayObject& object, const QTransform& toSpace) const
{
    // Each shape's rectangle is mapped once, through the whole chain of
    // matrices down to it, so a turned clip inside a turned clip is not
    // boxed twice.
    QRectF bounds;
    if (object.clip && object.scrollRect) {
        // A clip seen through a scroll rectangle is as large as the rectangle.
        return mapped(toSpace, rectOf(movie::scrollWindow(*object.scrollRect)));
    }
    if (object.clip) {
        if (object.clip->drawing) {
            // Before SWF 8 a script's strokes count their whole width on each side.
            const bool fullWidth = globalsVersionOf(instanceFor(object)) < 8;
            if (const auto drawn = object.clip->drawing->bounds(true, fullWidth))
                bounds = mapped(toSpace, rectOf(*drawn));
        }
        for (const auto& [depth, child] : object.clip->objects)
            bounds = unite(bounds, boundsIn(child, inWholeTwips(render::toQTransform(child.matrix) * toSpace, true)));
        return bounds;
    }
    if (!object.character)
        return bounds;
    switch (object.character->kind) {
    case movie::Character::Kind::Shape:
        if (const auto* shape = object.character->shape())
            return mapped(toSpace, rectOf(shape->bounds));
        break;
    case movie::Character::Kind::MorphShape:
        if (const auto* morph = object.character->morphShape()) {
            const double t = object.ratio / 65535.0;
            const QRectF a = rectOf(morph->startBounds), b = rectOf(morph->endBounds);
            const QRectF between(QPointF(a.left() + (b.left() - a.left()) * t, a.top() + (b.top() - a.top()) * t),
                                 QPointF(a.right() + (b.right() - a.right()) * t,
                                         a.bottom() + (b.bottom() - a.bottom()) * t));
            return mapped(toSpace, between);
        }
        break;
    case movie::Character::Kind::Text:
        if (const auto* text = object.character->text())
            return mapped(toSpace, rectOf(text->bounds));
        break;
    case movie::Character::Kind::EditText:
        if (object.text)
            return mapped(toSpace, rectOf(object.text->bounds), true);
        if (const auto* field = object.character->editText())
            return mapped(toSpace, rectOf(field->bounds));
        break;
    case movie::Character::Kind::Video:
        if (object.character->video)
            return mapped(toSpace, rectOf(movie::videoBounds(*object.character->video)));
        break;
    default:
        break;
    }
    return bounds;
}

QTransform MovieRuntime::toStage(const Instance* inst) const
{
    // Up to and including the level's root: moving or turning a level moves
    // everything in it on the stage.
    QTransform t;
    for (const Instance* i = inst; i && i->object; i = i->parent) {
        t = t * render::toQTransform(i->object->matrix);
        if (i->isRoot)
            break;
    }
    return t;
}

QTransform MovieRuntime::pointsToStage(const Instance* inst) const
{
    QTransform t;
    for (const Instance* i = inst; i && i->object; i = i->parent) {
        t = inWholeTwips(t * render::toQTransform(i->object->matrix), true);
        if (i->isRoot)
            break;
    }
    return t;
}

QTransform MovieRuntime::pointsToLocal(const Instance* inst, bool* invertible) const
{
    return inWholeTwips(pointsToStage(inst).inverted(invertible), false);
}

// Whether a point (in the object's own twips) lies on what it draws: drawings,
// shapes and static text exactly, other characters by their bounds.
// `dictionary` holds the characters of the movie the object is part of;
// `pixel` is how long a pixel of the stage is in the object's twips.
static bool coversPoint(const MovieRuntime& rt, const movie::DisplayObject& object, QPointF local,
                        const movie::CharacterDictionary& dictionary, double pixel, int nesting,
                        bool evenIfHidden = false)
{
    if (nesting > movie::kMaxNesting || (!object.visible && !evenIfHidden))
        return false;
    if (object.clip && object.scrollRect) {
        // Only what shows through the scroll rectangle is hit.
        const swf::Rect& scroll = *object.scrollRect;
        if (!rectOf(movie::scrollWindow(scroll)).contains(local))
            return false;
        local += QPointF(scroll.xMin.get(), scroll.yMin.get());
    }
    if (object.clip) {
        if (object.clip->drawing && object.clip->drawing->contains(PointF{local.x(), local.y()}, true, pixel))
            return true;
        // A movie loaded into the clip brings characters of its own.
        const movie::CharacterDictionary& inside = object.clip->dictionary ? *object.clip->dictionary : dictionary;
        // The clip layers above which a child lies: it is hit only where
        // each of them covers the point too (the layers themselves never are).
        struct Layer {
            int lastDepth;
            bool covers;
        };
        std::vector<Layer> layers;
        for (const auto& [depth, child] : object.clip->objects) {
            std::erase_if(layers, [depth](const Layer& l) { return l.lastDepth < depth; });
            if (child.isScriptMask)
                continue;
            const QTransform toChild = render::toQTransform(child.matrix).inverted();
            const QPointF inner = toChild.map(local);
            const double innerPixel = std::clamp(pixel * pixelThrough(toChild) / 20, 1e-6, 1e9);
            if (child.clipDepth > 0) {
                layers.push_back({child.clipDepth, coversPoint(rt, child, inner, inside, innerPixel, nesting + 1, true)});
                continue;
            }
            const bool clipped = std::ranges::any_of(layers, [](const Layer& l) { return !l.covers; });
            if (!clipped && coversPoint(rt, child, inner, inside, innerPixel, nesting + 1))
                return true;
        }
        return false;
    }
    return rt.characterCovers(object, local, dictionary, pixel);
}

bool MovieRuntime::characterCovers(const movie::DisplayObject& object, QPointF local,
                                   const movie::CharacterDictionary& dictionary, double pixel) const
{
    // Text the advanced anti-aliasing engine draws leaves no outlines to test:
    // it is hit anywhere in its box as its parent sees it, turned or not.
    const movie::Character* character = object.character;
    if (character && character->text()) {
        const TextRenderSettings* settings = dictionary.textSettings(character->text()->id);
        if (settings && settings->advanced) {
            const QTransform toParent = render::toQTransform(object.matrix);
            const QRectF bounds = localBounds(object);
            return bounds.isValid() && toParent.mapRect(bounds).contains(toParent.map(local));
        }
    }
    if (const std::optional<bool> onShape = m_shapeHits.covers(object, local, fontsOf(dictionary), pixel))
        return *onShape;
    const QRectF bounds = localBounds(object);
    return bounds.isValid() && bounds.contains(local);
}

const render::FontLibrary& MovieRuntime::fontsOf(const movie::CharacterDictionary& dictionary) const
{
    const LoadedMovie* loaded = loadedMovieOf(dictionary);
    return loaded && loaded->fonts ? *loaded->fonts : *m_fonts;
}

const LoadedMovie* MovieRuntime::loadedMovieOf(const movie::CharacterDictionary& dictionary) const
{
    for (const auto& loaded : m_loadedMovies) {
        if (loaded->dictionary.get() == &dictionary)
            return loaded.get();
    }
    return nullptr;
}

bool MovieRuntime::hitTest(const Instance* inst, double stageX, double stageY, bool shapeOnly, bool byScript) const
{
    if (!inst || !inst->object)
        return false;
    if (shapeOnly) {
        if (byScript && inst->object->isScriptMask)
            return false;
        // A script's point meets the shapes as if their level root stood
        // untransformed: moving or scaling the root moves the point (see
        // hitTest's method) but not the shapes it is tested against. From
        // SWF 8 the shapes move with the root too, so the point meets them
        // where it was given, in the root's coordinates.
        const bool rootMovesShapes = swfVersionOf(inst) >= 8;
        auto toOwn = [&](const Instance* of) {
            QTransform t = toStage(of);
            if (byScript && !rootMovesShapes) {
                const Instance* root = of;
                while (root->parent && !root->isRoot)
                    root = root->parent;
                if (root->object)
                    t = t * render::toQTransform(root->object->matrix).inverted();
            }
            return t.inverted();
        };
        // A clip a script masks is hit only inside its mask.
        const Instance* mask = inst->mask;
        const QPointF point(stageX, stageY);
        if (byScript && mask && mask->object) {
            const QTransform toMask = toOwn(mask);
            if (!coversPoint(*this, *mask->object, toMask.map(point), dictionaryOf(mask), pixelThrough(toMask), 0, true))
                return false;
        }
        const QTransform toInst = toOwn(inst);
        return coversPoint(*this, *inst->object, toInst.map(point), dictionaryOf(inst), pixelThrough(toInst), 0,
                           byScript);
    }
    const QRectF bounds = localBounds(*inst->object);
    if (!bounds.isValid())
        return false;
    // Edges count, so a clip scaled to nothing still holds its one point.
    // The bounds reach the stage through the matrices points go through,
    // in whole twips.
    const QRectF onStage = pointsToStage(inst).mapRect(bounds);
    return stageX >= std::round(onStage.left()) && stageX <= std::round(onStage.right())
           && stageY >= std::round(onStage.top()) && stageY <= std::round(onStage.bottom());
}

void Instance::keepScriptTransform()
{
    if (hasScriptTransform || !object)
        return;
    const Matrix& m = object->matrix;
    xScale = std::hypot(m.scaleX, m.rotateSkew0) * 100.0;
    yScale = std::hypot(m.rotateSkew1, m.scaleY) * 100.0;
    rotation = std::atan2(m.rotateSkew0, m.scaleX) * 180.0 / std::numbers::pi;
    skew = std::atan2(-m.rotateSkew1, m.scaleY) * 180.0 / std::numbers::pi - rotation;
    hasScriptTransform = true;
}

Value MovieRuntime::getProperty(Object* clip, int index)
{
    Instance* inst = instanceOf(clip);
    if (!inst)
        return Value();
    movie::DisplayObject& object = *inst->object;
    const Matrix& m = object.matrix;
    // Asking where an autosized field is lays it out, which brings its
    // scrolling into the range of its lines.
    if (object.text && object.text->autoSize != text::AutoSize::None
        && (ClipProperty(index) == ClipProperty::X || ClipProperty(index) == ClipProperty::Y))
        object.text->clampScroll();
    switch (ClipProperty(index)) {
    case ClipProperty::X:
        return (double(m.translateX.get()) + textXShift(object)) / 20.0;
    case ClipProperty::Y:
        return (double(m.translateY.get()) + textYShift(object)) / 20.0;
    case ClipProperty::XScale:
        if (inst->hasScriptTransform)
            return inst->xScale;
        return std::hypot(m.scaleX, m.rotateSkew0) * 100.0;
    case ClipProperty::YScale:
        if (inst->hasScriptTransform)
            return inst->yScale;
        return std::hypot(m.rotateSkew1, m.scaleY) * 100.0;
    case ClipProperty::Rotation:
        if (inst->hasScriptTransform)
            return inst->rotation;
        return std::atan2(m.rotateSkew0, m.scaleX) * 180.0 / std::numbers::pi;
    case ClipProperty::CurrentFrame:
        return object.clip ? double(object.clip->frame + 1) : 1.0;
    case ClipProperty::TotalFrames:
    case ClipProperty::FramesLoaded:
        return object.clip && object.clip->timeline ? double(object.clip->timeline->declaredFrames) : 1.0;
    case ClipProperty::Alpha:
        return object.colorTransform.aMult * 100.0;
    case ClipProperty::Visible:
        return object.visible;
    case ClipProperty::Width:
    case ClipProperty::Height: {
        const QTransform toParent = inst->isRoot ? QTransform() : inWholeTwips(render::toQTransform(m), true);
        // A clip flattened on one side keeps its size on the other.
        const QRectF outer = boundsIn(object, toParent);
        if (outer.isNull())
            return 0.0;
        return pixels(ClipProperty(index) == ClipProperty::Width ? outer.width() : outer.height());
    }
    case ClipProperty::Target:
        return targetPath(clip, true);
    case ClipProperty::Name:
        return object.name;
    case ClipProperty::DropTarget:
        return inst->dropTarget;
    case ClipProperty::Url:
        return urlOf(inst);
    case ClipProperty::HighQuality:
        // 1 for high quality, 2 for best, 0 for low and medium.
        return m_quality == 2 ? 1.0 : m_quality == 3 ? 2.0 : 0.0;
    case ClipProperty::FocusRect:
        // Before SWF 6 one setting serves the whole movie, as a number.
        if (m_vm->swfVersion() < 6)
            return m_focusRect ? 1.0 : 0.0;
        if (inst->isRoot)
            return m_focusRect;
        return inst->focusRect ? Value(*inst->focusRect) : Value::null();
    case ClipProperty::SoundBufTime:
        return double(m_soundBufferSeconds);
    case ClipProperty::Quality:
        return std::string(kQualityNames[m_quality]);
    case ClipProperty::XMouse:
    case ClipProperty::YMouse: {
        // The player finds the pointer in a clip through the clip's place on
        // the stage as it draws it, moved to whole pixels. A clip scaled to
        // nothing cannot be undone and gives the pointer shrunk to a
        // twentieth.
        QTransform t = pointsToStage(inst);
        const auto snap = [](double twips) { return std::floor(twips / 20.0 + 0.5) * 20.0; };
        t.setMatrix(t.m11(), t.m12(), t.m13(), t.m21(), t.m22(), t.m23(), snap(t.dx()), snap(t.dy()), t.m33());
        bool invertible = false;
        const QTransform back = inWholeTwips(t.inverted(&invertible), false);
        const QPointF pointer(m_pointer.x, m_pointer.y);
        const QPointF local = invertible ? back.map(pointer) : pointer / 20.0;
        return pixels(ClipProperty(index) == ClipProperty::XMouse ? local.x() : local.y());
    }
    }
    return Value();
}

double MovieRuntime::emptyBoundsCorner(int callerVersion, bool named, bool otherSpace)
{
    const bool rounded = m_emptyBoundsRounded || swfVersionOf(m_rootInstance) >= 8 || (otherSpace && callerVersion >= 8);
    if (callerVersion >= 8)
        m_emptyBoundsRounded = true;
    return rounded && named ? 6710886.4 : 6710886.35;
}

void MovieRuntime::setProperty(Object* clip, int index, const Value& value)
{
    Instance* inst = instanceOf(clip);
    if (!inst)
        return;
    movie::DisplayObject& object = *inst->object;
    Matrix& m = object.matrix;
    // What is no number leaves a property as it was. Undefined, null and
    // empty text count as no number here in every version, and so does text
    // that reads as none, even in SWF 4 where it would otherwise be 0; an
    // infinity is a number.
    const auto number = [&](double& out) {
        if (value.isString() && m_vm->swfVersion() < 5)
            out = script::stringToNumber(value.asString(), 5);
        else
            out = m_vm->toDisplayNumber(value);
        return !std::isnan(out);
    };
    const auto keepTransform = [&] { inst->keepScriptTransform(); };
    const auto compose = [&] {
        // A scale without bounds (a size given to a clip with nothing in it)
        // or an angle of NaN collapses the clip: it and what it holds later
        // take no room.
        if (!std::isfinite(inst->xScale) || !std::isfinite(inst->yScale) || !std::isfinite(inst->rotation)) {
            m.scaleX = m.rotateSkew0 = m.rotateSkew1 = m.scaleY = 0;
            object.scriptTransformed = true;
            return;
        }
        const double r = inst->rotation * std::numbers::pi / 180.0;
        const double ry = (inst->rotation + inst->skew) * std::numbers::pi / 180.0;
        m.scaleX = fixed16(inst->xScale / 100.0 * std::cos(r));
        m.rotateSkew0 = fixed16(inst->xScale / 100.0 * std::sin(r));
        m.rotateSkew1 = fixed16(-inst->yScale / 100.0 * std::sin(ry));
        m.scaleY = fixed16(inst->yScale / 100.0 * std::cos(ry));
        object.scriptTransformed = true;
    };
    double v = 0;
    switch (ClipProperty(index)) {
    case ClipProperty::X:
        if (number(v)) {
            m.translateX = Twips(positionTwips(object, v * 20.0 - textXShift(object)));
            object.scriptTransformed = true;
        }
        break;
    case ClipProperty::Y:
        if (number(v)) {
            m.translateY = Twips(positionTwips(object, v * 20.0 - textYShift(object)));
            object.scriptTransformed = true;
        }
        break;
    case ClipProperty::XScale:
        if (number(v)) {
            keepTransform();
            inst->xScale = v;
            compose();
        }
        break;
    case ClipProperty::YScale:
        if (number(v)) {
            keepTransform();
            inst->yScale = v;
            compose();
        }
        break;
    case ClipProperty::Rotation:
        // An infinite angle is a number still: brought into range it
        // becomes NaN, which the clip keeps (and shows nothing).
        if (number(v)) {
            keepTransform();
            v = std::fmod(v, 360.0);
            if (v > 180.0)
                v -= 360.0;
            else if (v < -180.0)
                v += 360.0;
            inst->rotation = v;
            compose();
        }
        break;
    case ClipProperty::Alpha:
        if (number(v)) {
            object.colorTransform.aMult = swf::ColorTransform::multiplierFromPercent(v);
            object.scriptTransformed = true;
        }
        break;
    case ClipProperty::Visible: {
        const bool wasVisible = object.visible;
        // Visible is any number but zero; what is no number leaves it.
        if (number(v))
            object.visible = v != 0;
        // Hiding the focused object takes the focus away; one hidden already
        // keeps a focus given to it.
        if (wasVisible && !object.visible && m_focus && m_focus == inst->self)
            changeFocus(nullptr, FocusCause::Removal);
        break;
    }
    case ClipProperty::Width:
    case ClipProperty::Height:
        if (number(v) && std::isfinite(v) && v >= 0) {
            const QRectF bounds = localBounds(object);
            const bool width = ClipProperty(index) == ClipProperty::Width;
            const auto scaleFor = [](double size, double own) {
                return own <= 0 ? (size > 0 ? HUGE_VAL : 0.0) : size / own * 100.0;
            };
            keepTransform();
            if (!bounds.isValid() && !inst->isRoot) {
                // A clip with nothing in it has no size to scale: any size
                // given flattens it on both sides, scales 0.
                inst->xScale = inst->yScale = 0;
            } else if (inst->isRoot || !bounds.isValid() || !std::isfinite(inst->rotation)) {
                // The scale that makes the unrotated size the one asked for.
                const double own = bounds.isValid() ? (width ? bounds.width() : bounds.height()) : 0;
                (width ? inst->xScale : inst->yScale) = scaleFor(v * 20.0, own);
            } else {
                // The player sizes a clip as though its x scale ran along its
                // parent's width and its y scale along its height, whatever
                // its angle: each scale is the size on that side over the
                // side of the clip turned but not scaled. The side not asked
                // for keeps its present size, so a turned clip's other scale
                // changes too.
                const double angle = inst->rotation * std::numbers::pi / 180.0;
                const QRectF turned =
                    QTransform(std::cos(angle), std::sin(angle), -std::sin(angle), std::cos(angle), 0, 0).mapRect(bounds);
                const QRectF outer = boundsIn(object, inWholeTwips(render::toQTransform(m), true));
                const double across = width ? v * 20.0 : outer.width();
                const double down = width ? outer.height() : v * 20.0;
                const double xScale = scaleFor(across, turned.width());
                const double yScale = scaleFor(down, turned.height());
                // A clip mirrored on one side keeps the other side's sign;
                // one mirrored on both is only turned, and comes out
                // unmirrored.
                const bool mirrored = (inst->xScale < 0) != (inst->yScale < 0);
                inst->xScale = width || !mirrored ? xScale : std::copysign(xScale, inst->xScale);
                inst->yScale = !width || !mirrored ? yScale : std::copysign(yScale, inst->yScale);
            }
            compose();
        }
        break;
    case ClipProperty::Name:
        // From SWF 7 a name given as NaN reads "0"; earlier versions write
        // "NaN", and infinities keep their text in every version.
        object.name = value.isNumber() && std::isnan(value.asNumber()) && m_vm->swfVersion() >= 7
            ? m_vm->toString(Value(0.0))
            : m_vm->toString(value);
        break;
    case ClipProperty::FocusRect: {
        // Values that are no number leave it as it was; an object's own
        // setting (SWF 6 on) is cleared with null.
        if (m_vm->swfVersion() >= 6 && !inst->isRoot) {
            if (value.isNullish())
                inst->focusRect.reset();
            else
                inst->focusRect = m_vm->toBoolean(value);
            break;
        }
        if (value.isNullish())
            break;
        // Text that is no number leaves it even where SWF 4 reads such text
        // as 0; an object turns it off without being asked for its value.
        if (value.isObject()) {
            m_focusRect = false;
            break;
        }
        const double n = value.isBoolean() ? (value.asBool() ? 1.0 : 0.0)
                         : value.isString() ? script::stringToNumber(value.asString(), 5)
                                            : m_vm->toNumber(value);
        if (!std::isnan(n))
            m_focusRect = n != 0;
        break;
    }
    // Quality and the sound buffer belong to the whole movie, whichever clip
    // is asked; what is no number (no quality's name) leaves them, text too
    // where SWF 4 reads it as 0.
    case ClipProperty::HighQuality:
        if (number(v))
            m_quality = v == 0 ? 0 : v >= 2 ? 3 : 2;
        break;
    case ClipProperty::Quality: {
        const QString name = QString::fromStdString(m_vm->toString(value)).toUpper();
        for (int q = 0; q < int(std::size(kQualityNames)); ++q) {
            if (name == QLatin1String(kQualityNames[q]))
                m_quality = q;
        }
        break;
    }
    case ClipProperty::SoundBufTime:
        if (number(v))
            m_soundBufferSeconds = processorInt32(v);
        break;
    default:
        break;
    }
}

} // namespace swf::runtime
