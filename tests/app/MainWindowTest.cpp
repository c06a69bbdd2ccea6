#include "app/AppSettings.h"
#include "app/FeaturePanel.h"
#include "app/InputDataDialog.h"
#include "app/MainWindow.h"
#include "app/OrvalisApplication.h"
#include "app/RecentInputs.h"
#include "app/SceneContext.h"
#include "generation/MyEarthManipulator.h"
#include "globe/ElevationLayer.h"
#include "gui/QtViewer.h"
#include "TestRaster.h"
#include "tests/app/WhenModal.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QCompleter>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QUrl>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <gtest/gtest.h>
#include <cpl_vsi.h>
#include <osg/DisplaySettings>

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

class MainWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        AppSettings& settings = appSettings();
        settings.maxGridCells = 572;
        settings.cellRange = 5;
        settings.gridSize = 0.005;
        settings.osmPath = "potsdam.osm";
        settings.terrainPath = "potsdam.tif";
    }

    QAction* action(const char* name) { return window.findChild<QAction*>(name); }

    // What was written to stderr since capturing began, without Qt's notes on the X
    // connection: how the display server answers a focus change is its own timing.
    static std::string capturedErrors()
    {
        std::istringstream captured(testing::internal::GetCapturedStderr());
        std::string errors, line;
        while (std::getline(captured, line))
            if (line.rfind("qt.qpa.xcb:", 0) != 0)
                errors += line + "\n";
        return errors;
    }

    // Entries of a menu as "text", "---" for a separator.
    static QStringList entries(const QWidget* menu)
    {
        QStringList texts;
        for (const QAction* entry : menu->actions())
            texts << (entry->isSeparator() ? QString("---") : entry->text());
        return texts;
    }

    static void fillAndPress(InputDataDialog* dialog, const char* button, const QStringList& texts = {})
    {
        const char* fields[] = {"osmFileText", "fileText", "txtMaxGridCells", "txtCellRange", "txtGridSize"};
        for (int i = 0; i < texts.size(); ++i)
            dialog->findChild<QLineEdit*>(fields[i])->setText(texts[i]);
        QTest::mouseClick(dialog->findChild<QPushButton*>(button), Qt::LeftButton);
    }

    void expectSettingsUntouched()
    {
        const AppSettings& settings = appSettings();
        EXPECT_EQ(settings.maxGridCells, 572);
        EXPECT_EQ(settings.cellRange, 5);
        EXPECT_EQ(settings.gridSize, 0.005);
        EXPECT_EQ(settings.osmPath, "potsdam.osm");
        EXPECT_EQ(settings.terrainPath, "potsdam.tif");
        EXPECT_EQ(context.osmPath, "");
        EXPECT_EQ(context.terrainPath, "");
    }

    // A one-building extract in the temporary directory.
    static std::string writeExtract(const char* name, const char* text = tinyExtract)
    {
        const std::string path = QDir::temp().filePath(name).toStdString();
        std::ofstream(path) << text;
        return path;
    }
    static constexpr const char* tinyExtract =
        "<osm><node id='1' lat='43.7' lon='7.4'/><node id='2' lat='43.71' lon='7.41'/>"
        "<node id='3' lat='43.7' lon='7.41'/><way id='9'><nd ref='1'/><nd ref='2'/><nd ref='3'/>"
        "<nd ref='1'/><tag k='building' v='yes'/></way></osm>";

    SceneContext context;
    MainWindow window{&context};
};

} // namespace

