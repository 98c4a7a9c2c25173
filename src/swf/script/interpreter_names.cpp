// Names and paths: variables through the scope chain, slash, colon and
// dot paths to clips, and the target scripts act on.

#include "swf/script/frame.h"
#include "swf/script/interpreter.h"
#include "swf/script/string_util.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace swf::script {

int levelNumber(const std::string& name, bool digitsFirst)
{
    // "_flashN" is the name levels had in the first players that loaded
    // movies into them.
    if (name.size() < 6 || (name.compare(0, 6, "_level") != 0 && name.compare(0, 6, "_flash") != 0))
        return -1;
    // The number is read as a 32-bit integer that wraps around; one that
    // reads as negative names no level. A variable's name without digits,
    // "_flash" too, is level 0.
    std::uint32_t n = 0;
    std::size_t i = 6;
    for (; i < name.size() && name[i] >= '0' && name[i] <= '9'; ++i)
        n = n * 10 + std::uint32_t(name[i] - '0');
    const bool whole = i == name.size();
    // "_level" alone is the first level wherever a level is named.
    if (i == 6)
        return whole && (digitsFirst || name.compare(0, 6, "_level") == 0) ? 0 : -1;
    if (!(whole || digitsFirst) || n > std::uint32_t(std::numeric_limits<std::int32_t>::max()))
        return -1;
    return int(n);
}

Value Interpreter::lookupName(Frame& f, const std::string& name, Object** foundIn)
{
    const std::string n = f.version >= 7 ? name : asciiLower(name);
    // SWF 4 knew none of these names: they are variables like any other.
    const bool special = f.version >= 5;
    if (n == "this" && special) {
        // `this` can be assigned like a variable: a function's assignment
        // stays in its activation, one outside functions on the timeline.
        if (Object* holder = assignedThisHolder(f); holder && holder->findOwn(name))
            return getMember(holder, name);
        if (f.thisByName)
            return f.thisObject;
        // A function that keeps `this` in a register has none by name: SWF 5
        // finds nothing, later versions the timeline.
        return f.version >= 6 ? Value(f.target) : Value();
    }
    // A variable of one of these names on a timeline or in a function hides
    // what the name stands for.
    if ((n == "_global" && f.version >= 6) || (n == "_root" && special)) {
        for (Scope* s = f.scope; s; s = s->parent) {
            Object* o = scopeObject(f, s);
            if (o && o != global() && o->findOwn(name)) {
                if (foundIn)
                    *foundIn = o;
                return getMember(o, name);
            }
        }
    }
    if (n == "_global" && f.version >= 6)
        return global();
    if (n == "_root" && special) {
        // The innermost clip of the scope chain (one a with block names, or
        // the timeline) answers: its _root may be locked.
        for (Scope* s = f.scope; s; s = s->parent) {
            Object* o = scopeObject(f, s);
            if (o && o->objectClass() == ObjectClass::Clip)
                return m_host.root(o);
        }
        return m_host.root(f.target);
    }
    // A level's name is hidden by a variable of that name on a timeline or
    // in a function, not by a global one.
    // A variable's name reads a level's number as far as its digits go.
    const int level = special ? levelNumber(n, true) : -1;
    for (Scope* s = f.scope; s; s = s->parent) {
        Object* o = scopeObject(f, s);
        // Nor does a SWF 4 movie see the globals (NaN, Infinity and the
        // built-in objects came with SWF 5).
        if ((level >= 0 || !special) && o == global())
            break;
        if (o && hasProperty(o, name)) {
            if (foundIn)
                *foundIn = o;
            return getMember(o, name);
        }
        // An object of the chain that answers for missing names ends the
        // search (a with block's object, a timeline).
        if (Object* fn = o && name != "__resolve" ? resolver(o) : nullptr) {
            if (foundIn)
                *foundIn = o;
            return call(fn, o, {Value(name)});
        }
    }
    if (foundIn)
        *foundIn = nullptr;
    if (level >= 0)
        return m_host.level(level);
    if (n == "_parent" && f.target)
        return m_host.parent(f.target);
    if (foundIn)
        *foundIn = nullptr;
    return Value();
}

