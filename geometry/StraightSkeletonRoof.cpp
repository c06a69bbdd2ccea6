#include "geometry/StraightSkeletonRoof.h"

#include "geometry/WavefrontSkeleton.h"

// CGAL's headers compile slowly: they stay in this file alone.
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Polygon_2.h>
#include <CGAL/Polygon_with_holes_2.h>
#include <CGAL/create_straight_skeleton_from_polygon_with_holes_2.h>

#include <osg/Notify>

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <utility>

namespace
{
using Kernel = CGAL::Exact_predicates_inexact_constructions_kernel;
using Point = Kernel::Point_2;
using Segment = Kernel::Segment_2;
using Polygon = CGAL::Polygon_2<Kernel>;
using PolygonWithHoles = CGAL::Polygon_with_holes_2<Kernel>;
using Skeleton = CGAL::Straight_skeleton_2<Kernel>;

// Beyond this many footprint vertices a roof is drawn flat: the checks below are quadratic.
const std::size_t maxVertices = 400;

Polygon polygonOf(const std::vector<osg::Vec2d>& ring)
{
    Polygon polygon;
    for (const osg::Vec2d& p : ring)
        polygon.push_back(Point(p.x(), p.y()));
    return polygon;
}

std::vector<Segment> edgesOf(const Polygon& polygon)
{
    return std::vector<Segment>(polygon.edges_begin(), polygon.edges_end());
}

bool ringsCross(const Polygon& a, const Polygon& b)
{
    for (const Segment& e : edgesOf(a))
        for (const Segment& f : edgesOf(b))
            if (CGAL::do_intersect(e, f))
                return true;
    return false;
}

// The skeleton's preconditions, which CGAL does not check in a release build:
// simple rings, the outer one counter-clockwise, holes clockwise, inside it and
// apart from each other.
bool isSkeletonInput(const PolygonWithHoles& footprint)
{
    const Polygon& outer = footprint.outer_boundary();
    if (outer.size() < 3 || !outer.is_simple() || !outer.is_counterclockwise_oriented())
        return false;
    for (auto hole = footprint.holes_begin(); hole != footprint.holes_end(); ++hole)
    {
        if (hole->size() < 3 || !hole->is_simple() || !hole->is_clockwise_oriented() ||
            outer.bounded_side(*hole->vertices_begin()) != CGAL::ON_BOUNDED_SIDE || ringsCross(outer, *hole))
            return false;
        for (auto other = footprint.holes_begin(); other != hole; ++other)
            if (ringsCross(*other, *hole) || other->bounded_side(*hole->vertices_begin()) != CGAL::ON_UNBOUNDED_SIDE)
                return false;
    }
    return true;
}

// A skeleton whose vertices all lie within the footprint's bounds: inexact
// constructions on nearly degenerate input can throw vertices far away.
bool isSound(const Skeleton& skeleton, const CGAL::Bbox_2& bounds)
{
    const double slack = 1e-6 * (1.0 + bounds.xmax() - bounds.xmin() + bounds.ymax() - bounds.ymin());
    for (auto v = skeleton.vertices_begin(); v != skeleton.vertices_end(); ++v)
    {
        const double x = v->point().x(), y = v->point().y();
        if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(v->time()) || x < bounds.xmin() - slack ||
            x > bounds.xmax() + slack || y < bounds.ymin() - slack || y > bounds.ymax() + slack)
            return false;
    }
    return true;
}

using Vertex = Skeleton::Vertex_const_handle;

std::vector<SkeletonFace> facesOf(const Skeleton& skeleton)
{
    std::vector<SkeletonFace> faces;
    for (auto f = skeleton.faces_begin(); f != skeleton.faces_end(); ++f)
    {
        SkeletonFace face;
        auto edge = f->halfedge();
        do
        {
            const Vertex v = edge->vertex();
            face.points.push_back({osg::Vec2d(v->point().x(), v->point().y()), v->time(), v->id(), v->is_skeleton()});
            edge = edge->next();
        } while (edge != f->halfedge());
        faces.push_back(std::move(face));
    }
    return faces;
}

