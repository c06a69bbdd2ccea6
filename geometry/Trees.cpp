#include "geometry/Trees.h"

#include "geometry/LocalFrame.h"
#include "geometry/SeedBits.h"
#include "geometry/TagNumber.h"
#include "globe/SpatialReference.h"
#include "osm/KeptTags.h"

#include <osg/CoordinateSystemNode>
#include <osg/Math>
#include <osg/PrimitiveSet>

#include <cmath>
#include <cstdint>

namespace
{
const double rowSpacing = 8.0;
const float defaultHeight = 9.0f;
// The trunk reaches this far into the ground, so that it never floats where the
// drawn terrain lies a little below the sampled height.
const float trunkSink = 1.0f;
const int trunkSides = 5;
const int crownSides = 6;
const osg::Vec4f barkColour(0.36f, 0.27f, 0.19f, 1.0f);
const osg::Vec4f broadleafColour(0.30f, 0.50f, 0.19f, 1.0f);
const osg::Vec4f needleColour(0.17f, 0.37f, 0.21f, 1.0f);


osg::Vec3d earthCentred(const OsmNode& node)
{
    osg::Vec3d xyz;
    wgs84()->getEllipsoid()->convertLatLongHeightToXYZ(osg::DegreesToRadians(double(node.lat)),
                                                         osg::DegreesToRadians(double(node.lon)), 0.0, xyz.x(),
                                                         xyz.y(), xyz.z());
    return xyz;
}

// Straight through the ellipsoid: the same as along it for trees metres apart.
double metresBetween(const OsmNode& a, const OsmNode& b)
{
    return (earthCentred(b) - earthCentred(a)).length();
}

// A unit vector across up, in the local frame's east direction as far as it can be.
osg::Vec3f acrossOf(const osg::Vec3f& up)
{
    osg::Vec3f across = osg::Vec3f(1.0f, 0.0f, 0.0f) - up * up.x();
    across.normalize();
    return across;
}
} // namespace

// Where a tree stands; the tags are its node's or its row's.
struct Trees::Spot
{
    std::uint64_t seed;
    double lon;
    double lat;
    const Tags* tags;
};

// A tree's measures in metres above the ground, and its crown's look.
struct Trees::Shape
{
    float height;
    float crownBase;
    float crownWidest;
    float crownRadius;
    float trunkRadius;
    float turn;
    osg::Vec4f crownColour;
};

Trees::Trees(const std::vector<TaggedNode>& trees, const std::vector<TaggedWay>& rows, const LocalFrame& frame)
    : geometry(new osg::Geometry), vertices(new osg::Vec3Array), normals(new osg::Vec3Array),
      colours(new osg::Vec4Array)
{
    std::vector<Spot> spots;
    for (const TaggedNode& tree : trees)
        spots.push_back({seedBits(static_cast<std::uint64_t>(tree.node.id)), tree.node.lon, tree.node.lat, &tree.tags});
    for (const TaggedWay& row : rows)
    {
        const std::vector<Spot> along = spotsAlong(row);
        spots.insert(spots.end(), along.begin(), along.end());
    }

    std::vector<osg::Vec3d> feet;
    for (const Spot& spot : spots)
        feet.emplace_back(spot.lon, spot.lat, frame.terrainElevation(spot.lon, spot.lat));
    const osg::ref_ptr<osg::Vec3Array> localFeet = frame.localize(feet);
    for (std::size_t i = 0; i < spots.size(); ++i)
        addTree(shapeOf(spots[i]), (*localFeet)[i], frame.localDirection(geodeticUp(spots[i].lon, spots[i].lat)));
    planted = spots.size();

    geometry->setUseDisplayList(false);
    geometry->setUseVertexBufferObjects(true);
    geometry->setVertexArray(vertices.get());
    geometry->setNormalArray(normals.get(), osg::Array::BIND_PER_VERTEX);
    geometry->setColorArray(colours.get(), osg::Array::BIND_PER_VERTEX);
    if (!vertices->empty())
        geometry->addPrimitiveSet(new osg::DrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(vertices->size())));
    addDrawable(geometry.get());
}

Trees::~Trees() = default;

