#include "osm/NodeTable.h"

#include <algorithm>
#include <functional>

namespace
{
std::uint64_t tagOf(std::size_t hash)
{
    return static_cast<std::uint64_t>(hash) & 0xFFFFFFFF00000000ull;
}

std::uint32_t positionIn(std::uint64_t entry)
{
    return static_cast<std::uint32_t>(entry);
}

std::size_t tableSizeFor(std::size_t count)
{
    std::size_t size = 1024;
    while (size < count * 2)
        size *= 2;
    return size;
}
} // namespace

// The slot holding the id, or the free slot where it belongs.
std::size_t NodeTable::slotOf(std::string_view id, std::size_t hash) const
{
    const std::size_t mask = probeSlots.size() - 1;
    const std::uint64_t tag = tagOf(hash);
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask)
    {
        const std::uint64_t entry = probeSlots[slot];
        if (entry == 0 || (tagOf(entry) == tag && nodes[positionIn(entry) - 1].id == id))
            return slot;
    }
}

void NodeTable::insertOrAssign(std::string_view id, float lat, float lon)
{
    if ((nodes.size() + 1) * 2 > probeSlots.size())
        grow();
    insertHashed(OsmNode{std::string(id), lat, lon}, std::hash<std::string_view>()(id));
}

template <typename IdOf, typename Visit>
void NodeTable::inPrefetchedBatches(std::size_t size, IdOf idOf, Visit visit) const
{
    constexpr std::size_t batch = 16;
    std::size_t hashes[batch];
    const std::size_t mask = probeSlots.size() - 1;
    for (std::size_t first = 0; first < size; first += batch)
    {
        const std::size_t count = std::min(batch, size - first);
        for (std::size_t i = 0; i < count; ++i)
        {
            hashes[i] = std::hash<std::string_view>()(idOf(first + i));
            __builtin_prefetch(&probeSlots[hashes[i] & mask]);
        }
        visit(first, count, hashes);
    }
}

void NodeTable::insertAll(NodeArray&& later)
{
    const std::size_t total = nodes.size() + later.size();
    if (total * 2 > probeSlots.size())
        reserve(std::max(total, nodes.size() * 2));
    inPrefetchedBatches(
        later.size(), [&](std::size_t i) { return std::string_view(later[i].id); },
        [&](std::size_t first, std::size_t count, const std::size_t* hashes) {
            for (std::size_t i = 0; i < count; ++i)
                insertHashed(std::move(later[first + i]), hashes[i]);
        });
    later.clear();
}

void NodeTable::insertHashed(OsmNode&& node, std::size_t hash)
{
    const std::size_t slot = slotOf(node.id, hash);
    if (probeSlots[slot] != 0)
    {
        OsmNode& stored = nodes[positionIn(probeSlots[slot]) - 1];
        stored.lat = node.lat;
        stored.lon = node.lon;
        return;
    }
    nodes.push_back(std::move(node));
    probeSlots[slot] = tagOf(hash) | nodes.size();
}

const OsmNode* NodeTable::find(std::string_view id) const
{
    if (probeSlots.empty())
        return nullptr;
    const std::uint64_t entry = probeSlots[slotOf(id, std::hash<std::string_view>()(id))];
    return entry ? &nodes[positionIn(entry) - 1] : nullptr;
}

void NodeTable::findAll(const std::vector<std::string_view>& ids, std::vector<OsmNode>& found) const
{
    if (probeSlots.empty())
        return;
    const std::size_t mask = probeSlots.size() - 1;
    inPrefetchedBatches(
        ids.size(), [&](std::size_t i) { return ids[i]; },
        [&](std::size_t first, std::size_t count, const std::size_t* hashes) {
            // The nodes behind the first probes are fetched before any is compared.
            for (std::size_t i = 0; i < count; ++i)
            {
                const std::uint64_t entry = probeSlots[hashes[i] & mask];
                if (entry != 0)
                    __builtin_prefetch(&nodes[positionIn(entry) - 1]);
            }
            for (std::size_t i = 0; i < count; ++i)
            {
                const std::uint64_t entry = probeSlots[slotOf(ids[first + i], hashes[i])];
                if (entry != 0)
                    found.push_back(nodes[positionIn(entry) - 1]);
            }
        });
}

void NodeTable::reserve(std::size_t count)
{
    nodes.reserve(count);
    if (tableSizeFor(count) > probeSlots.size())
    {
        probeSlots.assign(tableSizeFor(count), 0);
        for (std::size_t i = 0; i < nodes.size(); ++i)
        {
            const std::size_t hash = std::hash<std::string_view>()(nodes[i].id);
            probeSlots[slotOf(nodes[i].id, hash)] = tagOf(hash) | (i + 1);
        }
    }
}

void NodeTable::grow()
{
    reserve(std::max<std::size_t>(nodes.size() * 2, 512));
}

void NodeTable::clear()
{
    nodes.clear();
    probeSlots.clear();
}
