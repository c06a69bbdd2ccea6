#include "geometry/PolygonTriangles.h"

#include <gtest/gtest.h>

namespace
{
osg::ref_ptr<osg::Vec3Array> polygon(std::initializer_list<osg::Vec3f> corners)
{
    return new osg::Vec3Array(corners.begin(), corners.end());
}

// Twice the area the triangles cover, seen from above.
float coveredArea(const osg::Vec3Array& vertices, const osg::DrawElementsUInt& triangles)
{
    float area = 0.0f;
    for (std::size_t i = 0; i + 2 < triangles.size(); i += 3)
    {
        const osg::Vec3f a = vertices[triangles[i]], b = vertices[triangles[i + 1]], c = vertices[triangles[i + 2]];
        area += std::abs(((b - a) ^ (c - a)).z());
    }
    return area;
}

TEST(PolygonTriangles, PolygonsAppendedOneAfterAnother)
{
    osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array;
    osg::ref_ptr<osg::DrawElementsUInt> triangles = new osg::DrawElementsUInt(GL_TRIANGLES);

    // A concave L of six corners: four triangles over its three unit squares.
    appendPolygonTriangles(*polygon({{0, 0, 5}, {2, 0, 5}, {2, 1, 5}, {1, 1, 5}, {1, 2, 5}, {0, 2, 5}}), *vertices,
                           *triangles);
    ASSERT_EQ(vertices->size(), 6u);
    EXPECT_EQ(triangles->size(), 12u);
    EXPECT_FLOAT_EQ(coveredArea(*vertices, *triangles), 6.0f);

    // A square after it: its indices start at 6.
    appendPolygonTriangles(*polygon({{10, 0, 5}, {11, 0, 5}, {11, 1, 5}, {10, 1, 5}}), *vertices, *triangles);
    ASSERT_EQ(vertices->size(), 10u);
    ASSERT_EQ(triangles->size(), 18u);
    for (std::size_t i = 12; i < 18; ++i)
        EXPECT_GE((*triangles)[i], 6u);
    EXPECT_EQ((*vertices)[6], osg::Vec3f(10, 0, 5));

    // A bow tie crosses itself: the crossing point is added after its own corners.
    appendPolygonTriangles(*polygon({{0, 10, 5}, {2, 12, 5}, {2, 10, 5}, {0, 12, 5}}), *vertices, *triangles);
    ASSERT_EQ(vertices->size(), 15u);
    EXPECT_NEAR(((*vertices)[14] - osg::Vec3f(1, 11, 5)).length(), 0.0f, 1e-5f);
    EXPECT_EQ(triangles->size(), 24u);

    // A single point or a segment covers nothing but keeps its vertices.
    appendPolygonTriangles(*polygon({{7, 7, 5}}), *vertices, *triangles);
    appendPolygonTriangles(*polygon({{7, 7, 5}, {8, 8, 5}}), *vertices, *triangles);
    EXPECT_EQ(vertices->size(), 18u);
    EXPECT_EQ(triangles->size(), 24u);
}
} // namespace
