#pragma once

// Little-endian values and bit fields into a growing byte buffer: the mirror
// of ByteReader. Bit fields are written most significant bit first; a byte
// write first pads any partly written byte with zero bits.

#include "swf/format/types.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <string>

namespace swf {

// Bits an unsigned field needs to hold `v`.
inline unsigned unsignedBits(std::uint32_t v)
{
    unsigned n = 0;
    while (v) {
        ++n;
        v >>= 1;
    }
    return n;
}

// Bits a signed field needs to hold `v` (0 for 0, as the format allows).
inline unsigned signedBits(std::int64_t v)
{
    if (v == 0)
        return 0;
    unsigned n = 1;
    while (v < -(std::int64_t(1) << (n - 1)) || v >= (std::int64_t(1) << (n - 1)))
        ++n;
    return n;
}

// Bit-field records hold at most 31 bits a value (a 5-bit width), colour
// transforms 15 (a 4-bit width); values past that are clamped, never wrapped.
inline std::int32_t clampBits(std::int64_t v, unsigned bits)
{
    const std::int64_t limit = std::int64_t(1) << (bits - 1);
    return static_cast<std::int32_t>(std::clamp(v, -limit, limit - 1));
}
inline std::int32_t toFixed16(double v) { return clampBits(std::llround(std::clamp(v, -1e6, 1e6) * 65536.0), 31); }
inline std::int32_t toFixed8(double v) { return static_cast<std::int32_t>(std::lround(std::clamp(v, -128.0, 127.99) * 256.0)); }

class ByteWriter {
public:
    const Bytes& bytes() const { return m_bytes; }
    Bytes take()
    {
        align();
        return std::move(m_bytes);
    }
    std::size_t size() const { return m_bytes.size(); }

    void u8(std::uint8_t v)
    {
        align();
        m_bytes.push_back(v);
    }
    void u16(std::uint16_t v)
    {
        u8(std::uint8_t(v));
        u8(std::uint8_t(v >> 8));
    }
    void u32(std::uint32_t v)
    {
        u16(std::uint16_t(v));
        u16(std::uint16_t(v >> 16));
    }
    void s16(std::int16_t v) { u16(static_cast<std::uint16_t>(v)); }
    void fixed8(double v) { s16(static_cast<std::int16_t>(toFixed8(v))); }
    void bytes(std::span<const std::uint8_t> data)
    {
        align();
        m_bytes.insert(m_bytes.end(), data.begin(), data.end());
    }
    // Zero-terminated.
    void string(const std::string& s)
    {
        align();
        m_bytes.insert(m_bytes.end(), s.begin(), s.end());
        m_bytes.push_back(0);
    }
    // Overwrites four bytes written earlier (lengths and offsets known later).
    void patchU32(std::size_t at, std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            m_bytes[at + i] = std::uint8_t(v >> (8 * i));
    }
    void patchU16(std::size_t at, std::uint16_t v)
    {
        m_bytes[at] = std::uint8_t(v);
        m_bytes[at + 1] = std::uint8_t(v >> 8);
    }

    void ub(unsigned bits, std::uint32_t v)
    {
        for (unsigned i = bits; i-- > 0;) {
            if (m_bitsUsed == 0)
                m_bytes.push_back(0);
            if ((v >> i) & 1u)
                m_bytes.back() |= std::uint8_t(0x80u >> m_bitsUsed);
            m_bitsUsed = (m_bitsUsed + 1) % 8;
        }
    }
    void sb(unsigned bits, std::int32_t v) { ub(bits, static_cast<std::uint32_t>(v)); }
    void flag(bool v) { ub(1, v ? 1 : 0); }
    void align() { m_bitsUsed = 0; }

    void rgb(Rgba c)
    {
        u8(c.r);
        u8(c.g);
        u8(c.b);
    }
    void rgba(Rgba c)
    {
        rgb(c);
        u8(c.a);
    }
    void rect(const Rect& r)
    {
        align();
        const std::int32_t v[4] = {clampBits(r.xMin.get(), 31), clampBits(r.xMax.get(), 31),
                                   clampBits(r.yMin.get(), 31), clampBits(r.yMax.get(), 31)};
        unsigned n = 0;
        for (std::int32_t x : v)
            n = std::max(n, signedBits(x));
        ub(5, n);
        for (std::int32_t x : v)
            sb(n, x);
        align();
    }
    void matrix(const Matrix& m)
    {
        align();
        const bool hasScale = m.scaleX != 1.0 || m.scaleY != 1.0;
        flag(hasScale);
        if (hasScale) {
            const std::int32_t sx = toFixed16(m.scaleX), sy = toFixed16(m.scaleY);
            const unsigned n = std::max(signedBits(sx), signedBits(sy));
            ub(5, n);
            sb(n, sx);
            sb(n, sy);
        }
        const bool hasRotate = m.rotateSkew0 != 0.0 || m.rotateSkew1 != 0.0;
        flag(hasRotate);
        if (hasRotate) {
            const std::int32_t r0 = toFixed16(m.rotateSkew0), r1 = toFixed16(m.rotateSkew1);
            const unsigned n = std::max(signedBits(r0), signedBits(r1));
            ub(5, n);
            sb(n, r0);
            sb(n, r1);
        }
        const std::int32_t tx = clampBits(m.translateX.get(), 31), ty = clampBits(m.translateY.get(), 31);
        const unsigned n = std::max(signedBits(tx), signedBits(ty));
        ub(5, n);
        sb(n, tx);
        sb(n, ty);
        align();
    }
    void colorTransform(const ColorTransform& t, bool withAlpha)
    {
        align();
        auto fixed = [](double v) { return clampBits(std::llround(std::clamp(v, -128.0, 128.0) * 256.0), 15); };
        auto whole = [](double v) { return clampBits(std::llround(std::clamp(v, -32768.0, 32768.0)), 15); };
        const std::int32_t mult[4] = {fixed(t.rMult), fixed(t.gMult), fixed(t.bMult), fixed(t.aMult)};
        const std::int32_t add[4] = {whole(t.rAdd), whole(t.gAdd), whole(t.bAdd), whole(t.aAdd)};
        const int channels = withAlpha ? 4 : 3;
        bool hasMult = false, hasAdd = false;
        unsigned n = 0;
        for (int i = 0; i < channels; ++i) {
            hasMult = hasMult || mult[i] != 256;
            hasAdd = hasAdd || add[i] != 0;
        }
        for (int i = 0; i < channels; ++i) {
            if (hasMult)
                n = std::max(n, signedBits(mult[i]));
            if (hasAdd)
                n = std::max(n, signedBits(add[i]));
        }
        flag(hasAdd);
        flag(hasMult);
        ub(4, n);
        if (hasMult)
            for (int i = 0; i < channels; ++i)
                sb(n, mult[i]);
        if (hasAdd)
            for (int i = 0; i < channels; ++i)
                sb(n, add[i]);
        align();
    }

private:
    Bytes m_bytes;
    unsigned m_bitsUsed = 0;
};

} // namespace swf
