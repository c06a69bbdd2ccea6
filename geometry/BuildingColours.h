#pragma once

#include "osm/TagTable.h"

#include <osg/Vec4f>

// The mapped colours of a building's walls and roof. Alpha 1: the colour as
// mapped (or derived from material or roof shape); alpha 0: nothing is mapped and
// the colour scheme's colour shows. Plain values: any thread may use them.
struct BuildingColours
{
    osg::Vec4f walls;
    osg::Vec4f roof;

    // building:colour, else building:material; roof:colour, else roof:material,
    // else tiles for a pitched roof.
    static BuildingColours read(const Tags& tags, bool pitchedRoof);
};
