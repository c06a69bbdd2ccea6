#include "geometry/BuildingBuilder.h"

#include "geometry/BuildingColours.h"
#include "geometry/BuildingHeights.h"
#include "geometry/DetailGeometry.h"
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
// How far the footprint a building is drawn on far off may stray from the mapped one.
const double farTolerance = 2.0;

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

// Douglas-Peucker over ring[a..b] (b may be the ring's size, standing for its first
// point): the point farthest from the line a-b stays when it lies beyond tolerance.
void keepFarthest(const std::vector<osg::Vec2d>& ring, std::size_t a, std::size_t b, double tolerance,
                  std::vector<bool>& kept)
{
    const osg::Vec2d& end = ring[b % ring.size()];
    std::size_t farthest = a;
    double distance = tolerance;
    for (std::size_t i = a + 1; i < b; ++i)
    {
        const double d = distanceFromLine(ring[i], ring[a], end);
        if (d > distance)
        {
            distance = d;
            farthest = i;
        }
    }
    if (farthest == a)
        return;
    kept[farthest] = true;
    keepFarthest(ring, a, farthest, tolerance, kept);
    keepFarthest(ring, farthest, b, tolerance, kept);
}

// The ring's corners that lie beyond tolerance of the outline the others make, from
// its first point and the point farthest from it.
std::vector<osg::Vec2d> simplifiedRing(const std::vector<osg::Vec2d>& ring, double tolerance)
{
    std::size_t farthest = 0;
    for (std::size_t i = 1; i < ring.size(); ++i)
        if ((ring[i] - ring[0]).length2() > (ring[farthest] - ring[0]).length2())
            farthest = i;
    std::vector<bool> kept(ring.size(), false);
    kept[0] = kept[farthest] = true;
    keepFarthest(ring, 0, farthest, tolerance, kept);
    keepFarthest(ring, farthest, ring.size(), tolerance, kept);
    std::vector<osg::Vec2d> simplified;
    for (std::size_t i = 0; i < ring.size(); ++i)
        if (kept[i])
            simplified.push_back(ring[i]);
    return simplified;
}

// Every ring simplified, each keeping its orientation and some area; nothing when one
// does not, or when no corner goes.
FootprintRings simplifiedRings(const FootprintRings& rings, double tolerance)
{
    FootprintRings simplified;
    bool fewer = false;
    for (const std::vector<osg::Vec2d>& ring : rings)
    {
        simplified.push_back(simplifiedRing(ring, tolerance));
        const double area = signedArea(simplified.back());
        if (simplified.back().size() < 3 || area * signedArea(ring) <= 0.0 || std::fabs(area) < tolerance * tolerance)
            return {};
        fewer |= simplified.back().size() < ring.size();
    }
    return fewer ? simplified : FootprintRings();
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

// Vertices with a normal and a colour each, and the primitives over them.
struct BuildingBuilder::Surface
{
    osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array, normals = new osg::Vec3Array;
    osg::ref_ptr<osg::Vec4Array> colours = new osg::Vec4Array;
    osg::ref_ptr<osg::DrawElementsUInt> elements;

    explicit Surface(GLenum mode) : elements(new osg::DrawElementsUInt(mode)) {}

    unsigned size() const { return static_cast<unsigned>(vertices->size()); }

    void add(const osg::Vec3f& vertex, const osg::Vec3f& normal, const osg::Vec4f& colour)
    {
        vertices->push_back(vertex);
        normals->push_back(normal);
        colours->push_back(colour);
    }

    // The other's vertices after these, and its elements, shifted past these, into far.
    void append(const Surface& other, osg::DrawElementsUInt& far)
    {
        const unsigned shift = size();
        for (unsigned index : *other.elements)
            far.push_back(shift + index);
        vertices->insert(vertices->end(), other.vertices->begin(), other.vertices->end());
        normals->insert(normals->end(), other.normals->begin(), other.normals->end());
        colours->insert(colours->end(), other.colours->begin(), other.colours->end());
    }

    osg::ref_ptr<DetailGeometry> geometry(FeatureSpans* spans) const
    {
        osg::ref_ptr<DetailGeometry> geometry = new DetailGeometry;
        geometry->setUserData(spans);
        geometry->setVertexArray(vertices.get());
        geometry->setNormalArray(normals.get(), osg::Array::BIND_PER_VERTEX);
        geometry->setColorArray(colours.get(), osg::Array::BIND_PER_VERTEX);
        if (!elements->empty())
            geometry->addPrimitiveSet(elements.get());
        return geometry;
    }
};

// The roofs of buildings (gable walls and the undersides of floating parts with them)
// and their walls.
struct BuildingBuilder::Shell
{
    Surface roofs{GL_TRIANGLES}, walls{GL_QUADS};

    void add(const FootprintRings& rings, const RoofMesh& roof, const BuildingHeights& heights,
             const Placement& placement, const BuildingColours& colours)
    {
        addRoofMesh(roof, heights.eaves, placement, colours.roof, colours.walls);
        if (heights.bottom > 0.0)
            addUnderside(rings, heights.bottom, placement, colours.walls);
        addWalls(rings, roof.ringTops, heights.bottom, heights.eaves, placement, colours.walls);
    }

    void addRoofMesh(const RoofMesh& mesh, double lift, const Placement& placement, const osg::Vec4f& roofColour,
                     const osg::Vec4f& wallColour);
    void addUnderside(const FootprintRings& rings, double bottom, const Placement& placement,
                      const osg::Vec4f& colour);
    void addWalls(const FootprintRings& rings, const std::vector<std::vector<double>>& tops, double bottom,
                  double eaves, const Placement& placement, const osg::Vec4f& colour);
};

BuildingBuilder::BuildingBuilder(const LocalFrame& frame_)
    : frame(&frame_), near(new Shell), coarse(new Shell)
{
}

BuildingBuilder::~BuildingBuilder() = default;

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
    const BuildingColours colours = BuildingColours::read(feature.tags, heights.roofHeight() > 0.0);

    const FeatureSpans::Feature picked{
        tagValue(feature.tags, "building:part").empty() ? FeatureKind::Building : FeatureKind::BuildingPart,
        feature.type, feature.id};
    roofSpans->add(near->roofs.size(), picked);
    wallSpans->add(near->walls.size(), picked);
    Building::Drawn range;
    range.id = feature.id;
    range.firstRoofIndex = static_cast<unsigned>(near->roofs.elements->size());
    range.firstWallVertex = near->walls.size();
    near->add(rings, roof, heights, placement, colours);
    range.roofIndexCount = static_cast<unsigned>(near->roofs.elements->size()) - range.firstRoofIndex;
    range.wallVertexCount = near->walls.size() - range.firstWallVertex;
    drawn.push_back(range);
    simplified.push_back(heights.roofHeight() > 0.0 && addCoarse(rings, shape, heights, placement, colours));
}

