#pragma once

#include <QGLFormat>
#include <osgViewer/GraphicsWindow>

class QGLWidget;

namespace Tarn {
namespace GUI {

// An OpenSceneGraph graphics window whose context operations act on a Qt GL widget.
class OSGGraphicsWindowQt : public osgViewer::GraphicsWindow
{
public:
    explicit OSGGraphicsWindowQt(osg::GraphicsContext::Traits* traits = nullptr, QGLWidget* widget = nullptr);

    static QGLFormat traitsToFormat(const osg::GraphicsContext::Traits* traits);

    void attachWidget(QGLWidget* widget);
    QGLWidget* getWidget() const { return widget; }

    bool isSameKindAs(const osg::Object* object) const override;
    const char* libraryName() const override { return "VoltarQt"; }
    const char* className() const override { return "OSGGraphicsWindowQt"; }

    bool valid() const override { return initialized; }
    bool realizeImplementation() override;
    bool isRealizedImplementation() const override { return realized; }
    void closeImplementation() override;
    bool makeCurrentImplementation() override;
    bool releaseContextImplementation() override;
    void swapBuffersImplementation() override;
    void resizedImplementation(int x, int y, int width, int height) override;
    bool checkEvents() override;

    bool setWindowRectangleImplementation(int x, int y, int width, int height) override;
    void getWindowRectangle(int& x, int& y, int& width, int& height) override;
    bool setWindowDecorationImplementation(bool flag) override;
    void grabFocus() override;
    void grabFocusIfPointerInWindow() override;
    void setWindowName(const std::string& name) override;
    void useCursor(bool cursorOn) override;
    void setCursor(MouseCursor cursor) override;

    void requestWarpPointer(float x, float y) override;

protected:
    ~OSGGraphicsWindowQt() override;

private:
    static QGLWidget* shareWidgetOf(const osg::GraphicsContext::Traits& traits);
    void createState();

    bool initialized = false;
    bool realized = false;
    QGLWidget* widget = nullptr;
    Qt::CursorShape currentCursor = Qt::ArrowCursor;
};

} // namespace GUI
} // namespace Tarn
