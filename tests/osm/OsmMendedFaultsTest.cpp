#include "CapturedOutput.h"
#include "OsmTestFiles.h"
#include "ScratchDirectory.h"
#include "StoreEquality.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <limits>
#include <stdexcept>

using ::testing::HasSubstr;

namespace
{
// The message of the runtime_error that loading throws, or a note that it did not.
std::string loadError(const std::string& path, double gridSize = defaultGridSize)
{
    try
    {
        loadStore(path, gridSize);
        return "loaded without an error";
    }
    catch (const std::runtime_error& error)
    {
        return error.what();
    }
}

class OsmMendedFaultsTest : public ::testing::Test
{
protected:
    ScratchDirectory scratch;
};
} // namespace

TEST_F(OsmMendedFaultsTest, UnusableGridSizesThrowNamingTheValue)
{
    // About the extent of Monaco.
    const std::string path =
        scratch.write("extent.osm", osmDocument(osmNode("1", 43.72, 7.40) + osmNode("2", 43.76, 7.54) +
                                                osmWay("21", {"1", "2"}, {{"building", "yes"}})));
    const double infinity = std::numeric_limits<double>::infinity();
    const std::pair<double, std::string> cases[] = {
        {0.0, "0"},        {-0.005, "-0.005"},  {std::numeric_limits<double>::quiet_NaN(), "nan"},
        {infinity, "inf"}, {-infinity, "-inf"}, {1e-12, "1e-12"}};
    for (const auto& [gridSize, text] : cases)
        EXPECT_THAT(loadError(path, gridSize), HasSubstr("grid size " + text)) << text;
}

TEST_F(OsmMendedFaultsTest, TheFinestGridIsTheLargestWhoseCountsFit)
{
    const std::string path =
        scratch.write("fine.osm", osmDocument(osmNode("1", 0.0, -0.001) + osmNode("2", 1e-12, 0.0) +
                                              osmWay("21", {"1", "2"}, {{"building", "yes"}})));
    const double extent = 0.0 - static_cast<double>(-0.001f);
    {
        const auto store = loadStore(path, extent / (INT_MAX - 0.5));
        EXPECT_EQ(store->columnCount, INT_MAX);
        EXPECT_EQ(store->rowCount, 3);
    }
    EXPECT_THAT(loadError(path, extent / (INT_MAX + 0.5)), HasSubstr("too small"));
}

