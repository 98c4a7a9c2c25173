// TextFormat: a bag of character and paragraph formats. Its members are
// getter/setter properties that TextFormat.prototype receives when the
// first TextFormat is made (as in the original player, where a prototype
// replaced by a script gets them again); the values live in the object's
// extension. Each setter converts what it is given the way the player
// did, down to the calls it makes on objects (valueOf twice, toString once).

#include "swf/script/builtins/text_format.h"

#include "swf/script/builtins/env_support.h"
#include "swf/script/string_util.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

namespace swf::script {

using text::AutoSize;
using text::FormatRun;
using text::fromUnits;
using text::kHtmlLineBreak;
using text::newTextField;
using text::TextFieldFormat;
using text::TextFieldState;
using text::toUnits;

namespace {

enum class FormatMember : std::uint8_t {
    Font,
    Size,
    Color,
    Bold,
    Italic,
    Underline,
    Url,
    Target,
    Align,
    LeftMargin,
    RightMargin,
    Indent,
    Leading,
    BlockIndent,
    Bullet,
    TabStops,
    Display,
    Kerning,
    LetterSpacing,
};

struct FormatMemberInfo {
    const char* name;
    FormatMember member;
    int sinceVersion = 0; // movies of older versions have no such member
};

// The constructor's arguments come in this order; the rest follow.
constexpr FormatMemberInfo kFormatMembers[] = {
    {"font", FormatMember::Font},
    {"size", FormatMember::Size},
    {"color", FormatMember::Color},
    {"bold", FormatMember::Bold},
    {"italic", FormatMember::Italic},
    {"underline", FormatMember::Underline},
    {"url", FormatMember::Url},
    {"target", FormatMember::Target},
    {"align", FormatMember::Align},
    {"leftMargin", FormatMember::LeftMargin},
    {"rightMargin", FormatMember::RightMargin},
    {"indent", FormatMember::Indent},
    {"leading", FormatMember::Leading},
    {"blockIndent", FormatMember::BlockIndent},
    {"bullet", FormatMember::Bullet},
    {"tabStops", FormatMember::TabStops},
    {"display", FormatMember::Display},
    {"kerning", FormatMember::Kerning, 8},
    {"letterSpacing", FormatMember::LetterSpacing, 8},
};
constexpr std::size_t kConstructorArguments = 13;
// Longest tabStops list taken from a script.
constexpr double kMaxTabStops = 1024;

class TextFormatData : public ObjectExtension {
public:
    TextFieldFormat format;
    std::string display = "block";
    bool getMember(Interpreter&, Object&, const std::string&, Value&) override { return false; }
    bool setMember(Interpreter&, Object&, const std::string&, const Value&) override { return false; }
};

TextFormatData* dataOf(Object* o)
{
    return o ? dynamic_cast<TextFormatData*>(o->extension()) : nullptr;
}

// An object's valueOf result as a number; an object result (or no valueOf)
// is NaN, and toString is never tried.
double numberOf(Interpreter& in, Object* o)
{
    const Value valueOf = in.getMember(o, "valueOf");
    if (!valueOf.isObject() || !valueOf.asObject()->isFunction())
        return std::numeric_limits<double>::quiet_NaN();
    const Value r = in.call(valueOf, o, {});
    return r.isObject() ? std::numeric_limits<double>::quiet_NaN() : in.toNumber(r);
}

// An object's toString result; anything but a string reads "[type Object]".
// Clips and functions have their own names.
std::string stringOf(Interpreter& in, Object* o)
{
    if (o->objectClass() == ObjectClass::Clip || o->isFunction())
        return in.toString(Value(o));
    const Value toString = in.getMember(o, "toString");
    if (toString.isObject() && toString.asObject()->isFunction()) {
        const Value r = in.call(toString, o, {});
        if (r.isString())
            return r.asString();
    }
    return "[type Object]";
}

// How a value reaches a member: through the constructor's arguments or
// through the member's setter (which the version 8 player rounds).
enum class Via : std::uint8_t { Constructor, Setter };

// Whole numbers: the version 8 player keeps them in twips and turns
// what does not fit (NaN, infinities) into the smallest integer; its
// setters round halves to even, its constructor truncates. Older ones
// wrap like ToInt32.
double wholeNumber(double n, int version, Via via = Via::Constructor)
{
    if (version >= 8) {
        if (!std::isfinite(n) || n <= -2147483649.0 || n >= 2147483648.0)
            return -2147483648.0;
        return via == Via::Setter ? std::nearbyint(n) : std::trunc(n);
    }
    return double(toInt32(n));
}

// Older players keep every length at 0 or more.
double nonNegative(double n, int version, Via via)
{
    const double whole = wholeNumber(n, version, via);
    return version < 8 && whole < 0 ? 0 : whole;
}

// Margins: the version 8 setters turn negatives and NaN into 0 before the
// conversion (so only +Infinity falls outside); its constructor keeps them.
double margin(double n, int version, Via via)
{
    if (version >= 8)
        return wholeNumber(via == Via::Setter ? std::max(0.0, n) : n, version, via);
    return nonNegative(n, version, via);
}

std::optional<std::string> alignFrom(const std::string& s)
{
    const std::string a = asciiLower(s);
    if (a == "left" || a == "center" || a == "right" || a == "justify")
        return a;
    return std::nullopt;
}

// Only the names as written count: "Inline" is a block.
std::string displayFrom(const std::string& s)
{
    return s == "none" || s == "inline" ? s : "block";
}

void clear(TextFormatData& d, FormatMember m)
{
    TextFieldFormat& f = d.format;
    switch (m) {
    case FormatMember::Font: f.font.reset(); break;
    case FormatMember::Size: f.size.reset(); break;
    case FormatMember::Color: f.color.reset(); break;
    case FormatMember::Bold: f.bold.reset(); break;
    case FormatMember::Italic: f.italic.reset(); break;
    case FormatMember::Underline: f.underline.reset(); break;
    case FormatMember::Url: f.url.reset(); break;
    case FormatMember::Target: f.target.reset(); break;
    case FormatMember::Align: break; // null leaves the alignment as it was
    case FormatMember::LeftMargin: f.leftMargin.reset(); break;
    case FormatMember::RightMargin: f.rightMargin.reset(); break;
    case FormatMember::Indent: f.indent.reset(); break;
    case FormatMember::Leading: f.leading.reset(); break;
    case FormatMember::BlockIndent: f.blockIndent.reset(); break;
    case FormatMember::Bullet: f.bullet.reset(); break;
    case FormatMember::TabStops: f.tabStops.reset(); break;
    case FormatMember::Display: d.display = "block"; break;
    case FormatMember::Kerning: f.kerning.reset(); break;
    case FormatMember::LetterSpacing: f.letterSpacing.reset(); break;
    }
}

// tabStops: the elements of anything with a length (a string counts its
// characters, whose elements read as 0). A list of none keeps "no tab
// stops" as it was and otherwise empties the list.
void setTabStops(Interpreter& in, TextFieldFormat& f, const Value& v, Via via)
{
    double count = 0;
    if (v.isString())
        count = double(stringLength(v.asString(), in.swfVersion()));
    else if (Object* o = v.asObject())
        count = toInteger(in.toNumber(in.getMember(o, "length")));
    count = std::isfinite(count) ? std::clamp(count, 0.0, kMaxTabStops) : 0;
    std::vector<double> stops;
    for (int i = 0; i < int(count); ++i)
        stops.push_back(wholeNumber(in.toNumber(in.getMember(v, std::to_string(i))), in.swfVersion(), via));
    if (!stops.empty() || f.tabStops)
        f.tabStops = std::move(stops);
}

void assign(Interpreter& in, TextFormatData& d, FormatMember m, const Value& v, Via via = Via::Setter)
{
    if (v.isNullish()) {
        clear(d, m);
        return;
    }
    const int version = in.swfVersion();
    // Whatever the member, an object is asked for its number twice and its
    // string once; the version 8 player measures in the second number.
    Object* o = v.asObject();
    double first = 0, second = 0;
    std::string text;
    if (o) {
        first = numberOf(in, o);
        second = numberOf(in, o);
        text = stringOf(in, o);
    }
    auto number = [&] { return o ? first : in.toNumber(v); };
    auto measure = [&] { return o ? (version >= 8 ? second : first) : in.toNumber(v); };
    auto string = [&] { return o ? text : in.toString(v); };
    auto boolean = [&] { return o ? true : in.toBoolean(v); };

    TextFieldFormat& f = d.format;
    switch (m) {
    case FormatMember::Font: f.font = string(); break;
    case FormatMember::Url: f.url = string(); break;
    case FormatMember::Target: f.target = string(); break;
    case FormatMember::Size: f.size = wholeNumber(measure(), version, via); break;
    case FormatMember::Color: f.color = toUint32(number()); break;
    case FormatMember::Bold: f.bold = boolean(); break;
    case FormatMember::Italic: f.italic = boolean(); break;
    case FormatMember::Underline: f.underline = boolean(); break;
    case FormatMember::Bullet: f.bullet = boolean(); break;
    case FormatMember::Kerning: f.kerning = boolean(); break;
    case FormatMember::LeftMargin: f.leftMargin = margin(measure(), version, via); break;
    case FormatMember::RightMargin: f.rightMargin = margin(measure(), version, via); break;
    case FormatMember::Indent: f.indent = nonNegative(measure(), version, via); break;
    case FormatMember::Leading: f.leading = nonNegative(measure(), version, via); break;
    case FormatMember::BlockIndent: f.blockIndent = nonNegative(measure(), version, via); break;
    case FormatMember::LetterSpacing: f.letterSpacing = measure(); break;
    case FormatMember::Align:
        // Anything but the four names leaves the alignment as it was.
        if (auto a = alignFrom(string()))
            f.align = a;
        break;
    case FormatMember::Display: d.display = displayFrom(o ? stringOf(in, o) : in.toString(v)); break;
    case FormatMember::TabStops: setTabStops(in, f, v, via); break;
    }
}

Value orNull(const std::optional<std::string>& v) { return v ? Value(*v) : Value::null(); }
Value orNull(const std::optional<double>& v) { return v ? Value(*v) : Value::null(); }
Value orNull(const std::optional<bool>& v) { return v ? Value(*v) : Value::null(); }

Value read(Interpreter& in, const TextFormatData& d, FormatMember m)
{
    const TextFieldFormat& f = d.format;
    switch (m) {
    case FormatMember::Font: return orNull(f.font);
    case FormatMember::Size: return orNull(f.size);
    case FormatMember::Color: return f.color ? Value(double(*f.color)) : Value::null();
    case FormatMember::Bold: return orNull(f.bold);
    case FormatMember::Italic: return orNull(f.italic);
    case FormatMember::Underline: return orNull(f.underline);
    case FormatMember::Url: return orNull(f.url);
    case FormatMember::Target: return orNull(f.target);
    case FormatMember::Align: return orNull(f.align);
    case FormatMember::LeftMargin: return orNull(f.leftMargin);
    case FormatMember::RightMargin: return orNull(f.rightMargin);
    case FormatMember::Indent: return orNull(f.indent);
    case FormatMember::Leading: return orNull(f.leading);
    case FormatMember::BlockIndent: return orNull(f.blockIndent);
    case FormatMember::Bullet: return orNull(f.bullet);
    case FormatMember::Kerning: return orNull(f.kerning);
    case FormatMember::LetterSpacing: return orNull(f.letterSpacing);
    case FormatMember::Display: return d.display;
    case FormatMember::TabStops: {
        if (!f.tabStops)
            return Value::null();
        std::vector<Value> items(f.tabStops->begin(), f.tabStops->end());
        return in.newArray(items);
    }
    }
    return Value();
}

// Gives a prototype the member properties unless it has them already.
void installMembers(Interpreter& in, Object* proto)
{
    if (!proto || proto->findOwnAnyVersion("font"))
        return;
    for (const FormatMemberInfo& info : kFormatMembers) {
        if (in.swfVersion() < info.sinceVersion)
            continue;
        const FormatMember m = info.member;
        env::defineAccessor(
            in, proto, info.name,
            [m](Interpreter& in, Object* self, const Args&) -> Value {
                const TextFormatData* d = dataOf(self);
                return d ? read(in, *d, m) : Value();
            },
            [m](Interpreter& in, Object* self, const Args& args) -> Value {
                if (TextFormatData* d = dataOf(self))
                    assign(in, *d, m, arg(args, 0));
                return Value();
            },
            0);
    }
}

// getTextExtent(text [, width]): the size of `text` in this format, laid
// out as a text field lays it out; with a width the text wraps in it.
Value textExtent(Interpreter& in, Object* self, const Args& args)
{
    const TextFormatData* d = dataOf(self);
    if (!d || args.empty())
        return Value();
    const double width = args.size() > 1 ? in.toNumber(args[1]) : 0;
    const bool wraps = std::isfinite(width) && width > 0;
    TextFieldState field = newTextField(wraps ? width : 0, 0, in.swfVersion());
    field.wordWrap = wraps;
    field.multiline = true;
    field.measurer = in.host().textMeasurer();
    field.newTextFormat.merge(d->format);
    const std::string text = in.toString(args[0]);
    field.setText(text);
    const text::TextLayout& layout = field.layout();
    // A bare object, without even Object.prototype: it has no toString.
    Object* out = in.newObject(nullptr);
    // No text measures nothing, not even the height of an empty line.
    // The width in whole pixels, as a field's textWidth.
    const double textWidth = field.textWidthPixels(), textHeight = text.empty() ? 0.0 : layout.textHeight / 20.0;
    out->put("width", textWidth);
    out->put("height", textHeight);
    out->put("ascent", layout.lines.empty() ? 0.0 : layout.lines.front().ascent / 20.0);
    out->put("descent", layout.lines.empty() ? 0.0 : layout.lines.front().descent / 20.0);
    // A field shows its text inside a 2 pixel gutter on each side; given a
    // width, the field is that wide and its text wraps inside the gutters.
    out->put("textFieldWidth", wraps ? width : textWidth + 4);
    out->put("textFieldHeight", textHeight + 4);
    return out;
}

} // namespace

void installTextFormat(Interpreter& in)
{
    // One getTextExtent for every TextFormat: a bare native function, with
    // no prototype chain of its own, as the player's was.
    Object* extent = in.heap().make(ObjectClass::Function);
    extent->setNative(textExtent);
    in.pin(extent);

    auto construct = [extent](Interpreter& in, Object* self, const Args& args) -> Value {
        if (!self)
            return Value();
        self->markNative();
        installMembers(in, self->proto());
        auto data = std::make_shared<TextFormatData>();
        if (!self->extension())
            self->setExtension(data);
        self->put("getTextExtent", extent);
        for (std::size_t i = 0; i < args.size() && i < kConstructorArguments; ++i) {
            if (!args[i].isUndefined())
                assign(in, *data, kFormatMembers[i].member, args[i], Via::Constructor);
        }
        return self;
    };
    auto made = std::make_shared<Object*>(nullptr);
    Object* ctor = makeConstructor(in, "TextFormat", env::superCall(made, construct), construct);
    *made = ctor;
    // The call form keeps a pointer to it: it lives as long as the machine.
    in.pin(ctor);
}

Object* makeTextFormat(Interpreter& in, const TextFieldFormat& format)
{
    const Value ctor = in.getMember(in.global(), "TextFormat");
    Object* o = ctor.isObject() ? in.construct(ctor, {}).asObject() : nullptr;
    if (!o)
        o = in.newObject();
    if (TextFormatData* d = dataOf(o)) {
        d->format = format;
    } else {
        auto data = std::make_shared<TextFormatData>();
        data->format = format;
        if (!o->extension())
            o->setExtension(data);
    }
    return o;
}

std::optional<TextFieldFormat> textFormatOf(Object* object)
{
    const TextFormatData* d = dataOf(object);
    return d ? std::optional<TextFieldFormat>(d->format) : std::nullopt;
}

TextFieldFormat textFormatFromObject(Interpreter& in, Object* object)
{
    if (auto own = textFormatOf(object))
        return *own;
    TextFormatData converted;
    if (!object)
        return converted.format;
    for (const FormatMemberInfo& info : kFormatMembers) {
        if (info.member == FormatMember::Display)
            continue;
        const Value v = in.getMember(object, info.name);
        if (!v.isNullish())
            assign(in, converted, info.member, v);
    }
    return converted.format;
}

} // namespace swf::script
