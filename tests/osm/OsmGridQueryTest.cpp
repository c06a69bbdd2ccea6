#include "CapturedOutput.h"
#include "OsmTestFiles.h"
#include "ScratchDirectory.h"
#include "StoreEquality.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace
{
using Cell = std::pair<int, int>;

// A grid whose edges are exact binary fractions: 8 columns and 4 rows of 1/256
// degree from (lat 0.25, lon 0.5), with Grid Size 0.004.
double lonAt(double column)
{
    return 0.5 + column / 256.0;
}

double latAt(double row)
{
    return 0.25 + row / 256.0;
}

std::string binaryGridFrame()
{
    return osmNode("101", latAt(0), lonAt(0)) + osmNode("102", latAt(4), lonAt(8)) +
           osmWay("1", {"101", "102"}, {{"building", "yes"}});
}

// A node at (column, row) in the units of the binary grid, and a way starting there.
std::string wayAt(const std::string& id, double column, double row, const TagTexts& tags)
{
    return osmNode(id + "000", latAt(row), lonAt(column)) + osmNode(id + "001", latAt(row) - 0.001, lonAt(column)) +
           osmWay(id, {id + "000", id + "001"}, tags);
}

class OsmGridQueryTest : public ::testing::Test
{
protected:
    std::unique_ptr<OsmParser> load(const std::string& children, double gridSize = defaultGridSize)
    {
        return loadStore(scratch.write("grid.osm", osmDocument(children)), gridSize);
    }

    ScratchDirectory scratch;
};
} // namespace

TEST_F(OsmGridQueryTest, GridCountsFollowTheExtentOfTheBuildings)
{
    {
        CapturedOutput quiet;
        int columns = 0;
        int rows = 0;
        // Street and water nodes far outside do not widen the bounds.
        const OsmParser store(
            scratch.write("potsdam.osm", osmDocument(osmNode("1", 52.3, 13.0) + osmNode("2", 52.4612, 13.2033) +
                                                     osmNode("3", 53.0, 14.0) + osmNode("4", 51.0, 12.0) +
                                                     osmWay("201", {"1", "2"}, {{"building", "yes"}}) +
                                                     osmWay("202", {"3", "1"}, {{"highway", "primary"}}) +
                                                     osmWay("203", {"4", "3", "2"}, {{"natural", "water"}}))),
            columns, rows, defaultGridSize);
        EXPECT_EQ(store.minLon, static_cast<double>(13.0f));
        EXPECT_EQ(store.maxLon, static_cast<double>(13.2033f));
        EXPECT_EQ(store.minLat, static_cast<double>(52.3f));
        EXPECT_EQ(store.maxLat, static_cast<double>(52.4612f));
        EXPECT_EQ(store.columnCount, 41);
        EXPECT_EQ(store.rowCount, 33);
        EXPECT_EQ(columns, 41);
        EXPECT_EQ(rows, 33);
        EXPECT_NEAR((store.maxLon - store.minLon) / store.columnCount, 0.0049585, 1e-7);
        EXPECT_NEAR((store.maxLat - store.minLat) / store.rowCount, 0.0048848, 1e-7);
    }
    {
        // An extent of exactly two cells gets a third column; one cell, a second row.
        const auto store = load(osmNode("1", 0.5, 0.5) + osmNode("2", 0.5078125, 0.515625) +
                                    osmWay("201", {"1", "2"}, {{"building", "yes"}}),
                                1.0 / 128);
        EXPECT_EQ(store->columnCount, 3);
        EXPECT_EQ(store->rowCount, 2);
    }
    {
        // A single node spans nothing: a quarter cell each way around it, in one cell.
        const auto store = load(osmNode("1", 43.7, 7.4) + osmWay("201", {"1"}, {{"building", "yes"}, {"height", "9"}}));
        EXPECT_EQ(store->minLon, static_cast<double>(7.4f) - 0.00125);
        EXPECT_EQ(store->maxLon, static_cast<double>(7.4f) + 0.00125);
        EXPECT_EQ(store->minLat, static_cast<double>(43.7f) - 0.00125);
        EXPECT_EQ(store->maxLat, static_cast<double>(43.7f) + 0.00125);
        EXPECT_EQ(store->columnCount, 1);
        EXPECT_EQ(store->rowCount, 1);
        EXPECT_EQ(store->buildingsInCell(0, 0).size(), 1u);
        EXPECT_EQ(store->buildingInfosInCell(0, 0).size(), 1u);
        EXPECT_TRUE(indexMatchesScan(*store, -1, 1, -1, 1));
    }
}