TEST_F(OsmMendedFaultsTest, NodesWithNonFiniteCoordinatesAreNotStored)
{
    const auto store = loadStore(
        scratch.write("nonfinite.osm",
                      osmDocument(osmNode("1", 43.70, 7.40) + osmNodeText("11", "nan", "7.41") +
                                  osmNodeText("12", "43.71", "inf") + osmNodeText("13", "1e999", "7.42") +
                                  osmNodeText("14", "43.72", "-1e999") + osmNodeText("15", "1e39", "7.43") +
                                  osmNodeText("16", "43.73", "-INFINITY") + osmNode("2", 43.74, 7.44) +
                                  osmWay("21", {"1", "11", "12", "13", "14", "15", "16", "2"}, {{"building", "yes"}}))));

    EXPECT_EQ(store->nodeCount(), 2u);
    ASSERT_EQ(store->allBuildings().size(), 1u);
    EXPECT_EQ(idsOf(store->allBuildings()[0].nodes), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(store->minLat, static_cast<double>(43.70f));
    EXPECT_EQ(store->maxLat, static_cast<double>(43.74f));
    EXPECT_EQ(store->minLon, static_cast<double>(7.40f));
    EXPECT_EQ(store->maxLon, static_cast<double>(7.44f));
}

TEST_F(OsmMendedFaultsTest, ElementsMissingNeededAttributesAreSkipped)
{
    const auto store = loadStore(scratch.write(
        "missing.osm",
        osmDocument(osmNode("1", 43.70, 7.40) + osmNode("2", 43.71, 7.41) + osmNode("3", 43.72, 7.42) +
                    " <node lat=\"43.60\" lon=\"7.30\"/>\n <node id=\"4\" lat=\"43.90\"/>\n" +
                    " <way><nd ref=\"1\"/><nd ref=\"3\"/><tag k=\"building\" v=\"yes\"/></way>\n" +
                    osmWay("31", {"1", "4", "2"}, {{"building", "yes"}}) +
                    " <way id=\"32\"><nd ref=\"1\"/><nd ref=\"2\"/><tag k=\"building\"/><tag k=\"highway\"/>"
                    "<tag v=\"water\"/></way>\n" +
                    " <way id=\"33\"><nd/><nd ref=\"2\"/><nd ref=\"3\"/><tag k=\"highway\" v=\"primary\"/>"
                    "<tag k=\"bridge\"/></way>\n" +
                    osmWay("34", {"1", "2", "3"}) +
                    " <relation><member ref=\"32\"/><tag k=\"building\" v=\"yes\"/>"
                    "<tag k=\"natural\" v=\"water\"/></relation>\n" +
                    " <relation id=\"41\"><member type=\"way\"/><member ref=\"34\"/><tag k=\"natural\"/>"
                    "<tag k=\"natural\" v=\"water\"/></relation>\n")));

    EXPECT_EQ(store->nodeCount(), 3u);
    ASSERT_EQ(store->allBuildings().size(), 1u);
    EXPECT_EQ(store->allBuildings()[0].id, 31);
    EXPECT_EQ(idsOf(store->allBuildings()[0].nodes), (std::vector<std::string>{"1", "2"}));
    // Bounds from w1 alone: the way without an id made no building.
    EXPECT_EQ(store->maxLat, static_cast<double>(43.71f));
    ASSERT_EQ(store->allStreetInfos().size(), 1u);
    EXPECT_EQ(store->allStreetInfos()[0].wayId, 33);
    EXPECT_EQ(store->allStreetInfos()[0].kind, 9);
    EXPECT_FALSE(store->allStreetInfos()[0].bridge);
    EXPECT_EQ(idsOf(store->allStreets()[0].nodes), (std::vector<std::string>{"2", "3"}));
    const std::vector<WaterGroup> groups = store->waterRingGroups();
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_TRUE(groups[0].empty());
    ASSERT_EQ(groups[1].size(), 1u);
    EXPECT_EQ(idsOf(groups[1][0]), (std::vector<std::string>{"1", "2", "3"}));
}

TEST_F(OsmMendedFaultsTest, AnExtractWithoutBuildingsTakesItsBoundsFromAllNodes)
{
    const auto store = loadStore(scratch.write(
        "streets.osm", osmDocument(osmNode("1", 43.7, 7.4) + osmNode("2", 43.71, 7.432) + osmNode("9", 43.763, 7.38) +
                                   osmWay("51", {"1", "2"}, {{"highway", "primary"}}) +
                                   osmWay("21", {"99"}, {{"building", "yes"}}))));

    EXPECT_EQ(store->minLon, static_cast<double>(7.38f));
    EXPECT_EQ(store->maxLon, static_cast<double>(7.432f));
    EXPECT_EQ(store->minLat, static_cast<double>(43.7f));
    EXPECT_EQ(store->maxLat, static_cast<double>(43.763f));
    EXPECT_EQ(store->columnCount, 11);
    EXPECT_EQ(store->rowCount, 13);
    EXPECT_TRUE(store->allBuildings().empty());
    const std::vector<WayGeometry> streets = store->streetsInCell(9, 4, 0);
    ASSERT_EQ(streets.size(), 1u);
    EXPECT_EQ(streets[0].id, 51);
}

TEST_F(OsmMendedFaultsTest, AFileWithoutStoredNodesThrowsNamingTheFile)
{
    const std::string files[] = {
        scratch.write("empty.osm", osmDocument("")), scratch.write("closed.osm", "<osm/>"),
        scratch.write("ways.osm", osmDocument(osmWay("21", {"1"}, {{"building", "yes"}}) + osmRelation("41", {"21"}))),
        scratch.write("invalid.osm", osmDocument(osmNodeText("1", "nan", "7.4") + osmNodeText("2", "43.7", "inf") +
                                                 " <node id=\"3\" lon=\"7.4\"/>\n")),
        scratch.write("foreign.osm", "<osmChange>" + osmNode("1", 43.7, 7.4) + "</osmChange>")};
    for (const std::string& path : files)
        EXPECT_EQ(loadError(path), "no nodes in file " + path);
}

// The parser recurses once per level: nesting that deep would overflow its stack.
// Refused with the line where it goes too deep, whether the nesting sits in a child
// of the root (read in runs) or around it (read whole); OSM's own depth still loads.
TEST_F(OsmMendedFaultsTest, ElementsNestedTooDeeplyAreRefusedNamingTheLine)
{
    const int depth = 100000;
    std::string nested;
    for (int i = 0; i < depth; ++i)
        nested += "<nd>";
    for (int i = 0; i < depth; ++i)
        nested += "</nd>";
    const std::string inWay = scratch.write(
        "deep_way.osm", osmDocument(osmNode("1", 43.7, 7.4) + "\n<way id=\"2\">" + nested + "</way>\n"));
    const std::string aroundRoot = scratch.write("deep_root.osm", "\n\n<a>" + nested + "</a>");
    EXPECT_THAT(loadError(inWay), testing::MatchesRegex(inWay + ": line [0-9]+: elements nested more than 64 levels deep"));
    EXPECT_EQ(loadError(aroundRoot), aroundRoot + ": line 3: elements nested more than 64 levels deep");

    std::string deepest = "<osm>";
    for (int i = 0; i < 62; ++i)
        deepest += "<x>";
    deepest += "<node id=\"1\" lat=\"43.7\" lon=\"7.4\"/>";
    for (int i = 0; i < 62; ++i)
        deepest += "</x>";
    EXPECT_EQ(loadError(scratch.write("deepest.osm", deepest + osmNode("2", 43.7, 7.4) + "</osm>")),
              "loaded without an error");
}

namespace
{
// Whether this process holds the file open now.
bool heldOpen(const std::string& path)
{
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
    {
        std::error_code error;
        if (std::filesystem::read_symlink(entry.path(), error) == path)
            return true;
    }
    return false;
}

// Changes the file the first time it sees it open and tells whether the file was
// still open once the change was made, that is whether the change fell inside a read.
std::future<bool> changeOnceOpen(const std::string& path, const std::function<void()>& change)
{
    return std::async(std::launch::async, [path, change] {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!heldOpen(path))
        {
            if (std::chrono::steady_clock::now() > giveUp)
                return false;
        }
        change();
        return heldOpen(path);
    });
}
} // namespace

