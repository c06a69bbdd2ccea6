#include "geometry/RoofBuilder.h"

#include "geometry/PlanarRing.h"
#include "geometry/PolygonTriangles.h"
#include "geometry/StraightSkeletonRoof.h"

#include <osg/Array>
#include <osg/PrimitiveSet>

#include <algorithm>
#include <cmath>
#include <functional>

namespace
{
using Kind = RoofShape::Kind;
using Ring = std::vector<osg::Vec2d>;
using Profile = std::vector<osg::Vec2d>;

const double storey = 3.0;
const double pi = 3.14159265358979323846;
const int roundSegments = 8;

osg::Vec2d areaCentroid(const Ring& ring)
{
    double area = 0.0;
    osg::Vec2d sum;
    for (std::size_t i = 0; i < ring.size(); ++i)
    {
        const osg::Vec2d& p = ring[i];
        const osg::Vec2d& q = ring[(i + 1) % ring.size()];
        const double a = cross(p, q);
        area += a;
        sum += (p + q) * a;
    }
    return std::fabs(area) > 1e-12 ? sum / (3.0 * area) : ring.front();
}

// The footprint's triangles lifted onto a plane: a height above the eaves at each
// point, one normal for all. The triangles share their vertices.
RoofMesh planeRoof(const FootprintRings& rings, const std::function<double(const osg::Vec2d&)>& height,
                   const osg::Vec3f& normal)
{
    std::vector<osg::ref_ptr<osg::Vec3Array>> contours;
    for (const Ring& ring : rings)
    {
        osg::ref_ptr<osg::Vec3Array> contour = new osg::Vec3Array;
        for (const osg::Vec2d& p : ring)
            contour->push_back(osg::Vec3f(p.x(), p.y(), 0.0f));
        contours.push_back(contour);
    }
    osg::ref_ptr<osg::Vec3Array> points = new osg::Vec3Array;
    osg::ref_ptr<osg::DrawElementsUInt> indices = new osg::DrawElementsUInt(GL_TRIANGLES);
    appendContourTriangles({contours.begin(), contours.end()}, *points, *indices);

    RoofMesh mesh;
    for (const osg::Vec3f& point : *points)
    {
        const osg::Vec2d p(point.x(), point.y());
        mesh.vertices.emplace_back(p.x(), p.y(), height(p));
    }
    mesh.normals.assign(points->size(), normal);
    mesh.onWall.assign(points->size(), false);
    for (std::size_t i = 0; i + 2 < indices->size(); i += 3)
    {
        unsigned a = (*indices)[i], b = (*indices)[i + 1], c = (*indices)[i + 2];
        const osg::Vec3d& pa = mesh.vertices[a];
        if (((mesh.vertices[b] - pa) ^ (mesh.vertices[c] - pa)).z() < 0.0)
            std::swap(b, c);
        mesh.triangles.insert(mesh.triangles.end(), {a, b, c});
    }
    for (const Ring& ring : rings)
    {
        mesh.ringTops.emplace_back();
        for (const osg::Vec2d& p : ring)
            mesh.ringTops.back().push_back(height(p));
    }
    return mesh;
}

// One plane falling towards the direction, or away from the longest edge.
RoofMesh skillionRoof(const FootprintRings& rings, const RoofShape& shape, double roofHeight)
{
    const Ring& outer = rings.front();
    osg::Vec2d downhill;
    if (shape.hasDirection)
        downhill.set(std::sin(shape.direction * pi / 180.0), std::cos(shape.direction * pi / 180.0));
    else
    {
        std::size_t longest = 0;
        for (std::size_t i = 0; i < outer.size(); ++i)
            if ((outer[(i + 1) % outer.size()] - outer[i]).length2() >
                (outer[(longest + 1) % outer.size()] - outer[longest]).length2())
                longest = i;
        const osg::Vec2d edge = outer[(longest + 1) % outer.size()] - outer[longest];
        downhill.set(edge.y(), -edge.x());
        downhill.normalize();
    }
    double lowest = outer.front() * downhill, highest = lowest;
    for (const osg::Vec2d& p : outer)
    {
        lowest = std::min(lowest, p * downhill);
        highest = std::max(highest, p * downhill);
    }
    const double run = highest - lowest;
    if (run <= 0.0)
        return RoofMesh();
    const double slope = roofHeight / run;
    osg::Vec3f normal(slope * downhill.x(), slope * downhill.y(), 1.0);
    normal.normalize();
    return planeRoof(rings, [&](const osg::Vec2d& p) { return slope * (highest - p * downhill); }, normal);
}

// Rings of the outline drawn towards its centroid: profile points are (share of the
// outline's distance from the centroid, share of the roof height), from the eaves
// (1, 0) to the top (0, 1).
RoofMesh revolvedRoof(const Ring& outer, const Profile& profile, double roofHeight)
{
    const osg::Vec2d centre = areaCentroid(outer);
    const auto at = [&](const osg::Vec2d& p, const osg::Vec2d& level) {
        const osg::Vec2d q = centre + (p - centre) * level.x();
        return osg::Vec3d(q.x(), q.y(), roofHeight * level.y());
    };
    RoofMesh mesh;
    for (std::size_t k = 0; k + 1 < profile.size(); ++k)
        for (std::size_t i = 0; i < outer.size(); ++i)
        {
            const osg::Vec2d& p = outer[i];
            const osg::Vec2d& q = outer[(i + 1) % outer.size()];
            mesh.addFace({at(p, profile[k]), at(q, profile[k]), at(q, profile[k + 1]), at(p, profile[k + 1])}, false);
        }
    return mesh;
}

Profile domeProfile()
{
    Profile profile;
    for (int k = 0; k <= roundSegments; ++k)
    {
        const double angle = 0.5 * pi * k / roundSegments;
        profile.emplace_back(std::cos(angle), std::sin(angle));
    }
    return profile;
}

// A bulb wider than its base, ending in a point.
Profile onionProfile()
{
    return {{1.0, 0.0},  {1.2, 0.1},   {1.3, 0.22}, {1.25, 0.35}, {1.05, 0.5},
            {0.7, 0.65}, {0.35, 0.8},  {0.12, 0.92}, {0.0, 1.0}};
}

// A quadrilateral footprint as a frame: s runs along the ridge from the end q3-q0
// to the end q1-q2, t across from the side q0-q1 to the side q3-q2, both in metres.
class QuadFrame
{
public:
    QuadFrame(const Ring& quad, const RoofShape& shape)
    {
        corners = quad;
        if (!ridgeAlongFirstEdge(shape))
            std::rotate(corners.begin(), corners.begin() + 1, corners.end());
        length = 0.5 * ((corners[1] - corners[0]).length() + (corners[2] - corners[3]).length());
        width = 0.5 * ((corners[3] - corners[0]).length() + (corners[2] - corners[1]).length());
    }

