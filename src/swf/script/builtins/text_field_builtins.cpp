// TextField: the class, its prototype methods and the members every field
// answers from its live state.

#include "swf/script/builtins/builtins.h"
#include "swf/script/builtins/env_support.h"
#include "swf/script/builtins/filters.h"
#include "swf/script/builtins/text_field.h"
#include "swf/script/builtins/text_format.h"
#include "swf/script/string_util.h"
#include "swf/script/text_field_html.h"
#include "swf/text/html_reader.h"

#include <algorithm>
#include <functional>
#include <cmath>
#include <limits>
#include <memory>

namespace swf::script {

using text::AutoSize;
using text::FormatRun;
using text::fromUnits;
using text::HtmlText;
using text::kHtmlLineBreak;
using text::newTextField;
using text::TextFieldFormat;
using text::TextFieldState;
using text::toUnits;

namespace {

enum class Member {
    Text,
    HtmlText,
    Html,
    Length,
    TextColor,
    Background,
    BackgroundColor,
    Border,
    BorderColor,
    AutoSize,
    WordWrap,
    Multiline,
    Type,
    Selectable,
    Password,
    MaxChars,
    Restrict,
    EmbedFonts,
    CondenseWhite,
    MouseWheelEnabled,
    Variable,
    TextWidth,
    TextHeight,
    Scroll,
    MaxScroll,
    HScroll,
    MaxHScroll,
    BottomScroll,
    AntiAliasType,
    GridFitType,
    Sharpness,
    Thickness,
    Filters,
    TabIndex,
    StyleSheet,
};

struct MemberInfo {
    const char* name;
    Member member;
    std::uint16_t versionFlag; // hidden before this version
};

// In the order the player puts them on TextField.prototype (for..in lists
// them the other way round).
constexpr MemberInfo kMembers[] = {
    {"gridFitType", Member::GridFitType, PropertyFlag::Version8},
    {"antiAliasType", Member::AntiAliasType, PropertyFlag::Version8},
    {"thickness", Member::Thickness, PropertyFlag::Version8},
    {"sharpness", Member::Sharpness, PropertyFlag::Version8},
    {"filters", Member::Filters, PropertyFlag::Version8},
    {"scroll", Member::Scroll, 0},
    {"maxscroll", Member::MaxScroll, 0},
    {"borderColor", Member::BorderColor, 0},
    {"backgroundColor", Member::BackgroundColor, 0},
    {"textColor", Member::TextColor, 0},
    {"tabIndex", Member::TabIndex, 0},
    {"autoSize", Member::AutoSize, 0},
    {"text", Member::Text, 0},
    {"type", Member::Type, 0},
    {"htmlText", Member::HtmlText, 0},
    {"variable", Member::Variable, 0},
    {"hscroll", Member::HScroll, 0},
    {"maxhscroll", Member::MaxHScroll, 0},
    {"maxChars", Member::MaxChars, 0},
    {"embedFonts", Member::EmbedFonts, 0},
    {"html", Member::Html, 0},
    {"border", Member::Border, 0},
    {"background", Member::Background, 0},
    {"wordWrap", Member::WordWrap, 0},
    {"password", Member::Password, 0},
    {"multiline", Member::Multiline, 0},
    {"selectable", Member::Selectable, 0},
    {"length", Member::Length, 0},
    {"bottomScroll", Member::BottomScroll, 0},
    {"textWidth", Member::TextWidth, 0},
    {"textHeight", Member::TextHeight, 0},
    {"restrict", Member::Restrict, 0},
    {"condenseWhite", Member::CondenseWhite, 0},
    {"mouseWheelEnabled", Member::MouseWheelEnabled, 0},
    {"styleSheet", Member::StyleSheet, 0},
};

// Version 5 movies see no members on a field: its text, scrolling and
// looks are not theirs to read or set, though the field is an object that
// holds their own members and is a target for other objects.
const MemberInfo* findMember(const std::string& name, int swfVersion)
{
    if (swfVersion < 6)
        return nullptr;
    for (const MemberInfo& info : kMembers) {
        const bool same = swfVersion >= 7 ? name == info.name : asciiLower(name) == asciiLower(info.name);
        if (same)
            return visibleInVersion(info.versionFlag, swfVersion) ? &info : nullptr;
    }
    return nullptr;
}

Value nullable(const std::optional<std::string>& s)
{
    return s ? Value(*s) : Value::null();
}

// ----------------------------------------------------------- the extension

class TextFieldExtension : public ObjectExtension {
public:
    TextFieldExtension(std::shared_ptr<TextFieldState> owned, TextFieldLocator locate, std::shared_ptr<ObjectExtension> display,
                       TextFieldDisplayHooks hooks)
        : owned(std::move(owned)), locate(std::move(locate)), display(std::move(display)), hooks(std::move(hooks))
    {
    }

