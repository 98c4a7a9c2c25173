// Plays every movie of the trace corpus as veskor-trace does and compares
// what its scripts trace with the original player's output, byte for byte.
// The movies that match are listed beside this test (trace_corpus.passing):
// none of them may fail.
//
// VESKOR_TRACE_FILTER=name runs only movies whose name contains it and
// prints both outputs of each that differs.

#include "support/ratchet.h"
#include "swf/format/imports.h"
#include "swf/format/reader.h"
#include "swf/runtime/trace_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

TEST(TraceCorpus, TraceOutputMatchesTheOriginalPlayer)
{
    const fs::path dir = "../shared/testdata/swf-trace";
    if (!fs::exists(dir))
        GTEST_SKIP() << "no trace corpus at " << dir;
    // The reference output was recorded in UTC.
    setenv("TZ", "UTC", 1);
    tzset();
    std::vector<fs::path> movies;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() == ".swf")
            movies.push_back(entry.path());
    }
    std::sort(movies.begin(), movies.end());
    const char* filter = std::getenv("VESKOR_TRACE_FILTER");
    int total = 0, matches = 0;
    std::set<std::string> passing;
    std::set<std::string> ran;
    for (std::size_t index = 0; index < movies.size(); ++index) {
        const fs::path& path = movies[index];
        if (!veskor::test::sampled(index))
            continue;
        ran.insert(path.filename().string());
        if (filter && path.filename().string().find(filter) == std::string::npos)
            continue;
        ++total;
        auto movie = swf::loadMovie(path);
        const std::string out = movie.ok() ? swf::runtime::traceMovie(*movie, {.moviePath = path}).output : std::string();
        const std::string expected = veskor::test::readText(path.string() + ".trace");
        const bool match = out == expected;
        matches += match;
        if (match)
            passing.insert(path.filename().string());
        std::cout << (match ? "PASS " : "FAIL ") << path.filename().string() << "\n";
        if (filter && !match)
            std::cout << "=== got\n" << out << "=== expected\n" << expected << "=== end\n";
    }
    std::cout << matches << " of " << total << " movies trace exactly as in the original player\n";
    if (!filter) {
        EXPECT_TRUE(veskor::test::checkRatchet("tests/swf/trace_corpus.passing", passing, "matching",
                                               veskor::test::sampling() ? &ran : nullptr).lost.empty());
    }
}
