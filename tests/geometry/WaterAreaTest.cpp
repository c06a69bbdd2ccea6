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

std::vector<osg::Vec3f> concatenated(std::initializer_list<const osg::Vec3Array*> parts)
{
    std::vector<osg::Vec3f> all;
    for (const osg::Vec3Array* part : parts)
        all.insert(all.end(), part->begin(), part->end());
    return all;
}

std::vector<osg::Vec3f> leading(const osg::Drawable* drawable, std::size_t count)
{
    const auto* vertices = static_cast<const osg::Vec3Array*>(drawable->asGeometry()->getVertexArray());
    EXPECT_GE(vertices->size(), count);
    return std::vector<osg::Vec3f>(vertices->begin(), vertices->begin() + std::min(count, vertices->size()));
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

TEST_F(WaterAreaTest, WaterWaysAndRelationsBecomeOneDrawableEach)
{
    OsmFileBuilder osm;
    osm.square("900", blockLon(0), blockLat(0), 0.001, true, {{"building", "yes"}});
    osm.line("1", around(1, 1, {0, 1, 2, 3, 0}), {{"natural", "water"}});
    osm.line("2", around(2, 1, {0, 2, 4}), {{"natural", "water"}});
    // Relation 10: A, B, C run on from one another; the file stores A, C, B.
    osm.line("11", around(3, 3, {0, 1, 2}), {});
    osm.line("13", around(3, 3, {3, 4, 0}), {});
    osm.line("12", around(3, 3, {2, 3}), {});
    osm.relation("10", {"11", "13", "12"}, {{"natural", "water"}});
    // Relation 20: B runs against A, so A is found again and C is left out.
    osm.line("21", around(4, 3, {0, 1, 2}), {});
    osm.line("22", around(4, 3, {5, 2}), {});
    osm.line("23", around(4, 3, {5, 6}), {});
    osm.relation("20", {"21", "22", "23"}, {{"natural", "water"}});
    // Relation 30 cannot be joined; relation 40 has no member ways.
    osm.line("31", around(5, 3, {0, 1}), {});
    osm.line("32", around(5, 3, {3, 4}), {});
    osm.relation("30", {"31", "32"}, {{"waterway", "riverbank"}});
    osm.relation("40", {"999"}, {{"natural", "water"}});
    const auto store = load(osm, "water_relations.osm");
    const std::vector<WaterGroup> groups = store->waterRingGroups();
    ASSERT_EQ(groups.size(), 5u);

    testing::internal::CaptureStdout();
    osg::ref_ptr<WaterArea> area = new WaterArea(groups, *frame);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), " Sorst failed! \n");
    ASSERT_EQ(area->getNumDrawables(), 4u);

    // Group 0: each ring reversed, one after the other, 2 m above the terrain.
    const auto ring1 = area->buildRingVertices(groups[0][0]);
    const auto ring2 = area->buildRingVertices(groups[0][1]);
    std::vector<osg::Vec3f> expected(ring1->rbegin(), ring1->rend());
    expected.insert(expected.end(), ring2->rbegin(), ring2->rend());
    EXPECT_EQ(leading(area->getDrawable(0), 8), expected);
    for (const osg::Vec3f& v : *ring1)
        EXPECT_NEAR(geographic(v).z(), blockHeight(1, 1) + 2.0, 0.01);
    for (const osg::Vec3f& v : *ring2)
        EXPECT_NEAR(geographic(v).z(), blockHeight(2, 1) + 2.0, 0.01);

    auto ring = [&](std::size_t g, std::size_t r) { return area->buildRingVertices(groups[g][r]); };
    const auto a = ring(1, 0), c = ring(1, 1), b = ring(1, 2);
    EXPECT_EQ(leading(area->getDrawable(1), 8), concatenated({a.get(), b.get(), c.get()}));
    const auto a2 = ring(2, 0), b2 = ring(2, 1);
    EXPECT_EQ(leading(area->getDrawable(2), 8), concatenated({a2.get(), b2.get(), a2.get()}));
    const auto x = ring(3, 0), y = ring(3, 1);
    EXPECT_EQ(leading(area->getDrawable(3), 4), concatenated({x.get(), y.get()}));
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
