#include "gui/QtViewer.h"

#include "gui/OSGGraphicsWindowQt.h"

#include <osg/Viewport>

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
    timer.start(10);
}

// The timer goes first (a member), then the viewer part, then the widget part.
QtViewer::~QtViewer() = default;

void QtViewer::updateGL()
{
    // Not only an explicitly hidden viewer: inside a window not shown yet there
    // is no context to draw with, and a frame would crash in the renderer.
    if (!isVisible())
        return;
    frame();
}

void QtViewer::setThreadingModel(ThreadingModel model)
{
    if (model != SingleThreaded)
        createSharedContext();
    osgViewer::Viewer::setThreadingModel(model);
}

} // namespace GUI
} // namespace Tarn
