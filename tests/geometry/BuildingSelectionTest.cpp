#include "geometry/BuildingSelection.h"

#include "osm/KeptTags.h"

#include <gtest/gtest.h>

namespace
{
// A closed square of the given half side in degrees around (lon, lat).
TaggedWay square(OsmId id, double lon, double lat, double half, Tags tags)
{
    TaggedWay way{{id, {}}, std::move(tags)};
    const double corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    for (const auto& corner : corners)
        way.way.nodes.push_back({id * 10, static_cast<float>(lat + corner[1] * half),
                                 static_cast<float>(lon + corner[0] * half)});
    way.way.nodes.push_back(way.way.nodes.front());
    return way;
}

std::vector<OsmId> idsOf(const std::vector<BuildingFeature>& features)
{
    std::vector<OsmId> ids;
    for (const BuildingFeature& f : features)
        ids.push_back(f.id);
    return ids;
}

TEST(BuildingSelection, OutlinesWithPartsGiveWayToThePartsWhichTakeOnlyUntaggedColours)
{
    BuildingSelection cell;
    const TaggedWay church = square(1, 7.0, 43.0, 0.001, {{"building", "church"}, {"building:colour", "white"},
                                                         {"roof:colour", "red"}, {"height", "30"}});
    const TaggedWay nave = square(2, 7.0, 43.0, 0.0005, {{"building:part", "yes"}, {"roof:colour", "grey"}});
    // Its own part lies in a neighbouring cell: it still hides the outline.
    const TaggedWay hall = square(3, 7.01, 43.0, 0.001, {{"building", "yes"}});
    const TaggedWay hallPart = square(4, 7.0105, 43.0, 0.0004, {{"building:part", "yes"}});
    const TaggedWay house = square(5, 7.02, 43.0, 0.001, {{"building", "house"}});
    const TaggedWay tower = square(6, 7.03, 43.0, 0.001, {{"building", "yes"}});
    // Both a building and a part: drawn once, as a part.
    const TaggedWay both = square(7, 7.04, 43.0, 0.001, {{"building", "yes"}, {"building:part", "yes"}});
    cell.buildings = {church, hall, house, tower, both};
    WayInfo record;
    record.wayId = 5;
    record.levels = 3;
    cell.records = {record};
    cell.parts = {nave, both};
    cell.nearbyParts = {nave, hallPart, both};
    RelationGeometry relation;
    relation.tags = {{"type", "building"}};
    relation.members.push_back({OsmType::Way, 6, "outline", {}});
    relation.members.push_back({OsmType::Way, 5, "part", {}});
    cell.nearbyRelations = {relation};

    const std::vector<BuildingFeature> drawn = cell.takeFeatures();
    EXPECT_EQ(idsOf(drawn), (std::vector<OsmId>{5, 2, 7}));
    EXPECT_EQ(drawn[0].record.levels, 3);
    // The nave keeps its grey roof and takes the church's white walls, not its height.
    const Tags& nave2 = drawn[1].tags;
    EXPECT_EQ(tagValue(nave2, "roof:colour"), "grey");
    EXPECT_EQ(tagValue(nave2, "building:colour"), "white");
    EXPECT_EQ(tagValue(nave2, "height"), "");
    EXPECT_EQ(drawn[1].footprint.outer.size(), 5u);
}
} // namespace