TEST_F(MainWindowTest, FormMenusEntriesSeparatorsAndTextsInOrder)
{
    EXPECT_EQ(window.objectName(), "MainWindow");
    EXPECT_EQ(window.windowTitle(), "Orvalis");
    EXPECT_EQ(window.size(), QSize(800, 600));
    EXPECT_TRUE(window.testAttribute(Qt::WA_QuitOnClose));
    EXPECT_EQ(osg::DisplaySettings::instance()->getNumMultiSamples(), 4u);
    EXPECT_EQ(window.centralWidget(), window.getViewerWidget());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(window.findChild<QWidget*>("centralwidget"), nullptr);
    ASSERT_NE(window.findChild<QStatusBar*>("statusbar"), nullptr);

    QMenuBar* bar = window.findChild<QMenuBar*>("menubar");
    ASSERT_EQ(window.menuBar(), bar);
    EXPECT_EQ(entries(bar), (QStringList{"File", "View"}));
    QMenu* file = window.findChild<QMenu*>("menuFile");
    QMenu* view = window.findChild<QMenu*>("menuView");
    QMenu* schemes = window.findChild<QMenu*>("menuColor_scheme");
    ASSERT_TRUE(file && view && schemes);
    EXPECT_EQ(bar->actions().at(0), file->menuAction());
    EXPECT_EQ(bar->actions().at(1), view->menuAction());
    EXPECT_EQ(schemes->parent(), view);

    EXPECT_EQ(entries(file), (QStringList{"Input Data", "Open Recent", "Restart", "---", "Save Picture\u2026",
                                          "Export City\u2026", "---", "Exit"}));
    EXPECT_EQ(file->actions().at(0), action("actionInputData"));
    EXPECT_EQ(file->actions().at(1), window.findChild<QMenu*>("menuOpenRecent")->menuAction());
    EXPECT_EQ(file->actions().at(2), action("actionRestart"));
    EXPECT_EQ(file->actions().at(4), action("actionSavePicture"));
    EXPECT_EQ(file->actions().at(5), action("actionExportCity"));
    EXPECT_EQ(file->actions().at(7), action("actionExit"));
    EXPECT_EQ(entries(view), (QStringList{"Fullscreen", "---", "Color scheme ", "Time of day"}));
    EXPECT_EQ(view->actions().at(0), action("actionFullscreen"));
    EXPECT_EQ(view->actions().at(2), schemes->menuAction());
    EXPECT_EQ(entries(schemes), (QStringList{"OSM Style", "Googlemap Style", "Model Style", "Mapped Colours"}));
    EXPECT_EQ(schemes->actions().at(0), action("actionScheme_1"));
    EXPECT_EQ(schemes->actions().at(2), action("actionScheme_3"));
    EXPECT_EQ(schemes->actions().at(3), action("actionScheme_4"));

    // Nothing to restart or recolour before a scene exists.
    for (const char* name : {"actionRestart", "actionScheme_1", "actionScheme_2", "actionScheme_3", "actionScheme_4",
                             "actionSavePicture", "actionExportCity"})
        EXPECT_FALSE(action(name)->isEnabled()) << name;
    for (const char* name : {"actionInputData", "actionFullscreen", "actionExit"})
        EXPECT_TRUE(action(name)->isEnabled()) << name;
}

TEST_F(MainWindowTest, FullscreenTwiceReturnsToTheNormalWindow)
{
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QStatusBar* status = window.statusBar();

    action("actionFullscreen")->trigger();
    EXPECT_TRUE(window.isFullScreen());
    EXPECT_FALSE(status->isVisible());
    EXPECT_TRUE(window.menuBar()->isVisible());

    action("actionFullscreen")->trigger();
    EXPECT_FALSE(window.isFullScreen());
    EXPECT_EQ(window.windowState(), Qt::WindowNoState);
    EXPECT_TRUE(status->isVisible());
    EXPECT_TRUE(window.menuBar()->isVisible());
}

TEST_F(MainWindowTest, InputDialogIsFilledFromTheSettingsAndStoresOnlyConfirmedInput)
{
    QStringList shown;
    QSize minimum, maximum;
    whenModal<InputDataDialog>([&](InputDataDialog* dialog) {
        for (const char* field : {"osmFileText", "fileText", "txtMaxGridCells", "txtCellRange", "txtGridSize"})
            shown << dialog->findChild<QLineEdit*>(field)->text();
        minimum = dialog->minimumSize();
        maximum = dialog->maximumSize();
        fillAndPress(dialog, "cancelButton", {"other.osm", "other.tif", "1", "2", "0.5"});
    });
    action("actionInputData")->trigger();
    EXPECT_EQ(shown, (QStringList{"potsdam.osm", "potsdam.tif", "572", "5", "0.005000"}));
    EXPECT_EQ(minimum, QSize(480, 320));
    EXPECT_EQ(maximum, QSize(480, 320));
    expectSettingsUntouched();

    // Confirmed input is stored and assembled at once; this file is not there, so
    // the assembly fails with the loader's error, reported by the window itself (no
    // exception leaves the slot), and no scene is counted as built.
    whenModal<InputDataDialog>([](InputDataDialog* dialog) {
        fillAndPress(dialog, "startButton", {"monaco.osm", "monaco.tif", "100", "3", "0.01"});
    });
    testing::internal::CaptureStderr();
    EXPECT_NO_THROW(action("actionInputData")->trigger());
    EXPECT_EQ(capturedErrors(), "std::exception was caught:\ncannot open file monaco.osm\n");
    for (const char* name : {"actionRestart", "actionScheme_1", "actionScheme_2", "actionScheme_3", "actionScheme_4"})
        EXPECT_FALSE(action(name)->isEnabled()) << name;
    const AppSettings& settings = appSettings();
    EXPECT_EQ(context.osmPath, "monaco.osm");
    EXPECT_EQ(context.terrainPath, "monaco.tif");
    EXPECT_EQ(settings.osmPath, "monaco.osm");
    EXPECT_EQ(settings.terrainPath, "monaco.tif");
    EXPECT_EQ(settings.maxGridCells, 100);
    EXPECT_EQ(settings.cellRange, 3);
    EXPECT_DOUBLE_EQ(settings.gridSize, 0.01);
}

