#include "globe/HorizonCullCallback.h"

#include <osg/NodeVisitor>

#include <algorithm>
#include <cmath>

namespace globe
{
namespace
{
// Distance along the direction d (unit) at which a point sees the same horizon
// as the scaled position p, so that hiding that point hides p.
double horizonMagnitude(const osg::Vec3d& p, const osg::Vec3d& d)
{
    const double magnitude = std::max(1.0, p.length());
    const osg::Vec3d unitP = p / p.length();
    const double cosAlpha = unitP * d;
    const double sinAlpha = (unitP ^ d).length();
    const double cosBeta = 1.0 / magnitude;
    const double sinBeta = std::sqrt(magnitude * magnitude - 1.0) * cosBeta;
    return 1.0 / (cosAlpha * cosBeta - sinAlpha * sinBeta);
}
} // namespace

HorizonCullCallback::HorizonCullCallback(const std::vector<osg::Vec3d>& points, const osg::Vec3d& direction,
                                         const osg::EllipsoidModel& ellipsoid)
    : _scale(1.0 / ellipsoid.getRadiusEquator(), 1.0 / ellipsoid.getRadiusEquator(),
             1.0 / ellipsoid.getRadiusPolar())
{
    osg::Vec3d unitDirection = toScaled(direction);
    unitDirection.normalize();
    double magnitude = 0.0;
    for (const osg::Vec3d& point : points)
    {
        const double m = horizonMagnitude(toScaled(point), unitDirection);
        // A point a quarter of the globe away from the direction has no finite
        // horizon point: such a subgraph is never culled here.
        if (!(m > 0.0) || !std::isfinite(m))
            return;
        magnitude = std::max(magnitude, m);
    }
    _horizonPoint = unitDirection * magnitude;
    _valid = !points.empty();
}

osg::Vec3d HorizonCullCallback::toScaled(const osg::Vec3d& world) const
{
    return osg::Vec3d(world.x() * _scale.x(), world.y() * _scale.y(), world.z() * _scale.z());
}

bool HorizonCullCallback::isOccluded(const osg::Vec3d& eye) const
{
    if (!_valid)
        return false;
    const osg::Vec3d v = toScaled(eye);
    const double vhSquared = v.length2() - 1.0;
    // From inside the ellipsoid there is no horizon to hide behind.
    if (vhSquared <= 0.0)
        return false;
    const osg::Vec3d vt = _horizonPoint - v;
    const double vtDotVc = -(vt * v);
    return vtDotVc > vhSquared && vtDotVc * vtDotVc / vt.length2() > vhSquared;
}

void HorizonCullCallback::operator()(osg::Node* node, osg::NodeVisitor* nv)
{
    // The eye comes in the terrain's own (geocentric) frame, the frame of the points.
    if (nv->getVisitorType() == osg::NodeVisitor::CULL_VISITOR && isOccluded(nv->getEyePoint()))
        return;
    traverse(node, nv);
}
} // namespace globe
