#include "app/MainWindow.h"

#include "app/AppSettings.h"
#include "app/CityExport.h"
#include "app/InputDataDialog.h"
#include "app/OrvalisApplication.h"
#include "app/ClickHandler.h"
#include "app/FeaturePanel.h"
#include "app/FeatureSelection.h"
#include "app/PlaceSearch.h"
#include "app/PlaceSearchField.h"
#include "app/RecentInputs.h"
#include "app/SceneContext.h"
#include "app/TimePanel.h"
#include "generation/DataThread.h"
#include "generation/MyEarthManipulator.h"
#include "generation/NodeHandover.h"
#include "geometry/GeometryGenerator.h"
#include "globe/ElevationRaster.h"
#include "osm/OsmParser.h"
#include "gui/OffscreenPicture.h"
#include "gui/QtViewer.h"
#include "ui_MainWindow.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QMimeData>
#include <QMessageBox>
#include <QProgressBar>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QSaveFile>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <osg/DisplaySettings>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {

// Wider pictures need more than the frame buffers drivers commonly offer.
constexpr int maxPictureWidth = 8192;
// How often the bar is brought up to date while a file loads.
constexpr qint64 loadingRepaintMs = 100;
// The most rings the data thread's batches have.
constexpr int maxExportRings = 6;

struct GridNumbers
{
    int maxGridCells = 0;
    int cellRange = 0;
    double gridSize = 0.0;
};

// Reads the three numbers of a confirmed dialog. Returns the problem, or an
// empty text when all three are usable. A Max Grid Cells of 0 or below and a
// Cell Range of 0 or below have a meaning (evict at once, never evict; queue
// nothing); text that is no number has none, and neither has a grid size that
// is not above 0.
QString readGridNumbers(const InputDataDialog& dialog, GridNumbers& numbers)
{
    bool ok = false;
    numbers.maxGridCells = dialog.getMaxGridCellsText().toInt(&ok, 10);
    if (!ok)
        return MainWindow::tr("Max Grid Cells must be a whole number, not \"%1\".")
            .arg(dialog.getMaxGridCellsText());
    numbers.cellRange = dialog.getCellRangeText().toInt(&ok, 10);
    if (!ok)
        return MainWindow::tr("Cell Range must be a whole number, not \"%1\".")
            .arg(dialog.getCellRangeText());
    numbers.gridSize = dialog.getGridSizeText().toDouble(&ok);
    if (!ok || !std::isfinite(numbers.gridSize) || numbers.gridSize <= 0.0)
        return MainWindow::tr("Grid Size must be a number of degrees above 0, not \"%1\".")
            .arg(dialog.getGridSizeText());
    return QString();
}

} // namespace

