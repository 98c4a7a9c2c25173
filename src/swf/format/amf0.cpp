#include "swf/format/amf0.h"

#include "swf/format/big_endian_reader.h"

#include <algorithm>
#include <bit>

namespace swf::amf0 {
namespace {

using Reader = BigEndianReader;

// Type markers.
enum Marker : std::uint8_t {
    kNumber = 0,
    kBoolean = 1,
    kString = 2,
    kObject = 3,
    kMovieClip = 4,
    kNull = 5,
    kUndefined = 6,
    kReference = 7,
    kEcmaArray = 8,
    kObjectEnd = 9,
    kStrictArray = 10,
    kDate = 11,
    kLongString = 12,
    kUnsupported = 13,
    kXmlDocument = 15,
    kTypedObject = 16,
};

// Reads values from one piece of data. A reference names an object, array,
// typed object, date or document by the order they begin in; it is read
// again from where that one begins, so nothing is kept but their offsets. A
// first pass (skimming) finds the offsets, so that an object read again
// inside itself can name the objects that follow it.
class ValueReader {
public:
    // Skimming: references are not followed, and the offsets are gathered.
    explicit ValueReader(std::span<const std::uint8_t> data) : m_data(data), m_skimming(true) {}
    ValueReader(std::span<const std::uint8_t> data, std::vector<std::size_t> offsets)
        : m_data(data), m_skimming(false), m_complex(std::move(offsets))
    {
    }
    std::vector<std::size_t> takeOffsets() { return std::move(m_complex); }

    // One value at the reader's position; false (and the reader failed)
    // when it is damaged.
    bool value(Reader& r, AmfValue& out, int depth)
    {
        const std::size_t start = r.position();
        const std::uint8_t marker = r.u8();
        // A reference is cut at the bound rather than failing. What is read
        // again has a budget of its own.
        std::size_t& count = m_replaying > 0 ? m_replayed : m_count;
        if (r.failed() || (depth > kMaxDepth && marker != kReference) || ++count > kMaxValues) {
            r.fail();
            return false;
        }
        auto beginComplex = [&] {
            if (m_skimming)
                m_complex.push_back(start);
        };
        switch (marker) {
        case kNumber:
            out = AmfValue::ofNumber(r.number());
            break;
        case kBoolean:
            out = AmfValue::ofBoolean(r.u8() != 0);
            break;
        case kString:
            out = AmfValue::ofString(r.string(r.be(2)));
            break;
        case kLongString:
            out = AmfValue::ofString(r.string(r.be(4)));
            break;
        case kXmlDocument:
            // The player counts documents and dates among the objects a
            // reference names, as it writes them.
            beginComplex();
            out = AmfValue::ofType(AmfValue::Type::Xml);
            out.string = r.string(r.be(4));
            break;
        case kNull:
            out = AmfValue::ofType(AmfValue::Type::Null);
            break;
        case kUndefined:
        case kUnsupported:
            out = AmfValue::ofType(AmfValue::Type::Undefined);
            break;
        case kTypedObject:
            beginComplex();
            out = AmfValue::ofType(AmfValue::Type::TypedObject);
            out.string = r.string(r.be(2));
            members(r, out, depth);
            break;
        case kObject:
            beginComplex();
            out = AmfValue::ofType(AmfValue::Type::Object);
            members(r, out, depth);
            break;
        case kEcmaArray:
            beginComplex();
            out = AmfValue::ofType(AmfValue::Type::EcmaArray);
            // The end marker, not the count, ends the members.
            out.number = r.be(4);
            members(r, out, depth);
            break;
        case kStrictArray: {
            beginComplex();
            out = AmfValue::ofType(AmfValue::Type::StrictArray);
            const std::uint32_t count = r.be(4);
            // Each item takes a byte at least: a count past the data fails there.
            for (std::uint32_t i = 0; i < count && !r.failed(); ++i) {
                AmfValue item;
                if (!value(r, item, depth + 1))
                    break;
                out.items.push_back(std::move(item));
            }
            break;
        }
        case kDate:
            beginComplex();
            out = AmfValue::ofType(AmfValue::Type::Date);
            out.number = r.number();
            r.be(2); // the writer's time zone, which readers ignore
            break;
        case kReference: {
            const std::uint32_t index = r.be(2);
            if (m_skimming) {
                out = AmfValue::ofType(AmfValue::Type::Undefined);
                break;
            }
            if (r.failed() || index >= m_complex.size()) {
                r.fail();
                return false;
            }
            // Read again, one level deeper: an object that holds itself runs
            // into the depth bound instead of on for ever, and is cut there,
            // as is a copy too large for the budget.
            if (depth >= kMaxDepth) {
                out = AmfValue::ofType(AmfValue::Type::Undefined);
                break;
            }
            Reader again(m_data.subspan(m_complex[index]));
            ++m_replaying;
            if (!value(again, out, depth + 1))
                out = AmfValue::ofType(AmfValue::Type::Undefined);
            --m_replaying;
            break;
        }
        default:
            // Movie clips, record sets and unknown markers cannot be read past.
            r.fail();
            break;
        }
        return !r.failed();
    }

private:
    // Name and value pairs up to an empty name and the end marker.
    void members(Reader& r, AmfValue& out, int depth)
    {
        while (!r.failed()) {
            std::string name = r.string(r.be(2));
            if (name.empty()) {
                Reader probe = r;
                if (probe.u8() == kObjectEnd && !probe.failed()) {
                    r.u8();
                    return;
                }
            }
            AmfValue item;
            if (!value(r, item, depth + 1))
                return;
            out.members.emplace_back(std::move(name), std::move(item));
        }
    }

