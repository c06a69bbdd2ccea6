#pragma once

#include "osm/OsmNode.h"
#include "osm/TagTable.h"

// A node the store keeps, with its kept tags (views into the store, valid while it lives).
struct TaggedNode
{
    OsmNode node;
    Tags tags;
};
