#include "globe/EarthManipulator.h"
#include "globe/ElevationLayer.h"
#include "globe/ElevationQuery.h"
#include "globe/Map.h"
#include "globe/MapNode.h"
#include "globe/SpatialReference.h"

#include <gtest/gtest.h>
#include <osg/Math>
#include <osgGA/GUIEventAdapter>
#include <osgViewer/View>

#include <cmath>

namespace
{
using Event = osgGA::GUIEventAdapter;

const osg::EllipsoidModel& wgs84()
{
    return *globe::SpatialReference::get("wgs84")->getEllipsoid();
}

osg::Vec3d toWorld(double lon, double lat, double height)
{
    osg::Vec3d world;
    wgs84().convertLatLongHeightToXYZ(osg::DegreesToRadians(lat), osg::DegreesToRadians(lon), height, world.x(),
                                      world.y(), world.z());
    return world;
}

osg::Vec3d toLonLatHeight(const osg::Vec3d& world)
{
    double lat = 0.0, lon = 0.0, height = 0.0;
    wgs84().convertXYZToLatLongHeight(world.x(), world.y(), world.z(), lat, lon, height);
    return osg::Vec3d(osg::RadiansToDegrees(lon), osg::RadiansToDegrees(lat), height);
}

// East and north metres from a to b in the tangent plane at a.
osg::Vec2d offsetOnSurface(const globe::Viewpoint& a, const globe::Viewpoint& b)
{
    osg::Matrixd localToWorld;
    wgs84().computeLocalToWorldTransformFromLatLongHeight(osg::DegreesToRadians(a.y()), osg::DegreesToRadians(a.x()),
                                                          0.0, localToWorld);
    const osg::Vec3d local = toWorld(b.x(), b.y(), 0.0) * osg::Matrixd::inverse(localToWorld);
    return osg::Vec2d(local.x(), local.y());
}

osg::ref_ptr<Event> event(Event::EventType type)
{
    osg::ref_ptr<Event> ea = new Event;
    ea->setEventType(type);
    ea->setInputRange(0.0f, 0.0f, 800.0f, 600.0f);
    ea->setMouseYOrientation(Event::Y_INCREASING_UPWARDS);
    ea->setX(400.0f);
    ea->setY(300.0f);
    return ea;
}

osg::ref_ptr<Event> pointer(Event::EventType type, float x, float y, unsigned buttons)
{
    osg::ref_ptr<Event> ea = event(type);
    ea->setX(x);
    ea->setY(y);
    ea->setButtonMask(buttons);
    ea->setButton(int(buttons));
    return ea;
}

osg::ref_ptr<Event> key(int code)
{
    osg::ref_ptr<Event> ea = event(Event::KEYDOWN);
    ea->setKey(code);
    return ea;
}

osg::ref_ptr<Event> frameAt(double time)
{
    osg::ref_ptr<Event> ea = event(Event::FRAME);
    ea->setTime(time);
    return ea;
}

osg::ref_ptr<osgViewer::View> viewOf800x600()
{
    osg::ref_ptr<osgViewer::View> view = new osgViewer::View;
    view->getCamera()->setViewport(0, 0, 800, 600);
    view->getCamera()->setProjectionMatrixAsPerspective(30.0, 800.0 / 600.0, 1.0, 1.0e7);
    return view;
}

void expectSameViewpoint(const globe::Viewpoint& actual, const globe::Viewpoint& expected)
{
    EXPECT_NEAR(actual.x(), expected.x(), 1e-9);
    EXPECT_NEAR(actual.y(), expected.y(), 1e-9);
    EXPECT_NEAR(actual.z(), expected.z(), 1e-6);
    EXPECT_NEAR(actual.getHeading(), expected.getHeading(), 1e-9);
    EXPECT_NEAR(actual.getPitch(), expected.getPitch(), 1e-9);
    EXPECT_NEAR(actual.getRange(), expected.getRange(), 1e-6);
}

class CountingManipulator : public globe::EarthManipulator
{
public:
    void pan(double dx, double dy) override
    {
        ++pans;
        EarthManipulator::pan(dx, dy);
    }
    int pans = 0;
};

globe::MapNode* monacoMapNode()
{
    auto* map = new globe::Map;
    map->addElevationLayer(new globe::ElevationLayer(
        "SRTM", globe::GDALOptions{std::string(ORVALIS_SOURCE_DIR) + "/samples/monaco.tif", "gdal"}));
    return new globe::MapNode(map);
}
} // namespace

