#include "gui/OSGAdapterWidget.h"
#include "gui/OSGGraphicsWindowQt.h"

#include <QApplication>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

using Tarn::GUI::OSGAdapterWidget;
using Tarn::GUI::OSGGraphicsWindowQt;
using osgGA::GUIEventAdapter;

namespace {

// A window that creates its own adapter widget, shown, with an empty queue.
class AdapterEvents : public ::testing::Test
{
protected:
    void SetUp() override
    {
        window = new OSGGraphicsWindowQt;
        widget.reset(static_cast<OSGAdapterWidget*>(window->getWidget()));
        widget->resize(200, 150);
        widget->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(widget.get()));
        window->getEventQueue()->clear();
    }

    std::vector<osg::ref_ptr<GUIEventAdapter>> takeEvents()
    {
        osgGA::EventQueue::Events events;
        window->getEventQueue()->takeEvents(events);
        std::vector<osg::ref_ptr<GUIEventAdapter>> result;
        for (const auto& event : events)
            result.push_back(event->asGUIEventAdapter());
        return result;
    }

    void sendWheel(QPoint angleDelta)
    {
        QWheelEvent wheel(QPointF(5, 5), widget->mapToGlobal(QPoint(5, 5)), QPoint(), angleDelta, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(widget.get(), &wheel);
    }

    osg::ref_ptr<OSGGraphicsWindowQt> window;
    std::unique_ptr<OSGAdapterWidget> widget;
};

} // namespace

TEST_F(AdapterEvents, KeysReachTheQueueWithTheirKeyMapSymbols)
{
    struct Case { Qt::Key key; QString text; int symbol; };
    const std::vector<Case> cases = {
        {Qt::Key_Shift, "", GUIEventAdapter::KEY_Shift_L},
        {Qt::Key_A, "a", 'a'},
        {Qt::Key_CapsLock, "", 0},
        {Qt::Key_F1, "", GUIEventAdapter::KEY_F1},
        {Qt::Key_F20, "", GUIEventAdapter::KEY_F20},
        {Qt::Key_Return, "\r", GUIEventAdapter::KEY_Return},
        {Qt::Key_Enter, "\r", GUIEventAdapter::KEY_KP_Enter},
        {Qt::Key_Insert, "", GUIEventAdapter::KEY_KP_Insert},
    };
    for (const Case& c : cases) {
        QKeyEvent press(QEvent::KeyPress, c.key, Qt::NoModifier, c.text);
        QKeyEvent release(QEvent::KeyRelease, c.key, Qt::NoModifier, c.text);
        QApplication::sendEvent(widget.get(), &press);
        QApplication::sendEvent(widget.get(), &release);
        const auto events = takeEvents();
        ASSERT_EQ(events.size(), 2u) << "Qt key " << std::hex << c.key;
        EXPECT_EQ(events[0]->getEventType(), GUIEventAdapter::KEYDOWN);
        EXPECT_EQ(events[0]->getKey(), c.symbol) << "Qt key " << std::hex << c.key;
        EXPECT_EQ(events[1]->getEventType(), GUIEventAdapter::KEYUP);
        EXPECT_EQ(events[1]->getKey(), c.symbol) << "Qt key " << std::hex << c.key;
    }
    EXPECT_EQ(GUIEventAdapter::KEY_F20, 0xFFD1);
}

