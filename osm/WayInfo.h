#pragma once

#include "osm/OsmNode.h"

#include <string>

// Street kinds: the codes a street tag record carries.
enum StreetKind : int
{
    KindMotorway = 10,
    KindPrimary = 9,
    KindSecondary = 8,
    KindResidential = 7,
    KindOtherHighway = 6,
    KindRailway = 1,
    KindTram = 2,
    KindStream = 70
};

// A tag record. The same record serves buildings (index, wayId, levels, height),
// streets (index, wayId, kind, bridge), building relation members (levels, height)
// and water relation members (relationId); the other fields stay 0, false or empty.
struct WayInfo
{
    int index = 0;
    OsmId wayId = 0;
    int levels = 0;
    std::string height;
    int kind = 0;
    bool bridge = false;
    OsmId relationId = 0;
};
