#pragma once

#include "osm/OsmParser.h"

#include <osg/Array>
#include <osg/Geode>
#include <osg/Geometry>
#include <osg/Vec3f>
#include <osg/ref_ptr>

#include <vector>

class AreaAssembler;
class LocalFrame;
struct AreaPolygon;

// All water of the extract as filled, tessellated polygons 2 m above the terrain, in
// the scene's local frame: one drawable for the water ways (group 0), each a closed
// way, and one per water relation (groups 1, 2, ...) whose member ways assemble into
// polygons: several outlines, inner rings as holes. A relation that does not assemble
// prints " Sorst failed! " and is not drawn. Built on the data thread.
class WaterArea : public osg::Geode
{
public:
    // features: what each ring is drawn for (the store's water ring features), so
    // that a pick names it; without them nothing is named.
    WaterArea(std::vector<WaterGroup> groups, const LocalFrame& frame,
              const std::vector<std::vector<OsmId>>& features = {});

    // Geodetic up (geocentric) at the middle of all rings; (0, 0, 0) without rings.
    osg::Vec3f computeUpVector() const;
    osg::ref_ptr<osg::Vec3Array> buildRingVertices(const WaterRing& ring) const;

protected:
    ~WaterArea() override;

private:
    osg::ref_ptr<osg::Geometry> newGeometry();
    void addWaterWays(const WaterGroup& group, const AreaAssembler& assembler);
    void addRelation(std::size_t g, const AreaAssembler& assembler);
    void markFeature(osg::Geometry& drawn, unsigned first, OsmType type, std::size_t group, std::size_t i) const;
    void appendPolygon(const AreaPolygon& polygon, osg::Vec3Array& vertices, osg::DrawElementsUInt& triangles) const;

    std::vector<WaterGroup> groups;
    const LocalFrame* frame;
    std::vector<std::vector<OsmId>> features;
    osg::ref_ptr<osg::Geometry> geometry;
};
