#pragma once

#include <osg/ref_ptr>

#include <QMainWindow>

class QDate;
class QDragEnterEvent;
class QDropEvent;
class QLabel;
class ClickHandler;
class FeaturePanel;
class FeatureSelection;
class QProgressBar;
class PlaceSearchField;
class TimePanel;
struct NamedPlace;

#include <exception>
#include <memory>
#include <string>

class SceneContext;

namespace Ui {
class MainWindow;
}

namespace Tarn {
namespace GUI {
class QtViewer;
}
} // namespace Tarn

// The program's only top-level window: the 3D view and the menus.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(SceneContext* sceneContext);
    ~MainWindow() override;

    Tarn::GUI::QtViewer* getViewerWidget() const { return viewerWidget; }

    // Stores the paths and assembles the scene for them: the first time on the
    // current viewer, later through the restart flow. The command line comes here too.
    void setInputFiles(const std::string& osmPath, const std::string& terrainPath);
    // Stops the data thread and releases the scene, as at quitting.
    void releaseScene();
    // The view as a PNG file of that width, its height after the window's aspect.
    // False (reported in a message box) when it could not be drawn or written.
    bool savePictureTo(const QString& path, int width);
    // The water and the cells in that many rings around the camera's cell, built apart
    // from the data thread's, written to a .glb, .obj or .osgb file under a progress
    // dialog. False when cancelled (nothing is left behind) or failed (reported).
    bool exportCityTo(const QString& path, int rings);

protected:
    // Files dropped on the window: an OSM file replaces the extract, a raster (or a
    // .zip holding one) the terrain; the scene is then built for them.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

public slots:
    void openInputDataDialog();
    void setFullscreen();
    void restart();
    void setColorScheme1();
    void setColorScheme2();
    void setColorScheme3();
    void savePicture();
    void exportCity();
    void setColorScheme4();

private:
    // False when the load failed (reported already).
    bool buildScene();
    void failedBuild(const std::exception& error);
    void updateSceneActions();
    void showProgress();
    void showClock();
    void fillRecentMenu();
    void setColorScheme(int scheme);
    void flyTo(const NamedPlace& place);
    void addTimePanel();
    void showTime();
    void showBatchBar();
    void setDate(const QDate& date);
    // Asks where to save, with the filters given; empty when the user cancelled.
    QString askSavePath(const QString& caption, const QStringList& filters);

    SceneContext* const sceneContext;
    Tarn::GUI::QtViewer* viewerWidget;
    std::unique_ptr<Ui::MainWindow> ui;
    bool sceneBuilt = false;
    QLabel* clockLabel = nullptr;
    PlaceSearchField* searchField = nullptr;
    FeaturePanel* featurePanel = nullptr;
    FeatureSelection* selection = nullptr;
    osg::ref_ptr<ClickHandler> clickHandler;
    TimePanel* timePanel = nullptr;
    QProgressBar* progressBar = nullptr;
    // True while a file loads: the bar then shows the load, not the batch.
    bool loading = false;
};