TEST(EarthManipulator, ViewpointRoundTripsAndIsHeldWithinTheSettings)
{
    osg::ref_ptr<globe::EarthManipulator> manipulator = new globe::EarthManipulator;
    const globe::Viewpoint vp(7.42, 43.74, 120.0, 10.261, -21.6, 1500.0);
    manipulator->setViewpoint(vp);
    expectSameViewpoint(manipulator->getViewpoint(), vp);

    // A heading past a full turn is the same heading.
    manipulator->setViewpoint(globe::Viewpoint(-170.0, -33.0, 0.0, 370.0, -45.0, 800.0));
    EXPECT_NEAR(manipulator->getViewpoint().getHeading(), 10.0, 1e-9);

    osg::ref_ptr<globe::EarthManipulator::Settings> settings = manipulator->getSettings();
    settings->setMinMaxDistance(100.0, 2500.0);
    manipulator->applySettings(settings.get());
    EXPECT_DOUBLE_EQ(manipulator->getViewpoint().getRange(), 800.0);
    manipulator->setViewpoint(globe::Viewpoint(7.42, 43.74, 0.0, 0.0, -45.0, 50.0));
    EXPECT_DOUBLE_EQ(manipulator->getViewpoint().getRange(), 100.0);
    manipulator->setViewpoint(globe::Viewpoint(7.42, 43.74, 0.0, 0.0, -45.0, 9000.0));
    EXPECT_DOUBLE_EQ(manipulator->getViewpoint().getRange(), 2500.0);
    // Tightening the settings pulls the current pose in at once.
    settings->setMinMaxDistance(100.0, 1000.0);
    manipulator->applySettings(settings.get());
    EXPECT_DOUBLE_EQ(manipulator->getViewpoint().getRange(), 1000.0);
}

// The scene's home: the extract's centre, heading 10.261, pitch -21.6, range 1500.
TEST(EarthManipulator, HomeViewpointPutsTheEyeAboveAndBehindTheFocalPoint)
{
    const double lon = 13.10165, lat = 52.3806;
    osg::ref_ptr<globe::EarthManipulator> manipulator = new globe::EarthManipulator;
    manipulator->setHomeViewpoint(globe::Viewpoint(lon, lat, 0.0, 10.261, -21.6, 1500.0));
    osg::ref_ptr<osgViewer::View> view = viewOf800x600();
    view->setCameraManipulator(manipulator.get(), true);

    const osg::Matrixd camera = manipulator->getMatrix();
    const osg::Vec3d eye = camera.getTrans();
    const osg::Vec3d focal = toWorld(lon, lat, 0.0);
    EXPECT_NEAR((eye - focal).length(), 1500.0, 1e-6);

    // In the focal point's east-north-up frame the eye lies against the heading,
    // range * sin(21.6) above it.
    osg::Matrixd localToWorld;
    wgs84().computeLocalToWorldTransformFromLatLongHeight(osg::DegreesToRadians(lat), osg::DegreesToRadians(lon),
                                                          0.0, localToWorld);
    const osg::Vec3d local = eye * osg::Matrixd::inverse(localToWorld);
    const double horizontal = 1500.0 * std::cos(osg::DegreesToRadians(21.6));
    EXPECT_NEAR(local.x(), -horizontal * std::sin(osg::DegreesToRadians(10.261)), 1e-6);
    EXPECT_NEAR(local.y(), -horizontal * std::cos(osg::DegreesToRadians(10.261)), 1e-6);
    EXPECT_NEAR(local.z(), 1500.0 * std::sin(osg::DegreesToRadians(21.6)), 1e-6);
    // Height above the ellipsoid: the same less the earth's curvature over 1.4 km.
    EXPECT_NEAR(toLonLatHeight(eye).z(), 551.9, 0.5);

    // The camera looks at the focal point with the sky above.
    osg::Vec3d look = osg::Matrixd::transform3x3(osg::Vec3d(0, 0, -1), camera);
    osg::Vec3d up = osg::Matrixd::transform3x3(osg::Vec3d(0, 1, 0), camera);
    osg::Vec3d toFocal = focal - eye;
    toFocal.normalize();
    EXPECT_NEAR(look * toFocal, 1.0, 1e-9);
    osg::Vec3d localUp = focal;
    localUp.normalize();
    EXPECT_GT(up * localUp, 0.9);

    // After wandering off, space brings the camera home again.
    manipulator->pan(0.5, 0.3);
    manipulator->zoom(0.0, -1.0);
    EXPECT_TRUE(manipulator->handle(*key(Event::KEY_Space), *view));
    EXPECT_NEAR(manipulator->getViewpoint().x(), lon, 1e-9);
    EXPECT_NEAR(manipulator->getViewpoint().getRange(), 1500.0, 1e-6);
}

