// Array: elements are ordinary properties "0".."n-1" plus a length that the
// interpreter keeps in step with them.

#include "swf/script/builtins/builtins.h"
#include "swf/script/builtins/member_flags.h"
#include "swf/script/builtins/object_string.h"
#include "swf/script/string_util.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace swf::script {

namespace {

namespace SortFlag {
constexpr int CaseInsensitive = 1;
constexpr int Descending = 2;
constexpr int UniqueSort = 4;
constexpr int ReturnIndexedArray = 8;
constexpr int Numeric = 16;
} // namespace SortFlag

void setItems(Interpreter& in, Object* a, const std::vector<Value>& items)
{
    // Past the memory budget (or in a script stopped already) the array stays as it was.
    if (!in.reserveMemory(items.size() * kPropertyBytes))
        return;
    in.setArrayLength(a, 0);
    for (std::size_t i = 0; i < items.size(); ++i)
        a->put(std::to_string(i), items[i]);
    a->put("length", double(items.size()));
}

// Stores the items as elements 0..n-1 and leaves the length and any other
// element alone.
void storeItems(Interpreter& in, Object* a, const std::vector<Value>& items)
{
    if (!in.reserveMemory(items.size() * kPropertyBytes))
        return;
    for (std::size_t i = 0; i < items.size(); ++i)
        a->put(std::to_string(i), items[i]);
}

// Clamps a relative index (negative counts from the end) to [0, length].
std::size_t relativeIndex(Interpreter& in, const Value& v, std::size_t length, std::size_t fallback)
{
    if (v.isUndefined())
        return fallback;
    double n = toInteger(in.toNumber(v));
    if (n < 0)
        n = std::max(0.0, double(length) + n);
    return std::size_t(std::min(n, double(length)));
}

// The player's own quicksort: the first element of a range is its pivot, a
// left scan passes elements below it, a right scan passes elements at or above
// it, and the two swap until they cross. Scripts see every comparison (their
// compare functions and toString methods run), so the order of the calls and
// of equal elements follows this scheme exactly. The compare always gets the
// pivot first. Ranges wait on a stack of their own, the left part first, so a
// sorted array of any length cannot exhaust the native stack.
void quickSort(std::vector<std::size_t>& idx, const std::function<int(std::size_t, std::size_t)>& cmp, Interpreter& in)
{
    if (idx.size() < 2)
        return;
    auto stopped = [&in] { return in.aborted() || in.throwing(); };
    std::vector<std::pair<std::size_t, std::size_t>> ranges{{0, idx.size() - 1}};
    while (!ranges.empty() && !stopped()) {
        const auto [lo, hi] = ranges.back();
        ranges.pop_back();
        if (hi <= lo)
            continue;
        const std::size_t pivot = idx[lo];
        std::size_t i = lo + 1;
        std::size_t j = hi;
        for (;;) {
            while (i < j && !stopped() && cmp(pivot, idx[i]) > 0)
                ++i;
            while (j > lo && !stopped() && cmp(pivot, idx[j]) <= 0)
                --j;
            if (i >= j || stopped())
                break;
            std::swap(idx[i], idx[j]);
        }
        std::swap(idx[lo], idx[j]);
        if (j + 1 < hi)
            ranges.push_back({j + 1, hi});
        if (j > lo + 1)
            ranges.push_back({lo, j - 1});
    }
}

int compareValues(Interpreter& in, const Value& x, const Value& y, int flags, Object* fn)
{
    int r = 0;
    if (fn) {
        double d = in.toNumber(in.call(fn, nullptr, {x, y}));
        r = d < 0 ? -1 : d > 0 ? 1 : 0;
    } else if ((flags & SortFlag::Numeric) && x.isNumber() && y.isNumber()) {
        double a = x.asNumber(), b = y.asNumber();
        r = a < b ? -1 : a > b ? 1 : 0;
    } else {
        std::string a = in.toString(x), b = in.toString(y);
        if (flags & SortFlag::CaseInsensitive) {
            a = asciiLower(a);
            b = asciiLower(b);
        }
        r = a < b ? -1 : a > b ? 1 : 0;
    }
    return r;
}

// The shared end of sort and sortOn: unique check, indexed result or reorder.
Value finishSort(Interpreter& in, Object* self, const std::vector<Value>& items, std::vector<std::size_t>& idx, int flags,
                 const std::function<int(std::size_t, std::size_t)>& cmp, const std::function<bool(std::size_t, std::size_t)>& same)
{
    // A descending sort is the ascending one read backwards: the same
    // comparisons run, and equal elements come out in reverse order too.
    quickSort(idx, cmp, in);
    if (flags & SortFlag::Descending)
        std::reverse(idx.begin(), idx.end());
    if (flags & SortFlag::UniqueSort) {
        // Uniqueness is judged on the sorted neighbours by the built-in
        // comparison, whatever a compare function said about them.
        for (std::size_t i = 1; i < idx.size(); ++i) {
            if (same(idx[i - 1], idx[i]))
                return 0.0;
        }
    }
    if (flags & SortFlag::ReturnIndexedArray) {
        std::vector<Value> out;
        for (std::size_t i : idx)
            out.push_back(double(i));
        return in.newArray(out);
    }
    // The elements that moved are stored in their new places; one that
    // stays where it was is not written again. Whatever a compare function
    // did to the array meanwhile (a length cut, elements added past the end)
    // stays where the sort writes nothing; an array's length grows to cover
    // what it writes.
    if (!in.reserveMemory(idx.size() * kPropertyBytes))
        return self;
    const bool isArray = self->objectClass() == ObjectClass::Array;
    for (std::size_t i = 0; i < idx.size(); ++i) {
        if (idx[i] == i)
            continue;
        // A delete and a store: the element is listed as the newest.
        self->remove(std::to_string(i));
        self->put(std::to_string(i), items[idx[i]]);
        if (isArray && in.arrayLength(self) <= i)
            self->put("length", double(i + 1));
    }
    return self;
}

} // namespace

