#include "swf/script/object.h"

namespace swf::script {

std::string Object::key(const std::string& name) const
{
    if (m_caseSensitive)
        return name;
    // Before SWF 7 names match without regard to ASCII case.
    std::string k = name;
    for (char& c : k) {
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    }
    return k;
}

Property* Object::findOwn(const std::string& name)
{
    auto it = m_index.find(key(name));
    return it == m_index.end() ? nullptr : &m_properties[it->second];
}

const Property* Object::findOwn(const std::string& name) const
{
    auto it = m_index.find(key(name));
    return it == m_index.end() ? nullptr : &m_properties[it->second];
}

Property& Object::put(const std::string& name, const Value& value, std::uint8_t flags)
{
    if (Property* p = findOwn(name)) {
        p->value = value;
        p->getter = nullptr;
        p->setter = nullptr;
        return *p;
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

Object* Heap::make(ObjectClass cls)
{
    m_objects.push_back(std::make_unique<Object>(cls, m_caseSensitive));
    return m_objects.back().get();
}

Scope* Heap::scope(Object* object, Scope* parent)
{
    m_scopes.push_back(std::make_unique<Scope>(Scope{object, parent}));
    return m_scopes.back().get();
}

} // namespace swf::script
