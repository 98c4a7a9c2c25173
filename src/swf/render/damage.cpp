#include "swf/render/damage.h"

#include <QRegion>

#include <cstring>
#include <limits>

namespace swf::render {

Hasher& Hasher::bytes(const void* data, std::size_t size)
{
    const auto* p = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) {
        m_value ^= p[i];
        m_value *= 0x100000001b3ull;
    }
    return *this;
}

Hasher& Hasher::add(double value)
{
    // +0 and -0 draw alike.
    if (value == 0)
        value = 0;
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return add(bits);
}

namespace {

qint64 area(const QRect& r)
{
    return r.isEmpty() ? 0 : qint64(r.width()) * r.height();
}

} // namespace

std::vector<QRect> mergeRects(std::vector<QRect> rects, int maxRects)
{
    std::erase_if(rects, [](const QRect& r) { return r.isEmpty(); });
    if (maxRects < 1)
        maxRects = 1;
    while (rects.size() > std::size_t(maxRects)) {
        std::size_t bestA = 0;
        std::size_t bestB = 1;
        qint64 bestCost = std::numeric_limits<qint64>::max();
        for (std::size_t a = 0; a < rects.size(); ++a) {
            for (std::size_t b = a + 1; b < rects.size(); ++b) {
                const qint64 cost = area(rects[a] | rects[b]) - area(rects[a]) - area(rects[b]);
                if (cost < bestCost) {
                    bestCost = cost;
                    bestA = a;
                    bestB = b;
                }
            }
        }
        rects[bestA] |= rects[bestB];
        rects.erase(rects.begin() + std::ptrdiff_t(bestB));
    }
    return rects;
}

void DamageTracker::reset()
{
    m_items.clear();
    m_previous.clear();
    m_valid = false;
}

std::vector<QRect> DamageTracker::update(std::vector<DrawItem> items, const QRect& canvas, bool full)
{
    std::unordered_map<std::uint64_t, Previous> current;
    current.reserve(items.size());
    bool duplicate = false;
    for (std::size_t i = 0; i < items.size(); ++i)
        duplicate |= !current.emplace(items[i].key, Previous{items[i].signature, items[i].bounds, i}).second;

    QRegion damage;
    if (full || duplicate || !m_valid) {
        damage = canvas;
    } else {
        std::vector<bool> seen(m_items.size(), false);
        // Items both frames draw must keep their order: one drawn, now, before
        // an item it used to follow has its area drawn again.
        std::size_t latest = 0;
        bool any = false;
        for (const DrawItem& item : items) {
            const auto found = m_previous.find(item.key);
            if (found == m_previous.end()) {
                damage += item.bounds;
                continue;
            }
            const Previous& before = found->second;
            seen[before.order] = true;
            const bool reordered = any && before.order < latest;
            if (!any || before.order > latest)
                latest = before.order;
            any = true;
            if (reordered || before.signature != item.signature || before.bounds != item.bounds) {
                damage += before.bounds;
                damage += item.bounds;
            }
        }
        for (std::size_t i = 0; i < m_items.size(); ++i) {
            if (!seen[i])
                damage += m_items[i].bounds;
        }
        damage &= canvas;
    }
    m_items = std::move(items);
    m_previous = std::move(current);
    m_valid = !duplicate;

    if (damage.isEmpty())
        return {};
    // Whole rows: gradients and transformed bitmaps are computed along each
    // row from where its span starts, so a span cut short on the left would
    // come out a rounding step apart from the same span drawn whole.
    QRegion rows;
    for (const QRect& r : damage)
        rows += QRect(canvas.left(), r.top(), canvas.width(), r.height());
    // Most of the picture changed: one pass over all of it is cheaper.
    const QRect box = rows.boundingRect();
    if (area(box) * 10 >= area(canvas) * 7)
        return {canvas};
    std::vector<QRect> rects(rows.begin(), rows.end());
    if (rects.size() > 64)
        return {box};
    return mergeRects(std::move(rects), kMaxRects);
}

} // namespace swf::render
