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

WayInfo buildingRecord(int index, OsmId wayId, int levels, const std::string& height)
{
    WayInfo info;
    info.index = index;
    info.wayId = wayId;
    info.levels = levels;
    info.height = height;
    return info;
}

WayInfo streetRecord(int index, OsmId wayId, int kind, bool bridge)
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
    EXPECT_TRUE(sameInfos({buildingRecord(0, 10, 10, ""), buildingRecord(1, 11, 4, ""),
                           buildingRecord(2, 12, 10, ""), buildingRecord(4, 14, 0, "12.5"),
                           buildingRecord(5, 15, 3, ""), buildingRecord(8, 18, 5, "7 m")},
                          plain(store->allBuildingInfos())));
    EXPECT_TRUE(store->allStreets().empty());
}

TEST_F(OsmClassificationTest, BuildingRelationsHandTheirLevelsAndHeightToMemberWays)
{
    // The relations follow the ways, as in OSM files: they are still read first.
    const auto store = load(
        osmWay("20", square) + osmWay("21", square) + osmWay("22", square, {{"building", "yes"}}) +
        osmWay("24", square, {{"building:levels", "7"}}) + osmWay("25", square) +
        osmRelation("901", {"20"}, {{"building:levels", "6"}, {"building", "stadium"}}) +
        osmRelation("902", {"21", "22", "23", "24"}, {{"building", "yes"}, {"building:levels", "4"}, {"height", "25"}}) +
        osmRelation("903", {"25"}, {{"height", "30"}, {"highway", "primary"}}) +
        osmRelation("904", {"21"}, {{"building", "yes"}, {"levels", "9"}}) +
        // Ids are per type: node 25 is not way 25.
        " <relation id=\"905\"><member type=\"node\" ref=\"25\"/><tag k=\"building\" v=\"yes\"/></relation>\n");

    EXPECT_EQ(idsOf(store->allBuildings()), (std::vector<std::string>{"20", "21", "22", "24"}));
    EXPECT_TRUE(
        sameInfos({buildingRecord(1, 21, 9, ""), buildingRecord(2, 22, 0, "25"), buildingRecord(3, 24, 7, "25")},
                  plain(store->allBuildingInfos())));
    EXPECT_TRUE(store->allStreets().empty());
}

TEST_F(OsmClassificationTest, StreetKindsFollowHighwayRailwayAndWaterwayTags)
{
    const auto store =
        load(osmWay("101", segment, {{"highway", "motorway"}}) + osmWay("102", segment, {{"highway", "trunk_link"}}) +
             osmWay("103", segment, {{"highway", "primary_link"}}) + osmWay("104", segment, {{"highway", "tertiary"}}) +
             osmWay("105", segment, {{"highway", "road"}}) + osmWay("106", segment, {{"highway", "unclassified"}}) +
             osmWay("107", segment, {{"highway", "living_street"}}) + osmWay("108", segment, {{"highway", "footway"}}) +
             osmWay("109", segment, {{"name", "road"}}) + osmWay("110", segment, {{"railway", "rail"}}) +
             osmWay("111", segment, {{"railway", "abandoned"}}) + osmWay("112", segment, {{"railway", "platform"}}) +
             osmWay("113", segment, {{"railway", "tram"}}) + osmWay("114", segment, {{"waterway", "stream"}}) +
             osmWay("115", segment, {{"waterway", "river"}}) +
             osmWay("116", segment, {{"highway", "primary"}, {"railway", "tram"}}) +
             osmWay("117", segment, {{"highway", "primary"}, {"railway", "tram"}, {"bridge", "yes"}}) +
             osmWay("118", segment, {{"highway", "primary"}, {"railway", "tram"}, {"tunnel", "yes"}}) +
             osmWay("119", segment, {{"highway", "residential"}, {"bridge", "viaduct"}}) +
             osmWay("120", square, {{"tunnel", "yes"}, {"building", "yes"}, {"highway", "service"}}) +
             osmWay("121", segment, {{"railway", "tram"}, {"highway", "secondary_link"}}) +
             osmWay("122", segment, {{"highway", "path"}, {"waterway", "stream"}}) +
             osmWay("123", {"98", "99"}, {{"highway", "secondary"}}));

    EXPECT_TRUE(sameInfos(
        {streetRecord(0, 101, 10, false),   streetRecord(1, 102, 10, false),  streetRecord(2, 103, 9, false),
         streetRecord(3, 104, 8, false),    streetRecord(4, 105, 8, false),   streetRecord(5, 106, 8, false),
         streetRecord(6, 107, 7, false),    streetRecord(7, 108, 6, false),   streetRecord(8, 110, 1, false),
         streetRecord(9, 111, 1, false),   streetRecord(10, 112, 1, false), streetRecord(11, 113, 2, false),
         streetRecord(12, 114, 70, false), streetRecord(13, 116, 9, false), streetRecord(14, 116, 2, false),
         streetRecord(15, 117, 9, true),   streetRecord(16, 117, 2, true),  streetRecord(17, 119, 7, false),
         streetRecord(18, 121, 8, false),  streetRecord(19, 121, 2, false), streetRecord(20, 122, 70, false),
         streetRecord(21, 122, 6, false)},
        plain(store->allStreetInfos())));
    ASSERT_EQ(store->allStreets().size(), store->allStreetInfos().size());
    for (std::size_t i = 0; i < store->allStreets().size(); ++i)
    {
        EXPECT_EQ(store->allStreets()[i].id, store->allStreetInfos()[i].wayId);
        EXPECT_EQ(idsOf(store->allStreets()[i].nodes), segment);
    }
    // A tunnel still makes its building; a stream is no water ring.
    EXPECT_EQ(idsOf(store->allBuildings()), std::vector<std::string>{"120"});
    ASSERT_EQ(store->waterRingGroups().size(), 1u);
    EXPECT_TRUE(store->waterRingGroups()[0].empty());
}

