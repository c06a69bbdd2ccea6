#include "geometry/Building.h"

#include "TerrainFixture.h"
#include "TestTerrain.h"

#include <gtest/gtest.h>
#include <osg/PrimitiveSet>

#include <cmath>

namespace
{
using testTerrain::blockHeight;
using testTerrain::blockLat;
using testTerrain::blockLon;

WayGeometry squareWay(OsmId id, double lon, double lat, double half, bool clockwise)
{
    const double corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    WayGeometry way{id, {}};
    for (int i = 0; i < 4; ++i)
    {
        const int corner = clockwise ? (4 - i) % 4 : i;
        way.nodes.push_back({id * 10 + i, static_cast<float>(lat + corners[corner][1] * half),
                             static_cast<float>(lon + corners[corner][0] * half)});
    }
    way.nodes.push_back(way.nodes.front());
    return way;
}

WayInfo buildingInfo(OsmId wayId, int levels, const std::string& height)
{
    WayInfo info;
    info.wayId = wayId;
    info.levels = levels;
    info.height = height;
    return info;
}

class BuildingTest : public TerrainFixture
{
protected:
    void SetUp() override
    {
        placeAt(1, 1);
    }

    osg::ref_ptr<Building> build(std::vector<WayGeometry> ways, std::vector<WayInfo> infos = {})
    {
        return new Building(std::move(ways), std::move(infos), *frame);
    }

