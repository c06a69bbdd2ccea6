#include "OsmTestFiles.h"
#include "ScratchDirectory.h"
#include "StoreEquality.h"

#include <gtest/gtest.h>

namespace
{
// Four nodes of a small square in Monaco that every way of these files may use.
const std::string squareNodes =
    osmNode("1", 43.73, 7.42) + osmNode("2", 43.73, 7.421) + osmNode("3", 43.731, 7.421) + osmNode("4", 43.731, 7.42);
const std::vector<std::string> square{"1", "2", "3", "4", "1"};
const std::vector<std::string> segment{"1", "2"};

WayInfo buildingRecord(int index, const std::string& wayId, int levels, const std::string& height)
{
    WayInfo info;
    info.index = index;
    info.wayId = wayId;
    info.levels = levels;
    info.height = height;
    return info;
}

WayInfo streetRecord(int index, const std::string& wayId, int kind, bool bridge)
{
    WayInfo info;
    info.index = index;
    info.wayId = wayId;
    info.kind = kind;
    info.bridge = bridge;
    return info;
}

class OsmClassificationTest : public ::testing::Test
{
protected:
    std::unique_ptr<OsmParser> load(const std::string& children)
    {
        return loadStore(scratch.write("classify.osm", osmDocument(squareNodes + children)));
    }

    ScratchDirectory scratch;
};
} // namespace

TEST_F(OsmClassificationTest, BuildingLevelsAndHeightFollowTagOrder)
{
    const auto store = load(osmWay("10", square, {{"building", "stadium"}}) +
                            osmWay("11", square, {{"building", "stadium"}, {"building:levels", "4"}}) +
                            osmWay("12", square, {{"building:levels", "4"}, {"building", "stadium"}}) +
                            osmWay("13", square, {{"building:levels", "3"}, {"building", "yes"}}) +
                            osmWay("14", square, {{"building", "yes"}, {"height", "12.5"}}) +
                            osmWay("15", square, {{"building", "yes"}, {"levels", "3.5"}}) +
                            osmWay("16", square, {{"building", "yes"}, {"building:levels", "abc"}}) +
                            osmWay("17", square, {{"building", "yes"}, {"building:levels:aboveground", "-2"}}) +
                            osmWay("18", square,
                                   {{"height", "9"},
                                    {"building:height", "7 m"},
                                    {"building", "yes"},
                                    {"building:levels", "2"},
                                    {"levels", "5"}}) +
                            osmWay("19", square, {{"building", "house"}, {"roof:levels", "3"}}) +
                            osmWay("20", square, {{"building:levels", "6"}, {"height", "30"}}));

    const std::vector<std::string> buildingIds{"10", "11", "12", "13", "14", "15", "16", "17", "18", "19"};
    EXPECT_EQ(idsOf(store->allBuildings()), buildingIds);
    EXPECT_EQ(idsOf(store->allBuildings().front().nodes), square);
    EXPECT_TRUE(sameInfos({buildingRecord(0, "10", 10, ""), buildingRecord(1, "11", 4, ""),
                           buildingRecord(2, "12", 10, ""), buildingRecord(4, "14", 0, "12.5"),
                           buildingRecord(5, "15", 3, ""), buildingRecord(8, "18", 5, "7 m")},
                          plain(store->allBuildingInfos())));
    EXPECT_TRUE(store->allStreets().empty());
}

TEST_F(OsmClassificationTest, BuildingRelationsHandTheirLevelsAndHeightToMemberWays)
{
    // The relations follow the ways, as in OSM files: they are still read first.
    const auto store = load(
        osmWay("20", square) + osmWay("21", square) + osmWay("22", square, {{"building", "yes"}}) +
        osmWay("24", square, {{"building:levels", "7"}}) + osmWay("25", square) +
        osmRelation("r1", {"20"}, {{"building:levels", "6"}, {"building", "stadium"}}) +
        osmRelation("r2", {"21", "22", "23", "24"}, {{"building", "yes"}, {"building:levels", "4"}, {"height", "25"}}) +
        osmRelation("r3", {"25"}, {{"height", "30"}, {"highway", "primary"}}) +
        osmRelation("r4", {"21"}, {{"building", "yes"}, {"levels", "9"}}));

    EXPECT_EQ(idsOf(store->allBuildings()), (std::vector<std::string>{"20", "21", "22", "24"}));
    EXPECT_TRUE(
        sameInfos({buildingRecord(1, "21", 9, ""), buildingRecord(2, "22", 0, "25"), buildingRecord(3, "24", 7, "25")},
                  plain(store->allBuildingInfos())));
    EXPECT_TRUE(store->allStreets().empty());
}

