#include "globe/MapNodeHelper.h"

#include <osg/ApplicationUsage>
#include <osgGA/StateSetManipulator>
#include <osgViewer/View>
#include <osgViewer/ViewerEventHandlers>

namespace globe
{
void MapNodeHelper::configureView(osgViewer::View* view)
{
    if (!view)
        return;
    const osg::ref_ptr<osgGA::GUIEventHandler> handlers[] = {
        new osgViewer::StatsHandler,
        new osgViewer::WindowSizeHandler,
        new osgGA::StateSetManipulator(view->getCamera()->getOrCreateStateSet()),
        new osgViewer::LODScaleHandler,
        new osgViewer::ScreenCaptureHandler(new osgViewer::ScreenCaptureHandler::WriteToFile("screenshot", "png")),
    };

    // The help screen lists the keys of every helper and of the camera manipulator.
    osg::ref_ptr<osg::ApplicationUsage> usage = new osg::ApplicationUsage;
    auto* help = new osgViewer::HelpHandler(usage.get());
    for (const auto& handler : handlers)
    {
        handler->getUsage(*usage);
        view->addEventHandler(handler.get());
    }
    if (view->getCameraManipulator())
        view->getCameraManipulator()->getUsage(*usage);
    help->getUsage(*usage);
    view->addEventHandler(help);
}
} // namespace globe