    osg::Vec3d at(double s, double t, double h) const
    {
        const double u = s / length, v = t / width;
        const osg::Vec2d p = (corners[0] * (1 - u) + corners[1] * u) * (1 - v) + (corners[3] * (1 - u) + corners[2] * u) * v;
        return osg::Vec3d(p.x(), p.y(), h);
    }

    // Outward across the side q0-q1, the side t = 0.
    osg::Vec2d firstSideOutward() const
    {
        osg::Vec2d edge = corners[1] - corners[0];
        edge.normalize();
        return osg::Vec2d(edge.y(), -edge.x());
    }

    double length = 0.0;
    double width = 0.0;

private:
    // The ridge is perpendicular to the direction the slopes face, else along the
    // longer pair of sides (across: the shorter).
    bool ridgeAlongFirstEdge(const RoofShape& shape) const
    {
        const osg::Vec2d first = unit(corners[1] - corners[0]) + unit(corners[2] - corners[3]);
        const osg::Vec2d second = unit(corners[2] - corners[1]) + unit(corners[3] - corners[0]);
        if (shape.hasDirection)
        {
            const osg::Vec2d facing(std::sin(shape.direction * pi / 180.0), std::cos(shape.direction * pi / 180.0));
            return std::fabs(unit(first) * facing) <= std::fabs(unit(second) * facing);
        }
        const double firstPair = (corners[1] - corners[0]).length() + (corners[2] - corners[3]).length();
        const double secondPair = (corners[2] - corners[1]).length() + (corners[3] - corners[0]).length();
        return (firstPair >= secondPair) != shape.across;
    }

    static osg::Vec2d unit(osg::Vec2d v)
    {
        v.normalize();
        return v;
    }

