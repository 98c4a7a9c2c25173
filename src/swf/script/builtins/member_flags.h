#pragma once

// The flags the original player gives the members of its built-in objects:
// hidden from enumeration and protected from delete, some also read-only.

#include "swf/script/object.h"

#include <initializer_list>
#include <string>
#include <vector>

namespace swf::script {

constexpr std::uint16_t kMemberFlags = PropertyFlag::DontEnum | PropertyFlag::DontDelete;
constexpr std::uint16_t kConstantMemberFlags = kMemberFlags | PropertyFlag::ReadOnly;
constexpr std::uint16_t kAccessFlags = PropertyFlag::DontEnum | PropertyFlag::DontDelete | PropertyFlag::ReadOnly;

// Replaces the access flags of the named own properties (version flags stay).
inline void setMemberFlags(Object* on, std::initializer_list<const char*> names, std::uint16_t flags)
{
    for (const char* name : names) {
        if (Property* p = on->findOwnAnyVersion(name))
            p->flags = std::uint16_t((p->flags & ~kAccessFlags) | flags);
    }
}

// The same for every own property.
inline void setAllMemberFlags(Object* on, std::uint16_t flags)
{
    std::vector<std::string> names;
    for (const Property& p : on->properties())
        names.push_back(p.name);
    for (const std::string& name : names) {
        if (Property* p = on->findOwnAnyVersion(name))
            p->flags = std::uint16_t((p->flags & ~kAccessFlags) | flags);
    }
}

} // namespace swf::script
