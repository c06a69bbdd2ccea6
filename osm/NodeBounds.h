#pragma once

#include "osm/OsmNode.h"

#include <algorithm>

// The smallest and largest longitude and latitude of the nodes seen so far.
struct NodeBounds
{
    bool valid = false;
    double minLon = 0.0;
    double maxLon = 0.0;
    double minLat = 0.0;
    double maxLat = 0.0;

    void widen(const OsmNode& node)
    {
        const double lon = node.lon;
        const double lat = node.lat;
        if (!valid)
        {
            *this = NodeBounds{true, lon, lon, lat, lat};
            return;
        }
        minLon = std::min(minLon, lon);
        maxLon = std::max(maxLon, lon);
        minLat = std::min(minLat, lat);
        maxLat = std::max(maxLat, lat);
    }

    // The same as widening by each node of the later bounds in turn: min and max keep
    // the earlier of two equal values (0 and -0), whichever order they are combined in.
    void widen(const NodeBounds& later)
    {
        if (!later.valid)
            return;
        if (!valid)
        {
            *this = later;
            return;
        }
        minLon = std::min(minLon, later.minLon);
        maxLon = std::max(maxLon, later.maxLon);
        minLat = std::min(minLat, later.minLat);
        maxLat = std::max(maxLat, later.maxLat);
    }
};
