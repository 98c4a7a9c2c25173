#pragma once

// The pixels of a flash.display.BitmapData. The player keeps them with
// premultiplied alpha, so a colour read back from a translucent pixel is
// the one its stored channels round to, not always the one written.

#include "swf/script/native_extension.h"

#include <cstdint>
#include <vector>

namespace swf::script {

class BitmapPixels final : public HoldingExtension {
public:
    BitmapPixels(int width, int height, bool transparent, std::uint32_t fill);

    std::size_t heldBytes() const override { return m_pixels.size() * sizeof(std::uint32_t); }

    int width() const { return m_width; }
    int height() const { return m_height; }
    bool transparent() const { return m_transparent; }
    bool disposed() const { return m_disposed; }
    // Frees the pixels; every method of a disposed bitmap fails from then on.
    void dispose();
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < m_width && y < m_height; }

    // 0xAARRGGBB without premultiplication; (x, y) must be inside.
    std::uint32_t get(int x, int y) const { return read(m_pixels[index(x, y)]); }
    void set(int x, int y, std::uint32_t argb) { m_pixels[index(x, y)] = store(argb); }
    // The stored, premultiplied value.
    std::uint32_t raw(int x, int y) const { return m_pixels[index(x, y)]; }
    void setRaw(int x, int y, std::uint32_t premultiplied) { m_pixels[index(x, y)] = premultiplied; }
    const std::vector<std::uint32_t>& pixels() const { return m_pixels; }
    // Bumped on every change, for the renderer's cached pictures.
    std::uint64_t generation() const { return m_generation; }
    void touch() { ++m_generation; }

    // What storing `argb` keeps, and what a stored value reads as. Opaque
    // bitmaps keep the bits as given and read them at full alpha; searches
    // of the stored values (getColorBoundsRect) can tell.
    std::uint32_t store(std::uint32_t argb) const { return m_transparent ? premultiply(argb) : argb; }
    std::uint32_t read(std::uint32_t stored) const { return m_transparent ? unpremultiply(stored) : (stored | 0xFF000000u); }
    static std::uint32_t premultiply(std::uint32_t argb);
    static std::uint32_t unpremultiply(std::uint32_t premultiplied);

private:
    std::size_t index(int x, int y) const { return std::size_t(y) * std::size_t(m_width) + std::size_t(x); }

    int m_width;
    int m_height;
    bool m_transparent;
    bool m_disposed = false;
    std::uint64_t m_generation = 0;
    std::vector<std::uint32_t> m_pixels;
};

// The pixels behind a BitmapData object, or nullptr.
inline BitmapPixels* bitmapOf(const Object* o) { return o ? dynamic_cast<BitmapPixels*>(o->extension()) : nullptr; }

} // namespace swf::script
