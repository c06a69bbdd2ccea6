#include "gui/QtViewer.h"

#include <QTest>
#include <gtest/gtest.h>

using Tarn::GUI::QtViewer;

namespace {

unsigned int frameNumber(const QtViewer& viewer)
{
    return viewer.getFrameStamp()->getFrameNumber();
}

} // namespace

TEST(QtViewer, StartsSingleThreadedWithThePerspectiveOfItsSize)
{
    QtViewer sized;
    double fovy = 0, aspect = 0, zNear = 0, zFar = 0;
    ASSERT_TRUE(sized.getCamera()->getProjectionMatrixAsPerspective(fovy, aspect, zNear, zFar));
    EXPECT_NEAR(fovy, 30.0, 1e-6);
    EXPECT_NEAR(aspect, double(sized.width()) / sized.height(), 1e-6);
    EXPECT_NEAR(zNear, 1.0, 1e-6);
    EXPECT_NEAR(zFar, 10000.0, 1e-3);
    EXPECT_EQ(sized.getCamera()->getViewport()->width(), sized.width());
    EXPECT_EQ(sized.getThreadingModel(), osgViewer::ViewerBase::SingleThreaded);
    EXPECT_EQ(sized.getSharedContext(), nullptr);
}

TEST(QtViewer, HiddenViewerRunsNoFramesAndResumesWhenShown)
{
    QtViewer viewer;
    viewer.resize(160, 120);
    QTest::qWait(100);
    EXPECT_EQ(frameNumber(viewer), 0u) << "a viewer never shown draws nothing";

    viewer.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&viewer));
    ASSERT_TRUE(QTest::qWaitFor([&] { return frameNumber(viewer) >= 3; }, 10000));

    viewer.hide();
    const unsigned int hiddenAt = frameNumber(viewer);
    QTest::qWait(300); // some thirty timer ticks
    EXPECT_EQ(frameNumber(viewer), hiddenAt);

    viewer.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return frameNumber(viewer) > hiddenAt + 2; }, 10000));
}

TEST(QtViewer, ViewerInsideAWindowNotYetShownRunsNoFrames)
{
    QWidget window;
    auto* viewer = new QtViewer(&window);
    QTest::qWait(100);
    EXPECT_EQ(frameNumber(*viewer), 0u);

    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_TRUE(QTest::qWaitFor([&] { return frameNumber(*viewer) >= 3; }, 10000));
}

TEST(QtViewer, EscapeInTheViewDoesNotEndItsFrames)
{
    QtViewer viewer;
    viewer.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&viewer));
    ASSERT_TRUE(QTest::qWaitFor([&] { return frameNumber(viewer) >= 2; }, 10000));
    QTest::keyClick(&viewer, Qt::Key_Escape);
    const unsigned int pressedAt = frameNumber(viewer);
    EXPECT_TRUE(QTest::qWaitFor([&] { return frameNumber(viewer) > pressedAt + 2; }, 10000));
    EXPECT_FALSE(viewer.done());
}
