#pragma once

#include "osm/WayGeometry.h"
#include "osm/WayInfo.h"

#include <osg/Array>
#include <osg/Geode>
#include <osg/Geometry>
#include <osg/PrimitiveSet>
#include <osg/Vec3f>
#include <osg/ref_ptr>

#include <vector>

class LocalFrame;

// The extruded buildings of one grid cell: every footprint becomes a ring of wall
// quads and a flat roof of triangles. All buildings share two drawables, the roofs
// (first) and the walls (second), with vertices in the scene's local frame.
class Building : public osg::Geode
{
public:
    Building(std::vector<WayGeometry> ways, std::vector<WayInfo> infos, const LocalFrame& frame);

    // The footprint (every node but the last) at the given altitude, in the local
    // frame; sizeFactor receives the size rule's factor of the footprint.
    osg::ref_ptr<osg::Vec3Array> localFootprint(WayGeometry way, double baseAltitude, double& sizeFactor) const;

    // The normal of the roofs: geodetic up at the middle of the footprints, in the
    // local frame like the wall normals and the vertices.
    osg::Vec3f roofNormal() const;

protected:
    ~Building() override;

private:
    double baseAltitude(const WayGeometry& way) const;
    osg::Vec3f extrusionOf(const WayGeometry& way, double sizeFactor) const;
    void addWalls(const osg::Vec3Array& footprint, osg::Vec3Array& vertices, osg::Vec3Array& normals);
    void addRoof(const osg::Vec3Array& footprint, osg::Vec3Array& vertices, osg::DrawElementsUInt& triangles);

    std::vector<WayGeometry> ways;
    std::vector<WayInfo> infos;
    const LocalFrame* frame;
    osg::ref_ptr<osg::Geometry> roof;
    osg::ref_ptr<osg::Geometry> walls;
    osg::Vec3f extrusion;
};
