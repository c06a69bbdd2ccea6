#include "geometry/RoofMesh.h"

#include "geometry/PolygonTriangles.h"

#include <osg/Array>
#include <osg/PrimitiveSet>

#include <cmath>
#include <utility>

namespace
{
const double samePoint = 1e-6;

// Newell's normal: sound for any planar polygon, convex or not.
osg::Vec3d newellNormal(const std::vector<osg::Vec3d>& polygon)
{
    osg::Vec3d normal;
    for (std::size_t i = 0; i < polygon.size(); ++i)
    {
        const osg::Vec3d& p = polygon[i];
        const osg::Vec3d& q = polygon[(i + 1) % polygon.size()];
        normal += osg::Vec3d((p.y() - q.y()) * (p.z() + q.z()), (p.z() - q.z()) * (p.x() + q.x()),
                             (p.x() - q.x()) * (p.y() + q.y()));
    }
    return normal;
}

bool isConvex(const std::vector<osg::Vec3d>& polygon, const osg::Vec3d& normal)
{
    for (std::size_t i = 0; i < polygon.size(); ++i)
    {
        const osg::Vec3d& a = polygon[i];
        const osg::Vec3d& b = polygon[(i + 1) % polygon.size()];
        const osg::Vec3d& c = polygon[(i + 2) % polygon.size()];
        if (((b - a) ^ (c - b)) * normal < 0.0)
            return false;
    }
    return true;
}
} // namespace

void RoofMesh::addTriangle(const osg::Vec3d& a, const osg::Vec3d& b, const osg::Vec3d& c, bool wall)
{
    osg::Vec3d normal = (b - a) ^ (c - a);
    if (normal.length() <= 0.0)
        return;
    normal.normalize();
    for (const osg::Vec3d* p : {&a, &b, &c})
    {
        triangles.push_back(static_cast<unsigned>(vertices.size()));
        vertices.push_back(*p);
        normals.push_back(osg::Vec3f(normal));
        onWall.push_back(wall);
    }
}

void RoofMesh::addFace(std::vector<osg::Vec3d> polygon, bool wall)
{
    polygon = withoutRepeats(polygon, samePoint);
    if (polygon.size() < 3)
        return;
    osg::Vec3d normal = newellNormal(polygon);
    if (normal.length() <= 0.0)
        return;
    if (isConvex(polygon, normal))
    {
        for (std::size_t i = 1; i + 1 < polygon.size(); ++i)
            addTriangle(polygon[0], polygon[i], polygon[i + 1], wall);
        return;
    }
    // A concave face (a skeleton's, say) is left to the tessellator, its triangles
    // turned to the face's own winding.
    osg::ref_ptr<osg::Vec3Array> outline = new osg::Vec3Array;
    const osg::Vec3d origin = polygon.front();
    for (const osg::Vec3d& p : polygon)
        outline->push_back(osg::Vec3f(p - origin));
    osg::ref_ptr<osg::Vec3Array> points = new osg::Vec3Array;
    osg::ref_ptr<osg::DrawElementsUInt> indices = new osg::DrawElementsUInt(GL_TRIANGLES);
    appendPolygonTriangles(*outline, *points, *indices);
    for (std::size_t i = 0; i + 2 < indices->size(); i += 3)
    {
        const osg::Vec3d a = osg::Vec3d((*points)[(*indices)[i]]) + origin;
        osg::Vec3d b = osg::Vec3d((*points)[(*indices)[i + 1]]) + origin;
        osg::Vec3d c = osg::Vec3d((*points)[(*indices)[i + 2]]) + origin;
        if (((b - a) ^ (c - a)) * normal < 0.0)
            std::swap(b, c);
        addTriangle(a, b, c, wall);
    }
}

void RoofMesh::setEavesTops(const FootprintRings& rings)
{
    ringTops.clear();
    for (const auto& ring : rings)
        ringTops.emplace_back(ring.size(), 0.0);
}