    // The field's state: its own, or the one on the stage the locator finds.
    TextFieldState* stateOf(Object& self) const { return locate ? locate(self) : owned.get(); }

    bool getMember(Interpreter& in, Object& self, const std::string& name, Value& out) override
    {
        TextFieldState* state = stateOf(self);
        if (!state)
            return display && display->getMember(in, self, name, out);
        if (const MemberInfo* info = findMember(name, in.swfVersion())) {
            out = get(in, self, info->member);
            return true;
        }
        if (const int axis = sizeAxis(name, in.swfVersion())) {
            // The box times its scale, in whole twips; a turned box as the
            // stage measures any turned object, corner by corner.
            const auto property = [&](const char* which, double fallback) {
                Value v;
                if (!display || !display->getMember(in, self, which, v))
                    return fallback;
                const double d = in.toNumber(v);
                return std::isfinite(d) ? d : fallback;
            };
            if (std::fmod(property("_rotation", 0.0), 180.0) != 0.0 && display->getMember(in, self, name, out))
                return true;
            const double factor = std::abs(property(axis == 1 ? "_xscale" : "_yscale", 100.0)) / 100.0;
            const swf::Twips size = axis == 1 ? state->bounds.width() : state->bounds.height();
            out = std::round(double(size.get()) * factor) / 20.0;
            return true;
        }
        // A field has no timeline: its frame properties are undefined, and
        // assigning them changes nothing.
        if (timelineProperty(name))
            return false;
        return display && display->getMember(in, self, name, out);
    }

    bool setMember(Interpreter& in, Object& self, const std::string& name, const Value& value) override
    {
        TextFieldState* state = stateOf(self);
        if (!state)
            return display && display->setMember(in, self, name, value);
        if (const MemberInfo* info = findMember(name, in.swfVersion())) {
            set(in, self, info->member, value);
            return true;
        }
        if (const int axis = sizeAxis(name, in.swfVersion())) {
            // A text field is resized, not scaled. The size goes through
            // 32-bit twips as in the player (infinity wraps to 0); NaN and
            // negative sizes are ignored.
            const double pixels = in.toDisplayNumber(value);
            const std::int32_t twips = toInt32(pixels * 20.0);
            if (pixels >= 0 && twips >= 0) {
                swf::Rect& b = state->bounds;
                if (axis == 1)
                    b.xMax = b.xMin + swf::Twips(twips);
                else
                    b.yMax = b.yMin + swf::Twips(twips);
                state->invalidateLayout();
            }
            return true;
        }
        return display && display->setMember(in, self, name, value);
    }

    // The field's own members hold their names in a scope chain; the rest
    // as the stage object answers them.
    bool holdsName(Interpreter& in, Object& self, const std::string& name) override
    {
        if (stateOf(self) && (findMember(name, in.swfVersion()) || sizeAxis(name, in.swfVersion())))
            return true;
        if (timelineProperty(name))
            return false;
        return display && display->holdsName(in, self, name);
    }

    // From SWF 6 the members are accessors of the prototype, which watches see.
    bool watchesMember(Interpreter& in, Object& self, const std::string& name) override
    {
        return in.swfVersion() >= 6 && stateOf(self) && findMember(name, in.swfVersion());
    }

    static bool timelineProperty(const std::string& name)
    {
        const std::string n = asciiLower(name);
        return n == "_currentframe" || n == "_totalframes" || n == "_framesloaded";
    }

    // 1 for _width, 2 for _height, 0 for anything else.
    static int sizeAxis(const std::string& name, int swfVersion)
    {
        const std::string n = swfVersion >= 7 ? name : asciiLower(name);
        return n == "_width" ? 1 : n == "_height" ? 2 : 0;
    }

    Value get(Interpreter& in, Object& self, Member member);
    void set(Interpreter& in, Object& self, Member member, const Value& value);

    void references(std::vector<Value>& out) const override
    {
        out.insert(out.end(), {tabIndex, styleSheet, shownObject});
    }

