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

// Frames come on demand: when shown or exposed, on a request, on input, while the
// scene has pending work; never while hidden, and not at all when nothing changes.
TEST(QtViewer, DrawsOnlyWhenSomethingAsksAndNeverWhileHidden)
{
    QtViewer viewer;
    viewer.resize(160, 120);
    QTest::qWait(100);
    EXPECT_EQ(frameNumber(viewer), 0u) << "a viewer never shown draws nothing";

    // Once what asked is served, no frame follows for some thirty timer ticks.
    const auto settles = [&] {
        QTest::qWait(100);
        const unsigned settled = viewer.framesDrawn();
        QTest::qWait(300);
        return viewer.framesDrawn() == settled;
    };
    viewer.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&viewer));
    ASSERT_TRUE(QTest::qWaitFor([&] { return viewer.framesDrawn() >= 1; }, 10000));
    EXPECT_TRUE(settles()) << "an idle viewer draws nothing";

    unsigned before = viewer.framesDrawn();
    viewer.requestRedraw();
    ASSERT_TRUE(QTest::qWaitFor([&] { return viewer.framesDrawn() > before; }, 10000));
    EXPECT_TRUE(settles());
    before = viewer.framesDrawn();
    QTest::mouseMove(&viewer, QPoint(40, 30));
    ASSERT_TRUE(QTest::qWaitFor([&] { return viewer.framesDrawn() > before; }, 10000));
    EXPECT_TRUE(settles());

    int pending = 5;
    viewer.setPendingWork([&] { return pending-- > 0; });
    before = viewer.framesDrawn();
    ASSERT_TRUE(QTest::qWaitFor([&] { return pending < 0; }, 10000));
    EXPECT_GE(viewer.framesDrawn(), before + 5);
    EXPECT_TRUE(settles());
    viewer.setPendingWork(nullptr);

    viewer.hide();
    const unsigned int hiddenAt = frameNumber(viewer);
    viewer.requestRedraw();
    QTest::qWait(300);
    EXPECT_EQ(frameNumber(viewer), hiddenAt);

    viewer.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return frameNumber(viewer) > hiddenAt; }, 10000));
}

TEST(QtViewer, ViewerInsideAWindowNotYetShownRunsNoFrames)
{
    QWidget window;
    auto* viewer = new QtViewer(&window);
    QTest::qWait(100);
    EXPECT_EQ(frameNumber(*viewer), 0u);

    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_TRUE(QTest::qWaitFor([&] { return viewer->framesDrawn() >= 1; }, 10000));
}

TEST(QtViewer, EscapeInTheViewDoesNotEndItsFrames)
{
    QtViewer viewer;
    viewer.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&viewer));
    ASSERT_TRUE(QTest::qWaitFor([&] { return viewer.framesDrawn() >= 1; }, 10000));
    QTest::keyClick(&viewer, Qt::Key_Escape);
    const unsigned int pressedAt = viewer.framesDrawn();
    viewer.requestRedraw();
    EXPECT_TRUE(QTest::qWaitFor([&] { return viewer.framesDrawn() > pressedAt; }, 10000));
    EXPECT_FALSE(viewer.done());
}
