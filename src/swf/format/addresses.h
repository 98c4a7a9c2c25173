#pragma once

// The files a movie names by address (imports, loaded movies, pictures, text):
// the original player read a relative address against the folder of the movie
// that asks. A movie played here may reach only the folder of the movie that
// was opened and what lies below it; everything else is refused.

#include <filesystem>
#include <optional>
#include <string>

namespace swf {

// The regular file `address` names, asked for by a movie in `folder`: a
// relative address (a query or fragment is dropped, backslashes are folder
// separators), an absolute path or a file: address. Honoured only when the
// file lies inside `root` once links and ".." are followed; the web, other
// schemes and everything outside give nothing.
std::optional<std::filesystem::path> resolveAddress(const std::string& address, const std::filesystem::path& folder,
                                                    const std::filesystem::path& root);

// Whether `path` is `folder` or lies below it (both already canonical).
bool isInside(const std::filesystem::path& path, const std::filesystem::path& folder);

} // namespace swf