Object* Interpreter::runningClip() const
{
    return m_frames.empty() ? nullptr : m_frames.back()->target;
}

Object* Interpreter::resolveTarget(Object* base, const std::string& path, bool toVariable, bool* endedOnValue)
{
    if (endedOnValue)
        *endedOnValue = false;
    if (path.empty())
        return base;
    Object* cur = base;
    const std::size_t n = path.size();
    std::size_t i = 0;
    // From the first slash on, a dot is part of a name ("a/b.c" is the clip
    // "b.c" of a, and so is "a/b:b.c"'s last name); before it a dot ends a
    // name as a colon does.
    bool slashes = false;
    // The delimiter that ended the last name.
    char before = 0;
    if (path[0] == '/') {
        cur = m_host.root(base);
        i = 1;
        slashes = true;
        before = '/';
    }
    auto delimiter = [&](char c) { return c == '/' || c == ':' || (c == '.' && !slashes); };
    while (cur && i < n) {
        // One delimiter ends each name; colons after it are passed over,
        // unless a slash or the end follows them: then they are the name.
        // Dots that start a name belong to it, so ".." alone is the parent and
        // "..." a name, except right after a dot.
        std::size_t j = i;
        while (j < n && path[j] == ':')
            ++j;
        std::size_t start = i;
        if (j == i || (j < n && path[j] != '/')) {
            if (j > i)
                before = ':';
            start = j;
            while (j < n && path[j] == '.' && before != '.')
                ++j;
            while (j < n && !delimiter(path[j]))
                ++j;
        }
        // The player reads a path's names into a buffer of 127 characters:
        // a longer name goes on as the next name of the path.
        constexpr std::size_t kMaxPathName = 127;
        const bool cut = j - start > kMaxPathName;
        if (cut)
            j = start + kMaxPathName;
        if (j == start)
            return nullptr;
        const std::string seg = path.substr(start, j - start);
        const std::string name = swfVersion() >= 7 ? seg : asciiLower(seg);
        bool level = false;
        if (name == "..") {
            // The parent's name comes from slash paths: from it on, a dot is
            // part of a name.
            cur = m_host.parent(cur);
            slashes = true;
        } else if (name == "_parent") {
            cur = m_host.parent(cur);
        } else if (name == "_root") {
            cur = m_host.root(cur);
        } else if (const int number = levelNumber(name); number >= 0) {
            cur = m_host.level(number);
            level = true;
        } else if (name == "_global") {
            cur = global();
        } else if (name == "this" && toVariable) {
            // `this` is the timeline in the path to a variable ("this:a"); no
            // clip's path names it.
        } else {
            Object* c = m_host.child(cur, seg);
            Value member;
            if (!c) {
                member = getMember(cur, seg);
                c = member.asObject();
            }
            // The first name of a variable's relative path may also be a
            // global ("Number:MAX_VALUE"); a clip's path names clips only.
            if (!c && toVariable && cur == base && path[0] != '/')
                c = getMember(global(), seg).asObject();
            if (!c && endedOnValue)
                *endedOnValue = member.isString() || member.isNumber() || member.isBoolean();
            cur = c;
        }
        i = j;
        if (cut)
            continue;
        // A level's name passes over the dots and colons after it, and then
        // one slash ("_level0..:/" is the level).
        if (level) {
            while (i < n && (path[i] == ':' || (path[i] == '.' && !slashes)))
                ++i;
        }
        if (i < n) {
            if (path[i] == '/')
                slashes = true;
            else if (level)
                continue;
            before = path[i++];
        }
    }
    return cur;
}

Object* Interpreter::scriptPathTarget(Object* base, const std::string& path, bool toVariable, bool* endedOnValue)
{
    if (swfVersion() < 5 && !path.empty()) {
        if (endedOnValue)
            *endedOnValue = false;
        return resolveSwf4Target(base, path);
    }
    return resolveTarget(base, path, toVariable, endedOnValue);
}

