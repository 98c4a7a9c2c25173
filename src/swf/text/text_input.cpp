#include "swf/text/text_input.h"

#include <algorithm>
#include <vector>

namespace swf::text {

namespace {

struct RestrictItem {
    char32_t first;
    char32_t last;
    bool letIn;
};

std::vector<RestrictItem> parseRestrict(const std::u32string& r)
{
    std::vector<RestrictItem> items;
    bool letIn = true;
    // A range's start when a "-" follows: the character before it, or the
    // first character of all when none is.
    char32_t previous = 0;
    // The character at i, taking a backslash as an escape; advances i past it.
    auto take = [&](std::size_t& i) -> std::optional<char32_t> {
        if (r[i] == U'\\') {
            if (i + 1 >= r.size()) {
                i = r.size();
                return std::nullopt;
            }
            i += 2;
            return r[i - 1];
        }
        return r[i++];
    };
    std::size_t i = 0;
    while (i < r.size()) {
        const char32_t c = r[i];
        if (c == U'^') {
            letIn = !letIn;
            previous = 0;
            ++i;
            continue;
        }
        if (c == U'-') {
            ++i;
            // A dash ends nothing when another follows it or the restrict ends.
            if (i >= r.size() || r[i] == U'-')
                continue;
            const std::optional<char32_t> last = take(i);
            if (!last)
                continue;
            if (previous <= *last)
                items.push_back({previous, *last, letIn});
            previous = 0;
            continue;
        }
        const std::optional<char32_t> single = take(i);
        if (!single)
            continue;
        items.push_back({*single, *single, letIn});
        previous = *single;
    }
    return items;
}

bool letsIn(const std::vector<RestrictItem>& items, bool byDefault, char32_t c)
{
    bool in = byDefault;
    for (const RestrictItem& item : items) {
        if (c >= item.first && c <= item.last)
            in = item.letIn;
    }
    return in;
}

} // namespace

std::optional<char32_t> restrictCharacter(const std::u32string& restrict, char32_t c)
{
    const std::vector<RestrictItem> items = parseRestrict(restrict);
    const bool byDefault = !restrict.empty() && restrict.front() == U'^';
    if (letsIn(items, byDefault, c))
        return c;
    char32_t other = c;
    if (c >= U'a' && c <= U'z')
        other = c - U'a' + U'A';
    else if (c >= U'A' && c <= U'Z')
        other = c - U'A' + U'a';
    if (other != c && letsIn(items, byDefault, other))
        return other;
    return std::nullopt;
}

bool typeText(TextFieldState& field, const std::u32string& typed)
{
    const std::size_t length = field.length();
    std::size_t begin = std::min(field.selectionBegin, length);
    std::size_t end = std::min(field.selectionEnd, length);
    if (end < begin)
        std::swap(begin, end);
    std::u32string accepted;
    const std::u32string restrict = field.restrict ? toUnits(*field.restrict, 8) : std::u32string();
    for (char32_t c : typed) {
        std::optional<char32_t> kept = field.restrict ? restrictCharacter(restrict, c) : std::optional<char32_t>(c);
        if (kept)
            accepted.push_back(*kept);
    }
    if (field.maxChars > 0) {
        const std::size_t room = std::size_t(field.maxChars) > length - (end - begin)
                                     ? std::size_t(field.maxChars) - (length - (end - begin))
                                     : 0;
        if (accepted.size() > room)
            accepted.resize(room);
    }
    if (accepted.empty())
        return false;
    const TextFieldFormat format = begin < length ? field.formatAt(begin) : field.newTextFormat;
    field.replace(begin, end, accepted, format);
    field.selectionBegin = field.selectionEnd = begin + accepted.size();
    return true;
}

} // namespace swf::text
