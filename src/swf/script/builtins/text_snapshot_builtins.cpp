// TextSnapshot: the characters of the static texts a clip holds, as they
// were when the snapshot was taken (new TextSnapshot(clip) or
// clip.getTextSnapshot()), with a selection of its own. A snapshot of
// anything but a clip on the stage answers nothing. Each method answers
// only the argument counts the player accepted, and undefined otherwise.

#include "swf/script/builtins/builtins.h"
#include "swf/script/builtins/env_support.h"
#include "swf/text/text_field.h"

#include <QChar>

#include <algorithm>
#include <cmath>
#include <memory>

namespace swf::script {

namespace {

class TextSnapshotData final : public ObjectExtension {
public:
    bool getMember(Interpreter&, Object&, const std::string&, Value&) override { return false; }
    bool setMember(Interpreter&, Object&, const std::string&, const Value&) override { return false; }

    std::vector<std::u32string> lines;
    std::u32string text; // the lines joined
    std::vector<StaticTextGlyph> glyphs; // one per character, when the host gives them
    // Shared by every snapshot of the clip; as long as the text, or longer.
    std::shared_ptr<std::vector<bool>> selected;
};

TextSnapshotData* snapshotOf(Object* o)
{
    return o ? dynamic_cast<TextSnapshotData*>(o->extension()) : nullptr;
}

// A character index argument, truncated; NaN is 0.
long long indexArg(Interpreter& in, const Value& v)
{
    const double d = in.toNumber(v);
    if (std::isnan(d))
        return 0;
    return (long long)std::clamp(std::trunc(d), -1e15, 1e15);
}

char32_t foldCase(char32_t c)
{
    return c < 0x10000 ? char32_t(QChar(char16_t(c)).toLower().unicode()) : c;
}

// Characters [begin, end) of the snapshot; with line endings, a line feed
// between characters of different lines.
std::u32string textRange(const TextSnapshotData& data, std::size_t begin, std::size_t end, bool lineEndings,
                         const std::vector<bool>* only = nullptr)
{
    std::u32string out;
    std::size_t at = 0;
    for (const std::u32string& line : data.lines) {
        bool took = false;
        for (char32_t c : line) {
            if (at >= begin && at < end && (!only || (*only)[at])) {
                out += c;
                took = true;
            }
            ++at;
        }
        if (took && lineEndings && at < end)
            out += U'\n';
    }
    if (lineEndings && !out.empty() && out.back() == U'\n')
        out.pop_back();
    return out;
}

// Clamps [first, second) to the text: a start past the end is the last
// character, and a range that ends where it begins or before holds its
// first character.
void clampRange(Interpreter& in, const TextSnapshotData& data, const Value& first, const Value& second,
                std::size_t& begin, std::size_t& end)
{
    const auto count = (long long)data.text.size();
    const long long from = std::clamp(indexArg(in, first), 0LL, std::max(count - 1, 0LL));
    long long to = indexArg(in, second);
    if (to <= from)
        to = from + 1;
    begin = std::size_t(from);
    end = std::size_t(std::clamp(to, from, count));
}

void defineMethods(Interpreter& in, Object* proto)
{
    // Defined in reverse so that for..in lists them in the player's order.
    in.defineMethod(proto, "getCount", [](Interpreter&, Object* self, const Args& args) -> Value {
        TextSnapshotData* data = snapshotOf(self);
        if (!data || !args.empty())
            return Value();
        return double(data->text.size());
    });
    in.defineMethod(proto, "setSelected", [](Interpreter& in, Object* self, const Args& args) -> Value {
        TextSnapshotData* data = snapshotOf(self);
        if (!data || args.size() != 3)
            return Value();
        std::size_t begin = 0;
        std::size_t end = 0;
        clampRange(in, *data, args[0], args[1], begin, end);
        const bool select = in.toBoolean(args[2]);
        for (std::size_t i = begin; i < end; ++i)
            (*data->selected)[i] = select;
        return Value();
    });
    in.defineMethod(proto, "getSelected", [](Interpreter& in, Object* self, const Args& args) -> Value {
        TextSnapshotData* data = snapshotOf(self);
        if (!data || args.size() != 2)
            return Value();
        std::size_t begin = 0;
        std::size_t end = 0;
        clampRange(in, *data, args[0], args[1], begin, end);
        return std::any_of(data->selected->begin() + std::ptrdiff_t(begin), data->selected->begin() + std::ptrdiff_t(end),
                           [](bool b) { return b; });
    });
    in.defineMethod(proto, "getText", [](Interpreter& in, Object* self, const Args& args) -> Value {
        TextSnapshotData* data = snapshotOf(self);
        if (!data || args.size() < 2 || args.size() > 3)
            return Value();
        std::size_t begin = 0;
        std::size_t end = 0;
        clampRange(in, *data, args[0], args[1], begin, end);
        const bool lineEndings = args.size() == 3 && in.toBoolean(args[2]);
        const std::u32string range = textRange(*data, begin, end, lineEndings);
        return text::fromUnits(range, in.swfVersion());
    });
    in.defineMethod(proto, "getSelectedText", [](Interpreter& in, Object* self, const Args& args) -> Value {
        TextSnapshotData* data = snapshotOf(self);
        if (!data || args.size() > 1)
            return Value();
        const bool lineEndings = !args.empty() && in.toBoolean(args[0]);
        const std::u32string range = textRange(*data, 0, data->text.size(), lineEndings, data->selected.get());
        return text::fromUnits(range, in.swfVersion());
    });
    in.defineMethod(proto, "hitTestTextNearPos", [](Interpreter&, Object* self, const Args& args) -> Value {
        TextSnapshotData* data = snapshotOf(self);
        if (!data || args.size() < 2 || args.size() > 3)
            return Value();
        // Static text keeps no positions here: no character is near.
        return -1.0;
    });
    in.defineMethod(proto, "findText", [](Interpreter& in, Object* self, const Args& args) -> Value {
        TextSnapshotData* data = snapshotOf(self);
        if (!data || args.size() != 3)
            return Value();
        const long long start = indexArg(in, args[0]);
        const std::u32string needle = text::toUnits(in.toString(args[1]), in.swfVersion());
        const bool caseSensitive = in.toBoolean(args[2]);
        const std::u32string& hay = data->text;
        if (start < 0 || needle.empty() || needle.size() > hay.size())
            return -1.0;
        auto same = [caseSensitive](char32_t a, char32_t b) {
            return caseSensitive ? a == b : foldCase(a) == foldCase(b);
        };
        for (std::size_t i = std::size_t(start); i + needle.size() <= hay.size(); ++i) {
            if (std::equal(needle.begin(), needle.end(), hay.begin() + std::ptrdiff_t(i), same))
                return double(i);
        }
        return -1.0;
    });
    in.defineMethod(proto, "setSelectColor", [](Interpreter&, Object*, const Args&) -> Value { return Value(); });
    // One record per character from the first index to the last, both
    // included. Its values are no members of its own: they come from an
    // object it links to.
    in.defineMethod(proto, "getTextRunInfo", [](Interpreter& in, Object* self, const Args& args) -> Value {
        TextSnapshotData* data = snapshotOf(self);
        if (!data || args.size() != 2)
            return Value();
        const auto count = (long long)std::min(data->glyphs.size(), data->text.size());
        const long long from = std::clamp(indexArg(in, args[0]), 0LL, count);
        const long long to = std::min(indexArg(in, args[1]), count - 1);
        std::vector<Value> records;
        for (long long i = from; i <= to; ++i) {
            const StaticTextGlyph& g = data->glyphs[std::size_t(i)];
            Object* values = in.newObject();
            values->put("indexInRun", double(i));
            values->put("selected", bool((*data->selected)[std::size_t(i)]));
            values->put("font", g.font);
            values->put("color", double(g.color));
            values->put("height", g.height);
            static constexpr const char* kMatrix[] = {"matrix_a", "matrix_b", "matrix_c", "matrix_d", "matrix_tx", "matrix_ty"};
            for (int k = 0; k < 6; ++k)
                values->put(kMatrix[k], g.matrix[k]);
            for (int k = 0; k < 4; ++k) {
                values->put("corner" + std::to_string(k) + "x", g.corners[2 * k]);
                values->put("corner" + std::to_string(k) + "y", g.corners[2 * k + 1]);
            }
            records.push_back(in.newObject(values));
        }
        return in.newArray(records);
    });
    // Listed by for..in, from SWF 6.
    for (const char* name : {"getCount", "setSelected", "getSelected", "getText", "getSelectedText",
                             "hitTestTextNearPos", "findText", "setSelectColor", "getTextRunInfo"}) {
        if (Property* own = proto->findOwnAnyVersion(name))
            own->flags = PropertyFlag::Version6;
    }
}

} // namespace

void fillTextSnapshot(Interpreter& in, Object* snapshot, const Value& clip)
{
    Object* target = clip.asObject();
    if (!snapshot || !target || target->objectClass() != ObjectClass::Clip)
        return;
    auto lines = in.host().staticText(target);
    if (!lines)
        return;
    auto data = std::make_shared<TextSnapshotData>();
    data->lines = std::move(*lines);
    for (const std::u32string& line : data->lines)
        data->text += line;
    data->glyphs = in.host().staticTextGlyphs(target);
    // A new snapshot of the clip starts with nothing selected, for the
    // snapshots taken before it too.
    data->selected = in.host().staticTextSelection(target);
    if (!data->selected)
        data->selected = std::make_shared<std::vector<bool>>();
    data->selected->assign(std::max(data->selected->size(), data->text.size()), false);
    snapshot->setExtension(std::move(data));
}

void installTextSnapshot(Interpreter& in)
{
    auto construct = [](Interpreter& in, Object* self, const Args& args) -> Value {
        // A clip and nothing else.
        if (self && args.size() == 1) {
            if (const Object* clip = args[0].asObject(); clip && clip->objectClass() == ObjectClass::Clip)
                self->markNative();
            fillTextSnapshot(in, self, args[0]);
        }
        return self;
    };
    auto made = std::make_shared<Object*>(nullptr);
    Object* ctor = makeConstructor(in, "TextSnapshot", env::superCall(made, construct), construct);
    *made = ctor;
    in.pin(ctor);
    defineMethods(in, in.getMember(ctor, "prototype").asObject());
}

} // namespace swf::script