MainWindow::MainWindow(SceneContext* sceneContext)
    : QMainWindow(nullptr)
    , sceneContext(sceneContext)
    , ui(new Ui::MainWindow)
{
    // The viewer widget's GL format takes its sample count from here.
    osg::DisplaySettings::instance()->setNumMultiSamples(4);
    viewerWidget = new Tarn::GUI::QtViewer(this);
    ui->setupUi(this);
    setAttribute(Qt::WA_QuitOnClose, true);
    setCentralWidget(viewerWidget);
    ui->centralwidget = nullptr; // setCentralWidget disposes of it
    setWindowTitle("Orvalis");

    connect(ui->actionExit, &QAction::triggered, this, &MainWindow::close);
    connect(ui->actionInputData, &QAction::triggered, this, &MainWindow::openInputDataDialog);
    connect(ui->actionFullscreen, &QAction::triggered, this, &MainWindow::setFullscreen);
    connect(ui->actionRestart, &QAction::triggered, this, &MainWindow::restart);
    connect(ui->actionScheme_1, &QAction::triggered, this, &MainWindow::setColorScheme1);
    connect(ui->actionScheme_2, &QAction::triggered, this, &MainWindow::setColorScheme2);
    connect(ui->actionScheme_3, &QAction::triggered, this, &MainWindow::setColorScheme3);
    connect(ui->actionSavePicture, &QAction::triggered, this, &MainWindow::savePicture);
    connect(ui->actionExportCity, &QAction::triggered, this, &MainWindow::exportCity);
    connect(ui->actionScheme_4, &QAction::triggered, this, &MainWindow::setColorScheme4);
    connect(ui->menuOpenRecent, &QMenu::aboutToShow, this, &MainWindow::fillRecentMenu);
    setAcceptDrops(true);

    // These act on an assembled scene; there is none yet.
    updateSceneActions();

    QToolBar* searchBar = addToolBar(tr("Search"));
    searchBar->setObjectName("searchBar");
    searchField = new PlaceSearchField(searchBar);
    searchField->setMaximumWidth(360);
    searchBar->addWidget(searchField);
    auto* findShortcut = new QShortcut(QKeySequence::Find, this);
    connect(findShortcut, &QShortcut::activated, searchField, [this] { searchField->setFocus(Qt::ShortcutFocusReason); });
    connect(searchField, &PlaceSearchField::placeChosen, this, &MainWindow::flyTo);

    featurePanel = new FeaturePanel(this);
    addDockWidget(Qt::RightDockWidgetArea, featurePanel);
    featurePanel->hide();
    selection = new FeatureSelection(sceneContext, featurePanel, this);
    clickHandler = new ClickHandler([this](float x, float y) { selection->clickedAt(x, y); });

    clockLabel = new QLabel(this);
    clockLabel->setObjectName("clockLabel");
    statusBar()->addPermanentWidget(clockLabel);
    progressBar = new QProgressBar(this);
    progressBar->setObjectName("progressBar");
    progressBar->setMaximumWidth(200);
    progressBar->hide();
    statusBar()->addPermanentWidget(progressBar);
    addTimePanel();

    auto* progressTimer = new QTimer(this);
    connect(progressTimer, &QTimer::timeout, this, &MainWindow::showProgress);
    progressTimer->start(250);
}

// The scene goes first, its data thread stopped; then the scene context lets go of
// the viewer while the viewer is still this window's child.
MainWindow::~MainWindow()
{
    sceneContext->releaseScene();
    if (sceneContext->viewer.get() == viewerWidget)
        sceneContext->setViewer(nullptr);
}

void MainWindow::openInputDataDialog()
{
    InputDataDialog dialog(this);
    dialog.setFixedSize(dialog.size());
    const AppSettings& settings = appSettings();
    dialog.setOsmFile(settings.osmPath);
    dialog.setTerrainFile(settings.terrainPath);
    dialog.setMaxGridCells(std::to_string(settings.maxGridCells.load()));
    dialog.setCellRange(std::to_string(settings.cellRange.load()));
    dialog.setGridSize(QString::number(settings.gridSize.load(), 'f', 6).toStdString());
    dialog.exec();
    if (!dialog.isAccepted())
        return;

    GridNumbers numbers;
    const QString problem = readGridNumbers(dialog, numbers);
    if (!problem.isEmpty()) {
        QMessageBox::warning(this, tr("Input Data"), problem + "\n" + tr("Nothing was changed."));
        return;
    }
    AppSettings& stored = appSettings();
    stored.maxGridCells = numbers.maxGridCells;
    stored.cellRange = numbers.cellRange;
    stored.gridSize = numbers.gridSize;
    setInputFiles(dialog.getOsmPathText().toStdString(), dialog.getTerrainPathText().toStdString());
}

void MainWindow::setInputFiles(const std::string& osmPath, const std::string& terrainPath)
{
    sceneContext->setOsmPath(osmPath);
    sceneContext->setTerrainPath(terrainPath);
    if (sceneBuilt) {
        restart();
        return;
    }
    sceneContext->setViewer(viewerWidget);
    sceneBuilt = buildScene();
    updateSceneActions();
}

