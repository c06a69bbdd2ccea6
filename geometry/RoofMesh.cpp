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

// The face's own triangles over its points: a fan when it is convex, else the
// tessellator's, whose points may add to the face's.
std::vector<unsigned> faceTriangles(std::vector<osg::Vec3d>& polygon, const osg::Vec3d& normal)
{
    std::vector<unsigned> corners;
    if (isConvex(polygon, normal))
    {
        for (unsigned i = 1; i + 1 < polygon.size(); ++i)
            corners.insert(corners.end(), {0u, i, i + 1});
        return corners;
    }
    osg::ref_ptr<osg::Vec3Array> outline = new osg::Vec3Array;
    const osg::Vec3d origin = polygon.front();
    for (const osg::Vec3d& p : polygon)
        outline->push_back(osg::Vec3f(p - origin));
    osg::ref_ptr<osg::Vec3Array> points = new osg::Vec3Array;
    osg::ref_ptr<osg::DrawElementsUInt> indices = new osg::DrawElementsUInt(GL_TRIANGLES);
    appendPolygonTriangles(*outline, *points, *indices);
    polygon.clear();
    for (const osg::Vec3f& p : *points)
        polygon.push_back(osg::Vec3d(p) + origin);
    return std::vector<unsigned>(indices->begin(), indices->end());
}
} // namespace

// The triangles of a face share its points, all with the face's normal: the renderer
// then shades each point once rather than once for every triangle it is in.
void RoofMesh::addFace(std::vector<osg::Vec3d> polygon, bool wall)
{
    polygon = withoutRepeats(polygon, samePoint);
    if (polygon.size() < 3)
        return;
    osg::Vec3d normal = newellNormal(polygon);
    if (normal.length() <= 0.0)
        return;
    const std::vector<unsigned> corners = faceTriangles(polygon, normal);
    normal.normalize();
    const auto first = static_cast<unsigned>(vertices.size());
    for (const osg::Vec3d& p : polygon)
    {
        vertices.push_back(p);
        normals.push_back(osg::Vec3f(normal));
        onWall.push_back(wall);
    }
    // Triangles without area are left out; the others turn the face's way.
    for (std::size_t i = 0; i + 2 < corners.size(); i += 3)
    {
        const osg::Vec3d& a = polygon[corners[i]];
        const double turn = ((polygon[corners[i + 1]] - a) ^ (polygon[corners[i + 2]] - a)) * normal;
        if (turn == 0.0)
            continue;
        triangles.push_back(first + corners[i]);
        triangles.push_back(first + corners[turn > 0.0 ? i + 1 : i + 2]);
        triangles.push_back(first + corners[turn > 0.0 ? i + 2 : i + 1]);
    }
}

void RoofMesh::setEavesTops(const FootprintRings& rings)
{
    ringTops.clear();
    for (const auto& ring : rings)
        ringTops.emplace_back(ring.size(), 0.0);
}
