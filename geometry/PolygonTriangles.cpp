#include "geometry/PolygonTriangles.h"

#include <osg/Geometry>
#include <osg/TriangleIndexFunctor>
#include <osgUtil/Tessellator>

namespace
{
struct TriangleCollector
{
    void operator()(unsigned int a, unsigned int b, unsigned int c)
    {
        triangles->push_back(base + a);
        triangles->push_back(base + b);
        triangles->push_back(base + c);
    }

    osg::DrawElementsUInt* triangles = nullptr;
    unsigned int base = 0;
};
} // namespace

void appendPolygonTriangles(const osg::Vec3Array& polygon, osg::Vec3Array& vertices,
                            osg::DrawElementsUInt& triangles)
{
    appendContourTriangles({&polygon}, vertices, triangles);
}

void appendContourTriangles(const std::vector<const osg::Vec3Array*>& contours, osg::Vec3Array& vertices,
                            osg::DrawElementsUInt& triangles)
{
    osg::ref_ptr<osg::Geometry> single = new osg::Geometry;
    osg::ref_ptr<osg::Vec3Array> contourVertices = new osg::Vec3Array;
    for (const osg::Vec3Array* contour : contours)
    {
        single->addPrimitiveSet(new osg::DrawArrays(GL_POLYGON, static_cast<GLint>(contourVertices->size()),
                                                    static_cast<GLsizei>(contour->size())));
        contourVertices->insert(contourVertices->end(), contour->begin(), contour->end());
    }
    single->setVertexArray(contourVertices.get());
    osg::ref_ptr<osgUtil::Tessellator> tessellator = new osgUtil::Tessellator;
    tessellator->setWindingType(osgUtil::Tessellator::TESS_WINDING_ODD);
    tessellator->setTessellationType(osgUtil::Tessellator::TESS_TYPE_GEOMETRY);
    tessellator->retessellatePolygons(*single);

    osg::TriangleIndexFunctor<TriangleCollector> collector;
    collector.triangles = &triangles;
    collector.base = static_cast<unsigned int>(vertices.size());
    single->accept(collector);
    const auto* tessellated = static_cast<const osg::Vec3Array*>(single->getVertexArray());
    vertices.insert(vertices.end(), tessellated->begin(), tessellated->end());
}
