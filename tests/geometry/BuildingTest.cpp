#include "geometry/BuildingBuilder.h"
#include "geometry/DetailGeometry.h"
#include "geometry/SceneExporter.h"
#include "geometry/RoofBuilder.h"

#include "TerrainFixture.h"
#include "TestTerrain.h"
#include "osm/KeptTags.h"

#include <gtest/gtest.h>
#include <osg/PrimitiveSet>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numeric>
#include <set>

namespace
{
using testTerrain::blockHeight;
using testTerrain::blockLat;
using testTerrain::blockLon;

const double metresPerDegree = 111320.0;
// Nodes hold single-precision degrees: about 0.4 m apart at these latitudes.
const double nodeStep = 0.3;

// A ring of (east, north) metres around (lon, lat), closed.
std::vector<OsmNode> ringAt(double lon, double lat, const std::vector<osg::Vec2d>& metres, OsmId firstId = 1)
{
    std::vector<OsmNode> ring;
    for (const osg::Vec2d& m : metres)
        ring.push_back({firstId++, static_cast<float>(lat + m.y() / metresPerDegree),
                        static_cast<float>(lon + m.x() / (metresPerDegree * std::cos(osg::DegreesToRadians(lat))))});
    ring.push_back(ring.front());
    return ring;
}

// 20 m east-west by 10 m north-south, centred on the point.
const std::vector<osg::Vec2d> rectangle = {{-10, -5}, {10, -5}, {10, 5}, {-10, 5}};
// An L: a 24 m wing along the south, an 8 m wide wing up the west side, 24 m tall.
const std::vector<osg::Vec2d> lShape = {{0, 0}, {24, 0}, {24, 8}, {8, 8}, {8, 24}, {0, 24}};

BuildingFeature feature(OsmId id, std::vector<OsmNode> outer, Tags tags)
{
    BuildingFeature f;
    f.id = id;
    f.footprint.outer = std::move(outer);
    f.tags = std::move(tags);
    return f;
}

// Generated vertices in metres east, north and up from the building's base.
struct Measured
{
    std::vector<osg::Vec3d> roof, walls;
    std::vector<osg::Vec3f> roofNormals;
    std::vector<unsigned> roofTriangles;
};

class BuildingTest : public TerrainFixture
{
protected:
    void SetUp() override { placeAt(1, 1); }

    osg::ref_ptr<Building> build(const std::vector<BuildingFeature>& features)
    {
        BuildingBuilder builder(*frame);
        for (const BuildingFeature& f : features)
            builder.add(f);
        return builder.finish();
    }

    osg::Vec3d relative(const osg::Vec3f& local, double lon, double lat, double base) const
    {
        const osg::Vec3d g = geographic(local);
        return osg::Vec3d((g.x() - lon) * metresPerDegree * std::cos(osg::DegreesToRadians(lat)),
                          (g.y() - lat) * metresPerDegree, g.z() - base);
    }

