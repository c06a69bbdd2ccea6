#include "gui/OSGAdapterWidget.h"

#include "gui/OSGGraphicsWindowQt.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <osg/Notify>

#include <map>

namespace Tarn {
namespace GUI {

namespace {

using Key = osgGA::GUIEventAdapter::KeySymbol;

std::map<unsigned int, int> buildKeyMap()
{
    std::map<unsigned int, int> keys = {
        {Qt::Key_Escape, Key::KEY_Escape},
        {Qt::Key_Delete, Key::KEY_Delete},
        {Qt::Key_Home, Key::KEY_Home},
        {Qt::Key_Enter, Key::KEY_KP_Enter},
        {Qt::Key_End, Key::KEY_End},
        {Qt::Key_Return, Key::KEY_Return},
        {Qt::Key_PageUp, Key::KEY_Page_Up},
        {Qt::Key_PageDown, Key::KEY_Page_Down},
        {Qt::Key_Left, Key::KEY_Left},
        {Qt::Key_Right, Key::KEY_Right},
        {Qt::Key_Up, Key::KEY_Up},
        {Qt::Key_Down, Key::KEY_Down},
        {Qt::Key_Backspace, Key::KEY_BackSpace},
        {Qt::Key_Tab, Key::KEY_Tab},
        {Qt::Key_Space, Key::KEY_Space},
        {Qt::Key_Alt, Key::KEY_Alt_L},
        {Qt::Key_Shift, Key::KEY_Shift_L},
        {Qt::Key_Control, Key::KEY_Control_L},
        {Qt::Key_Meta, Key::KEY_Meta_L},
        {Qt::Key_hyphen, '-'},
        {Qt::Key_Equal, '='},
        {Qt::Key_division, Key::KEY_KP_Divide},
        {Qt::Key_multiply, Key::KEY_KP_Multiply},
        {Qt::Key_Minus, '-'},
        {Qt::Key_Plus, '+'},
        {Qt::Key_Insert, Key::KEY_KP_Insert},
    };
    for (unsigned int n = 0; n < 20; ++n)
        keys[Qt::Key_F1 + n] = Key::KEY_F1 + n;
    return keys;
}

const std::map<unsigned int, int> keyMap = buildKeyMap();

int remapKey(const QKeyEvent* event)
{
    const auto mapped = keyMap.find(static_cast<unsigned int>(event->key()));
    if (mapped != keyMap.end())
        return mapped->second;
    // Unmapped keys arrive as the character they type; no text gives 0.
    return static_cast<signed char>(event->text().toLatin1().constData()[0]);
}

unsigned int osgButton(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton: return 1;
    case Qt::MiddleButton: return 2;
    case Qt::RightButton: return 3;
    default: return 0;
    }
}

} // namespace

OSGAdapterWidget::OSGAdapterWidget(const QGLFormat& format, QWidget* parent,
                                   const QGLWidget* shareWidget, Qt::WindowFlags flags)
    : QGLWidget(format, parent, shareWidget, flags)
    , format(format)
{
    // The graphics window swaps at the end of each frame.
    setAutoBufferSwap(false);
    setMouseTracking(true);
}

OSGAdapterWidget::~OSGAdapterWidget() = default;

void OSGAdapterWidget::setGraphicsWindow(OSGGraphicsWindowQt* window)
{
    graphicsWindow = window;
    if (graphicsWindow)
        graphicsWindow->resized(x(), y(), width(), height());
}

void OSGAdapterWidget::createSharedContext()
{
    sharedContext.reset(new QGLContext(format, this));
    if (!sharedContext->create(context()))
        OSG_WARN << "Failed to create shared context for draw thread" << std::endl;
}

void OSGAdapterWidget::makeCurrentForThread()
{
    if (sharedContext)
        sharedContext->makeCurrent();
    else
        makeCurrent();
}

void OSGAdapterWidget::mousePressEvent(QMouseEvent* event)
{
    if (!graphicsWindow)
        return;
    osgGA::EventQueue* queue = graphicsWindow->getEventQueue();
    queue->mouseButtonPress(event->x(), event->y(), osgButton(event->button()), queue->getTime());
}

void OSGAdapterWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (!graphicsWindow)
        return;
    osgGA::EventQueue* queue = graphicsWindow->getEventQueue();
    queue->mouseButtonRelease(event->x(), event->y(), osgButton(event->button()), queue->getTime());
}

void OSGAdapterWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (!graphicsWindow)
        return;
    osgGA::EventQueue* queue = graphicsWindow->getEventQueue();
    queue->mouseDoubleButtonPress(event->x(), event->y(), osgButton(event->button()), queue->getTime());
}

void OSGAdapterWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (!graphicsWindow)
        return;
    osgGA::EventQueue* queue = graphicsWindow->getEventQueue();
    queue->mouseMotion(event->x(), event->y(), queue->getTime());
}

void OSGAdapterWidget::wheelEvent(QWheelEvent* event)
{
    if (!graphicsWindow)
        return;
    // The dominant axis decides the orientation; a zero delta counts as right or down.
    const QPoint angle = event->angleDelta();
    const bool horizontal = qAbs(angle.x()) > qAbs(angle.y());
    const int delta = horizontal ? angle.x() : angle.y();
    osgGA::GUIEventAdapter::ScrollingMotion motion;
    if (horizontal)
        motion = delta > 0 ? osgGA::GUIEventAdapter::SCROLL_LEFT : osgGA::GUIEventAdapter::SCROLL_RIGHT;
    else
        motion = delta > 0 ? osgGA::GUIEventAdapter::SCROLL_UP : osgGA::GUIEventAdapter::SCROLL_DOWN;
    osgGA::EventQueue* queue = graphicsWindow->getEventQueue();
    queue->mouseScroll(motion, queue->getTime());
}

void OSGAdapterWidget::keyPressEvent(QKeyEvent* event)
{
    if (!graphicsWindow)
        return;
    osgGA::EventQueue* queue = graphicsWindow->getEventQueue();
    queue->keyPress(remapKey(event), queue->getTime(), 0);
}

void OSGAdapterWidget::keyReleaseEvent(QKeyEvent* event)
{
    if (!graphicsWindow)
        return;
    osgGA::EventQueue* queue = graphicsWindow->getEventQueue();
    queue->keyRelease(remapKey(event), queue->getTime(), 0);
}

void OSGAdapterWidget::resizeGL(int width, int height)
{
    if (!graphicsWindow)
        return;
    osgGA::EventQueue* queue = graphicsWindow->getEventQueue();
    queue->windowResize(0, 0, width, height, queue->getTime());
    graphicsWindow->resized(0, 0, width, height);
}

} // namespace GUI
} // namespace Tarn
