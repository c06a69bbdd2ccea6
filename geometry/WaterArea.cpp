#include "geometry/WaterArea.h"

#include "geometry/AreaAssembler.h"
#include "geometry/FeatureSpans.h"
#include "geometry/GeosContext.h"
#include "geometry/LocalFrame.h"
#include "geometry/PolygonTriangles.h"

#include <osg/PrimitiveSet>

#include <iostream>

namespace
{
const double waterLift = 2.0;
} // namespace

WaterArea::WaterArea(std::vector<WaterGroup> groups_, const LocalFrame& frame_,
                     const std::vector<std::vector<OsmId>>& features_)
    : groups(std::move(groups_)), frame(&frame_), features(features_)
{
    if (groups.empty())
        return;
    const GeosContext geos;
    const AreaAssembler assembler(geos);
    addWaterWays(groups.front(), assembler);
    for (std::size_t g = 1; g < groups.size(); ++g)
        addRelation(g, assembler);
}

WaterArea::~WaterArea() = default;

// For picking: the vertices from first on belong to the feature of ring i of the group.
void WaterArea::markFeature(osg::Geometry& drawn, unsigned first, OsmType type, std::size_t group, std::size_t i) const
{
    if (group < features.size() && i < features[group].size())
        FeatureSpans::of(drawn).add(first, {FeatureKind::Water, type, features[group][i]});
}

osg::ref_ptr<osg::Geometry> WaterArea::newGeometry()
{
    geometry = new osg::Geometry;
    geometry->setUseDisplayList(false);
    geometry->setUseVertexBufferObjects(true);
    return geometry;
}

// Every closed way its own area; ways that do not close are no area. Added even when empty.
void WaterArea::addWaterWays(const WaterGroup& group, const AreaAssembler& assembler)
{
    osg::ref_ptr<osg::Geometry> rings = newGeometry();
    osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array;
    osg::ref_ptr<osg::DrawElementsUInt> triangles = new osg::DrawElementsUInt(GL_TRIANGLES);
    for (std::size_t i = 0; i < group.size(); ++i)
        if (const auto polygons = assembler.fromClosedWay(group[i]))
        {
            markFeature(*rings, static_cast<unsigned>(vertices->size()), OsmType::Way, 0, i);
            for (const AreaPolygon& polygon : *polygons)
                appendPolygon(polygon, *vertices, *triangles);
        }
    rings->setVertexArray(vertices.get());
    rings->addPrimitiveSet(triangles.get());
    addDrawable(rings.get());
}

// The member ways assembled into polygons; nothing when they do not assemble.
void WaterArea::addRelation(std::size_t g, const AreaAssembler& assembler)
{
    const WaterGroup& group = groups[g];
    if (group.empty())
        return;
    const auto polygons = assembler.fromWays(group);
    if (!polygons)
    {
        std::cout << " Sorst failed! " << std::endl;
        return;
    }
    osg::ref_ptr<osg::Geometry> drawn = newGeometry();
    markFeature(*drawn, 0, OsmType::Relation, g, 0);
    osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array;
    osg::ref_ptr<osg::DrawElementsUInt> triangles = new osg::DrawElementsUInt(GL_TRIANGLES);
    for (const AreaPolygon& polygon : *polygons)
        appendPolygon(polygon, *vertices, *triangles);
    drawn->setVertexArray(vertices.get());
    drawn->addPrimitiveSet(triangles.get());
    addDrawable(drawn.get());
}

void WaterArea::appendPolygon(const AreaPolygon& polygon, osg::Vec3Array& vertices,
                              osg::DrawElementsUInt& triangles) const
{
    std::vector<osg::ref_ptr<osg::Vec3Array>> rings{buildRingVertices(polygon.outer)};
    for (const WaterRing& inner : polygon.inners)
        rings.push_back(buildRingVertices(inner));
    std::vector<const osg::Vec3Array*> contours(rings.begin(), rings.end());
    appendContourTriangles(contours, vertices, triangles);
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
