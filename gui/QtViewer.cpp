#include "gui/QtViewer.h"

#include "globe/PagerThreads.h"
#include "gui/OSGGraphicsWindowQt.h"

#include <osg/Viewport>
#include <osgDB/DatabasePager>
#include <osgDB/ImagePager>

namespace Tarn {
namespace GUI {

QtViewer::QtViewer(QWidget* parent, osg::GraphicsContext::Traits* traits, const QGLWidget* shareWidget,
                   Qt::WindowFlags flags)
    : OSGAdapterWidget(OSGGraphicsWindowQt::traitsToFormat(traits), parent, shareWidget, flags)
{
    osg::ref_ptr<OSGGraphicsWindowQt> window = new OSGGraphicsWindowQt(nullptr, this);
    setGraphicsWindow(window.get());

    connect(&timer, &QTimer::timeout, this, &QtViewer::updateGL);

    const int w = width();
    const int h = height();
    getCamera()->setViewport(new osg::Viewport(0, 0, w, h));
    getCamera()->setProjectionMatrixAsPerspective(30.0, static_cast<double>(w) / h, 1.0, 10000.0);
    getCamera()->setGraphicsContext(window.get());

    // Inside a main window no key ends the frame loop: a stray Escape in the
    // empty view would otherwise stop this viewer for good.
    setKeyEventSetsDone(0);

    setThreadingModel(SingleThreaded);
    setRunFrameScheme(ON_DEMAND);
    timer.start(10);
}

// The paging threads go first, then the timer (a member), then the viewer part,
// then the widget part.
QtViewer::~QtViewer()
{
    globe::stopPagerThreads(getDatabasePager());
}

void QtViewer::updateGL()
{
    // Not only an explicitly hidden viewer: inside a window not shown yet there
    // is no context to draw with, and a frame would crash in the renderer.
    if (!isVisible())
        return;
    if (getRunFrameScheme() == ON_DEMAND && !checkNeedToDoFrame())
        return;
    // Cleared first: a request made during this frame (a flight's next step) asks
    // for the next one.
    redrawRequested = false;
    _requestRedraw = false;
    frame();
    ++drawn;
}

void QtViewer::setPendingWork(std::function<bool()> pending)
{
    pendingWork = std::move(pending);
}

void QtViewer::requestRedraw()
{
    redrawRequested = true;
    osgViewer::Viewer::requestRedraw();
}

bool QtViewer::checkNeedToDoFrame()
{
    if (redrawRequested || _requestRedraw || _requestContinousUpdate)
        return true;
    osgDB::DatabasePager* pager = getDatabasePager();
    if (pager && (pager->requiresUpdateSceneGraph() || pager->getRequestsInProgress()))
        return true;
    osgDB::ImagePager* images = getImagePager();
    if (images && images->requiresUpdateSceneGraph())
        return true;
    if (pendingWork && pendingWork())
        return true;
    return checkEvents() || _requestRedraw;
}

// Qt asks for a repaint when the window is exposed or its contents are lost.
void QtViewer::paintGL()
{
    requestRedraw();
}

void QtViewer::setThreadingModel(ThreadingModel model)
{
    if (model != SingleThreaded)
        createSharedContext();
    osgViewer::Viewer::setThreadingModel(model);
}

} // namespace GUI
} // namespace Tarn
