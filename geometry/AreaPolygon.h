#pragma once

#include "osm/OsmNode.h"

#include <vector>

// One polygon of a mapped area: its outer ring and the rings of its holes, each
// closed (the first node repeated last), as assembled from a closed way or from the
// outer and inner members of a multipolygon.
struct AreaPolygon
{
    std::vector<OsmNode> outer;
    std::vector<std::vector<OsmNode>> inners;
};
