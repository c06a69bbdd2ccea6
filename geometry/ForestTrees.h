#pragma once

#include "geometry/MappedArea.h"
#include "osm/TaggedNode.h"

#include <geos_c.h>

#include <cstddef>
#include <vector>

class GeosContext;

// Where trees stand in mapped woods (landuse=forest, natural=wood): a jittered grid
// about spacing metres apart inside each area's polygons, the same on every build
// (seeded by the area's id). Each tree carries its area's tags (leaf_type, height).
// Called on the thread that owns the GEOS context.
class ForestTrees
{
public:
    static bool isForest(const Tags& tags);
    // At most cap trees in all; the areas are planted in order.
    static std::vector<TaggedNode> plant(const std::vector<MappedArea>& areas, const GeosContext& geos,
                                         double spacing, std::size_t cap);

private:
    static void plantInside(const GEOSGeometry* shape, const MappedArea& area, const GeosContext& geos,
                            double spacing, std::size_t cap, std::vector<TaggedNode>& trees);
};
