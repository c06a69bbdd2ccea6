#include "geometry/WaterArea.h"

#include "geometry/SegmentChain.h"
#include "geometry/LocalFrame.h"
#include "geometry/PolygonTriangles.h"

#include <osg/PrimitiveSet>

namespace
{
const double waterLift = 2.0;
} // namespace

WaterArea::WaterArea(std::vector<WaterGroup> groups_, const LocalFrame& frame_)
    : groups(std::move(groups_)), frame(&frame_)
{
    if (groups.empty())
        return;
    addWaterWays(groups.front());
    for (std::size_t g = 1; g < groups.size(); ++g)
        addRelation(groups[g]);
}

WaterArea::~WaterArea() = default;

osg::ref_ptr<osg::Geometry> WaterArea::newGeometry()
{
    geometry = new osg::Geometry;
    geometry->setUseDisplayList(false);
    geometry->setUseVertexBufferObjects(true);
    return geometry;
}

// Every ring its own polygon of its vertices reversed; added even when empty.
void WaterArea::addWaterWays(const WaterGroup& group)
{
    osg::ref_ptr<osg::Geometry> rings = newGeometry();
    osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array;
    osg::ref_ptr<osg::DrawElementsUInt> triangles = new osg::DrawElementsUInt(GL_TRIANGLES);
    for (const WaterRing& ring : group)
    {
        const osg::ref_ptr<osg::Vec3Array> ringVertices = buildRingVertices(ring);
        const osg::ref_ptr<osg::Vec3Array> reversed = new osg::Vec3Array(ringVertices->rbegin(), ringVertices->rend());
        appendPolygonTriangles(*reversed, *vertices, *triangles);
    }
    rings->setVertexArray(vertices.get());
    rings->addPrimitiveSet(triangles.get());
    addDrawable(rings.get());
}

// The member ways joined into one polygon; nothing when they give no vertex.
void WaterArea::addRelation(const WaterGroup& group)
{
    osg::ref_ptr<osg::Geometry> polygon = newGeometry();
    SegmentChain chain;
    for (const WaterRing& ring : group)
        chain.segments.push_back(buildRingVertices(ring));
    if (chain.segments.empty())
        return;
    chain.chainSegments();
    const osg::ref_ptr<osg::Vec3Array> joined = chain.joinedVertices();
    if (joined->empty())
        return;
    osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array;
    osg::ref_ptr<osg::DrawElementsUInt> triangles = new osg::DrawElementsUInt(GL_TRIANGLES);
    appendPolygonTriangles(*joined, *vertices, *triangles);
    polygon->setVertexArray(vertices.get());
    polygon->addPrimitiveSet(triangles.get());
    addDrawable(polygon.get());
}

osg::ref_ptr<osg::Vec3Array> WaterArea::buildRingVertices(const WaterRing& ring) const
{
    std::vector<osg::Vec3d> points;
    points.reserve(ring.size());
    for (const OsmNode& node : ring)
    {
        const double elevation = frame->terrainElevation(node.lon, node.lat);
        points.emplace_back(node.lon, node.lat, static_cast<float>(elevation + waterLift));
    }
    return frame->localize(points);
}

osg::Vec3f WaterArea::computeUpVector() const
{
    NodeBounds bounds;
    for (const WaterGroup& group : groups)
        for (const WaterRing& ring : group)
            for (const OsmNode& node : ring)
                bounds.widen(node);
    return osg::Vec3f(geodeticUp(bounds));
}