    std::shared_ptr<TextFieldState> owned;
    TextFieldLocator locate;
    std::shared_ptr<ObjectExtension> display;
    TextFieldDisplayHooks hooks;
    // The filters of a field the stage does not keep.
    std::vector<FilterValues> filters;
    // Members the player keeps as script values.
    Value tabIndex;
    Value styleSheet;
    // The object the bound variable held when the field last showed it.
    Value shownObject;
};

// The extension of a text field that still has its state.
TextFieldExtension* extensionOf(Object* o)
{
    auto* ext = o ? dynamic_cast<TextFieldExtension*>(o->extension()) : nullptr;
    return ext && ext->stateOf(*o) ? ext : nullptr;
}

const char* autoSizeName(AutoSize a)
{
    switch (a) {
    case AutoSize::Left:
        return "left";
    case AutoSize::Right:
        return "right";
    case AutoSize::Center:
        return "center";
    case AutoSize::None:
        break;
    }
    return "none";
}

std::uint32_t colorFrom(Interpreter& in, const Value& v)
{
    return toUint32(in.toNumber(v)) & 0xFFFFFF;
}

// The holder and name of a field's bound variable, resolved from the
// field's parent timeline ("m.test", "/m:test", "test").
bool resolveVariable(Interpreter& in, Object& self, TextFieldExtension& ext, Object*& holder, std::string& name)
{
    const TextFieldState* state = ext.stateOf(self);
    if (!state)
        return false;
    const std::string& path = state->variable;
    if (path.empty() || !ext.display)
        return false;
    // The timeline the field is on, whatever a script named _parent on it.
    Object* parent = in.host().parent(&self);
    if (!parent)
        return false;
    const std::size_t cut = path.find_last_of(".:/");
    if (cut == std::string::npos) {
        holder = parent;
        name = path;
    } else {
        holder = in.resolveTarget(parent, path.substr(0, cut));
        name = path.substr(cut + 1);
    }
    return holder && !name.empty();
}

// Shows the variable's value when it exists, undefined included.
void readVariable(Interpreter& in, Object& self, TextFieldExtension& ext)
{
    Object* holder = nullptr;
    std::string name;
    if (!resolveVariable(in, self, ext, holder, name))
        return;
    const Value v = in.getMember(holder, name);
    if (v.isUndefined() && !in.hasProperty(holder, name))
        return;
    // An object shows as it converted when it became the value: the field
    // follows the variable, not what the object's toString says later.
    if (v.isObject() && ext.shownObject.isObject() && v.asObject() == ext.shownObject.asObject())
        return;
    ext.shownObject = v.isObject() ? v : Value();
    const std::string text = textFieldStringFromValue(in, v);
    TextFieldState& state = *ext.stateOf(self);
    if (state.html) {
        const HtmlText parsed = state.readMarkup(toUnits(text, in.swfVersion()));
        if (parsed.text != state.text)
            state.setTextUnits(parsed.text, parsed.runs);
    } else if (text != state.textString()) {
        state.setText(text);
    }
}

void writeVariable(Interpreter& in, Object& self, TextFieldExtension& ext, const std::string& text)
{
    Object* holder = nullptr;
    std::string name;
    if (resolveVariable(in, self, ext, holder, name))
        in.setMember(holder, name, text);
}

void bindVariable(Interpreter& in, Object& self, TextFieldExtension& ext)
{
    Object* holder = nullptr;
    std::string name;
    if (!resolveVariable(in, self, ext, holder, name))
        return;
    const std::string& initial = ext.stateOf(self)->initialText;
    if (!initial.empty() && in.getMember(holder, name).isUndefined())
        in.setMember(holder, name, initial);
    ext.shownObject = Value();
    readVariable(in, self, ext);
}

Value TextFieldExtension::get(Interpreter& in, Object& self, Member member)
{
    TextFieldState& s = *stateOf(self);
    switch (member) {
    case Member::Text: {
        // A variable on a timeline is shown as soon as it changes.
        Object* holder = nullptr;
        std::string name;
        if (resolveVariable(in, self, *this, holder, name) && holder->objectClass() == ObjectClass::Clip)
            readVariable(in, self, *this);
        return s.textString();
    }
    case Member::HtmlText:
        // A field with a style sheet reads as markup even when not set to HTML.
        return s.html || styleSheet.isObject() ? fromUnits(htmlFromField(s), s.swfVersion) : s.textString();
    case Member::Html:
        return s.html;
    case Member::Length:
        return double(s.length());
    case Member::TextColor:
        // The colour of new text: HTML markup colours runs, not the field.
        return double(s.newTextFormat.color.value_or(0));
    case Member::Background:
        return s.background;
    case Member::BackgroundColor:
        return double(s.backgroundColor);
    case Member::Border:
        return s.border;
    case Member::BorderColor:
        return double(s.borderColor);
    case Member::AutoSize:
        return autoSizeName(s.autoSize);
    case Member::WordWrap:
        return s.wordWrap;
    case Member::Multiline:
        return s.multiline;
    case Member::Type:
        return s.input ? "input" : "dynamic";
    case Member::Selectable:
        return s.selectable;
    case Member::Password:
        return s.password;
    case Member::MaxChars:
        return s.maxChars != 0 ? Value(double(s.maxChars)) : Value::null();
    case Member::Restrict:
        return nullable(s.restrict);
    case Member::EmbedFonts:
        return s.embedFonts;
    case Member::CondenseWhite:
        return s.condenseWhite;
    case Member::MouseWheelEnabled:
        return s.mouseWheelEnabled;
    case Member::Variable:
        return s.variable.empty() ? Value::null() : Value(s.variable);
    case Member::TextWidth: {
        // Device text is laid out at the size the field's height scales it
        // to, and its width read back across the field's width scale: a
        // field stretched to twice its width reports half. Its height comes
        // back unchanged; embedded outlines measure as they are.
        const double width = s.textWidthPixels();
        if (s.embedFonts)
            return width;
        const double xscale = std::abs(in.toNumber(in.getMember(&self, "_xscale")));
        const double yscale = std::abs(in.toNumber(in.getMember(&self, "_yscale")));
        if (!std::isfinite(xscale) || !std::isfinite(yscale) || xscale <= 0 || yscale <= 0 || xscale == yscale)
            return width;
        return std::floor(s.layout().textWidth / 20.0 * yscale / xscale);
    }
    case Member::TextHeight:
        return s.textHeightPixels();
    case Member::Scroll:
        return double(s.scroll);
    case Member::MaxScroll:
        return double(s.maxScroll());
    case Member::HScroll:
        return double(s.hscroll);
    case Member::MaxHScroll:
        return double(s.maxHScroll());
    case Member::BottomScroll:
        return double(s.bottomScroll());
    case Member::AntiAliasType:
        return s.antiAliasType;
    case Member::GridFitType:
        return s.gridFitType;
    case Member::Sharpness:
        return s.sharpness;
    case Member::Thickness:
        return s.thickness;
    case Member::Filters:
        return hooks.filters ? hooks.filters(in, self) : filterObjects(in, filters);
    case Member::TabIndex:
        return tabIndex;
    case Member::StyleSheet:
        return styleSheet;
    }
    return Value();
}

void TextFieldExtension::set(Interpreter& in, Object& self, Member member, const Value& value)
{
    TextFieldState& s = *stateOf(self);
    const auto relayout = [&] {
        s.invalidateLayout();
        if (s.autoSize != AutoSize::None)
            s.fitToText();
        s.clampScroll();
    };
    switch (member) {
    case Member::Text: {
        const std::string text = textFieldStringFromValue(in, value);
        s.setText(text);
        writeVariable(in, self, *this, s.textString());
        break;
    }
    case Member::HtmlText: {
        const std::string html = in.toString(value);
        if (s.html) {
            s.beginMarkup();
            const HtmlText parsed = s.readMarkup(toUnits(html, s.swfVersion));
            s.setTextUnits(parsed.text, parsed.runs);
            // Text set later continues in the format the markup left open.
            s.newTextFormat = parsed.endFormat;
        } else {
            s.setText(html);
        }
        writeVariable(in, self, *this, s.textString());
        break;
    }
    case Member::Html:
        s.html = in.toBoolean(value);
        ++s.revision;
        break;
    case Member::TextColor: {
        TextFieldFormat color;
        color.color = colorFrom(in, value);
        s.mergeNewTextFormat(color);
        s.applyFormat(0, s.length(), color);
        break;
    }
    case Member::Background:
        s.background = in.toBoolean(value);
        ++s.revision;
        break;
    case Member::BackgroundColor:
        s.backgroundColor = colorFrom(in, value);
        ++s.revision;
        break;
    case Member::Border:
        s.border = in.toBoolean(value);
        ++s.revision;
        break;
    case Member::BorderColor:
        s.borderColor = colorFrom(in, value);
        ++s.revision;
        break;
    case Member::AutoSize: {
        AutoSize a = AutoSize::None;
        if (value.isBoolean()) {
            a = value.asBool() ? AutoSize::Left : AutoSize::None;
        } else {
            const std::string name = asciiLower(in.toString(value));
            a = name == "left" ? AutoSize::Left : name == "right" ? AutoSize::Right : name == "center" ? AutoSize::Center : AutoSize::None;
        }
        // The box fits the text at once; a field that was never given any
        // text keeps its box until text arrives or the frame ends. The lines
        // shown (scroll) are checked when the field's position is next asked for.
        // Turning it off lays nothing out again: the lines stay as they were.
        s.autoSize = a;
        if (a == AutoSize::None) {
            s.fitPending = false;
            ++s.revision;
            break;
        }
        s.invalidateLayout();
        if (s.textGiven || s.length() > 0)
            s.fitToText();
        else
            s.fitPending = true;
        break;
    }
    // The player lays the text out again only when the text or a format
    // changes: until then scripts measure the old lines.
    case Member::WordWrap:
        s.wordWrap = in.toBoolean(value);
        ++s.revision;
        break;
    case Member::Multiline:
        s.multiline = in.toBoolean(value);
        ++s.revision;
        break;
    case Member::Type: {
        const std::string type = asciiLower(in.toString(value));
        if (type == "input" || type == "dynamic")
            s.input = type == "input";
        break;
    }
    case Member::Selectable:
        s.selectable = in.toBoolean(value);
        break;
    case Member::Password:
        s.password = in.toBoolean(value);
        relayout();
        break;
    case Member::MaxChars: {
        // Kept as a 32-bit integer, 0 for none; only a positive one limits
        // what is typed.
        s.maxChars = toInt32(in.toNumber(value));
        break;
    }
    case Member::Restrict: {
        // An empty restrict lets everything in, as none does.
        std::string restrict = value.isNullish() ? std::string() : in.toString(value);
        if (restrict.empty())
            s.restrict.reset();
        else
            s.restrict = std::move(restrict);
        break;
    }
    case Member::EmbedFonts:
        s.embedFonts = in.toBoolean(value);
        relayout();
        break;
    case Member::CondenseWhite:
        s.condenseWhite = in.toBoolean(value);
        break;
    case Member::MouseWheelEnabled:
        s.mouseWheelEnabled = in.toBoolean(value);
        break;
    case Member::Variable:
        if (value.isNullish()) {
            s.variable.clear();
        } else {
            s.variable = in.toString(value);
            bindVariable(in, self, *this);
        }
        break;
    case Member::Scroll:
    case Member::HScroll: {
        const double n = in.toNumber(value);
        if (!std::isfinite(n))
            break;
        const int before = member == Member::Scroll ? s.scroll : s.hscroll;
        int& target = member == Member::Scroll ? s.scroll : s.hscroll;
        if (member == Member::Scroll) {
            // The player keeps the first line shown as a 32-bit index from
            // 0: the number wraps to 32 bits, and so does the step down.
            const auto index = std::int32_t(std::uint32_t(toInt32(n)) - 1u);
            target = index == std::numeric_limits<std::int32_t>::max() ? index : index + 1;
        } else {
            // A 32-bit integer too: 2^31 wraps below zero and clamps to 0.
            target = toInt32(n);
        }
        s.clampScroll();
        if (target != before)
            ++s.revision;
        break;
    }
    case Member::AntiAliasType: {
        const std::string type = in.toString(value);
        if (type == "normal" || type == "advanced")
            s.antiAliasType = type;
        break;
    }
    case Member::GridFitType: {
        const std::string type = in.toString(value);
        if (type == "none" || type == "pixel" || type == "subpixel")
            s.gridFitType = type;
        break;
    }
    // Kept as given, NaN and infinities too.
    case Member::Sharpness:
        s.sharpness = in.toNumber(value);
        break;
    case Member::Thickness:
        s.thickness = in.toNumber(value);
        break;
    case Member::Filters:
        if (hooks.setFilters)
            hooks.setFilters(in, self, value);
        else
            filters = readFilters(in, value);
        break;
    case Member::TabIndex:
        // A field keeps its tab index as an unsigned 32-bit number;
        // undefined takes it away.
        tabIndex = value.isUndefined() ? Value() : Value(double(toUint32(in.toNumber(value))));
        break;
    case Member::StyleSheet:
        styleSheet = value.isObject() ? value : Value();
        ++s.revision;
        break;
    // Read-only members ignore assignments.
    case Member::Length:
    case Member::TextWidth:
    case Member::TextHeight:
    case Member::MaxScroll:
    case Member::MaxHScroll:
    case Member::BottomScroll:
        break;
    }
}

// An index argument: integers, with NaN and the like as -1 (out of range).
long long indexArg(Interpreter& in, const Value& v)
{
    const double d = in.toNumber(v);
    if (!std::isfinite(d))
        return -1;
    return (long long)std::clamp(std::trunc(d), -1e15, 1e15);
}

// The range of getTextFormat / setTextFormat: (), (index), (begin, end).
// False when the range selects nothing.
bool rangeArgs(Interpreter& in, const Args& args, std::size_t count, std::size_t length, std::size_t& begin, std::size_t& end)
{
    long long b = 0;
    long long e = (long long)length;
    if (count == 1) {
        b = indexArg(in, args[0]);
        if (b < 0 || b >= (long long)length)
            return false;
        e = b + 1;
    } else if (count >= 2) {
        b = std::max(indexArg(in, args[0]), 0LL);
        e = std::min(indexArg(in, args[1]), (long long)length);
    }
    if (b >= e)
        return false;
    begin = std::size_t(b);
    end = std::size_t(e);
    return true;
}

Value nullFormat(Interpreter& in)
{
    return makeTextFormat(in, TextFieldFormat());
}

void installMethods(Interpreter& in, Object* proto)
{
    in.defineMethod(proto, "replaceSel", [](Interpreter& in, Object* self, const Args& args) -> Value {
        TextFieldExtension* ext = extensionOf(self);
        if (!ext || args.empty())
            return Value();
        // The selection gives way to the text, and the caret follows it.
        TextFieldState& s = *ext->stateOf(*self);
        const bool none = s.selectionEnd == std::u32string::npos;
        std::size_t begin = none ? 0 : std::min(s.selectionBegin, s.length());
        std::size_t end = none ? 0 : std::min(s.selectionEnd, s.length());
        if (end < begin)
            std::swap(begin, end);
        const std::u32string inserted = toUnits(in.toString(args[0]), in.swfVersion());
        // Before SWF 8 empty text takes nothing out: the selection stays.
        if (inserted.empty() && in.swfVersion() < 8)
            return Value();
        s.replace(begin, end, inserted, s.newTextFormat);
        s.selectionBegin = s.selectionEnd = begin + inserted.size();
        return Value();
    });
    in.defineMethod(proto, "getTextFormat", [](Interpreter& in, Object* self, const Args& args) -> Value {
        TextFieldExtension* ext = extensionOf(self);
        if (!ext)
            return Value();
        std::size_t begin = 0;
        std::size_t end = 0;
        if (!rangeArgs(in, args, std::min<std::size_t>(args.size(), 2), ext->stateOf(*self)->length(), begin, end))
            return nullFormat(in);
        return makeTextFormat(in, ext->stateOf(*self)->formatOf(begin, end));
    });
    in.defineMethod(proto, "setTextFormat", [](Interpreter& in, Object* self, const Args& args) -> Value {
        TextFieldExtension* ext = extensionOf(self);
        if (!ext || args.empty())
            return Value();
        // The format is the last argument; the ones before it are the range.
        Object* formatObject = args.back().asObject();
        if (!formatObject)
            return Value();
        const TextFieldFormat format = textFormatFromObject(in, formatObject);
        std::size_t begin = 0;
        std::size_t end = 0;
        if (rangeArgs(in, args, std::min<std::size_t>(args.size() - 1, 2), ext->stateOf(*self)->length(), begin, end))
            ext->stateOf(*self)->applyFormat(begin, end, format);
        return Value();
    });
    in.defineMethod(proto, "removeTextField", [](Interpreter& in, Object* self, const Args&) -> Value {
        TextFieldExtension* ext = extensionOf(self);
        if (!ext)
            return Value();
        if (ext->hooks.remove)
            ext->hooks.remove(in, *self);
        else
            in.host().removeClip(self);
        return Value();
    });
    in.defineMethod(proto, "getNewTextFormat", [](Interpreter& in, Object* self, const Args&) -> Value {
        TextFieldExtension* ext = extensionOf(self);
        return ext ? makeTextFormat(in, ext->stateOf(*self)->newTextFormat) : Value();
    });
    in.defineMethod(proto, "setNewTextFormat", [](Interpreter& in, Object* self, const Args& args) -> Value {
        TextFieldExtension* ext = extensionOf(self);
        Object* formatObject = arg(args, 0).asObject();
        if (ext && formatObject)
            ext->stateOf(*self)->mergeNewTextFormat(textFormatFromObject(in, formatObject));
        return Value();
    });
    in.defineMethod(proto, "getDepth", [](Interpreter&, Object* self, const Args&) -> Value {
        TextFieldExtension* ext = extensionOf(self);
        if (!ext || !ext->hooks.depth)
            return Value();
        return ext->hooks.depth(*self);
    });
    in.defineMethod(proto, "replaceText", [](Interpreter& in, Object* self, const Args& args) -> Value {
        TextFieldExtension* ext = extensionOf(self);
        if (!ext || args.size() < 3)
            return Value();
        const long long begin = indexArg(in, args[0]);
        const long long end = indexArg(in, args[1]);
        if (begin < 0 || end < begin)
            return Value();
        TextFieldState& s = *ext->stateOf(*self);
        const auto length = (long long)s.length();
        // The new text takes the format of the character after the range.
        const TextFieldFormat format = end < length ? s.formatAt(std::size_t(end)) : s.newTextFormat;
        // A carriage return goes in as a break that text leaves out, a line
        // feed as a carriage return (the player's own mapping).
        std::u32string inserted = toUnits(in.toString(args[2]), in.swfVersion());
        std::replace(inserted.begin(), inserted.end(), U'\r', kHtmlLineBreak);
        // Before SWF 8 empty text takes nothing out: the range stays.
        if (!inserted.empty() || in.swfVersion() >= 8)
            s.replace(std::size_t(std::min(begin, length)), std::size_t(std::min(end, length)), inserted, format);
        // New text then continues in the first character's format.
        if (s.length() > 0)
            s.newTextFormat = s.formatAt(0);
        return Value();
    });
    markVersion(proto, {"getTextFormat", "setTextFormat", "getNewTextFormat", "setNewTextFormat", "replaceSel",
                        "removeTextField", "getDepth"},
                PropertyFlag::Version6);
    markVersion(proto, {"replaceText"}, PropertyFlag::Version7);
    // The class listens as broadcasters do; each field gets a list of its own.
    env::initializeBroadcaster(in, proto);
}

} // namespace

std::string textFieldStringFromValue(Interpreter& in, const Value& value)
{
    Object* o = value.asObject();
    if (!o || o->objectClass() == ObjectClass::Clip)
        return in.toString(value);
    const Value fn = in.getMember(value, "toString");
    if (Object* f = fn.asObject(); f && f->isFunction()) {
        const Value r = in.call(fn, o, {});
        if (r.isString())
            return r.asString();
    }
    return o->isFunction() ? "[type Function]" : "[type Object]";
}

TextFieldState* textFieldState(Object* object)
{
    TextFieldExtension* ext = extensionOf(object);
    return ext ? ext->stateOf(*object) : nullptr;
}

namespace {

// The class's prototype gets the members' accessors when the first field is
// made: until then for..in and hasOwnProperty find none of them there.
class PendingMembers : public ObjectExtension {
public:
    explicit PendingMembers(std::function<void(Object*)> add) : m_add(std::move(add)) {}
    bool getMember(Interpreter&, Object&, const std::string&, Value&) override { return false; }
    bool setMember(Interpreter&, Object&, const std::string&, const Value&) override { return false; }