// Offered newest first; choosing one opens it as the dialog would.
void MainWindow::fillRecentMenu()
{
    ui->menuOpenRecent->clear();
    for (const RecentInputs::Input& input : RecentInputs::list()) {
        const QString text = input.terrainPath.isEmpty() ? input.osmPath
                                                         : input.osmPath + "  +  " + input.terrainPath;
        connect(ui->menuOpenRecent->addAction(text), &QAction::triggered, this,
                [this, input] { setInputFiles(input.osmPath.toStdString(), input.terrainPath.toStdString()); });
    }
    ui->menuOpenRecent->setEnabled(!ui->menuOpenRecent->isEmpty());
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    std::string osmPath = sceneContext->osmPath;
    std::string terrainPath = sceneContext->terrainPath;
    bool osmDropped = false;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (!url.isLocalFile())
            continue;
        const std::string path = url.toLocalFile().toStdString();
        if (globe::ElevationRaster::isRasterFile(path)) {
            terrainPath = path;
        } else {
            osmPath = path;
            osmDropped = true;
        }
    }
    event->acceptProposedAction();
    // A terrain alone waits for an extract to lie on.
    if (osmDropped || sceneBuilt)
        setInputFiles(osmPath, terrainPath);
    else
        sceneContext->setTerrainPath(terrainPath);
}

// Restart and the colour schemes act on the scene; they are offered once one has
// been assembled (Restart also after an assembly failed, to try again).
void MainWindow::updateSceneActions()
{
    ui->actionRestart->setEnabled(sceneBuilt);
    for (QAction* action : {ui->actionScheme_1, ui->actionScheme_2, ui->actionScheme_3, ui->actionScheme_4,
                            ui->actionSavePicture, ui->actionExportCity})
        action->setEnabled(sceneContext->isBuilt());
}

// A failed load is reported here: an exception must not leave a Qt slot.
bool MainWindow::buildScene()
{
    selection->clear();
    searchField->setPlaces({});
    statusBar()->showMessage(tr("Loading %1 ...").arg(QString::fromStdString(sceneContext->osmPath)));
    progressBar->setRange(0, 100);
    progressBar->setValue(0);
    progressBar->show();
    statusBar()->repaint();
    loading = true;
    QElapsedTimer sinceShown;
    sinceShown.start();
    const auto showLoading = [this, &sinceShown](double fraction) {
        if (sinceShown.elapsed() < loadingRepaintMs)
            return;
        sinceShown.restart();
        progressBar->setValue(static_cast<int>(fraction * 100.0));
        // The load holds the event loop: the bar is painted from here; input waits for the scene.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    try {
        sceneContext->buildScene(showLoading);
    } catch (const std::exception& error) {
        loading = false;
        failedBuild(error);
        return false;
    }
    loading = false;
    statusBar()->clearMessage();
    searchField->setPlaces(PlaceSearch::placesOf(*sceneContext->parser));
    auto& handlers = sceneContext->viewer->getEventHandlers();
    if (std::find(handlers.begin(), handlers.end(), clickHandler) == handlers.end())
        sceneContext->viewer->addEventHandler(clickHandler.get());
    RecentInputs::add({QString::fromStdString(sceneContext->osmPath), QString::fromStdString(sceneContext->terrainPath)});
    return true;
}

// From a little south of the place, looking down at it.
void MainWindow::flyTo(const NamedPlace& place)
{
    if (!sceneContext->manipulator)
        return;
    sceneContext->manipulator->flyTo(globe::Viewpoint(place.lon, place.lat, 0.0, 0.0, -45.0, 800.0), 2.0);
    viewerWidget->requestRedraw();
    selection->selectWhenShown(place.type, place.id);
}

// What the failed assembly left is released, so the next one starts clean.
void MainWindow::failedBuild(const std::exception& error)
{
    sceneContext->releaseScene();
    statusBar()->clearMessage();
    progressBar->hide();
    updateSceneActions();
    OrvalisApplication::reportError(error);
}

void MainWindow::setFullscreen()
{
    if (isFullScreen()) {
        ui->statusbar->show();
        setWindowState(Qt::WindowNoState);
    } else {
        ui->statusbar->hide();
        setWindowState(Qt::WindowFullScreen);
    }
}

