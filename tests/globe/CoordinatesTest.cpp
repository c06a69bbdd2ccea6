#include "globe/ECEF.h"
#include "globe/GeoPoint.h"
#include "globe/SpatialReference.h"

#include <gtest/gtest.h>
#include <ogr_spatialref.h>

#include <memory>

namespace
{
const globe::SpatialReference* wgs84()
{
    return globe::SpatialReference::get("wgs84");
}

// Geographic to geocentric by PROJ, an implementation independent of ours.
osg::Vec3d projGeocentric(const osg::Vec3d& lonLatHeight)
{
    OGRSpatialReference geographic, geocentric;
    geographic.importFromEPSG(4979);
    geocentric.importFromEPSG(4978);
    geographic.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    geocentric.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    std::unique_ptr<OGRCoordinateTransformation> transform(
        OGRCreateCoordinateTransformation(&geographic, &geocentric));
    double x = lonLatHeight.x(), y = lonLatHeight.y(), z = lonLatHeight.z();
    EXPECT_TRUE(transform->Transform(1, &x, &y, &z));
    return osg::Vec3d(x, y, z);
}

osg::Vec3d toWorld(const osg::Vec3d& lonLatHeight)
{
    osg::Vec3d world;
    EXPECT_TRUE(wgs84()->transformToWorld(lonLatHeight, world));
    return world;
}
} // namespace

TEST(SpatialReference, GeocentricPositionsMatchKnownValues)
{
    ASSERT_NE(wgs84(), nullptr);
    EXPECT_EQ(wgs84(), globe::SpatialReference::get("wgs84", ""));
    EXPECT_EQ(globe::SpatialReference::get("no such reference"), nullptr);

    const osg::Vec3d origin = toWorld(osg::Vec3d(0.0, 0.0, 0.0));
    EXPECT_NEAR(origin.x(), 6378137.0, 1e-6);
    EXPECT_NEAR(origin.y(), 0.0, 1e-6);
    EXPECT_NEAR(origin.z(), 0.0, 1e-6);

    const osg::Vec3d pole = toWorld(osg::Vec3d(0.0, 90.0, 0.0));
    EXPECT_NEAR(pole.x(), 0.0, 1e-6);
    EXPECT_NEAR(pole.y(), 0.0, 1e-6);
    EXPECT_NEAR(pole.z(), 6356752.314245, 1e-5);

    for (const osg::Vec3d& point : {osg::Vec3d(13.1, 52.4, 100.0), osg::Vec3d(7.42, 43.735, 19.0),
                                    osg::Vec3d(-122.4, -37.8, 2500.0), osg::Vec3d(179.9, 89.5, -30.0)})
    {
        const osg::Vec3d ours = toWorld(point);
        const osg::Vec3d reference = projGeocentric(point);
        EXPECT_LT((ours - reference).length(), 1e-3) << point.x() << " " << point.y();

        osg::Vec3d back;
        ASSERT_TRUE(wgs84()->transformFromWorld(ours, back));
        EXPECT_NEAR(back.x(), point.x(), 1e-9);
        EXPECT_NEAR(back.y(), point.y(), 1e-9);
        EXPECT_NEAR(back.z(), point.z(), 1e-4);
    }

    const globe::GeoPoint point(wgs84(), 13.1, 52.4, 100.0);
    EXPECT_EQ(point.getSRS(), wgs84());
    EXPECT_DOUBLE_EQ(point.x(), 13.1);
    EXPECT_DOUBLE_EQ(point.y(), 52.4);
    EXPECT_DOUBLE_EQ(point.z(), 100.0);
    EXPECT_DOUBLE_EQ(globe::GeoPoint(wgs84(), 1.0, 2.0).z(), 0.0);
}

