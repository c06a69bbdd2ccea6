#pragma once

#include "osm/LargePageAllocator.h"
#include "osm/OsmNode.h"

#include <cstdint>
#include <string_view>
#include <vector>

// Nodes by id text. The nodes lie in one array in file order, found through an
// open-addressing table of positions: resolving a way's references is the hot
// path of loading, and this costs a probe and a compare instead of a chain of
// scattered allocations.
class NodeTable
{
public:
    using NodeArray = std::vector<OsmNode, LargePageAllocator<OsmNode>>;

    // Stores the node; a node with the same id (byte for byte) is replaced.
    void insertOrAssign(std::string_view id, float lat, float lon);
    // The nodes in order, each as insertOrAssign would store it; empties later.
    void insertAll(NodeArray&& later);
    const OsmNode* find(std::string_view id) const;
    // Appends the nodes found for the ids, in order, skipping ids that are not
    // stored. Looking several up together lets their memory loads overlap.
    void findAll(const std::vector<std::string_view>& ids, std::vector<OsmNode>& found) const;

    const NodeArray& all() const { return nodes; }
    std::size_t size() const { return nodes.size(); }
    bool empty() const { return nodes.empty(); }
    void reserve(std::size_t count);
    void clear();

private:
    std::size_t slotOf(std::string_view id, std::size_t hash) const;
    // Needs a free slot beyond the ones taken.
    void insertHashed(OsmNode&& node, std::size_t hash);
    // Hands the ids in batches to visit(first, count, hashes), with the batch's
    // first probe slots already being fetched.
    template <typename IdOf, typename Visit>
    void inPrefetchedBatches(std::size_t size, IdOf idOf, Visit visit) const;
    void grow();

    NodeArray nodes;
    // Each slot holds a node's position + 1 in its low half, 0 when free, and the
    // high half of the id's hash, so that most probes need not look at the node.
    std::vector<std::uint64_t, LargePageAllocator<std::uint64_t>> probeSlots;
};