// Every assembly runs on a fresh viewer. The old one stays hidden while the scene is
// released, so no frame sees it half gone; it dies (its pager's threads joined) when
// the scene context drops its only reference, which also cancels the deleteLater that
// setCentralWidget posted for it.
void MainWindow::restart()
{
    if (!sceneBuilt)
        return;
    viewerWidget->hide();
    sceneContext->releaseScene();
    updateSceneActions();
    viewerWidget = new Tarn::GUI::QtViewer(this);
    setCentralWidget(viewerWidget);
    sceneContext->setViewer(viewerWidget);
    buildScene();
    updateSceneActions();
    viewerWidget->show();
}


void MainWindow::releaseScene()
{
    selection->clear();
    searchField->setPlaces({});
    viewerWidget->hide();
    sceneContext->releaseScene();
    updateSceneActions();
}

// While the data thread works through a batch, the status bar counts its cells
// and the pieces still waiting to be shown; once everything is shown it is empty.
void MainWindow::showProgress()
{
    showClock();
    showTime();
    showBatchBar();
    if (!sceneContext->isBuilt())
        return;
    const DataThread::Progress progress = sceneContext->dataThread->progress();
    const int waiting = sceneContext->handover->waitingCount();
    if (progress.generated < progress.queued || waiting > 0)
        statusBar()->showMessage(tr("Generating cells: %1 of %2 done, %3 pieces waiting to be shown")
                                     .arg(progress.generated)
                                     .arg(progress.queued)
                                     .arg(waiting));
    else
        statusBar()->clearMessage();
}

// The sun's hour where the extract lies (local mean solar time).
void MainWindow::showClock()
{
    if (!sceneContext->isBuilt()) {
        clockLabel->clear();
        return;
    }
    const int minutes = static_cast<int>(std::lround(sceneContext->localHour() * 60.0));
    clockLabel->setText(tr("Local solar time %1:%2")
                            .arg(minutes / 60, 2, 10, QChar('0'))
                            .arg(minutes % 60, 2, 10, QChar('0')));
}

void MainWindow::setColorScheme(int scheme)
{
    if (!sceneContext->isBuilt())
        return;
    sceneContext->generator->setColorScheme(scheme);
    viewerWidget->requestRedraw();
}

void MainWindow::setColorScheme1()
{
    setColorScheme(0);
}

void MainWindow::setColorScheme2()
{
    setColorScheme(1);
}

void MainWindow::setColorScheme3()
{
    setColorScheme(2);
}

void MainWindow::addTimePanel()
{
    timePanel = new TimePanel(this);
    addDockWidget(Qt::BottomDockWidgetArea, timePanel);
    ui->menuView->addAction(timePanel->toggleViewAction());
    connect(timePanel, &TimePanel::hourChosen, this, [this](double hour) {
        sceneContext->setLocalHour(hour);
        showClock();
    });
    connect(timePanel, &TimePanel::dateChosen, this, &MainWindow::setDate);
    showTime();
}

void MainWindow::setDate(const QDate& date)
{
    sceneContext->setDate(date.year(), date.month(), date.day());
}

// The panel follows the scene's clock however it was set: the keys, the panel, a new scene.
void MainWindow::showTime()
{
    timePanel->setAvailable(sceneContext->isBuilt());
    const LocalSolarClock clock = sceneContext->solarClock();
    timePanel->showTime(sceneContext->localHour(), QDate(clock.year(), clock.month(), clock.day()));
}

// Beside the status text while the data thread works through a batch: cells done of queued.
void MainWindow::showBatchBar()
{
    if (loading)
        return;
    const DataThread::Progress progress =
        sceneContext->isBuilt() ? sceneContext->dataThread->progress() : DataThread::Progress();
    if (progress.generated >= progress.queued) {
        progressBar->hide();
        return;
    }
    progressBar->setRange(0, progress.queued);
    progressBar->setValue(progress.generated);
    progressBar->show();
}

