#pragma once

#include "geometry/AreaPolygon.h"
#include "osm/TagTable.h"

#include <vector>

// A mapped area as assembled from a closed way or a multipolygon relation: the
// element's id and type, its tags and its polygons. Plain data for
// the thread that generates; the tags are views into the store.
struct MappedArea
{
    OsmId id = 0;
    Tags tags;
    std::vector<AreaPolygon> polygons;
    OsmType type = OsmType::Way;
};