TEST(EarthManipulator, PanMovesTheFocalPointAlongTheSurfaceInProportionToTheRange)
{
    osg::ref_ptr<globe::EarthManipulator> manipulator = new globe::EarthManipulator;
    for (const double range : {500.0, 1000.0, 2000.0})
    {
        SCOPED_TRACE(range);
        const globe::Viewpoint start(13.1, 52.38, 0.0, 0.0, -30.0, range);
        manipulator->setViewpoint(start);
        manipulator->pan(0.1, 0.0);
        // Dragging the ground to the right moves the focal point west.
        const osg::Vec2d moved = offsetOnSurface(start, manipulator->getViewpoint());
        EXPECT_NEAR(moved.x(), -0.03 * range, 0.001 * range);
        EXPECT_NEAR(moved.y(), 0.0, 0.001 * range);
        EXPECT_NEAR(manipulator->getViewpoint().z(), 0.0, 1e-3);
        EXPECT_DOUBLE_EQ(manipulator->getViewpoint().getRange(), range);
    }

    // The drag follows the heading: looking east, dragging up pulls the focal point west.
    const globe::Viewpoint east(13.1, 52.38, 0.0, 90.0, -30.0, 1000.0);
    manipulator->setViewpoint(east);
    manipulator->pan(0.0, 0.2);
    const osg::Vec2d moved = offsetOnSurface(east, manipulator->getViewpoint());
    EXPECT_NEAR(moved.x(), -60.0, 1.0);
    EXPECT_NEAR(moved.y(), 0.0, 1.0);
    EXPECT_NEAR(manipulator->getViewpoint().getHeading(), 90.0, 0.01);
}

