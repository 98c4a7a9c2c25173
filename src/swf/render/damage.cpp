#include "swf/render/damage.h"

#include <QRegion>

#include <cstring>

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

qint64 area(const QRegion& region)
{
    qint64 total = 0;
    for (const QRect& r : region)
        total += area(r);
    return total;
}

// Damage over an item drawn by whole spans takes in the item's width on the
// rows it covers, which may reach further such items.
QRegion widenOverWholeSpans(QRegion damage, const std::vector<DrawItem>& items, const QRect& canvas)
{
    // Enough rounds for chains of overlapping items; past them, whole rows.
    constexpr int kRounds = 16;
    for (int round = 0; round < kRounds; ++round) {
        QRegion wider = damage;
        for (const DrawItem& item : items) {
            if (!item.wholeWidth || !damage.intersects(item.bounds))
                continue;
            const QRect rows = damage.intersected(item.bounds).boundingRect();
            wider += QRect(item.bounds.left(), rows.top(), item.bounds.width(), rows.height());
        }
        wider &= canvas;
        if (wider == damage)
            return damage;
        damage = std::move(wider);
    }
    QRegion rows;
    for (const QRect& r : damage)
        rows += QRect(canvas.left(), r.top(), canvas.width(), r.height());
    return rows;
}

// The damage on a grid of square cells: fewer rectangles for a little more area.
QRegion onGrid(const QRegion& damage, int cell)
{
    const auto down = [cell](int v) { return v >= 0 ? v / cell * cell : -((-v + cell - 1) / cell * cell); };
    QRegion cells;
    for (const QRect& r : damage) {
        const QPoint topLeft(down(r.left()), down(r.top()));
        const QPoint bottomRight(down(r.right()) + cell - 1, down(r.bottom()) + cell - 1);
        cells += QRect(topLeft, bottomRight);
    }
    return cells;
}

} // namespace

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
    if (damage == QRegion(canvas))
        return {canvas};
    for (int cell = 16; damage.rectCount() > kMaxRects / 2; cell *= 2)
        damage = onGrid(damage, cell) & canvas;
    damage = widenOverWholeSpans(std::move(damage), m_items, canvas);
    // Most of the picture changed: one pass over all of it is cheaper.
    if (area(damage) * 10 >= area(canvas) * 7 || damage.rectCount() > kMaxRects)
        return {canvas};
    return {damage.begin(), damage.end()};
}

} // namespace swf::render
