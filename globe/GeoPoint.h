#pragma once

#include "globe/SpatialReference.h"

#include <osg/ref_ptr>

namespace globe
{

// A point given in a spatial reference: longitude, latitude (degrees) and altitude (metres).
class GeoPoint
{
public:
    GeoPoint(const SpatialReference* srs, double x, double y, double z = 0.0)
        : _srs(srs), _x(x), _y(y), _z(z)
    {
    }

    double x() const { return _x; }
    double y() const { return _y; }
    double z() const { return _z; }
    const SpatialReference* getSRS() const { return _srs.get(); }

private:
    osg::ref_ptr<const SpatialReference> _srs;
    double _x;
    double _y;
    double _z;
};
} // namespace globe
