#include "geometry/Trees.h"

#include "TerrainFixture.h"
#include "TestTerrain.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace
{
using testTerrain::blockHeight;
using testTerrain::blockLat;
using testTerrain::blockLon;

TaggedNode treeAt(OsmId id, int bx, const Tags& tags = {})
{
    return {{id, static_cast<float>(blockLat(1)), static_cast<float>(blockLon(bx))}, tags};
}

const osg::Vec3Array& vertices(const Trees& trees)
{
    return *static_cast<const osg::Vec3Array*>(trees.getGeometry()->getVertexArray());
}

class TreesTest : public TerrainFixture
{
protected:
    void SetUp() override { placeAt(2, 1); }

    osg::ref_ptr<Trees> build(const TaggedNode& tree) { return new Trees({tree}, {}, *frame); }

    // Lowest and highest height of the bark-coloured (trunk) or of the other (crown) vertices.
    std::pair<double, double> span(const Trees& trees, bool bark) const
    {
        const auto& colours = *static_cast<const osg::Vec4Array*>(trees.getGeometry()->getColorArray());
        std::vector<double> heights;
        for (std::size_t i = 0; i < colours.size(); ++i)
            if ((colours[i].r() > colours[i].g()) == bark)
                heights.push_back(geographic(vertices(trees)[i]).z());
        const auto range = std::minmax_element(heights.begin(), heights.end());
        return heights.empty() ? std::make_pair(0.0, 0.0) : std::make_pair(*range.first, *range.second);
    }
};

// Every face is wound counter-clockwise seen from outside, as its normal says: seen
// from above, both point away from the tree's axis through its top.
void expectFacesOutward(const Trees& trees)
{
    const osg::Vec3Array& v = vertices(trees);
    const auto& normals = *static_cast<const osg::Vec3Array*>(trees.getGeometry()->getNormalArray());
    const osg::Vec3f top = *std::max_element(v.begin(), v.end(), [](auto& a, auto& b) { return a.z() < b.z(); });
    for (std::size_t i = 0; i + 2 < v.size(); i += 3)
    {
        const osg::Vec3f winding = (v[i + 1] - v[i]) ^ (v[i + 2] - v[i]);
        const osg::Vec3f out = (v[i] + v[i + 1] + v[i + 2]) / 3.0f - top;
        EXPECT_GT(winding * normals[i], 0.0f) << "face " << i / 3;
        EXPECT_GT(winding.x() * out.x() + winding.y() * out.y(), 0.0f) << "face " << i / 3;
    }
}

TEST_F(TreesTest, TreesStandOnTheTerrainAtTheirHeightWithCrownsAboveTrunks)
{
    const double ground = blockHeight(1, 1);
    osg::ref_ptr<Trees> mapped = build(treeAt(7, 1, {{"height", "12,5 m"}}));
    const auto trunk = span(*mapped, true);
    const auto crown = span(*mapped, false);
    EXPECT_NEAR(crown.second, ground + 12.5, 0.01);
    EXPECT_LT(trunk.first, ground - 0.1) << "the trunk reaches into the ground";
    EXPECT_GT(trunk.first, ground - 2.0);
    EXPECT_GT(crown.first, ground + 1.0);
    EXPECT_LT(trunk.second, crown.second);
    expectFacesOutward(*mapped);

    // Untagged: a usual tree's height, the same on every build, another tree's a
    // little different.
    osg::ref_ptr<Trees> plain = build(treeAt(8, 3));
    const double height = span(*plain, false).second - blockHeight(3, 1);
    EXPECT_GT(height, 5.0);
    EXPECT_LT(height, 15.0);
    EXPECT_EQ(vertices(*build(treeAt(8, 3))).asVector(), vertices(*plain).asVector());
    EXPECT_NE(vertices(*build(treeAt(9, 3))).asVector(), vertices(*plain).asVector());

    // A row about 100 m long, with single trees: all in one drawable, every tree in full.
    const std::size_t perTree = vertices(*plain).size();
    TaggedWay row;
    row.way = {50, {treeAt(51, 3).node, treeAt(52, 3).node}};
    row.way.nodes[1].lat -= 0.0009f;
    osg::ref_ptr<Trees> trees = new Trees({treeAt(1, 1), treeAt(2, 2)}, {row}, *frame);
    EXPECT_GE(trees->treeCount(), 2u + 9u) << "a tree at most every 12 m";
    EXPECT_LE(trees->treeCount(), 2u + 21u) << "a tree at least every 5 m";
    EXPECT_EQ(trees->getNumDrawables(), 1u);
    EXPECT_EQ(vertices(*trees).size(), perTree * trees->treeCount());
}
} // namespace
