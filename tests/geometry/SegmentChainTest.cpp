#include "geometry/SegmentChain.h"

#include <gtest/gtest.h>

namespace
{
osg::ref_ptr<osg::Vec3Array> segment(std::initializer_list<float> xs)
{
    osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array;
    for (float x : xs)
        vertices->push_back(osg::Vec3f(x, 2.0f * x, 0.5f));
    return vertices;
}

std::vector<float> xs(const osg::Vec3Array& vertices)
{
    std::vector<float> result;
    for (const osg::Vec3f& v : vertices)
        result.push_back(v.x());
    return result;
}

TEST(SegmentChain, JoinsSegmentsEndToEnd)
{
    // A, B, C each go on from where the previous ends; stored out of order.
    SegmentChain chain;
    const auto a = segment({1, 2, 3});
    const auto b = segment({3, 4});
    const auto c = segment({4, 5, 1});
    chain.segments = {a, c, b};
    testing::internal::CaptureStdout();
    EXPECT_TRUE(chain.chainSegments());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(chain.chained);
    EXPECT_EQ(chain.chain, (std::vector<osg::ref_ptr<osg::Vec3Array>>{a, b, c}));
    EXPECT_EQ(xs(*chain.joinedVertices()), (std::vector<float>{1, 2, 3, 3, 4, 4, 5, 1}));

    // B runs against A: found by its last vertex, then A again from B's last vertex; C left out.
    SegmentChain reversed;
    const auto b2 = segment({7, 3});
    const auto c2 = segment({7, 8});
    reversed.segments = {a, b2, c2};
    EXPECT_TRUE(reversed.chainSegments());
    EXPECT_EQ(reversed.chain, (std::vector<osg::ref_ptr<osg::Vec3Array>>{a, b2, a}));
    EXPECT_EQ(xs(*reversed.joinedVertices()), (std::vector<float>{1, 2, 3, 7, 3, 1, 2, 3}));

    // One segment is a chain by itself.
    SegmentChain one;
    one.segments = {c};
    EXPECT_TRUE(one.chainSegments());
    EXPECT_EQ(xs(*one.joinedVertices()), (std::vector<float>{4, 5, 1}));
}

TEST(SegmentChain, FailureIsReportedOnceAndKeepsStoredOrder)
{
    SegmentChain chain;
    const auto a = segment({1, 2});
    const auto b = segment({5, 6});
    const auto c = segment({8, 9});
    chain.segments = {a, b, c};
    EXPECT_EQ(chain.findSuccessor(a.get()), nullptr);
    testing::internal::CaptureStdout();
    EXPECT_FALSE(chain.chainSegments());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), " Sorst failed! \n");
    EXPECT_FALSE(chain.chained);
    EXPECT_EQ(xs(*chain.joinedVertices()), (std::vector<float>{1, 2, 5, 6, 8, 9}));

    // Matching is exact, component by component.
    SegmentChain near;
    const auto d = segment({2});
    (*d)[0].z() += 1e-6f;
    near.segments = {a, d};
    EXPECT_EQ(near.findSuccessor(a.get()), nullptr);
}
} // namespace
