#include "app/AppSettings.h"
#include "app/MainWindow.h"
#include "app/MyKeyboardEventHandler.h"
#include "app/SceneContext.h"
#include "app/TimePanel.h"
#include "globe/SkyNode.h"
#include "gui/QtViewer.h"
#include "tests/app/WhenModal.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QImage>
#include <QMessageBox>
#include <QProgressDialog>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>

namespace {
namespace fs = std::filesystem;

// One building and a street around 7.405 E, 43.705 N, shown in the window.
class WindowToolsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        AppSettings& settings = appSettings();
        settings.maxGridCells = 572;
        settings.cellRange = 5;
        settings.gridSize = 0.005;
        std::ofstream(extract) << "<osm><node id='1' lat='43.7' lon='7.4'/><node id='2' lat='43.71' lon='7.41'/>"
                                  "<node id='3' lat='43.7' lon='7.41'/><way id='9'><nd ref='1'/><nd ref='2'/>"
                                  "<nd ref='3'/><nd ref='1'/><tag k='building' v='yes'/></way><way id='10'>"
                                  "<nd ref='3'/><nd ref='2'/><tag k='highway' v='primary'/></way></osm>";
        fs::remove_all(directory);
        fs::create_directories(directory);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        testing::internal::CaptureStdout();
        window.setInputFiles(extract, "");
        testing::internal::GetCapturedStdout();
        ASSERT_TRUE(context.isBuilt());
    }

    void TearDown() override
    {
        window.releaseScene();
        std::remove(extract.c_str());
        fs::remove_all(directory);
    }

    std::set<std::string> leftInDirectory() const
    {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(directory))
            names.insert(entry.path().filename().string());
        return names;
    }

    QString inDirectory(const char* name) const { return QString::fromStdString((directory / name).string()); }

    // The text of the next message box, which is closed.
    static void catchMessage(QString& text)
    {
        whenModal<QMessageBox>([&text](QMessageBox* box) {
            text = box->text();
            box->accept();
        });
    }

    // Each test its own: CTest runs them side by side.
    const std::string testName = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    const std::string extract = QDir::temp().filePath(QString::fromStdString(testName + ".osm")).toStdString();
    const fs::path directory = fs::path(QDir::tempPath().toStdString()) / testName;
    SceneContext context;
    MainWindow window{&context};
};

} // namespace

// The keys move the slider, the slider and the date move the sky's sun, the keys go
// on from where the slider left the hour, and a played day runs on.
TEST_F(WindowToolsTest, TimePanelAndTheKeysFollowEachOther)
{
    auto* slider = window.findChild<QSlider*>("timeSlider");
    auto* date = window.findChild<QDateEdit*>("timeDate");
    ASSERT_TRUE(slider && date);
    QWidget* viewer = window.getViewerWidget();
    const globe::SkyNode* sky = context.keyboardHandler->sky;
    ASSERT_TRUE(QTest::qWaitFor([&] { return slider->value() == 9 * 60; }));

    testing::internal::CaptureStdout();
    QTest::keyClick(viewer, 'u');
    EXPECT_TRUE(QTest::qWaitFor([&] { return slider->value() == 9 * 60 + 6; }));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "hour ++: 9.1\n");

    slider->setValue(12 * 60);
    EXPECT_DOUBLE_EQ(context.localHour(), 12.0);
    EXPECT_NEAR(sky->getDateTime().hours(), 12.0 - 7.405 / 15.0, 1e-6);
    testing::internal::CaptureStdout();
    QTest::keyClick(viewer, 'j');
    EXPECT_TRUE(QTest::qWaitFor([&] { return slider->value() == 11 * 60 + 54; }));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "hour -- 11.9\n");

    date->setDate(QDate(2020, 6, 21));
    EXPECT_EQ(sky->getDateTime().year(), 2020);
    EXPECT_EQ(sky->getDateTime().month(), 6);
    EXPECT_EQ(sky->getDateTime().day(), 21);
    EXPECT_NEAR(sky->getDateTime().hours(), 11.9 - 7.405 / 15.0, 1e-6);

    window.findChild<QComboBox*>("playSpeed")->setCurrentIndex(3);
    auto* play = window.findChild<QToolButton*>("playButton");
    play->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return context.localHour() > 12.2 && slider->value() > 12 * 60; }));
    play->click();
    EXPECT_FALSE(window.findChild<TimePanel*>("timePanel")->isPlaying());
}

// Drawn afresh at twice the window's width, with the window's aspect, the city in
// it; a place that cannot take the file is named in the message.
TEST_F(WindowToolsTest, SavePictureDrawsALargerPictureOffTheScreen)
{
    const QSize view = window.getViewerWidget()->size();
    ASSERT_TRUE(QTest::qWaitFor([this] { return context.batchShown(); }, 30000));
    const QString path = inDirectory("view.png");
    QString message;
    catchMessage(message);
    ASSERT_TRUE(window.savePictureTo(path, 2 * view.width())) << message.toStdString();
    const QImage picture(path);
    ASSERT_EQ(picture.size(), QSize(2 * view.width(), 2 * view.height()));
    // The building covers a good part of the view; the sky's haze the rest.
    long unlikeTheCorner = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            unlikeTheCorner += picture.pixel(x, y) != picture.pixel(0, 0) ? 1 : 0;
    EXPECT_GT(unlikeTheCorner, picture.width() * picture.height() / 10);

    catchMessage(message);
    const QString unwritable = inDirectory("no such folder/view.png");
    EXPECT_FALSE(window.savePictureTo(unwritable, view.width()));
    EXPECT_TRUE(message.contains(unwritable)) << message.toStdString();
    EXPECT_EQ(leftInDirectory(), std::set<std::string>{"view.png"});
}

// Cancelled while the cells are built, or failed at writing: nothing is left, not
// even a temporary file, and a failure names the file. Finished: the file is there.
TEST_F(WindowToolsTest, ExportLeavesAFileOnlyWhenItFinishes)
{
    QTimer canceller;
    QObject::connect(&canceller, &QTimer::timeout, [this] {
        if (auto* progress = window.findChild<QProgressDialog*>("exportProgress"))
            progress->cancel();
    });
    canceller.start(0);
    EXPECT_FALSE(window.exportCityTo(inDirectory("cancelled.glb"), 6));
    canceller.stop();
    EXPECT_TRUE(leftInDirectory().empty());

    fs::create_directory(directory / "taken.glb");
    QString message;
    catchMessage(message);
    EXPECT_FALSE(window.exportCityTo(inDirectory("taken.glb"), 1));
    EXPECT_TRUE(message.contains(inDirectory("taken.glb"))) << message.toStdString();
    EXPECT_EQ(leftInDirectory(), std::set<std::string>{"taken.glb"});

    EXPECT_TRUE(window.exportCityTo(inDirectory("city.obj"), 1));
    EXPECT_EQ(leftInDirectory(), (std::set<std::string>{"city.mtl", "city.obj", "taken.glb"}));
}
