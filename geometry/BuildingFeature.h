#pragma once

#include "geometry/AreaPolygon.h"
#include "osm/TagTable.h"
#include "osm/WayInfo.h"

// One building or building part to draw: its footprint, its tags (views into the
// store, valid while it lives) and its building record (levels and height read from
// keys the tags do not keep, or from a building relation). Plain values: any thread
// may use one it owns.
struct BuildingFeature
{
    OsmId id = 0;
    OsmType type = OsmType::Way; // a relation for a multipolygon building
    AreaPolygon footprint;
    Tags tags;
    WayInfo record;
};
