#pragma once

// The pixels of a flash.display.BitmapData. The player keeps them with
// premultiplied alpha, so a colour read back from a translucent pixel is
// the one its stored channels round to, not always the one written.

#include "swf/movie/live_bitmap.h"
#include "swf/script/native_extension.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace swf::script {

class BitmapPixels final : public HoldingExtension {
public:
    BitmapPixels(int width, int height, bool transparent, std::uint32_t fill);

    std::size_t heldBytes() const override { return m_data->pixels.size() * sizeof(std::uint32_t); }

    int width() const { return m_data->width; }
    int height() const { return m_data->height; }
    bool transparent() const { return m_data->transparent; }
    bool disposed() const { return m_disposed; }
    // Frees the pixels; every method of a disposed bitmap fails from then on.
    void dispose();
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width() && y < height(); }

    // 0xAARRGGBB without premultiplication; (x, y) must be inside.
    std::uint32_t get(int x, int y) const { return read(m_data->pixels[index(x, y)]); }
    void set(int x, int y, std::uint32_t argb) { m_data->pixels[index(x, y)] = store(argb); }
    // The stored, premultiplied value.
    std::uint32_t raw(int x, int y) const { return m_data->pixels[index(x, y)]; }
    void setRaw(int x, int y, std::uint32_t premultiplied) { m_data->pixels[index(x, y)] = premultiplied; }
    const std::vector<std::uint32_t>& pixels() const { return m_data->pixels; }
    // Bumped on every change, for the renderer's cached pictures.
    std::uint64_t generation() const { return m_data->generation; }
    void touch() { ++m_data->generation; }
    // The pixels as drawings show them.
    std::shared_ptr<const movie::LiveBitmap> shared() const { return m_data; }

    // What storing `argb` keeps, and what a stored value reads as. Opaque
    // bitmaps keep the bits as given and read them at full alpha; searches
    // of the stored values (getColorBoundsRect) can tell.
    std::uint32_t store(std::uint32_t argb) const { return transparent() ? premultiply(argb) : argb; }
    std::uint32_t read(std::uint32_t stored) const { return transparent() ? unpremultiply(stored) : (stored | 0xFF000000u); }
    static std::uint32_t premultiply(std::uint32_t argb);
    static std::uint32_t unpremultiply(std::uint32_t premultiplied);

private:
    std::size_t index(int x, int y) const { return std::size_t(y) * std::size_t(width()) + std::size_t(x); }

    std::shared_ptr<movie::LiveBitmap> m_data = std::make_shared<movie::LiveBitmap>();
    bool m_disposed = false;
};

// The pixels behind a BitmapData object, or nullptr.
inline BitmapPixels* bitmapOf(const Object* o) { return o ? dynamic_cast<BitmapPixels*>(o->extension()) : nullptr; }

} // namespace swf::script
