#pragma once

#include "osm/LargePageAllocator.h"
#include "osm/OsmNode.h"

#include <cstdint>
#include <vector>

// Nodes by id. The nodes lie in one array in file order, found through an
// open-addressing table of positions: resolving a way's references is the hot
// path of loading, and this costs a probe and a compare instead of a chain of
// scattered allocations. Filled on one thread, then read from any number.
class NodeTable
{
public:
    using NodeArray = std::vector<OsmNode, LargePageAllocator<OsmNode>>;

    // Stores the nodes in order; a node with an id already stored replaces its
    // position. The table is sized once for all of them.
    void insertAll(std::vector<NodeArray>&& chunks);
    // Appends the nodes found for the ids, in order, skipping ids that are not
    // stored. Looking several up together lets their memory loads overlap.
    void findAll(const std::vector<OsmId>& ids, std::vector<OsmNode>& found) const;

    const NodeArray& all() const { return nodes; }
    std::size_t size() const { return nodes.size(); }
    // Gives the memory back.
    void clear();

private:
    void reserve(std::size_t count);
    std::size_t slotOf(OsmId id, std::size_t hash) const;
    // Needs a free slot beyond the ones taken.
    void insertHashed(const OsmNode& node, std::size_t hash);
    // Hands the ids in batches to visit(first, count, hashes), with the batch's
    // first probe slots already being fetched.
    template <typename IdOf, typename Visit>
    void inPrefetchedBatches(std::size_t size, IdOf idOf, Visit visit) const;

    NodeArray nodes;
    // Each slot holds a node's position + 1, 0 when free.
    std::vector<std::uint32_t, LargePageAllocator<std::uint32_t>> probeSlots;
};
