#include "globe/SpatialReference.h"

#include <osg/Math>

#include <algorithm>
#include <cctype>

namespace globe
{
namespace
{
// WGS 84's defining constants; OSG's rounded polar radius is 45 micrometres short.
constexpr double equatorRadius = 6378137.0;
constexpr double flattening = 1.0 / 298.257223563;

std::string lowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}
} // namespace

SpatialReference::SpatialReference(const std::string& name)
    : _name(name), _ellipsoid(new osg::EllipsoidModel(equatorRadius, equatorRadius * (1.0 - flattening)))
{
}

const SpatialReference* SpatialReference::get(const std::string& init, const std::string& vdatum)
{
    static const osg::ref_ptr<SpatialReference> wgs84 = new SpatialReference("wgs84");
    const std::string key = lowerCase(init);
    if (!vdatum.empty())
        return nullptr;
    if (key == "wgs84" || key == "epsg:4326")
        return wgs84.get();
    return nullptr;
}

bool SpatialReference::transformToWorld(const osg::Vec3d& lonLatHeight, osg::Vec3d& outWorld) const
{
    _ellipsoid->convertLatLongHeightToXYZ(osg::DegreesToRadians(lonLatHeight.y()),
                                          osg::DegreesToRadians(lonLatHeight.x()), lonLatHeight.z(),
                                          outWorld.x(), outWorld.y(), outWorld.z());
    return true;
}

bool SpatialReference::transformFromWorld(const osg::Vec3d& world, osg::Vec3d& outLonLatHeight) const
{
    double lat = 0.0, lon = 0.0, height = 0.0;
    _ellipsoid->convertXYZToLatLongHeight(world.x(), world.y(), world.z(), lat, lon, height);
    outLonLatHeight.set(osg::RadiansToDegrees(lon), osg::RadiansToDegrees(lat), height);
    return true;
}

bool SpatialReference::createLocalToWorld(const osg::Vec3d& lonLatHeight, osg::Matrixd& outLocalToWorld) const
{
    osg::Vec3d world;
    transformToWorld(lonLatHeight, world);
    _ellipsoid->computeLocalToWorldTransformFromXYZ(world.x(), world.y(), world.z(), outLocalToWorld);
    return true;
}
} // namespace globe
