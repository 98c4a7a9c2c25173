#pragma once

// Script values as AMF0 writes them, for the remote calls of NetConnection
// and the files of SharedObject. One encoder writes one piece of data: an
// object met again there is written as a reference to where it first went.

#include "swf/format/amf0.h"
#include "swf/script/value.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace swf::script {

class Interpreter;
class Object;

class AmfEncoder {
public:
    // How arrays go: a remote call writes an array that holds nothing but its
    // items as a strict array; a shared object's file writes every array as
    // an ECMA array.
    enum class Arrays { StrictWhenDense, AlwaysEcma };

    AmfEncoder(Interpreter& in, Arrays arrays) : m_in(in), m_arrays(arrays) {}

    amf0::AmfValue encode(const Value& value) { return encode(value, 0); }
    // The members of an object as it is written: the enumerable properties
    // of the object, then of its prototypes, each name once, in the order
    // they were made. Functions are left out; a property with a getter is
    // written as undefined, without calling the getter.
    std::vector<std::pair<std::string, amf0::AmfValue>> encodeMembers(Object* o) { return members(o, 0); }

private:
    amf0::AmfValue encode(const Value& value, int depth);
    std::vector<std::pair<std::string, amf0::AmfValue>> members(Object* o, int depth);
    amf0::AmfValue array(Object* a, int depth);
    // The name of the class that made `o` (its own constructor, or else its
    // __constructor__, registered with Object.registerClass); empty for none.
    std::string className(Object* o);

    Interpreter& m_in;
    Arrays m_arrays;
    // The objects written so far, by the index a reference names them with.
    std::unordered_map<const Object*, std::uint32_t> m_written;
    std::uint32_t m_count = 0;
    std::size_t m_values = 0;
};

// An AMF0 value as a script value: objects and typed objects become plain
// objects, ECMA arrays Arrays with named members (their length the count
// they declare, within reason), dates Dates and documents XML objects.
Value decodeAmf(Interpreter& in, const amf0::AmfValue& value);

} // namespace swf::script