    // Gives the members to the prototype `object` links to, once.
    static void addFor(Object* object)
    {
        for (Object* p = object ? object->proto() : nullptr; p; p = p->proto()) {
            if (auto* pending = dynamic_cast<PendingMembers*>(p->extension())) {
                const auto add = std::move(pending->m_add);
                p->setExtension(nullptr); // destroys `pending`
                if (add)
                    add(p);
                return;
            }
        }
    }

private:
    std::function<void(Object*)> m_add;
};

void attach(Interpreter& in, Object* object, std::shared_ptr<TextFieldExtension> extension)
{
    PendingMembers::addFor(object);
    // The field listens to itself: its own onChanged and onScroller run first.
    object->put("_listeners", in.newArray({Value(object)}), PropertyFlag::DontEnum);
    object->setExtension(std::move(extension));
}

} // namespace

Object* makeTextFieldObject(Interpreter& in, std::shared_ptr<TextFieldState> state,
                            std::shared_ptr<ObjectExtension> displayExtension, TextFieldDisplayHooks hooks)
{
    if (!state)
        state = std::make_shared<TextFieldState>(newTextField(100, 100, in.swfVersion()));
    Object* o = in.newObject(in.prototypeOf("TextField"));
    attach(in, o, std::make_shared<TextFieldExtension>(std::move(state), nullptr, std::move(displayExtension), std::move(hooks)));
    return o;
}

void attachTextField(Interpreter& in, Object* object, TextFieldLocator locate,
                     std::shared_ptr<ObjectExtension> displayExtension, TextFieldDisplayHooks hooks)
{
    if (!object || !locate)
        return;
    attach(in, object, std::make_shared<TextFieldExtension>(nullptr, std::move(locate), std::move(displayExtension), std::move(hooks)));
}

void syncTextFieldVariable(Interpreter& in, Object* field)
{
    if (TextFieldExtension* ext = extensionOf(field))
        readVariable(in, *field, *ext);
}

void textFieldEdited(Interpreter& in, Object* field)
{
    TextFieldExtension* ext = extensionOf(field);
    if (!ext || !ext->stateOf(*field))
        return;
    writeVariable(in, *field, *ext, ext->stateOf(*field)->textString());
    broadcastTextFieldEvent(in, field, "onChanged");
}

void bindTextFieldVariable(Interpreter& in, Object* field)
{
    if (TextFieldExtension* ext = extensionOf(field))
        bindVariable(in, *field, *ext);
}

void broadcastTextFieldEvent(Interpreter& in, Object* field, const std::string& event)
{
    if (!field)
        return;
    Object* list = in.getMember(field, "_listeners").asObject();
    if (!list)
        return;
    // Handlers that add or remove listeners take effect next time.
    for (const Value& listener : in.arrayItems(list))
        in.callMethod(listener, event, {field});
}

void installTextField(Interpreter& in)
{
    // The members as accessor properties, listed by for..in: on the
    // prototype from SWF 6; in SWF 5, whose movies cannot see the prototype,
    // on each object that new TextField() makes.
    struct Accessor {
        const MemberInfo* info;
        Object* getter;
        Object* setter;
    };
    auto accessors = std::make_shared<std::vector<Accessor>>();
    for (const MemberInfo& info : kMembers) {
        const Member member = info.member;
        Object* getter = in.newFunction([member](Interpreter& in, Object* self, const Args&) -> Value {
            TextFieldExtension* ext = extensionOf(self);
            return ext ? ext->get(in, *self, member) : Value();
        });
        Object* setter = in.newFunction([member](Interpreter& in, Object* self, const Args& args) -> Value {
            if (TextFieldExtension* ext = extensionOf(self))
                ext->set(in, *self, member, arg(args, 0));
            return Value();
        });
        accessors->push_back({&info, getter, setter});
    }
    auto addAccessors = [accessors](Object* on) {
        for (const Accessor& a : *accessors) {
            on->setAccessor(a.info->name, a.getter, a.setter);
            if (Property* p = on->findOwnAnyVersion(a.info->name))
                p->flags |= PropertyFlag::DontDelete | a.info->versionFlag;
        }
    };
    // The accessors wait in native code until a field needs them.
    const bool onPrototype = in.swfVersion() >= 6;
    for (const Accessor& a : *accessors) {
        in.pin(a.getter);
        in.pin(a.setter);
    }

    Object* proto = in.newObject();
    auto construct = [addAccessors, onPrototype](Interpreter&, Object* self, const Args&) -> Value {
        if (self)
            self->markNative();
        if (self && onPrototype)
            PendingMembers::addFor(self);
        if (self && !onPrototype) {
            // Before SWF 6 the class's prototype is an object of no class
            // at all: a field made with new links to it, inherits nothing
            // through it (not even Object's methods) and carries its members.
            addAccessors(self);
        }
        return self;
    };
    Object* ctor = makeConstructor(
        in, "TextField", [](Interpreter&, Object*, const Args&) -> Value { return Value(); }, construct, proto);
    installMethods(in, proto);

    in.defineMethod(ctor, "getFontList", [](Interpreter& in, Object*, const Args&) -> Value {
        return in.newArray({"_sans", "_serif", "_typewriter", "Arial", "Courier New", "Times New Roman", "Verdana"});
    });
    markVersion(ctor, {"getFontList"}, PropertyFlag::Version6);
    installStyleSheet(in, ctor);

    if (onPrototype) {
        proto->setExtension(std::make_shared<PendingMembers>(addAccessors));
    } else {
        markVersion(ctor, {"prototype"}, PropertyFlag::Version6);
        markVersion(proto, {"__proto__"}, PropertyFlag::Version6);
    }
}

} // namespace swf::script
