#pragma once

#include "osm/TagTable.h"
#include "osm/WayGeometry.h"

// A way the store keeps, with its kept tags (views into the store, valid while it lives).
struct TaggedWay
{
    WayGeometry way;
    Tags tags;
};
