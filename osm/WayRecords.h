#pragma once

#include "osm/KeptRecords.h"
#include "osm/LargePageAllocator.h"
#include "osm/NodeBounds.h"
#include "osm/OsmNode.h"
#include "osm/WayGeometry.h"
#include "osm/WayInfo.h"
#include "osm/WaySpan.h"

#include <vector>

using WaterRing = std::vector<OsmNode>;
using WaterGroup = std::vector<WaterRing>;
// The record arrays reach megabytes: on huge pages they cost few page faults.
using Geometries = std::vector<WayGeometry>;
using WayInfos = std::vector<WayInfo, LargePageAllocator<WayInfo>>;
using WaySpans = std::vector<WaySpan, LargePageAllocator<WaySpan>>;
using WayNodes = std::vector<OsmNode, LargePageAllocator<OsmNode>>;

// What the ways pass makes of a stretch of the file. Built on one thread, then read
// from any number.
struct WayRecords
{
    // The resolved nodes of every kept way, each way's once, in file order.
    WayNodes wayNodes;
    WaySpans buildings;
    WayInfos buildingInfos;
    WaySpans streets;
    WayInfos streetInfos;
    std::vector<WaterGroup> waterRings;
    // Beside each water ring, what it is drawn for: its way in group 0, its relation
    // in the others.
    std::vector<std::vector<OsmId>> waterRingFeatures;
    KeptRecords kept;
    // Where named relations lie: (index in the relations pass's named records, the
    // middle of the relation's first member way).
    std::vector<std::pair<std::uint32_t, OsmNode>> relationPlaces;
    // The extent of the building nodes.
    NodeBounds bounds;

    // Records of the stretch that follows, as if it had been read on into these.
    void append(WayRecords&& later);
    WayGeometry geometry(const WaySpan& span) const;
    const OsmNode& firstNode(const WaySpan& span) const { return wayNodes[span.first]; }
};
