#include "osm/RelationRecords.h"

void RelationRecords::append(RelationRecords&& later)
{
    for (auto& member : later.buildingMembers)
        buildingMembers[member.first] = std::move(member.second);
    for (auto& member : later.waterMembers)
        waterMembers[member.first] = std::move(member.second);
    waterRelations.insert(waterRelations.end(), later.waterRelations.begin(), later.waterRelations.end());
}

std::unordered_map<std::string, int> RelationRecords::waterGroupIndex() const
{
    std::unordered_map<std::string, int> index{{"0", 0}};
    int next = 1;
    for (const std::string& id : waterRelations)
        index[id] = next++;
    return index;
}
