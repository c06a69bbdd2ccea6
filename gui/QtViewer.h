#pragma once

#include "gui/OSGAdapterWidget.h"

#include <QTimer>
#include <osgViewer/Viewer>

namespace Tarn {
namespace GUI {

// The 3D view: a GL widget that is also the viewer drawing into it, one frame
// per timer tick on the GUI thread.
class QtViewer : public OSGAdapterWidget, public osgViewer::Viewer
{
public:
    explicit QtViewer(QWidget* parent = nullptr, osg::GraphicsContext::Traits* traits = nullptr,
                      const QGLWidget* shareWidget = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~QtViewer() override;

    void updateGL() override;
    void setThreadingModel(ThreadingModel model) override;

private:
    QTimer timer;
};

} // namespace GUI
} // namespace Tarn
