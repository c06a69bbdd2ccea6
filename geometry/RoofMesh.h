#pragma once

#include <osg/Vec2d>
#include <osg/Vec3d>
#include <osg/Vec3f>

#include <vector>

// The points without repeats: one within tolerance of the point before it is dropped,
// and so are those at the end that come back to the first.
template <class Point>
std::vector<Point> withoutRepeats(const std::vector<Point>& points, double tolerance)
{
    std::vector<Point> kept;
    for (const Point& p : points)
        if (kept.empty() || (p - kept.back()).length() > tolerance)
            kept.push_back(p);
    while (kept.size() > 1 && (kept.front() - kept.back()).length() <= tolerance)
        kept.pop_back();
    return kept;
}

// A footprint in metres on its own horizontal plane: the outer ring counter-clockwise,
// then the holes clockwise, each without its closing point.
using FootprintRings = std::vector<std::vector<osg::Vec2d>>;

// The triangles of one roof, in the footprint's plane with z above the eaves, one
// normal per face (its points are its own); gable walls are faces of the roof too,
// flagged to take the walls' colour. Plain values: any thread may use one it owns.
struct RoofMesh
{
    std::vector<osg::Vec3d> vertices;
    std::vector<osg::Vec3f> normals;
    std::vector<bool> onWall;
    std::vector<unsigned> triangles;
    // How far above the eaves the roof meets each footprint vertex, ring by ring.
    std::vector<std::vector<double>> ringTops;

    // A planar face wound counter-clockwise seen from outside; repeated points are
    // dropped, a face with less than three left is ignored.
    void addFace(std::vector<osg::Vec3d> polygon, bool wall);
    // Every ring vertex meets the roof at the eaves.
    void setEavesTops(const FootprintRings& rings);
    bool empty() const { return triangles.empty(); }
};
