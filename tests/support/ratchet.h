#pragma once

// Corpus tests' helpers. A corpus ratchet: the list of movies that pass, kept in a file beside the
// test. A movie on the list that fails now is a regression, whatever else got
// better; a movie that passes and is not on the list is news, printed so that
// the list can take it (VESKOR_RATCHET_UPDATE=1 rewrites the list).

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace veskor::test {

struct RatchetResult {
    std::vector<std::string> lost;   // on the list, failing now
    std::vector<std::string> gained; // passing, not on the list
};

// Compares `passing` with the list in `record` (one name per line; a missing
// file is an empty list) and prints what changed under `title`. When only a
// sample of the corpus ran, `ran` names it: listed movies outside it are not
// missed, and the list is never rewritten.
RatchetResult checkRatchet(const std::filesystem::path& record, const std::set<std::string>& passing,
                           const std::string& title, const std::set<std::string>* ran = nullptr);

// Whether the movie at `index` of a corpus in its sorted order runs: all of
// them, or every Nth with VESKOR_CORPUS_STRIDE=N (the sanitizer build samples
// the corpora, which are slow there).
bool sampled(std::size_t index);
bool sampling();

// A whole file as bytes; empty when it cannot be read.
std::string readText(const std::filesystem::path& path);

} // namespace veskor::test
