#include "geometry/Building.h"

#include "geometry/LocalFrame.h"
#include "geometry/PolygonTriangles.h"
#include "geometry/TagNumber.h"

#include <osg/PrimitiveSet>

#include <algorithm>

namespace
{
const float metresPerLevel = 3.0f;
const float defaultHeight = 30.0f;

osg::ref_ptr<osg::Geometry> newGeometry()
{
    osg::ref_ptr<osg::Geometry> geometry = new osg::Geometry;
    geometry->setUseDisplayList(false);
    geometry->setUseVertexBufferObjects(true);
    return geometry;
}

// Twice the signed area of the footprint seen from above: positive when it runs
// counter-clockwise.
double signedArea(const osg::Vec3Array& footprint)
{
    double area = 0.0;
    for (std::size_t i = 0; i < footprint.size(); ++i)
    {
        const osg::Vec3& p = footprint[i];
        const osg::Vec3& q = footprint[(i + 1) % footprint.size()];
        area += double(p.x()) * q.y() - double(q.x()) * p.y();
    }
    return area;
}
} // namespace

Building::Building(std::vector<WayGeometry> ways_, std::vector<WayInfo> infos_, const LocalFrame& frame_)
    : ways(std::move(ways_)), infos(std::move(infos_)), frame(&frame_),
      roof(newGeometry()), walls(newGeometry())
{
    osg::ref_ptr<osg::Vec3Array> roofVertices = new osg::Vec3Array;
    osg::ref_ptr<osg::DrawElementsUInt> roofTriangles = new osg::DrawElementsUInt(GL_TRIANGLES);
    osg::ref_ptr<osg::Vec3Array> wallVertices = new osg::Vec3Array;
    osg::ref_ptr<osg::Vec3Array> wallNormals = new osg::Vec3Array;

    for (const WayGeometry& way : ways)
    {
        double sizeFactor = 0.0;
        const osg::ref_ptr<osg::Vec3Array> footprint = localFootprint(way, baseAltitude(way), sizeFactor);
        extrusion = extrusionOf(way, sizeFactor);
        if (footprint->empty())
            continue;
        addWalls(*footprint, *wallVertices, *wallNormals);
        addRoof(*footprint, *roofVertices, *roofTriangles);
    }

    roof->setVertexArray(roofVertices.get());
    if (!roofTriangles->empty())
        roof->addPrimitiveSet(roofTriangles.get());
    walls->setVertexArray(wallVertices.get());
    if (!wallVertices->empty())
        walls->addPrimitiveSet(new osg::DrawArrays(GL_QUADS, 0, static_cast<GLsizei>(wallVertices->size())));

    osg::ref_ptr<osg::Vec3Array> roofNormals = new osg::Vec3Array;
    roofNormals->push_back(roofNormal());
    roof->setNormalArray(roofNormals.get(), osg::Array::BIND_OVERALL);
    walls->setNormalArray(wallNormals.get(), osg::Array::BIND_PER_VERTEX);
    addDrawable(roof.get());
    addDrawable(walls.get());
}

Building::~Building() = default;

// The lowest terrain height under every tenth node, 2 m up.
double Building::baseAltitude(const WayGeometry& way) const
{
    double lowest = 10000.0;
    for (std::size_t i = 0; i < way.nodes.size(); i += 10)
        lowest = std::min(lowest, frame->terrainElevation(way.nodes[i].lon, way.nodes[i].lat));
    return lowest + 2.0;
}

osg::ref_ptr<osg::Vec3Array> Building::localFootprint(WayGeometry way, double baseAltitude_, double& sizeFactor) const
{
    double minLon = 1000.0, minLat = 1000.0, maxLon = -1000.0, maxLat = -1000.0;
    const double altitude = static_cast<float>(baseAltitude_);
    std::vector<osg::Vec3d> points;
    for (std::size_t i = 0; i + 1 < way.nodes.size(); ++i)
    {
        const double lon = way.nodes[i].lon;
        const double lat = way.nodes[i].lat;
        minLon = std::min(minLon, lon);
        maxLon = std::max(maxLon, lon);
        minLat = std::min(minLat, lat);
        maxLat = std::max(maxLat, lat);
        points.emplace_back(lon, lat, altitude);
    }
    sizeFactor = ((maxLon - minLon) + (maxLat - minLat)) * 700.0;
    if (sizeFactor > 2.0)
        sizeFactor = 1.0;
    return frame->localize(points);
}

