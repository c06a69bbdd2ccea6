#include "geometry/DrapedSurface.h"

#include "geometry/GeosContext.h"
#include "geometry/LocalFrame.h"
#include "geometry/MetresPerDegree.h"
#include "geometry/PolygonTriangles.h"

#include <osg/Math>
#include <osg/Notify>
#include <osg/PrimitiveSet>

#include <algorithm>
#include <cmath>

namespace
{
// Larger areas (a whole region's forest or sea) would take minutes: they are left out.
const double maxSquares = 4.0e6;

struct Envelope
{
    double minLon, minLat, maxLon, maxLat;
};

Envelope envelopeOf(const std::vector<OsmNode>& ring)
{
    Envelope e{ring.front().lon, ring.front().lat, ring.front().lon, ring.front().lat};
    for (const OsmNode& node : ring)
    {
        e.minLon = std::min<double>(e.minLon, node.lon);
        e.maxLon = std::max<double>(e.maxLon, node.lon);
        e.minLat = std::min<double>(e.minLat, node.lat);
        e.maxLat = std::max<double>(e.maxLat, node.lat);
    }
    return e;
}
} // namespace

DrapedSurface::DrapedSurface(const GeosContext& geos_, double step_, Height height_)
    : geos(geos_), step(step_), height(std::move(height_))
{
}

double DrapedSurface::heightAt(std::int64_t i, std::int64_t j)
{
    const std::uint64_t key = (static_cast<std::uint64_t>(i) << 32) ^ static_cast<std::uint32_t>(j);
    auto found = cornerHeights.find(key);
    if (found == cornerHeights.end())
        found = cornerHeights.emplace(key, height(static_cast<double>(i) * step, static_cast<double>(j) * step)).first;
    return found->second;
}

// The normal from the heights of the four neighbours, east-north-up: the scene's
// local frame is east-north-up at the extract's centre, which is the same direction
// to a tenth of a degree across an extract.
DrapedSurface::Corner DrapedSurface::corner(std::int64_t i, std::int64_t j)
{
    const double lon = static_cast<double>(i) * step;
    const double lat = static_cast<double>(j) * step;
    const double north = step * metresPerDegree;
    const double east = north * std::cos(osg::DegreesToRadians(lat));
    osg::Vec3d normal(-(heightAt(i + 1, j) - heightAt(i - 1, j)) / (2.0 * east),
                      -(heightAt(i, j + 1) - heightAt(i, j - 1)) / (2.0 * north), 1.0);
    normal.normalize();
    return Corner{lon, lat, heightAt(i, j), normal};
}

// Each lattice square splits into two triangles along its rising diagonal. The
// polygon is cut into rows, each row into squares (cheap cuts by rectangles); a
// square covered whole gives its two triangles, one on the polygon's edge the parts
// of them the polygon covers. Whole squares side by side at one and the same height
// (open sea) join into one rectangle.
void DrapedSurface::add(const AreaPolygon& polygon, const osg::Vec4f& colour)
{
    if (polygon.outer.size() < 4)
        return;
    const GeosContext::Geometry area = geos.polygon(polygon);
    if (!area)
        return;
    GEOSContextHandle_t handle = geos.handle();
    const Envelope e = envelopeOf(polygon.outer);
    const auto i0 = static_cast<std::int64_t>(std::floor(e.minLon / step));
    const auto i1 = static_cast<std::int64_t>(std::floor(e.maxLon / step));
    const auto j0 = static_cast<std::int64_t>(std::floor(e.minLat / step));
    const auto j1 = static_cast<std::int64_t>(std::floor(e.maxLat / step));
    if (double(i1 - i0 + 1) * double(j1 - j0 + 1) > maxSquares)
    {
        OSG_WARN << "An area of " << e.maxLon - e.minLon << " by " << e.maxLat - e.minLat
                 << " degrees is too large to lay on the terrain; it is not drawn" << std::endl;
        return;
    }
    for (std::int64_t j = j0; j <= j1; ++j)
    {
        const double south = static_cast<double>(j) * step;
        const GeosContext::Geometry row =
            geos.own(GEOSClipByRect_r(handle, area.get(), i0 * step, south, (i1 + 1) * step, south + step));
        if (geos.isEmpty(row.get()))
            continue;
        std::int64_t flatFrom = i0;
        for (std::int64_t i = i0; i <= i1; ++i)
        {
            const double west = static_cast<double>(i) * step;
            const GeosContext::Geometry square =
                geos.own(GEOSClipByRect_r(handle, row.get(), west, south, west + step, south + step));
            double covered = 0.0;
            if (!geos.isEmpty(square.get()))
                GEOSArea_r(handle, square.get(), &covered);
            const bool whole = covered >= step * step * (1.0 - 1e-9);
            const double level = heightAt(flatFrom, j);
            if (whole && heightAt(i, j) == level && heightAt(i + 1, j) == level && heightAt(i, j + 1) == level &&
                heightAt(i + 1, j + 1) == level)
                continue;
            addRectangle(flatFrom, i, j, colour);
            flatFrom = i + 1;
            if (covered > 0.0)
                addSquare(square.get(), whole, i, j, colour);
        }
        addRectangle(flatFrom, i1 + 1, j, colour);
    }
}

