#include "test_host.h"

#include "support/assembler.h"

#include <algorithm>
#include <cctype>

namespace swf::script::test {

void TestHost::gotoFrame(Object*, int frame, bool play)
{
    calls.push_back("goto " + std::to_string(frame) + (play ? " play" : " stop"));
}

bool TestHost::gotoLabel(Object*, const std::string& label, bool play)
{
    calls.push_back("label " + label + (play ? " play" : " stop"));
    return true;
}

void TestHost::setProperty(Object*, int index, const Value& value)
{
    calls.push_back("set " + std::to_string(index) + " " + primitiveToString(value, 7));
}

void TestHost::getUrl(Object*, const std::string& url, const std::string& window, int method, bool, bool)
{
    calls.push_back("url " + url + " " + window + " " + std::to_string(method));
    std::string lowered = url;
    std::transform(lowered.begin(), lowered.end(), lowered.begin(), [](unsigned char c) { return std::tolower(c); });
    quit = quit || lowered == "fscommand:quit";
}

std::string TestHost::output() const
{
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i)
            out += '\n';
        out += lines[i];
    }
    return out;
}

Machine::Machine(int swfVersion, Limits limits)
{
    vm = std::make_unique<Interpreter>(host, swfVersion, limits);
    host.rootClip = vm->newObject();
    host.rootClip->setObjectClass(ObjectClass::Clip);
}

std::string Machine::run(const std::string& source)
{
    auto bytes = assemble(source);
    if (!bytes.ok())
        return "ASSEMBLY ERROR: " + bytes.error().message;
    host.lines.clear();
    auto result = vm->runBytes(*bytes, host.rootClip);
    if (!result.ok())
        return "DECODE ERROR: " + result.error().message;
    return host.output();
}

} // namespace swf::script::test
