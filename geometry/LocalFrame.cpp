#include "geometry/LocalFrame.h"

#include "app/SceneOrigin.h"
#include "globe/ECEF.h"
#include "globe/ElevationQuery.h"
#include "globe/GeoPoint.h"
#include "globe/SpatialReference.h"

const globe::SpatialReference* wgs84()
{
    return globe::SpatialReference::get("wgs84", "");
}

double terrainElevation(const globe::ElevationQuery* query, double lon, double lat)
{
    double elevation = 0.0;
    if (!query->getElevation(globe::GeoPoint(wgs84(), lon, lat), elevation, 0.0, nullptr))
        elevation = 0.0;
    return elevation;
}

osg::ref_ptr<osg::Vec3Array> localizePoints(const std::vector<osg::Vec3d>& points)
{
    osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array;
    vertices->reserve(points.size());
    globe::ECEF::transformAndLocalize(points, wgs84(), vertices.get(), wgs84(),
                                      osg::Matrixd::inverse(sceneOriginMatrix()));
    return vertices;
}

osg::Vec3f localDirection(const osg::Vec3d& geocentric)
{
    const osg::Matrixd worldToLocal = osg::Matrixd::inverse(sceneOriginMatrix());
    return osg::Matrixd::transform3x3(geocentric, worldToLocal);
}

osg::Vec3d footprintTriangleNormal(const OsmNode& n0, const OsmNode& n1, const OsmNode& n2)
{
    osg::Vec3d p[3];
    const OsmNode* nodes[3] = {&n0, &n1, &n2};
    for (int i = 0; i < 3; ++i)
        wgs84()->transformToWorld(osg::Vec3d(nodes[i]->lon, nodes[i]->lat, 10.0), p[i]);
    osg::Vec3d n = (p[2] - p[0]) ^ (p[1] - p[0]);
    const double length = n.length();
    if (length > 0.0)
        n /= length;
    if (n.x() < 0.0 && n.y() < 0.0 && n.z() < 0.0)
        n = -n;
    return n;
}

bool allComponentsPositive(const osg::Vec3d& v)
{
    return v.x() > 0.0 && v.y() > 0.0 && v.z() > 0.0;
}

osg::Vec3f footprintsUpVector(const std::vector<WayGeometry>& ways)
{
    osg::Vec3d n;
    for (const WayGeometry& way : ways)
    {
        for (std::size_t k = 0; k + 3 < way.nodes.size(); ++k)
        {
            n = footprintTriangleNormal(way.nodes[k], way.nodes[k + 1], way.nodes[k + 2]);
            if (allComponentsPositive(n))
                return osg::Vec3f(n);
        }
    }
    return osg::Vec3f(n);
}