    std::span<const std::uint8_t> m_data;
    bool m_skimming;
    std::size_t m_count = 0;
    std::size_t m_replayed = 0;
    int m_replaying = 0;
    std::vector<std::size_t> m_complex; // where each object begins, in m_data
};

void putBe(Bytes& out, std::uint32_t v, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(std::uint8_t(v >> (8 * i)));
}

// A length-prefixed string; one too long for its prefix is cut to fit.
void putString(Bytes& out, const std::string& s, int lengthBytes)
{
    const std::size_t most = lengthBytes == 2 ? 0xFFFF : 0xFFFFFFFF;
    const std::size_t size = std::min(s.size(), most);
    putBe(out, std::uint32_t(size), lengthBytes);
    out.insert(out.end(), s.begin(), s.begin() + std::ptrdiff_t(size));
}

void putNumber(Bytes& out, double v)
{
    const auto bits = std::bit_cast<std::uint64_t>(v);
    for (int i = 7; i >= 0; --i)
        out.push_back(std::uint8_t(bits >> (8 * i)));
}

void putMembers(Bytes& out, const AmfValue& v, int depth);

void putValue(Bytes& out, const AmfValue& v, int depth)
{
    using T = AmfValue::Type;
    // Values as deep as the bound are written as nothing, which a reader takes.
    if (depth >= kMaxDepth) {
        out.push_back(kUndefined);
        return;
    }
    switch (v.type) {
    case T::Number:
        out.push_back(kNumber);
        putNumber(out, v.number);
        break;
    case T::Boolean:
        out.push_back(kBoolean);
        out.push_back(v.boolean ? 1 : 0);
        break;
    case T::String:
        if (v.string.size() > 0xFFFF) {
            out.push_back(kLongString);
            putString(out, v.string, 4);
        } else {
            out.push_back(kString);
            putString(out, v.string, 2);
        }
        break;
    case T::Xml:
        out.push_back(kXmlDocument);
        putString(out, v.string, 4);
        break;
    case T::Null: out.push_back(kNull); break;
    case T::Undefined: out.push_back(kUndefined); break;
    case T::Object:
        out.push_back(kObject);
        putMembers(out, v, depth);
        break;
    case T::TypedObject:
        out.push_back(kTypedObject);
        putString(out, v.string, 2);
        putMembers(out, v, depth);
        break;
    case T::EcmaArray:
        out.push_back(kEcmaArray);
        putBe(out, v.declaredLength ? *v.declaredLength : std::uint32_t(v.members.size()), 4);
        putMembers(out, v, depth);
        break;
    case T::StrictArray:
        out.push_back(kStrictArray);
        putBe(out, std::uint32_t(v.items.size()), 4);
        for (const AmfValue& item : v.items)
            putValue(out, item, depth + 1);
        break;
    case T::Date:
        out.push_back(kDate);
        putNumber(out, v.number);
        // The time zone: dates are written in UTC.
        putBe(out, 0, 2);
        break;
    case T::Reference:
        out.push_back(kReference);
        putBe(out, std::uint32_t(v.number), 2);
        break;
    }
}

void putMembers(Bytes& out, const AmfValue& v, int depth)
{
    for (const auto& [name, member] : v.members) {
        putString(out, name, 2);
        putValue(out, member, depth + 1);
    }
    putBe(out, 0, 2);
    out.push_back(kObjectEnd);
}

} // namespace

AmfValue AmfValue::ofNumber(double v)
{
    AmfValue a;
    a.type = Type::Number;
    a.number = v;
    return a;
}

AmfValue AmfValue::ofBoolean(bool v)
{
    AmfValue a;
    a.type = Type::Boolean;
    a.boolean = v;
    return a;
}

AmfValue AmfValue::ofString(std::string v)
{
    AmfValue a;
    a.type = Type::String;
    a.string = std::move(v);
    return a;
}

AmfValue AmfValue::ofType(Type t)
{
    AmfValue a;
    a.type = t;
    return a;
}

const AmfValue* AmfValue::member(const std::string& name) const
{
    for (const auto& [key, value] : members)
        if (key == name)
            return &value;
    return nullptr;
}

std::vector<AmfValue> readValues(std::span<const std::uint8_t> data)
{
    ValueReader skim(data);
    for (Reader r(data); r.remaining() > 0;) {
        AmfValue v;
        if (!skim.value(r, v, 0))
            break;
    }
    Reader r(data);
    ValueReader reader(data, skim.takeOffsets());
    std::vector<AmfValue> values;
    while (r.remaining() > 0) {
        AmfValue v;
        if (!reader.value(r, v, 0))
            break;
        values.push_back(std::move(v));
    }
    return values;
}

void append(Bytes& out, const AmfValue& value) { putValue(out, value, 0); }

Bytes write(const AmfValue& value)
{
    Bytes out;
    append(out, value);
    return out;
}

Bytes writeRemoteCall(const std::string& target, const std::string& responseUri, const AmfValue& arguments)
{
    Bytes out;
    putBe(out, 0, 2); // the version
    putBe(out, 0, 2); // headers
    putBe(out, 1, 2); // messages
    putString(out, target, 2);
    putString(out, responseUri, 2);
    const Bytes body = write(arguments);
    putBe(out, std::uint32_t(body.size()), 4);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

Bytes writeSharedObjectFile(const std::string& name, const std::vector<std::pair<std::string, AmfValue>>& members)
{
    // After the marker and the length of the rest: the signature, the name
    // and the AMF version (0), then each member and a zero byte.
    Bytes rest = {'T', 'C', 'S', 'O', 0, 4, 0, 0, 0, 0};
    putString(rest, name, 2);
    putBe(rest, 0, 4);
    for (const auto& [key, value] : members) {
        putString(rest, key, 2);
        append(rest, value);
        rest.push_back(0);
    }
    Bytes out = {0x00, 0xBF};
    putBe(out, std::uint32_t(rest.size()), 4);
    out.insert(out.end(), rest.begin(), rest.end());
    return out;
}

} // namespace swf::amf0
