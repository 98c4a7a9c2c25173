#pragma once

// Walks a tag stream (the top level of a movie or a sprite's body) tag by tag
// without decoding bodies: each tag's code and its body bytes, bounded by the
// length the tag declares and by the data actually there.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace swf {

struct RawTag {
    std::uint16_t code = 0;
    std::span<const std::uint8_t> body;
    std::size_t offset = 0; // of the tag header within the stream
};

class TagStream {
public:
    explicit TagStream(std::span<const std::uint8_t> data) : m_data(data) {}

    // The next tag, or nothing at the end of the data or when the next tag's
    // header or body runs past the data (then truncated() is true).
    std::optional<RawTag> next()
    {
        if (m_pos >= m_data.size())
            return std::nullopt;
        const std::size_t start = m_pos;
        if (m_data.size() - m_pos < 2)
            return cut();
        const std::uint16_t codeAndLength = std::uint16_t(m_data[m_pos] | (m_data[m_pos + 1] << 8));
        m_pos += 2;
        std::size_t length = codeAndLength & 0x3F;
        if (length == 0x3F) {
            if (m_data.size() - m_pos < 4)
                return cut();
            length = std::size_t(m_data[m_pos]) | (std::size_t(m_data[m_pos + 1]) << 8)
                | (std::size_t(m_data[m_pos + 2]) << 16) | (std::size_t(m_data[m_pos + 3]) << 24);
            m_pos += 4;
        }
        if (m_data.size() - m_pos < length)
            return cut();
        RawTag tag{std::uint16_t(codeAndLength >> 6), m_data.subspan(m_pos, length), start};
        m_pos += length;
        return tag;
    }

    bool truncated() const { return m_truncated; }
    std::size_t position() const { return m_pos; }

private:
    std::optional<RawTag> cut()
    {
        m_truncated = true;
        m_pos = m_data.size();
        return std::nullopt;
    }

    std::span<const std::uint8_t> m_data;
    std::size_t m_pos = 0;
    bool m_truncated = false;
};

} // namespace swf
