#include "swf/render/raster_cache.h"

#include <algorithm>
#include <vector>

namespace swf::render {

namespace {

// Misses remembered at once; past this many the oldest half is forgotten.
constexpr std::size_t kMaxMisses = 16384;

} // namespace

std::shared_ptr<const RasterCache::Picture> RasterCache::find(std::uint64_t key)
{
    const std::lock_guard lock(m_mutex);
    ++m_uses;
    if (const auto found = m_entries.find(key); found != m_entries.end()) {
        found->second.lastUse = m_uses;
        return found->second.picture;
    }
    if (m_missed.size() >= kMaxMisses) {
        const std::uint64_t before = m_uses - kMaxMisses / 2;
        std::erase_if(m_missed, [before](const auto& miss) { return miss.second < before; });
        if (m_missed.size() >= kMaxMisses)
            m_missed.clear();
    }
    // The first miss is noted; a later one keeps the first time.
    m_missed.emplace(key, m_uses);
    return nullptr;
}

bool RasterCache::wanted(std::uint64_t key) const
{
    const std::lock_guard lock(m_mutex);
    const auto found = m_missed.find(key);
    // Asked for in an earlier call than the one just made.
    return found != m_missed.end() && found->second < m_uses;
}

void RasterCache::insert(std::uint64_t key, std::shared_ptr<const Picture> picture)
{
    if (!picture)
        return;
    const std::int64_t bytes = picture->image.sizeInBytes();
    if (bytes > m_budget)
        return;
    const std::lock_guard lock(m_mutex);
    m_missed.erase(key);
    auto [entry, added] = m_entries.try_emplace(key);
    if (!added)
        return; // another thread made the same picture meanwhile
    entry->second = {std::move(picture), bytes, ++m_uses};
    m_bytes += bytes;
    if (m_bytes > m_budget)
        evict();
}

void RasterCache::evict()
{
    // Down to three quarters, so that a full cache does not sort on every insert.
    std::vector<std::pair<std::uint64_t, std::uint64_t>> byUse; // last use, key
    byUse.reserve(m_entries.size());
    for (const auto& [key, entry] : m_entries)
        byUse.emplace_back(entry.lastUse, key);
    std::sort(byUse.begin(), byUse.end());
    for (const auto& [use, key] : byUse) {
        if (m_bytes <= m_budget / 4 * 3)
            break;
        const auto found = m_entries.find(key);
        m_bytes -= found->second.bytes;
        m_entries.erase(found);
    }
}

std::int64_t RasterCache::bytes() const
{
    const std::lock_guard lock(m_mutex);
    return m_bytes;
}

std::size_t RasterCache::size() const
{
    const std::lock_guard lock(m_mutex);
    return m_entries.size();
}

void RasterCache::clear()
{
    const std::lock_guard lock(m_mutex);
    m_entries.clear();
    m_missed.clear();
    m_bytes = 0;
}

} // namespace swf::render
