#pragma once

// What a playing movie may read from disk. The folder of the movie that was
// opened bounds everything: a movie loaded from it reads relative addresses
// against its own folder, and nothing outside the opened movie's folder (after
// links and "..") is ever read. Nothing is ever written, and the web is never
// reached: such addresses fail as an unreachable server did.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace swf::runtime {

// The largest file a movie may load (a movie, a picture, a text).
inline constexpr std::uintmax_t kMaxLoadedFileSize = 64u * 1024 * 1024;

class FileAccess {
public:
    // Reads nothing: a movie that came from no file.
    FileAccess() = default;
    // `openedMovie`: the movie file the user opened; its folder is the bound.
    // `address`: what the movie is known by (_url), when not its file's own
    // address; what it loads is then known by addresses beside that one.
    explicit FileAccess(const std::filesystem::path& openedMovie, const std::string& address = {});

    // The file `address` names for a movie in `folder`, when it may be read.
    std::optional<std::filesystem::path> resolve(const std::string& address, const std::filesystem::path& folder) const;
    // Its bytes; nothing when it may not or cannot be read, or is too large.
    std::optional<std::vector<std::uint8_t>> read(const std::filesystem::path& file) const;

    // The folder relative addresses of the opened movie start from.
    const std::filesystem::path& folder() const { return m_root; }
    // The opened movie's address, as _url reports it ("file:///...").
    const std::string& url() const { return m_url; }
    // The address of a file read through resolve().
    std::string urlOf(const std::filesystem::path& file) const;
    // The address a movie in `folder` asked for, whether or not it may or
    // can be read: a relative one joined to the folder's.
    std::string requestedUrl(const std::string& address, const std::filesystem::path& folder) const;

private:
    std::filesystem::path m_root;
    std::string m_url;
    std::string m_base; // the folder part of an address given for the movie, with its last '/'; empty: none given
};

// A file's address as _url reports it.
std::string fileUrl(const std::filesystem::path& file);

} // namespace swf::runtime
