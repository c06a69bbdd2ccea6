#pragma once

#include "osm/OsmNode.h"
#include "osm/TagTable.h"
#include "osm/WaySpan.h"

#include <cstdint>
#include <vector>

// What the store keeps beyond the building, street and water records: the tags a
// city is drawn and searched by, with the elements they belong to. Text is interned
// in one tag table. Built on one thread, then read from any number.
struct KeptRecords
{
    struct Way
    {
        WaySpan span;
        TagSpan tags;
    };
    struct Node
    {
        OsmNode node;
        TagSpan tags;
    };
    struct Member
    {
        OsmId ref = 0;
        OsmType type = OsmType::Way;
        std::uint32_t role = 0; // text in the tag table
    };
    // A multipolygon or building relation.
    struct Relation
    {
        OsmId id = 0;
        TagSpan tags;
        std::uint32_t firstMember = 0;
        std::uint32_t memberCount = 0;
    };
    struct Named
    {
        OsmType type = OsmType::Node;
        OsmId id = 0;
        std::uint32_t name = 0; // text in the tag table
        float lat = 0.0f;
        float lon = 0.0f;
    };

    TagTable tags;
    // Aligned with the building and street records.
    std::vector<TagSpan> buildingTags;
    std::vector<TagSpan> streetTags;
    std::vector<Way> buildingParts;
    // Closed ways of land cover, leisure, natural areas, parking and riverbanks.
    std::vector<Way> areas;
    std::vector<Way> coastlines;
    std::vector<Way> treeRows;
    // The member ways of the kept relations, for their geometry.
    std::vector<Way> memberWays;
    std::vector<Node> trees;
    std::vector<Relation> relations;
    std::vector<Member> members;
    std::vector<Named> named;

    // Records of a later stretch of the file, whose way spans lie wayNodeShift
    // further on in the joined array of way nodes.
    void append(KeptRecords&& later, std::uint32_t wayNodeShift);
};
