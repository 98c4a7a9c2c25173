#include "swf/script/object.h"

namespace swf::script {

std::string Object::key(const std::string& name) const
{
    if (m_version >= 7)
        return name;
    // Before SWF 7 names match without regard to ASCII case.
    std::string k = name;
    for (char& c : k) {
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    }
    return k;
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
    return true;
}

Property* Object::findOwn(const std::string& name)
{
    auto it = m_index.find(key(name));
    if (it == m_index.end() || !visibleInVersion(m_properties[it->second].flags, m_version))
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
    if (it == m_index.end() || !visibleInVersion(m_properties[it->second].flags, m_version))
        return nullptr;
    return &m_properties[it->second];
}

Property& Object::put(const std::string& name, const Value& value, std::uint16_t flags)
{
    auto it = m_index.find(key(name));
    if (it != m_index.end()) {
        Property& p = m_properties[it->second];
        // A property hidden from this version is replaced by a plain one.
        if (!visibleInVersion(p.flags, m_version))
            p.flags = flags;
        p.value = value;
        p.getter = nullptr;
        p.setter = nullptr;
        return p;
    }
    m_index.emplace(key(name), m_properties.size());
    m_properties.push_back(Property{name, value, nullptr, nullptr, flags});
    return m_properties.back();
}

void Object::setAccessor(const std::string& name, Object* getter, Object* setter)
{
    Property& p = put(name, Value());
    p.getter = getter;
    p.setter = setter;
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
    const Property* p = findOwn("__proto__");
    return p ? p->value.asObject() : nullptr;
}

void Heap::collect(const std::vector<Object*>& roots, const std::vector<Scope*>& scopeRoots, const std::vector<Value>& valueRoots)
{
    std::vector<Object*> pending;
    std::vector<Scope*> pendingScopes;
    auto markObject = [&](Object* o) {
        if (o && !o->marked) {
            o->marked = true;
            pending.push_back(o);
        }
    };
    auto markValue = [&](const Value& v) { markObject(v.asObject()); };
    auto markScope = [&](Scope* s) {
        if (s && !s->marked) {
            s->marked = true;
            pendingScopes.push_back(s);
        }
    };
    for (Object* o : roots)
        markObject(o);
    for (Scope* s : scopeRoots)
        markScope(s);
    for (const Value& v : valueRoots)
        markValue(v);
    // An explicit work list rather than recursion: chains can be long.
    while (!pending.empty() || !pendingScopes.empty()) {
        if (!pendingScopes.empty()) {
            Scope* s = pendingScopes.back();
            pendingScopes.pop_back();
            markObject(s->object);
            markScope(s->parent);
            continue;
        }
        Object* o = pending.back();
        pending.pop_back();
        for (const Property& p : o->properties()) {
            markValue(p.value);
            markObject(p.getter);
            markObject(p.setter);
        }
        for (const auto& [name, watch] : o->watches()) {
            markObject(watch.callback);
            markValue(watch.userData);
        }
        markValue(o->primitive);
        markObject(o->superProto);
        markObject(o->superHome);
        markObject(o->superThis);
        if (ScriptFunction* f = o->script()) {
            markScope(f->scope);
            markObject(f->target);
        }
    }
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
}

Object* Heap::make(ObjectClass cls)
{
    m_objects.push_back(std::make_unique<Object>(cls, m_version));
    return m_objects.back().get();
}

Scope* Heap::scope(Object* object, Scope* parent)
{
    m_scopes.push_back(std::make_unique<Scope>(Scope{object, parent}));
    return m_scopes.back().get();
}

} // namespace swf::script