TEST_F(OsmClassificationTest, StreetKindsFollowHighwayRailwayAndWaterwayTags)
{
    const auto store =
        load(osmWay("s1", segment, {{"highway", "motorway"}}) + osmWay("s2", segment, {{"highway", "trunk_link"}}) +
             osmWay("s3", segment, {{"highway", "primary_link"}}) + osmWay("s4", segment, {{"highway", "tertiary"}}) +
             osmWay("s5", segment, {{"highway", "road"}}) + osmWay("s6", segment, {{"highway", "unclassified"}}) +
             osmWay("s7", segment, {{"highway", "living_street"}}) + osmWay("s8", segment, {{"highway", "footway"}}) +
             osmWay("s9", segment, {{"name", "road"}}) + osmWay("s10", segment, {{"railway", "rail"}}) +
             osmWay("s11", segment, {{"railway", "abandoned"}}) + osmWay("s12", segment, {{"railway", "platform"}}) +
             osmWay("s13", segment, {{"railway", "tram"}}) + osmWay("s14", segment, {{"waterway", "stream"}}) +
             osmWay("s15", segment, {{"waterway", "river"}}) +
             osmWay("s16", segment, {{"highway", "primary"}, {"railway", "tram"}}) +
             osmWay("s17", segment, {{"highway", "primary"}, {"railway", "tram"}, {"bridge", "yes"}}) +
             osmWay("s18", segment, {{"highway", "primary"}, {"railway", "tram"}, {"tunnel", "yes"}}) +
             osmWay("s19", segment, {{"highway", "residential"}, {"bridge", "viaduct"}}) +
             osmWay("s20", square, {{"tunnel", "yes"}, {"building", "yes"}, {"highway", "service"}}) +
             osmWay("s21", segment, {{"railway", "tram"}, {"highway", "secondary_link"}}) +
             osmWay("s22", segment, {{"highway", "path"}, {"waterway", "stream"}}) +
             osmWay("s23", {"98", "99"}, {{"highway", "secondary"}}));

    EXPECT_TRUE(sameInfos(
        {streetRecord(0, "s1", 10, false),   streetRecord(1, "s2", 10, false),  streetRecord(2, "s3", 9, false),
         streetRecord(3, "s4", 8, false),    streetRecord(4, "s5", 8, false),   streetRecord(5, "s6", 8, false),
         streetRecord(6, "s7", 7, false),    streetRecord(7, "s8", 6, false),   streetRecord(8, "s10", 1, false),
         streetRecord(9, "s11", 1, false),   streetRecord(10, "s12", 1, false), streetRecord(11, "s13", 2, false),
         streetRecord(12, "s14", 70, false), streetRecord(13, "s16", 9, false), streetRecord(14, "s16", 2, false),
         streetRecord(15, "s17", 9, true),   streetRecord(16, "s17", 2, true),  streetRecord(17, "s19", 7, false),
         streetRecord(18, "s21", 8, false),  streetRecord(19, "s21", 2, false), streetRecord(20, "s22", 70, false),
         streetRecord(21, "s22", 6, false)},
        plain(store->allStreetInfos())));
    ASSERT_EQ(store->allStreets().size(), store->allStreetInfos().size());
    for (std::size_t i = 0; i < store->allStreets().size(); ++i)
    {
        EXPECT_EQ(store->allStreets()[i].id, store->allStreetInfos()[i].wayId);
        EXPECT_EQ(idsOf(store->allStreets()[i].nodes), segment);
    }
    // A tunnel still makes its building; a stream is no water ring.
    EXPECT_EQ(idsOf(store->allBuildings()), std::vector<std::string>{"s20"});
    ASSERT_EQ(store->waterRingGroups().size(), 1u);
    EXPECT_TRUE(store->waterRingGroups()[0].empty());
}

