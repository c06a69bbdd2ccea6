#include "geometry/BuildingBuilder.h"

#include "geometry/BuildingColours.h"
#include "geometry/BuildingHeights.h"
#include "geometry/LocalFrame.h"
#include "geometry/PlanarRing.h"
#include "geometry/RoofBuilder.h"
#include "osm/KeptTags.h"

#include <algorithm>
#include <cmath>

namespace
{
const double defaultHeight = 30.0;
// Points closer than this are one; a point this close to the line through its
// neighbours lies on it. Under a pitched roof the line is drawn coarser: every node
// left is a corner of the roof's faces (and of CGAL's work).
const double samePoint = 0.01;
const double onLine = 0.1;
const double onPitchedLine = 0.25;

osg::ref_ptr<osg::Geometry> newGeometry()
{
    osg::ref_ptr<osg::Geometry> geometry = new osg::Geometry;
    geometry->setUseDisplayList(false);
    geometry->setUseVertexBufferObjects(true);
    return geometry;
}

double distanceFromLine(const osg::Vec2d& p, const osg::Vec2d& a, const osg::Vec2d& b)
{
    const osg::Vec2d line = b - a;
    const double length = line.length();
    if (length <= 0.0)
        return (p - a).length();
    return std::fabs(line.x() * (p.y() - a.y()) - line.y() * (p.x() - a.x())) / length;
}

// Without repeated points and points on the line through their neighbours.
std::vector<osg::Vec2d> cleanRing(const std::vector<osg::Vec2d>& ring, double straightness)
{
    std::vector<osg::Vec2d> kept = withoutRepeats(ring, samePoint);
    bool removed = true;
    while (removed && kept.size() >= 3)
    {
        removed = false;
        for (std::size_t i = 0; i < kept.size() && kept.size() >= 3; ++i)
        {
            const osg::Vec2d& before = kept[(i + kept.size() - 1) % kept.size()];
            const osg::Vec2d& after = kept[(i + 1) % kept.size()];
            if (distanceFromLine(kept[i], before, after) < straightness)
            {
                kept.erase(kept.begin() + static_cast<std::ptrdiff_t>(i));
                removed = true;
            }
        }
    }
    return kept;
}

// The outer ring counter-clockwise, holes clockwise; rings without area left out.
FootprintRings orientedRings(std::vector<std::vector<osg::Vec2d>> rings, double straightness)
{
    FootprintRings oriented;
    for (std::size_t i = 0; i < rings.size(); ++i)
    {
        std::vector<osg::Vec2d> ring = cleanRing(rings[i], straightness);
        const double area = ring.size() >= 3 ? signedArea(ring) : 0.0;
        if (std::fabs(area) < samePoint * samePoint)
        {
            if (i == 0)
                return {};
            continue;
        }
        if ((area > 0.0) != (i == 0))
            std::reverse(ring.begin(), ring.end());
        oriented.push_back(std::move(ring));
    }
    return oriented;
}

// The size rule of buildings without heights: 30 m times a factor from the extents in degrees.
double sizeRuleHeight(const std::vector<OsmNode>& outer)
{
    double minLon = 1000.0, minLat = 1000.0, maxLon = -1000.0, maxLat = -1000.0;
    for (std::size_t i = 0; i + 1 < outer.size(); ++i)
    {
        minLon = std::min(minLon, double(outer[i].lon));
        maxLon = std::max(maxLon, double(outer[i].lon));
        minLat = std::min(minLat, double(outer[i].lat));
        maxLat = std::max(maxLat, double(outer[i].lat));
    }
    double factor = ((maxLon - minLon) + (maxLat - minLat)) * 700.0;
    if (factor > 2.0)
        factor = 1.0;
    return defaultHeight * factor;
}

osg::Vec3d normalized(osg::Vec3d v)
{
    v.normalize();
    return v;
}
} // namespace

// The footprint's own horizontal plane in the local frame: the first node at the
// base altitude, east, north and geodetic up there.
struct BuildingBuilder::Placement
{
    osg::Vec3d origin, east, north, up;

    osg::Vec3f at(double x, double y, double z) const { return osg::Vec3f(origin + east * x + north * y + up * z); }
    osg::Vec3f direction(const osg::Vec3d& v) const { return osg::Vec3f(east * v.x() + north * v.y() + up * v.z()); }
};

