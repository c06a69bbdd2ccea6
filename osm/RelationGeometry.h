#pragma once

#include "osm/OsmNode.h"
#include "osm/TagTable.h"

#include <string_view>
#include <vector>

// A multipolygon or building relation with all its tags and its members in order,
// each way member with its resolved nodes (none when the way is not in the file).
// Texts are views into the store, valid while it lives.
struct RelationGeometry
{
    struct Member
    {
        OsmType type = OsmType::Way;
        OsmId ref = 0;
        std::string_view role;
        std::vector<OsmNode> nodes;
    };

    OsmId id = 0;
    Tags tags;
    std::vector<Member> members;
};
