#include "OsmTestFiles.h"
#include "ScratchDirectory.h"
#include "StoreEquality.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <iterator>
#include <map>
#include <memory>

namespace
{
// Checked against counts made independently of this code from samples/monaco.osm.
class MonacoStoreTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        store = loadStore(ORVALIS_SOURCE_DIR "/samples/monaco.osm", 0.005);
    }
    static void TearDownTestSuite() { store.reset(); }

    static std::unique_ptr<OsmParser> store;
};

std::unique_ptr<OsmParser> MonacoStoreTest::store;

// Float coordinates beside every edge the cell formulas give for this extent:
// where rounding can put a coordinate into two neighbouring cells or into none.
std::vector<float> besideEdges(float low, float high, double gridSize)
{
    const double extent = static_cast<double>(high) - static_cast<double>(low);
    const int count = static_cast<int>(extent / gridSize) + 1;
    const double size = extent / count;
    std::vector<float> values;
    for (int cell = -2; cell <= count + 2; ++cell)
    {
        const float edge = static_cast<float>(cell * size + static_cast<double>(low));
        values.insert(values.end(), {std::nextafter(edge, -HUGE_VALF), edge, std::nextafter(edge, HUGE_VALF)});
    }
    return values;
}

const TagTexts streetTags[] = {
    {{"waterway", "stream"}}, {{"highway", "trunk"}},       {{"highway", "primary"}},
    {{"highway", "road"}},    {{"highway", "residential"}}, {{"highway", "steps"}},
    {{"railway", "rail"}},    {{"railway", "tram"}},        {{"highway", "primary"}, {"railway", "tram"}}};
} // namespace

TEST_F(MonacoStoreTest, RecordsMatchTheIndependentCounts)
{
    EXPECT_EQ(store->nodeCount(), 180118u);
    EXPECT_EQ(store->allBuildings().size(), 23376u);
    EXPECT_EQ(store->allBuildingInfos().size(), 1u);
    EXPECT_EQ(store->allStreets().size(), 2838u);
    const std::map<int, std::size_t> kinds{{70, 10}, {10, 56},  {9, 299}, {8, 271},
                                           {7, 665}, {6, 1490}, {1, 47},  {2, 0}};
    for (const auto& [kind, count] : kinds)
        EXPECT_EQ(store->streetInfosOfKind(kind).size(), count) << "kind " << kind;
    const std::vector<WaterGroup> groups = store->waterRingGroups();
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].size(), 9u);
    EXPECT_EQ(store->columnCount, 29);
    EXPECT_EQ(store->rowCount, 11);
}

TEST_F(MonacoStoreTest, RecordsKeepTheirInvariants)
{
    const Geometries& streets = store->allStreets();
    const WayInfos& streetInfos = store->allStreetInfos();
    ASSERT_EQ(streets.size(), streetInfos.size());
    for (std::size_t i = 0; i < streets.size(); ++i)
    {
        ASSERT_EQ(streetInfos[i].index, static_cast<int>(i));
        ASSERT_EQ(streetInfos[i].wayId, streets[i].id);
        ASSERT_FALSE(streets[i].nodes.empty());
    }
    for (const WayInfo& info : store->allBuildingInfos())
    {
        ASSERT_GE(info.index, 0);
        ASSERT_LT(info.index, static_cast<int>(store->allBuildings().size()));
        EXPECT_EQ(store->allBuildings()[static_cast<std::size_t>(info.index)].id, info.wayId);
    }
    // The bounds are the extent of the building nodes exactly.
    double minLon = 1e9, maxLon = -1e9, minLat = 1e9, maxLat = -1e9;
    for (const WayGeometry& building : store->allBuildings())
    {
        ASSERT_FALSE(building.nodes.empty());
        for (const OsmNode& node : building.nodes)
        {
            minLon = std::min<double>(minLon, node.lon);
            maxLon = std::max<double>(maxLon, node.lon);
            minLat = std::min<double>(minLat, node.lat);
            maxLat = std::max<double>(maxLat, node.lat);
        }
    }
    EXPECT_EQ(store->minLon, minLon);
    EXPECT_EQ(store->maxLon, maxLon);
    EXPECT_EQ(store->minLat, minLat);
    EXPECT_EQ(store->maxLat, maxLat);
}

