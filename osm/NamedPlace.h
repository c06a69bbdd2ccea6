#pragma once

#include "osm/OsmNode.h"

#include <string_view>

// Something with a name and where it lies: a node's position, the middle of a way,
// or the middle of a relation's first member way. The name is a view into the
// store, valid while it lives.
struct NamedPlace
{
    OsmType type = OsmType::Node;
    OsmId id = 0;
    std::string_view name;
    float lat = 0.0f;
    float lon = 0.0f;
};