QString MainWindow::askSavePath(const QString& caption, const QStringList& filters)
{
    QString chosenFilter;
    QString path = QFileDialog::getSaveFileName(this, caption, QString(), filters.join(";;"), &chosenFilter);
    // A name typed without an extension takes the chosen filter's.
    const QRegularExpressionMatch extension = QRegularExpression("\\*(\\.\\w+)").match(chosenFilter);
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty() && extension.hasMatch())
        path += extension.captured(1);
    return path;
}

void MainWindow::savePicture()
{
    const int windowWidth = viewerWidget->width();
    bool ok = false;
    const int width = QInputDialog::getInt(
        this, tr("Save Picture"),
        tr("Width in pixels (the view is %1 x %2):").arg(windowWidth).arg(viewerWidget->height()), windowWidth,
        std::min(windowWidth, maxPictureWidth), maxPictureWidth, 1, &ok);
    if (!ok)
        return;
    const QString path = askSavePath(tr("Save Picture"), {tr("PNG picture (*.png)")});
    if (!path.isEmpty())
        savePictureTo(path, width);
}

// Drawn afresh off the screen at the size asked for, not scaled up from the window.
bool MainWindow::savePictureTo(const QString& path, int width)
{
    const double aspect = static_cast<double>(viewerWidget->height()) / std::max(viewerWidget->width(), 1);
    const int height = std::max(1, static_cast<int>(std::lround(width * aspect)));
    // A viewer not shown has no context to draw with.
    const QImage picture =
        viewerWidget->isVisible() ? Tarn::GUI::OffscreenPicture::render(*viewerWidget, width, height) : QImage();
    QString problem;
    QSaveFile file(path);
    if (picture.isNull())
        problem = tr("a picture of %1 x %2 pixels could not be drawn").arg(width).arg(height);
    else if (!file.open(QIODevice::WriteOnly) || !picture.save(&file, "PNG") || !file.commit())
        problem = file.errorString();
    if (problem.isEmpty())
        return true;
    QMessageBox::warning(this, tr("Save Picture"), tr("Cannot save %1: %2").arg(path, problem));
    return false;
}

void MainWindow::exportCity()
{
    bool ok = false;
    const int rings = QInputDialog::getInt(this, tr("Export City"), tr("Rings of cells around the camera's cell:"),
                                           appSettings().cellRange, 0, maxExportRings, 1, &ok);
    if (!ok)
        return;
    const QString path = askSavePath(tr("Export City"), {tr("glTF binary (*.glb)"), tr("Wavefront OBJ (*.obj)"),
                                                         tr("OpenSceneGraph binary (*.osgb)")});
    if (!path.isEmpty())
        exportCityTo(path, rings);
}

// The cells are built here, on the GUI thread, a step between two looks at the dialog;
// the file is written whole at the end, so a cancel leaves nothing behind.
bool MainWindow::exportCityTo(const QString& path, int rings)
{
    if (!sceneContext->isBuilt())
        return false;
    if (!SceneExporter::canWrite(path.toStdString())) {
        QMessageBox::warning(this, tr("Export City"),
                             tr("Cannot write %1: only .glb, .obj and .osgb files can be exported").arg(path));
        return false;
    }
    CityExport job(*sceneContext, sceneContext->manipulator->focalCell(), rings);
    QProgressDialog progress(tr("Building the cells for %1 ...").arg(path), tr("Cancel"), 0, job.stepCount() + 1, this);
    progress.setObjectName("exportProgress");
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    for (int step = 0; step < job.stepCount(); ++step) {
        progress.setValue(step);
        if (progress.wasCanceled())
            return false;
        job.runStep(step);
    }
    progress.setLabelText(tr("Writing %1 ...").arg(path));
    progress.setValue(job.stepCount());
    if (progress.wasCanceled())
        return false;
    try {
        job.write(path.toStdString());
    } catch (const std::exception& error) {
        progress.reset();
        QMessageBox::warning(this, tr("Export City"), QString::fromStdString(error.what()));
        return false;
    }
    progress.setValue(progress.maximum());
    return true;
}

void MainWindow::setColorScheme4()
{
    setColorScheme(3);
}