TEST_F(MonacoStoreTest, IndexedCellQueriesEqualTheScanOnEveryCellAndARingAround)
{
    std::size_t found = 0;
    EXPECT_TRUE(indexMatchesScan(*store, -1, store->columnCount, -1, store->rowCount, &found));
    EXPECT_GT(found, store->allBuildings().size());
}

TEST(IndexedQueryTest, NodesOnCellEdgesAreFoundWhereTheScanFindsThem)
{
    // Around the crossing of the equator and the prime meridian, where the edges
    // fall on float values and the two edge formulas round differently.
    const float lonLow = -0.0124f, lonHigh = 0.01577f, latLow = -0.0312f, latHigh = 0.028930001f;
    const double gridSize = 0.003;
    std::string children = osmNode("5", latLow, lonLow) + osmNode("6", latHigh, lonHigh) +
                           osmWay("7", {"5", "6"}, {{"building", "yes"}});
    int count = 0;
    for (float lon : besideEdges(lonLow, lonHigh, gridSize))
        for (float lat : besideEdges(latLow, latHigh, gridSize))
        {
            const std::string id = std::to_string(++count);
            children += osmNode("1" + id, lat, lon);
            if (lon >= lonLow && lon <= lonHigh && lat >= latLow && lat <= latHigh)
                children += osmWay("2" + id, {"1" + id, "5"},
                                   {{"building", "yes"}, {"building:levels", std::to_string(count % 3)}});
            children += osmWay("3" + id, {"1" + id, "6"}, streetTags[count % std::size(streetTags)]);
        }
    ScratchDirectory scratch;
    const auto store = loadStore(scratch.write("edges.osm", osmDocument(children)), gridSize);
    ASSERT_EQ(store->minLon, static_cast<double>(lonLow));
    ASSERT_EQ(store->maxLat, static_cast<double>(latHigh));

    const int firstColumn = -3, lastColumn = store->columnCount + 3;
    const int firstRow = -3, lastRow = store->rowCount + 3;
    EXPECT_TRUE(indexMatchesScan(*store, firstColumn, lastColumn, firstRow, lastRow));

    // The file does reach the rounding: some buildings lie in two cells, some in none.
    std::map<OsmId, int> cellsPerBuilding;
    for (const WayGeometry& building : store->allBuildings())
        cellsPerBuilding[building.id] = 0;
    for (int column = firstColumn; column <= lastColumn; ++column)
        for (int row = firstRow; row <= lastRow; ++row)
            for (const WayGeometry& building : store->scanBuildingsInCell(column, row))
                ++cellsPerBuilding[building.id];
    auto buildingsIn = [&](int cells) {
        return std::count_if(cellsPerBuilding.begin(), cellsPerBuilding.end(),
                             [cells](const auto& entry) { return entry.second == cells; });
    };
    EXPECT_GT(buildingsIn(0), 0);
    EXPECT_GT(buildingsIn(2), 0);
}

TEST(IndexedQueryTest, TheLastColumnsOfTheFinestGridAnswerLikeTheScan)
{
    const double extent = -static_cast<double>(-0.001f);
    const double width = extent / INT_MAX;
    std::string children =
        osmNode("5", 0.0, -0.001) + osmNode("6", 1e-12, 0.0) + osmWay("7", {"5", "6"}, {{"building", "yes"}});
    for (int i = 0; i < 4; ++i)
    {
        const std::string id = std::to_string(i);
        children += osmNode("1" + id, 1e-13, static_cast<float>(-(i + 0.5) * width)) +
                    osmWay("2" + id, {"1" + id, "5"}, {{"building", "yes"}, {"height", "3"}}) +
                    osmWay("3" + id, {"1" + id, "5"}, {{"highway", "primary"}});
    }
    ScratchDirectory scratch;
    const auto store = loadStore(scratch.write("finest.osm", osmDocument(children)), extent / (INT_MAX - 0.5));
    ASSERT_EQ(store->columnCount, INT_MAX);

    std::size_t found = 0;
    EXPECT_TRUE(indexMatchesScan(*store, INT_MAX - 6, INT_MAX - 1, -1, store->rowCount, &found));
    EXPECT_EQ(found, 12u);
}
