#include "geometry/LandCover.h"
#include "geometry/TriangleTiles.h"

#include "OsmFileBuilder.h"
#include "TerrainFixture.h"
#include "TestTerrain.h"
#include "geometry/ForestTrees.h"
#include "geometry/GeometryGenerator.h"
#include "geometry/GeosContext.h"
#include "geometry/Trees.h"
#include "geometry/WaterArea.h"
#include "osm/OsmParser.h"

#include <gtest/gtest.h>

#include <osg/Geometry>

#include <cmath>

namespace
{
using testTerrain::blockHeight;
using testTerrain::blockLat;
using testTerrain::blockLon;

// A square area of side `side` degrees with its south-west corner at (lon, lat).
MappedArea squareArea(OsmId id, double lon, double lat, double side, const Tags& tags)
{
    auto node = [](double x, double y) { return OsmNode{0, static_cast<float>(y), static_cast<float>(x)}; };
    AreaPolygon polygon{{node(lon, lat), node(lon + side, lat), node(lon + side, lat + side), node(lon, lat + side),
                         node(lon, lat)},
                        {}};
    return MappedArea{id, tags, {polygon}};
}

class LandCoverTest : public TerrainFixture
{
protected:
    void SetUp() override { placeAt(2, 2); }
};

TEST_F(LandCoverTest, SmallerAreasLieOverLargerOnesOnTheTerrain)
{
    const Tags park{{"leisure", "park"}};
    const Tags pitch{{"leisure", "pitch"}};
    // The pitch first: the order of the areas does not decide.
    const double lon = blockLon(2) - 0.002, lat = blockLat(2) - 0.002;
    const std::vector<MappedArea> areas = {squareArea(2, lon + 0.001, lat + 0.001, 0.0005, pitch),
                                           squareArea(1, lon, lat, 0.004, park),
                                           squareArea(3, lon, lat, 0.001, {{"natural", "water"}})};
    const GeosContext geos;
    const osg::ref_ptr<osg::Geode> cover = LandCover::build(areas, geos, *frame);
    ASSERT_TRUE(cover.valid());
    ASSERT_EQ(cover->getNumDrawables(), 1u);
    const osg::Geometry* geometry = cover->getDrawable(0)->asGeometry();
    const auto* vertices = static_cast<const osg::Vec3Array*>(geometry->getVertexArray());
    const auto* colours = static_cast<const osg::Vec4Array*>(geometry->getColorArray());
    ASSERT_EQ(vertices->size(), colours->size());

    osg::Vec4f parkColour, pitchColour;
    ASSERT_TRUE(LandCover::colourOf(park, parkColour));
    ASSERT_TRUE(LandCover::colourOf(pitch, pitchColour));
    // Each area's triangles cover it once; the water is no land cover.
    double parkArea = 0.0, pitchArea = 0.0;
    float parkRank = -1.0f, pitchRank = -1.0f;
    std::size_t lastPark = 0, firstPitch = vertices->size();
    for (std::size_t k = 0; k + 2 < vertices->size(); k += 3)
    {
        const osg::Vec4f c = (*colours)[k];
        const double area = (((*vertices)[k + 1] - (*vertices)[k]) ^ ((*vertices)[k + 2] - (*vertices)[k])).length() / 2;
        const bool isPark = osg::Vec3f(c.r(), c.g(), c.b()) == osg::Vec3f(parkColour.r(), parkColour.g(), parkColour.b());
        (isPark ? parkArea : pitchArea) += area;
        (isPark ? parkRank : pitchRank) = c.a();
        if (isPark)
            lastPark = k;
        else
            firstPitch = std::min(firstPitch, k);
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(geographic((*vertices)[k + i]).z(), blockHeight(2, 2), 0.01);
    }
    EXPECT_NEAR(parkArea, LandCover::squareMetres(areas[1].polygons.front()), parkArea * 0.0025);
    EXPECT_NEAR(pitchArea, LandCover::squareMetres(areas[0].polygons.front()), pitchArea * 0.0025);
    EXPECT_GT(pitchRank, parkRank);
    EXPECT_LT(lastPark, firstPitch);
}

TEST(ForestTrees, WoodsArePlantedTheSameEveryTimeUpToTheCap)
{
    const GeosContext geos;
    // About 222 m by 160 m at 44 N: some 350 trees 10 m apart.
    const std::vector<MappedArea> areas = {squareArea(7, 7.0, 44.0, 0.002, {{"landuse", "forest"}}),
                                           squareArea(8, 7.0, 44.0, 0.002, {{"leisure", "park"}})};
    const std::vector<TaggedNode> trees = ForestTrees::plant(areas, geos, 10.0, 100000);
    EXPECT_GT(trees.size(), 250u);
    EXPECT_LT(trees.size(), 450u);
    for (const TaggedNode& tree : trees)
    {
        EXPECT_TRUE(tree.node.lon > 7.0f && tree.node.lon < 7.002f && tree.node.lat > 44.0f && tree.node.lat < 44.002f);
        EXPECT_EQ(tree.tags, areas[0].tags);
    }
    const std::vector<TaggedNode> again = ForestTrees::plant(areas, geos, 10.0, 100000);
    ASSERT_EQ(again.size(), trees.size());
    for (std::size_t i = 0; i < trees.size(); ++i)
        EXPECT_EQ(again[i].node.id, trees[i].node.id);
    EXPECT_EQ(ForestTrees::plant(areas, geos, 10.0, 40).size(), 40u);
}
TEST_F(LandCoverTest, CellsDrawTheirLandCoverAndWoodsTheWaterTheSea)
{
    testTerrain::findSourceShaders();
    const double lon = blockLon(2), lat = blockLat(2);
    OsmFileBuilder osm;
    // Two buildings lay one grid cell over all of it.
    osm.square("1", lon, lat, 0.0005, true, {{"building", "yes"}});
    osm.square("7", lon + 0.004, lat + 0.004, 0.0005, true, {{"building", "yes"}});
    osm.square("2", lon + 0.0015, lat + 0.0015, 0.0005, false, {{"leisure", "park"}});
    // A wood of two ways, the second running back to the first.
    osm.line("3", {{lon, lat + 0.001}, {lon + 0.001, lat + 0.001}, {lon + 0.001, lat + 0.003}}, {});
    osm.line("4", {{lon, lat + 0.001}, {lon, lat + 0.003}, {lon + 0.001, lat + 0.003}}, {});
    osm.relation("5", {"3", "4"}, {{"type", "multipolygon"}, {"landuse", "forest"}});
    // The coast dips south of the building: the sea lies south of it.
    osm.line("6", {{lon - 0.01, lat - 0.001}, {lon, lat - 0.006}, {lon + 0.01, lat - 0.001}},
             {{"natural", "coastline"}});
    osm.write("land_cover.osm");
    int columns = 0;
    int rows = 0;
    testing::internal::CaptureStdout();
    OsmParser store("land_cover.osm", columns, rows, 0.005);
    testing::internal::GetCapturedStdout();

    GeometryGenerator generator(mapNode, &store, origin, -1);
    const GeometryGenerator::CellNodes cell = generator.generateCell(0, 0);
    const Trees* trees = nullptr;
    const osg::Node* cover = nullptr;
    for (const auto& node : cell.built)
    {
        if (const auto* planted = dynamic_cast<const Trees*>(node.get()))
            trees = planted;
        else if (node->getStateSet() &&
                 node->getStateSet()->getAttribute(osg::StateAttribute::PROGRAM) == generator.landCoverProgram.get())
            cover = node.get();
    }
    ASSERT_NE(trees, nullptr);
    EXPECT_GT(trees->treeCount(), 100u);
    ASSERT_NE(cover, nullptr);
    EXPECT_EQ(cover->asGeode()->getNumDrawables(), 1u);

    const osg::ref_ptr<osg::Node> water = generator.generateWater();
    const auto* area = dynamic_cast<const WaterArea*>(water.get());
    ASSERT_NE(area, nullptr);
    // The water ways' drawable, then the sea in tiles.
    ASSERT_GE(area->getNumDrawables(), 2u);
    for (unsigned i = 1; i < area->getNumDrawables(); ++i)
    {
        const auto* sea = static_cast<const osg::Vec3Array*>(area->getDrawable(i)->asGeometry()->getVertexArray());
        ASSERT_FALSE(sea->empty());
        for (const osg::Vec3f& v : *sea)
            EXPECT_LT(geographic(v).y(), lat - 0.001 + 1e-6);
    }
}
} // namespace

