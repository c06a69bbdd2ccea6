#pragma once

#include <osg/Vec3d>

namespace globe
{
// A geocentric (ECEF) direction as an observer on the WGS 84 ellipsoid sees it:
// elevation above the horizon and azimuth clockwise from north, in degrees.
class HorizontalCoordinates
{
public:
    HorizontalCoordinates(const osg::Vec3d& worldDirection, double longitude, double latitude);

    double elevation() const { return _elevation; }
    // 0 <= azimuth < 360; north 0, east 90.
    double azimuth() const { return _azimuth; }

private:
    double _elevation;
    double _azimuth;
};
} // namespace globe
