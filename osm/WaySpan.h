#pragma once

#include "osm/OsmNode.h"

#include <cstdint>

// A kept way: its id and where its resolved nodes lie in the store's one array of
// way nodes, so a way that is both a building and a street is held once.
struct WaySpan
{
    OsmId id = 0;
    std::uint32_t first = 0;
    std::uint32_t count = 0;
};