TEST_F(OsmGridQueryTest, GeometriesBelongToTheOneCellOfTheirFirstNode)
{
    const auto store =
        load(binaryGridFrame() + wayAt("2", 2, 1, {{"building", "yes"}}) +
             wayAt("3", 8, 1.5, {{"building", "yes"}}) + wayAt("4", 2.5, 4, {{"building", "yes"}}) +
             osmNode("111", latAt(2.5), lonAt(3.5)) + osmNode("112", latAt(2.5), lonAt(4.5)) +
             osmNode("113", latAt(2.2), lonAt(4.9)) + osmWay("5", {"111", "112", "113", "111"}, {{"building", "yes"}}) +
             osmNode("121", latAt(1.5), std::nextafter(0.5f, 0.0f)) + osmNode("122", latAt(1.5), lonAt(0.5)) +
             osmWay("6", {"121", "122"}, {{"highway", "residential"}}) + osmNode("10", 1.0, 2.0) +
             osmNode("132", latAt(0.5), lonAt(5.5)) + osmWay("7", {"132", "10"}, {{"railway", "rail"}}),
             0.004);
    ASSERT_EQ(store->columnCount, 8);
    ASSERT_EQ(store->rowCount, 4);

    std::map<std::string, std::vector<Cell>> cells;
    for (int column = -3; column <= 10; ++column)
        for (int row = -3; row <= 6; ++row)
        {
            for (const std::string& id : idsOf(store->buildingsInCell(column, row)))
                cells[id].push_back({column, row});
            for (int kind : {7, 1})
                for (const std::string& id : idsOf(store->streetsInCell(kind, column, row)))
                    cells[id].push_back({column, row});
        }
    const std::map<std::string, std::vector<Cell>> expected{
        {"1", {{0, 0}}}, {"2", {{2, 1}}},  {"3", {{8, 1}}},  {"4", {{2, 4}}},
        {"5", {{3, 2}}}, {"6", {{-1, 1}}}, {"7", {{5, 0}}}};
    EXPECT_EQ(cells, expected);
    EXPECT_TRUE(indexMatchesScan(*store, -3, 10, -3, 6));
}

// Geometries on one meridian or one parallel span no width or height: the extent is
// widened around the line so that its one column (or row) holds them.
TEST_F(OsmGridQueryTest, OneLongitudeOrLatitudeGivesACellThatHoldsItsGeometries)
{
    const std::string nodes = osmNode("1", 52.3, 13.1) + osmNode("2", 52.31, 13.1) + osmNode("3", 52.32, 13.1) +
                              osmNode("4", 52.3, 13.11) + osmNode("5", 52.3, 13.12);
    const std::string meridian = osmWay("211", {"1", "2"}, {{"building", "yes"}, {"building:levels", "3"}}) +
                                 osmWay("212", {"2", "3"}, {{"building", "yes"}}) +
                                 osmWay("202", {"2", "1"}, {{"highway", "primary"}});
    const std::string parallel = osmWay("213", {"1", "4", "5"}, {{"building", "yes"}});
    for (const std::string& ways : {meridian, parallel})
    {
        const auto store = load(nodes + ways);
        ASSERT_TRUE(store->columnCount == 1 || store->rowCount == 1);
        std::size_t buildings = 0, infos = 0, streets = 0;
        for (int column = 0; column < store->columnCount; ++column)
            for (int row = 0; row < store->rowCount; ++row)
            {
                buildings += store->buildingsInCell(column, row).size();
                infos += store->buildingInfosInCell(column, row).size();
                for (int kind : queriedKinds())
                    streets += store->streetsInCell(kind, column, row).size();
            }
        EXPECT_EQ(buildings, store->allBuildings().size());
        EXPECT_EQ(infos, store->allBuildingInfos().size());
        EXPECT_EQ(streets, store->allStreets().size());
        EXPECT_TRUE(indexMatchesScan(*store, -1, store->columnCount, -1, store->rowCount));
    }
}