// The squares from west up to east (not included) of row j, whole.
void DrapedSurface::addRectangle(std::int64_t west, std::int64_t east, std::int64_t j, const osg::Vec4f& colour)
{
    if (east <= west)
        return;
    const Corner lower[3] = {corner(west, j), corner(east, j), corner(east, j + 1)};
    const Corner upper[3] = {corner(west, j), corner(east, j + 1), corner(west, j + 1)};
    for (const auto* triangle : {&lower, &upper})
        for (const Corner& k : *triangle)
            addPoint(k.lon, k.lat, *triangle, colour);
}

void DrapedSurface::addSquare(const GEOSGeometry* piece, bool whole, std::int64_t i, std::int64_t j,
                              const osg::Vec4f& colour)
{
    if (whole)
    {
        addRectangle(i, i + 1, j, colour);
        return;
    }
    const Corner lower[3] = {corner(i, j), corner(i + 1, j), corner(i + 1, j + 1)};
    const Corner upper[3] = {corner(i, j), corner(i + 1, j + 1), corner(i, j + 1)};
    for (const GeosContext::Rings& rings : geos.polygonRings(piece))
    {
        addPiece(halfOf(rings, lower[0], true), lower, colour);
        addPiece(halfOf(rings, lower[0], false), upper, colour);
    }
}

// Each ring clipped to one side of the square's diagonal, in lattice units from its
// south-west corner: below it (u >= v) or above it. A half-plane is convex, so
// clipping every ring by itself keeps the holes holes.
std::vector<std::vector<osg::Vec2d>> DrapedSurface::halfOf(const GeosContext::Rings& rings, const Corner& southWest,
                                                           bool below) const
{
    std::vector<std::vector<osg::Vec2d>> halves;
    for (const std::vector<double>& ring : rings)
    {
        std::vector<osg::Vec2d> half;
        // The closing point repeats the first: each point is visited once with its predecessor.
        for (std::size_t k = 2; k + 1 < ring.size(); k += 2)
        {
            const osg::Vec2d a((ring[k - 2] - southWest.lon) / step, (ring[k - 1] - southWest.lat) / step);
            const osg::Vec2d b((ring[k] - southWest.lon) / step, (ring[k + 1] - southWest.lat) / step);
            const double da = below ? a.x() - a.y() : a.y() - a.x();
            const double db = below ? b.x() - b.y() : b.y() - b.x();
            if ((da >= 0.0) != (db >= 0.0))
                half.push_back(a + (b - a) * (da / (da - db)));
            if (db >= 0.0)
                half.push_back(b);
        }
        if (half.size() >= 3)
            halves.push_back(std::move(half));
    }
    return halves;
}

