#include "globe/HorizontalCoordinates.h"

#include <osg/CoordinateSystemNode>
#include <osg/Math>

#include <cmath>

namespace globe
{
HorizontalCoordinates::HorizontalCoordinates(const osg::Vec3d& worldDirection, double longitude,
                                             double latitude)
{
    // The east-north-up axes at the observer: the rows of the local-to-world matrix.
    osg::Matrixd localToWorld;
    osg::EllipsoidModel().computeLocalToWorldTransformFromLatLongHeight(
        osg::DegreesToRadians(latitude), osg::DegreesToRadians(longitude), 0.0, localToWorld);
    const osg::Vec3d east(localToWorld(0, 0), localToWorld(0, 1), localToWorld(0, 2));
    const osg::Vec3d north(localToWorld(1, 0), localToWorld(1, 1), localToWorld(1, 2));
    const osg::Vec3d up(localToWorld(2, 0), localToWorld(2, 1), localToWorld(2, 2));

    osg::Vec3d direction = worldDirection;
    direction.normalize();
    _elevation = osg::RadiansToDegrees(std::asin(osg::clampBetween(direction * up, -1.0, 1.0)));
    _azimuth = osg::RadiansToDegrees(std::atan2(direction * east, direction * north));
    if (_azimuth < 0.0)
        _azimuth += 360.0;
}
} // namespace globe