TEST_F(MainWindowTest, UnusableNumbersAreRefusedWithAMessageNamingTheField)
{
    struct Case { QStringList texts; QString field; QString offending; };
    const Case cases[] = {
        {{"a.osm", "a.tif", "572", "5", "abc"}, "Grid Size", "abc"},
        {{"a.osm", "a.tif", "572", "5", "0"}, "Grid Size", "0"},
        {{"a.osm", "a.tif", "many", "5", "0.005"}, "Max Grid Cells", "many"},
        {{"a.osm", "a.tif", "572", "5.5", "0.005"}, "Cell Range", "5.5"},
    };
    for (const Case& c : cases) {
        QString message;
        whenModal<InputDataDialog>([&](InputDataDialog* dialog) { fillAndPress(dialog, "startButton", c.texts); });
        whenModal<QMessageBox>([&](QMessageBox* box) {
            message = box->text();
            box->accept();
        });
        action("actionInputData")->trigger();
        EXPECT_TRUE(message.startsWith(c.field)) << message.toStdString();
        EXPECT_TRUE(message.contains("\"" + c.offending + "\"")) << message.toStdString();
        expectSettingsUntouched();
    }
}

// A load that fails inside Restart is reported from the slot; the window stays usable
// and the next Restart builds again.
TEST_F(MainWindowTest, RestartWithAFileTurnedMalformedLeavesAUsableWindow)
{
    const std::string path = writeExtract("orvalis_restart_test.osm");
    window.show();
    window.setInputFiles(path, "");
    ASSERT_TRUE(context.isBuilt());

    writeExtract("orvalis_restart_test.osm", "<osm><node id='1'");
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_NO_THROW(action("actionRestart")->trigger());
    const std::string errors = capturedErrors();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(errors.rfind("std::exception was caught:\n" + path + ": line 1: malformed XML: ", 0), 0u) << errors;
    EXPECT_FALSE(context.isBuilt());
    EXPECT_TRUE(action("actionRestart")->isEnabled());
    EXPECT_FALSE(action("actionScheme_1")->isEnabled());
    EXPECT_TRUE(window.getViewerWidget()->isVisible());
    EXPECT_EQ(context.viewer->getCameraManipulator(), nullptr);

    writeExtract("orvalis_restart_test.osm");
    testing::internal::CaptureStdout();
    action("actionRestart")->trigger();
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(context.isBuilt());
    EXPECT_TRUE(action("actionScheme_1")->isEnabled());
    window.releaseScene();
    std::remove(path.c_str());
}

// Typing offers the extract's places whatever the accents; choosing one flies there.
// Without a scene there is nothing to search.
TEST_F(MainWindowTest, SearchFieldOffersPlacesAndFliesToTheChosenOne)
{
    const std::string path = writeExtract(
        "orvalis_search_test.osm",
        "<osm><node id='1' lat='43.7' lon='7.4'/><node id='2' lat='43.71' lon='7.41'/>"
        "<node id='3' lat='43.7' lon='7.41'/><node id='4' lat='43.705' lon='7.406'>"
        "<tag k='name' v='\xC3\x89glise Saint-Charles'/></node><node id='5' lat='43.708' lon='7.402'>"
        "<tag k='name' v='Casino'/></node><way id='9'><nd ref='1'/><nd ref='2'/><nd ref='3'/>"
        "<nd ref='1'/><tag k='building' v='yes'/></way></osm>");
    auto* field = window.findChild<QLineEdit*>("placeSearch");
    ASSERT_NE(field, nullptr);
    EXPECT_FALSE(field->isEnabled());
    window.show();
    testing::internal::CaptureStdout();
    window.setInputFiles(path, "");
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(field->isEnabled());

    QTest::keyClicks(field, "EGLISE");
    QCompleter* completer = field->findChild<QCompleter*>();
    ASSERT_EQ(completer->completionModel()->rowCount(), 1);
    EXPECT_TRUE(completer->completionModel()->index(0, 0).data().toString().startsWith("\u00C9glise Saint-Charles"));
    emit completer->activated(completer->completionModel()->index(0, 0));
    EXPECT_EQ(field->text(), QString("\u00C9glise Saint-Charles"));
    // The flight takes two seconds and goes on by itself, a frame asking for the next.
    QTest::qWait(3000);
    const osg::Vec3d focal = context.manipulator->getViewpoint().getFocalPoint();
    EXPECT_NEAR(focal.x(), 7.406, 1e-5);
    EXPECT_NEAR(focal.y(), 43.705, 1e-5);

    window.releaseScene();
    EXPECT_FALSE(field->isEnabled());
    std::remove(path.c_str());
}

