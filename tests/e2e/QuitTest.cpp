#include "StreamCapture.h"
#include "WindowDriver.h"

#include "generation/DataThread.h"
#include "gui/QtViewer.h"

#include <QAction>
#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>

#include <iostream>

// "Exit" in the middle of the first batch: the hook the program runs at quitting
// stops the data thread before the store and the generator it uses go.
TEST(Quit, QuittingWhileTheDataThreadWorksStopsItBeforeTheSceneGoes)
{
    StreamCapture out{std::cout};
    WindowDriver driver;
    QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, &driver.window,
                     &MainWindow::releaseScene);

    ASSERT_TRUE(driver.confirmInput({ORVALIS_SOURCE_DIR "/samples/monaco.osm", "", 6}));
    ASSERT_TRUE(out.waitForLine("START", 30000));
    const DataThread::Progress progress = driver.context.dataThread->progress();
    ASSERT_LT(progress.generated, progress.queued) << "the batch was done before quitting";
    out.takeLines();

    QTimer::singleShot(0, driver.action("actionExit"), &QAction::trigger);
    // Should closing the window not end the event loop, the test must still end.
    QTimer safetyNet;
    safetyNet.setSingleShot(true);
    QObject::connect(&safetyNet, &QTimer::timeout, QCoreApplication::instance(), &QCoreApplication::quit);
    safetyNet.start(60000);
    QCoreApplication::exec();
    EXPECT_TRUE(safetyNet.isActive()) << "closing the window did not quit";

    // "STOP" is the thread's last line: it had ended before the store was deleted.
    EXPECT_EQ(out.takeLines(), (std::vector<std::string>{"STOP", "~OsmParser"}));
    EXPECT_FALSE(driver.context.isBuilt());
    EXPECT_EQ(driver.context.dataThread, nullptr);
    EXPECT_EQ(driver.context.parser, nullptr);
    EXPECT_FALSE(driver.window.isVisible());
    EXPECT_FALSE(driver.window.getViewerWidget()->isVisible());
}
