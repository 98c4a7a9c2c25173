#pragma once

// Movies that borrow characters from other movies (ImportAssets, a shared
// library). The borrowed characters are copied in when the movie is loaded,
// so that everything above this layer sees one self-contained movie.

#include "common/result.h"
#include "swf/format/records.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace swf {

// The characters an ExportAssets tag names, as (id, name); none for other tags.
std::vector<std::pair<std::uint16_t, std::string>> exportedAssets(const Tag& tag);

// The movie an import names by its address, or nothing when it cannot or may
// not be read: the borrowed characters then stay undefined, as in the original
// player when the library is missing.
using LenderSource = std::function<std::optional<Movie>(const std::string& address)>;

// Replaces each ImportAssets tag with the lender's definitions of the characters
// it names, under the ids the importing movie gives them, together with what
// they need (shapes, bitmaps, fonts, sounds, init actions, nested sprites)
// under ids the importing movie leaves free. The borrowed names become export
// names of the importing movie.
void inlineImports(Movie& movie, const LenderSource& lenders);

// inlineImports for a movie read from `folder`: its lenders are read from
// `root` or below it only, under the same rules as loadMovie's.
void inlineImportsWithin(Movie& movie, const std::filesystem::path& folder, const std::filesystem::path& root);

// Reads a movie file together with the movies it imports from. An import is
// read only from the movie's own folder or below it, after links and ".." are
// followed; addresses elsewhere, or of another scheme than file:, are refused.
veskor::Result<Movie> loadMovie(const std::filesystem::path& path);

} // namespace swf
