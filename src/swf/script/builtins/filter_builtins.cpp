// flash.filters: BitmapFilter and the nine filter classes built on it. Each
// filter keeps its settings natively; the members are accessors of its
// class's prototype that convert, clamp and round what scripts give them as
// the original player did. Filters reach clips and text fields as copies
// (filterObjects, readFilters), so a script that changes a filter after it set
// it changes nothing on the stage.

#include "swf/format/filters.h"
#include "swf/format/limits.h"
#include "swf/script/bitmap_data.h"
#include "swf/script/builtins/filters.h"
#include "swf/script/builtins/library_support.h"
#include "swf/script/builtins/member_flags.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>

namespace swf::script {

namespace {

using namespace library;

// A filter's settings, and the bitmap a displacement map reads (a script
// object, so it stays here rather than among the plain numbers).
class FilterData final : public ObjectExtension {
public:
    explicit FilterData(FilterValues v) : values(std::move(v)) {}
    bool getMember(Interpreter&, Object&, const std::string&, Value&) override { return false; }
    bool setMember(Interpreter&, Object&, const std::string&, const Value&) override { return false; }
    void references(std::vector<Value>& out) const override { out.push_back(mapBitmap); }

    FilterValues values;
    Value mapBitmap;
};

FilterData* filterOf(Object* o) { return o ? dynamic_cast<FilterData*>(o->extension()) : nullptr; }

Object* prototypeOf(Object* ctor)
{
    const Property* p = ctor ? ctor->findOwn("prototype") : nullptr;
    return p ? p->value.asObject() : nullptr;
}

// As many filters as a placement record can hold.
constexpr std::size_t kMaxFilters = 255;

using Getter = std::function<Value(Interpreter&, FilterData&)>;
using Setter = std::function<void(Interpreter&, FilterData&, const Value&)>;

struct Member {
    const char* name;
    Getter get;
    Setter set;
};

// --- Conversions the setters share ---------------------------------------

double clampKeepNaN(double v, double low, double high) { return v < low ? low : v > high ? high : v; }

// Whole numbers within a range; what is no finite number counts as 0.
int wholeIn(double v, int low, int high)
{
    if (!std::isfinite(v))
        return 0;
    return int(std::clamp(std::trunc(v), double(low), double(high)));
}

std::uint32_t rgbOf(Interpreter& in, const Value& v) { return toUint32(in.toNumber(v)) & 0xFFFFFF; }

// An alpha of 0-1 kept as a byte: cut down, as a single colour's is.
std::uint8_t alphaByte(double v) { return v > 0 ? std::uint8_t(std::min(v, 1.0) * 255.0) : 0; }
double alphaValue(std::uint8_t a) { return a / 255.0; }

Value numberArray(Interpreter& in, const double* values, std::size_t count)
{
    std::vector<Value> items;
    items.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        items.emplace_back(values[i]);
    return in.newArray(items);
}

// The length a list claims: its `length` as a whole number, 0 when it is none.
std::size_t listLength(Interpreter& in, const Value& list, std::size_t most)
{
    const double n = in.toNumber(in.getMember(list, "length"));
    if (!(n > 0))
        return 0;
    return std::size_t(std::min(std::trunc(n), double(most)));
}

double item(Interpreter& in, const Value& list, std::size_t i) { return in.toNumber(in.getMember(list, std::to_string(i))); }

// The names scripts use, in the order of the enumerations.
constexpr const char* kSideNames[] = {"inner", "outer", "full"};
constexpr const char* kModeNames[] = {"wrap", "clamp", "ignore", "color"};

// The index of `name` among `names`; `otherwise` for any other name.
template <std::size_t N>
std::size_t nameIndex(const char* const (&names)[N], const std::string& name, std::size_t otherwise)
{
    for (std::size_t i = 0; i < N; ++i) {
        if (name == names[i])
            return i;
    }
    return otherwise;
}

// --- Members, by name ------------------------------------------------------

Member numberMember(const char* name, double FilterValues::*field, double low, double high)
{
    return {name, [field](Interpreter&, FilterData& d) -> Value { return d.values.*field; },
            [field, low, high](Interpreter& in, FilterData& d, const Value& v) {
                d.values.*field = clampKeepNaN(in.toNumber(v), low, high);
            }};
}

Member boolMember(const char* name, bool FilterValues::*field)
{
    return {name, [field](Interpreter&, FilterData& d) -> Value { return d.values.*field; },
            [field](Interpreter& in, FilterData& d, const Value& v) { d.values.*field = in.toBoolean(v); }};
}

Member colorMember(const char* name, std::uint32_t FilterValues::*field)
{
    return {name, [field](Interpreter&, FilterData& d) -> Value { return double(d.values.*field); },
            [field](Interpreter& in, FilterData& d, const Value& v) { d.values.*field = rgbOf(in, v); }};
}

Member alphaMember(const char* name, std::uint8_t FilterValues::*field)
{
    return {name, [field](Interpreter&, FilterData& d) -> Value { return alphaValue(d.values.*field); },
            [field](Interpreter& in, FilterData& d, const Value& v) { d.values.*field = alphaByte(in.toNumber(v)); }};
}

Member wholeMember(const char* name, int FilterValues::*field, int low, int high)
{
    return {name, [field](Interpreter&, FilterData& d) -> Value { return double(d.values.*field); },
            [field, low, high](Interpreter& in, FilterData& d, const Value& v) {
                d.values.*field = wholeIn(in.toNumber(v), low, high);
            }};
}

constexpr double kUnbounded = HUGE_VAL;

Member blurX() { return numberMember("blurX", &FilterValues::blurX, 0, 255); }
Member blurY() { return numberMember("blurY", &FilterValues::blurY, 0, 255); }
Member strength() { return numberMember("strength", &FilterValues::strength, 0, 255); }
Member distance() { return numberMember("distance", &FilterValues::distance, -kUnbounded, kUnbounded); }
Member quality() { return wholeMember("quality", &FilterValues::quality, 0, 15); }
Member knockout() { return boolMember("knockout", &FilterValues::knockout); }
Member inner() { return boolMember("inner", &FilterValues::inner); }
Member color() { return colorMember("color", &FilterValues::color); }
Member alpha() { return alphaMember("alpha", &FilterValues::alpha); }

// Degrees to scripts, radians inside; whole turns are dropped.
Member angle()
{
    return {"angle", [](Interpreter&, FilterData& d) -> Value { return d.values.angle * 180.0 / std::numbers::pi; },
            [](Interpreter& in, FilterData& d, const Value& v) {
                d.values.angle = std::fmod(in.toNumber(v), 360.0) * std::numbers::pi / 180.0;
            }};
}

// Names other than the three leave a filter drawing on both sides.
Member side()
{
    return {"type", [](Interpreter&, FilterData& d) -> Value { return std::string(kSideNames[std::size_t(d.values.side)]); },
            [](Interpreter& in, FilterData& d, const Value& v) {
                d.values.side = FilterSide(nameIndex(kSideNames, in.toString(v), std::size_t(FilterSide::Full)));
            }};
}

// The stops of a gradient filter. The colours set how many there are; the
// alphas fill every stop (those the list lacks become opaque); the ratios fill
// the stops they reach and cut the gradient to their number. Stops past the
// count keep their values for when it grows again.
std::vector<Member> gradientMembers()
{
    auto stopsOf = [](Interpreter& in, const auto& values, const FilterValues& f, auto convert) {
        std::vector<Value> items;
        for (int i = 0; i < f.stops; ++i)
            items.push_back(convert(values[i]));
        return Value(in.newArray(items));
    };
    Member colors{"colors", [stopsOf](Interpreter& in, FilterData& d) {
                      return stopsOf(in, d.values.colors, d.values, [](std::uint32_t c) { return Value(double(c)); });
                  },
                  [](Interpreter& in, FilterData& d, const Value& v) {
                      if (v.isNullish())
                          return;
                      FilterValues& f = d.values;
                      f.stops = int(listLength(in, v, kMaxFilterStops));
                      for (int i = 0; i < f.stops; ++i)
                          f.colors[i] = toUint32(item(in, v, i)) & 0xFFFFFF;
                  }};
    Member alphas{"alphas", [stopsOf](Interpreter& in, FilterData& d) {
                      return stopsOf(in, d.values.alphas, d.values, [](std::uint8_t a) { return Value(alphaValue(a)); });
                  },
                  [](Interpreter& in, FilterData& d, const Value& v) {
                      if (v.isNullish())
                          return;
                      for (int i = 0; i < d.values.stops; ++i) {
                          const double a = item(in, v, i);
                          d.values.alphas[i] = std::isnan(a) ? 255 : std::uint8_t(std::lround(std::clamp(a, 0.0, 1.0) * 255.0));
                      }
                  }};
    Member ratios{"ratios", [stopsOf](Interpreter& in, FilterData& d) {
                      return stopsOf(in, d.values.ratios, d.values, [](std::uint8_t r) { return Value(double(r)); });
                  },
                  [](Interpreter& in, FilterData& d, const Value& v) {
                      if (v.isNullish())
                          return;
                      FilterValues& f = d.values;
                      f.stops = std::min(f.stops, int(listLength(in, v, kMaxFilterStops)));
                      for (int i = 0; i < f.stops; ++i)
                          f.ratios[i] = std::uint8_t(wholeIn(item(in, v, i), 0, 255));
                  }};
    return {colors, alphas, ratios};
}

// A convolution matrix holds at least matrixX * matrixY numbers: a smaller
// list is padded with zeros, a longer one kept whole.
void fitConvolution(FilterValues& f)
{
    const std::size_t cells = std::size_t(f.matrixX) * std::size_t(f.matrixY);
    if (f.matrix.size() < cells)
        f.matrix.resize(cells, 0.0);
}

std::vector<Member> convolutionMembers()
{
    Member matrix{"matrix", [](Interpreter& in, FilterData& d) {
                      return numberArray(in, d.values.matrix.data(), d.values.matrix.size());
                  },
                  [](Interpreter& in, FilterData& d, const Value& v) {
                      if (v.isNullish())
                          return;
                      const std::size_t n = listLength(in, v, limits::kMaxFilterMatrixValues);
                      d.values.matrix.assign(n, 0.0);
                      for (std::size_t i = 0; i < n; ++i)
                          d.values.matrix[i] = item(in, v, i);
                      fitConvolution(d.values);
                  }};
    auto side = [](const char* name, int FilterValues::*field) {
        Member m = wholeMember(name, field, 0, kMaxConvolutionSide);
        Setter set = m.set;
        m.set = [set](Interpreter& in, FilterData& d, const Value& v) {
            set(in, d, v);
            fitConvolution(d.values);
        };
        return m;
    };
    return {side("matrixX", &FilterValues::matrixX), side("matrixY", &FilterValues::matrixY), matrix,
            numberMember("divisor", &FilterValues::divisor, -kUnbounded, kUnbounded),
            numberMember("bias", &FilterValues::bias, -kUnbounded, kUnbounded),
            boolMember("preserveAlpha", &FilterValues::preserveAlpha), boolMember("clamp", &FilterValues::clamp), color(), alpha()};
}

// Twenty numbers, whatever the list: missing ones are NaN.
Member colorMatrix()
{
    return {"matrix", [](Interpreter& in, FilterData& d) {
                return numberArray(in, d.values.colorMatrix.data(), d.values.colorMatrix.size());
            },
            [](Interpreter& in, FilterData& d, const Value& v) {
                if (v.isNullish())
                    return;
                for (std::size_t i = 0; i < d.values.colorMatrix.size(); ++i)
                    d.values.colorMatrix[i] = item(in, v, i);
            }};
}

std::vector<Member> displacementMembers(Object* point)
{
    Member bitmap{"mapBitmap", [](Interpreter&, FilterData& d) { return d.mapBitmap; },
                  [](Interpreter&, FilterData& d, const Value& v) {
                      if (bitmapOf(v.asObject()))
                          d.mapBitmap = v;
                  }};
    // A new point each time; one without both coordinates puts it at 0, 0.
    Member mapPoint{"mapPoint", [point](Interpreter& in, FilterData& d) {
                        return in.construct(point, {double(d.values.mapX), double(d.values.mapY)});
                    },
                    [](Interpreter& in, FilterData& d, const Value& v) {
                        const Value x = v.isObject() ? in.getMember(v, "x") : Value();
                        const Value y = v.isObject() ? in.getMember(v, "y") : Value();
                        const bool both = !x.isUndefined() && !y.isUndefined();
                        d.values.mapX = both ? toInt32(in.toNumber(x)) : 0;
                        d.values.mapY = both ? toInt32(in.toNumber(y)) : 0;
                    }};
    auto component = [](const char* name, int FilterValues::*field) {
        return Member{name, [field](Interpreter&, FilterData& d) -> Value { return double(d.values.*field); },
                      [field](Interpreter& in, FilterData& d, const Value& v) { d.values.*field = toInt32(in.toNumber(v)); }};
    };
    Member mode{"mode", [](Interpreter&, FilterData& d) -> Value { return std::string(kModeNames[std::size_t(d.values.mode)]); },
                [](Interpreter& in, FilterData& d, const Value& v) {
                    d.values.mode = DisplacementMode(nameIndex(kModeNames, in.toString(v), std::size_t(DisplacementMode::Wrap)));
                }};
    return {bitmap, mapPoint, component("componentX", &FilterValues::componentX),
            component("componentY", &FilterValues::componentY),
            numberMember("scaleX", &FilterValues::scaleX, -65535, 65535),
            numberMember("scaleY", &FilterValues::scaleY, -65535, 65535), mode, color(), alpha()};
}

// --- The classes ---------------------------------------------------------------

struct FilterClass {
    const char* name;
    FilterKind kind;
    // In the order the prototype lists them.
    std::vector<Member> members;
    // The constructor's arguments, by member name.
    std::vector<const char*> arguments;
};

const Member* memberNamed(const FilterClass& c, const char* name)
{
    for (const Member& m : c.members) {
        if (std::string_view(m.name) == name)
            return &m;
    }
    return nullptr;
}

std::vector<FilterClass> filterClasses(Object* point)
{
    std::vector<Member> gradient = gradientMembers();
    auto gradientClass = [&](const char* name, FilterKind kind) {
        return FilterClass{name, kind,
                           {distance(), angle(), gradient[0], gradient[1], gradient[2], blurX(), blurY(), quality(), strength(),
                            knockout(), side()},
                           {"distance", "angle", "colors", "alphas", "ratios", "blurX", "blurY", "strength", "quality", "type",
                            "knockout"}};
    };
    std::vector<Member> convolution = convolutionMembers();
    std::vector<Member> displacement = displacementMembers(point);
    return {
        {"BevelFilter", FilterKind::Bevel,
         {distance(), angle(), colorMember("highlightColor", &FilterValues::highlightColor),
          alphaMember("highlightAlpha", &FilterValues::highlightAlpha), colorMember("shadowColor", &FilterValues::shadowColor),
          alphaMember("shadowAlpha", &FilterValues::shadowAlpha), quality(), strength(), knockout(), blurX(), blurY(), side()},
         {"distance", "angle", "highlightColor", "highlightAlpha", "shadowColor", "shadowAlpha", "blurX", "blurY", "strength",
          "quality", "type", "knockout"}},
        {"BlurFilter", FilterKind::Blur, {blurX(), blurY(), quality()}, {"blurX", "blurY", "quality"}},
        {"ColorMatrixFilter", FilterKind::ColorMatrix, {colorMatrix()}, {"matrix"}},
        {"ConvolutionFilter", FilterKind::Convolution, convolution,
         {"matrixX", "matrixY", "matrix", "divisor", "bias", "preserveAlpha", "clamp", "color", "alpha"}},
        {"DisplacementMapFilter", FilterKind::DisplacementMap, displacement,
         {"mapBitmap", "mapPoint", "componentX", "componentY", "scaleX", "scaleY", "mode", "color", "alpha"}},
        {"DropShadowFilter", FilterKind::DropShadow,
         {distance(), angle(), color(), alpha(), quality(), inner(), knockout(), blurX(), blurY(), strength(),
          boolMember("hideObject", &FilterValues::hideObject)},
         {"distance", "angle", "color", "alpha", "blurX", "blurY", "strength", "quality", "inner", "knockout", "hideObject"}},
        {"GlowFilter", FilterKind::Glow, {color(), alpha(), quality(), inner(), knockout(), blurX(), blurY(), strength()},
         {"color", "alpha", "blurX", "blurY", "strength", "quality", "inner", "knockout"}},
        gradientClass("GradientBevelFilter", FilterKind::GradientBevel),
        gradientClass("GradientGlowFilter", FilterKind::GradientGlow),
    };
}

// The constructors of the installed filter classes, by kind, for making
// filter objects from settings (clone, a clip's filters).
struct FilterConstructors final : public ObjectExtension {
    bool getMember(Interpreter&, Object&, const std::string&, Value&) override { return false; }
    bool setMember(Interpreter&, Object&, const std::string&, const Value&) override { return false; }
    void references(std::vector<Value>& out) const override
    {
        for (Object* c : byKind)
            out.emplace_back(c);
    }
    std::array<Object*, 9> byKind{};
};

// The filters package keeps its constructors' table on BitmapFilter.
FilterConstructors* constructorsOf(Interpreter& in)
{
    const Value flash = in.global()->findOwnAnyVersion("flash") ? in.global()->findOwnAnyVersion("flash")->value : Value();
    Object* bitmapFilter = in.getMember(in.getMember(flash, "filters"), "BitmapFilter").asObject();
    return bitmapFilter ? dynamic_cast<FilterConstructors*>(bitmapFilter->extension()) : nullptr;
}

Value makeFilter(Interpreter& in, const FilterValues& values, const Value& mapBitmap)
{
    FilterConstructors* table = constructorsOf(in);
    const std::size_t kind = std::size_t(values.kind);
    if (!table || kind >= table->byKind.size() || !table->byKind[kind])
        return Value();
    Value made = in.construct(table->byKind[kind], {});
    if (FilterData* d = filterOf(made.asObject())) {
        d->values = values;
        d->mapBitmap = mapBitmap;
    }
    return made;
}

void installFilterClass(Interpreter& in, Object* package, Object* bitmapFilter, FilterConstructors& table, FilterClass c)
{
    // The prototype is made as an instance of BitmapFilter, without a
    // constructor member of its own.
    Object* proto = in.newObject(prototypeOf(bitmapFilter));
    proto->put("__constructor__", bitmapFilter, kHidden);
    auto members = std::make_shared<FilterClass>(std::move(c));
    auto self = std::make_shared<Object*>(nullptr);
    Object* ctor = in.newFunction(nothing(), [members, self](Interpreter& in, Object* o, const Args& args) -> Value {
        if (!o)
            return Value();
        o->markNative();
        auto data = std::make_shared<FilterData>(defaultFilter(members->kind));
        FilterData& d = *data;
        o->setExtension(std::move(data));
        // Its own instances list their constructor among their members.
        if (Property* p = o->findOwnAnyVersion("__constructor__"); p && p->value.asObject() == *self)
            p->flags = 0;
        for (std::size_t i = 0; i < args.size() && i < members->arguments.size(); ++i) {
            if (const Member* m = memberNamed(*members, members->arguments[i]))
                m->set(in, d, args[i]);
        }
        // Where the colour comes last but one, a colour given without its
        // alpha is opaque.
        const auto& names = members->arguments;
        if (names.size() >= 2 && args.size() == names.size() - 1 && std::string_view(names.back()) == "alpha"
            && std::string_view(names[names.size() - 2]) == "color")
            d.values.alpha = 255;
        return o;
    });
    *self = ctor;
    ctor->put("prototype", proto, kHiddenPermanent);
    package->put(members->name, ctor, 0);
    table.byKind[std::size_t(members->kind)] = ctor;
    for (const Member& m : members->members) {
        Getter get = m.get;
        Setter set = m.set;
        nativeAccessor(in, proto, m.name, [get](Interpreter& in, Object* self, const Args&) -> Value {
            FilterData* d = filterOf(self);
            return d ? get(in, *d) : Value();
        }, [set](Interpreter& in, Object* self, const Args& args) -> Value {
            if (FilterData* d = filterOf(self))
                set(in, *d, arg(args, 0));
            return Value();
        });
    }
}

} // namespace

void installFlashFilters(Interpreter& in, Object* package, Object* point)
{
    Object* bitmapProto = in.newObject();
    Object* bitmapFilter = in.newFunction(nothing(), [](Interpreter&, Object* self, const Args&) -> Value { return self; });
    bitmapFilter->put("prototype", bitmapProto, kHiddenPermanent);
    bitmapProto->put("constructor", bitmapFilter, kHiddenPermanent);
    package->put("BitmapFilter", bitmapFilter, 0);
    auto table = std::make_shared<FilterConstructors>();
    for (FilterClass& c : filterClasses(point))
        installFilterClass(in, package, bitmapFilter, *table, std::move(c));
    bitmapFilter->setExtension(table);
    // A copy of the same kind; what is no filter has none.
    nativeMethod(in, bitmapProto, "clone", [](Interpreter& in, Object* self, const Args&) -> Value {
        FilterData* d = filterOf(self);
        return d ? makeFilter(in, d->values, d->mapBitmap) : Value();
    }, PropertyFlag::Version8);
}

Value filterObjects(Interpreter& in, const std::vector<FilterValues>& filters)
{
    std::vector<Value> items;
    for (const FilterValues& f : filters)
        items.push_back(makeFilter(in, f, Value()));
    return in.newArray(items);
}

std::vector<FilterValues> readFilters(Interpreter& in, const Value& list)
{
    if (!list.isObject())
        return {};
    std::vector<FilterValues> filters;
    const std::size_t n = listLength(in, list, kMaxFilters);
    for (std::size_t i = 0; i < n; ++i) {
        if (FilterData* d = filterOf(in.getMember(list, std::to_string(i)).asObject()))
            filters.push_back(d->values);
    }
    return filters;
}

} // namespace swf::script
