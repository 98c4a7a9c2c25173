#include "support/ratchet.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace veskor::test {

namespace {

std::size_t stride()
{
    const char* value = std::getenv("VESKOR_CORPUS_STRIDE");
    const long n = value ? std::strtol(value, nullptr, 10) : 1;
    return n > 1 ? std::size_t(n) : 1;
}

} // namespace

bool sampled(std::size_t index) { return index % stride() == 0; }

bool sampling() { return stride() > 1; }

RatchetResult checkRatchet(const std::filesystem::path& record, const std::set<std::string>& passing,
                           const std::string& title, const std::set<std::string>* ran)
{
    std::set<std::string> listed;
    {
        std::ifstream in(record);
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (!line.empty() && line[0] != '#')
                listed.insert(line);
        }
    }
    RatchetResult result;
    for (const std::string& name : listed) {
        if (!passing.contains(name) && (!ran || ran->contains(name)))
            result.lost.push_back(name);
    }
    for (const std::string& name : passing) {
        if (!listed.contains(name))
            result.gained.push_back(name);
    }
    std::printf("%s: %zu pass (%zu on the list, %zu lost, %zu new)%s\n", title.c_str(), passing.size(), listed.size(),
                result.lost.size(), result.gained.size(), ran ? ", a sample" : "");
    for (const std::string& name : result.lost)
        std::printf("  lost: %s\n", name.c_str());
    for (const std::string& name : result.gained)
        std::printf("  new:  %s\n", name.c_str());
    if (const char* update = std::getenv("VESKOR_RATCHET_UPDATE"); update && *update == '1' && !ran) {
        std::ofstream out(record, std::ios::trunc);
        for (const std::string& name : passing)
            out << name << '\n';
        std::printf("  %s rewritten\n", record.string().c_str());
    }
    return result;
}

std::string readText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace veskor::test
