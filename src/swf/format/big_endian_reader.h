#pragma once

// Bounds-checked reading of big-endian values, as FLV and AMF0 store them:
// a read past the end gives zero and fails the reader for good.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace swf {

class BigEndianReader {
public:
    explicit BigEndianReader(std::span<const std::uint8_t> data) : m_data(data) {}

    bool failed() const { return m_failed; }
    void fail() { m_failed = true; }
    std::size_t remaining() const { return m_failed ? 0 : m_data.size() - m_pos; }
    std::size_t position() const { return m_pos; }

    std::uint32_t be(int bytes)
    {
        if (!need(std::size_t(bytes)))
            return 0;
        std::uint32_t v = 0;
        for (int i = 0; i < bytes; ++i)
            v = (v << 8) | m_data[m_pos++];
        return v;
    }
    std::uint8_t u8() { return std::uint8_t(be(1)); }
    double number()
    {
        if (!need(8))
            return 0;
        std::uint64_t bits = 0;
        for (int i = 0; i < 8; ++i)
            bits = (bits << 8) | m_data[m_pos++];
        return std::bit_cast<double>(bits);
    }
    std::span<const std::uint8_t> take(std::size_t n)
    {
        if (!need(n))
            return {};
        auto out = m_data.subspan(m_pos, n);
        m_pos += n;
        return out;
    }
    std::string string(std::size_t n)
    {
        const auto bytes = take(n);
        return std::string(bytes.begin(), bytes.end());
    }

private:
    bool need(std::size_t n)
    {
        if (m_failed || m_data.size() - m_pos < n) {
            m_failed = true;
            return false;
        }
        return true;
    }

    std::span<const std::uint8_t> m_data;
    std::size_t m_pos = 0;
    bool m_failed = false;
};

} // namespace swf