TEST_F(OsmClassificationTest, WaterRingsAreGroupedByRelationInFileOrder)
{
    const auto store = load(
        osmWay("31", square, {{"natural", "water"}}) + osmWay("32", {"4", "3", "2"}) + osmWay("33", {"2", "3"}) +
        osmWay("34", square, {{"seamark:type", "fairway"}}) + osmWay("35", {"1", "3"}, {{"waterway", "riverbank"}}) +
        osmWay("36", square) + osmWay("37", {"97"}) + osmWay("38", square, {{"natural", "wood"}}) +
        osmRelation("910", {"31", "32", "37"}, {{"natural", "water"}}) +
        osmRelation("920", {"33"}, {{"waterway", "riverbank"}}) + osmRelation("930", {}, {{"seamark:type", "fairway"}}) +
        osmRelation("940", {"36"}, {{"building", "yes"}, {"natural", "water"}}) +
        osmRelation("950", {"32", "38"}, {{"highway", "primary"}, {"natural", "wood"}}));

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
    EXPECT_EQ(groups[1][1][2].lat, 43.73f);

    EXPECT_EQ(idsOf(store->allBuildings()), std::vector<std::string>{"36"});
    EXPECT_TRUE(store->allStreets().empty());
}

TEST_F(OsmClassificationTest, IdsAreExactIntegersOfAnySizeAndSign)
{
    // 2^53 + 1 is the first integer a double cannot hold; 2^32 + 1 does not fit 32 bits.
    const auto store = loadStore(scratch.write(
        "nodes.osm",
        osmDocument(osmNode("042", 43.70, 7.40) + osmNode("1", 43.71, 7.41) + osmNode("3", 43.72, 7.43) +
                    " <node id=\"5\" lon=\"7.45\"/>\n" + osmNode("7", 43.10, 7.10) +
                    " <node id=\"8\" lat=\"43.75\" lon=\"7.48\"><tag k=\"building\" v=\"yes\"/></node>\n" +
                    osmNode("7", 43.74, 7.44) + osmNode("n9", 43.0, 7.0) + osmNode("-5", 43.705, 7.405) +
                    osmNode("4294967297", 43.715, 7.415) + osmNode("9007199254740993", 43.725, 7.425) +
                    osmNode("9007199254740992", 43.0, 7.0) + osmWay("61", {"42"}, {{"building", "yes"}}) +
                    osmWay("62", {"1", "2", "3"}, {{"building", "yes"}}) +
                    osmWay("63", {"042", "5", "7", "n9"}, {{"building", "yes"}}) +
                    osmWay("w64", {"1", "3"}, {{"building", "yes"}}) +
                    osmWay("-65", {"-5", "4294967297", "9007199254740993"}, {{"building", "yes"}}))));

    // 042 is 42; n9 and w64 are no OSM ids and are passed over.
    EXPECT_EQ(store->nodeCount(), 9u);
    ASSERT_EQ(idsOf(store->allBuildings()), (std::vector<std::string>{"61", "62", "63", "-65"}));
    EXPECT_EQ(idsOf(store->allBuildings()[0].nodes), (std::vector<std::string>{"42"}));
    EXPECT_EQ(idsOf(store->allBuildings()[1].nodes), (std::vector<std::string>{"1", "3"}));
    EXPECT_EQ(idsOf(store->allBuildings()[2].nodes), (std::vector<std::string>{"42", "7"}));
    EXPECT_EQ(store->allBuildings()[2].nodes[1].lat, 43.74f);
    const std::vector<OsmNode> large = store->allBuildings()[3].nodes;
    ASSERT_EQ(idsOf(large), (std::vector<std::string>{"-5", "4294967297", "9007199254740993"}));
    EXPECT_EQ(large[1].lat, 43.715f);
    EXPECT_EQ(large[2].lat, 43.725f);
    // The bounds come from building nodes only: node 8 and the replaced node 7 do not count.
    EXPECT_EQ(store->minLon, static_cast<double>(7.40f));
    EXPECT_EQ(store->maxLon, static_cast<double>(7.44f));
    EXPECT_EQ(store->minLat, static_cast<double>(43.70f));
    EXPECT_EQ(store->maxLat, static_cast<double>(43.74f));
}