TEST(EarthManipulator, ZoomStaysWithinTheDistanceLimits)
{
    osg::ref_ptr<globe::EarthManipulator> manipulator = new globe::EarthManipulator;
    osg::ref_ptr<globe::EarthManipulator::Settings> settings = manipulator->getSettings();
    settings->setMinMaxDistance(100.0, 2500.0);
    manipulator->applySettings(settings.get());
    manipulator->setViewpoint(globe::Viewpoint(13.1, 52.38, 0.0, 0.0, -30.0, 1000.0));
    osg::ref_ptr<osgViewer::View> view = viewOf800x600();

    manipulator->zoom(0.0, std::log(0.5));
    EXPECT_NEAR(manipulator->getViewpoint().getRange(), 500.0, 1e-9);
    manipulator->zoom(0.0, -10.0);
    EXPECT_DOUBLE_EQ(manipulator->getViewpoint().getRange(), 100.0);

    // Wheel steps out until the far limit holds; one step back in is one step.
    osg::ref_ptr<Event> wheel = event(Event::SCROLL);
    wheel->setScrollingMotion(Event::SCROLL_DOWN);
    for (int step = 0; step < 40; ++step)
        EXPECT_TRUE(manipulator->handle(*wheel, *view));
    EXPECT_DOUBLE_EQ(manipulator->getViewpoint().getRange(), 2500.0);
    wheel->setScrollingMotion(Event::SCROLL_UP);
    manipulator->handle(*wheel, *view);
    EXPECT_NEAR(manipulator->getViewpoint().getRange(), 2500.0 * std::exp(-0.2), 1e-6);

    // Right drags downwards come closer, but never nearer than the limit.
    for (int drag = 0; drag < 5; ++drag)
    {
        manipulator->handle(*pointer(Event::PUSH, 400, 300, Event::RIGHT_MOUSE_BUTTON), *view);
        manipulator->handle(*pointer(Event::DRAG, 400, 0, Event::RIGHT_MOUSE_BUTTON), *view);
    }
    EXPECT_DOUBLE_EQ(manipulator->getViewpoint().getRange(), 100.0);
    EXPECT_DOUBLE_EQ(manipulator->getViewpoint().x(), 13.1);
}

// Subclasses restrict movement by overriding pan(); every way of moving the
// focal point must therefore go through it.
TEST(EarthManipulator, EveryPanningInputGoesThroughPan)
{
    osg::ref_ptr<CountingManipulator> manipulator = new CountingManipulator;
    manipulator->setViewpoint(globe::Viewpoint(13.1, 52.38, 0.0, 0.0, -30.0, 1000.0));
    osg::ref_ptr<osgViewer::View> view = viewOf800x600();

    manipulator->handle(*pointer(Event::PUSH, 400, 300, Event::LEFT_MOUSE_BUTTON), *view);
    manipulator->handle(*pointer(Event::DRAG, 450, 320, Event::LEFT_MOUSE_BUTTON), *view);
    EXPECT_EQ(manipulator->pans, 1);
    for (int arrow : {Event::KEY_Left, Event::KEY_Right, Event::KEY_Up, Event::KEY_Down})
        EXPECT_TRUE(manipulator->handle(*key(arrow), *view));
    EXPECT_EQ(manipulator->pans, 5);
    manipulator->handle(*pointer(Event::DOUBLECLICK, 600, 200, Event::LEFT_MOUSE_BUTTON), *view);
    EXPECT_EQ(manipulator->pans, 6);

    // Rotating and zooming leave the focal point alone.
    const globe::Viewpoint before = manipulator->getViewpoint();
    manipulator->handle(*pointer(Event::PUSH, 400, 300, Event::MIDDLE_MOUSE_BUTTON), *view);
    manipulator->handle(*pointer(Event::DRAG, 500, 350, Event::MIDDLE_MOUSE_BUTTON), *view);
    EXPECT_EQ(manipulator->pans, 6);
    EXPECT_DOUBLE_EQ(manipulator->getViewpoint().x(), before.x());
    EXPECT_NE(manipulator->getViewpoint().getHeading(), before.getHeading());
    // Keys the manipulator does not own stay free for others.
    EXPECT_FALSE(manipulator->handle(*key('j'), *view));
    EXPECT_FALSE(manipulator->handle(*key('u'), *view));
}