// The building on its simplified footprint, for far off; false when simplifying
// leaves it as it is or its roof cannot be built there.
bool BuildingBuilder::addCoarse(const FootprintRings& rings, const RoofShape& shape, const BuildingHeights& heights,
                                const Placement& placement, const BuildingColours& colours)
{
    const FootprintRings simplified = simplifiedRings(rings, farTolerance);
    if (simplified.empty())
        return false;
    const RoofMesh roof = buildRoof(simplified, shape, heights.roofHeight());
    if (roof.empty())
        return false;
    coarse->add(simplified, roof, heights, placement, colours);
    return true;
}

// The near primitives of the buildings drawn alike at any distance.
void BuildingBuilder::addFarAsNear(osg::DrawElementsUInt& farRoofs, osg::DrawElementsUInt& farWalls) const
{
    const osg::DrawElementsUInt& roofs = *near->roofs.elements;
    for (std::size_t i = 0; i < drawn.size(); ++i)
    {
        if (simplified[i])
            continue;
        const Building::Drawn& d = drawn[i];
        farRoofs.insert(farRoofs.end(), roofs.begin() + d.firstRoofIndex,
                        roofs.begin() + d.firstRoofIndex + d.roofIndexCount);
        // A wall quad's elements are its own vertices, in order.
        for (unsigned v = d.firstWallVertex; v < d.firstWallVertex + d.wallVertexCount; ++v)
            farWalls.push_back(v);
    }
}

// One quad per ring edge, wound counter-clockwise seen from the side it faces: out
// of the building, into a courtyard. Its top meets the roof.
void BuildingBuilder::Shell::addWalls(const FootprintRings& rings, const std::vector<std::vector<double>>& tops,
                                      double bottom, double eaves, const Placement& placement,
                                      const osg::Vec4f& colour)
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
            osg::Vec3d outward((q - p).y(), -(q - p).x(), 0.0);
            outward.normalize();
            const osg::Vec3f normal = placement.direction(outward);
            for (unsigned k = 0; k < 4; ++k)
                walls.elements->push_back(walls.size() + k);
            walls.add(placement.at(p.x(), p.y(), bottom), normal, colour);
            walls.add(placement.at(q.x(), q.y(), bottom), normal, colour);
            walls.add(placement.at(q.x(), q.y(), topQ), normal, colour);
            walls.add(placement.at(p.x(), p.y(), topP), normal, colour);
        }
    }
}

void BuildingBuilder::Shell::addRoofMesh(const RoofMesh& mesh, double lift, const Placement& placement,
                                         const osg::Vec4f& roofColour, const osg::Vec4f& wallColour)
{
    const unsigned first = roofs.size();
    for (std::size_t i = 0; i < mesh.vertices.size(); ++i)
    {
        const osg::Vec3d& v = mesh.vertices[i];
        roofs.add(placement.at(v.x(), v.y(), lift + v.z()), placement.direction(osg::Vec3d(mesh.normals[i])),
                  mesh.onWall[i] ? wallColour : roofColour);
    }
    for (unsigned index : mesh.triangles)
        roofs.elements->push_back(first + index);
}

// The floor of a part over a passage, seen from below.
void BuildingBuilder::Shell::addUnderside(const FootprintRings& rings, double bottom, const Placement& placement,
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
    // The coarse shells' vertices belong to no building: picks and highlights never meet them.
    roofSpans->endAt(near->roofs.size());
    wallSpans->endAt(near->walls.size());
    // Far off: the buildings drawn alike at any distance, then the coarse shells,
    // whose vertices follow the near ones.
    osg::ref_ptr<osg::DrawElementsUInt> farRoofs, farWalls;
    if (!coarse->roofs.elements->empty())
    {
        farRoofs = new osg::DrawElementsUInt(GL_TRIANGLES);
        farWalls = new osg::DrawElementsUInt(GL_QUADS);
        addFarAsNear(*farRoofs, *farWalls);
        near->roofs.append(coarse->roofs, *farRoofs);
        near->walls.append(coarse->walls, *farWalls);
    }
    osg::ref_ptr<DetailGeometry> roofs = near->roofs.geometry(roofSpans.get());
    osg::ref_ptr<DetailGeometry> walls = near->walls.geometry(wallSpans.get());
    if (farRoofs)
    {
        // One middle for both, so that roofs and walls turn coarse together.
        osg::BoundingBox extent = roofs->getBoundingBox();
        extent.expandBy(walls->getBoundingBox());
        roofs->setCoarse(farRoofs, farTolerance, extent.center());
        walls->setCoarse(farWalls, farTolerance, extent.center());
    }
    return new Building(roofs, walls, std::move(drawn));
}
