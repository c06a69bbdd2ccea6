#pragma once

#include "osm/LargePageAllocator.h"
#include "osm/NodeBounds.h"
#include "osm/OsmNode.h"
#include "osm/WayGeometry.h"
#include "osm/WayInfo.h"

#include <vector>

using WaterRing = std::vector<OsmNode>;
using WaterGroup = std::vector<WaterRing>;
// The record arrays reach megabytes: on huge pages they cost few page faults.
using Geometries = std::vector<WayGeometry, LargePageAllocator<WayGeometry>>;
using WayInfos = std::vector<WayInfo, LargePageAllocator<WayInfo>>;

// What the ways pass makes of a stretch of the file.
struct WayRecords
{
    Geometries buildings;
    WayInfos buildingInfos;
    Geometries streets;
    WayInfos streetInfos;
    std::vector<WaterGroup> waterRings;
    // The extent of the building nodes.
    NodeBounds bounds;

    // Records of the stretch that follows, as if it had been read on into these.
    void append(WayRecords&& later);
};