TEST(EarthManipulator, DoubleClickZoomsTowardThePointUnderThePointer)
{
    osg::ref_ptr<globe::EarthManipulator> manipulator = new globe::EarthManipulator;
    manipulator->setViewpoint(globe::Viewpoint(7.42, 43.74, 0.0, 30.0, -50.0, 2000.0));
    osg::ref_ptr<osgViewer::View> view = viewOf800x600();
    const osg::Matrixd projection = view->getCamera()->getProjectionMatrix();

    // The ground point under the pointer, found by casting the pointer's ray on the ellipsoid.
    osg::ref_ptr<Event> click = pointer(Event::DOUBLECLICK, 600, 200, Event::LEFT_MOUSE_BUTTON);
    const osg::Vec2d ndc(click->getXnormalized(), click->getYnormalized());
    const osg::Matrixd toWorldFromNdc = osg::Matrixd::inverse(manipulator->getInverseMatrix() * projection);
    const osg::Vec3d nearPoint = osg::Vec3d(ndc.x(), ndc.y(), -1.0) * toWorldFromNdc;
    const osg::Vec3d farPoint = osg::Vec3d(ndc.x(), ndc.y(), 1.0) * toWorldFromNdc;
    osg::Vec3d direction = farPoint - nearPoint;
    direction.normalize();
    osg::Vec3d above = nearPoint;
    while (toLonLatHeight(above + direction * 10.0).z() > 0.0 && (above - nearPoint).length() < 20000.0)
        above += direction * 10.0;
    osg::Vec3d below = above + direction * 10.0;
    for (int i = 0; i < 40; ++i)
    {
        const osg::Vec3d mid = (above + below) * 0.5;
        (toLonLatHeight(mid).z() > 0.0 ? above : below) = mid;
    }
    const osg::Vec3d ground = above;
    ASSERT_NEAR(toLonLatHeight(ground).z(), 0.0, 0.01);

    EXPECT_TRUE(manipulator->handlePointAction(*click, *view));
    EXPECT_NEAR(manipulator->getViewpoint().getRange(), 1000.0, 1e-6);
    // The point stays (nearly) where the pointer is.
    const osg::Vec3d after = ground * manipulator->getInverseMatrix() * projection;
    EXPECT_NEAR(after.x(), ndc.x(), 0.03);
    EXPECT_NEAR(after.y(), ndc.y(), 0.03);

    // The right button zooms away again.
    EXPECT_TRUE(manipulator->handlePointAction(*pointer(Event::DOUBLECLICK, 400, 300, Event::RIGHT_MOUSE_BUTTON),
                                               *view));
    EXPECT_NEAR(manipulator->getViewpoint().getRange(), 2000.0, 1e-6);
}

TEST(EarthManipulator, TimedViewpointFliesThereSmoothly)
{
    osg::ref_ptr<globe::EarthManipulator> manipulator = new globe::EarthManipulator;
    osg::ref_ptr<osgViewer::View> view = viewOf800x600();
    const globe::Viewpoint from(13.1, 52.38, 0.0, 0.0, -30.0, 1000.0);
    const globe::Viewpoint to(7.42, 43.74, 0.0, 90.0, -60.0, 2000.0);
    manipulator->setViewpoint(from);
    manipulator->setViewpoint(to, 2.0);
    EXPECT_TRUE(manipulator->isFlying());

    manipulator->handle(*frameAt(10.0), *view);
    expectSameViewpoint(manipulator->getViewpoint(), from);
    manipulator->handle(*frameAt(11.0), *view);
    const globe::Viewpoint middle = manipulator->getViewpoint();
    EXPECT_NEAR(middle.x(), 0.5 * (from.x() + to.x()), 1e-9);
    EXPECT_NEAR(middle.getHeading(), 45.0, 1e-9);
    // Over a thousand kilometres the flight climbs well above both ends.
    EXPECT_GT(middle.getRange(), 100000.0);
    manipulator->handle(*frameAt(12.5), *view);
    EXPECT_FALSE(manipulator->isFlying());
    expectSameViewpoint(manipulator->getViewpoint(), to);

    // Headings turn the short way round.
    manipulator->setViewpoint(globe::Viewpoint(7.42, 43.74, 0.0, 170.0, -60.0, 2000.0));
    manipulator->setViewpoint(globe::Viewpoint(7.42, 43.74, 0.0, -170.0, -60.0, 2000.0), 1.0);
    manipulator->handle(*frameAt(20.0), *view);
    manipulator->handle(*frameAt(20.5), *view);
    EXPECT_NEAR(std::fabs(manipulator->getViewpoint().getHeading()), 180.0, 1e-9);

    // Any user input ends a flight where it is.
    manipulator->setViewpoint(from, 5.0);
    manipulator->handle(*frameAt(30.0), *view);
    manipulator->handle(*pointer(Event::PUSH, 400, 300, Event::LEFT_MOUSE_BUTTON), *view);
    EXPECT_FALSE(manipulator->isFlying());
}

