#pragma once

#include "osm/OsmNode.h"

#include <vector>

// One polyline or ring made from a way: copies of its resolved nodes, in "nd" order.
struct WayGeometry
{
    OsmId id = 0;
    std::vector<OsmNode> nodes;
};