// SWF 4 paths know slashes only: each name between them is a clip's child,
// ".." its parent, and only the first may name a level ("_level1", read up
// to its digits). Colons, dots, _root and `this` are parts of names there.
Object* Interpreter::resolveSwf4Target(Object* base, const std::string& path)
{
    Object* cur = base;
    std::size_t i = 0;
    if (path[0] == '/') {
        cur = m_host.root(base);
        i = 1;
    }
    for (bool first = i == 0; cur && i < path.size(); first = false) {
        const std::size_t slash = path.find('/', i);
        const std::size_t end = slash == std::string::npos ? path.size() : slash;
        const std::string name = path.substr(i, end - i);
        if (name.empty())
            return nullptr;
        if (const int number = first ? levelNumber(asciiLower(name), true) : -1; number >= 0)
            cur = m_host.level(number);
        else if (name == "..")
            cur = m_host.parent(cur);
        else
            cur = m_host.child(cur, name);
        i = end + 1;
    }
    return cur;
}

Object* Interpreter::pathBase(Frame& f, const std::string& path)
{
    // A relative path to a variable starts from the first object of the
    // scope chain (a with block's object, the timeline) that has its first
    // name; the names every clip answers to start from the timeline.
    const std::size_t end = path.find_first_of("/:.");
    const std::string head = path.substr(0, end);
    const std::string n = f.version >= 7 ? head : asciiLower(head);
    if (head.empty() || n == "_root" || n == "_parent" || n == "this" || n == "_global" || levelNumber(n) >= 0)
        return f.target;
    for (Scope* s = f.scope; s; s = s->parent) {
        Object* o = scopeObject(f, s);
        if (!o || o == global())
            continue;
        if (m_host.child(o, head) || hasProperty(o, head))
            return o;
    }
    return f.target;
}

Object* Interpreter::clipAtPath(Frame& f, const std::string& name)
{
    // The path up to the last name leads to an object; its child clip of
    // that name, or else its member, is the answer, and only a clip counts.
    // So the last name is no step of a path: ".." there names nothing. One
    // slash at the end adds nothing.
    std::string body = name;
    if (body.size() > 1 && body.back() == '/' && body[body.size() - 2] != '/')
        body.pop_back();
    const std::size_t lastSlash = body.rfind('/');
    const std::string last = lastSlash == std::string::npos ? body : body.substr(lastSlash + 1);
    Object* clip = nullptr;
    if (last.empty()) {
        clip = scriptPathTarget(f.target, body);
    } else {
        Object* base = lastSlash == std::string::npos ? f.target
                       : lastSlash == 0               ? m_host.root(f.target)
                                                      : scriptPathTarget(f.target, body.substr(0, lastSlash + 1));
        if (base) {
            clip = m_host.child(base, last);
            if (!clip)
                clip = getMember(base, last).asObject();
        }
    }
    return clip && clip->objectClass() == ObjectClass::Clip ? clip : nullptr;
}

