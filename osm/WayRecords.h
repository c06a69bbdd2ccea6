#pragma once

#include "osm/NodeBounds.h"
#include "osm/OsmNode.h"
#include "osm/WayGeometry.h"
#include "osm/WayInfo.h"

#include <vector>

using WaterRing = std::vector<OsmNode>;
using WaterGroup = std::vector<WaterRing>;

// What the ways pass makes of a stretch of the file.
struct WayRecords
{
    std::vector<WayGeometry> buildings;
    std::vector<WayInfo> buildingInfos;
    std::vector<WayGeometry> streets;
    std::vector<WayInfo> streetInfos;
    std::vector<WaterGroup> waterRings;
    // The extent of the building nodes.
    NodeBounds bounds;

    // Records of the stretch that follows, as if it had been read on into these.
    void append(WayRecords&& later);
};