TEST_F(OsmGridQueryTest, StreetQueriesMatchRecordsByWayIdAndKind)
{
    const auto store =
        load(binaryGridFrame() + wayAt("8", 1.5, 1.5, {{"highway", "primary"}, {"railway", "tram"}}) +
                 wayAt("9", 1.2, 1.7, {{"highway", "residential"}}) + wayAt("10", 900, 900, {{"highway", "secondary"}}),
             0.004);

    EXPECT_EQ(idsOf(store->streetsInCell(9, 1, 1)), (std::vector<std::string>{"8", "8"}));
    EXPECT_EQ(idsOf(store->streetsInCell(2, 1, 1)), (std::vector<std::string>{"8", "8"}));
    EXPECT_EQ(idsOf(store->streetsInCell(7, 1, 1)), (std::vector<std::string>{"9"}));
    EXPECT_TRUE(store->streetsInCell(3, 1, 1).empty());
    EXPECT_TRUE(store->streetsInCell(9, 1, 2).empty());

    ASSERT_EQ(store->streetInfosOfKind(9).size(), 1u);
    EXPECT_EQ(store->streetInfosOfKind(9)[0].wayId, 8);
    EXPECT_EQ(store->streetInfosOfKind(9)[0].index, 0);
    ASSERT_EQ(store->streetInfosOfKind(2).size(), 1u);
    EXPECT_EQ(store->streetInfosOfKind(2)[0].index, 1);
    EXPECT_TRUE(store->streetInfosOfKind(3).empty());
    // Not limited to any cell: the street far outside the grid is listed too.
    ASSERT_EQ(store->streetInfosOfKind(8).size(), 1u);
    EXPECT_EQ(store->streetInfosOfKind(8)[0].wayId, 10);
}

TEST_F(OsmGridQueryTest, BuildingRecordsAreFoundByWayIdFirstRecordFirst)
{
    const auto store = load(binaryGridFrame() + wayAt("11", 1.1, 1.1, {{"building", "yes"}, {"levels", "2"}}) +
                                wayAt("12", 1.2, 1.2, {{"building", "yes"}}) +
                                wayAt("11", 1.3, 1.3, {{"building", "yes"}, {"levels", "5"}}) +
                                wayAt("13", 1.4, 1.4, {{"building", "yes"}, {"height", "30"}}),
                            0.004);

    EXPECT_EQ(idsOf(store->buildingsInCell(1, 1)), (std::vector<std::string>{"11", "12", "11", "13"}));
    const std::vector<WayInfo> infos = store->buildingInfosInCell(1, 1);
    ASSERT_EQ(infos.size(), 3u);
    EXPECT_TRUE(sameInfos({infos[0]}, {infos[1]}));
    EXPECT_EQ(infos[0].wayId, 11);
    EXPECT_EQ(infos[0].levels, 2);
    EXPECT_EQ(infos[0].index, 1);
    EXPECT_EQ(infos[2].wayId, 13);
    EXPECT_EQ(infos[2].height, "30");
    EXPECT_TRUE(store->buildingInfosInCell(0, 0).empty());
}

TEST_F(OsmGridQueryTest, QueriesHandOutCopiesTheCallerMayChange)
{
    const auto store = load(binaryGridFrame() + wayAt("21", 1.5, 1.5, {{"building", "yes"}, {"levels", "2"}}) +
                                wayAt("22", 1.5, 1.5, {{"highway", "primary"}}),
                            0.004);

    const std::vector<WayGeometry> buildings = store->buildingsInCell(1, 1);
    const std::vector<WayInfo> infos = store->buildingInfosInCell(1, 1);
    const std::vector<WayGeometry> streets = store->streetsInCell(9, 1, 1);
    const std::vector<WayInfo> streetInfos = store->streetInfosOfKind(9);
    ASSERT_EQ(buildings.size(), 1u);
    ASSERT_EQ(streets.size(), 1u);

    std::vector<WayGeometry> changedBuildings = store->buildingsInCell(1, 1);
    changedBuildings[0].id = 99;
    changedBuildings[0].nodes[0].lat = 0.0f;
    std::vector<WayInfo> changedInfos = store->buildingInfosInCell(1, 1);
    changedInfos[0].levels = 99;
    std::vector<WayGeometry> changedStreets = store->streetsInCell(9, 1, 1);
    changedStreets[0].nodes.clear();
    std::vector<WayInfo> changedStreetInfos = store->streetInfosOfKind(9);
    changedStreetInfos[0].bridge = true;
    std::vector<WaterGroup> groups = store->waterRingGroups();
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_TRUE(groups[0].empty());
    groups[0].push_back(buildings[0].nodes);

    EXPECT_TRUE(sameGeometries(buildings, store->buildingsInCell(1, 1)));
    EXPECT_TRUE(sameInfos(infos, store->buildingInfosInCell(1, 1)));
    EXPECT_TRUE(sameGeometries(streets, store->streetsInCell(9, 1, 1)));
    EXPECT_TRUE(sameInfos(streetInfos, store->streetInfosOfKind(9)));
    EXPECT_TRUE(store->waterRingGroups()[0].empty());
}