    Measured measure(Building* building, double lon, double lat, double base) const
    {
        Measured m;
        const auto* roofs = static_cast<const osg::Vec3Array*>(building->roofs()->getVertexArray());
        for (const osg::Vec3f& v : *roofs)
            m.roof.push_back(relative(v, lon, lat, base));
        for (const osg::Vec3f& v : *static_cast<const osg::Vec3Array*>(building->walls()->getVertexArray()))
            m.walls.push_back(relative(v, lon, lat, base));
        const auto* normals = static_cast<const osg::Vec3Array*>(building->roofs()->getNormalArray());
        m.roofNormals.assign(normals->begin(), normals->end());
        if (building->roofs()->getNumPrimitiveSets() > 0)
        {
            const auto* triangles = static_cast<const osg::DrawElementsUInt*>(building->roofs()->getPrimitiveSet(0));
            m.roofTriangles.assign(triangles->begin(), triangles->end());
        }
        return m;
    }
};

double highest(const std::vector<osg::Vec3d>& points)
{
    double top = -1e9;
    for (const osg::Vec3d& p : points)
        top = std::max(top, p.z());
    return top;
}

// The extents (east, north) of the points at the top.
osg::Vec2d topExtent(const std::vector<osg::Vec3d>& points, double top)
{
    double minX = 1e9, maxX = -1e9, minY = 1e9, maxY = -1e9;
    for (const osg::Vec3d& p : points)
        if (p.z() > top - 0.05)
        {
            minX = std::min(minX, p.x());
            maxX = std::max(maxX, p.x());
            minY = std::min(minY, p.y());
            maxY = std::max(maxY, p.y());
        }
    return osg::Vec2d(maxX - minX, maxY - minY);
}

// The lowest and highest wall top: each quad's third and fourth vertices.
std::pair<double, double> wallTops(const std::vector<osg::Vec3d>& walls)
{
    double low = 1e9, high = -1e9;
    for (std::size_t i = 0; i + 3 < walls.size(); i += 4)
        for (std::size_t k : {i + 2, i + 3})
        {
            low = std::min(low, walls[k].z());
            high = std::max(high, walls[k].z());
        }
    return {low, high};
}

double lowest(const std::vector<osg::Vec3d>& points)
{
    double bottom = 1e9;
    for (const osg::Vec3d& p : points)
        bottom = std::min(bottom, p.z());
    return bottom;
}

TEST_F(BuildingTest, EveryRoofShapeReachesItsHeightOverItsEavesWithItsRidgeAsTagged)
{
    enum Ridge
    {
        EastWest,
        NorthSouth,
        Point,
        Plane
    };
    struct Case
    {
        Tags tags;
        double top, lowEaves, highEaves;
        Ridge ridge;
    };
    const Tags base = {{"building", "yes"}, {"height", "10"}, {"roof:height", "4"}};
    const auto with = [&](std::initializer_list<std::pair<std::string_view, std::string_view>> more) {
        Tags tags = base;
        tags.insert(tags.end(), more.begin(), more.end());
        return tags;
    };
    const std::vector<Case> cases = {
        {with({{"roof:shape", "flat"}}), 10, 10, 10, Plane},
        {with({{"roof:shape", "gabled"}}), 10, 6, 6, EastWest},
        {with({{"roof:shape", "gabled"}, {"roof:orientation", "across"}}), 10, 6, 6, NorthSouth},
        {with({{"roof:shape", "gabled"}, {"roof:direction", "E"}}), 10, 6, 6, NorthSouth},
        {with({{"roof:shape", "gabled"}, {"roof:direction", "185"}}), 10, 6, 6, EastWest},
        {with({{"roof:shape", "hipped"}}), 10, 6, 6, EastWest},
        {with({{"roof:shape", "half-hipped"}}), 10, 6, 6, EastWest},
        {with({{"roof:shape", "gambrel"}}), 10, 6, 6, EastWest},
        {with({{"roof:shape", "mansard"}}), 10, 6, 6, EastWest},
        {with({{"roof:shape", "round"}}), 10, 6, 6, EastWest},
        {with({{"roof:shape", "saltbox"}, {"roof:direction", "WNW"}}), 10, 6, 6, NorthSouth},
        {with({{"roof:shape", "pyramidal"}}), 10, 6, 6, Point},
        {with({{"roof:shape", "cone"}}), 10, 6, 6, Point},
        {with({{"roof:shape", "dome"}}), 10, 6, 6, Point},
        {with({{"roof:shape", "onion"}}), 10, 6, 6, Point},
        // Water runs off to the south: the high edge is the north wall.
        {with({{"roof:shape", "skillion"}, {"roof:direction", "S"}}), 10, 6, 10, Plane},
        {with({{"roof:shape", "unknown"}}), 10, 10, 10, Plane},
        // Levels: the walls' storeys, then the roof's.
        {{{"building:levels", "3"}, {"roof:levels", "1"}, {"roof:shape", "gabled"}}, 12, 9, 9, EastWest},
        {{{"height", "40 ft"}, {"roof:shape", "pyramidal"}}, 12.192, 9.192, 9.192, Point},
    };
    const double lon = blockLon(1), lat = blockLat(1), ground = blockHeight(1, 1) + 2.0;
    for (std::size_t i = 0; i < cases.size(); ++i)
    {
        const Case& c = cases[i];
        SCOPED_TRACE("case " + std::to_string(i) + " " + std::string(tagValue(c.tags, "roof:shape")));
        osg::ref_ptr<Building> building = build({feature(1, ringAt(lon, lat, rectangle), c.tags)});
        const Measured m = measure(building.get(), lon, lat, ground);
        ASSERT_FALSE(m.roof.empty());
        EXPECT_NEAR(highest(m.roof), c.top, 0.02);
        const auto tops = wallTops(m.walls);
        EXPECT_NEAR(tops.first, c.lowEaves, 0.02);
        EXPECT_NEAR(tops.second, c.highEaves, 0.02);
        EXPECT_NEAR(lowest(m.walls), 0.0, 0.02);

        const osg::Vec2d ridge = topExtent(m.roof, c.top);
        if (c.ridge == EastWest)
        {
            EXPECT_GT(ridge.x(), 1.0);
            EXPECT_LT(ridge.y(), nodeStep);
        }
        else if (c.ridge == NorthSouth)
        {
            EXPECT_GT(ridge.y(), 1.0);
            EXPECT_LT(ridge.x(), nodeStep);
        }
        else if (c.ridge == Point)
            EXPECT_LT(ridge.length(), nodeStep);
        if (tagValue(c.tags, "roof:shape") == "skillion")
            EXPECT_GT(ridge.x(), 20.0 - nodeStep);
        // Nothing but the onion's bulb reaches beyond the footprint.
        if (tagValue(c.tags, "roof:shape") != "onion")
            for (const osg::Vec3d& p : m.roof)
                ASSERT_TRUE(std::fabs(p.x()) < 10.0 + nodeStep && std::fabs(p.y()) < 5.0 + nodeStep)
                    << p.x() << " " << p.y();
        // Every roof face is lit from above or stands as a gable; only a bulb turns down.
        for (const osg::Vec3f& n : m.roofNormals)
            if (tagValue(c.tags, "roof:shape") != "onion")
                ASSERT_GT(n.z(), -0.01f);
    }
}

// One ridge over both wings, nothing outside the L; gabled ends are walls up to
// the ridge at the ends of the wings. On the roof builder's exact metres: the
// store's single-precision nodes would make the wings differ by centimetres.
TEST(RoofBuilder, LShapedHouseHasOneRidgeInsideItsFootprint)
{
    for (RoofShape::Kind kind : {RoofShape::Kind::Hipped, RoofShape::Kind::Gabled})
    {
        RoofShape shape;
        shape.kind = kind;
        SCOPED_TRACE(kind == RoofShape::Kind::Gabled ? "gabled" : "hipped");
        const RoofMesh m = buildRoof({lShape}, shape, 3.0);
        ASSERT_FALSE(m.triangles.empty());
        EXPECT_NEAR(highest(m.vertices), 3.0, 1e-9);
        for (const osg::Vec3d& p : m.vertices)
        {
            const double e = 1e-6;
            const bool inSouthWing = p.x() > -e && p.x() < 24 + e && p.y() > -e && p.y() < 8 + e;
            const bool inWestWing = p.x() > -e && p.x() < 8 + e && p.y() > -e && p.y() < 24 + e;
            ASSERT_TRUE(inSouthWing || inWestWing) << p.x() << " " << p.y();
        }
        // The ridge's points, joined by the roof's edges at the top, form one line.
        std::vector<unsigned> group(m.vertices.size());
        std::iota(group.begin(), group.end(), 0u);
        const std::function<unsigned(unsigned)> find = [&](unsigned i) {
            return group[i] == i ? i : group[i] = find(group[i]);
        };
        const auto atTop = [&](unsigned i) { return m.vertices[i].z() > 3.0 - 1e-6; };
        for (std::size_t t = 0; t + 2 < m.triangles.size(); t += 3)
            for (int e = 0; e < 3; ++e)
            {
                const unsigned a = m.triangles[t + e], b = m.triangles[t + (e + 1) % 3];
                if (atTop(a) && atTop(b))
                    group[find(a)] = find(b);
            }
        for (unsigned i = 0; i < m.vertices.size(); ++i)
            for (unsigned j = 0; j < i; ++j)
                if (atTop(i) && atTop(j) && (m.vertices[i] - m.vertices[j]).length() < 1e-6)
                    group[find(i)] = find(j);
        std::set<unsigned> ridges;
        for (unsigned i = 0; i < m.vertices.size(); ++i)
            if (atTop(i))
                ridges.insert(find(i));
        EXPECT_EQ(ridges.size(), 1u);
        // Hipped ridges stop half a wing short of the ends; gabled ones reach them,
        // over vertical gable walls.
        const osg::Vec2d ridge = topExtent(m.vertices, 3.0);
        const double reach = kind == RoofShape::Kind::Gabled ? 20.0 : 16.0;
        EXPECT_NEAR(ridge.x(), reach, 1e-6);
        EXPECT_NEAR(ridge.y(), reach, 1e-6);
        const long gables = std::count(m.onWall.begin(), m.onWall.end(), true);
        EXPECT_EQ(gables, kind == RoofShape::Kind::Gabled ? 6 : 0);
    }
}

TEST_F(BuildingTest, HoleStaysOpenWithWallsOnEveryRingForFlatAndHippedRoofs)
{
    const double lon = blockLon(3), lat = blockLat(1), ground = blockHeight(3, 1) + 2.0;
    const std::vector<osg::Vec2d> outer = {{-15, -15}, {15, -15}, {15, 15}, {-15, 15}};
    const std::vector<osg::Vec2d> court = {{-5, -5}, {5, -5}, {5, 5}, {-5, 5}};
    for (std::string_view shape : {"flat", "hipped"})
    {
        SCOPED_TRACE(std::string(shape));
        BuildingFeature f = feature(1, ringAt(lon, lat, outer), {{"height", "12"}, {"roof:shape", shape}});
        f.footprint.inners.push_back(ringAt(lon, lat, court, 100));
        osg::ref_ptr<Building> building = build({f});
        const Measured m = measure(building.get(), lon, lat, ground);
        EXPECT_EQ(m.walls.size(), 32u);
        // No roof triangle covers the courtyard's middle.
        ASSERT_FALSE(m.roofTriangles.empty());
        for (std::size_t t = 0; t + 2 < m.roofTriangles.size(); t += 3)
        {
            const osg::Vec3d& a = m.roof[m.roofTriangles[t]];
            const osg::Vec3d& b = m.roof[m.roofTriangles[t + 1]];
            const osg::Vec3d& c = m.roof[m.roofTriangles[t + 2]];
            // Which side of each edge the courtyard's middle (the origin) lies on.
            const auto side = [](const osg::Vec3d& p, const osg::Vec3d& q) {
                return (q.x() - p.x()) * -p.y() - (q.y() - p.y()) * -p.x();
            };
            const double ab = side(a, b), bc = side(b, c), ca = side(c, a);
            EXPECT_FALSE((ab > 0 && bc > 0 && ca > 0) || (ab < 0 && bc < 0 && ca < 0));
        }
        // The courtyard's walls face into it.
        for (std::size_t q = 16; q < 32; q += 4)
        {
            const osg::Vec3d middle = (m.walls[q] + m.walls[q + 1]) * 0.5;
            const osg::Vec3d outward = m.walls[q + 1] - m.walls[q];
            EXPECT_LT(osg::Vec2d(outward.y(), -outward.x()) * osg::Vec2d(middle.x(), middle.y()), 0.0);
        }
        EXPECT_NEAR(highest(m.roof), 12.0, 0.02);
    }
}

// A part over a passage, the primitives of each building in one range, and bad
// footprints that add nothing or fall back to a flat roof.
TEST_F(BuildingTest, PartsFloatRangesAreContiguousAndBadFootprintsFallBack)
{
    const double lon = blockLon(4), lat = blockLat(1), ground = blockHeight(4, 1) + 2.0;
    const Tags hipped = {{"height", "20"}, {"roof:shape", "hipped"}, {"roof:height", "5"}};
    std::vector<OsmNode> bowtie = ringAt(lon, lat, {{0, 0}, {20, 0}, {5, 10}, {20, 10}});
    std::vector<OsmNode> repeated = ringAt(lon, lat, rectangle);
    repeated.insert(repeated.begin() + 2, repeated[1]);
    repeated.insert(repeated.begin() + 2, repeated[1]);
    const std::vector<OsmNode> square = ringAt(lon, lat, rectangle);
    const std::vector<OsmNode> twoNodes(square.begin(), square.begin() + 2);
    const std::vector<OsmNode> onALine = ringAt(lon, lat, {{0, 0}, {5, 0}, {10, 0}});
    osg::ref_ptr<Building> building = build({
        feature(1, square, {{"height", "20"}, {"min_height", "10"}, {"building:part", "yes"}}),
        feature(2, twoNodes, hipped),
        feature(3, onALine, hipped),
        feature(4, bowtie, hipped),
        feature(5, repeated, hipped),
    });
    const std::vector<Building::Drawn>& drawn = building->drawnBuildings();
    ASSERT_EQ(drawn.size(), 3u);
    EXPECT_EQ(drawn[0].id, 1);
    EXPECT_EQ(drawn[1].id, 4);
    EXPECT_EQ(drawn[2].id, 5);
    const Measured m = measure(building.get(), lon, lat, ground);
    unsigned roofIndex = 0, wallVertex = 0;
    for (const Building::Drawn& d : drawn)
    {
        EXPECT_EQ(d.firstRoofIndex, roofIndex);
        EXPECT_EQ(d.firstWallVertex, wallVertex);
        roofIndex += d.roofIndexCount;
        wallVertex += d.wallVertexCount;
    }
    EXPECT_EQ(roofIndex, m.roofTriangles.size());
    EXPECT_EQ(wallVertex, m.walls.size());

    // The part: walls from 10 m to 20 m, a floor under it facing down.
    const std::vector<osg::Vec3d> partWalls(m.walls.begin(), m.walls.begin() + drawn[0].wallVertexCount);
    EXPECT_NEAR(lowest(partWalls), 10.0, 0.02);
    EXPECT_NEAR(highest(partWalls), 20.0, 0.02);
    bool floorSeenFromBelow = false;
    for (unsigned k = 0; k < drawn[0].roofIndexCount; ++k)
        floorSeenFromBelow |= m.roofNormals[m.roofTriangles[k]].z() < -0.99f;
    EXPECT_TRUE(floorSeenFromBelow);

    // The crossed footprint keeps its walls' full height under a flat roof.
    const std::vector<osg::Vec3d> crossedWalls(m.walls.begin() + drawn[1].firstWallVertex,
                                               m.walls.begin() + drawn[1].firstWallVertex + drawn[1].wallVertexCount);
    EXPECT_NEAR(wallTops(crossedWalls).first, 20.0, 0.02);
    // Repeated nodes change nothing: four walls, a hipped roof.
    EXPECT_EQ(drawn[2].wallVertexCount, 16u);
    const std::vector<osg::Vec3d> repeatedWalls(m.walls.begin() + drawn[2].firstWallVertex, m.walls.end());
    EXPECT_NEAR(wallTops(repeatedWalls).second, 15.0, 0.02);
}

TEST_F(BuildingTest, UntaggedBuildingsKeepTheSizeRuleAndTheSchemeColour)
{
    const double lon = blockLon(5), lat = blockLat(1), ground = blockHeight(5, 1) + 2.0;
    // Extents 0.0004 + 0.0004 degrees: 30 m times 0.56.
    const double half = 0.0002;
    const std::vector<OsmNode> square = {{1, float(lat - half), float(lon - half)}, {2, float(lat - half), float(lon + half)},
                                         {3, float(lat + half), float(lon + half)}, {4, float(lat + half), float(lon - half)},
                                         {1, float(lat - half), float(lon - half)}};
    osg::ref_ptr<Building> building =
        build({feature(1, square, {{"building", "yes"}}),
               feature(2, square, {{"roof:shape", "gabled"}, {"building:colour", "navy"}, {"height", "9"}})});
    const Measured m = measure(building.get(), lon, lat, ground);
    EXPECT_NEAR(m.walls[2].z(), 30.0 * 0.0008 * 700.0, 0.05);
    const auto* wallColours = static_cast<const osg::Vec4Array*>(building->walls()->getColorArray());
    const auto* roofColours = static_cast<const osg::Vec4Array*>(building->roofs()->getColorArray());
    EXPECT_EQ((*wallColours)[0].a(), 0.0f);
    EXPECT_EQ((*roofColours)[0].a(), 0.0f);
    EXPECT_EQ(wallColours->back(), osg::Vec4f(0.0f, 0.0f, 128.0f / 255.0f, 1.0f));
    // The gable walls take the walls' colour, the pitched roof reads as tiles.
    EXPECT_NE(std::find(roofColours->begin(), roofColours->end(), wallColours->back()), roofColours->end());
    EXPECT_NE(std::find_if(roofColours->begin(), roofColours->end(),
                           [](const osg::Vec4f& c) { return c.a() == 1.0f && c.r() > c.b() + 0.2f; }),
              roofColours->end());
}
// Far off, a pitched building is drawn on its footprint without the bay, roof and
// walls alike; near, and for picking, export and heights, as mapped.
TEST_F(BuildingTest, FarOffPitchedBuildingsAreDrawnOnTheirSimplifiedFootprint)
{
    const double lon = blockLon(6), lat = blockLat(1), ground = blockHeight(6, 1) + 2.0;
    // 30 m by 12 m with a bay 1 m deep in the south wall.
    const std::vector<osg::Vec2d> bay = {{0, 0}, {10, 0}, {10, 1}, {13, 1}, {13, 0}, {30, 0}, {30, 12}, {0, 12}};
    const Tags hipped = {{"height", "10"}, {"roof:shape", "hipped"}, {"roof:height", "4"}};
    osg::ref_ptr<Building> building = build({feature(1, ringAt(lon, lat, bay), hipped)});
    auto* roofs = dynamic_cast<DetailGeometry*>(building->roofs());
    auto* walls = dynamic_cast<DetailGeometry*>(building->walls());
    ASSERT_TRUE(roofs && walls && roofs->coarse() && walls->coarse());
    // The hipped rectangle: four faces in six triangles, over four walls.
    EXPECT_EQ(roofs->coarse()->size(), 18u);
    EXPECT_EQ(walls->coarse()->size(), 16u);
    EXPECT_GT(roofs->getPrimitiveSet(0)->getNumIndices(), 18u);
    const Measured m = measure(building.get(), lon, lat, ground);
    std::vector<osg::Vec3d> coarseRoof;
    for (unsigned index : *roofs->coarse())
        coarseRoof.push_back(m.roof[index]);
    EXPECT_NEAR(highest(coarseRoof), 10.0, 0.02);
    EXPECT_NEAR(lowest(coarseRoof), 6.0, 0.02);

    // The coarse vertices are nobody's: the building's heights, picks and export ignore them.
    const auto heights = building->heightsOf(OsmType::Way, 1);
    ASSERT_TRUE(heights);
    const FeatureSpans& spans = *FeatureSpans::find(*roofs);
    const unsigned nearVertices = spans.runOf(OsmType::Way, 1, static_cast<unsigned>(m.roof.size())).second;
    EXPECT_LT(nearVertices, m.roof.size());
    EXPECT_EQ(spans.featureOf(nearVertices), nullptr);
    SceneExporter exporter(osg::Matrixd::identity());
    exporter.add(*building);
    const std::size_t nearWallVertices = 4 * bay.size();
    EXPECT_EQ(exporter.mesh().positions.size(), nearVertices + nearWallVertices);

    // Two pixels of a 720-pixel-high view at 30 degrees are 2 m about 1.3 km away.
    const osg::Matrix projection = osg::Matrix::perspective(30.0, 16.0 / 9.0, 1.0, 1e4);
    const osg::Vec3d middle = roofs->getBoundingBox().center();
    const auto seenFrom = [&](double distance) {
        return osg::Matrix::lookAt(middle + osg::Vec3d(0.0, -distance, 0.0), middle, osg::Vec3d(0.0, 0.0, 1.0));
    };
    EXPECT_FALSE(roofs->drawsCoarse(seenFrom(1000.0), projection, 720.0));
    EXPECT_TRUE(roofs->drawsCoarse(seenFrom(1700.0), projection, 720.0));

    // Beside it, a house with nothing to leave out is drawn far off as it is near.
    osg::ref_ptr<Building> street = build({feature(1, ringAt(lon, lat, bay), hipped),
                                           feature(2, ringAt(lon + 0.0005, lat, rectangle), hipped)});
    const auto* farRoofs = dynamic_cast<DetailGeometry*>(street->roofs())->coarse();
    const Building::Drawn& plain = street->drawnBuildings().at(1);
    const auto* nearRoofs = street->roofs()->getPrimitiveSet(0)->getDrawElements();
    ASSERT_TRUE(farRoofs && nearRoofs);
    ASSERT_EQ(farRoofs->getNumIndices(), plain.roofIndexCount + 18u);
    for (unsigned k = 0; k < plain.roofIndexCount; ++k)
        EXPECT_EQ(farRoofs->index(k), nearRoofs->index(plain.firstRoofIndex + k));
    EXPECT_EQ(dynamic_cast<DetailGeometry*>(street->walls())->coarse()->size(), plain.wallVertexCount + 16u);

    // A flat roof, or a footprint with nothing to leave out, has one way of drawing.
    const Tags flat = {{"height", "10"}};
    EXPECT_EQ(dynamic_cast<DetailGeometry*>(build({feature(1, ringAt(lon, lat, bay), flat)})->roofs())->coarse(), nullptr);
    EXPECT_EQ(dynamic_cast<DetailGeometry*>(build({feature(1, ringAt(lon, lat, rectangle), hipped)})->roofs())->coarse(),
              nullptr);
}
} // namespace