// A chosen street is selected once its cell is shown; an address is offered as such;
// a click on empty ground clears the selection and a click on the street selects it.
TEST_F(MainWindowTest, ChosenAndClickedFeaturesAreSelectedAndDescribed)
{
    const std::string path = writeExtract(
        "orvalis_select_test.osm",
        "<osm><node id='1' lat='43.7' lon='7.4'/><node id='2' lat='43.7' lon='7.41'/>"
        "<node id='3' lat='43.702' lon='7.404'/><node id='4' lat='43.702' lon='7.405'/>"
        "<node id='5' lat='43.703' lon='7.405'/><node id='6' lat='43.7' lon='7.405'/>"
        "<way id='7'><nd ref='1'/><nd ref='6'/><nd ref='2'/>"
        "<tag k='highway' v='residential'/><tag k='width' v='20'/><tag k='name' v='Rue Grimaldi'/></way>"
        "<way id='9'><nd ref='3'/><nd ref='4'/><nd ref='5'/><nd ref='3'/><tag k='building' v='yes'/>"
        "<tag k='addr:street' v='Rue Grimaldi'/><tag k='addr:housenumber' v='12'/></way></osm>");
    window.show();
    testing::internal::CaptureStdout();
    window.setInputFiles(path, "");
    testing::internal::GetCapturedStdout();
    auto* field = window.findChild<QLineEdit*>("placeSearch");
    auto* panel = window.findChild<FeaturePanel*>("featurePanel");
    ASSERT_NE(panel, nullptr);

    QTest::keyClicks(field, "grimaldi");
    QCompleter* completer = field->findChild<QCompleter*>();
    ASSERT_EQ(completer->completionModel()->rowCount(), 2);
    EXPECT_EQ(completer->completionModel()->index(1, 0).data().toString(), QString("Rue Grimaldi 12  (address)"));
    emit completer->activated(completer->completionModel()->index(0, 0));
    const QString streetPage("https://www.openstreetmap.org/way/7");
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel->pageText() == streetPage; }, 30000));
    EXPECT_TRUE(panel->isVisible());
    EXPECT_GT(panel->tagRowCount(), 0);

    // Once the flight has ended, the street lies under the middle of the view.
    QTest::qWait(2500);
    QWidget* view = window.getViewerWidget();
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(QTest::qWaitFor([&] { return panel->pageText().isEmpty(); }, 5000));
    QTest::mouseClick(view, Qt::LeftButton, {}, view->rect().center());
    EXPECT_TRUE(QTest::qWaitFor([&] { return panel->pageText() == streetPage; }, 5000));

    window.releaseScene();
    EXPECT_EQ(panel->pageText(), QString());
    std::remove(path.c_str());
}

// A dropped extract is opened; a dropped raster (here a zipped one) becomes the
// terrain of the same extract; both are then offered under Open Recent, newest first.
TEST_F(MainWindowTest, DroppedFilesOpenAndAreOfferedAgainUnderOpenRecent)
{
    RecentInputs::clear();
    const std::string osm = writeExtract("orvalis_drop_test.osm");
    const std::string tif = TestRaster::path("orvalis_drop_test.tif");
    TestRaster::write(tif, 2, 2, {7.3, 0.2, 0, 43.8, 0, -0.2}, 4326, {10, 20, 30, 40});
    const std::string zip = TestRaster::path("orvalis_drop_test.zip");
    {
        QFile::remove(QString::fromStdString(zip));
        QFile raster(QString::fromStdString(tif));
        ASSERT_TRUE(raster.open(QIODevice::ReadOnly));
        const QByteArray bytes = raster.readAll();
        VSILFILE* zipped = VSIFOpenL(("/vsizip/" + zip + "/n43.tif").c_str(), "wb");
        ASSERT_NE(zipped, nullptr);
        EXPECT_EQ(VSIFWriteL(bytes.constData(), 1, bytes.size(), zipped), static_cast<size_t>(bytes.size()));
        VSIFCloseL(zipped);
    }
    const auto drop = [&](const std::string& path) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&window, &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&window, &dropped);
    };
    window.show();
    testing::internal::CaptureStdout();
    drop(osm);
    ASSERT_TRUE(context.isBuilt());
    EXPECT_EQ(context.osmPath, osm);
    EXPECT_EQ(context.terrainPath, "");
    drop(zip);
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(context.isBuilt());
    EXPECT_EQ(context.osmPath, osm);
    EXPECT_EQ(context.terrainPath, zip);
    ASSERT_TRUE(context.elevationLayer);
    EXPECT_TRUE(context.elevationLayer->isOpen());

    QMenu* recent = window.findChild<QMenu*>("menuOpenRecent");
    QMetaObject::invokeMethod(recent, "aboutToShow");
    ASSERT_EQ(recent->actions().size(), 2);
    EXPECT_TRUE(recent->actions()[0]->text().endsWith(QString::fromStdString(zip)));
    EXPECT_EQ(recent->actions()[1]->text(), QString::fromStdString(osm));
    testing::internal::CaptureStdout();
    recent->actions()[1]->trigger();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(context.terrainPath, "");
    EXPECT_EQ(RecentInputs::list().front().osmPath, QString::fromStdString(osm));
    window.releaseScene();
    RecentInputs::clear();
}

