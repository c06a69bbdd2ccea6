#include "gui/QtViewer.h"

#include <QDir>
#include <QMainWindow>
#include <QTest>
#include <gtest/gtest.h>
#include <osg/PagedLOD>
#include <osg/ShapeDrawable>
#include <osgDB/DatabasePager>
#include <osgDB/WriteFile>
#include <pthread.h>

#include <fstream>
#include <string>

using Tarn::GUI::QtViewer;

namespace {

unsigned int frameNumber(const QtViewer& viewer)
{
    return viewer.getFrameStamp()->getFrameNumber();
}

int threadCount()
{
    return QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot).size();
}

long long addressSpaceBytes()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmSize:", 0) == 0)
            return std::stoll(line.substr(7)) * 1024;
    return 0;
}

long long threadStackBytes()
{
    pthread_attr_t attributes;
    size_t size = 0;
    pthread_getattr_default_np(&attributes);
    pthread_attr_getstacksize(&attributes, &size);
    pthread_attr_destroy(&attributes);
    return static_cast<long long>(size);
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

    // Once what asked is served, a run of some thirty timer ticks passes without a
    // frame (a busy machine may still deliver a late event or two first).
    const auto settles = [&] {
        return QTest::qWaitFor(
            [&] {
                const unsigned before = viewer.framesDrawn();
                QTest::qWait(300);
                return viewer.framesDrawn() == before;
            },
            10000);
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

// File > Restart swaps the window's viewer for a new one while the scene context
// holds a reference to the old. The old pager's threads must end, and be joined: an
// ended thread never joined keeps its stack, so each restart would cost the process
// two stacks of address space.
TEST(QtViewer, ReplacedViewerLeavesNoPagingThreadsBehind)
{
    const std::string boxFile = ORVALIS_BINARY_DIR "/tests/gui_paged_box.osgt";
    const osg::ref_ptr<osg::Node> box = new osg::ShapeDrawable(new osg::Box(osg::Vec3(), 1.0f));
    ASSERT_TRUE(osgDB::writeNodeFile(*box, boxFile));
    QMainWindow window;
    window.resize(320, 240);
    osg::ref_ptr<QtViewer> held;
    // A new viewer in the old one's place, showing a box its pager loads.
    const auto replaceAndPage = [&] {
        if (held)
            held->hide();
        auto* viewer = new QtViewer(&window);
        window.setCentralWidget(viewer);
        held = viewer;
        osg::ref_ptr<osg::PagedLOD> paged = new osg::PagedLOD;
        paged->setFileName(0, boxFile);
        paged->setRange(0, 0.0f, 1e6f);
        viewer->setSceneData(paged.get());
        viewer->getCamera()->setViewMatrixAsLookAt(osg::Vec3(0, -5, 0), osg::Vec3(), osg::Z_AXIS);
        viewer->show();
        return QTest::qWaitFor([&] { viewer->requestRedraw(); return paged->getNumChildren() == 1; }, 10000)
               && viewer->getDatabasePager()->isRunning();
    };
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    // A first viewer and one replacement fill the allocator's and the thread library's caches.
    ASSERT_TRUE(replaceAndPage());
    ASSERT_TRUE(replaceAndPage());
    const int threads = threadCount();
    const long long addressSpace = addressSpaceBytes();
    const int replacements = 6;
    for (int i = 0; i < replacements; ++i)
        ASSERT_TRUE(replaceAndPage()) << "replacement " << i;
    EXPECT_LE(threadCount(), threads);
    // Leaking would cost two stacks a replacement. The sanitizers keep freed memory
    // mapped for a while to catch late uses, so under them the address space says nothing.
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    EXPECT_LT(addressSpaceBytes() - addressSpace, replacements * threadStackBytes());
#endif
}
