#include "app/MyKeyboardEventHandler.h"

#include "globe/Map.h"
#include "globe/MapNode.h"
#include "globe/HorizontalCoordinates.h"
#include "globe/SkyNode.h"

#include <gtest/gtest.h>
#include <osgGA/GUIActionAdapter>
#include <osgGA/GUIEventAdapter>

#include <cmath>
#include <cstdlib>
#include <string>

namespace
{
using Event = osgGA::GUIEventAdapter;

class IgnoredActions : public osgGA::GUIActionAdapter
{
public:
    void requestRedraw() override {}
    void requestContinuousUpdate(bool) override {}
    void requestWarpPointer(float, float) override {}
};

class MyKeyboardEventHandlerTest : public ::testing::Test
{
protected:
    MyKeyboardEventHandlerTest()
        : sky(globe::SkyNode::create(mapNode.get())), handler(new MyKeyboardEventHandler)
    {
        sky->setDateTime(globe::DateTime(2015, 4, 1, 9.0));
        handler->sky = sky.get();
    }

    // The line the event printed ("" for none); the handler must let every event pass.
    std::string send(int key, Event::EventType type = Event::KEYDOWN)
    {
        osg::ref_ptr<Event> event = new Event;
        event->setEventType(type);
        event->setKey(key);
        testing::internal::CaptureStdout();
        const bool handled = handler->handle(*event, actions);
        const std::string printed = testing::internal::GetCapturedStdout();
        EXPECT_FALSE(handled);
        return printed;
    }

    std::string press(char key, int times)
    {
        std::string last;
        for (int i = 0; i < times; ++i)
            last = send(key);
        return last;
    }

    // The sky only reads the map node's ellipsoid; the test keeps the node.
    osg::ref_ptr<globe::MapNode> mapNode = new globe::MapNode(new globe::Map);
    osg::ref_ptr<globe::SkyNode> sky;
    osg::ref_ptr<MyKeyboardEventHandler> handler;
    IgnoredActions actions;
};

TEST_F(MyKeyboardEventHandlerTest, TenthsOfAnHourForwardAndBack)
{
    EXPECT_EQ(send('u'), "hour ++: 9.1\n");
    EXPECT_NEAR(sky->getDateTime().hours(), 9.1, 1e-12);
    EXPECT_EQ(sky->getDateTime().year(), 2015);
    EXPECT_EQ(sky->getDateTime().month(), 4);
    EXPECT_EQ(sky->getDateTime().day(), 1);
    EXPECT_EQ(send('j'), "hour -- 9\n");
    EXPECT_EQ(send('j'), "hour -- 8.9\n");
    EXPECT_NEAR(sky->getDateTime().hours(), 8.9, 1e-12);
}

TEST_F(MyKeyboardEventHandlerTest, MidnightIsReachedThroughTheAccumulatedRemainder)
{
    press('j', 89);
    // The 90 tenths taken from 9.0 in double precision leave a trace above zero.
    const std::string ninetieth = send('j');
    ASSERT_EQ(ninetieth.rfind("hour -- ", 0), 0u);
    ASSERT_NE(ninetieth.find('e'), std::string::npos) << ninetieth;
    const double rest = std::strtod(ninetieth.c_str() + 8, nullptr);
    EXPECT_GT(rest, 0.0);
    EXPECT_LT(rest, 1e-12);
    // Six significant digits of the hour the sky was given.
    EXPECT_EQ(sky->getDateTime().hours(), handler->hour);
    EXPECT_NEAR(rest, handler->hour, 1e-5 * rest);

    EXPECT_EQ(send('j'), "hour -- 0\n");
    EXPECT_EQ(send('j'), "hour -- 0\n");
    EXPECT_EQ(sky->getDateTime().hours(), 0.0);
    EXPECT_EQ(handler->hour, 0.0);
}

TEST_F(MyKeyboardEventHandlerTest, EndOfTheDayIsTheLimit)
{
    EXPECT_NE(press('u', 149), "hour ++: 24\n");
    EXPECT_EQ(send('u'), "hour ++: 24\n");
    EXPECT_EQ(sky->getDateTime().hours(), 24.0);
    EXPECT_EQ(send('u'), "hour ++: 24\n");
    EXPECT_EQ(handler->hour, 24.0);
}

TEST_F(MyKeyboardEventHandlerTest, OtherKeysAndEventsChangeNothing)
{
    EXPECT_EQ(send('U'), "");
    EXPECT_EQ(send('J'), "");
    EXPECT_EQ(send('k'), "");
    EXPECT_EQ(send('u', Event::KEYUP), "");
    EXPECT_EQ(send('j', Event::KEYUP), "");
    EXPECT_EQ(send(0, Event::PUSH), "");
    EXPECT_EQ(handler->hour, 9.0);
    EXPECT_EQ(sky->getDateTime().hours(), 9.0);
}
// The hour is local mean solar time where the extract lies: 9:00 is a morning sun in
// the east and 12:00 a sun near the meridian, west of Greenwich and south of the
// equator too (read as UTC, 9:00 would be night over the Americas).
TEST_F(MyKeyboardEventHandlerTest, HoursAreLocalSolarTimeAtTheExtractsLongitude)
{
    struct Place { const char* name; double lon, lat; };
    const Place places[] = {{"Monaco", 7.42, 43.73}, {"Santiago", -70.65, -33.45}, {"Sydney", 151.21, -33.87}};
    for (const Place& place : places)
    {
        SCOPED_TRACE(place.name);
        handler->clock = LocalSolarClock(place.lon);
        handler->setHour(9.0);
        EXPECT_NEAR(sky->getDateTime().hours(), 9.0 - place.lon / 15.0, 1e-12);
        const globe::HorizontalCoordinates morning(sky->getSunDirection(), place.lon, place.lat);
        EXPECT_GT(morning.elevation(), 15.0);
        EXPECT_GT(morning.azimuth(), 45.0);
        EXPECT_LT(morning.azimuth(), 135.0);

        EXPECT_EQ(send('u'), "hour ++: 9.1\n");
        handler->setHour(12.0);
        const globe::HorizontalCoordinates noon(sky->getSunDirection(), place.lon, place.lat);
        const double fromMeridian = place.lat > 0.0 ? noon.azimuth() - 180.0 : std::remainder(noon.azimuth(), 360.0);
        EXPECT_LT(std::abs(fromMeridian), 10.0) << noon.azimuth();
        EXPECT_GT(noon.elevation(), morning.elevation());
    }
}
} // namespace
