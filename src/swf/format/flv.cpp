#include "swf/format/flv.h"

#include <bit>

namespace swf::flv {
namespace {

// Values nest no deeper than this, and a file's values hold no more than
// this many in all: deeper or larger data is taken as damaged.
constexpr int kMaxDepth = 64;
constexpr std::size_t kMaxValues = 1u << 18;

// Bounds-checked big-endian reading: a read past the end gives zero and
// fails the reader for good.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> data) : m_data(data) {}

    bool failed() const { return m_failed; }
    void fail() { m_failed = true; }
    std::size_t remaining() const { return m_failed ? 0 : m_data.size() - m_pos; }
    std::size_t position() const { return m_pos; }

    std::uint32_t be(int bytes)
    {
        if (!need(std::size_t(bytes)))
            return 0;
        std::uint32_t v = 0;
        for (int i = 0; i < bytes; ++i)
            v = (v << 8) | m_data[m_pos++];
        return v;
    }
    std::uint8_t u8() { return std::uint8_t(be(1)); }
    double number()
    {
        if (!need(8))
            return 0;
        std::uint64_t bits = 0;
        for (int i = 0; i < 8; ++i)
            bits = (bits << 8) | m_data[m_pos++];
        return std::bit_cast<double>(bits);
    }
    std::span<const std::uint8_t> take(std::size_t n)
    {
        if (!need(n))
            return {};
        auto out = m_data.subspan(m_pos, n);
        m_pos += n;
        return out;
    }
    std::string string(std::size_t n)
    {
        const auto bytes = take(n);
        return std::string(bytes.begin(), bytes.end());
    }

private:
    bool need(std::size_t n)
    {
        if (m_failed || m_data.size() - m_pos < n) {
            m_failed = true;
            return false;
        }
        return true;
    }

    std::span<const std::uint8_t> m_data;
    std::size_t m_pos = 0;
    bool m_failed = false;
};

// AMF0 type markers.
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

// Reads AMF0 values from one piece of data. A reference names an earlier
// object, array or typed object by the order they began in; it is read
// again from where that one began, so nothing is kept but their offsets.
class AmfReader {
public:
    explicit AmfReader(std::span<const std::uint8_t> data) : m_data(data) {}