TEST(SpatialReference, LocalFrameIsEastNorthUp)
{
    const osg::Vec3d place(13.1, 52.4, 30.0);
    osg::Matrixd localToWorld;
    ASSERT_TRUE(wgs84()->createLocalToWorld(place, localToWorld));
    EXPECT_LT((localToWorld.getTrans() - toWorld(place)).length(), 1e-6);

    const auto geographic = [&localToWorld](const osg::Vec3d& local) {
        osg::Vec3d lonLatHeight;
        wgs84()->transformFromWorld(local * localToWorld, lonLatHeight);
        return lonLatHeight;
    };
    const osg::Vec3d east = geographic(osg::Vec3d(100.0, 0.0, 0.0));
    EXPECT_GT(east.x(), place.x());
    EXPECT_NEAR(east.y(), place.y(), 1e-7);
    EXPECT_NEAR(east.z(), place.z(), 0.01);

    const osg::Vec3d north = geographic(osg::Vec3d(0.0, 100.0, 0.0));
    EXPECT_NEAR(north.x(), place.x(), 1e-7);
    EXPECT_GT(north.y(), place.y());
    EXPECT_NEAR(north.z(), place.z(), 0.01);

    const osg::Vec3d up = geographic(osg::Vec3d(0.0, 0.0, 100.0));
    EXPECT_NEAR(up.x(), place.x(), 1e-9);
    EXPECT_NEAR(up.y(), place.y(), 1e-9);
    EXPECT_NEAR(up.z(), place.z() + 100.0, 1e-6);

    // A rigid frame: unit axes at right angles.
    const osg::Vec3d x = osg::Matrixd::transform3x3(osg::Vec3d(1, 0, 0), localToWorld);
    const osg::Vec3d y = osg::Matrixd::transform3x3(osg::Vec3d(0, 1, 0), localToWorld);
    const osg::Vec3d z = osg::Matrixd::transform3x3(osg::Vec3d(0, 0, 1), localToWorld);
    EXPECT_NEAR(x.length(), 1.0, 1e-12);
    EXPECT_NEAR(y.length(), 1.0, 1e-12);
    EXPECT_NEAR(x * y, 0.0, 1e-12);
    EXPECT_NEAR((x ^ y) * z, 1.0, 1e-12);
}

TEST(ECEF, LocalizedVerticesKeepCentimetres)
{
    const osg::Vec3d origin(7.42, 43.735, 0.0);
    osg::Matrixd localToWorld;
    wgs84()->createLocalToWorld(origin, localToWorld);
    const osg::Matrixd worldToLocal = osg::Matrixd::inverse(localToWorld);

    // About 5 km from the origin in every direction, 100 m up.
    std::vector<osg::Vec3d> points;
    for (double dLon : {-0.0621, 0.0, 0.0621})
        for (double dLat : {-0.045, 0.0, 0.045})
            points.emplace_back(origin.x() + dLon, origin.y() + dLat, 100.0);

    osg::ref_ptr<osg::Vec3Array> output = new osg::Vec3Array;
    output->push_back(osg::Vec3f(1.0f, 2.0f, 3.0f));
    globe::ECEF::transformAndLocalize(points, wgs84(), output.get(), wgs84(), worldToLocal);
    ASSERT_EQ(output->size(), points.size() + 1);
    EXPECT_EQ((*output)[0], osg::Vec3f(1.0f, 2.0f, 3.0f));

    for (size_t i = 0; i < points.size(); ++i)
    {
        const osg::Vec3d exact = toWorld(points[i]) * worldToLocal;
        const osg::Vec3d stored((*output)[i + 1]);
        EXPECT_LT((stored - exact).length(), 0.01) << i;
        // 5 km away the ground has fallen about 2 m below the origin's tangent plane.
        const double drop = (exact.x() * exact.x() + exact.y() * exact.y()) / (2.0 * 6371000.0);
        EXPECT_NEAR(stored.z(), 100.0 - drop, 0.05) << i;
    }
    EXPECT_GT((*output)[9].x(), 4900.0f);
    EXPECT_GT((*output)[9].y(), 4900.0f);
}