    Ring corners;
};

// A roof whose cross-section is the same all along the ridge: (t, h) points from
// the side t = 0 to the side t = width, with a gable wall at each end.
void addProfileRoof(const QuadFrame& f, const Profile& profile, RoofMesh& mesh)
{
    const double L = f.length;
    for (std::size_t k = 0; k + 1 < profile.size(); ++k)
    {
        const osg::Vec2d& a = profile[k];
        const osg::Vec2d& b = profile[k + 1];
        mesh.addFace({f.at(0, a.x(), a.y()), f.at(L, a.x(), a.y()), f.at(L, b.x(), b.y()), f.at(0, b.x(), b.y())},
                     false);
    }
    std::vector<osg::Vec3d> nearEnd, farEnd;
    for (const osg::Vec2d& p : profile)
        nearEnd.push_back(f.at(0, p.x(), p.y()));
    for (auto p = profile.rbegin(); p != profile.rend(); ++p)
        farEnd.push_back(f.at(L, p->x(), p->y()));
    // Seen from outside, each gable runs along its footprint edge, then over the top.
    std::rotate(nearEnd.rbegin(), nearEnd.rbegin() + 1, nearEnd.rend());
    std::rotate(farEnd.rbegin(), farEnd.rbegin() + 1, farEnd.rend());
    mesh.addFace(nearEnd, true);
    mesh.addFace(farEnd, true);
}

// A hipped roof over the rectangle [s0, s1] x [t0, t1] of the frame, from h0 up by rise.
void addHippedRoof(const QuadFrame& f, double s0, double s1, double t0, double t1, double h0, double rise,
                   RoofMesh& mesh)
{
    const double inset = std::min(0.5 * (t1 - t0), 0.5 * (s1 - s0));
    const double tm = 0.5 * (t0 + t1), top = h0 + rise;
    const osg::Vec3d r0 = f.at(s0 + inset, tm, top), r1 = f.at(s1 - inset, tm, top);
    mesh.addFace({f.at(s0, t0, h0), f.at(s1, t0, h0), r1, r0}, false);
    mesh.addFace({f.at(s1, t0, h0), f.at(s1, t1, h0), r1}, false);
    mesh.addFace({f.at(s1, t1, h0), f.at(s0, t1, h0), r0, r1}, false);
    mesh.addFace({f.at(s0, t1, h0), f.at(s0, t0, h0), r0}, false);
}

// Gabled up to a share of the height, a small hip above.
void addHalfHippedRoof(const QuadFrame& f, double H, RoofMesh& mesh)
{
    const double L = f.length, W = f.width, share = 0.6;
    const double t1 = 0.5 * W * share, h1 = H * share;
    const double d = std::min(0.5 * W - t1, 0.5 * L);
    mesh.addFace({f.at(0, 0, 0), f.at(L, 0, 0), f.at(L, t1, h1), f.at(L - d, W / 2, H), f.at(d, W / 2, H),
                  f.at(0, t1, h1)},
                 false);
    mesh.addFace({f.at(L, W, 0), f.at(0, W, 0), f.at(0, W - t1, h1), f.at(d, W / 2, H), f.at(L - d, W / 2, H),
                  f.at(L, W - t1, h1)},
                 false);
    mesh.addFace({f.at(0, W - t1, h1), f.at(0, t1, h1), f.at(d, W / 2, H)}, false);
    mesh.addFace({f.at(L, t1, h1), f.at(L, W - t1, h1), f.at(L - d, W / 2, H)}, false);
    mesh.addFace({f.at(0, W, 0), f.at(0, 0, 0), f.at(0, t1, h1), f.at(0, W - t1, h1)}, true);
    mesh.addFace({f.at(L, 0, 0), f.at(L, W, 0), f.at(L, W - t1, h1), f.at(L, t1, h1)}, true);
}

// Steep lower slopes all round, a low hipped roof on top.
void addMansardRoof(const QuadFrame& f, double H, RoofMesh& mesh)
{
    const double L = f.length, W = f.width;
    const double a = 0.2 * std::min(L, W), h1 = 0.7 * H;
    mesh.addFace({f.at(0, 0, 0), f.at(L, 0, 0), f.at(L - a, a, h1), f.at(a, a, h1)}, false);
    mesh.addFace({f.at(L, 0, 0), f.at(L, W, 0), f.at(L - a, W - a, h1), f.at(L - a, a, h1)}, false);
    mesh.addFace({f.at(L, W, 0), f.at(0, W, 0), f.at(a, W - a, h1), f.at(L - a, W - a, h1)}, false);
    mesh.addFace({f.at(0, W, 0), f.at(0, 0, 0), f.at(a, a, h1), f.at(a, W - a, h1)}, false);
    addHippedRoof(f, a, L - a, a, W - a, h1, H - h1, mesh);
}

Profile roundProfile(double W, double H)
{
    Profile profile;
    for (int k = 0; k <= roundSegments; ++k)
    {
        const double angle = pi * k / roundSegments;
        profile.emplace_back(0.5 * W * (1.0 - std::cos(angle)), H * std::sin(angle));
    }
    return profile;
}

// The ridge off the middle: the longer slope faces the tagged direction, else the side t = width.
Profile saltboxProfile(const QuadFrame& f, const RoofShape& shape, double H)
{
    const bool longFirst = shape.hasDirection &&
                           f.firstSideOutward() * osg::Vec2d(std::sin(shape.direction * pi / 180.0),
                                                             std::cos(shape.direction * pi / 180.0)) > 0.0;
    const double ridge = (longFirst ? 0.65 : 0.35) * f.width;
    return {{0.0, 0.0}, {ridge, H}, {f.width, 0.0}};
}

RoofMesh quadRoof(const Ring& quad, const RoofShape& shape, double H)
{
    const QuadFrame f(quad, shape);
    const double W = f.width;
    RoofMesh mesh;
    switch (shape.kind)
    {
    case Kind::Gabled: addProfileRoof(f, {{0, 0}, {W / 2, H}, {W, 0}}, mesh); break;
    case Kind::Gambrel: addProfileRoof(f, {{0, 0}, {0.2 * W, 0.6 * H}, {W / 2, H}, {0.8 * W, 0.6 * H}, {W, 0}}, mesh); break;
    case Kind::Saltbox: addProfileRoof(f, saltboxProfile(f, shape, H), mesh); break;
    case Kind::Round: addProfileRoof(f, roundProfile(W, H), mesh); break;
    case Kind::Hipped: addHippedRoof(f, 0, f.length, 0, W, 0, H, mesh); break;
    case Kind::HalfHipped: addHalfHippedRoof(f, H, mesh); break;
    case Kind::Mansard: addMansardRoof(f, H, mesh); break;
    default: break;
    }
    return mesh;
}

// A quadrilateral the frame maps without folding: convex, counter-clockwise.
bool isConvexQuad(const Ring& ring)
{
    if (ring.size() != 4)
        return false;
    for (std::size_t i = 0; i < 4; ++i)
        if (cross(ring[(i + 1) % 4] - ring[i], ring[(i + 2) % 4] - ring[(i + 1) % 4]) <= 0.0)
            return false;
    return true;
}

bool isHippedLike(Kind kind)
{
    return kind == Kind::Hipped || kind == Kind::Mansard;
}

bool isGabledLike(Kind kind)
{
    return kind == Kind::Gabled || kind == Kind::HalfHipped || kind == Kind::Gambrel || kind == Kind::Saltbox ||
           kind == Kind::Round;
}

RoofMesh aroundCentroid(const FootprintRings& rings, Kind kind, double H)
{
    if (rings.size() > 1)
        return RoofMesh();
    if (kind == Kind::Dome)
        return revolvedRoof(rings.front(), domeProfile(), H);
    if (kind == Kind::Onion)
        return revolvedRoof(rings.front(), onionProfile(), H);
    return revolvedRoof(rings.front(), {{1.0, 0.0}, {0.0, 1.0}}, H);
}

RoofMesh pitchedRoof(const FootprintRings& rings, const RoofShape& shape, double H)
{
    if (shape.kind == Kind::Skillion)
        return skillionRoof(rings, shape, H);
    if (shape.kind == Kind::Pyramidal || shape.kind == Kind::Cone || shape.kind == Kind::Dome ||
        shape.kind == Kind::Onion)
        return aroundCentroid(rings, shape.kind, H);
    if (rings.size() == 1 && isConvexQuad(rings.front()))
        return quadRoof(rings.front(), shape, H);
    RoofMesh mesh;
    if ((isHippedLike(shape.kind) || isGabledLike(shape.kind)) &&
        addSkeletonRoof(rings, H, isGabledLike(shape.kind), mesh))
        return mesh;
    return RoofMesh();
}
} // namespace

