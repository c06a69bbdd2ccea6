#include "geometry/LocalFrame.h"

#include "globe/ECEF.h"
#include "globe/ElevationQuery.h"
#include "globe/GeoPoint.h"
#include "globe/SpatialReference.h"


LocalFrame::LocalFrame(const osg::Matrixd& localToWorld, const globe::ElevationQuery* elevationQuery_)
    : worldToLocal(osg::Matrixd::inverse(localToWorld)),
      elevationQuery(elevationQuery_)
{
}

double LocalFrame::terrainElevation(double lon, double lat) const
{
    double elevation = 0.0;
    if (!elevationQuery || !elevationQuery->getElevation(globe::GeoPoint(wgs84(), lon, lat), elevation, 0.0, nullptr))
        elevation = 0.0;
    return elevation;
}

osg::ref_ptr<osg::Vec3Array> LocalFrame::localize(const std::vector<osg::Vec3d>& points) const
{
    osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array;
    vertices->reserve(points.size());
    globe::ECEF::transformAndLocalize(points, wgs84(), vertices.get(), wgs84(), worldToLocal);
    return vertices;
}

osg::Vec3f LocalFrame::localDirection(const osg::Vec3d& geocentric) const
{
    return osg::Matrixd::transform3x3(geocentric, worldToLocal);
}

const globe::SpatialReference* wgs84()
{
    return globe::SpatialReference::get("wgs84", "");
}

// The up axis of the east-north-up frame there.
osg::Vec3d geodeticUp(double lon, double lat)
{
    osg::Matrixd localToWorld;
    wgs84()->createLocalToWorld(osg::Vec3d(lon, lat, 0.0), localToWorld);
    return osg::Matrixd::transform3x3(osg::Vec3d(0.0, 0.0, 1.0), localToWorld);
}

osg::Vec3d geodeticUp(const NodeBounds& bounds)
{
    if (!bounds.valid)
        return osg::Vec3d();
    return geodeticUp((bounds.minLon + bounds.maxLon) * 0.5, (bounds.minLat + bounds.maxLat) * 0.5);
}
