#pragma once

// Pictures of drawn characters kept from frame to frame: a shape, text or
// field drawn again with the same content, colour and transform (its
// translation aside, by whole pixels) is copied from its picture instead of
// being filled and stroked anew. Keys name everything that decides the
// pixels (the renderer makes them); a change of content makes a new key, and
// the old picture ages out. Shared by the renderers of the threads that draw
// one movie, so every call is safe from any thread.

#include "swf/render/limits.h"

#include <QImage>
#include <QPoint>

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace swf::render {

class RasterCache {
public:
    struct Picture {
        QImage image;  // Format_ARGB32_Premultiplied
        QPoint offset; // where its top left goes, from the drawing's whole-pixel origin
        // What the key names by address, kept alive with the picture so that
        // the address cannot come back for something else.
        std::shared_ptr<const void> keep;
    };

    explicit RasterCache(std::int64_t budget = kMaxRasterCacheBytes) : m_budget(budget) {}

    // The picture kept under `key`, or null. A miss is remembered, so that
    // wanted() can tell a drawing that comes back from one seen once.
    std::shared_ptr<const Picture> find(std::uint64_t key);
    // Whether a picture is worth making for `key`: it was asked for before.
    // Something drawn once (an object moving by fractions of a pixel) is
    // drawn directly and costs no picture.
    bool wanted(std::uint64_t key) const;
    // Keeps `picture` under `key`; past the budget the least recently used
    // pictures go first. A picture larger than the budget is not kept.
    void insert(std::uint64_t key, std::shared_ptr<const Picture> picture);

    std::int64_t bytes() const;
    std::size_t size() const;
    void clear();

private:
    struct Entry {
        std::shared_ptr<const Picture> picture;
        std::int64_t bytes = 0;
        std::uint64_t lastUse = 0;
    };
    void evict(); // with the lock held

    const std::int64_t m_budget;
    mutable std::mutex m_mutex;
    std::unordered_map<std::uint64_t, Entry> m_entries;
    std::unordered_map<std::uint64_t, std::uint64_t> m_missed; // key, when
    std::int64_t m_bytes = 0;
    std::uint64_t m_uses = 0;
};

} // namespace swf::render