BuildingBuilder::BuildingBuilder(const LocalFrame& frame_)
    : frame(&frame_), roofVertices(new osg::Vec3Array), roofNormals(new osg::Vec3Array),
      wallVertices(new osg::Vec3Array), wallNormals(new osg::Vec3Array), roofColours(new osg::Vec4Array),
      wallColours(new osg::Vec4Array), roofTriangles(new osg::DrawElementsUInt(GL_TRIANGLES))
{
}

// The lowest terrain height under every tenth node, 2 m up.
double BuildingBuilder::baseAltitude(const std::vector<OsmNode>& outer) const
{
    double lowest = 10000.0;
    for (std::size_t i = 0; i < outer.size(); i += 10)
        lowest = std::min(lowest, frame->terrainElevation(outer[i].lon, outer[i].lat));
    return lowest + 2.0;
}

// East and up of the ellipsoid at the first node, the normal of its geodetic latitude.
BuildingBuilder::Placement BuildingBuilder::placementOf(const osg::Vec3f& origin, const OsmNode& first) const
{
    const double lon = osg::DegreesToRadians(double(first.lon)), lat = osg::DegreesToRadians(double(first.lat));
    Placement placement;
    placement.origin = origin;
    placement.up = normalized(frame->localDirection(
        osg::Vec3d(std::cos(lat) * std::cos(lon), std::cos(lat) * std::sin(lon), std::sin(lat))));
    placement.east = normalized(frame->localDirection(osg::Vec3d(-std::sin(lon), std::cos(lon), 0.0)));
    placement.north = placement.up ^ placement.east;
    return placement;
}

osg::ref_ptr<osg::Vec3Array> BuildingBuilder::localRing(const std::vector<OsmNode>& ring, double altitude) const
{
    std::vector<osg::Vec3d> points;
    points.reserve(ring.size());
    for (const OsmNode& node : ring)
        points.emplace_back(node.lon, node.lat, altitude);
    return frame->localize(points);
}

// The ring on the footprint's plane (its closing node goes with the repeated points).
std::vector<osg::Vec2d> BuildingBuilder::planarRing(const osg::Vec3Array& local, const Placement& placement) const
{
    std::vector<osg::Vec2d> planar;
    planar.reserve(local.size());
    for (const osg::Vec3f& p : local)
    {
        const osg::Vec3d offset = osg::Vec3d(p) - placement.origin;
        planar.emplace_back(offset * placement.east, offset * placement.north);
    }
    return planar;
}

void BuildingBuilder::add(const BuildingFeature& feature)
{
    const std::vector<OsmNode>& outer = feature.footprint.outer;
    if (outer.size() < 3)
        return;
    const double altitude = baseAltitude(outer);
    const osg::ref_ptr<osg::Vec3Array> localOuter = localRing(outer, altitude);
    const Placement placement = placementOf(localOuter->front(), outer.front());
    std::vector<std::vector<osg::Vec2d>> planar{planarRing(*localOuter, placement)};
    for (const std::vector<OsmNode>& inner : feature.footprint.inners)
        planar.push_back(planarRing(*localRing(inner, altitude), placement));
    const RoofShape shape = RoofShape::read(feature.tags);
    const FootprintRings rings = orientedRings(std::move(planar), shape.isPitched() ? onPitchedLine : onLine);
    if (rings.empty())
        return;

    BuildingHeights heights = BuildingHeights::read(feature.tags, feature.record, sizeRuleHeight(outer),
                                                    defaultRoofHeight(rings, shape.kind), !shape.isPitched());
    if (!heights.hasVolume())
        return;
    RoofMesh roof = buildRoof(rings, shape, heights.roofHeight());
    if (roof.empty())
    {
        roof = flatRoof(rings);
        heights.eaves = heights.top;
    }
    const bool pitched = heights.roofHeight() > 0.0;
    const BuildingColours colours = BuildingColours::read(feature.tags, pitched);

    const FeatureSpans::Feature picked{
        tagValue(feature.tags, "building:part").empty() ? FeatureKind::Building : FeatureKind::BuildingPart,
        feature.type, feature.id};
    roofSpans->add(static_cast<unsigned>(roofVertices->size()), picked);
    wallSpans->add(static_cast<unsigned>(wallVertices->size()), picked);
    Building::Drawn range;
    range.id = feature.id;
    range.firstRoofIndex = static_cast<unsigned>(roofTriangles->size());
    range.firstWallVertex = static_cast<unsigned>(wallVertices->size());
    addRoofMesh(roof, heights.eaves, placement, colours.roof, colours.walls);
    if (heights.bottom > 0.0)
        addUnderside(rings, heights.bottom, placement, colours.walls);
    addWalls(rings, roof.ringTops, heights.bottom, heights.eaves, placement, colours.walls);
    range.roofIndexCount = static_cast<unsigned>(roofTriangles->size()) - range.firstRoofIndex;
    range.wallVertexCount = static_cast<unsigned>(wallVertices->size()) - range.firstWallVertex;
    drawn.push_back(range);
}

