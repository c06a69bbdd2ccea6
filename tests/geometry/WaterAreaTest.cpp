#include "geometry/WaterArea.h"

#include "OsmFileBuilder.h"
#include "TerrainFixture.h"
#include "TestTerrain.h"
#include "geometry/GeometryGenerator.h"
#include "osm/OsmParser.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
using testTerrain::blockHeight;
using testTerrain::blockLat;
using testTerrain::blockLon;

// Nodes around the centre of block (bx, by), on a small circle.
std::vector<std::pair<double, double>> around(int bx, int by, std::initializer_list<int> steps)
{
    std::vector<std::pair<double, double>> points;
    for (int step : steps)
        points.emplace_back(blockLon(bx) + 0.002 * std::cos(step * 0.5),
                            blockLat(by) + 0.002 * std::sin(step * 0.5));
    return points;
}

// Whether a triangle of the drawable covers the point, seen from above.
bool covers(const osg::Drawable* drawable, const osg::Vec3f& point)
{
    const osg::Geometry* geometry = drawable->asGeometry();
    const auto* vertices = static_cast<const osg::Vec3Array*>(geometry->getVertexArray());
    const auto* triangles = static_cast<const osg::DrawElementsUInt*>(geometry->getPrimitiveSet(0));
    auto side = [](const osg::Vec3f& a, const osg::Vec3f& b, const osg::Vec3f& p) {
        return (b.x() - a.x()) * (p.y() - a.y()) - (b.y() - a.y()) * (p.x() - a.x());
    };
    for (std::size_t i = 0; i + 2 < triangles->size(); i += 3)
    {
        const osg::Vec3f& a = (*vertices)[(*triangles)[i]];
        const osg::Vec3f& b = (*vertices)[(*triangles)[i + 1]];
        const osg::Vec3f& c = (*vertices)[(*triangles)[i + 2]];
        const float ab = side(a, b, point), bc = side(b, c, point), ca = side(c, a, point);
        if ((ab >= 0 && bc >= 0 && ca >= 0) || (ab <= 0 && bc <= 0 && ca <= 0))
            return true;
    }
    return false;
}

std::size_t vertexCount(const osg::Drawable* drawable)
{
    return drawable->asGeometry()->getVertexArray()->getNumElements();
}

class WaterAreaTest : public TerrainFixture
{
protected:
    void SetUp() override
    {
        placeAt(2, 2);
        testTerrain::findSourceShaders();
    }

    std::unique_ptr<OsmParser> load(const OsmFileBuilder& osm, const std::string& name)
    {
        osm.write(name);
        int columns = 0;
        int rows = 0;
        testing::internal::CaptureStdout();
        std::unique_ptr<OsmParser> store(new OsmParser(name, columns, rows, 0.005));
        testing::internal::GetCapturedStdout();
        return store;
    }

};

