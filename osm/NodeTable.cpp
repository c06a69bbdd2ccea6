#include "osm/NodeTable.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace
{
// Ids are often dense runs: a multiplicative hash spreads them over the whole table.
std::size_t hashOf(OsmId id)
{
    const std::uint64_t mixed = static_cast<std::uint64_t>(id) * 0x9E3779B97F4A7C15ull;
    return static_cast<std::size_t>(mixed ^ (mixed >> 29));
}

// At most seven tenths full: short probe runs still, for two thirds of the slots
// that half full would take.
std::size_t tableSizeFor(std::size_t count)
{
    std::size_t size = 1024;
    while (size * 7 < count * 10)
        size *= 2;
    return size;
}
} // namespace

// The slot holding the id, or the free slot where it belongs.
std::size_t NodeTable::slotOf(OsmId id, std::size_t hash) const
{
    const std::size_t mask = probeSlots.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask)
    {
        const std::uint32_t entry = probeSlots[slot];
        if (entry == 0 || nodes[entry - 1].id == id)
            return slot;
    }
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
            hashes[i] = hashOf(idOf(first + i));
            __builtin_prefetch(&probeSlots[hashes[i] & mask]);
        }
        visit(first, count, hashes);
    }
}

void NodeTable::insertAll(std::vector<NodeArray>&& chunks)
{
    std::size_t total = nodes.size();
    for (const NodeArray& chunk : chunks)
        total += chunk.size();
    if (total >= std::numeric_limits<std::uint32_t>::max())
        throw std::runtime_error("more than " + std::to_string(std::numeric_limits<std::uint32_t>::max() - 1) +
                                 " nodes: too many to load");
    reserve(total);
    // Each chunk is given back once stored, so the nodes are held about once.
    for (NodeArray& chunk : chunks)
    {
        inPrefetchedBatches(
            chunk.size(), [&](std::size_t i) { return chunk[i].id; },
            [&](std::size_t first, std::size_t count, const std::size_t* hashes) {
                for (std::size_t i = 0; i < count; ++i)
                    insertHashed(chunk[first + i], hashes[i]);
            });
        NodeArray().swap(chunk);
    }
    chunks.clear();
}

void NodeTable::insertHashed(const OsmNode& node, std::size_t hash)
{
    const std::size_t slot = slotOf(node.id, hash);
    if (probeSlots[slot] != 0)
    {
        nodes[probeSlots[slot] - 1] = node;
        return;
    }
    nodes.push_back(node);
    probeSlots[slot] = static_cast<std::uint32_t>(nodes.size());
}

void NodeTable::findAll(const std::vector<OsmId>& ids, std::vector<OsmNode>& found) const
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
                const std::uint32_t entry = probeSlots[hashes[i] & mask];
                if (entry != 0)
                    __builtin_prefetch(&nodes[entry - 1]);
            }
            for (std::size_t i = 0; i < count; ++i)
            {
                const std::uint32_t entry = probeSlots[slotOf(ids[first + i], hashes[i])];
                if (entry != 0)
                    found.push_back(nodes[entry - 1]);
            }
        });
}

void NodeTable::reserve(std::size_t count)
{
    nodes.reserve(count);
    if (tableSizeFor(count) <= probeSlots.size())
        return;
    probeSlots.assign(tableSizeFor(count), 0);
    for (std::size_t i = 0; i < nodes.size(); ++i)
        probeSlots[slotOf(nodes[i].id, hashOf(nodes[i].id))] = static_cast<std::uint32_t>(i + 1);
}

void NodeTable::clear()
{
    NodeArray().swap(nodes);
    probeSlots = decltype(probeSlots)();
}