// A tree every rowSpacing metres from the row's first node on, the row's tags for all.
std::vector<Trees::Spot> Trees::spotsAlong(const TaggedWay& row)
{
    std::vector<Spot> spots;
    const std::uint64_t rowSeed = seedBits(static_cast<std::uint64_t>(row.way.id));
    double walked = 0.0;
    double next = 0.0;
    for (std::size_t i = 0; i + 1 < row.way.nodes.size(); ++i)
    {
        const OsmNode& a = row.way.nodes[i];
        const OsmNode& b = row.way.nodes[i + 1];
        const double length = metresBetween(a, b);
        for (; length > 0.0 && next <= walked + length; next += rowSpacing)
        {
            const double t = (next - walked) / length;
            spots.push_back({seedBits(rowSeed + spots.size()), a.lon + t * (double(b.lon) - a.lon),
                             a.lat + t * (double(b.lat) - a.lat), &row.tags});
        }
        walked += length;
    }
    return spots;
}

// The mapped height stays as tagged; an untagged tree gets one near the default.
// Needle-leaved trees are slim cones, the others rounder crowns on a longer trunk.
Trees::Shape Trees::shapeOf(const Spot& spot)
{
    const bool needles = tagValue(*spot.tags, "leaf_type") == "needleleaved";
    const double mapped = tagMetres(tagValue(*spot.tags, "height"));
    const float height =
        mapped > 0.0 ? static_cast<float>(mapped) : defaultHeight * (0.8f + 0.4f * seedFraction(spot.seed, 0));
    const double crownDiameter = tagMetres(tagValue(*spot.tags, "diameter_crown"));

    Shape shape;
    shape.height = height;
    shape.crownBase = height * (needles ? 0.15f : 0.35f);
    shape.crownWidest = shape.crownBase + (height - shape.crownBase) * (needles ? 0.15f : 0.45f);
    shape.crownRadius = crownDiameter > 0.0
                            ? static_cast<float>(crownDiameter / 2.0)
                            : height * (needles ? 0.22f : 0.32f) * (0.85f + 0.3f * seedFraction(spot.seed, 1));
    shape.trunkRadius = 0.03f * height;
    shape.turn = seedFraction(spot.seed, 2) * 2.0f * osg::PIf;
    const float shade = 0.85f + 0.3f * seedFraction(spot.seed, 3);
    shape.crownColour = (needles ? needleColour : broadleafColour) * shade;
    shape.crownColour.a() = 1.0f;
    return shape;
}

// The trunk from below the ground into the crown's lower half, then the crown: from
// a point on the trunk out to its widest ring and in again to the top.
void Trees::addTree(const Shape& shape, const osg::Vec3f& ground, const osg::Vec3f& up)
{
    const osg::Vec3f across = acrossOf(up);
    const osg::Vec3f side = up ^ across;
    auto ring = [&](float height, float radius, int sides, int k) {
        const float angle = shape.turn + 2.0f * osg::PIf * static_cast<float>(k) / sides;
        return ground + up * height + (across * std::cos(angle) + side * std::sin(angle)) * radius;
    };

    const float trunkTop = (shape.crownBase + shape.crownWidest) * 0.5f;
    for (int k = 0; k < trunkSides; ++k)
    {
        const osg::Vec3f b0 = ring(-trunkSink, shape.trunkRadius, trunkSides, k);
        const osg::Vec3f b1 = ring(-trunkSink, shape.trunkRadius, trunkSides, k + 1);
        const osg::Vec3f t0 = ring(trunkTop, shape.trunkRadius, trunkSides, k);
        const osg::Vec3f t1 = ring(trunkTop, shape.trunkRadius, trunkSides, k + 1);
        addTriangle(b0, b1, t1, barkColour);
        addTriangle(b0, t1, t0, barkColour);
    }

    const osg::Vec3f bottom = ground + up * shape.crownBase;
    const osg::Vec3f top = ground + up * shape.height;
    for (int k = 0; k < crownSides; ++k)
    {
        const osg::Vec3f r0 = ring(shape.crownWidest, shape.crownRadius, crownSides, k);
        const osg::Vec3f r1 = ring(shape.crownWidest, shape.crownRadius, crownSides, k + 1);
        addTriangle(r0, r1, top, shape.crownColour);
        addTriangle(r1, r0, bottom, shape.crownColour);
    }
}

// Flat shaded: the face's own normal at its three corners, wound counter-clockwise
// seen from outside.
void Trees::addTriangle(const osg::Vec3f& a, const osg::Vec3f& b, const osg::Vec3f& c, const osg::Vec4f& colour)
{
    osg::Vec3f normal = (b - a) ^ (c - a);
    normal.normalize();
    for (const osg::Vec3f& corner : {a, b, c})
    {
        vertices->push_back(corner);
        normals->push_back(normal);
        colours->push_back(colour);
    }
}
