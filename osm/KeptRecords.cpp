#include "osm/KeptRecords.h"

#include "osm/MoveAppend.h"

namespace
{
void shiftSpans(std::vector<TagSpan>& spans, const TagTable::Joined& joined)
{
    for (TagSpan& span : spans)
        span.first += joined.spanShift;
}

void shiftWays(std::vector<KeptRecords::Way>& ways, const TagTable::Joined& joined, std::uint32_t wayNodeShift)
{
    shiftTagSpans(ways, joined);
    for (KeptRecords::Way& way : ways)
        way.span.first += wayNodeShift;
}
} // namespace

void KeptRecords::append(KeptRecords&& later, std::uint32_t wayNodeShift)
{
    const TagTable::Joined joined = tags.append(later.tags);
    shiftSpans(later.buildingTags, joined);
    shiftSpans(later.streetTags, joined);
    for (std::vector<Way>* ways : {&later.buildingParts, &later.areas, &later.coastlines, &later.treeRows,
                                   &later.memberWays})
        shiftWays(*ways, joined, wayNodeShift);
    shiftTagSpans(later.trees, joined);
    shiftTagSpans(later.relations, joined);
    for (Relation& relation : later.relations)
        relation.firstMember += static_cast<std::uint32_t>(members.size());
    for (Member& member : later.members)
        member.role = joined.textIds[member.role];
    for (Named& place : later.named)
        place.name = joined.textIds[place.name];

    moveAppend(buildingTags, later.buildingTags);
    moveAppend(streetTags, later.streetTags);
    moveAppend(buildingParts, later.buildingParts);
    moveAppend(areas, later.areas);
    moveAppend(coastlines, later.coastlines);
    moveAppend(treeRows, later.treeRows);
    moveAppend(memberWays, later.memberWays);
    moveAppend(trees, later.trees);
    moveAppend(relations, later.relations);
    moveAppend(members, later.members);
    moveAppend(named, later.named);
}
