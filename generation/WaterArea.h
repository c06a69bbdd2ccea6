#pragma once

#include "osm/OsmParser.h"

#include <osg/Array>
#include <osg/Geode>
#include <osg/Geometry>
#include <osg/Vec3f>
#include <osg/ref_ptr>

#include <vector>

namespace globe
{
class ElevationQuery;
class SpatialReference;
} // namespace globe

// All water of the extract as filled, tessellated polygons 2 m above the terrain, in
// the scene's local frame: one drawable for the rings of water ways (group 0), and one
// per water relation (groups 1, 2, ...), whose member ways are first joined end to end.
class WaterArea : public osg::Geode
{
public:
    WaterArea(std::vector<WaterGroup> groups, const globe::ElevationQuery* elevationQuery);

    // Geocentric unit normal of the first ring triangle with all components positive,
    // else the last one computed, else (0, 0, 0).
    osg::Vec3f computeUpVector() const;
    osg::ref_ptr<osg::Vec3Array> buildRingVertices(const WaterRing& ring) const;

protected:
    ~WaterArea() override;

private:
    osg::ref_ptr<osg::Geometry> newGeometry();
    void addWaterWays(const WaterGroup& group);
    void addRelation(const WaterGroup& group);

    std::vector<WaterGroup> groups;
    const globe::SpatialReference* srs;
    const globe::ElevationQuery* elevationQuery;
    osg::ref_ptr<osg::Geometry> geometry;
};