bool Interpreter::splitPath(Frame& f, const std::string& name, Object*& holder, std::string& var, bool reading)
{
    std::size_t colon = name.rfind(':');
    std::size_t slash = name.rfind('/');
    if (colon != std::string::npos || slash != std::string::npos) {
        // The variable's name follows the last colon or dot, wherever the
        // slashes are: "/a/b.c" is c of /a/b, "a.b/c" the variable "b/c" of
        // a, and a dot of ".." counts too.
        // SWF 4 knew no dots in paths.
        const std::size_t dot = f.version >= 5 ? name.rfind('.') : std::string::npos;
        std::size_t cut = colon;
        if (dot != std::string::npos && (colon == std::string::npos || dot > colon))
            cut = dot;
        // Slashes alone name a clip, not a variable in one.
        if (cut == std::string::npos) {
            holder = clipAtPath(f, name);
            var.clear();
            return true;
        }
        std::string path = name.substr(0, cut);
        var = cut < name.size() ? name.substr(cut + 1) : std::string();
        // A path of nothing before the variable's name names no object.
        if (path.empty() && name[0] == '/')
            holder = m_host.root(f.target);
        else if (path.empty())
            holder = nullptr;
        else
            holder = scriptPathTarget(pathBase(f, path), path, true);
        return true;
    }
    std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == name.size() || f.version < 5)
        return false;
    // a.b.c: the first name from the scope chain, the rest as members. When
    // that leads to no object, the next scope object with the first name is
    // tried (a timeline's `a` hides the global `a` only where it has the path).
    var = name.substr(dot + 1);
    const std::string path = name.substr(0, dot);
    const std::size_t first = path.find('.');
    const std::string head = path.substr(0, first);
    // Each step of the path finds a clip's child before its variable of
    // that name, as target paths do.
    auto walk = [&](Value v) {
        for (std::size_t at = first; at != std::string::npos && v.isObject();) {
            const std::size_t nextDot = path.find('.', at + 1);
            const std::string step = path.substr(at + 1, nextDot == std::string::npos ? std::string::npos : nextDot - at - 1);
            Object* child = v.asObject()->objectClass() == ObjectClass::Clip ? m_host.child(v.asObject(), step) : nullptr;
            v = child ? Value(child) : getMember(v, step);
            at = nextDot;
        }
        return v.asObject();
    };
    // Reading goes on past a path that leads to an object without the last
    // name, to one that has it; that first object answers when none has.
    auto found = [&](Object* o) { return o && (!reading || hasProperty(o, var)); };
    // As the first step of a path, a timeline's child clip of the name comes
    // before its variable of that name.
    Object* foundIn = nullptr;
    Value headClip;
    for (Scope* s = f.scope; s; s = s->parent) {
        Object* o = scopeObject(f, s);
        if (o && o->objectClass() == ObjectClass::Clip) {
            if (Object* child = m_host.child(o, head)) {
                headClip = child;
                foundIn = o;
                break;
            }
        }
        if (o && hasProperty(o, head))
            break;
    }
    holder = walk(foundIn ? headClip : lookupName(f, head, &foundIn));
    Object* firstHolder = holder;
    bool past = false;
    for (Scope* s = f.scope; s && !found(holder) && foundIn; s = s->parent) {
        Object* o = scopeObject(f, s);
        if (!past) {
            past = o == foundIn;
            continue;
        }
        if (o && hasProperty(o, head)) {
            holder = walk(getMember(o, head));
            if (!firstHolder)
                firstHolder = holder;
        }
    }
    if (!found(holder))
        holder = firstHolder;
    return true;
}

bool Interpreter::plainSlashName(const std::string& name, const Object* holder)
{
    return !holder && name.find('/') != std::string::npos && name.find_first_of(":.") == std::string::npos;
}

Value Interpreter::getVariable(Frame& f, const std::string& name)
{
    // SWF 4 had no values for clips: a name or path leading to one reads as
    // undefined.
    if (f.version < 5) {
        Value v = lookupVariable(f, name);
        if (Object* o = v.asObject(); o && o->objectClass() == ObjectClass::Clip)
            return Value();
        return v;
    }
    return lookupVariable(f, name);
}

Value Interpreter::lookupVariable(Frame& f, const std::string& name)
{
    Object* holder = nullptr;
    std::string var;
    if (splitPath(f, name, holder, var, true)) {
        // A slash path that leads to no object is read as a plain name.
        if (plainSlashName(name, holder))
            return lookupName(f, name);
        // A path that ends in a delimiter names no variable in its object.
        if (!holder || (var.empty() && (name.back() == ':' || name.back() == '.')))
            return Value();
        if (var.empty())
            return holder;
        return getMember(holder, var);
    }
    // A name that starts or ends with a dot is a path from or to nowhere
    // (from SWF 5, where dots separate).
    if (f.version >= 5 && !name.empty() && (name.front() == '.' || name.back() == '.'))
        return Value();
    return lookupName(f, name);
}

Object* Interpreter::assignedThisHolder(Frame& f)
{
    return f.activation ? f.activation : (f.target ? liveTarget(f) : nullptr);
}

void Interpreter::setVariable(Frame& f, const std::string& name, const Value& value)
{
    if (f.version >= 5 && name.size() == 4 && nameKey(name, f.version) == "this") {
        if (Object* holder = assignedThisHolder(f))
            setMember(holder, name, value);
        return;
    }
    Object* holder = nullptr;
    std::string var;
    // A slash path that leads to no clip is a plain name, as when reading.
    if (splitPath(f, name, holder, var) && !plainSlashName(name, holder)) {
        if (holder && !var.empty())
            setMember(holder, var, value);
        return;
    }
    // Assignment only lands on a scope object that has the name itself: an
    // inherited name does not stop the search.
    for (Scope* s = f.scope; s; s = s->parent) {
        Object* o = scopeObject(f, s);
        if (o && o != global() && hasOwnName(o, name)) {
            setMember(o, name, value);
            return;
        }
    }
    // A new name lands on the timeline the code belongs to.
    Object* target = f.target ? liveTarget(f) : global();
    setMember(target, name, value);
}