void installArray(Interpreter& in)
{
    Object* proto = in.newObject();
    auto construct = [](Interpreter& in, Object* self, const Args& args) -> Value {
        self->setObjectClass(ObjectClass::Array);
        self->put("length", 0, PropertyFlag::DontEnum | PropertyFlag::DontDelete);
        if (args.size() == 1 && args[0].isNumber()) {
            // The length is kept as a signed 32-bit number: new Array(-1) has
            // length -1 and no elements.
            self->put("length", double(toInt32(args[0].asNumber())));
        } else {
            setItems(in, self, args);
        }
        return self;
    };
    Object* ctor = makeConstructor(
        in, "Array",
        [construct](Interpreter& in, Object*, const Args& args) -> Value {
            // Called as a function: an array that names its constructor.
            Object* a = in.newArray();
            a->put("constructor", in.getMember(in.global(), "Array"), kMemberFlags);
            return construct(in, a, args);
        },
        construct, proto);
    ctor->put("CASEINSENSITIVE", SortFlag::CaseInsensitive, PropertyFlag::DontEnum | PropertyFlag::DontDelete | PropertyFlag::ReadOnly);
    ctor->put("DESCENDING", SortFlag::Descending, PropertyFlag::DontEnum | PropertyFlag::DontDelete | PropertyFlag::ReadOnly);
    ctor->put("UNIQUESORT", SortFlag::UniqueSort, PropertyFlag::DontEnum | PropertyFlag::DontDelete | PropertyFlag::ReadOnly);
    ctor->put("RETURNINDEXEDARRAY", SortFlag::ReturnIndexedArray, PropertyFlag::DontEnum | PropertyFlag::DontDelete | PropertyFlag::ReadOnly);
    ctor->put("NUMERIC", SortFlag::Numeric, PropertyFlag::DontEnum | PropertyFlag::DontDelete | PropertyFlag::ReadOnly);

    auto join = [](Interpreter& in, Object* self, const std::string& sep) -> std::string {
        std::string out;
        std::vector<Value> items = in.arrayItems(self);
        for (std::size_t i = 0; i < items.size(); ++i) {
            const std::string item = objectAwareString(in, items[i]);
            if (!in.reserveMemory(item.size() + (i ? sep.size() : 0)))
                return std::string();
            if (i)
                out += sep;
            out += item;
        }
        return out;
    };
    in.defineMethod(proto, "join", [join](Interpreter& in, Object* self, const Args& args) -> Value {
        if (!self)
            return Value();
        // Only a missing separator means a comma; undefined is converted like any value.
        return join(in, self, args.empty() ? std::string(",") : in.toString(args[0]));
    });
    in.defineMethod(proto, "toString", [join](Interpreter& in, Object* self, const Args&) -> Value {
        if (!self)
            return Value();
        return join(in, self, ",");
    });
    in.defineMethod(proto, "push", [](Interpreter& in, Object* self, const Args& args) -> Value {
        if (!self)
            return Value();
        // Elements go on at the length as it stands, even below zero.
        const double length = toInteger(in.toNumber(in.getMember(self, "length")));
        std::int64_t n = std::int64_t(std::clamp(length, -2147483648.0, 4294967295.0));
        for (const Value& v : args)
            in.setMember(self, std::to_string(n++), v);
        self->put("length", double(n));
        return double(n);
    });
    in.defineMethod(proto, "pop", [](Interpreter& in, Object* self, const Args&) -> Value {
        std::uint32_t n = in.arrayLength(self);
        if (!self || n == 0)
            return Value();
        Value last = in.getMember(self, std::to_string(n - 1));
        // Another object borrowing the method loses its last element and
        // keeps the length it had.
        if (self->objectClass() == ObjectClass::Array)
            in.setArrayLength(self, n - 1);
        else
            self->remove(std::to_string(n - 1));
        return last;
    });
    in.defineMethod(proto, "shift", [](Interpreter& in, Object* self, const Args&) -> Value {
        if (!self)
            return Value();
        const std::uint32_t n = std::min(in.arrayLength(self), 1u << 24);
        if (n == 0)
            return Value();
        // Each element moves down one place as a delete and a store of its
        // own, so a protected element keeps its place or its value.
        Value first = in.getMember(self, "0");
        for (std::uint32_t k = 0; k + 1 < n && !in.aborted(); ++k) {
            Value next = in.getMember(self, std::to_string(k + 1));
            self->remove(std::to_string(k));
            in.setMember(self, std::to_string(k), next);
        }
        // Another object borrowing the method keeps its last element (now
        // there twice) and its length.
        if (self->objectClass() == ObjectClass::Array) {
            self->remove(std::to_string(n - 1));
            self->put("length", double(n - 1));
        }
        return first;
    });
    in.defineMethod(proto, "unshift", [](Interpreter& in, Object* self, const Args& args) -> Value {
        if (!self)
            return Value();
        // Each element moves up, from the last, as a delete and a store of
        // its own; a missing one moves up as undefined. The new elements are
        // stored below them.
        const std::uint32_t n = std::min(in.arrayLength(self), 1u << 24);
        for (std::uint32_t k = n; k-- > 0 && !in.aborted();) {
            const std::string to = std::to_string(std::uint64_t(k) + args.size());
            const Value moved = Interpreter::arrayItem(self, k);
            self->remove(to);
            in.setMember(self, to, moved);
        }
        storeItems(in, self, args);
        // Another object borrowing the method keeps and answers the length it had.
        if (self->objectClass() != ObjectClass::Array)
            return double(n);
        self->put("length", double(n + args.size()));
        return double(n + args.size());
    });
    in.defineMethod(proto, "reverse", [](Interpreter& in, Object* self, const Args&) -> Value {
        if (!self)
            return Value();
        // The ends swap pairwise inwards, each element a delete and a store.
        const std::uint32_t n = std::min(in.arrayLength(self), 1u << 24);
        for (std::uint32_t i = 0, j = n; i + 1 < j && !in.aborted(); ++i) {
            --j;
            const std::string low = std::to_string(i);
            const std::string high = std::to_string(j);
            const Value lowValue = Interpreter::arrayItem(self, i);
            const Value highValue = Interpreter::arrayItem(self, j);
            self->remove(low);
            in.setMember(self, low, highValue);
            self->remove(high);
            in.setMember(self, high, lowValue);
        }
        return self;
    });
    in.defineMethod(proto, "slice", [](Interpreter& in, Object* self, const Args& args) -> Value {
        if (!self)
            return Value();
        std::vector<Value> items = in.arrayItems(self);
        std::size_t b = relativeIndex(in, arg(args, 0), items.size(), 0);
        std::size_t e = relativeIndex(in, arg(args, 1), items.size(), items.size());
        std::vector<Value> out;
        for (std::size_t i = b; i < e; ++i)
            out.push_back(items[i]);
        return in.newArray(out);
    });
    in.defineMethod(proto, "splice", [](Interpreter& in, Object* self, const Args& args) -> Value {
        // Without a start, or with a count that is no number or below zero,
        // nothing is spliced and nothing is returned.
        if (!self || args.empty() || args[0].isUndefined())
            return Value();
        double c = args.size() > 1 ? in.toNumber(args[1]) : 0;
        if (std::isnan(c) || c < 0)
            return Value();
        std::vector<Value> items = in.arrayItems(self);
        std::size_t b = relativeIndex(in, args[0], items.size(), 0);
        std::size_t count = items.size() - b;
        if (args.size() > 1)
            count = std::size_t(std::min(toInteger(c), double(count)));
        std::vector<Value> removed(items.begin() + std::ptrdiff_t(b), items.begin() + std::ptrdiff_t(b + count));
        items.erase(items.begin() + std::ptrdiff_t(b), items.begin() + std::ptrdiff_t(b + count));
        if (args.size() > 2)
            items.insert(items.begin() + std::ptrdiff_t(b), args.begin() + 2, args.end());
        // Every element is stored again in its place, then the length: an
        // array loses what lies past it, another object keeps it.
        if (!in.reserveMemory(items.size() * kPropertyBytes))
            return in.newArray(removed);
        for (std::size_t i = 0; i < items.size(); ++i)
            self->put(std::to_string(i), items[i]);
        if (self->objectClass() == ObjectClass::Array)
            in.setArrayLength(self, std::uint32_t(items.size()));
        else
            self->put("length", double(items.size()));
        return in.newArray(removed);
    });
    in.defineMethod(proto, "concat", [](Interpreter& in, Object* self, const Args& args) -> Value {
        std::vector<Value> items = self ? in.arrayItems(self) : std::vector<Value>();
        for (const Value& v : args) {
            Object* o = v.asObject();
            if (o && o->objectClass() == ObjectClass::Array) {
                std::vector<Value> more = in.arrayItems(o);
                items.insert(items.end(), more.begin(), more.end());
            } else {
                items.push_back(v);
            }
        }
        return in.newArray(items);
    });
    in.defineMethod(proto, "sort", [](Interpreter& in, Object* self, const Args& args) -> Value {
        if (!self)
            return Value();
        Object* fn = nullptr;
        int flags = 0;
        std::size_t flagArg = 0;
        // Any object is taken as the compare function: one that cannot be
        // called finds every pair equal. Options are a number; anything
        // else given (undefined too) sorts nothing and returns nothing.
        if (Object* f = arg(args, 0).asObject()) {
            fn = f;
            flagArg = 1;
        } else if (!args.empty() && !args[0].isNumber() && !args[0].isBoolean()) {
            return Value();
        }
        if (args.size() > flagArg)
            flags = int(toInt32(in.toNumber(args[flagArg])));
        std::vector<Value> items = in.arrayItems(self);
        std::vector<std::size_t> idx(items.size());
        for (std::size_t i = 0; i < idx.size(); ++i)
            idx[i] = i;
        auto cmp = [&](std::size_t a, std::size_t b) { return compareValues(in, items[a], items[b], flags, fn); };
        auto same = [&](std::size_t a, std::size_t b) { return compareValues(in, items[a], items[b], flags, nullptr) == 0; };
        return finishSort(in, self, items, idx, flags, cmp, same);
    });
    in.defineMethod(proto, "sortOn", [](Interpreter& in, Object* self, const Args& args) -> Value {
        if (!self || args.empty())
            return Value();
        std::vector<std::string> fields;
        std::vector<int> fieldFlags;
        if (Object* list = args[0].asObject(); list && list->objectClass() == ObjectClass::Array) {
            for (const Value& v : in.arrayItems(list))
                fields.push_back(in.toString(v));
        } else if (list) {
            // Fields are named by text or by a list; any other object names none.
            return Value();
        } else {
            fields.push_back(in.toString(args[0]));
        }
        int flags = 0;
        if (Object* list = arg(args, 1).asObject(); list && list->objectClass() == ObjectClass::Array) {
            // One option per field, or none at all; the first field's
            // options also decide UNIQUESORT and RETURNINDEXEDARRAY.
            for (const Value& v : in.arrayItems(list))
                fieldFlags.push_back(int(toInt32(in.toNumber(v))));
            if (fieldFlags.size() != fields.size())
                fieldFlags.assign(fields.size(), 0);
            flags = fieldFlags.empty() ? 0 : fieldFlags[0];
        } else if (args.size() > 1 && !args[1].isObject()) {
            // Options are a number or an array; any other object counts for none.
            flags = int(toInt32(in.toNumber(args[1])));
        }
        std::vector<Value> items = in.arrayItems(self);
        std::vector<std::size_t> idx(items.size());
        for (std::size_t i = 0; i < idx.size(); ++i)
            idx[i] = i;
        auto cmp = [&](std::size_t a, std::size_t b) {
            for (std::size_t k = 0; k < fields.size(); ++k) {
                int f = k < fieldFlags.size() ? fieldFlags[k] : flags;
                int r = compareValues(in, in.getMember(items[a], fields[k]), in.getMember(items[b], fields[k]), f, nullptr);
                // Options given field by field turn each field round on its own.
                if (!fieldFlags.empty() && (f & SortFlag::Descending))
                    r = -r;
                if (r != 0)
                    return r;
            }
            return 0;
        };
        auto same = [&](std::size_t a, std::size_t b) { return cmp(a, b) == 0; };
        return finishSort(in, self, items, idx, fieldFlags.empty() ? flags : flags & ~SortFlag::Descending, cmp, same);
    });
    setAllMemberFlags(proto, kMemberFlags);
    // The sort constants are plain properties in the original player.
    setMemberFlags(ctor, {"CASEINSENSITIVE", "DESCENDING", "UNIQUESORT", "RETURNINDEXEDARRAY", "NUMERIC"}, 0);
}

} // namespace swf::script
