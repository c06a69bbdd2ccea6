#include "gui/OSGAdapterWidget.h"
#include "gui/OSGGraphicsWindowQt.h"

#include <gtest/gtest.h>

#include <memory>

using Tarn::GUI::OSGGraphicsWindowQt;
using Cursor = osgViewer::GraphicsWindow::MouseCursor;

TEST(GraphicsWindowCursor, MapsTheCursorTableAndReappliesThePreviousShapeForOthers)
{
    osg::ref_ptr<OSGGraphicsWindowQt> window = new OSGGraphicsWindowQt;
    std::unique_ptr<QGLWidget> widget(window->getWidget());

    const std::pair<Cursor, Qt::CursorShape> table[] = {
        {osgViewer::GraphicsWindow::InheritCursor, Qt::DragLinkCursor},
        {osgViewer::GraphicsWindow::NoCursor, Qt::BlankCursor},
        {osgViewer::GraphicsWindow::RightArrowCursor, Qt::ArrowCursor},
        {osgViewer::GraphicsWindow::HelpCursor, Qt::WhatsThisCursor},
        {osgViewer::GraphicsWindow::WaitCursor, Qt::WaitCursor},
        {osgViewer::GraphicsWindow::CrosshairCursor, Qt::CrossCursor},
        {osgViewer::GraphicsWindow::UpDownCursor, Qt::UpArrowCursor},
    };
    for (const auto& [cursor, shape] : table) {
        window->setCursor(cursor);
        EXPECT_EQ(widget->cursor().shape(), shape) << "cursor " << cursor;
    }

    // TextCursor has no shape of its own: the last mapped one goes back on the widget.
    widget->setCursor(Qt::IBeamCursor);
    window->setCursor(osgViewer::GraphicsWindow::TextCursor);
    EXPECT_EQ(widget->cursor().shape(), Qt::UpArrowCursor);

    window->useCursor(false);
    EXPECT_EQ(widget->cursor().shape(), Qt::BlankCursor);
    window->useCursor(true);
    EXPECT_EQ(widget->cursor().shape(), Qt::UpArrowCursor);
}
