#pragma once

#include <string>

// One OSM node: its id text and its position in WGS 84 degrees.
struct OsmNode
{
    std::string id;
    float lat = 0.0f;
    float lon = 0.0f;
};