    static osg::Geometry* roof(Building* b) { return b->getDrawable(0)->asGeometry(); }
    static osg::Geometry* walls(Building* b) { return b->getDrawable(1)->asGeometry(); }
    static const osg::Vec3Array& vertices(osg::Geometry* g)
    {
        return *static_cast<const osg::Vec3Array*>(g->getVertexArray());
    }
    static float extrusionOf(Building* b) { return vertices(walls(b))[2].z() - vertices(walls(b))[1].z(); }

};

TEST_F(BuildingTest, SquareHasReversedRoofAndOutwardWallsEitherWayRound)
{
    for (bool clockwise : {true, false})
    {
        SCOPED_TRACE(clockwise ? "clockwise" : "counter-clockwise");
        const WayGeometry way = squareWay(1, blockLon(1), blockLat(1), 0.0002, clockwise);
        osg::ref_ptr<Building> building = build({way});
        ASSERT_EQ(building->getNumDrawables(), 2u);

        double sizeFactor = 0.0;
        const double base = blockHeight(1, 1) + 2.0;
        const osg::ref_ptr<osg::Vec3Array> footprint = building->localFootprint(way, base, sizeFactor);
        ASSERT_EQ(footprint->size(), 4u);
        EXPECT_NEAR(sizeFactor, 0.0008 * 700.0, 1e-4);
        const float height = extrusionOf(building.get());
        EXPECT_NEAR(height, 30.0 * sizeFactor, 1e-3);
        const osg::Vec3f extrusion(0.0f, 0.0f, height);

        const osg::Vec3Array& roofVertices = vertices(roof(building.get()));
        ASSERT_EQ(roofVertices.size(), 4u);
        for (std::size_t i = 0; i < 4; ++i)
            EXPECT_EQ(roofVertices[i], (*footprint)[3 - i] + extrusion);
        ASSERT_EQ(roof(building.get())->getNumPrimitiveSets(), 1u);
        const osg::PrimitiveSet* roofTriangles = roof(building.get())->getPrimitiveSet(0);
        EXPECT_EQ(roofTriangles->getMode(), static_cast<GLenum>(GL_TRIANGLES));
        EXPECT_EQ(roofTriangles->getNumIndices(), 6u);

        osg::Geometry* wallGeometry = walls(building.get());
        const osg::Vec3Array& wallVertices = vertices(wallGeometry);
        const auto* normals = static_cast<const osg::Vec3Array*>(wallGeometry->getNormalArray());
        ASSERT_EQ(wallGeometry->getNumPrimitiveSets(), 1u);
        const auto* quads = static_cast<const osg::DrawArrays*>(wallGeometry->getPrimitiveSet(0));
        EXPECT_EQ(quads->getMode(), static_cast<GLenum>(GL_QUADS));
        EXPECT_EQ(quads->getFirst(), 0);
        EXPECT_EQ(quads->getCount(), 16);
        ASSERT_EQ(wallVertices.size(), 16u);
        ASSERT_EQ(normals->size(), 16u);
        EXPECT_EQ(wallGeometry->getNormalArray()->getBinding(), osg::Array::BIND_PER_VERTEX);
        osg::Vec3f centre;
        for (const osg::Vec3f& v : *footprint)
            centre += v / 4.0f;
        for (unsigned quad = 0; quad < 4; ++quad)
        {
            // Each wall runs along its footprint edge and winds counter-clockwise seen
            // from outside, so back faces can be culled.
            const osg::Vec3f& p = (*footprint)[quad];
            const osg::Vec3f& q = (*footprint)[(quad + 1) % 4];
            const osg::Vec3f& first = clockwise ? q : p;
            const osg::Vec3f& second = clockwise ? p : q;
            EXPECT_EQ(wallVertices[4 * quad], first);
            EXPECT_EQ(wallVertices[4 * quad + 1], second);
            EXPECT_EQ(wallVertices[4 * quad + 2], second + extrusion);
            EXPECT_EQ(wallVertices[4 * quad + 3], first + extrusion);
            osg::Vec3f outward = (p + q) * 0.5f - centre;
            outward.z() = 0.0f;
            outward.normalize();
            EXPECT_NEAR((*normals)[4 * quad].length(), 1.0f, 1e-5);
            EXPECT_GT((*normals)[4 * quad] * outward, 0.99f);
            EXPECT_EQ((*normals)[4 * quad], (*normals)[4 * quad + 3]);
            const osg::Vec3f wound = (wallVertices[4 * quad + 1] - wallVertices[4 * quad]) ^
                                     (wallVertices[4 * quad + 2] - wallVertices[4 * quad]);
            EXPECT_GT(wound * outward, 0.0f);
        }
        // The roof's triangles wind counter-clockwise seen from above.
        const auto* roofIndices = static_cast<const osg::DrawElementsUInt*>(roofTriangles);
        for (std::size_t i = 0; i + 2 < roofIndices->size(); i += 3)
        {
            const osg::Vec3f& a = roofVertices[(*roofIndices)[i]];
            const osg::Vec3f wound =
                (roofVertices[(*roofIndices)[i + 1]] - a) ^ (roofVertices[(*roofIndices)[i + 2]] - a);
            EXPECT_GT(wound.z(), 0.0f);
        }

        EXPECT_NEAR(geographic(wallVertices[0]).z(), base, 0.01);
        EXPECT_NEAR(geographic(roofVertices[0]).z(), base + height, 0.01);
        // The roofs face up in the local frame, like the walls' normals lie in it.
        const auto* roofNormals = static_cast<const osg::Vec3Array*>(roof(building.get())->getNormalArray());
        ASSERT_EQ(roofNormals->size(), 1u);
        EXPECT_EQ(roof(building.get())->getNormalArray()->getBinding(), osg::Array::BIND_OVERALL);
        EXPECT_NEAR((*roofNormals)[0].z(), 1.0f, 1e-4);
    }
}

TEST_F(BuildingTest, HeightComesFromHeightTagThenLevelsThenFootprintSize)
{
    struct Case
    {
        double half;
        std::vector<WayInfo> infos;
        float metres;
    };
    const std::vector<Case> cases = {
        {0.0005, {}, 42.0f},                                   // extents 0.002: size factor 1.4
        {0.001, {}, 30.0f},                                    // extents 0.004: factor 1
        {0.0005, {buildingInfo(7, 4, "")}, 12.0f},           // 3 m per level
        {0.0005, {buildingInfo(7, 4, "20")}, 20.0f},         // metres as written
        {0.0005, {buildingInfo(7, 0, "12.5")}, 12.5f},
        {0.0005, {buildingInfo(7, 0, "12 m")}, 12.0f},
        {0.0005, {buildingInfo(7, 0, " 8,25m")}, 8.25f},     // a decimal comma
        {0.0005, {buildingInfo(7, 4, "tall")}, 12.0f},       // unreadable: levels apply
        {0.0005, {buildingInfo(7, 4, "nan")}, 12.0f},
        {0.0005, {buildingInfo(7, 4, "0")}, 12.0f},
        {0.0005, {buildingInfo(7, 4, "-5")}, 12.0f},
        {0.0005, {buildingInfo(7, 0, "-5")}, 42.0f},         // and then the size rule
        {0.0005, {buildingInfo(7, -2, "")}, 42.0f},
        {0.0005, {buildingInfo(8, 9, "99")}, 42.0f},         // another way's record
        {0.0005, {buildingInfo(7, 4, ""), buildingInfo(7, 2, "")}, 6.0f}, // the last record wins
    };
    for (std::size_t i = 0; i < cases.size(); ++i)
    {
        SCOPED_TRACE("case " + std::to_string(i));
        osg::ref_ptr<Building> building =
            build({squareWay(7, blockLon(2), blockLat(2), cases[i].half, true)}, cases[i].infos);
        EXPECT_NEAR(extrusionOf(building.get()), cases[i].metres, 0.01);
    }
}

TEST_F(BuildingTest, DegenerateWaysAndSharedDrawables)
{
    const WayGeometry first = squareWay(1, blockLon(1), blockLat(1), 0.0002, true);
    const WayGeometry single{2, {first.nodes[0]}};
    const WayGeometry twoNodes{3, {first.nodes[1], first.nodes[2]}};
    const WayGeometry second = squareWay(4, blockLon(2), blockLat(1), 0.0003, false);
    osg::ref_ptr<Building> building = build({first, single, twoNodes, second}, {buildingInfo(3, 2, "")});

    osg::Geometry* wallGeometry = walls(building.get());
    const osg::Vec3Array& wallVertices = vertices(wallGeometry);
    const auto* normals = static_cast<const osg::Vec3Array*>(wallGeometry->getNormalArray());
    // 4 + 1 + 4 quads in one primitive set; the second square's walls follow the first's.
    ASSERT_EQ(wallGeometry->getNumPrimitiveSets(), 1u);
    EXPECT_EQ(static_cast<const osg::DrawArrays*>(wallGeometry->getPrimitiveSet(0))->getCount(), 36);
    ASSERT_EQ(wallVertices.size(), 36u);

    // The two-node way: one vertex, one degenerate quad without a normal.
    EXPECT_EQ(wallVertices[16], wallVertices[17]);
    EXPECT_EQ(wallVertices[18], wallVertices[19]);
    EXPECT_NEAR(wallVertices[18].z() - wallVertices[16].z(), 6.0f, 1e-4);
    EXPECT_EQ((*normals)[16], osg::Vec3f());

    // Roofs: 4 + 1 + 4 vertices; the second square's roof starts after the first's and the point.
    const osg::Vec3Array& roofVertices = vertices(roof(building.get()));
    ASSERT_EQ(roofVertices.size(), 9u);
    double sizeFactor = 0.0;
    const osg::ref_ptr<osg::Vec3Array> footprint =
        building->localFootprint(second, blockHeight(2, 1) + 2.0, sizeFactor);
    const float height = wallVertices[22].z() - wallVertices[21].z();
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(roofVertices[5 + i], (*footprint)[3 - i] + osg::Vec3f(0.0f, 0.0f, height));

    double firstFactor = 0.0;
    const osg::ref_ptr<osg::Vec3Array> firstFootprint =
        building->localFootprint(first, blockHeight(1, 1) + 2.0, firstFactor);
    // The first square is clockwise: its walls start at the far end of the first edge.
    EXPECT_EQ(wallVertices[0], (*firstFootprint)[1]);
    EXPECT_EQ(wallVertices[1], (*firstFootprint)[0]);
    EXPECT_EQ(wallVertices[20], (*footprint)[0]);
    EXPECT_EQ(wallVertices[21], (*footprint)[1]);

    osg::ref_ptr<Building> empty = build({});
    ASSERT_EQ(empty->getNumDrawables(), 2u);
    EXPECT_EQ(roof(empty.get())->getNumPrimitiveSets(), 0u);
    EXPECT_EQ(walls(empty.get())->getNumPrimitiveSets(), 0u);
    EXPECT_EQ(vertices(roof(empty.get())).size(), 0u);
    EXPECT_EQ(vertices(walls(empty.get())).size(), 0u);
}

TEST_F(BuildingTest, BaseIsLowestOfEveryTenthNodeAndNoDataIsZero)
{
    // Nodes 0, 10 and 20 stand on 35, 33 and 34 m; all others on lower ground (30 m).
    WayGeometry way{25, {}};
    for (int i = 0; i < 25; ++i)
    {
        const int bx = i == 0 ? 5 : i == 10 ? 3 : i == 20 ? 4 : 0;
        way.nodes.push_back({i, static_cast<float>(blockLat(0) + 0.0001 * (i % 3)),
                             static_cast<float>(blockLon(bx) + 0.0001 * (i % 2))});
    }
    osg::ref_ptr<Building> sampled = build({way});
    EXPECT_NEAR(geographic(vertices(walls(sampled.get()))[0]).z(), 33.0 + 2.0, 0.01);

    // A node without terrain data counts as 0 m, never as the previous node's height.
    WayGeometry partly{26, {}};
    for (int i = 0; i < 12; ++i)
    {
        const int by = i == 10 ? testTerrain::noDataRow : 1;
        partly.nodes.push_back({i, static_cast<float>(blockLat(by)),
                                static_cast<float>(blockLon(1) + 0.0001 * i)});
    }
    osg::ref_ptr<Building> overNoData = build({partly});
    EXPECT_NEAR(geographic(vertices(walls(overNoData.get()))[0]).z(), 2.0, 0.01);
}
} // namespace
