#include "globe/Viewpoint.h"

namespace globe
{
Viewpoint::Viewpoint() : _heading(0.0), _pitch(-90.0), _range(0.0) {}

Viewpoint::Viewpoint(double lon, double lat, double alt, double heading, double pitch, double range,
                     const SpatialReference* srs)
    : _focalPoint(lon, lat, alt), _heading(heading), _pitch(pitch), _range(range), _srs(srs)
{
}

void Viewpoint::setFocalPoint(const GeoPoint& point)
{
    _focalPoint.set(point.x(), point.y(), point.z());
    if (point.getSRS())
        _srs = point.getSRS();
}
} // namespace globe
