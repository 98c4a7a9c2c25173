// Runs the trace corpus movies whose every script is a DoAction of the
// root's first frame (no clips, buttons or later frames involved) and
// compares their trace output with the original player's, byte for byte.
// The movies that match are listed beside this test
// (first_frame_corpus.passing): none of them may fail.

#include "support/ratchet.h"
#include "support/test_host.h"

#include "swf/format/imports.h"
#include "swf/format/reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>

using namespace swf::script;
namespace fs = std::filesystem;

namespace {

// The DoAction blocks of the first frame, or nothing when the movie does
// anything a standalone machine cannot (clips, buttons, later scripts).
bool firstFrameScripts(const swf::Movie& movie, std::vector<const swf::Bytes*>& scripts)
{
    bool firstFrame = true;
    for (const swf::Tag& tag : movie.tags) {
        if (std::holds_alternative<swf::ShowFrame>(tag)) {
            firstFrame = false;
        } else if (const auto* action = std::get_if<swf::DoAction>(&tag)) {
            if (!firstFrame)
                return false;
            scripts.push_back(&action->actions);
        } else if (std::holds_alternative<swf::DefineSprite>(tag) || std::holds_alternative<swf::DefineButton>(tag)
                   || std::holds_alternative<swf::DoInitAction>(tag) || std::holds_alternative<swf::PlaceObject>(tag)) {
            return false;
        } else if (const auto* unknown = std::get_if<swf::UnknownTag>(&tag)) {
            // Exports, imports, button records the reader keeps raw: clips are involved.
            if (unknown->code == 56 || unknown->code == 57 || unknown->code == 71 || unknown->code == 34 || unknown->code == 7)
                return false;
        }
    }
    return !scripts.empty();
}

} // namespace

TEST(FirstFrameCorpus, TraceOutputMatchesTheOriginalPlayer)
{
    const fs::path dir = "../shared/testdata/swf-trace";
    if (!fs::exists(dir))
        GTEST_SKIP() << "no trace corpus at " << dir;
    std::vector<fs::path> movies;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() == ".swf")
            movies.push_back(entry.path());
    }
    std::sort(movies.begin(), movies.end());
    // VESKOR_TRACE_FILTER=name runs only movies whose name contains it and prints both outputs.
    const char* filter = std::getenv("VESKOR_TRACE_FILTER");
    int candidates = 0, matches = 0;
    std::set<std::string> passing, ran;
    for (std::size_t index = 0; index < movies.size(); ++index) {
        const fs::path& path = movies[index];
        if (!veskor::test::sampled(index))
            continue;
        ran.insert(path.filename().string());
        if (filter && path.filename().string().find(filter) == std::string::npos)
            continue;
        auto movie = swf::loadMovie(path);
        if (!movie.ok())
            continue;
        std::vector<const swf::Bytes*> scripts;
        if (!firstFrameScripts(*movie, scripts))
            continue;
        ++candidates;
        test::Machine m(movie->header.version);
        m.host.zoneMinutes = 0; // the reference output was recorded in UTC
        for (const swf::Bytes* bytes : scripts)
            (void)m.vm->runBytes(*bytes, m.host.rootClip);
        // Collecting between frames must not change what the scripts see.
        m.vm->collectGarbage();
        m.vm->runTimers();
        std::string out;
        for (const std::string& line : m.host.lines)
            out += line + "\n";
        const std::string expected = veskor::test::readText(path.string() + ".trace");
        const bool match = out == expected;
        matches += match;
        if (match)
            passing.insert(path.filename().string());
        std::cout << (match ? "PASS " : "FAIL ") << path.filename().string() << "\n";
        if (filter && !match)
            std::cout << "=== got\n" << out << "=== expected\n" << expected << "=== end\n";
    }
    std::cout << matches << " of " << candidates << " first-frame-only movies match exactly\n";
    if (!filter) {
        EXPECT_TRUE(veskor::test::checkRatchet("tests/swf/script/first_frame_corpus.passing", passing, "matching",
                                               veskor::test::sampling() ? &ran : nullptr)
                        .lost.empty());
    }
}