// The height tag overrides the levels, the levels override the size rule; the last
// matching tag record wins.
osg::Vec3f Building::extrusionOf(const WayGeometry& way, double sizeFactor) const
{
    int levels = 0;
    double height = 0.0;
    for (const WayInfo& info : infos)
    {
        if (info.wayId != way.id)
            continue;
        levels = info.levels;
        height = tagMetres(info.height);
    }
    float metres = defaultHeight * static_cast<float>(sizeFactor);
    if (levels > 0)
        metres = static_cast<float>(levels) * metresPerLevel;
    if (height > 0.0)
        metres = static_cast<float>(height);
    return osg::Vec3f(0.0f, 0.0f, metres);
}

// One quad per footprint edge, the closing edge included, wound counter-clockwise
// seen from outside: p, q, q + E, p + E along a counter-clockwise footprint, q, p,
// p + E, q + E along a clockwise one. (q + E - p) x (q - p) points out of a clockwise
// footprint; counter-clockwise ones get it turned round. All quads of the cell are
// drawn by one primitive set, so a cell costs the same number of draw calls however
// many buildings it has.
void Building::addWalls(const osg::Vec3Array& footprint, osg::Vec3Array& vertices, osg::Vec3Array& normals)
{
    const bool counterClockwise = signedArea(footprint) > 0.0;
    const std::size_t n = footprint.size();
    for (std::size_t i = 0; i < n; ++i)
    {
        const osg::Vec3f& p = footprint[i];
        const osg::Vec3f& q = footprint[(i + 1) % n];
        const osg::Vec3f& first = counterClockwise ? p : q;
        const osg::Vec3f& second = counterClockwise ? q : p;
        vertices.push_back(first);
        vertices.push_back(second);
        vertices.push_back(second + extrusion);
        vertices.push_back(first + extrusion);
        osg::Vec3f normal = ((q + extrusion) - p) ^ (q - p);
        if (normal.length() > 0.0f)
            normal.normalize();
        if (counterClockwise)
            normal = -normal;
        normals.insert(normals.end(), 4, normal);
    }
}

// The footprint in reverse order, lifted by the extrusion. Its triangles are wound
// counter-clockwise seen from above, whichever way the footprint runs, like the walls
// seen from outside.
void Building::addRoof(const osg::Vec3Array& footprint, osg::Vec3Array& vertices, osg::DrawElementsUInt& triangles)
{
    osg::ref_ptr<osg::Vec3Array> outline = new osg::Vec3Array;
    for (auto vertex = footprint.rbegin(); vertex != footprint.rend(); ++vertex)
        outline->push_back(*vertex + extrusion);
    const std::size_t firstIndex = triangles.size();
    appendPolygonTriangles(*outline, vertices, triangles);
    for (std::size_t i = firstIndex; i + 2 < triangles.size(); i += 3)
    {
        const osg::Vec3f& a = vertices[triangles[i]];
        const osg::Vec3f& b = vertices[triangles[i + 1]];
        const osg::Vec3f& c = vertices[triangles[i + 2]];
        if (((b - a) ^ (c - a)).z() < 0.0f)
            std::swap(triangles[i + 1], triangles[i + 2]);
    }
}

osg::Vec3f Building::roofNormal() const
{
    NodeBounds bounds;
    for (const WayGeometry& way : ways)
        for (const OsmNode& node : way.nodes)
            bounds.widen(node);
    return bounds.valid ? frame->localDirection(geodeticUp(bounds)) : osg::Vec3f(0.0f, 0.0f, 1.0f);
}
