#pragma once

#include <osg/CoordinateSystemNode>
#include <osg/Matrixd>
#include <osg/Referenced>
#include <osg/Vec3d>
#include <osg/ref_ptr>

#include <string>

namespace globe
{
// A geographic reference on the WGS 84 ellipsoid (longitude and latitude in
// degrees, height in metres) with its geocentric (ECEF) world frame.
class SpatialReference : public osg::Referenced
{
public:
    // The shared instance for "wgs84" (also "epsg:4326"); null for anything else.
    static const SpatialReference* get(const std::string& init, const std::string& vdatum = "");

    bool transformToWorld(const osg::Vec3d& lonLatHeight, osg::Vec3d& outWorld) const;
    bool transformFromWorld(const osg::Vec3d& world, osg::Vec3d& outLonLatHeight) const;

    // East-north-up frame at the point: x east, y north, z up, origin on the point.
    bool createLocalToWorld(const osg::Vec3d& lonLatHeight, osg::Matrixd& outLocalToWorld) const;

    const osg::EllipsoidModel* getEllipsoid() const { return _ellipsoid.get(); }
    const std::string& getName() const { return _name; }

private:
    explicit SpatialReference(const std::string& name);

    std::string _name;
    osg::ref_ptr<osg::EllipsoidModel> _ellipsoid;
};
} // namespace globe
