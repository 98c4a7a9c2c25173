// veskor-disasm MOVIE.swf: prints every script of a movie (frame scripts,
// initialisation scripts, button and clip actions) as decoded actions, with
// the tags that tell where each script runs (frames, placements, labels).

#include "swf/format/actions.h"
#include "swf/format/reader.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// Script strings are bytes: printable ASCII stays, everything else is escaped
// so the output is always one line per action.
std::string escaped(const std::string& s)
{
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

std::string number(double n)
{
    if (std::isnan(n))
        return "NaN";
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", n);
    return buf;
}

std::string pushValue(const swf::PushValue& v, const std::vector<std::string>& pool)
{
    using T = swf::PushValue::Type;
    switch (v.type) {
    case T::String:
        return escaped(v.string) + ":string";
    case T::Float:
        return number(v.number) + ":float";
    case T::Double:
        return number(v.number) + ":double";
    case T::Integer:
        return number(v.number) + ":int";
    case T::Null:
        return "null";
    case T::Undefined:
        return "undefined";
    case T::Register:
        return "r" + std::to_string(v.index);
    case T::Boolean:
        return v.boolean ? "true" : "false";
    case T::Constant8:
    case T::Constant16: {
        std::string s = "c" + std::to_string(v.index) + "=";
        return s + (v.index < pool.size() ? escaped(pool[v.index]) : std::string("<missing>"));
    }
    }
    return "?";
}

std::string functionFlags(std::uint16_t flags)
{
    namespace F = swf::FunctionFlag;
    static const std::pair<std::uint16_t, const char*> names[] = {
        {F::PreloadThis, "preloadThis"}, {F::SuppressThis, "suppressThis"},
        {F::PreloadArguments, "preloadArguments"}, {F::SuppressArguments, "suppressArguments"},
        {F::PreloadSuper, "preloadSuper"}, {F::SuppressSuper, "suppressSuper"},
        {F::PreloadRoot, "preloadRoot"}, {F::PreloadParent, "preloadParent"},
        {F::PreloadGlobal, "preloadGlobal"},
    };
    std::string out;
    for (const auto& [bit, name] : names) {
        if (flags & bit) {
            out += out.empty() ? "" : "|";
            out += name;
        }
    }
    return out.empty() ? "none" : out;
}

std::string operands(const swf::Action& a, const std::vector<std::string>& pool)
{
    using C = swf::ActionCode;
    std::string out;
    switch (a.code) {
    case C::Push:
        for (const auto& v : a.values)
            out += " " + pushValue(v, pool);
        break;
    case C::ConstantPool:
        for (std::size_t i = 0; i < a.strings.size(); ++i)
            out += " c" + std::to_string(i) + "=" + escaped(a.strings[i]);
        break;
    case C::GotoFrame:
        out = " frame " + std::to_string(a.number) + " (0-based)";
        break;
    case C::GetURL:
        out = " url " + escaped(a.text) + " target " + escaped(a.text2);
        break;
    case C::GetURL2:
        out = " flags " + std::to_string(a.number);
        break;
    case C::StoreRegister:
        out = " r" + std::to_string(a.number);
        break;
    case C::WaitForFrame:
        out = " frame " + std::to_string(a.number) + " skip " + std::to_string(a.number2);
        break;
    case C::WaitForFrame2:
        out = " skip " + std::to_string(a.number2);
        break;
    case C::SetTarget:
    case C::GoToLabel:
        out = " " + escaped(a.text);
        break;
    case C::GotoFrame2:
        out = std::string((a.number & 1) ? " play" : " stop");
        if (a.number & 2)
            out += " sceneBias " + std::to_string(a.number2);
        break;
    case C::Jump:
    case C::If:
        out = " -> " + std::to_string(a.target);
        break;
    case C::With:
        out = " until " + std::to_string(a.target);
        break;
    case C::DefineFunction:
    case C::DefineFunction2: {
        const swf::FunctionInfo& f = a.function;
        out = " " + (f.name.empty() ? std::string("<anonymous>") : escaped(f.name)) + " (";
        for (std::size_t i = 0; i < f.params.size(); ++i) {
            out += i ? ", " : "";
            out += escaped(f.params[i].name);
            if (f.isFunction2 && f.params[i].reg)
                out += ":r" + std::to_string(f.params[i].reg);
        }
        out += ")";
        if (f.isFunction2)
            out += " registers " + std::to_string(f.registerCount) + " flags " + functionFlags(f.flags);
        out += " body " + std::to_string(f.bodyBegin) + ".." + std::to_string(f.bodyEnd);
        break;
    }
    case C::Try: {
        const swf::TryInfo& t = a.tryBlock;
        out = " try " + std::to_string(t.tryBegin) + ".." + std::to_string(t.tryEnd);
        if (t.hasCatch) {
            out += " catch " + std::to_string(t.catchBegin) + ".." + std::to_string(t.catchEnd) + " into ";
            out += t.catchInRegister ? "r" + std::to_string(t.catchRegister) : escaped(t.catchName);
        }
        if (t.hasFinally)
            out += " finally " + std::to_string(t.finallyBegin) + ".." + std::to_string(t.finallyEnd);
        break;
    }
    default:
        break;
    }
    return out;
}

void printActions(const swf::Bytes& bytes, int version, const std::string& indent)
{
    auto actions = swf::decodeActions(bytes, version);
    if (!actions.ok()) {
        std::printf("%s  !! %s\n", indent.c_str(), actions.error().message.c_str());
        return;
    }
    // Constant pool references are resolved against the last pool seen in
    // list order, which is what a straight-line script sees.
    std::vector<std::string> pool;
    std::vector<std::size_t> blockEnds; // function and With bodies, for indentation
    for (std::size_t i = 0; i < actions->size(); ++i) {
        const swf::Action& a = (*actions)[i];
        while (!blockEnds.empty() && i >= blockEnds.back())
            blockEnds.pop_back();
        if (a.code == swf::ActionCode::ConstantPool)
            pool = a.strings;
        std::string nest(blockEnds.size() * 2, ' ');
        std::printf("%s  %4zu @%-5u %s%s%s\n", indent.c_str(), i, a.offset, nest.c_str(), swf::actionName(a.code),
            operands(a, pool).c_str());
        if ((a.code == swf::ActionCode::DefineFunction || a.code == swf::ActionCode::DefineFunction2
                || a.code == swf::ActionCode::With) && a.target > i + 1)
            blockEnds.push_back(a.target);
    }
}

struct Printer {
    int version = 0;

    void timeline(const std::vector<swf::Tag>& tags, int spriteId, const std::string& indent)
    {
        const std::string where = spriteId < 0 ? "root" : "sprite " + std::to_string(spriteId);
        int frame = 1;
        for (const swf::Tag& tag : tags) {
            if (std::get_if<swf::ShowFrame>(&tag)) {
                std::printf("%sShowFrame (end of frame %d)\n", indent.c_str(), frame);
                ++frame;
            } else if (auto* t = std::get_if<swf::FrameLabel>(&tag)) {
                std::printf("%sFrameLabel %s%s\n", indent.c_str(), escaped(t->name).c_str(), t->namedAnchor ? " (anchor)" : "");
            } else if (auto* t = std::get_if<swf::PlaceObject>(&tag)) {
                placeObject(*t, indent);
            } else if (auto* t = std::get_if<swf::RemoveObject>(&tag)) {
                std::printf("%sRemoveObject depth %u", indent.c_str(), t->depth);
                if (t->version == 1)
                    std::printf(" character %u", t->characterId);
                std::printf("\n");
            } else if (auto* t = std::get_if<swf::DefineSprite>(&tag)) {
                std::printf("%sDefineSprite %u frames %u\n", indent.c_str(), t->id, t->frameCount);
                timeline(t->tags, t->id, indent + "  ");
                std::printf("%sEnd of sprite %u\n", indent.c_str(), t->id);
            } else if (auto* t = std::get_if<swf::DoAction>(&tag)) {
                std::printf("%sDoAction frame %d of %s\n", indent.c_str(), frame, where.c_str());
                printActions(t->actions, version, indent);
            } else if (auto* t = std::get_if<swf::DoInitAction>(&tag)) {
                std::printf("%sDoInitAction sprite %u\n", indent.c_str(), t->spriteId);
                printActions(t->actions, version, indent);
            } else if (auto* t = std::get_if<swf::DefineButton>(&tag)) {
                button(*t, indent);
            } else if (auto* t = std::get_if<swf::UnknownTag>(&tag); t && t->code == 56) {
                exportAssets(t->data, indent);
            }
        }
    }

    void placeObject(const swf::PlaceObject& t, const std::string& indent)
    {
        std::printf("%sPlaceObject%u depth %u", indent.c_str(), unsigned(t.version), t.depth);
        if (t.isMove)
            std::printf(" move");
        if (t.characterId)
            std::printf(" character %u", *t.characterId);
        if (t.name)
            std::printf(" name %s", escaped(*t.name).c_str());
        if (t.className)
            std::printf(" class %s", escaped(*t.className).c_str());
        if (t.clipDepth)
            std::printf(" clipDepth %u", *t.clipDepth);
        std::printf("\n");
        for (const swf::ClipAction& c : t.clipActions) {
            std::printf("%s  ClipAction events 0x%08X", indent.c_str(), c.eventFlags);
            if (c.keyCode)
                std::printf(" key %u", c.keyCode);
            std::printf(" (depth %u)\n", t.depth);
            printActions(c.actions, version, indent + "  ");
        }
    }

    void button(const swf::DefineButton& t, const std::string& indent)
    {
        std::printf("%sDefineButton%s %u%s\n", indent.c_str(), t.version == 2 ? "2" : "", t.id,
            t.trackAsMenu ? " trackAsMenu" : "");
        if (t.version != 2) {
            std::printf("%s  Button %u actions (release)\n", indent.c_str(), t.id);
            printActions(t.actions, version, indent + "  ");
            return;
        }
        for (const swf::ButtonCondAction& c : t.condActions) {
            std::printf("%s  Button %u conditions 0x%04X key %u\n", indent.c_str(), t.id, c.conditions,
                unsigned((c.conditions >> 1) & 0x7F));
            printActions(c.actions, version, indent + "  ");
        }
    }

    // ExportAssets is kept raw: count u16, then (id u16, zero-terminated name)*.
    void exportAssets(const swf::Bytes& data, const std::string& indent)
    {
        std::printf("%sExportAssets", indent.c_str());
        std::size_t pos = 2;
        const unsigned count = data.size() >= 2 ? data[0] | (data[1] << 8) : 0;
        for (unsigned i = 0; i < count && pos + 2 <= data.size(); ++i) {
            const unsigned id = data[pos] | (data[pos + 1] << 8);
            pos += 2;
            std::string name;
            while (pos < data.size() && data[pos] != 0)
                name += char(data[pos++]);
            ++pos;
            std::printf(" %u=%s", id, escaped(name).c_str());
        }
        std::printf("\n");
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: veskor-disasm MOVIE.swf\n");
        return 2;
    }
    auto movie = swf::readMovie(std::filesystem::path(argv[1]));
    if (!movie.ok()) {
        std::fprintf(stderr, "veskor-disasm: %s\n", movie.error().message.c_str());
        return 1;
    }
    std::printf("version %u, %u frames at %g fps\n", unsigned(movie->header.version), movie->header.frameCount,
        movie->header.frameRate());
    for (const std::string& warning : movie->warnings)
        std::printf("warning: %s\n", warning.c_str());
    Printer printer{movie->header.version};
    printer.timeline(movie->tags, -1, "");
    return 0;
}
