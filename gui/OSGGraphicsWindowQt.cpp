#include "gui/OSGGraphicsWindowQt.h"

#include "gui/OSGAdapterWidget.h"

#include <QCursor>
#include <QGLWidget>
#include <QWindow>
#include <osg/DisplaySettings>
#include <osg/Notify>
#include <osg/State>

#include <iostream>

namespace Tarn {
namespace GUI {

namespace {

bool namesSharedContext(const osg::GraphicsContext::Traits& traits)
{
    // The observer keeps its identity after the observed context is gone.
    return traits.sharedContext != osg::observer_ptr<osg::GraphicsContext>();
}

} // namespace

OSGGraphicsWindowQt::OSGGraphicsWindowQt(osg::GraphicsContext::Traits* traits, QGLWidget* widget)
{
    _traits = traits ? traits : new osg::GraphicsContext::Traits(osg::DisplaySettings::instance().get());

    QGLWidget* shareWidget = shareWidgetOf(*_traits);
    if (!widget) {
        const Qt::WindowFlags flags = _traits->windowDecoration ? Qt::WindowFlags() : Qt::FramelessWindowHint;
        widget = new OSGAdapterWidget(traitsToFormat(_traits.get()), nullptr, shareWidget, flags);
    }
    if (auto* adapter = qobject_cast<OSGAdapterWidget*>(widget))
        adapter->setGraphicsWindow(this);
    widget->setFocusPolicy(Qt::StrongFocus);
    attachWidget(widget);
}

OSGGraphicsWindowQt::~OSGGraphicsWindowQt()
{
    attachWidget(nullptr);
}

QGLWidget* OSGGraphicsWindowQt::shareWidgetOf(const osg::GraphicsContext::Traits& traits)
{
    if (!namesSharedContext(traits))
        return nullptr;
    auto* shared = dynamic_cast<OSGGraphicsWindowQt*>(traits.sharedContext.get());
    if (!shared) {
        std::cout << "A shared context was specified, but it is not a QGLWidget based context, "
                     "so it can't be shared." << std::endl;
        return nullptr;
    }
    return shared->widget;
}

QGLFormat OSGGraphicsWindowQt::traitsToFormat(const osg::GraphicsContext::Traits* givenTraits)
{
    osg::ref_ptr<const osg::GraphicsContext::Traits> traits = givenTraits;
    if (!traits) {
        osg::DisplaySettings* settings = osg::DisplaySettings::instance().get();
        auto* defaults = new osg::GraphicsContext::Traits(settings);
        defaults->doubleBuffer = settings->getDoubleBuffer();
        defaults->vsync = false;
        traits = defaults;
    }

    QGLFormat format(QGLFormat::defaultFormat());
    format.setAlpha(traits->alpha > 0);
    format.setAlphaBufferSize(traits->alpha);
    format.setDepth(traits->depth > 0);
    format.setDepthBufferSize(traits->depth);
    format.setDoubleBuffer(traits->doubleBuffer);
    format.setStencil(traits->stencil > 0);
    format.setStencilBufferSize(traits->stencil);
    format.setSamples(traits->samples);
    if (traits->sampleBuffers != 0)
        format.setSampleBuffers(true);
    format.setSwapInterval(traits->vsync ? 1 : 0);
    format.setRedBufferSize(traits->red);
    format.setGreenBufferSize(traits->green);
    format.setBlueBufferSize(traits->blue);
    format.setStereo(traits->quadBufferStereo);
    return format;
}

void OSGGraphicsWindowQt::attachWidget(QGLWidget* newWidget)
{
    if (widget && getState()) {
        widget = nullptr;
        decrementContextIDUsageCount(getState()->getContextID());
        setState(nullptr);
    }
    widget = newWidget;
    initialized = widget != nullptr;
    if (valid())
        createState();
}

void OSGGraphicsWindowQt::createState()
{
    setState(new osg::State);
    getState()->setGraphicsContext(this);

    osg::ref_ptr<osg::GraphicsContext> shared;
    if (_traits->sharedContext.lock(shared) && shared->getState()) {
        const unsigned int id = shared->getState()->getContextID();
        getState()->setContextID(id);
        incrementContextIDUsageCount(id);
    } else {
        getState()->setContextID(createNewContextID());
    }
}

bool OSGGraphicsWindowQt::isSameKindAs(const osg::Object* object) const
{
    return dynamic_cast<const OSGGraphicsWindowQt*>(object) != nullptr;
}

bool OSGGraphicsWindowQt::realizeImplementation()
{
    realized = widget != nullptr;
    return realized;
}

void OSGGraphicsWindowQt::closeImplementation()
{
    widget = nullptr;
}

bool OSGGraphicsWindowQt::makeCurrentImplementation()
{
    if (!widget || !widget->isVisible())
        return false;
    if (auto* adapter = qobject_cast<OSGAdapterWidget*>(widget)) {
        adapter->makeCurrentForThread();
    } else {
        widget->makeCurrent();
        OSG_WARN << "Warning - the QGLWidget used in OSGGraphicsWindowQt is not a OSGAdapterWidget - "
                    "multithreaded rendering may not work because OpenGL context cannot be shared "
                    "correctly between the threads" << std::endl;
    }
    return true;
}

bool OSGGraphicsWindowQt::releaseContextImplementation()
{
    if (!widget)
        return false;
    if (auto* adapter = qobject_cast<OSGAdapterWidget*>(widget)) {
        if (QGLContext* shared = adapter->getSharedContext())
            shared->doneCurrent();
        else
            adapter->doneCurrent();
    }
    return true;
}

void OSGGraphicsWindowQt::swapBuffersImplementation()
{
    // A shown widget is not on screen until its first expose; swapping before
    // that is undefined for the GL surface.
    if (widget && (!widget->windowHandle() || widget->windowHandle()->isExposed()))
        widget->swapBuffers();
}

void OSGGraphicsWindowQt::resizedImplementation(int x, int y, int width, int height)
{
    // The traits and cameras follow even before a widget is attached.
    osgViewer::GraphicsWindow::resizedImplementation(x, y, width, height);
    if (widget)
        widget->resize(width, height);
}

bool OSGGraphicsWindowQt::checkEvents()
{
    return widget && !getEventQueue()->empty();
}

bool OSGGraphicsWindowQt::setWindowRectangleImplementation(int x, int y, int width, int height)
{
    if (!widget)
        return false;
    widget->setGeometry(x, y, width, height);
    return true;
}

void OSGGraphicsWindowQt::getWindowRectangle(int& x, int& y, int& width, int& height)
{
    if (!widget)
        return;
    const QRect geometry = widget->geometry();
    x = geometry.x();
    y = geometry.y();
    width = geometry.width();
    height = geometry.height();
}

bool OSGGraphicsWindowQt::setWindowDecorationImplementation(bool)
{
    return widget != nullptr;
}

void OSGGraphicsWindowQt::grabFocus()
{
    if (widget)
        widget->setFocus(Qt::OtherFocusReason);
}

void OSGGraphicsWindowQt::grabFocusIfPointerInWindow()
{
    grabFocus();
}

void OSGGraphicsWindowQt::setWindowName(const std::string& name)
{
    if (widget)
        widget->setWindowTitle(QString::fromLatin1(name.c_str()));
}

void OSGGraphicsWindowQt::useCursor(bool cursorOn)
{
    if (widget)
        widget->setCursor(cursorOn ? currentCursor : Qt::BlankCursor);
}

void OSGGraphicsWindowQt::setCursor(MouseCursor cursor)
{
    if (!widget)
        return;
    switch (cursor) {
    case InheritCursor: currentCursor = Qt::DragLinkCursor; break;
    case NoCursor: currentCursor = Qt::BlankCursor; break;
    case RightArrowCursor: currentCursor = Qt::ArrowCursor; break;
    case HelpCursor: currentCursor = Qt::WhatsThisCursor; break;
    case WaitCursor: currentCursor = Qt::WaitCursor; break;
    case CrosshairCursor: currentCursor = Qt::CrossCursor; break;
    case UpDownCursor: currentCursor = Qt::UpArrowCursor; break;
    default: break; // no Qt shape of its own: the previous one is set again
    }
    widget->setCursor(currentCursor);
}

void OSGGraphicsWindowQt::requestWarpPointer(float x, float y)
{
    if (!widget)
        return;
    QCursor::setPos(widget->mapToGlobal(QPoint(static_cast<int>(x), static_cast<int>(y))));
    getEventQueue()->mouseWarped(x, y);
}

} // namespace GUI
} // namespace Tarn
