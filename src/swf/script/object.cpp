#include "swf/script/object.h"
#include "swf/script/native_extension.h"
#include "swf/script/string_util.h"

#include <atomic>

namespace swf::script {

namespace {

// What the bookkeeping around an object and a property costs besides the
// structs themselves: the heap's pointer to the object, the name index's hash
// node with its copy of the key, the allocator's headers.
constexpr std::size_t kObjectOverhead = 32;
constexpr std::size_t kIndexEntryBytes = kPropertyBytes - sizeof(Property);

} // namespace

std::size_t heapBytes(const std::string& s)
{
    // Short strings live inside the string object itself.
    static const std::size_t inlineCapacity = std::string().capacity();
    return s.capacity() > inlineCapacity ? s.capacity() + 1 : 0;
}

std::size_t heapBytes(const Value& v) { return v.isString() ? heapBytes(v.asString()) : 0; }

std::string Object::key(const std::string& name) const
{
    return nameKey(name, m_version);
}

bool visibleInVersion(std::uint16_t flags, int swfVersion)
{
    if ((flags & PropertyFlag::Version6) && swfVersion < 6)
        return false;
    if ((flags & PropertyFlag::NotVersion6) && swfVersion == 6)
        return false;
    if ((flags & PropertyFlag::Version7) && swfVersion < 7)
        return false;
    if ((flags & PropertyFlag::Version8) && swfVersion < 8)
        return false;
    if ((flags & PropertyFlag::Version9) && swfVersion < 9)
        return false;
    if ((flags & PropertyFlag::Version10) && swfVersion < 10)
        return false;
    return true;
}

int Object::visibilityVersion() const { return m_heap ? m_heap->runningVersion() : m_version; }

Property* Object::findOwn(const std::string& name)
{
    auto it = m_index.find(key(name));
    if (it == m_index.end() || !visibleInVersion(m_properties[it->second].flags, visibilityVersion()))
        return nullptr;
    return &m_properties[it->second];
}

Property* Object::findOwnAnyVersion(const std::string& name)
{
    auto it = m_index.find(key(name));
    return it == m_index.end() ? nullptr : &m_properties[it->second];
}

const Property* Object::findOwn(const std::string& name) const
{
    auto it = m_index.find(key(name));
    if (it == m_index.end() || !visibleInVersion(m_properties[it->second].flags, visibilityVersion()))
        return nullptr;
    return &m_properties[it->second];
}

Property& Object::put(const std::string& name, const Value& value, std::uint16_t flags)
{
    auto it = m_index.find(key(name));
    if (it != m_index.end()) {
        Property& p = m_properties[it->second];
        // A property hidden from this version takes the flags given, as a new
        // one would; a plain value stays hidden from enumeration and
        // permanent, where a getter/setter pair gives way to a new property.
        // SWF 6 movies are the exception for one hidden from before SWF 7,
        // as for the prototype link: it takes the value and stays hidden.
        const int version = visibilityVersion();
        const bool keepsFlags = version == 6 && (p.flags & PropertyFlag::Version7);
        if (!keepsFlags && !visibleInVersion(p.flags, version)) {
            const std::uint16_t kept = p.isAccessor() ? 0 : p.flags & (PropertyFlag::DontEnum | PropertyFlag::DontDelete);
            p.flags = flags | kept;
        }
        if (m_heap)
            m_heap->charge(heapBytes(value));
        p.value = value;
        p.getter = nullptr;
        p.setter = nullptr;
        return p;
    }
    if (m_heap)
        m_heap->charge(kPropertyBytes + 2 * heapBytes(name) + heapBytes(value));
    m_index.emplace(key(name), m_properties.size());
    m_properties.push_back(Property{name, value, nullptr, nullptr, flags});
    return m_properties.back();
}

void Object::setAccessor(const std::string& name, Object* getter, Object* setter)
{
    // A plain value the property held stays underneath: watches see it. A
    // property hidden from this version is replaced, as put() replaces it.
    Property* existing = findOwn(name);
    Property& p = existing ? *existing : put(name, Value());
    // Movies may be prepared on a worker thread while another plays.
    static std::atomic<std::uint32_t> lastAccessorId = 0;
    p.getter = getter;
    p.setter = setter;
    p.accessorId = ++lastAccessorId;
}

bool Object::remove(const std::string& name)
{
    auto it = m_index.find(key(name));
    if (it == m_index.end())
        return false;
    std::size_t i = it->second;
    if (m_properties[i].flags & PropertyFlag::DontDelete)
        return false;
    m_index.erase(it);
    m_properties.erase(m_properties.begin() + std::ptrdiff_t(i));
    reindexFrom(i);
    return true;
}

void Object::reindexFrom(std::size_t i)
{
    for (; i < m_properties.size(); ++i)
        m_index[key(m_properties[i].name)] = i;
}

Object* Object::proto() const
{
    // The link to the prototype follows the version flags, except that SWF 6
    // and 7 movies still follow a link hidden only from before SWF 9, and
    // SWF 6 movies one hidden in SWF 6 or before SWF 8: there only a link
    // hidden from before SWF 7 is cut.
    auto it = m_index.find(key("__proto__"));
    if (it == m_index.end())
        return nullptr;
    const Property& p = m_properties[it->second];
    std::uint16_t flags = p.flags;
    const int version = visibilityVersion();
    if (version == 6 || version == 7)
        flags &= std::uint16_t(~PropertyFlag::Version9);
    if (version == 6)
        flags &= std::uint16_t(~(PropertyFlag::NotVersion6 | PropertyFlag::Version8));
    return visibleInVersion(flags, version) ? p.value.asObject() : nullptr;
}

Object* Object::memberProto() const
{
    const int version = visibilityVersion();
    if (version < 6)
        return proto();
    auto it = m_index.find(key("__proto__"));
    if (it == m_index.end())
        return nullptr;
    const Property& p = m_properties[it->second];
    return version == 6 && (p.flags & PropertyFlag::Version7) ? nullptr : p.value.asObject();
}

std::size_t Heap::mark(const std::vector<Object*>& roots, const std::vector<Scope*>& scopeRoots,
                       const std::vector<Value>& valueRoots, std::vector<Object*>& objects, std::vector<Scope*>& scopes)
{
    // The lists double as work lists (marked, not yet scanned from `next` on):
    // no recursion, since chains can be long.
    auto markObject = [&](Object* o) {
        if (o && !o->marked) {
            o->marked = true;
            objects.push_back(o);
        }
    };
    auto markValue = [&](const Value& v) { markObject(v.asObject()); };
    auto markScope = [&](Scope* s) {
        if (s && !s->marked) {
            s->marked = true;
            scopes.push_back(s);
        }
    };
    std::size_t bytes = 0;
    for (Object* o : roots)
        markObject(o);
    for (Scope* s : scopeRoots)
        markScope(s);
    for (const Value& v : valueRoots) {
        markValue(v);
        bytes += heapBytes(v);
    }
    std::size_t nextObject = 0, nextScope = 0;
    while (nextObject < objects.size() || nextScope < scopes.size()) {
        if (nextScope < scopes.size()) {
            Scope* s = scopes[nextScope++];
            bytes += sizeof(Scope) + kObjectOverhead;
            markObject(s->object);
            markScope(s->parent);
            continue;
        }
        Object* o = objects[nextObject++];
        bytes += sizeof(Object) + kObjectOverhead + o->properties().capacity() * sizeof(Property)
            + o->properties().size() * kIndexEntryBytes + heapBytes(o->primitive);
        for (const Property& p : o->properties()) {
            bytes += 2 * heapBytes(p.name) + heapBytes(p.value);
            markValue(p.value);
            markObject(p.getter);
            markObject(p.setter);
        }
        for (const auto& [name, watch] : o->watches()) {
            bytes += sizeof(Watch) + kIndexEntryBytes + heapBytes(name) + heapBytes(watch.userData);
            markObject(watch.callback);
            markValue(watch.userData);
        }
        markValue(o->primitive);
        if (const ObjectExtension* ext = o->extension()) {
            std::vector<Value> held;
            ext->references(held);
            for (const Value& v : held)
                markValue(v);
        }
        markObject(o->superHome);
        markObject(o->superThis);
        if (const auto* held = dynamic_cast<const HoldingExtension*>(o->extension())) {
            bytes += held->heldBytes();
            markObject(held->heldObject());
        }
        if (ScriptFunction* f = o->script()) {
            bytes += sizeof(ScriptFunction);
            markScope(f->scope);
            markObject(f->target);
        }
    }
    return bytes;
}

std::size_t Heap::measure(const std::vector<Object*>& roots, const std::vector<Scope*>& scopeRoots, const std::vector<Value>& valueRoots)
{
    std::vector<Object*> objects;
    std::vector<Scope*> scopes;
    const std::size_t bytes = mark(roots, scopeRoots, valueRoots, objects, scopes);
    for (Object* o : objects)
        o->marked = false;
    for (Scope* s : scopes)
        s->marked = false;
    return bytes;
}

std::size_t Heap::collect(const std::vector<Object*>& roots, const std::vector<Scope*>& scopeRoots, const std::vector<Value>& valueRoots)
{
    std::vector<Object*> objects;
    std::vector<Scope*> scopes;
    const std::size_t bytes = mark(roots, scopeRoots, valueRoots, objects, scopes);
    auto sweep = [](auto& list) {
        std::size_t kept = 0;
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (list[i]->marked) {
                list[i]->marked = false;
                if (kept != i)
                    list[kept] = std::move(list[i]);
                ++kept;
            }
        }
        list.resize(kept);
    };
    sweep(m_objects);
    sweep(m_scopes);
    return bytes;
}

Object* Heap::make(ObjectClass cls)
{
    m_objects.push_back(std::make_unique<Object>(cls, m_version));
    Object* o = m_objects.back().get();
    o->m_heap = this;
    o->m_madeIn = m_running;
    charge(sizeof(Object) + kObjectOverhead);
    return o;
}

Scope* Heap::scope(Object* object, Scope* parent)
{
    m_scopes.push_back(std::make_unique<Scope>(Scope{object, parent}));
    charge(sizeof(Scope) + kObjectOverhead);
    return m_scopes.back().get();
}

} // namespace swf::script