TEST_F(WaterAreaTest, WaterWaysAndRelationsAssembleIntoAreas)
{
    OsmFileBuilder osm;
    osm.square("900", blockLon(0), blockLat(0), 0.001, true, {{"building", "yes"}});
    osm.line("1", around(1, 1, {0, 1, 2, 3, 0}), {{"natural", "water"}});
    // Not closed: no area.
    osm.line("2", around(2, 1, {0, 2, 4}), {{"natural", "water"}});
    // Relation 10: A, B, C run on from one another; the file stores A, C, B.
    osm.line("11", around(3, 3, {0, 1, 2}), {});
    osm.line("13", around(3, 3, {3, 4, 0}), {});
    osm.line("12", around(3, 3, {2, 3}), {});
    osm.relation("10", {"11", "13", "12"}, {{"natural", "water"}});
    // Relation 20: B runs against A and C runs on from B, but C does not lead back to A.
    osm.line("21", around(4, 3, {0, 1, 2}), {});
    osm.line("22", around(4, 3, {5, 2}), {});
    osm.line("23", around(4, 3, {5, 6}), {});
    osm.relation("20", {"21", "22", "23"}, {{"natural", "water"}});
    // Relation 30 cannot be joined; relation 40 has no member ways.
    osm.line("31", around(5, 3, {0, 1}), {});
    osm.line("32", around(5, 3, {3, 4}), {});
    osm.relation("30", {"31", "32"}, {{"waterway", "riverbank"}});
    osm.relation("40", {"999"}, {{"natural", "water"}});
    // Relation 50: a lake with an island.
    osm.square("51", blockLon(6), blockLat(3), 0.003, false, {});
    osm.square("52", blockLon(6), blockLat(3), 0.001, true, {});
    osm.relation("50", {"51", "52"}, {{"natural", "water"}});
    const auto store = load(osm, "water_relations.osm");
    const std::vector<WaterGroup> groups = store->waterRingGroups();
    ASSERT_EQ(groups.size(), 6u);

    testing::internal::CaptureStdout();
    osg::ref_ptr<WaterArea> area = new WaterArea(groups, *frame);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), " Sorst failed! \n Sorst failed! \n");
    ASSERT_EQ(area->getNumDrawables(), 3u);

    // Group 0: the closed way alone, 2 m above the terrain.
    EXPECT_EQ(vertexCount(area->getDrawable(0)), groups[0][0].size());
    // Relation 10: the five nodes of its joined ring, the first repeated last.
    EXPECT_EQ(vertexCount(area->getDrawable(1)), 6u);
    const struct
    {
        int drawable, bx, by;
    } placed[] = {{0, 1, 1}, {1, 3, 3}, {2, 6, 3}};
    for (const auto& p : placed)
    {
        const auto* vertices = static_cast<const osg::Vec3Array*>(area->getDrawable(p.drawable)->asGeometry()->getVertexArray());
        for (const osg::Vec3f& v : *vertices)
            EXPECT_NEAR(geographic(v).z(), blockHeight(p.bx, p.by) + 2.0, 0.01);
    }
    auto local = [&](double lon, double lat) { return (*frame->localize({osg::Vec3d(lon, lat, 0.0)}))[0]; };
    osg::Vec3d middle;
    for (const auto& p : around(3, 3, {0, 1, 2, 3, 4}))
        middle += osg::Vec3d(p.first, p.second, 0.0) / 5.0;
    EXPECT_TRUE(covers(area->getDrawable(1), local(middle.x(), middle.y())));
    EXPECT_TRUE(covers(area->getDrawable(2), local(blockLon(6) + 0.002, blockLat(3))));
    EXPECT_FALSE(covers(area->getDrawable(2), local(blockLon(6), blockLat(3))));
}

TEST_F(WaterAreaTest, GeneratedWaterHasProgramAndUniformsEvenWithoutWater)
{
    OsmFileBuilder osm;
    osm.square("900", blockLon(0), blockLat(0), 0.001, true, {{"building", "yes"}});
    const auto store = load(osm, "water_none.osm");
    GeometryGenerator generator(mapNode, store.get(), origin, -1);
    const osg::ref_ptr<osg::Node> water = generator.generateWater();

    auto* area = dynamic_cast<WaterArea*>(water.get());
    ASSERT_NE(area, nullptr);
    ASSERT_EQ(area->getNumDrawables(), 1u);
    EXPECT_EQ(area->getDrawable(0)->asGeometry()->getVertexArray()->getNumElements(), 0u);
    const osg::StateSet* state = area->getStateSet();
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(state->getAttribute(osg::StateAttribute::PROGRAM), generator.waterProgram.get());
    osg::Vec3f up(1, 1, 1), color;
    ASSERT_NE(state->getUniform("upVector"), nullptr);
    state->getUniform("upVector")->get(up);
    EXPECT_EQ(up, osg::Vec3f());
    state->getUniform("color")->get(color);
    EXPECT_EQ(color, osg::Vec3f(0.1f, 0.1f, 1.0f));
}
} // namespace