TEST_F(AdapterEvents, MouseButtonsPositionsAndMotion)
{
    // The queue turns button numbers 1, 2, 3 into its masks; number 0 stays 0.
    const std::vector<std::pair<Qt::MouseButton, int>> buttons = {
        {Qt::LeftButton, GUIEventAdapter::LEFT_MOUSE_BUTTON},
        {Qt::MiddleButton, GUIEventAdapter::MIDDLE_MOUSE_BUTTON},
        {Qt::RightButton, GUIEventAdapter::RIGHT_MOUSE_BUTTON},
        {Qt::BackButton, 0}};
    for (const auto& [qtButton, osgButton] : buttons) {
        QTest::mousePress(widget.get(), qtButton, Qt::NoModifier, QPoint(30, 40));
        QTest::mouseRelease(widget.get(), qtButton, Qt::NoModifier, QPoint(31, 41));
        const auto events = takeEvents();
        ASSERT_EQ(events.size(), 2u);
        EXPECT_EQ(events[0]->getEventType(), GUIEventAdapter::PUSH);
        EXPECT_EQ(events[0]->getButton(), osgButton);
        EXPECT_FLOAT_EQ(events[0]->getX(), 30.0f);
        EXPECT_FLOAT_EQ(events[0]->getY(), 40.0f);
        EXPECT_EQ(events[1]->getEventType(), GUIEventAdapter::RELEASE);
        EXPECT_EQ(events[1]->getButton(), osgButton);
        EXPECT_FLOAT_EQ(events[1]->getX(), 31.0f);
    }

    QMouseEvent doubleClick(QEvent::MouseButtonDblClick, QPointF(12, 13), Qt::MiddleButton, Qt::MiddleButton,
                            Qt::NoModifier);
    QApplication::sendEvent(widget.get(), &doubleClick);
    QMouseEvent move(QEvent::MouseMove, QPointF(50, 60), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget.get(), &move);
    const auto events = takeEvents();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0]->getEventType(), GUIEventAdapter::DOUBLECLICK);
    EXPECT_EQ(events[0]->getButton(), GUIEventAdapter::MIDDLE_MOUSE_BUTTON);
    EXPECT_FLOAT_EQ(events[1]->getX(), 50.0f);
    EXPECT_FLOAT_EQ(events[1]->getY(), 60.0f);
    EXPECT_TRUE(events[1]->getEventType() == GUIEventAdapter::MOVE ||
                events[1]->getEventType() == GUIEventAdapter::DRAG);
}

TEST_F(AdapterEvents, WheelDirectionsIncludingZeroDelta)
{
    const std::vector<std::pair<QPoint, GUIEventAdapter::ScrollingMotion>> steps = {
        {QPoint(0, 120), GUIEventAdapter::SCROLL_UP},
        {QPoint(0, -120), GUIEventAdapter::SCROLL_DOWN},
        {QPoint(120, 0), GUIEventAdapter::SCROLL_LEFT},
        {QPoint(-120, 0), GUIEventAdapter::SCROLL_RIGHT},
        {QPoint(0, 0), GUIEventAdapter::SCROLL_DOWN},
    };
    for (const auto& [delta, motion] : steps) {
        sendWheel(delta);
        const auto events = takeEvents();
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0]->getEventType(), GUIEventAdapter::SCROLL);
        EXPECT_EQ(events[0]->getScrollingMotion(), motion) << delta.x() << "," << delta.y();
    }
}

TEST_F(AdapterEvents, ResizeReachesTheQueueAndTheWindow)
{
    widget->resize(321, 123);
    const auto events = takeEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0]->getEventType(), GUIEventAdapter::RESIZE);
    EXPECT_EQ(events[0]->getWindowWidth(), 321);
    EXPECT_EQ(events[0]->getWindowHeight(), 123);
    EXPECT_EQ(window->getTraits()->width, 321);
    EXPECT_EQ(window->getTraits()->height, 123);
    EXPECT_EQ(window->getTraits()->x, 0);
}

TEST(AdapterWithoutWindow, EventsBeforeAWindowIsSetAreDropped)
{
    OSGAdapterWidget widget(QGLFormat::defaultFormat());
    widget.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
    QTest::keyClick(&widget, Qt::Key_A);
    QTest::mouseClick(&widget, Qt::LeftButton, Qt::NoModifier, QPoint(3, 4));
    QWheelEvent wheel(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(&widget, &wheel);
    widget.resize(90, 70);

    osg::ref_ptr<OSGGraphicsWindowQt> window = new OSGGraphicsWindowQt(nullptr, &widget);
    EXPECT_TRUE(window->getEventQueue()->empty());
    // Setting the window told it the widget's geometry.
    EXPECT_EQ(window->getTraits()->width, 90);
    EXPECT_EQ(window->getTraits()->height, 70);

    QTest::keyClick(&widget, Qt::Key_B);
    osgGA::EventQueue::Events events;
    window->getEventQueue()->takeEvents(events);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events.front()->asGUIEventAdapter()->getKey(), 'b');
}
