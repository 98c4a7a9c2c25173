// TextField.StyleSheet (SWF 7 on): CSS text read into style objects kept on
// the sheet itself, `_css` for the styles as written and `_styles` for what
// `transform` made of them. The original player wrote most of the class in
// ActionScript around a few natives; the methods call each other through
// the object, so that a subclass (or an object given the methods) can
// replace any of them.

#include "swf/script/builtins/library_support.h"
#include "swf/script/builtins/loading.h"

#include <cctype>
#include <cmath>
#include <optional>

namespace swf::script {

namespace {

using namespace library;

constexpr std::uint16_t kMethodFlags = kHiddenPermanent;

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string lowerCase(std::string s)
{
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// A property name as scripts read it: "font-size" is fontSize; a hyphen
// before another hyphen or at the end stays.
std::string camelCase(const std::string& name)
{
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '-' && i + 1 < name.size()) {
            out += char(std::toupper(static_cast<unsigned char>(name[++i])));
            continue;
        }
        out += name[i];
    }
    return out;
}

struct Rule {
    std::vector<std::string> selectors;
    std::vector<std::pair<std::string, std::string>> declarations;
};

// The player's CSS reader: selectors separated by commas (a space inside a
// selector list is an error), a block of `name: value` pairs ended by `;`
// or `}` (a name runs to its colon, braces and all). Values keep the spaces before their end. Any error drops the whole
// text: nothing of it applies. A block of nothing but spaces is an error up
// to SWF 7 and empty from SWF 8.
std::optional<std::vector<Rule>> parseCss(const std::string& css, int version)
{
    std::vector<Rule> rules;
    std::size_t i = 0;
    const std::size_t n = css.size();
    while (true) {
        Rule rule;
        // Selectors up to the block.
        while (true) {
            while (i < n && (isSpace(css[i]) || css[i] == ','))
                ++i;
            if (i == n) {
                if (rule.selectors.empty())
                    return rules;
                return std::nullopt;
            }
            if (css[i] == '{')
                break;
            const std::size_t start = i;
            while (i < n && !isSpace(css[i]) && css[i] != ',' && css[i] != '{')
                ++i;
            rule.selectors.push_back(css.substr(start, i - start));
            while (i < n && isSpace(css[i]))
                ++i;
            if (i < n && css[i] != ',' && css[i] != '{')
                return std::nullopt;
        }
        if (rule.selectors.empty())
            return std::nullopt;
        ++i; // '{'
        while (version >= 8 && i < n && isSpace(css[i]))
            ++i;
        bool closed = i < n && css[i] == '}';
        if (closed)
            ++i;
        while (!closed && i < n) {
            while (i < n && isSpace(css[i]))
                ++i;
            const std::size_t nameStart = i;
            while (i < n && css[i] != ':')
                ++i;
            if (i == n)
                return std::nullopt;
            // A name may end in spaces, which it keeps, but holds none.
            const std::string name = css.substr(nameStart, i - nameStart);
            std::size_t end = name.size();
            while (end > 0 && isSpace(name[end - 1]))
                --end;
            for (std::size_t k = 0; k < end; ++k) {
                if (isSpace(name[k]))
                    return std::nullopt;
            }
            ++i; // ':'
            while (i < n && isSpace(css[i]))
                ++i;
            const std::size_t valueStart = i;
            while (i < n && css[i] != ';' && css[i] != '}')
                ++i;
            if (i == n)
                return std::nullopt;
            if (!name.empty())
                rule.declarations.emplace_back(camelCase(name), css.substr(valueStart, i - valueStart));
            if (css[i++] == '}')
                break;
            while (i < n && isSpace(css[i]))
                ++i;
            if (i < n && css[i] == '}') {
                ++i;
                break;
            }
        }
        rules.push_back(std::move(rule));
    }
}

// The text the natives read from an argument: a clip's path, another
// object's own toString answer, "[type Object]" when that is no string.
Value textOf(Interpreter& in, const Value& v)
{
    Object* o = v.asObject();
    if (!o)
        return v;
    if (o->objectClass() == ObjectClass::Clip)
        return in.toString(v);
    Value s = in.callMethod(o, "toString", {});
    return s.isString() ? s : Value(std::string("[type Object]"));
}

Value parseColor(Interpreter& in, const Value& v)
{
    const Value text = textOf(in, v);
    if (!text.isString())
        return Value::null();
    const std::string& s = text.asString();
    if (s.size() != 7 || s[0] != '#')
        return Value::null();
    int rgb = 0;
    for (std::size_t i = 1; i < s.size(); ++i) {
        if (!std::isxdigit(static_cast<unsigned char>(s[i])))
            return Value::null();
        rgb = rgb * 16 + std::stoi(std::string(1, s[i]), nullptr, 16);
    }
    return double(rgb);
}

Value parseFontFamily(Interpreter& in, const Value& v)
{
    const Value text = textOf(in, v);
    if (!text.isString())
        return text;
    const std::string lower = lowerCase(text.asString());
    if (lower == "mono")
        return std::string("_typewriter");
    if (lower == "sans-serif")
        return std::string("_sans");
    if (lower == "serif")
        return std::string("_serif");
    return text;
}

// A font list: each name without the spaces before it, empty ones dropped,
// the generic CSS families as the player's device fonts.
std::string fontList(Interpreter& in, const std::string& text)
{
    std::string out;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(',', start);
        if (end == std::string::npos)
            end = text.size();
        std::size_t from = start;
        while (from < end && isSpace(text[from]))
            ++from;
        if (from < end) {
            if (!out.empty())
                out += ',';
            out += in.toString(parseFontFamily(in, text.substr(from, end - from)));
        }
        start = end + 1;
    }
    return out;
}

