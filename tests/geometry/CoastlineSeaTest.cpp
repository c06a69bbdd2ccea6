#include "geometry/CoastlineSea.h"

#include "geometry/GeosContext.h"
#include "osm/OsmParser.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
// The extract: 7.0-7.1 E, 43.0-43.1 N; positions in hundredths of it.
OsmNode at(double x, double y)
{
    return OsmNode{0, static_cast<float>(43.0 + 0.001 * y), static_cast<float>(7.0 + 0.001 * x)};
}

TaggedWay coast(OsmId id, std::initializer_list<std::pair<double, double>> points)
{
    TaggedWay way;
    way.way.id = id;
    for (const auto& p : points)
        way.way.nodes.push_back(at(p.first, p.second));
    return way;
}

bool inRing(const std::vector<OsmNode>& ring, double lon, double lat)
{
    bool inside = false;
    for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++)
        if ((ring[i].lat > lat) != (ring[j].lat > lat) &&
            lon < (ring[j].lon - ring[i].lon) * (lat - ring[i].lat) / (ring[j].lat - ring[i].lat) + ring[i].lon)
            inside = !inside;
    return inside;
}

bool isSea(const std::vector<AreaPolygon>& sea, double lon, double lat)
{
    for (const AreaPolygon& polygon : sea)
    {
        bool inside = inRing(polygon.outer, lon, lat);
        for (const auto& inner : polygon.inners)
            inside = inside && !inRing(inner, lon, lat);
        if (inside)
            return true;
    }
    return false;
}

bool isSeaAt(const std::vector<AreaPolygon>& sea, double x, double y)
{
    return isSea(sea, 7.0 + 0.001 * x, 43.0 + 0.001 * y);
}

struct Case
{
    std::string name;
    std::vector<TaggedWay> coastlines;
    std::vector<std::pair<double, double>> sea;
    std::vector<std::pair<double, double>> land;
    bool warned;
};

TEST(CoastlineSea, WaterLiesRightOfTheCoastline)
{
    // Cut a little inside the extract's edge, as an extract cuts a way at its last node.
    const TaggedWay westToEast = coast(1, {{0.5, 50}, {30, 40}, {60, 55}, {99.7, 50}});
    const TaggedWay eastToWest = coast(2, {{99.7, 50}, {60, 55}, {30, 40}, {0.5, 50}});
    // Counter-clockwise: land on the left is inside.
    const TaggedWay island = coast(3, {{40, 10}, {50, 10}, {50, 20}, {40, 20}, {40, 10}});
    const Case cases[] = {
        {"an open coast closed along the bounds", {westToEast}, {{50, 5}, {2, 2}, {98, 45}}, {{50, 90}, {50, 65}}, false},
        {"the same coast the other way", {eastToWest}, {{50, 90}, {50, 60}}, {{50, 5}, {50, 45}}, false},
        {"a coast of two ways and an island",
         {coast(4, {{0, 50}, {30, 40}, {60, 55}}), coast(5, {{60, 55}, {100, 50}}), island},
         {{50, 5}, {30, 15}, {55, 15}}, {{45, 15}, {50, 90}}, false},
        {"two coasts each cutting off a corner",
         {coast(6, {{0, 50}, {30, 0}}), coast(7, {{70, 0}, {100, 50}})},
         {{5, 5}, {95, 5}}, {{50, 50}, {50, 3}, {50, 95}}, false},
        {"a coast ending inside the extract", {coast(8, {{0, 50}, {30, 40}, {60, 55}})}, {}, {{50, 5}, {50, 90}}, true},
        // The broken one lies on land: the sound one's sea stays, nothing floods north of it.
        {"a broken coast beside a sound one",
         {westToEast, coast(9, {{0, 80}, {30, 75}})}, {{50, 5}}, {{50, 60}, {50, 90}, {10, 77}}, true},
        // Land lies north of the broken one, in the sound one's sea: none of that sea is drawn.
        {"a broken coast in the sea", {westToEast, coast(10, {{0, 20}, {30, 25}})}, {}, {{50, 5}, {10, 30}}, true},
        {"an island alone in the sea", {island}, {{5, 5}, {90, 90}}, {{45, 15}}, false},
        {"no coastline", {}, {}, {{50, 50}}, false},
    };

    const GeosContext geos;
    const CoastlineSea builder(geos);
    const NodeBounds extract{true, 7.0, 7.1, 43.0, 43.1};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        testing::internal::CaptureStderr();
        const std::vector<AreaPolygon> sea = builder.seaPolygons(c.coastlines, extract);
        const std::string warning = testing::internal::GetCapturedStderr();
        EXPECT_EQ(!warning.empty(), c.warned) << warning;
        for (const auto& p : c.sea)
            EXPECT_TRUE(isSeaAt(sea, p.first, p.second)) << p.first << ", " << p.second;
        for (const auto& p : c.land)
            EXPECT_FALSE(isSeaAt(sea, p.first, p.second)) << p.first << ", " << p.second;
    }
}

TEST(CoastlineSea, MonacoSeaAndLand)
{
    int columns = 0;
    int rows = 0;
    testing::internal::CaptureStdout();
    OsmParser store(ORVALIS_SOURCE_DIR "/samples/monaco.osm", columns, rows, 0.005);
    testing::internal::GetCapturedStdout();
    const GeosContext geos;
    testing::internal::CaptureStderr();
    const std::vector<AreaPolygon> sea = CoastlineSea(geos).seaPolygons(
        store.allCoastlines(), NodeBounds{true, store.minLon, store.maxLon, store.minLat, store.maxLat});
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    // Open water off Monaco-Ville, the middle of Port Hercule; the Rocher, an inland street.
    EXPECT_TRUE(isSea(sea, 7.4300, 43.7300));
    EXPECT_TRUE(isSea(sea, 7.4247, 43.7355));
    EXPECT_FALSE(isSea(sea, 7.4200, 43.7370));
    EXPECT_FALSE(isSea(sea, 7.4230, 43.7310));
}
} // namespace
