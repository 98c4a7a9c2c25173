// flash.external.ExternalInterface: the bridge to a page's scripts. A player
// that runs outside a browser page has no container, so the bridge is not
// available: calls out answer null and no callback can be added. What stays
// useful to scripts are the class's own helpers that turn values into the
// bridge's XML and quote text, which work without a container.

#include "swf/script/builtins/builtins.h"
#include "swf/script/builtins/library_support.h"
#include "swf/script/builtins/member_flags.h"
#include "swf/script/builtins/xml_parser.h"

#include <set>
#include <string>
#include <vector>

namespace swf::script {

using namespace library;

namespace {

// The five characters XML escapes, as the XML class writes them; empty text
// gives null.
Value escapeXml(const std::string& s)
{
    if (s.empty())
        return Value::null();
    return xml::escape(s);
}

// The reverse for the same five entities only; any other stays as written.
Value unescapeXml(const std::string& s)
{
    if (s.empty())
        return Value::null();
    static const struct {
        const char* entity;
        char c;
    } kEntities[] = {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        bool replaced = false;
        for (const auto& e : kEntities) {
            const std::string entity = e.entity;
            if (s.compare(i, entity.size(), entity) == 0) {
                out += e.c;
                i += entity.size();
                replaced = true;
                break;
            }
        }
        if (!replaced)
            out += s[i++];
    }
    return out;
}

// Text for a script string literal: quotes and line ends escaped, nothing
// else (a backslash stays as it is); empty text gives null.
Value jsQuote(const std::string& s)
{
    if (s.empty())
        return Value::null();
    std::string out;
    for (char c : s) {
        if (c == '"')
            out += "\\\"";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

std::string toXml(Interpreter& in, const Value& v, int depth);

// Whether an object is sent as an array: anything with a length.
bool listLike(Interpreter& in, Object* o) { return !in.getMember(o, "length").isUndefined(); }

// Items 0 to length - 1 (from `first`), each by toXml, each wrapped or not.
std::string itemsXml(Interpreter& in, const Value& v, std::uint32_t first, bool wrapped, int depth)
{
    std::string out;
    // Text has a length but no items.
    if (!v.isObject() && !v.isString())
        return out;
    // Each item is charged to the movie's memory, which also ends a
    // length far beyond the items there are.
    const double length = in.toNumber(in.getMember(v, "length"));
    for (double i = first; i < length; ++i) {
        const std::string index = in.toString(Value(i));
        const std::string item = toXml(in, v.isObject() ? in.getMember(v, index) : Value(), depth + 1);
        const std::string written = wrapped ? "<property id=\"" + index + "\">" + item + "</property>" : item;
        if (!in.reserveMemory(written.size()))
            return std::string();
        out += written;
    }
    return out;
}

std::string arrayXml(Interpreter& in, const Value& v, int depth) { return "<array>" + itemsXml(in, v, 0, true, depth) + "</array>"; }

std::string objectXml(Interpreter& in, const Value& v, int depth)
{
    std::string out = "<object>";
    if (Object* o = v.asObject()) {
        for (const std::string& name : in.enumerableNames(o)) {
            const std::string written = "<property id=\"" + name + "\">" + toXml(in, in.getMember(o, name), depth + 1) + "</property>";
            if (!in.reserveMemory(written.size()))
                return std::string();
            out += written;
        }
    }
    return out + "</object>";
}

// One value as the bridge writes it. Functions, clips and values nested
// past the limit are null.
std::string toXml(Interpreter& in, const Value& v, int depth)
{
    if (v.isUndefined())
        return "<undefined/>";
    if (v.isBoolean())
        return v.asBool() ? "<true/>" : "<false/>";
    if (v.isNumber())
        return "<number>" + in.toString(v) + "</number>";
    if (v.isString())
        return "<string>" + in.toString(escapeXml(v.asString())) + "</string>";
    Object* o = v.asObject();
    if (!o || o->isFunction() || o->objectClass() == ObjectClass::Clip || depth > in.limits().maxCallDepth)
        return "<null/>";
    return listLike(in, o) ? arrayXml(in, v, depth) : objectXml(in, v, depth);
}

Value toAs(Interpreter& in, const Value& node, int depth);

// The children of a node of the bridge's XML, first to last; a list of
// siblings that leads back to one already met ends there.
std::vector<Value> childNodes(Interpreter& in, const Value& node)
{
    std::vector<Value> out;
    if (!node.isObject())
        return out;
    std::set<Object*> met;
    for (Value child = in.getMember(node, "firstChild"); child.isObject() && met.insert(child.asObject()).second;
         child = in.getMember(child, "nextSibling"))
        out.push_back(child);
    return out;
}

// An object or array from a node's `property` children, each stored under its id.
Value containerToAs(Interpreter& in, const Value& node, bool array, int depth)
{
    Object* out = array ? in.newArray() : in.newObject();
    for (const Value& child : childNodes(in, node)) {
        if (in.toString(in.getMember(child, "nodeName")) != "property")
            continue;
        const std::string id = in.toString(in.getMember(in.getMember(child, "attributes"), "id"));
        in.setMember(out, id, toAs(in, in.getMember(child, "firstChild"), depth + 1));
    }
    return out;
}

// One value of the bridge's XML, read back from its node: the node's name
// gives the type, its first child the content (read as text). A class node
// names a global. Anything else, and anything that is no node, is undefined.
Value toAs(Interpreter& in, const Value& node, int depth)
{
    if (!node.isObject() || depth > in.limits().maxCallDepth)
        return Value();
    const std::string type = in.toString(in.getMember(node, "nodeName"));
    const Value content = in.getMember(node, "firstChild");
    if (type == "true" || type == "false")
        return type == "true";
    if (type == "null")
        return Value::null();
    if (type == "number")
        return in.toNumber(Value(in.toString(content)));
    if (type == "string")
        return content.isNullish() ? Value("") : unescapeXml(in.toString(content));
    if (type == "array" || type == "object")
        return containerToAs(in, node, type == "array", depth);
    if (type == "class")
        return in.getMember(in.global(), in.toString(content));
    return Value();
}

Value textArgument(Interpreter& in, const Args& args, Value (*convert)(const std::string&))
{
    return args.empty() ? Value::null() : convert(in.toString(args[0]));
}

} // namespace

void installExternalInterface(Interpreter& in, Object* package)
{
    Object* proto = in.newObject();
    Object* ctor = in.newFunction(nothing(), [](Interpreter&, Object* self, const Args&) -> Value { return self; });
    ctor->put("prototype", proto);
    proto->put("constructor", ctor, kHiddenPermanent);
    ctor->put("constructor", in.getMember(in.global(), "Function"));
    package->put("ExternalInterface", ctor, 0);

    nativeAccessor(in, ctor, "available", [](Interpreter&, Object*, const Args&) -> Value { return false; }, {}, kConstantMemberFlags);
    scriptMethod(in, ctor, "addCallback", [](Interpreter&, Object*, const Args&) -> Value { return false; });
    scriptMethod(in, ctor, "call", [](Interpreter&, Object*, const Args&) -> Value { return Value::null(); });

    scriptMethod(in, ctor, "_toXML", [](Interpreter& in, Object*, const Args& args) -> Value { return toXml(in, arg(args, 0), 0); });
    scriptMethod(in, ctor, "_arrayToXML", [](Interpreter& in, Object*, const Args& args) -> Value { return arrayXml(in, arg(args, 0), 0); });
    scriptMethod(in, ctor, "_objectToXML", [](Interpreter& in, Object*, const Args& args) -> Value { return objectXml(in, arg(args, 0), 0); });
    // The arguments of a call out: the first is the function's name.
    scriptMethod(in, ctor, "_argumentsToXML", [](Interpreter& in, Object*, const Args& args) -> Value {
        return "<arguments>" + itemsXml(in, arg(args, 0), 1, false, 0) + "</arguments>";
    });
    // Reading the container's answers back needs a container.
    scriptMethod(in, ctor, "_toAS", [](Interpreter& in, Object*, const Args& args) -> Value { return toAs(in, arg(args, 0), 0); });
    scriptMethod(in, ctor, "_objectToAS", [](Interpreter& in, Object*, const Args& args) -> Value {
        return containerToAs(in, arg(args, 0), false, 0);
    });
    scriptMethod(in, ctor, "_arrayToAS", [](Interpreter& in, Object*, const Args& args) -> Value {
        return containerToAs(in, arg(args, 0), true, 0);
    });
    // A call's arguments: every child is one value.
    scriptMethod(in, ctor, "_argumentsToAS", [](Interpreter& in, Object*, const Args& args) -> Value {
        std::vector<Value> values;
        for (const Value& child : childNodes(in, arg(args, 0)))
            values.push_back(toAs(in, child, 1));
        return in.newArray(values);
    });
    for (const char* name : {"_arrayToJS", "_callIn", "_objectToJS", "_toJS"})
        scriptMethod(in, ctor, name, nothing());

    nativeMethod(in, ctor, "_escapeXML", [](Interpreter& in, Object*, const Args& args) -> Value { return textArgument(in, args, escapeXml); });
    nativeMethod(in, ctor, "_unescapeXML", [](Interpreter& in, Object*, const Args& args) -> Value { return textArgument(in, args, unescapeXml); });
    nativeMethod(in, ctor, "_jsQuoteString", [](Interpreter& in, Object*, const Args& args) -> Value { return textArgument(in, args, jsQuote); });
    nativeMethod(in, ctor, "_objectID", [](Interpreter&, Object*, const Args&) -> Value { return Value::null(); });
    nativeMethod(in, ctor, "_addCallback", [](Interpreter&, Object*, const Args&) -> Value { return false; });
    nativeMethod(in, ctor, "_callOut", [](Interpreter&, Object*, const Args&) -> Value { return Value::null(); });
    nativeMethod(in, ctor, "_evalJS", [](Interpreter&, Object*, const Args&) -> Value { return Value::null(); });
    nativeMethod(in, ctor, "_initJS", nothing());
    setAllMemberFlags(ctor, kConstantMemberFlags);
    // An SWF 7 movie that reaches the class sees none of its members.
    for (const Property& p : ctor->properties()) {
        if (p.name != "prototype" && p.name != "constructor" && p.name != "__proto__")
            ctor->findOwnAnyVersion(p.name)->flags |= PropertyFlag::Version8;
    }
}

} // namespace swf::script