// What the player's TextFormat takes from a CSS style. A property that is
// absent or false-like sets nothing; numbers are read as parseInt reads them.
Value transform(Interpreter& in, const Value& style)
{
    if (style.isNullish())
        return Value::null();
    Value format = in.construct(in.getMember(in.global(), "TextFormat"), {});
    auto read = [&](const char* name) { return in.getMember(style, name); };
    auto set = [&](const char* member, const Value& v) { in.setMember(format, member, v); };
    auto integer = [&](const Value& v) { return parseIntText(in.toString(v)); };
    const Value color = parseColor(in, read("color"));
    if (!color.isNull())
        set("color", color);
    const Value display = read("display");
    const std::string shown = display.isString() ? display.asString() : std::string();
    set("display", std::string(shown == "inline" || shown == "none" ? shown : "block"));
    if (const Value family = read("fontFamily"); in.toBoolean(family))
        set("font", fontList(in, in.toString(family)));
    if (const Value size = read("fontSize"); in.toBoolean(size) && integer(size) > 0)
        set("size", integer(size));
    const Value kerning = read("kerning");
    const double kerningNumber = in.toBoolean(kerning) ? integer(kerning) : 0;
    set("kerning", (kerning.isString() && kerning.asString() == "true") || (kerningNumber != 0 && !std::isnan(kerningNumber)));
    auto choice = [&](const char* name, const char* off, const char* on, const char* member) {
        const Value v = read(name);
        if (v.isString() && (v.asString() == off || v.asString() == on))
            set(member, v.asString() == on);
    };
    choice("fontStyle", "normal", "italic", "italic");
    choice("fontWeight", "normal", "bold", "bold");
    choice("textDecoration", "none", "underline", "underline");
    if (const Value align = read("textAlign"); align.isString()) {
        const std::string a = lowerCase(align.asString());
        if (a == "left" || a == "right" || a == "center" || a == "justify")
            set("align", a);
    }
    // Leading that is no number is 0 here (TextFormat itself would take
    // NaN as the lowest integer); letter spacing stays NaN.
    if (const Value v = read("leading"); in.toBoolean(v))
        set("leading", std::isnan(integer(v)) ? 0.0 : integer(v));
    const std::pair<const char*, const char*> numbers[] = {
        {"letterSpacing", "letterSpacing"}, {"marginLeft", "leftMargin"}, {"marginRight", "rightMargin"}, {"textIndent", "indent"}};
    for (const auto& [name, member] : numbers) {
        if (const Value v = read(name); in.toBoolean(v))
            set(member, integer(v));
    }
    return format;
}

// The sheet's store `name` (_css or _styles), made on first use.
Object* store(Interpreter& in, Object* self, const char* name)
{
    if (Object* o = in.getMember(self, name).asObject())
        return o;
    Object* o = in.newObject();
    in.setMember(self, name, o);
    return o;
}