    // One value at the reader's position; false (and the reader failed)
    // when it is damaged.
    bool value(Reader& r, AmfValue& out, int depth)
    {
        if (depth > kMaxDepth || ++m_count > kMaxValues) {
            r.fail();
            return false;
        }
        const std::size_t start = r.position();
        const std::uint8_t marker = r.u8();
        if (r.failed())
            return false;
        auto beginComplex = [&] {
            if (m_replaying == 0)
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
        case kXmlDocument:
            out = AmfValue::ofString(r.string(r.be(4)));
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
            r.string(r.be(2)); // the class name: read as a plain object
            out = AmfValue::ofType(AmfValue::Type::Object);
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
            out = AmfValue::ofType(AmfValue::Type::Date);
            out.number = r.number();
            r.be(2); // the writer's time zone, which readers ignore
            break;
        case kReference: {
            const std::uint32_t index = r.be(2);
            if (r.failed() || index >= m_complex.size()) {
                r.fail();
                return false;
            }
            // Read again, one level deeper: an object that holds itself runs
            // into the depth bound instead of on for ever.
            Reader again(m_data.subspan(m_complex[index]));
            ++m_replaying;
            const bool ok = value(again, out, depth + 1);
            --m_replaying;
            if (!ok)
                r.fail();
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
    std::size_t m_count = 0;
    int m_replaying = 0;
    std::vector<std::size_t> m_complex; // where each object began, in m_data
};

void putBe(Bytes& out, std::uint32_t v, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(std::uint8_t(v >> (8 * i)));
}

void putString(Bytes& out, const std::string& s, int lengthBytes)
{
    putBe(out, std::uint32_t(s.size()), lengthBytes);
    out.insert(out.end(), s.begin(), s.end());
}

void putNumber(Bytes& out, double v)
{
    const auto bits = std::bit_cast<std::uint64_t>(v);
    for (int i = 7; i >= 0; --i)
        out.push_back(std::uint8_t(bits >> (8 * i)));
}

void putAmf(Bytes& out, const AmfValue& v)
{
    using T = AmfValue::Type;
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
    case T::Null: out.push_back(kNull); break;
    case T::Undefined: out.push_back(kUndefined); break;
    case T::Object:
    case T::EcmaArray:
        out.push_back(v.type == T::Object ? kObject : kEcmaArray);
        if (v.type == T::EcmaArray)
            putBe(out, std::uint32_t(v.members.size()), 4);
        for (const auto& [name, member] : v.members) {
            putString(out, name, 2);
            putAmf(out, member);
        }
        putBe(out, 0, 2);
        out.push_back(kObjectEnd);
        break;
    case T::StrictArray:
        out.push_back(kStrictArray);
        putBe(out, std::uint32_t(v.items.size()), 4);
        for (const AmfValue& item : v.items)
            putAmf(out, item);
        break;
    case T::Date:
        out.push_back(kDate);
        putNumber(out, v.number);
        putBe(out, 0, 2);
        break;
    }
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

std::optional<File> readFile(std::span<const std::uint8_t> bytes)
{
    Reader r(bytes);
    if (r.string(3) != "FLV")
        return std::nullopt;
    File file;
    file.version = r.u8();
    const std::uint8_t flags = r.u8();
    file.hasAudio = (flags & 0x04) != 0;
    file.hasVideo = (flags & 0x01) != 0;
    const std::uint32_t headerSize = r.be(4);
    if (r.failed() || headerSize < 9 || headerSize > bytes.size())
        return std::nullopt;
    r.take(headerSize - 9);
    r.be(4); // the size of the tag before the first: none
    while (!r.failed() && r.remaining() > 0) {
        if (r.remaining() < 11) {
            file.truncated = true;
            break;
        }
        Tag tag;
        // The top bits mark filtered (encrypted) data in later files.
        const std::uint8_t type = r.u8() & 0x1F;
        const std::uint32_t size = r.be(3);
        const std::uint32_t low = r.be(3);
        tag.timestamp = (std::uint32_t(r.u8()) << 24) | low;
        r.be(3); // the stream id: always 0
        tag.type = type;
        tag.data = r.take(size);
        if (r.failed()) {
            file.truncated = true;
            break;
        }
        file.tags.push_back(tag);
        // The size of the tag just read; a file cut there lacks it harmlessly.
        if (r.remaining() < 4)
            break;
        r.be(4);
    }
    return file;
}

std::optional<VideoPacket> readVideoPacket(std::span<const std::uint8_t> data)
{
    Reader r(data);
    VideoPacket p;
    const std::uint8_t first = r.u8();
    p.frameType = first >> 4;
    p.codec = first & 0x0F;
    if (p.codec == 4 || p.codec == 5) {
        const std::uint8_t adjust = r.u8();
        p.cropRight = adjust >> 4;
        p.cropBottom = adjust & 0x0F;
    }
    if (r.failed())
        return std::nullopt;
    p.picture = r.take(r.remaining());
    return p;
}

std::optional<AudioPacket> readAudioPacket(std::span<const std::uint8_t> data)
{
    Reader r(data);
    const std::uint8_t first = r.u8();
    if (r.failed())
        return std::nullopt;
    AudioPacket p;
    p.format = first >> 4;
    p.rateCode = (first >> 2) & 3;
    p.sixteenBit = (first & 2) != 0;
    p.stereo = (first & 1) != 0;
    p.sound = r.take(r.remaining());
    return p;
}

std::optional<ScriptData> readScriptData(std::span<const std::uint8_t> data)
{
    Reader r(data);
    AmfReader amf(data);
    AmfValue name;
    if (!amf.value(r, name, 0) || name.type != AmfValue::Type::String)
        return std::nullopt;
    ScriptData out;
    out.name = name.string;
    while (r.remaining() > 0) {
        AmfValue v;
        if (!amf.value(r, v, 0))
            break;
        out.values.push_back(std::move(v));
    }
    return out;
}

Bytes writeHeader(bool hasAudio, bool hasVideo)
{
    Bytes out = {'F', 'L', 'V', 1, std::uint8_t((hasAudio ? 0x04 : 0) | (hasVideo ? 0x01 : 0))};
    putBe(out, 9, 4);
    putBe(out, 0, 4);
    return out;
}

void appendTag(Bytes& file, std::uint8_t type, std::uint32_t timestamp, std::span<const std::uint8_t> data)
{
    file.push_back(type);
    putBe(file, std::uint32_t(data.size()), 3);
    putBe(file, timestamp & 0xFFFFFF, 3);
    file.push_back(std::uint8_t(timestamp >> 24));
    putBe(file, 0, 3);
    file.insert(file.end(), data.begin(), data.end());
    putBe(file, std::uint32_t(data.size() + 11), 4);
}

Bytes writeAmf(const AmfValue& value)
{
    Bytes out;
    putAmf(out, value);
    return out;
}

Bytes writeScriptData(const std::string& name, const AmfValue& value)
{
    Bytes out = writeAmf(AmfValue::ofString(name));
    putAmf(out, value);
    return out;
}

} // namespace swf::flv
