#pragma once

#include "osm/OsmNode.h"

#include <string_view>

// Something with a name and where it lies: a node's position, the middle of a way,
// or the middle of a relation's first member way. An address is a place named by its
// street, with its house number beside. Texts are views into the store, valid while
// it lives.
struct NamedPlace
{
    OsmType type = OsmType::Node;
    OsmId id = 0;
    std::string_view name;
    std::string_view houseNumber; // empty but for addresses
    float lat = 0.0f;
    float lon = 0.0f;
};
