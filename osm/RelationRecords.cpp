#include "osm/RelationRecords.h"

void RelationRecords::append(RelationRecords&& later, std::uint32_t namedBefore)
{
    keptMemberWays.insert(later.keptMemberWays.begin(), later.keptMemberWays.end());
    for (auto& way : later.namedByFirstWay)
        for (std::uint32_t index : way.second)
            namedByFirstWay[way.first].push_back(index + namedBefore);
    for (auto& member : later.buildingMembers)
        buildingMembers[member.first] = std::move(member.second);
    for (auto& member : later.waterMembers)
        waterMembers[member.first] = std::move(member.second);
    waterRelations.insert(waterRelations.end(), later.waterRelations.begin(), later.waterRelations.end());
}

std::unordered_map<OsmId, int> RelationRecords::waterGroupIndex() const
{
    std::unordered_map<OsmId, int> index;
    int next = 1;
    for (OsmId id : waterRelations)
        index[id] = next++;
    return index;
}
