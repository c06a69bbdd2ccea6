#pragma once

#include "osm/NodeBounds.h"

#include <osg/Array>
#include <osg/Matrixd>
#include <osg/Vec3d>
#include <osg/Vec3f>
#include <osg/ref_ptr>

#include <vector>

namespace globe
{
class ElevationQuery;
class SpatialReference;
} // namespace globe

// Where generated geometry is placed: WGS 84 points on the terrain, expressed in
// the scene's local frame (the inverse of the scene origin's local-to-world
// matrix). Unchanged after construction; any thread may use a const one while
// its elevation query may be used there.
class LocalFrame
{
public:
    LocalFrame(const osg::Matrixd& localToWorld, const globe::ElevationQuery* elevationQuery);

    // Terrain height in metres; 0 (the ellipsoid) where the terrain has no data,
    // never a value left over from an earlier query.
    double terrainElevation(double lon, double lat) const;

    // (lon, lat, height) points as single-precision vertices in the local frame, in order.
    osg::ref_ptr<osg::Vec3Array> localize(const std::vector<osg::Vec3d>& points) const;

    // A geocentric direction expressed in the local frame.
    osg::Vec3f localDirection(const osg::Vec3d& geocentric) const;

private:
    osg::Matrixd worldToLocal;
    const globe::ElevationQuery* elevationQuery;
};

const globe::SpatialReference* wgs84();

// The ellipsoid's unit normal (geodetic up) at a WGS 84 position, geocentric.
osg::Vec3d geodeticUp(double lon, double lat);

// Geodetic up at the centre of the bounds; (0, 0, 0) for empty bounds.
osg::Vec3d geodeticUp(const NodeBounds& bounds);