// A terrain the scene cannot use is refused in a box that names the file and the
// problem, first or on Restart; nothing of its scene is built and the window goes on.
// A raster of one cell is usable: its one height stands everywhere over the cell.
TEST_F(MainWindowTest, UnusableTerrainIsRefusedByNameAndTheWindowStaysUsable)
{
    const std::string osm = writeExtract("orvalis_terrain_test.osm");
    const std::vector<double> geoTransform = {7.3, 0.2, 0, 43.8, 0, -0.2};
    const std::string oneCell = TestRaster::path("orvalis_terrain_one_cell.tif");
    TestRaster::write(oneCell, 1, 1, geoTransform, 4326, {42});
    const std::string usable = TestRaster::path("orvalis_terrain_usable.tif");
    TestRaster::write(usable, 2, 2, geoTransform, 4326, {42, 42, 42, 42});
    const std::string pipe = TestRaster::path("orvalis_terrain_pipe.tif");
    std::remove(pipe.c_str());
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const std::string directory = TestRaster::path("orvalis_terrain_directory");
    QDir().mkpath(QString::fromStdString(directory));
    const std::string truncated = TestRaster::path("orvalis_terrain_truncated.tif");
    TestRaster::write(truncated, 64, 64, geoTransform, 4326, std::vector<float>(64 * 64, 5.0f));
    std::filesystem::resize_file(truncated, std::filesystem::file_size(truncated) / 2);
    const std::string noData = TestRaster::path("orvalis_terrain_nodata.tif");
    TestRaster::write(noData, 2, 2, geoTransform, 4326, {-1, -1, -1, -1}, -1.0);
    const std::string huge = TestRaster::path("orvalis_terrain_huge.tif");
    TestRaster::writeSparse(huge, 8193, 8193);

    const std::pair<std::string, QString> cases[] = {{directory, "not a raster"},
                                                     {oneCell, "1 x 1 cells"},
                                                     {pipe, "pipe"},
                                                     {truncated, "cannot be read"},
                                                     {noData, "no-data"},
                                                     {huge, "8193 x 8193 cells are more than"}};
    auto* application = static_cast<OrvalisApplication*>(QCoreApplication::instance());
    application->setShowsErrors(true);
    window.show();
    for (const auto& [terrain, problem] : cases) {
        SCOPED_TRACE(terrain);
        QString message;
        whenModal<QMessageBox>([&message](QMessageBox* box) {
            message = box->text();
            box->accept();
        });
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        window.setInputFiles(osm, terrain);
        const bool shown = QTest::qWaitFor([&] { return !message.isEmpty(); }, 15000);
        testing::internal::GetCapturedStderr();
        testing::internal::GetCapturedStdout();
        EXPECT_TRUE(shown);
        EXPECT_TRUE(message.startsWith(QString::fromStdString(terrain) + ": ")) << message.toStdString();
        EXPECT_TRUE(message.contains(problem)) << message.toStdString();
        EXPECT_FALSE(context.isBuilt());
        EXPECT_TRUE(action("actionInputData")->isEnabled());

        testing::internal::CaptureStdout();
        window.setInputFiles(osm, usable);
        testing::internal::GetCapturedStdout();
        ASSERT_TRUE(context.isBuilt());
        double height = 0.0;
        EXPECT_TRUE(context.elevationLayer->getHeight(7.41, 43.71, height));
        EXPECT_EQ(height, 42.0);
        EXPECT_TRUE(window.getViewerWidget()->isVisible());
    }
    application->setShowsErrors(false);
    window.releaseScene();
}
