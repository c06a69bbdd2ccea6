#pragma once

#include "gui/OSGAdapterWidget.h"

#include <QTimer>
#include <osgViewer/Viewer>

#include <functional>

namespace Tarn {
namespace GUI {

// The 3D view: a GL widget that is also the viewer drawing into it, on the GUI
// thread. A timer asks every 10 ms whether a frame is needed and draws one only
// then: on input, a redraw request (a camera flight, an exposed window), terrain
// being paged in, or pending work of the scene.
class QtViewer : public OSGAdapterWidget, public osgViewer::Viewer
{
public:
    explicit QtViewer(QWidget* parent = nullptr, osg::GraphicsContext::Traits* traits = nullptr,
                      const QGLWidget* shareWidget = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~QtViewer() override;

    void updateGL() override;
    void setThreadingModel(ThreadingModel model) override;

    // The scene's own reason to draw, asked before every frame; empty for none.
    void setPendingWork(std::function<bool()> pending);

    // Like the viewer's own check, but an update callback in the scene is no reason
    // by itself: the scene's callbacks have nothing to do unless pending work says so.
    bool checkNeedToDoFrame() override;

    // The viewer clears its own flag while drawing, so a request made during a frame
    // (a flight's next step) is also kept here, for the next check.
    void requestRedraw() override;

    // Frames drawn since construction.
    unsigned framesDrawn() const { return drawn; }

protected:
    void paintGL() override;

private:
    QTimer timer;
    std::function<bool()> pendingWork;
    bool redrawRequested = false;
    unsigned drawn = 0;
};

} // namespace GUI
} // namespace Tarn
