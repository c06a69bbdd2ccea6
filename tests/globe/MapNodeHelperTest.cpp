#include "globe/EarthManipulator.h"
#include "globe/MapNodeHelper.h"

#include <gtest/gtest.h>
#include <osg/ApplicationUsage>
#include <osgGA/StateSetManipulator>
#include <osgViewer/View>
#include <osgViewer/ViewerEventHandlers>

#include <set>
#include <string>

namespace
{
template <typename Handler>
Handler* findHandler(osgViewer::View& view)
{
    for (const auto& handler : view.getEventHandlers())
        if (auto* found = dynamic_cast<Handler*>(handler.get()))
            return found;
    return nullptr;
}
} // namespace

TEST(MapNodeHelper, InstallsTheViewerHelpersWithoutTakingTheTimeKeys)
{
    osg::ref_ptr<osgViewer::View> view = new osgViewer::View;
    view->setCameraManipulator(new globe::EarthManipulator, false);
    globe::MapNodeHelper::configureView(view.get());

    auto* stats = findHandler<osgViewer::StatsHandler>(*view);
    auto* windowSize = findHandler<osgViewer::WindowSizeHandler>(*view);
    auto* stateSet = findHandler<osgGA::StateSetManipulator>(*view);
    auto* help = findHandler<osgViewer::HelpHandler>(*view);
    auto* screenshot = findHandler<osgViewer::ScreenCaptureHandler>(*view);
    ASSERT_TRUE(stats && windowSize && stateSet && help && screenshot);
    EXPECT_EQ(stats->getKeyEventTogglesOnScreenStats(), 's');
    EXPECT_EQ(stateSet->getKeyEventCyclePolygonMode(), 'w');
    EXPECT_EQ(help->getKeyEventTogglesOnScreenHelp(), 'h');
    EXPECT_EQ(stateSet->getStateSet(), view->getCamera()->getStateSet());

    // The help screen lists the keys of all helpers and of the camera manipulator.
    ASSERT_NE(help->getApplicationUsage(), nullptr);
    std::set<std::string> keys;
    for (const auto& binding : help->getApplicationUsage()->getKeyboardMouseBindings())
        keys.insert(binding.first);
    for (const char* expected : {"s", "w", "h", "c", "f", "Space"})
        EXPECT_EQ(keys.count(expected), 1u) << expected;

    // j and u move the sun: no helper may claim them.
    osg::ref_ptr<osg::ApplicationUsage> all = new osg::ApplicationUsage;
    for (const auto& handler : view->getEventHandlers())
        handler->getUsage(*all);
    for (const auto& binding : all->getKeyboardMouseBindings())
    {
        EXPECT_NE(binding.first, "j");
        EXPECT_NE(binding.first, "u");
    }
    for (int key : {'j', 'u'})
    {
        osg::ref_ptr<osgGA::GUIEventAdapter> press = new osgGA::GUIEventAdapter;
        press->setEventType(osgGA::GUIEventAdapter::KEYDOWN);
        press->setKey(key);
        for (const auto& handler : view->getEventHandlers())
        {
            auto* gui = dynamic_cast<osgGA::GUIEventHandler*>(handler.get());
            ASSERT_NE(gui, nullptr);
            EXPECT_FALSE(gui->handle(*press, *view)) << gui->className() << " took " << char(key);
        }
    }
}