// Every triangle lands in exactly one tile, the one its middle lies in, with its own
// normals and colours.
TEST(TriangleTiles, EveryTriangleGoesWholeToTheTileOfItsMiddle)
{
    osg::ref_ptr<osg::Geometry> surface = new osg::Geometry;
    osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array;
    osg::ref_ptr<osg::Vec3Array> normals = new osg::Vec3Array;
    osg::ref_ptr<osg::Vec4Array> colours = new osg::Vec4Array;
    for (int t = 0; t < 30; ++t)
    {
        const float x = -700.0f + 50.0f * t;
        for (const osg::Vec3f& corner : {osg::Vec3f(x, 10, 0), osg::Vec3f(x + 90, 10, 0), osg::Vec3f(x, 60, 0)})
        {
            vertices->push_back(corner);
            normals->push_back(osg::Vec3f(0, 0, 1));
            colours->push_back(osg::Vec4f(float(t), 0, 0, 1));
        }
    }
    surface->setVertexArray(vertices.get());
    surface->setNormalArray(normals.get(), osg::Array::BIND_PER_VERTEX);
    surface->setColorArray(colours.get(), osg::Array::BIND_PER_VERTEX);

    const auto tiles = triangleTiles(*surface, 500.0f);
    ASSERT_EQ(tiles.size(), 4u); // middles from x = -670 to 780: tiles -2, -1, 0 and 1
    std::size_t kept = 0;
    for (const auto& tile : tiles)
    {
        const auto& v = *static_cast<const osg::Vec3Array*>(tile->getVertexArray());
        const auto& c = *static_cast<const osg::Vec4Array*>(tile->getColorArray());
        ASSERT_EQ(v.size() % 3, 0u);
        const float square = std::floor(((v[0] + v[1] + v[2]) / 3.0f).x() / 500.0f);
        for (std::size_t i = 0; i < v.size(); i += 3)
        {
            EXPECT_EQ(std::floor(((v[i] + v[i + 1] + v[i + 2]) / 3.0f).x() / 500.0f), square);
            EXPECT_EQ(v[i].x(), -700.0f + 50.0f * c[i].r()); // the triangle's own corner and colour
        }
        kept += v.size();
    }
    EXPECT_EQ(kept, vertices->size());
}