bool DrapedSurface::isConvex(const std::vector<osg::Vec2d>& ring)
{
    int turns = 0;
    for (std::size_t k = 0; k < ring.size(); ++k)
    {
        const osg::Vec2d a = ring[k], b = ring[(k + 1) % ring.size()], c = ring[(k + 2) % ring.size()];
        const osg::Vec2d ab = b - a, bc = c - b;
        const double cross = ab.x() * bc.y() - ab.y() * bc.x();
        const int turn = cross > 0.0 ? 1 : cross < 0.0 ? -1 : 0;
        if (turn != 0 && turns != 0 && turn != turns)
            return false;
        if (turn != 0)
            turns = turn;
    }
    return true;
}

// A convex piece (most are: an edge crossing the square) is a fan; others go through
// the tessellator.
void DrapedSurface::addPiece(const std::vector<std::vector<osg::Vec2d>>& rings, const Corner (&corners)[3],
                             const osg::Vec4f& colour)
{
    auto add = [&](const osg::Vec2d& v) {
        addPoint(corners[0].lon + v.x() * step, corners[0].lat + v.y() * step, corners, colour);
    };
    if (rings.size() == 1 && isConvex(rings.front()))
    {
        const std::vector<osg::Vec2d>& ring = rings.front();
        for (std::size_t k = 1; k + 1 < ring.size(); ++k)
        {
            add(ring[0]);
            add(ring[k]);
            add(ring[k + 1]);
        }
        return;
    }
    std::vector<osg::ref_ptr<osg::Vec3Array>> contours;
    std::vector<const osg::Vec3Array*> views;
    for (const std::vector<osg::Vec2d>& ring : rings)
    {
        osg::ref_ptr<osg::Vec3Array> contour = new osg::Vec3Array;
        for (const osg::Vec2d& v : ring)
            contour->push_back(osg::Vec3f(static_cast<float>(v.x()), static_cast<float>(v.y()), 0.0f));
        contours.push_back(contour);
        views.push_back(contour.get());
    }
    osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array;
    osg::ref_ptr<osg::DrawElementsUInt> triangles = new osg::DrawElementsUInt(GL_TRIANGLES);
    appendContourTriangles(views, *vertices, *triangles);
    for (unsigned int index : *triangles)
        add(osg::Vec2d((*vertices)[index].x(), (*vertices)[index].y()));
}

// Height and normal interpolated in the triangle.
void DrapedSurface::addPoint(double lon, double lat, const Corner (&c)[3], const osg::Vec4f& colour)
{
    const double x1 = c[1].lon - c[0].lon, y1 = c[1].lat - c[0].lat;
    const double x2 = c[2].lon - c[0].lon, y2 = c[2].lat - c[0].lat;
    const double px = lon - c[0].lon, py = lat - c[0].lat;
    const double det = x1 * y2 - x2 * y1;
    const double u = (px * y2 - x2 * py) / det;
    const double v = (x1 * py - px * y1) / det;
    points.emplace_back(lon, lat, c[0].height + u * (c[1].height - c[0].height) + v * (c[2].height - c[0].height));
    osg::Vec3d normal = c[0].normal * (1.0 - u - v) + c[1].normal * u + c[2].normal * v;
    normal.normalize();
    normals.push_back(osg::Vec3f(normal));
    colours.push_back(colour);
}

osg::ref_ptr<osg::Geometry> DrapedSurface::build(const LocalFrame& frame, double lift) const
{
    if (points.empty())
        return nullptr;
    std::vector<osg::Vec3d> lifted(points);
    for (osg::Vec3d& point : lifted)
        point.z() += lift;
    osg::ref_ptr<osg::Vec3Array> vertices = frame.localize(lifted);
    osg::ref_ptr<osg::Geometry> geometry = new osg::Geometry;
    geometry->setUseDisplayList(false);
    geometry->setUseVertexBufferObjects(true);
    geometry->setVertexArray(vertices.get());
    geometry->setNormalArray(new osg::Vec3Array(normals.begin(), normals.end()), osg::Array::BIND_PER_VERTEX);
    geometry->setColorArray(new osg::Vec4Array(colours.begin(), colours.end()), osg::Array::BIND_PER_VERTEX);
    geometry->addPrimitiveSet(new osg::DrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(vertices->size())));
    return geometry;
}
