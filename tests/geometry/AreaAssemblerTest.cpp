#include "geometry/AreaAssembler.h"

#include "geometry/GeosContext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace
{
using Way = std::vector<OsmNode>;

// Nodes on a lattice of 0.001 degrees, id from the position, so that shared corners
// are the same node.
OsmNode at(int x, int y)
{
    return OsmNode{1000 * x + y + 1, 43.0f + 0.001f * y, 7.0f + 0.001f * x};
}

Way path(std::initializer_list<std::pair<int, int>> points)
{
    Way way;
    for (const auto& p : points)
        way.push_back(at(p.first, p.second));
    return way;
}

// A closed square from (x, y), side s, counter-clockwise.
Way square(int x, int y, int s)
{
    return path({{x, y}, {x + s, y}, {x + s, y + s}, {x, y + s}, {x, y}});
}

double ringArea(const Way& ring)
{
    double sum = 0.0;
    for (std::size_t i = 0; i + 1 < ring.size(); ++i)
        sum += (double(ring[i].lon) - 7.0) * (double(ring[i + 1].lat) - 43.0) -
               (double(ring[i + 1].lon) - 7.0) * (double(ring[i].lat) - 43.0);
    return std::abs(sum) / 2.0 / 1e-6;
}

struct Case
{
    std::string name;
    std::vector<std::pair<std::string, Way>> members;
    bool assembled;
    std::size_t polygons;
    std::size_t holes;
    double area; // in lattice squares
};

TEST(AreaAssembler, MultipolygonsAssembleWithTheirHoles)
{
    const Case cases[] = {
        {"two holes", {{"outer", square(0, 0, 10)}, {"inner", square(1, 1, 2)}, {"inner", square(5, 5, 3)}},
         true, 1, 2, 100 - 4 - 9},
        {"inner rings touching at a node",
         {{"outer", square(0, 0, 10)}, {"inner", square(2, 2, 2)}, {"inner", square(4, 4, 2)}}, true, 1, 0, 92},
        {"outer ring of three ways, one running backwards",
         {{"outer", path({{0, 0}, {4, 0}, {4, 4}})}, {"outer", path({{0, 4}, {4, 4}})}, {"", path({{0, 4}, {0, 0}})}},
         true, 1, 0, 16},
        {"hole of two ways, outer ring of two ways",
         {{"inner", path({{2, 2}, {4, 2}, {4, 4}})}, {"outer", path({{0, 0}, {6, 0}, {6, 6}})},
          {"inner", path({{2, 2}, {2, 4}, {4, 4}})}, {"outer", path({{6, 6}, {0, 6}, {0, 0}})}},
         true, 1, 1, 36 - 4},
        {"two outer rings and an island in a hole",
         {{"outer", square(0, 0, 10)}, {"inner", square(2, 2, 6)}, {"outer", square(4, 4, 2)},
          {"outer", square(20, 0, 3)}},
         true, 3, 1, 100 - 36 + 4 + 9},
        {"a gap in the outer ring", {{"outer", path({{0, 0}, {4, 0}, {4, 4}})}, {"outer", path({{0, 4}, {0, 0}})}},
         false, 0, 0, 0},
        {"a closed ring beside one that does not close",
         {{"outer", square(0, 0, 4)}, {"outer", path({{10, 0}, {14, 0}, {14, 4}})}}, false, 0, 0, 0},
        {"a missing member way", {{"outer", square(0, 0, 4)}, {"inner", Way()}}, false, 0, 0, 0},
        {"only a label", {{"label", square(0, 0, 4)}}, false, 0, 0, 0},
    };

    const GeosContext geos;
    const AreaAssembler assembler(geos);
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        RelationGeometry relation;
        for (const auto& member : c.members)
            relation.members.push_back({OsmType::Way, 1, member.first, member.second});
        const auto polygons = assembler.fromRelation(relation);
        ASSERT_EQ(polygons.has_value(), c.assembled);
        if (!polygons)
            continue;
        ASSERT_EQ(polygons->size(), c.polygons);
        std::size_t holes = 0;
        double area = 0.0;
        for (const AreaPolygon& polygon : *polygons)
        {
            EXPECT_EQ(polygon.outer.front().id, polygon.outer.back().id);
            EXPECT_NE(polygon.outer.front().id, 0);
            area += ringArea(polygon.outer);
            for (const Way& inner : polygon.inners)
                area -= ringArea(inner);
            holes += polygon.inners.size();
        }
        // Touching holes may come back as one ring through their shared node.
        if (c.holes > 0)
        {
            EXPECT_EQ(holes, c.holes);
        }
        EXPECT_NEAR(area, c.area, 0.05);
    }
}

TEST(AreaAssembler, ClosedWaysAndRingsWithoutRoles)
{
    const GeosContext geos;
    const AreaAssembler assembler(geos);
    const auto closed = assembler.fromClosedWay(square(0, 0, 3));
    ASSERT_TRUE(closed.has_value());
    ASSERT_EQ(closed->size(), 1u);
    EXPECT_NEAR(ringArea(closed->front().outer), 9.0, 0.05);
    EXPECT_FALSE(assembler.fromClosedWay(path({{0, 0}, {3, 0}, {3, 3}})).has_value());
    EXPECT_FALSE(assembler.fromClosedWay(Way()).has_value());

    // Without roles, nesting decides: the ring inside is a hole.
    const auto nested = assembler.fromWays({square(0, 0, 6), square(2, 2, 2)});
    ASSERT_TRUE(nested.has_value());
    ASSERT_EQ(nested->size(), 1u);
    EXPECT_EQ(nested->front().inners.size(), 1u);
}
} // namespace