// The faces of CGAL's skeleton of the footprint; none when it cannot be built soundly.
std::vector<SkeletonFace> cgalSkeleton(const PolygonWithHoles& footprint)
{
    boost::shared_ptr<Skeleton> skeleton;
    try
    {
        skeleton = CGAL::create_interior_straight_skeleton_2(footprint, Kernel());
    }
    catch (const std::exception& failure)
    {
        OSG_NOTICE << "Straight skeleton failed, roof drawn flat: " << failure.what() << std::endl;
        return {};
    }
    if (!skeleton || !isSound(*skeleton, footprint.outer_boundary().bbox()))
        return {};
    return facesOf(*skeleton);
}

// An end face: a triangle over its footprint edge under one skeleton point. The
// point's index in the face; -1 for any other face.
int endApex(const SkeletonFace& face)
{
    if (face.points.size() != 3)
        return -1;
    int apex = -1;
    for (int i = 0; i < 3; ++i)
        if (face.points[i].inner)
        {
            if (apex >= 0)
                return -1;
            apex = i;
        }
    return apex;
}

// Where gabling moves each ridge end: onto its end face's footprint edge, for
// ridge ends under exactly one end face and no other skeleton point at the same place.
std::unordered_map<int, osg::Vec2d> gableEnds(const std::vector<SkeletonFace>& faces)
{
    std::unordered_map<int, int> endFaces;
    std::unordered_map<int, osg::Vec2d> moved, inner;
    for (const SkeletonFace& face : faces)
    {
        for (const SkeletonFace::Point& p : face.points)
            if (p.inner)
                inner[p.id] = p.at;
        const int apex = endApex(face);
        if (apex < 0)
            continue;
        const osg::Vec2d a = face.points[(apex + 1) % 3].at, b = face.points[(apex + 2) % 3].at;
        const osg::Vec2d s = face.points[apex].at;
        const osg::Vec2d edge = b - a;
        const double along = ((s - a) * edge) / edge.length2();
        ++endFaces[face.points[apex].id];
        moved[face.points[apex].id] = a + edge * along;
    }
    for (const auto& [id, count] : endFaces)
    {
        const osg::Vec2d at = inner.at(id);
        bool alone = count == 1;
        for (auto w = inner.begin(); alone && w != inner.end(); ++w)
            alone = w->first == id || (w->second - at).length() > 1e-3;
        if (!alone)
            moved.erase(id);
    }
    return moved;
}

void addFaces(const std::vector<SkeletonFace>& faces, double slope, bool gabled, RoofMesh& mesh)
{
    const std::unordered_map<int, osg::Vec2d> moved = gabled ? gableEnds(faces) : std::unordered_map<int, osg::Vec2d>();
    for (const SkeletonFace& face : faces)
    {
        std::vector<osg::Vec3d> polygon;
        for (const SkeletonFace::Point& v : face.points)
        {
            const auto m = moved.find(v.id);
            const osg::Vec2d p = m == moved.end() ? v.at : m->second;
            polygon.emplace_back(p.x(), p.y(), v.time * slope);
        }
        const int apex = endApex(face);
        mesh.addFace(polygon, apex >= 0 && moved.count(face.points[apex].id) > 0);
    }
}
} // namespace

bool addSkeletonRoof(const FootprintRings& rings, double roofHeight, bool gabled, RoofMesh& mesh)
{
    std::size_t vertexCount = 0;
    for (const auto& ring : rings)
        vertexCount += ring.size();
    if (rings.empty() || vertexCount > maxVertices)
        return false;
    PolygonWithHoles footprint(polygonOf(rings.front()));
    for (std::size_t i = 1; i < rings.size(); ++i)
        footprint.add_hole(polygonOf(rings[i]));
    if (!isSkeletonInput(footprint))
        return false;

    // Our own skeleton of a single ring in doubles is checked and much faster than CGAL's
    // exact one, which stays for holes and what ours cannot do.
    std::vector<SkeletonFace> faces;
    if (rings.size() == 1)
        faces = wavefrontSkeleton(rings.front());
    if (faces.empty())
        faces = cgalSkeleton(footprint);
    double highest = 0.0;
    for (const SkeletonFace& face : faces)
        for (const SkeletonFace::Point& p : face.points)
            highest = std::max(highest, p.time);
    if (highest <= 0.0)
        return false;
    addFaces(faces, roofHeight / highest, gabled, mesh);
    mesh.setEavesTops(rings);
    return true;
}
