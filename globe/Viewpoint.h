#pragma once

#include "globe/GeoPoint.h"
#include "globe/SpatialReference.h"

#include <osg/Vec3d>
#include <osg/ref_ptr>

namespace globe
{
// A camera pose around a focal point: the point's longitude, latitude (degrees)
// and altitude (metres); the heading (degrees clockwise from north), the pitch
// (degrees, negative looks down) and the range (metres from the point to the eye).
class Viewpoint
{
public:
    Viewpoint();
    Viewpoint(double lon, double lat, double alt, double heading, double pitch, double range,
              const SpatialReference* srs = nullptr);

    double x() const { return _focalPoint.x(); }
    double y() const { return _focalPoint.y(); }
    double z() const { return _focalPoint.z(); }

    // (longitude, latitude, altitude)
    const osg::Vec3d& getFocalPoint() const { return _focalPoint; }
    void setFocalPoint(const osg::Vec3d& lonLatAlt) { _focalPoint = lonLatAlt; }
    void setFocalPoint(const GeoPoint& point);

    double getHeading() const { return _heading; }
    void setHeading(double heading) { _heading = heading; }
    double getPitch() const { return _pitch; }
    void setPitch(double pitch) { _pitch = pitch; }
    double getRange() const { return _range; }
    void setRange(double range) { _range = range; }

    // Null when the viewpoint was given without a reference (geographic WGS 84 is meant).
    const SpatialReference* getSRS() const { return _srs.get(); }

private:
    osg::Vec3d _focalPoint;
    double _heading;
    double _pitch;
    double _range;
    osg::ref_ptr<const SpatialReference> _srs;
};
} // namespace globe
