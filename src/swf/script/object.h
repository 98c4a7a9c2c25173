#pragma once

// Script objects: an ordered property map with flags, a prototype reached
// through the `__proto__` property, optional getter/setter properties and
// watches, and, for functions, either native code or a script body.
// Objects live in a Heap owned by the interpreter and are freed with it, so
// reference cycles between objects cost nothing extra.

#include "swf/format/actions.h"
#include "swf/script/value.h"

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace swf::script {

class Heap;
class Interpreter;
class Object;
struct Scope;

// ASSetPropFlags bits. The higher ones hide a property from movies of
// some versions (built-ins that appeared in a later player).
namespace PropertyFlag {
constexpr std::uint16_t DontEnum = 1;
constexpr std::uint16_t DontDelete = 2;
constexpr std::uint16_t ReadOnly = 4;
constexpr std::uint16_t Version6 = 0x80;      // hidden before SWF 6
constexpr std::uint16_t NotVersion6 = 0x100;  // hidden in SWF 6
constexpr std::uint16_t Version7 = 0x400;     // hidden before SWF 7
constexpr std::uint16_t Version8 = 0x1000;    // hidden before SWF 8
constexpr std::uint16_t Version9 = 0x2000;    // hidden before SWF 9
constexpr std::uint16_t Version10 = 0x4000;   // hidden before SWF 10: from every movie here
constexpr std::uint16_t All = 0x7FFF;
} // namespace PropertyFlag

// Whether a property with these flags exists for a movie of this version.
bool visibleInVersion(std::uint16_t flags, int swfVersion);

struct Property {
    std::string name;
    Value value;
    Object* getter = nullptr; // addProperty: both set, or getter alone
    Object* setter = nullptr;
    std::uint16_t flags = 0;
    // Tells one addProperty from another (one that replaced it under the same name).
    std::uint32_t accessorId = 0;
    bool isAccessor() const { return getter != nullptr; }
};

// Native: an object of the player's own classes that carries data of its own
// (an XML document, a sound, a text format); the other native kinds have
// classes of their own here.
enum class ObjectClass : std::uint8_t { Object, Function, Array, String, Number, Boolean, Date, Error, Clip, Super, Activation, Native };

using NativeFunction = std::function<Value(Interpreter&, Object* thisObject, const std::vector<Value>& args)>;

// A function defined by a script: its body in a shared action list, the
// scope it closes over and the constant pool active when it was defined.
struct ScriptFunction {
    std::shared_ptr<const std::vector<Action>> code;
    const FunctionInfo* info = nullptr; // points into *code
    Scope* scope = nullptr;
    Object* target = nullptr; // the clip whose timeline defined the function
    std::shared_ptr<const std::vector<std::string>> constants;
    int swfVersion = 0;
};

// Hooks for objects that stand for something outside the script machine
// (movie clips, text fields): the host resolves their special members.
class ObjectExtension {
public:
    virtual ~ObjectExtension() = default;
    // Returns true and fills `out` when the member is the host's.
    virtual bool getMember(Interpreter&, Object& self, const std::string& name, Value& out) = 0;
    // Returns true when the host took the assignment.
    virtual bool setMember(Interpreter&, Object& self, const std::string& name, const Value& value) = 0;
    // Whether an assignment to the bare name lands on this object in a
    // scope chain: by default, when the host answers the member.
    virtual bool holdsName(Interpreter& in, Object& self, const std::string& name)
    {
        Value out;
        return getMember(in, self, name, out);
    }
    // Script values the host keeps for the object: the collector keeps them alive.
    virtual void references(std::vector<Value>& out) const { (void)out; }
    // Whether a watch on the member runs before the host takes an
    // assignment to it (members the player keeps behind accessors).
    virtual bool watchesMember(Interpreter&, Object& self, const std::string& name)
    {
        (void)self;
        (void)name;
        return false;
    }
    // Names for..in lists besides the object's own properties (a clip's children).
    virtual void enumerate(Interpreter&, Object& self, std::vector<std::string>& names)
    {
        (void)self;
        (void)names;
    }
};

struct Watch {
    Object* callback = nullptr;
    Value userData;
};

class Object {
public:
    Object(ObjectClass cls, int swfVersion) : m_class(cls), m_version(swfVersion), m_madeIn(swfVersion) {}

    ObjectClass objectClass() const { return m_class; }
    void setObjectClass(ObjectClass cls) { m_class = cls; }
    // A plain object becomes one of the player's native objects; one that is
    // native already keeps its kind. Native constructors (Date) set up only
    // plain objects, whatever prototype they reach them through.
    void markNative()
    {
        if (m_class == ObjectClass::Object)
            m_class = ObjectClass::Native;
    }
    bool isPlain() const { return m_class == ObjectClass::Object; }
    bool isFunction() const { return m_native || m_script; }

    // Own properties, in insertion order, including those hidden from this
    // movie's version (check visibleInVersion).
    const std::vector<Property>& properties() const { return m_properties; }
    Property* findOwn(const std::string& name);
    // Also finds properties hidden from this version (for ASSetPropFlags).
    Property* findOwnAnyVersion(const std::string& name);
    const Property* findOwn(const std::string& name) const;
    // Creates the property or replaces its value (flags are kept for an
    // existing one, set for a new one).
    Property& put(const std::string& name, const Value& value, std::uint16_t flags = 0);
    // Removes an own property unless it is DontDelete; false if it stays or is absent.
    bool remove(const std::string& name);
    void setAccessor(const std::string& name, Object* getter, Object* setter);

    // The object named by `__proto__`, if any.
    Object* proto() const;
    // The prototype that member reads and calls go on to: SWF 6 follows a
    // link unless it is hidden from before SWF 7, later versions whatever
    // its flags say.
    Object* memberProto() const;

    // Primitive value of String, Number, Boolean and Date objects.
    Value primitive;

    NativeFunction& native() { return m_native; }
    void setNative(NativeFunction f) { m_native = std::move(f); }
    // Called by `new` when set; otherwise `native` is used for both.
    NativeFunction& nativeConstructor() { return m_nativeConstructor; }
    void setNativeConstructor(NativeFunction f) { m_nativeConstructor = std::move(f); }
    ScriptFunction* script() { return m_script.get(); }
    void setScript(std::unique_ptr<ScriptFunction> f) { m_script = std::move(f); }

    std::unordered_map<std::string, Watch>& watches() { return m_watches; }
    std::string key(const std::string& name) const;
    int swfVersion() const { return m_version; }
    // The version of the code that made the object: a method called on it
    // runs under no later rules than that code had.
    int madeInVersion() const { return m_madeIn; }

    ObjectExtension* extension() const { return m_extension.get(); }
    void setExtension(std::shared_ptr<ObjectExtension> e) { m_extension = std::move(e); }
    // Opaque pointer for the host (a display-list instance).
    void* hostData = nullptr;
    bool marked = false; // for Heap::collect
    // Super objects: the prototype whose method or constructor runs (its
    // __constructor__ is the super constructor) and the `this` to call with.
    // super.method() searches the prototype above the home, as it is at the
    // time of the call.
    Object* superHome = nullptr;
    Object* superThis = nullptr;
    // The super of a method called on an object stands on that object's
    // prototype as it is when super is used, not as it was at the call.
    bool superFollowsThis = false;
    Object* superHomeNow() const { return superFollowsThis && superThis ? superThis->proto() : superHome; }
    Object* superProto() const
    {
        Object* home = superHomeNow();
        return home ? home->proto() : nullptr;
    }

private:
    void reindexFrom(std::size_t i);
    // Properties flagged for later players exist for the code that runs now.
    int visibilityVersion() const;

    ObjectClass m_class;
    int m_version;
    int m_madeIn;
    std::vector<Property> m_properties;
    std::unordered_map<std::string, std::size_t> m_index;
    NativeFunction m_native;
    NativeFunction m_nativeConstructor;
    std::unique_ptr<ScriptFunction> m_script;
    std::unordered_map<std::string, Watch> m_watches;
    std::shared_ptr<ObjectExtension> m_extension;
    Heap* m_heap = nullptr; // where new properties are accounted

    friend class Heap;
};

// One link of a scope chain: an object searched for names, then the rest.
struct Scope {
    Object* object = nullptr;
    Scope* parent = nullptr;
    bool marked = false;
};

// Owns every object and scope of one movie's script machine. Everything is
// freed with the heap; collect() frees what the given roots cannot reach,
// cycles included.
//
// The heap also keeps a rough count of what was created since the data was
// last measured (objects, properties, strings stored in them), so that the
// interpreter knows when to measure again; measure() and collect() give the
// bytes the roots reach.
class Heap {
public:
    explicit Heap(int swfVersion) : m_version(swfVersion), m_running(swfVersion) {}
    Object* make(ObjectClass cls = ObjectClass::Object);
    Scope* scope(Object* object, Scope* parent);
    std::size_t objectCount() const { return m_objects.size(); }
    std::size_t scopeCount() const { return m_scopes.size(); }
    int swfVersion() const { return m_version; }
    // The SWF version of the code running now: a movie loaded into another
    // keeps its own. The interpreter sets it as code starts and ends.
    int runningVersion() const { return m_running; }
    void setRunningVersion(int version) { m_running = version; }
    // Mark and sweep from the roots; only valid while no script runs.
    // Returns the bytes that stay.
    std::size_t collect(const std::vector<Object*>& roots, const std::vector<Scope*>& scopeRoots, const std::vector<Value>& valueRoots);
    // The bytes the roots reach, freeing nothing: valid while scripts run.
    std::size_t measure(const std::vector<Object*>& roots, const std::vector<Scope*>& scopeRoots, const std::vector<Value>& valueRoots);

    void charge(std::size_t bytes) { m_created += bytes; }
    std::size_t createdSinceMeasure() const { return m_created; }
    void resetCreated() { m_created = 0; }

private:
    // Marks what the roots reach; returns the bytes it holds. `objects` and
    // `scopes` list what was marked.
    std::size_t mark(const std::vector<Object*>& roots, const std::vector<Scope*>& scopeRoots,
                     const std::vector<Value>& valueRoots, std::vector<Object*>& objects, std::vector<Scope*>& scopes);

    int m_version;
    int m_running;
    std::vector<std::unique_ptr<Object>> m_objects;
    std::vector<std::unique_ptr<Scope>> m_scopes;
    std::size_t m_created = 0;
};

// What one more property costs, the bytes of its name and value aside: the
// property itself and its entry in the name index.
inline constexpr std::size_t kPropertyBytes = sizeof(Property) + 64;

// Bytes a value holds outside itself: a string's characters once they no
// longer fit inside the string object.
std::size_t heapBytes(const Value& v);
std::size_t heapBytes(const std::string& s);

} // namespace swf::script