RoofMesh buildRoof(const FootprintRings& rings, const RoofShape& shape, double roofHeight)
{
    if (rings.empty() || rings.front().size() < 3)
        return RoofMesh();
    if (!shape.isPitched() || roofHeight <= 0.0)
        return flatRoof(rings);
    RoofMesh mesh = pitchedRoof(rings, shape, roofHeight);
    if (!mesh.empty() && mesh.ringTops.empty())
        mesh.setEavesTops(rings);
    return mesh;
}

RoofMesh flatRoof(const FootprintRings& rings)
{
    return planeRoof(rings, [](const osg::Vec2d&) { return 0.0; }, osg::Vec3f(0.0f, 0.0f, 1.0f));
}

double defaultRoofHeight(const FootprintRings& rings, RoofShape::Kind kind)
{
    if (kind == Kind::Flat || rings.empty())
        return 0.0;
    if (kind != Kind::Dome && kind != Kind::Onion && kind != Kind::Round)
        return storey;
    osg::Vec2d low = rings.front().front(), high = low;
    for (const osg::Vec2d& p : rings.front())
    {
        low.set(std::min(low.x(), p.x()), std::min(low.y(), p.y()));
        high.set(std::max(high.x(), p.x()), std::max(high.y(), p.y()));
    }
    const double narrow = std::min(high.x() - low.x(), high.y() - low.y());
    return kind == Kind::Onion ? narrow : 0.5 * narrow;
}