TEST_F(OsmMendedFaultsTest, AFileThatChangesWhileItIsReadIsRefusedNamingIt)
{
    std::string nodes;
    for (int i = 1; i <= 200000; ++i)
        nodes += osmNode(std::to_string(i), 43.7 + i * 1e-7, 7.4 + i * 1e-7);
    const std::string text = osmDocument(nodes + osmWay("900000", {"1", "2", "3", "1"}, {{"building", "yes"}}));
    const std::string path = std::filesystem::canonical(scratch.write("changing.osm", text)).string();
    const std::pair<const char*, std::function<void()>> changes[] = {
        {"grows", [&] { std::ofstream(path, std::ios::app) << "<!-- appended -->\n"; }},
        {"shrinks", [&] { std::filesystem::resize_file(path, text.size() / 2); }},
    };
    for (const auto& [name, change] : changes)
    {
        // The change may come after a fast read: then it proves nothing and is tried again.
        bool changedWhileRead = false;
        for (int attempt = 0; attempt < 20 && !changedWhileRead; ++attempt)
        {
            scratch.write("changing.osm", text);
            std::future<bool> changing = changeOnceOpen(path, change);
            const std::string error = loadError(path);
            changedWhileRead = changing.get();
            if (changedWhileRead)
            {
                EXPECT_EQ(error, path + ": the file changed while it was read") << name;
            }
        }
        EXPECT_TRUE(changedWhileRead) << name << ": the file was never changed during a read";
    }
}
