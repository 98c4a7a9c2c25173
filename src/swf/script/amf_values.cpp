#include "swf/script/amf_values.h"

#include "swf/script/frame.h"
#include "swf/script/interpreter.h"

#include <limits>
#include <unordered_set>

namespace swf::script {

namespace {

using amf0::AmfValue;
using Type = AmfValue::Type;

// The index an array item's name gives: a number from 0 to 2^32 - 2 written
// as a number prints ("5", not "05" or "5.0"); -1 for other names.
std::int64_t itemIndex(const std::string& name)
{
    if (name.empty() || name.size() > 10 || (name.size() > 1 && name[0] == '0'))
        return -1;
    std::int64_t n = 0;
    for (char c : name) {
        if (c < '0' || c > '9')
            return -1;
        n = n * 10 + (c - '0');
    }
    return n < 4294967295 ? n : -1;
}

// One member as it is written: its name and value, or that it has a getter.
struct Member {
    std::string name;
    Value value;
    bool accessor = false;
};

// The enumerable members an object shows this movie, its own before its
// prototypes', each name once (a hidden one hides the same name further up).
std::vector<Member> enumerableMembers(Object* o, int swfVersion)
{
    std::vector<Member> out;
    std::unordered_set<std::string> seen;
    for (int depth = 0; o && depth < kMaxProtoDepth; ++depth, o = o->proto()) {
        for (const Property& p : o->properties()) {
            if (!seen.insert(o->key(p.name)).second)
                continue;
            if ((p.flags & PropertyFlag::DontEnum) || !visibleInVersion(p.flags, swfVersion))
                continue;
            out.push_back({p.name, p.value, p.isAccessor()});
        }
    }
    return out;
}

bool isFunction(const Value& v) { return v.isObject() && v.asObject()->isFunction(); }

} // namespace

AmfValue AmfEncoder::encode(const Value& value, int depth)
{
    // What runs past the bounds of a readable piece of data is written as nothing.
    if (depth >= amf0::kMaxDepth || ++m_values > amf0::kMaxValues)
        return AmfValue::ofType(Type::Undefined);
    switch (value.type()) {
    case ValueType::Undefined: return AmfValue::ofType(Type::Undefined);
    case ValueType::Null: return AmfValue::ofType(Type::Null);
    case ValueType::Boolean: return AmfValue::ofBoolean(value.asBool());
    case ValueType::Number: return AmfValue::ofNumber(value.asNumber());
    case ValueType::String: return AmfValue::ofString(value.asString());
    case ValueType::Object: break;
    }
    Object* o = value.asObject();
    // Display objects have no form to travel in, nor have functions inside
    // another value (an object leaves them out); a function given on its
    // own goes as an object of its members.
    if (!o || o->hostData || o->objectClass() == ObjectClass::Clip || (o->isFunction() && depth > 0))
        return AmfValue::ofType(Type::Undefined);
    if (auto it = m_written.find(o); it != m_written.end()) {
        AmfValue reference = AmfValue::ofType(Type::Reference);
        reference.number = it->second;
        return reference;
    }
    // A reference holds 16 bits: objects past those are written in full
    // each time (the depth bound ends an object that holds itself).
    if (m_count <= 0xFFFF)
        m_written.emplace(o, m_count);
    ++m_count;
    if (o->isFunction()) {
        AmfValue out = AmfValue::ofType(Type::Object);
        out.members = members(o, depth);
        return out;
    }
    if (o->objectClass() == ObjectClass::Date) {
        AmfValue date = AmfValue::ofType(Type::Date);
        date.number = o->primitive.isNumber() ? o->primitive.asNumber() : std::numeric_limits<double>::quiet_NaN();
        return date;
    }
    const Value xml = m_in.getMember(m_in.global(), "XML");
    if (xml.isObject() && m_in.instanceOf(o, xml.asObject())) {
        AmfValue document = AmfValue::ofType(Type::Xml);
        document.string = m_in.toString(m_in.callMethod(o, "toString", {}));
        return document;
    }
    if (o->objectClass() == ObjectClass::Array)
        return array(o, depth);
    const std::string name = className(o);
    AmfValue out = AmfValue::ofType(name.empty() ? Type::Object : Type::TypedObject);
    out.string = name;
    out.members = members(o, depth);
    return out;
}

std::vector<std::pair<std::string, AmfValue>> AmfEncoder::members(Object* o, int depth)
{
    std::vector<std::pair<std::string, AmfValue>> out;
    for (Member& m : enumerableMembers(o, m_in.swfVersion())) {
        if (m.accessor)
            out.emplace_back(std::move(m.name), AmfValue::ofType(Type::Undefined));
        else if (!isFunction(m.value))
            out.emplace_back(std::move(m.name), encode(m.value, depth + 1));
    }
    return out;
}

AmfValue AmfEncoder::array(Object* a, int depth)
{
    // The array's length, kept by the player apart from its members: when a
    // getter took the place of `length`, the items it holds tell it.
    std::vector<Member> list = enumerableMembers(a, m_in.swfVersion());
    const Property* lengthProperty = a->findOwn("length");
    std::int64_t length = 0;
    if (lengthProperty && !lengthProperty->isAccessor()) {
        length = m_in.arrayLength(a);
    } else {
        for (const Property& p : a->properties())
            length = std::max(length, itemIndex(p.name) + 1);
    }
    bool dense = m_arrays == Arrays::StrictWhenDense && length <= std::int64_t(amf0::kMaxValues);
    // Members that are not items make it an ECMA array; functions, which
    // are left out, do not count.
    for (const Member& m : list) {
        const std::int64_t index = itemIndex(m.name);
        if (m.name != "length" && (index < 0 || index >= length) && (m.accessor || !isFunction(m.value)))
            dense = false;
    }
    if (dense) {
        AmfValue out = AmfValue::ofType(Type::StrictArray);
        for (std::int64_t i = 0; i < length && m_values <= amf0::kMaxValues; ++i) {
            const Property* p = a->findOwn(std::to_string(i));
            const Value item = p && !p->isAccessor() && !isFunction(p->value) ? p->value : Value();
            out.items.push_back(encode(item, depth + 1));
        }
        return out;
    }
    AmfValue out = AmfValue::ofType(Type::EcmaArray);
    out.declaredLength = std::uint32_t(length);
    for (Member& m : list) {
        if (m.name == "length" && m.accessor)
            continue;
        if (m.accessor)
            out.members.emplace_back(std::move(m.name), AmfValue::ofType(Type::Undefined));
        else if (!isFunction(m.value))
            out.members.emplace_back(std::move(m.name), encode(m.value, depth + 1));
    }
    return out;
}

std::string AmfEncoder::className(Object* o)
{
    for (const char* link : {"constructor", "__constructor__"}) {
        const Property* p = o->findOwn(link);
        if (!p || p->isAccessor())
            continue;
        if (Object* ctor = p->value.asObject()) {
            std::string name = m_in.classAlias(ctor);
            if (!name.empty())
                return name;
        }
    }
    return {};
}

namespace {

// AMF values nest no deeper than this as script objects.
constexpr int kMaxValueDepth = amf0::kMaxDepth;
// The largest length an ECMA array's declared count gives its Array.
constexpr double kMaxDeclaredLength = 65535;

Value decode(Interpreter& in, const AmfValue& v, int depth)
{
    switch (v.type) {
    case Type::Number: return v.number;
    case Type::Boolean: return v.boolean;
    case Type::String: return v.string;
    case Type::Null: return Value::null();
    case Type::Undefined:
    case Type::Reference: return Value();
    case Type::Date: return in.construct(in.getMember(in.global(), "Date"), {v.number});
    case Type::Xml: return in.construct(in.getMember(in.global(), "XML"), {v.string});
    case Type::Object:
    case Type::TypedObject:
    case Type::EcmaArray: {
        Object* o = v.type != Type::EcmaArray ? in.newObject() : in.newArray();
        // The length comes first, so that members past it stay (a damaged
        // count would make a vast array).
        if (v.type == Type::EcmaArray)
            in.setMember(o, "length", v.number <= kMaxDeclaredLength ? v.number : double(v.members.size()));
        if (depth < kMaxValueDepth) {
            for (const auto& [name, member] : v.members)
                in.setMember(o, name, decode(in, member, depth + 1));
        }
        return o;
    }
    case Type::StrictArray: {
        std::vector<Value> items;
        if (depth < kMaxValueDepth) {
            for (const AmfValue& item : v.items)
                items.push_back(decode(in, item, depth + 1));
        }
        return in.newArray(items);
    }
    }
    return Value();
}

} // namespace

Value decodeAmf(Interpreter& in, const AmfValue& value) { return decode(in, value, 0); }

} // namespace swf::script
