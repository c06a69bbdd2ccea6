#include "globe/DateTime.h"
#include "globe/HorizontalCoordinates.h"
#include "globe/SkyNode.h"

#include <gtest/gtest.h>
#include <osg/Math>
#include <osgViewer/View>

#include <cmath>

namespace
{
struct SolarPosition
{
    const char* place;
    globe::DateTime when;
    double longitude;
    double latitude;
    double elevation; // geometric, without refraction
    double azimuth;
};

// NREL's SPA report (Reda & Andreas) gives its worked example at Golden, CO:
// topocentric zenith 50.11162 including 0.01633 of refraction, azimuth 194.34024.
// The others are from PyEphem 4.1 (XEphem's ephemeris) with refraction off.
const SolarPosition publishedPositions[] = {
    {"Golden (SPA example)", {2003, 10, 17, 19.0 + 30.5 / 60.0}, -105.1786, 39.742476, 90.0 - 50.11162 - 0.01633, 194.34024},
    {"Potsdam, scene start", {2015, 4, 1, 9.0}, 13.1, 52.4, 34.928, 138.665},
    {"Monaco morning", {2015, 4, 1, 9.0}, 7.42, 43.74, 38.099, 127.814},
    {"Monaco dusk", {2015, 4, 1, 19.0}, 7.42, 43.74, -11.978, 288.504},
    {"Monaco night", {2015, 4, 1, 23.0}, 7.42, 43.74, -40.953, 348.708},
    {"Sydney summer", {2015, 12, 21, 3.0}, 151.21, -33.87, 71.994, 301.053},
    {"Tromso midnight sun", {2015, 6, 21, 23.0}, 18.96, 69.65, 3.116, 3.220},
    {"Equator near noon", {2020, 3, 20, 17.0}, -78.5, 0.0, 84.677, 87.661},
    {"San Francisco night", {2015, 4, 1, 12.0}, -122.42, 37.77, -22.681, 64.409},
};

osg::Vec3d horizontalToLocal(double elevation, double azimuth)
{
    const double e = osg::DegreesToRadians(elevation);
    const double a = osg::DegreesToRadians(azimuth);
    return osg::Vec3d(std::cos(e) * std::sin(a), std::cos(e) * std::cos(a), std::sin(e));
}

double angleBetween(const osg::Vec3d& a, const osg::Vec3d& b)
{
    return osg::RadiansToDegrees(std::acos(osg::clampBetween(a * b / (a.length() * b.length()), -1.0, 1.0)));
}
} // namespace

// The sun reaches shaders as light 0 of the view, so the direction is read back
// from there and compared with the published positions.
TEST(SkyNode, ViewLightZeroPointsAtThePublishedSunPositions)
{
    osg::ref_ptr<globe::SkyNode> sky = globe::SkyNode::create(nullptr);
    osg::ref_ptr<osgViewer::View> view = new osgViewer::View;
    sky->attach(view.get(), 0);
    ASSERT_EQ(view->getLightingMode(), osg::View::SKY_LIGHT);
    ASSERT_NE(view->getLight(), nullptr);
    EXPECT_EQ(view->getLight()->getLightNum(), 0);

    for (const SolarPosition& expected : publishedPositions)
    {
        SCOPED_TRACE(expected.place);
        sky->setDateTime(expected.when);
        const osg::Vec4 position = view->getLight()->getPosition();
        EXPECT_EQ(position.w(), 0.0f) << "the sun must be a directional light";
        const osg::Vec3d direction(position.x(), position.y(), position.z());
        EXPECT_NEAR(direction.length(), 1.0, 1e-5);

        const globe::HorizontalCoordinates seen(direction, expected.longitude, expected.latitude);
        EXPECT_NEAR(seen.elevation(), expected.elevation, 0.05);
        // Near the zenith the azimuth is ill-conditioned: compare the directions.
        EXPECT_LT(angleBetween(horizontalToLocal(seen.elevation(), seen.azimuth()),
                               horizontalToLocal(expected.elevation, expected.azimuth)),
                  0.05);
        EXPECT_LT((sky->getSunDirection() - direction).length(), 1e-6);
    }
}

// Meeus, Astronomical Algorithms, example 25.b (VSOP87): on 1992 October 13.0 the
// sun stands at right ascension 198.378178 and declination -7.783871 degrees
// (apparent); with the sidereal time of the IAU 1982 formula this fixes the ECEF
// direction independently of any horizon frame.
TEST(SkyNode, SunDirectionMatchesEquatorialCoordinatesAndSiderealTime)
{
    osg::ref_ptr<globe::SkyNode> sky = globe::SkyNode::create(nullptr);
    const globe::DateTime when(1992, 10, 13, 0.0);
    sky->setDateTime(when);

    const double daysSinceJ2000 = when.getJulianDay() - 2451545.0;
    const double centuries = daysSinceJ2000 / 36525.0;
    const double siderealDegrees = 280.46061837 + 360.98564736629 * daysSinceJ2000 +
                                   0.000387933 * centuries * centuries;
    const double hourAngle = osg::DegreesToRadians(198.378178 - siderealDegrees);
    const double declination = osg::DegreesToRadians(-7.783871);
    const osg::Vec3d expected(std::cos(declination) * std::cos(hourAngle),
                              std::cos(declination) * std::sin(hourAngle), std::sin(declination));
    EXPECT_LT(angleBetween(sky->getSunDirection(), expected), 0.02);
}

// The sky's own drawing is no child: the scene's children are exactly those added.
TEST(SkyNode, KeepsItsDrawingOutOfTheChildrenAndHonoursTheLightNumber)
{
    osg::ref_ptr<globe::SkyNode> sky = globe::SkyNode::create(nullptr);
    EXPECT_EQ(sky->getNumChildren(), 0u);
    sky->addChild(new osg::Group);
    EXPECT_EQ(sky->getNumChildren(), 1u);

    osg::ref_ptr<osgViewer::View> view = new osgViewer::View;
    sky->attach(view.get(), 2);
    EXPECT_EQ(view->getLight()->getLightNum(), 2);
    EXPECT_EQ(view->getLight(), sky->getSunLight());
}

TEST(DateTime, JulianDaysAndCalendarValidity)
{
    // Meeus example 7.a: 1957 October 4.81 is JD 2436116.31; J2000.0 is JD 2451545.0.
    EXPECT_NEAR(globe::DateTime(1957, 10, 4, 0.81 * 24.0).getJulianDay(), 2436116.31, 1e-6);
    EXPECT_NEAR(globe::DateTime(2000, 1, 1, 12.0).getJulianDay(), 2451545.0, 1e-9);
    // Hour 24 is the next midnight, as the time-of-day keys may reach it.
    EXPECT_DOUBLE_EQ(globe::DateTime(2015, 4, 1, 24.0).getJulianDay(),
                     globe::DateTime(2015, 4, 2, 0.0).getJulianDay());

    EXPECT_TRUE(globe::DateTime(2015, 4, 1, 9.0).isValid());
    EXPECT_TRUE(globe::DateTime(2016, 2, 29, 0.0).isValid());
    EXPECT_TRUE(globe::DateTime(2015, 12, 31, 0.0).isValid());
    EXPECT_FALSE(globe::DateTime(2015, 2, 29, 0.0).isValid());
    EXPECT_FALSE(globe::DateTime(2015, 4, 31, 0.0).isValid());
    EXPECT_FALSE(globe::DateTime(2015, 13, 1, 0.0).isValid());
    EXPECT_FALSE(globe::DateTime(2015, 0, 1, 0.0).isValid());
    EXPECT_FALSE(globe::DateTime(2015, 1, 0, 0.0).isValid());
}
