#pragma once

#include "osm/TagTable.h"
#include "osm/WayInfo.h"

// Where a building or part begins, where its walls end and where its roof ends, in
// metres above its base on the ground. Plain values: any thread may use them.
struct BuildingHeights
{
    double bottom = 0.0;
    double eaves = 0.0;
    double top = 0.0;

    // From height and min_height (the top of the roof and the bottom of the part),
    // else building:levels and building:min_level at 3 m a level; roof:height, else
    // roof:levels, else defaultRoofHeight (the shape's; 0 for a flat roof, which then
    // ends at the top). Without height and levels in the tags, the record's (other
    // keys, a building relation) apply, then sizeRuleHeight for the walls.
    static BuildingHeights read(const Tags& tags, const WayInfo& record, double sizeRuleHeight,
                                double defaultRoofHeight, bool flatRoof);

    double roofHeight() const { return top - eaves; }
    bool hasVolume() const { return top > bottom; }
};
