#pragma once

#include <QGLFormat>
#include <QGLWidget>
#include <osg/ref_ptr>

#include <memory>

namespace Tarn {
namespace GUI {

class OSGGraphicsWindowQt;

// A GL widget that owns the OpenGL context and feeds Qt's input events to the
// event queue of its OpenSceneGraph graphics window.
class OSGAdapterWidget : public QGLWidget
{
    Q_OBJECT

public:
    OSGAdapterWidget(const QGLFormat& format, QWidget* parent = nullptr,
                     const QGLWidget* shareWidget = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~OSGAdapterWidget() override;

    void setGraphicsWindow(OSGGraphicsWindowQt* window);
    OSGGraphicsWindowQt* getGraphicsWindow() const { return graphicsWindow.get(); }

    // A second context sharing this widget's objects, for a separate draw thread.
    void createSharedContext();
    QGLContext* getSharedContext() const { return sharedContext.get(); }
    void makeCurrentForThread();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void resizeGL(int width, int height) override;

    osg::ref_ptr<OSGGraphicsWindowQt> graphicsWindow;
    std::unique_ptr<QGLContext> sharedContext;
    QGLFormat format;
};

} // namespace GUI
} // namespace Tarn