Object* Interpreter::scopeObject(const Frame& f, const Scope* s)
{
    // SetTarget swaps the timeline in the scope chain for the new target.
    if (s->object && s->object == f.originalTarget)
        return liveTarget(f);
    Object* o = s->object;
    if (o && o->objectClass() == ObjectClass::Clip && !m_host.onStage(o)) {
        Object* clip = m_host.relocate(o);
        return clip && clip->objectClass() == ObjectClass::Clip ? clip : m_host.root(nullptr);
    }
    return o;
}

Object* Interpreter::liveTarget(const Frame& f)
{
    // A timeline that left the stage is its path. Where nothing is there any
    // more, a tellTarget target gives way to the code's own timeline, and
    // that to the movie's root.
    Object* o = f.target;
    if (!o || o->objectClass() != ObjectClass::Clip || m_host.onStage(o))
        return o;
    if (Object* clip = m_host.relocate(o); clip && clip->objectClass() == ObjectClass::Clip)
        return clip;
    if (o != f.originalTarget && f.originalTarget && m_host.onStage(f.originalTarget))
        return f.originalTarget;
    return m_host.root(nullptr);
}

Object* Interpreter::timelineTarget(const Frame& f) const
{
    return f.targetLost && f.version >= 7 ? nullptr : f.target;
}

void Interpreter::setTarget(Frame& f, const Value& target)
{
    // A clip, or a path from the code's own timeline (other values give theirs
    // by toString). The empty path leads back to that timeline (so does
    // undefined before SWF 7, where it is the empty string); a path to
    // nothing leads to the root up to SWF 6.
    f.targetLost = false;
    // A clip on the stage leads where its path leads: to the first clip of
    // its name. Paths from a timeline that left the stage lead nowhere.
    if (Object* o = target.asObject(); o && o->objectClass() == ObjectClass::Clip) {
        Object* named = m_host.onStage(o) ? resolveTarget(f.originalTarget, m_host.targetPath(o, false)) : nullptr;
        f.target = named && named->objectClass() == ObjectClass::Clip ? named : o;
        return;
    }
    const std::string path = toString(target);
    const bool baseGone = f.originalTarget && f.originalTarget->objectClass() == ObjectClass::Clip && !m_host.onStage(f.originalTarget);
    Object* clip = path.empty() ? f.originalTarget : baseGone ? nullptr : actionTarget(f.originalTarget, path);
    f.targetLost = !clip || clip->objectClass() != ObjectClass::Clip;
    if (!clip && f.version <= 6)
        clip = m_host.root(f.originalTarget);
    f.target = clip && clip->objectClass() == ObjectClass::Clip ? clip : f.originalTarget;
}

Object* Interpreter::targetFromValue(Frame& f, const Value& v)
{
    // A display object is its own target; any other object names one by
    // its string.
    if (Object* o = v.asObject(); o && (o->objectClass() == ObjectClass::Clip || o->hostData))
        return o;
    std::string path = toString(v);
    // The empty path is the current target, and there is none after a
    // tellTarget to nowhere.
    if (path.empty() && f.targetLost)
        return nullptr;
    return actionTarget(liveTarget(f), path);
}

Object* Interpreter::actionTarget(Object* base, const std::string& path)
{
    // A path of an action that leads to a string, number or boolean where a
    // clip should be makes the debugging player complain in the trace log.
    bool endedOnValue = false;
    Object* o = scriptPathTarget(base, path, false, &endedOnValue);
    if (endedOnValue && swfVersion() >= 5)
        complainOfPrimitive();
    return o;
}

void Interpreter::complainOfPrimitive()
{
    m_host.trace("Parameters of primitive types are no longer coerced into the required type - Object.");
}

} // namespace swf::script
