#include "support/assembler.h"

#include "swf/format/actions.h"

#include <cstdlib>
#include <sstream>
#include <unordered_map>

namespace swf::script::test {

namespace {

std::string lower(std::string s)
{
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Splits on white space and commas, keeping quoted strings (with \n, \t, \" and \\ escapes) whole.
std::vector<std::string> tokens(const std::string& line)
{
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (c == ' ' || c == '\t' || c == ',') {
            ++i;
            continue;
        }
        if (c == '#')
            break;
        if (c == '"') {
            std::string s = "\"";
            ++i;
            while (i < line.size() && line[i] != '"') {
                if (line[i] == '\\' && i + 1 < line.size()) {
                    char e = line[++i];
                    s += e == 'n' ? '\n' : e == 't' ? '\t' : e;
                } else {
                    s += line[i];
                }
                ++i;
            }
            ++i;
            out.push_back(s);
            continue;
        }
        std::size_t j = i;
        while (j < line.size() && line[j] != ' ' && line[j] != '\t' && line[j] != ',')
            ++j;
        out.push_back(line.substr(i, j - i));
        i = j;
    }
    return out;
}

bool isQuoted(const std::string& t) { return !t.empty() && t[0] == '"'; }
std::string unquote(const std::string& t) { return isQuoted(t) ? t.substr(1) : t; }

veskor::Result<PushValue> pushValue(const std::string& t)
{
    PushValue v;
    if (isQuoted(t)) {
        v.type = PushValue::Type::String;
        v.string = unquote(t);
    } else if (t == "true" || t == "false") {
        v.type = PushValue::Type::Boolean;
        v.boolean = t == "true";
    } else if (t == "null") {
        v.type = PushValue::Type::Null;
    } else if (t == "undefined") {
        v.type = PushValue::Type::Undefined;
    } else if (t.rfind("r:", 0) == 0) {
        v.type = PushValue::Type::Register;
        v.index = std::uint16_t(std::atoi(t.c_str() + 2));
    } else if (t.rfind("c:", 0) == 0) {
        v.type = PushValue::Type::Constant8;
        v.index = std::uint16_t(std::atoi(t.c_str() + 2));
    } else if (t == "NaN") {
        v.type = PushValue::Type::Double;
        v.number = std::strtod("nan", nullptr);
    } else {
        char* end = nullptr;
        v.number = std::strtod(t.c_str(), &end);
        if (!end || *end)
            return veskor::makeError("bad push operand " + t);
        v.type = PushValue::Type::Double;
    }
    return v;
}

} // namespace

veskor::Result<std::vector<std::uint8_t>> assemble(const std::string& source)
{
    std::unordered_map<std::string, ActionCode> codes;
    for (int c = 0; c < 256; ++c) {
        std::string name = actionName(ActionCode(c));
        if (name != "Unknown")
            codes[lower(name)] = ActionCode(c);
    }
    ActionWriter w;
    std::istringstream in(source);
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        std::vector<std::string> t = tokens(line);
        if (t.empty())
            continue;
        const std::string op = lower(t[0]);
        auto num = [&](std::size_t i) { return i < t.size() ? std::atoi(t[i].c_str()) : 0; };
        auto str = [&](std::size_t i) { return i < t.size() ? unquote(t[i]) : std::string(); };
        if (op.size() > 1 && op.back() == ':' && t.size() == 1) {
            w.label(t[0].substr(0, t[0].size() - 1));
        } else if (op == "push") {
            std::vector<PushValue> values;
            for (std::size_t i = 1; i < t.size(); ++i) {
                auto v = pushValue(t[i]);
                if (!v.ok())
                    return veskor::makeError("line " + std::to_string(lineNo) + ": " + v.error().message);
                values.push_back(*v);
            }
            w.push(values);
        } else if (op == "constants") {
            std::vector<std::string> strings;
            for (std::size_t i = 1; i < t.size(); ++i)
                strings.push_back(unquote(t[i]));
            w.constantPool(strings);
        } else if (op == "jump") {
            w.jump(str(1));
        } else if (op == "if") {
            w.ifTrue(str(1));
        } else if (op == "function") {
            w.beginFunction(t.size() > 1 && t[1] != "-" ? t[1] : "", std::vector<std::string>(t.begin() + std::min<std::ptrdiff_t>(2, std::ptrdiff_t(t.size())), t.end()));
        } else if (op == "function2") {
            std::vector<FunctionParam> params;
            for (std::size_t i = 4; i < t.size(); ++i) {
                std::size_t colon = t[i].find(':');
                FunctionParam p;
                p.reg = std::uint8_t(std::atoi(t[i].substr(0, colon).c_str()));
                p.name = colon == std::string::npos ? t[i] : t[i].substr(colon + 1);
                params.push_back(p);
            }
            w.beginFunction2(t.size() > 1 && t[1] != "-" ? t[1] : "", std::uint8_t(num(2)), std::uint16_t(std::strtol(str(3).c_str(), nullptr, 0)), params);
        } else if (op == "end") {
            w.endFunction();
        } else if (op == "with") {
            w.beginWith();
        } else if (op == "endwith") {
            w.endWith();
        } else if (op == "try") {
            std::string what = str(1);
            if (what.rfind("r:", 0) == 0)
                w.beginTry("", std::atoi(what.c_str() + 2));
            else
                w.beginTry(what);
        } else if (op == "catch") {
            w.beginCatch();
        } else if (op == "finally") {
            w.beginFinally();
        } else if (op == "endtry") {
            w.endTry();
        } else if (op == "gotoframe") {
            w.gotoFrame(std::uint16_t(num(1)));
        } else if (op == "gotolabel") {
            w.goToLabel(str(1));
        } else if (op == "settarget") {
            w.setTarget(str(1));
        } else if (op == "storeregister") {
            w.storeRegister(std::uint8_t(num(1)));
        } else if (op == "geturl") {
            w.getUrl(str(1), str(2));
        } else if (op == "geturl2") {
            w.getUrl2(std::uint8_t(num(1)));
        } else if (op == "waitforframe") {
            w.waitForFrame(std::uint16_t(num(1)), std::uint8_t(num(2)));
        } else if (op == "waitforframe2") {
            w.waitForFrame2(std::uint8_t(num(1)));
        } else if (op == "gotoframe2") {
            w.gotoFrame2(num(1) != 0, std::uint16_t(num(2)));
        } else if (auto it = codes.find(op); it != codes.end() && std::uint8_t(it->second) < 0x80) {
            w.op(it->second);
        } else {
            return veskor::makeError("line " + std::to_string(lineNo) + ": unknown action " + t[0]);
        }
    }
    return w.bytes();
}

} // namespace swf::script::test
