#pragma once

#include "osm/OsmNode.h"

#include <string>
#include <vector>

// One polyline or ring made from a way: copies of its resolved nodes, in "nd" order.
struct WayGeometry
{
    std::string id;
    std::vector<OsmNode> nodes;
};
