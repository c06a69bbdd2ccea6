#include "geometry/Streets.h"

#include "TerrainFixture.h"
#include "TestTerrain.h"

#include <gtest/gtest.h>
#include <osg/PrimitiveSet>

namespace
{
using testTerrain::blockLat;
using testTerrain::blockLon;

// A way through the centres of the given blocks (bx, by).
WayGeometry blockWay(OsmId id, const std::vector<std::pair<int, int>>& blocks)
{
    WayGeometry way{id, {}};
    for (const auto& block : blocks)
        way.nodes.push_back({id * 100 + static_cast<OsmId>(way.nodes.size()), static_cast<float>(blockLat(block.second)),
                             static_cast<float>(blockLon(block.first))});
    return way;
}

WayInfo streetInfo(OsmId wayId, bool bridge)
{
    WayInfo info;
    info.wayId = wayId;
    info.kind = KindPrimary;
    info.bridge = bridge;
    return info;
}

class StreetsTest : public TerrainFixture
{
protected:
    void SetUp() override
    {
        placeAt(2, 0);
    }

    osg::ref_ptr<Streets> build(std::vector<WayGeometry> ways, std::vector<WayInfo> infos, double offset)
    {
        const std::vector<float> widths(ways.size(), 1.0f);
        return new Streets(std::move(ways), std::move(infos), widths, *frame, offset);
    }

    static const osg::Vec3Array& vertices(Streets* streets)
    {
        return *static_cast<const osg::Vec3Array*>(streets->getGeometry()->getVertexArray());
    }

    static std::vector<std::pair<int, int>> strips(Streets* streets)
    {
        std::vector<std::pair<int, int>> result;
        for (unsigned i = 0; i < streets->getGeometry()->getNumPrimitiveSets(); ++i)
        {
            const auto* set = static_cast<const osg::DrawArrays*>(streets->getGeometry()->getPrimitiveSet(i));
            EXPECT_EQ(set->getMode(), static_cast<GLenum>(GL_LINE_STRIP));
            result.emplace_back(set->getFirst(), set->getCount());
        }
        return result;
    }

    std::vector<double> altitudes(Streets* streets) const
    {
        std::vector<double> result;
        for (const osg::Vec3f& v : vertices(streets))
            result.push_back(geographic(v).z());
        return result;
    }

};

void expectAltitudes(const std::vector<double>& actual, const std::vector<double>& expected)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(actual[i], expected[i], 0.01) << "vertex " << i;
}

TEST_F(StreetsTest, WaysFollowTheTerrainAndTwoNodeBridgesArch)
{
    // Terrain 30, 31, 32 m, offset 2: one metre more than terrain plus offset.
    osg::ref_ptr<Streets> plain = build({blockWay(1, {{0, 0}, {1, 0}, {2, 0}})}, {}, 2.0);
    EXPECT_EQ(plain->getNumDrawables(), 1u);
    EXPECT_EQ(strips(plain.get()), (std::vector<std::pair<int, int>>{{0, 3}}));
    expectAltitudes(altitudes(plain.get()), {33, 34, 35});
    EXPECT_EQ(plain->getGeometry()->getNormalArray(), nullptr);

    // Terrain 30 and 34 m, offset 1: ends without the extra metre, inner points 4 m
    // above the straight line, at a quarter, half and three quarters of the span.
    const WayGeometry bridge = blockWay(2, {{0, 0}, {4, 0}});
    osg::ref_ptr<Streets> arch = build({bridge}, {streetInfo(2, true)}, 1.0);
    expectAltitudes(altitudes(arch.get()), {31, 36, 37, 38, 35});
    for (int i = 0; i < 5; ++i)
    {
        const osg::Vec3d point = geographic(vertices(arch.get())[i]);
        EXPECT_NEAR(point.x(), blockLon(0) + (blockLon(4) - blockLon(0)) * i / 4.0, 5e-6);
        EXPECT_NEAR(point.y(), blockLat(0), 5e-6);
    }

    // A bridge of three nodes follows the terrain like any way.
    osg::ref_ptr<Streets> long_ = build({blockWay(3, {{0, 0}, {1, 0}, {2, 0}})}, {streetInfo(3, true)}, 2.0);
    expectAltitudes(altitudes(long_.get()), {33, 34, 35});

    // No terrain data gives 0 m there, not the previous node's height.
    osg::ref_ptr<Streets> gap =
        build({blockWay(4, {{1, 1}, {1, testTerrain::noDataRow}, {2, 1}})}, {}, 0.5);
    expectAltitudes(altitudes(gap.get()), {41 + 1.5, 1.5, 42 + 1.5});
}

TEST_F(StreetsTest, OneStripPerWayAndTheFirstTagRecordDecidesTheBridge)
{
    const WayGeometry two = blockWay(10, {{0, 0}, {1, 0}});
    const WayGeometry three = blockWay(11, {{1, 0}, {2, 0}, {3, 0}});
    const WayGeometry single = blockWay(12, {{3, 0}});

    osg::ref_ptr<Streets> plain = build({two, three, single}, {}, 1.0);
    EXPECT_EQ(strips(plain.get()), (std::vector<std::pair<int, int>>{{0, 2}, {2, 3}, {5, 1}}));

    osg::ref_ptr<Streets> bridged = build({two, three}, {streetInfo(11, false), streetInfo(10, true)}, 1.0);
    EXPECT_EQ(strips(bridged.get()), (std::vector<std::pair<int, int>>{{0, 5}, {5, 3}}));

    osg::ref_ptr<Streets> firstDecides =
        build({two}, {streetInfo(10, false), streetInfo(10, true)}, 1.0);
    EXPECT_EQ(strips(firstDecides.get()), (std::vector<std::pair<int, int>>{{0, 2}}));

    osg::ref_ptr<Streets> otherId = build({two}, {streetInfo(100, true)}, 1.0);
    EXPECT_EQ(strips(otherId.get()), (std::vector<std::pair<int, int>>{{0, 2}}));
}
} // namespace
