#pragma once

#include "osm/WayInfo.h"

#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// What the relations pass records for the ways pass.
struct RelationRecords
{
    // For each member of a building relation, the relation's levels and height.
    std::unordered_map<OsmId, WayInfo> buildingMembers;
    // For each member of a water relation, the relation's id.
    std::unordered_map<OsmId, WayInfo> waterMembers;
    // Ids of the water relations in file order; the i-th gets group i + 1 (group 0
    // holds the ways tagged as water themselves).
    std::vector<OsmId> waterRelations;
    // The ways of the kept multipolygon and building relations.
    std::unordered_set<OsmId> keptMemberWays;
    // Named relations by their first member way, which places them: indices of
    // their named records.
    std::unordered_map<OsmId, std::vector<std::uint32_t>> namedByFirstWay;

    // Records of a later stretch of the file: later entries replace earlier ones.
    // Its named records follow namedBefore earlier ones.
    void append(RelationRecords&& later, std::uint32_t namedBefore);
    // Relation id → group index.
    std::unordered_map<OsmId, int> waterGroupIndex() const;
    int waterGroupCount() const { return static_cast<int>(waterRelations.size()) + 1; }
};