TEST(EarthManipulator, SetByMatrixRecoversTheViewpoint)
{
    osg::ref_ptr<globe::EarthManipulator> source = new globe::EarthManipulator;
    const globe::Viewpoint vp(-122.42, 37.77, 0.0, -135.0, -35.0, 2200.0);
    source->setViewpoint(vp);
    osg::ref_ptr<globe::EarthManipulator> copy = new globe::EarthManipulator;
    copy->setByMatrix(source->getMatrix());
    const globe::Viewpoint recovered = copy->getViewpoint();
    EXPECT_NEAR(recovered.x(), vp.x(), 1e-7);
    EXPECT_NEAR(recovered.y(), vp.y(), 1e-7);
    EXPECT_NEAR(recovered.getHeading(), vp.getHeading(), 1e-6);
    EXPECT_NEAR(recovered.getPitch(), vp.getPitch(), 1e-6);
    EXPECT_NEAR(recovered.getRange(), vp.getRange(), 1e-4);
}

// Over Monaco's relief: the focal point lies on the terrain, and with the eye
// north of the harbour over the hills the camera is lifted clear of them.
TEST(EarthManipulator, KeepsTheFocalPointOnTheTerrainAndTheEyeAboveIt)
{
    osg::ref_ptr<globe::MapNode> mapNode = monacoMapNode();
    ASSERT_TRUE(mapNode->getMap()->getElevationLayers().front()->isOpen());
    const globe::ElevationQuery query(mapNode->getMap());
    const auto* wgs = globe::SpatialReference::get("wgs84");
    auto heightAt = [&](double lon, double lat) {
        double height = 0.0;
        query.getElevation(globe::GeoPoint(wgs, lon, lat), height);
        return height;
    };

    // Looking south from the hills: unconstrained, the eye would sit inside them.
    const globe::Viewpoint wanted(7.4236, 43.7350, 0.0, 180.0, -10.0, 2500.0);
    osg::ref_ptr<globe::EarthManipulator> free = new globe::EarthManipulator;
    free->setViewpoint(wanted);
    const osg::Vec3d freeEye = toLonLatHeight(free->getMatrix().getTrans());
    ASSERT_LT(freeEye.z(), heightAt(freeEye.x(), freeEye.y()));

    osg::ref_ptr<globe::EarthManipulator> manipulator = new globe::EarthManipulator;
    manipulator->setNode(mapNode.get());
    manipulator->setViewpoint(wanted);
    const globe::Viewpoint held = manipulator->getViewpoint();
    EXPECT_NEAR(held.z(), heightAt(held.x(), held.y()), 1e-6);
    EXPECT_LT(held.getPitch(), -10.0);
    EXPECT_DOUBLE_EQ(held.getRange(), 2500.0);
    const osg::Vec3d eye = toLonLatHeight(manipulator->getMatrix().getTrans());
    EXPECT_GE(eye.z(), heightAt(eye.x(), eye.y()));

    // Panning inland carries the focal point up the slopes with it.
    manipulator->setViewpoint(globe::Viewpoint(7.4236, 43.7350, 0.0, 0.0, -60.0, 1000.0));
    for (int step = 0; step < 10; ++step)
    {
        manipulator->pan(0.0, -0.5);
        const globe::Viewpoint vp = manipulator->getViewpoint();
        EXPECT_NEAR(vp.z(), heightAt(vp.x(), vp.y()), 1e-6);
        const osg::Vec3d stepEye = toLonLatHeight(manipulator->getMatrix().getTrans());
        EXPECT_GE(stepEye.z(), heightAt(stepEye.x(), stepEye.y()));
    }
    EXPECT_GT(manipulator->getViewpoint().z(), 100.0);
}
