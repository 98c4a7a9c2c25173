#pragma once
// AMF0, the binary form script values travel in: FLV script data tags,
// remote calls of NetConnection and the files SharedObject keeps. Values are
// big-endian. Reading never trusts a length: a damaged value ends the
// reading there, keeping what came before.

#include "swf/format/types.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace swf::amf0 {

// An AMF0 value. Objects, typed objects and ECMA arrays keep their members
// in the order written; a reference to an earlier object is read as a copy
// of it, and written as the index of that object among the objects, arrays,
// dates and documents written before it.
struct AmfValue {
    enum class Type : std::uint8_t {
        Number,
        Boolean,
        String,
        Object,
        Null,
        Undefined,
        EcmaArray,
        StrictArray,
        Date,
        TypedObject, // an Object whose class name is `string`
        Xml,         // an XML document's text in `string`
        Reference,   // written only: the index in `number`
    };
    Type type = Type::Undefined;
    // Number; Date: milliseconds since 1970 (UTC); EcmaArray: the count of
    // members its header declares (which writers do not always get right);
    // Reference: the index of the object it names.
    double number = 0;
    bool boolean = false;
    std::string string;
    std::vector<std::pair<std::string, AmfValue>> members; // Object, TypedObject, EcmaArray
    std::vector<AmfValue> items;                           // StrictArray
    // EcmaArray: the length to declare when writing (an array's length, which
    // counts neither its named members nor the items it lacks); unset, the
    // count of members.
    std::optional<std::uint32_t> declaredLength;

    static AmfValue ofNumber(double v);
    static AmfValue ofBoolean(bool v);
    static AmfValue ofString(std::string v);
    static AmfValue ofType(Type t);
    // The member named `name` of an object or ECMA array, or null.
    const AmfValue* member(const std::string& name) const;
};

// Values nest no deeper than this, and one piece of data holds no more than
// kMaxValues in all. A writer writes a value as deep as the bound as
// undefined; a reader takes deeper or larger data as damaged, but cuts a
// reference read again at the bound (an object that holds itself) short.
constexpr int kMaxDepth = 64;
constexpr std::size_t kMaxValues = 1u << 18;

// The values one after another in `data`, up to its end or the first damaged one.
std::vector<AmfValue> readValues(std::span<const std::uint8_t> data);

// Appends one value. A string longer than 65535 bytes is written as a long string.
void append(Bytes& out, const AmfValue& value);
Bytes write(const AmfValue& value);

// A remote call as NetConnection.call sends it: no headers and one message
// that calls `target` with `arguments` (a strict array), its answer expected
// at `responseUri` ("/1" for the connection's first call).
Bytes writeRemoteCall(const std::string& target, const std::string& responseUri, const AmfValue& arguments);

// The file a shared object named `name` is kept in, its data members in order.
Bytes writeSharedObjectFile(const std::string& name, const std::vector<std::pair<std::string, AmfValue>>& members);

} // namespace swf::amf0