TEST_F(OsmClassificationTest, WaterRingsAreGroupedByRelationInFileOrder)
{
    const auto store = load(
        osmWay("a", square, {{"natural", "water"}}) + osmWay("b", {"4", "3", "2"}) + osmWay("c", {"2", "3"}) +
        osmWay("d", square, {{"seamark:type", "fairway"}}) + osmWay("e", {"1", "3"}, {{"waterway", "riverbank"}}) +
        osmWay("f", square) + osmWay("g", {"97"}) + osmWay("h", square, {{"natural", "wood"}}) +
        osmRelation("r10", {"a", "b", "g"}, {{"natural", "water"}}) +
        osmRelation("r20", {"c"}, {{"waterway", "riverbank"}}) + osmRelation("r30", {}, {{"seamark:type", "fairway"}}) +
        osmRelation("r40", {"f"}, {{"building", "yes"}, {"natural", "water"}}) +
        osmRelation("r50", {"b", "h"}, {{"highway", "primary"}, {"natural", "wood"}}));

    const std::vector<WaterGroup> groups = store->waterRingGroups();
    ASSERT_EQ(groups.size(), 5u);
    auto ringIds = [](const WaterGroup& group) {
        std::vector<std::vector<std::string>> ids;
        for (const WaterRing& ring : group)
            ids.push_back(idsOf(ring));
        return ids;
    };
    using Rings = std::vector<std::vector<std::string>>;
    EXPECT_EQ(ringIds(groups[0]), (Rings{square, square, {"1", "3"}}));
    EXPECT_EQ(ringIds(groups[1]), (Rings{square, {"4", "3", "2"}}));
    EXPECT_EQ(ringIds(groups[2]), (Rings{{"2", "3"}}));
    EXPECT_TRUE(groups[3].empty());
    EXPECT_EQ(ringIds(groups[4]), (Rings{square}));
    EXPECT_EQ(groups[1][1][2].lat, store->allNodes().find("2")->lat);

    EXPECT_EQ(idsOf(store->allBuildings()), std::vector<std::string>{"f"});
    EXPECT_TRUE(store->allStreets().empty());
}

TEST_F(OsmClassificationTest, NodesAreKeptAndResolvedByTheirExactIdText)
{
    const auto store = loadStore(scratch.write(
        "nodes.osm", osmDocument(osmNode("042", 43.70, 7.40) + osmNode("1", 43.71, 7.41) + osmNode("3", 43.72, 7.43) +
                                 " <node id=\"5\" lon=\"7.45\"/>\n" + osmNode("7", 43.10, 7.10) +
                                 " <node id=\"8\" lat=\"43.75\" lon=\"7.48\"><tag k=\"building\" v=\"yes\"/></node>\n" +
                                 osmNode("7", 43.74, 7.44) + osmWay("w1", {"42"}, {{"building", "yes"}}) +
                                 osmWay("w2", {"1", "2", "3"}, {{"building", "yes"}}) +
                                 osmWay("w3", {"042", "5", "7"}, {{"building", "yes"}}))));

    EXPECT_EQ(idsOf(storedNodes(*store)), (std::vector<std::string>{"042", "1", "3", "7", "8"}));
    EXPECT_EQ(store->allNodes().find("42"), nullptr);
    EXPECT_EQ(store->allNodes().find("5"), nullptr);
    ASSERT_NE(store->allNodes().find("7"), nullptr);
    EXPECT_EQ(store->allNodes().find("7")->lat, 43.74f);
    EXPECT_EQ(store->allNodes().find("7")->lon, 7.44f);

    ASSERT_EQ(idsOf(store->allBuildings()), (std::vector<std::string>{"w2", "w3"}));
    EXPECT_EQ(idsOf(store->allBuildings()[0].nodes), (std::vector<std::string>{"1", "3"}));
    EXPECT_EQ(idsOf(store->allBuildings()[1].nodes), (std::vector<std::string>{"042", "7"}));
    EXPECT_EQ(store->allBuildings()[1].nodes[1].lat, 43.74f);
    // The bounds come from building nodes only: node 8 and the replaced node 7 do not count.
    EXPECT_EQ(store->minLon, static_cast<double>(7.40f));
    EXPECT_EQ(store->maxLon, static_cast<double>(7.44f));
    EXPECT_EQ(store->minLat, static_cast<double>(43.70f));
    EXPECT_EQ(store->maxLat, static_cast<double>(43.74f));
}