// One quad per ring edge, wound counter-clockwise seen from the side it faces: out
// of the building, into a courtyard. Its top meets the roof.
void BuildingBuilder::addWalls(const FootprintRings& rings, const std::vector<std::vector<double>>& tops,
                               double bottom, double eaves, const Placement& placement, const osg::Vec4f& colour)
{
    for (std::size_t r = 0; r < rings.size(); ++r)
    {
        const std::vector<osg::Vec2d>& ring = rings[r];
        for (std::size_t i = 0; i < ring.size(); ++i)
        {
            const std::size_t j = (i + 1) % ring.size();
            const osg::Vec2d& p = ring[i];
            const osg::Vec2d& q = ring[j];
            const double topP = eaves + tops[r][i], topQ = eaves + tops[r][j];
            if (topP <= bottom && topQ <= bottom)
                continue;
            wallVertices->push_back(placement.at(p.x(), p.y(), bottom));
            wallVertices->push_back(placement.at(q.x(), q.y(), bottom));
            wallVertices->push_back(placement.at(q.x(), q.y(), topQ));
            wallVertices->push_back(placement.at(p.x(), p.y(), topP));
            osg::Vec3d outward((q - p).y(), -(q - p).x(), 0.0);
            outward.normalize();
            wallNormals->insert(wallNormals->end(), 4, placement.direction(outward));
            wallColours->insert(wallColours->end(), 4, colour);
        }
    }
}

void BuildingBuilder::addRoofMesh(const RoofMesh& mesh, double lift, const Placement& placement,
                                  const osg::Vec4f& roofColour, const osg::Vec4f& wallColour)
{
    const auto first = static_cast<unsigned>(roofVertices->size());
    for (std::size_t i = 0; i < mesh.vertices.size(); ++i)
    {
        const osg::Vec3d& v = mesh.vertices[i];
        roofVertices->push_back(placement.at(v.x(), v.y(), lift + v.z()));
        roofNormals->push_back(placement.direction(osg::Vec3d(mesh.normals[i])));
        roofColours->push_back(mesh.onWall[i] ? wallColour : roofColour);
    }
    for (unsigned index : mesh.triangles)
        roofTriangles->push_back(first + index);
}

// The floor of a part over a passage, seen from below.
void BuildingBuilder::addUnderside(const FootprintRings& rings, double bottom, const Placement& placement,
                                   const osg::Vec4f& colour)
{
    RoofMesh floor = flatRoof(rings);
    for (std::size_t i = 0; i + 2 < floor.triangles.size(); i += 3)
        std::swap(floor.triangles[i + 1], floor.triangles[i + 2]);
    for (osg::Vec3f& normal : floor.normals)
        normal = -normal;
    addRoofMesh(floor, bottom, placement, colour, colour);
}

osg::ref_ptr<Building> BuildingBuilder::finish()
{
    osg::ref_ptr<osg::Geometry> roofs = newGeometry(), walls = newGeometry();
    roofs->setUserData(roofSpans.get());
    walls->setUserData(wallSpans.get());
    roofs->setVertexArray(roofVertices.get());
    roofs->setNormalArray(roofNormals.get(), osg::Array::BIND_PER_VERTEX);
    roofs->setColorArray(roofColours.get(), osg::Array::BIND_PER_VERTEX);
    if (!roofTriangles->empty())
        roofs->addPrimitiveSet(roofTriangles.get());
    walls->setVertexArray(wallVertices.get());
    walls->setNormalArray(wallNormals.get(), osg::Array::BIND_PER_VERTEX);
    walls->setColorArray(wallColours.get(), osg::Array::BIND_PER_VERTEX);
    if (!wallVertices->empty())
        walls->addPrimitiveSet(new osg::DrawArrays(GL_QUADS, 0, static_cast<GLsizei>(wallVertices->size())));
    return new Building(roofs, walls, std::move(drawn));
}
