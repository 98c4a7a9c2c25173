#pragma once

// Bounds-checked reading of little-endian values and bit fields.
//
// Every read checks the bytes left; a read past the end returns zero and sets
// a sticky failure flag, so record parsers read a whole record and check
// failed() once, and a bad length from the file can never move the cursor
// outside the buffer. Byte reads first drop any partly read byte, as the
// format's bit fields are byte-aligned before every byte-sized field.

#include "swf/format/types.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace swf {

class ByteReader {
public:
    ByteReader() = default;
    // `budget`, when given, is the memory the records decoded from this data
    // (and from readers made with sub()) may still take; see charge().
    explicit ByteReader(std::span<const std::uint8_t> data, std::size_t* budget = nullptr)
        : m_data(data), m_budget(budget)
    {
    }

    // A reader over other bytes that shares this reader's memory budget.
    ByteReader sub(std::span<const std::uint8_t> data) const { return ByteReader(data, m_budget); }

    // Accounts for `bytes` of decoded records. Records can be far larger than
    // the bits they come from, so every loop that decodes a count from the
    // file charges what it builds; past the budget the reader fails.
    bool charge(std::size_t bytes)
    {
        if (!m_budget)
            return !m_failed;
        if (*m_budget < bytes) {
            *m_budget = 0;
            m_failed = true;
            return false;
        }
        *m_budget -= bytes;
        return !m_failed;
    }

    bool failed() const { return m_failed; }
    void fail() { m_failed = true; }
    std::size_t position() const { return m_pos; }
    std::size_t remaining() const { return m_failed ? 0 : m_data.size() - m_pos; }
    bool atEnd() const { return remaining() == 0; }

    std::uint8_t u8()
    {
        align();
        if (!need(1))
            return 0;
        return m_data[m_pos++];
    }
    std::uint16_t u16()
    {
        align();
        if (!need(2))
            return 0;
        const std::uint16_t v = std::uint16_t(m_data[m_pos] | (m_data[m_pos + 1] << 8));
        m_pos += 2;
        return v;
    }
    std::uint32_t u32()
    {
        align();
        if (!need(4))
            return 0;
        const std::uint32_t v = std::uint32_t(m_data[m_pos]) | (std::uint32_t(m_data[m_pos + 1]) << 8)
            | (std::uint32_t(m_data[m_pos + 2]) << 16) | (std::uint32_t(m_data[m_pos + 3]) << 24);
        m_pos += 4;
        return v;
    }
    std::int16_t s16() { return static_cast<std::int16_t>(u16()); }
    std::int32_t s32() { return static_cast<std::int32_t>(u32()); }
    // 8.8 signed fixed point.
    double fixed8() { return s16() / 256.0; }

    // Variable-length unsigned 32 (1 to 5 bytes, 7 bits each).
    std::uint32_t encodedU32()
    {
        std::uint32_t v = 0;
        for (int i = 0; i < 5; ++i) {
            const std::uint8_t b = u8();
            v |= std::uint32_t(b & 0x7F) << (7 * i);
            if (!(b & 0x80))
                break;
        }
        return v;
    }

    // A zero-terminated string without its zero; a string that runs to the end
    // of the data without a zero fails.
    std::string string()
    {
        align();
        if (m_failed)
            return {};
        std::size_t end = m_pos;
        while (end < m_data.size() && m_data[end] != 0)
            ++end;
        if (end == m_data.size()) {
            m_failed = true;
            return {};
        }
        std::string s(reinterpret_cast<const char*>(m_data.data() + m_pos), end - m_pos);
        m_pos = end + 1;
        return s;
    }
    // A string of exactly n bytes (a trailing zero, if any, is dropped).
    std::string fixedString(std::size_t n)
    {
        const auto bytes = take(n);
        std::size_t len = bytes.size();
        while (len > 0 && bytes[len - 1] == 0)
            --len;
        return std::string(reinterpret_cast<const char*>(bytes.data()), len);
    }

    std::span<const std::uint8_t> take(std::size_t n)
    {
        align();
        if (!need(n))
            return {};
        auto s = m_data.subspan(m_pos, n);
        m_pos += n;
        return s;
    }
    std::span<const std::uint8_t> rest() { return take(remaining()); }
    void skip(std::size_t n) { take(n); }

    // ---- bit fields (most significant bit first)
    std::uint32_t ub(unsigned bits)
    {
        if (bits > 32) {
            m_failed = true;
            return 0;
        }
        std::uint32_t v = 0;
        for (unsigned i = 0; i < bits; ++i) {
            if (m_bitsLeft == 0) {
                if (!need(1))
                    return 0;
                m_bitBuffer = m_data[m_pos++];
                m_bitsLeft = 8;
            }
            --m_bitsLeft;
            v = (v << 1) | ((m_bitBuffer >> m_bitsLeft) & 1u);
        }
        return v;
    }
    std::int32_t sb(unsigned bits)
    {
        const std::uint32_t v = ub(bits);
        if (bits == 0 || bits >= 32)
            return static_cast<std::int32_t>(v);
        const std::uint32_t sign = 1u << (bits - 1);
        return static_cast<std::int32_t>((v ^ sign) - sign);
    }
    // 16.16 fixed point in `bits` bits.
    double fb(unsigned bits) { return sb(bits) / 65536.0; }
    bool flag() { return ub(1) != 0; }
    void align() { m_bitsLeft = 0; }

    // ---- common records
    Rgba rgb()
    {
        Rgba c;
        c.r = u8();
        c.g = u8();
        c.b = u8();
        return c;
    }
    Rgba rgba()
    {
        Rgba c = rgb();
        c.a = u8();
        return c;
    }
    Rgba argb()
    {
        Rgba c;
        c.a = u8();
        c.r = u8();
        c.g = u8();
        c.b = u8();
        return c;
    }
    Rect rect()
    {
        align();
        const unsigned n = ub(5);
        Rect r;
        r.xMin = Twips(sb(n));
        r.xMax = Twips(sb(n));
        r.yMin = Twips(sb(n));
        r.yMax = Twips(sb(n));
        align();
        return r;
    }
    Matrix matrix()
    {
        align();
        Matrix m;
        if (flag()) {
            const unsigned n = ub(5);
            m.scaleX = fb(n);
            m.scaleY = fb(n);
        }
        if (flag()) {
            const unsigned n = ub(5);
            m.rotateSkew0 = fb(n);
            m.rotateSkew1 = fb(n);
        }
        const unsigned n = ub(5);
        m.translateX = Twips(sb(n));
        m.translateY = Twips(sb(n));
        align();
        return m;
    }
    // CXFORM (withAlpha false) or CXFORMWITHALPHA.
    ColorTransform colorTransform(bool withAlpha)
    {
        align();
        ColorTransform t;
        const bool hasAdd = flag();
        const bool hasMult = flag();
        const unsigned n = ub(4);
        if (hasMult) {
            t.rMult = sb(n) / 256.0;
            t.gMult = sb(n) / 256.0;
            t.bMult = sb(n) / 256.0;
            if (withAlpha)
                t.aMult = sb(n) / 256.0;
        }
        if (hasAdd) {
            t.rAdd = sb(n);
            t.gAdd = sb(n);
            t.bAdd = sb(n);
            if (withAlpha)
                t.aAdd = sb(n);
        }
        align();
        return t;
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
    std::size_t* m_budget = nullptr;
    std::size_t m_pos = 0;
    std::uint8_t m_bitBuffer = 0;
    unsigned m_bitsLeft = 0;
    bool m_failed = false;
};

} // namespace swf