void installMethods(Interpreter& in, Object* proto)
{
    scriptMethod(in, proto, "_copy", [](Interpreter& in, Object*, const Args& args) -> Value {
        Object* from = arg(args, 0).asObject();
        if (!from)
            return Value::null();
        Object* copy = in.newObject();
        for (const std::string& name : in.enumerableNames(from))
            in.setMember(copy, name, in.getMember(from, name));
        return copy;
    }, kMethodFlags);
    scriptMethod(in, proto, "clear", [](Interpreter& in, Object* self, const Args&) -> Value {
        if (!self)
            return Value();
        in.setMember(self, "_css", in.newObject());
        in.setMember(self, "_styles", in.newObject());
        in.callMethod(self, "update", {});
        return Value();
    }, kMethodFlags);
    scriptMethod(in, proto, "getStyle", [](Interpreter& in, Object* self, const Args& args) -> Value {
        Object* css = self ? in.getMember(self, "_css").asObject() : nullptr;
        if (!css)
            return Value::null();
        const Value style = in.getMember(css, in.toString(arg(args, 0)));
        return style.isObject() ? in.callMethod(self, "_copy", {style}) : Value::null();
    }, kMethodFlags);
    scriptMethod(in, proto, "getStyleNames", [](Interpreter& in, Object* self, const Args&) -> Value {
        std::vector<Value> names;
        if (Object* css = self ? in.getMember(self, "_css").asObject() : nullptr) {
            for (const std::string& name : in.enumerableNames(css))
                names.emplace_back(name);
        }
        return in.newArray(names);
    }, kMethodFlags);
    scriptMethod(in, proto, "setStyle", [](Interpreter& in, Object* self, const Args& args) -> Value {
        if (!self)
            return Value();
        Object* css = store(in, self, "_css");
        Object* styles = store(in, self, "_styles");
        const std::string name = in.toString(arg(args, 0));
        const Value copy = arg(args, 1).isObject() ? in.callMethod(self, "_copy", {arg(args, 1)}) : Value::null();
        in.setMember(css, name, copy);
        in.setMember(styles, name, in.callMethod(self, "transform", {copy}));
        in.callMethod(self, "update", {});
        return Value();
    }, kMethodFlags);
    scriptMethod(in, proto, "doTransform", [](Interpreter& in, Object* self, const Args& args) -> Value {
        if (!self)
            return Value();
        const std::string name = in.toString(arg(args, 0));
        const Value style = in.getMember(store(in, self, "_css"), name);
        in.setMember(store(in, self, "_styles"), name, in.callMethod(self, "transform", {style}));
        return Value();
    }, kMethodFlags);
    scriptMethod(in, proto, "transform", [](Interpreter& in, Object*, const Args& args) -> Value {
        return transform(in, arg(args, 0));
    }, kMethodFlags);
    Object* parse = scriptMethod(in, proto, "parse", [](Interpreter& in, Object* self, const Args& args) -> Value {
        if (!self)
            return false;
        const Value parsed = in.callMethod(self, "parseCSSInternal", {arg(args, 0)});
        Object* rules = parsed.asObject();
        if (!rules)
            return false;
        Object* css = store(in, self, "_css");
        Object* styles = store(in, self, "_styles");
        for (const std::string& name : in.enumerableNames(rules)) {
            const Value copy = in.callMethod(self, "_copy", {in.getMember(rules, name)});
            in.setMember(css, name, copy);
            in.setMember(styles, name, in.callMethod(self, "transform", {copy}));
        }
        in.callMethod(self, "update", {});
        return true;
    }, kMethodFlags);
    proto->put("parseCSS", parse, kMethodFlags);
    nativeMethod(in, proto, "parseCSSInternal", [](Interpreter& in, Object*, const Args& args) -> Value {
        const auto rules = parseCss(in.toString(arg(args, 0)), in.swfVersion());
        if (!rules)
            return Value::null();
        Object* out = in.newObject();
        for (const Rule& rule : *rules) {
            for (const std::string& selector : rule.selectors) {
                Object* style = in.newObject();
                for (const auto& [name, value] : rule.declarations)
                    in.setMember(style, name, value);
                in.setMember(out, selector, style);
            }
        }
        return out;
    }, kMethodFlags);
    nativeMethod(in, proto, "parseColor", [](Interpreter& in, Object*, const Args& args) -> Value {
        return args.empty() ? Value::null() : parseColor(in, args[0]);
    }, kMethodFlags);
    nativeMethod(in, proto, "parseCSSFontFamily", [](Interpreter& in, Object*, const Args& args) -> Value {
        return parseFontFamily(in, arg(args, 0));
    }, kMethodFlags);
    // Fields showing the sheet are drawn from its styles each time; nothing
    // to refresh.
    nativeMethod(in, proto, "update", nothing(), kMethodFlags);
    nativeMethod(in, proto, "load", [](Interpreter& in, Object* self, const Args& args) -> Value {
        if (!self || args.empty())
            return false;
        return loadTextInto(in, in.toString(args[0]), self);
    }, kMethodFlags);
    scriptMethod(in, proto, "onData", [](Interpreter& in, Object* self, const Args& args) -> Value {
        const Value text = arg(args, 0);
        const Value ok = text.isUndefined() ? Value(false) : in.callMethod(self, "parse", {text});
        in.callMethod(self, "onLoad", {ok});
        return Value();
    }, kMethodFlags);
    scriptMethod(in, proto, "onLoad", nothing(), kMethodFlags);
}

} // namespace

void installStyleSheet(Interpreter& in, Object* textField)
{
    Object* proto = in.newObject();
    auto construct = [](Interpreter&, Object* self, const Args&) -> Value {
        if (self)
            self->markNative();
        return self;
    };
    Object* ctor = in.newFunction(nothing(), construct);
    ctor->put("prototype", proto, kHiddenPermanent);
    proto->put("constructor", ctor, kHiddenPermanent);
    installMethods(in, proto);
    textField->put("StyleSheet", ctor, kHidden | PropertyFlag::Version7);
}

} // namespace swf::script
