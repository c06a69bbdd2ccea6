#pragma once

#include <osg/ref_ptr>

#include <QMainWindow>

class QDragEnterEvent;
class QDropEvent;
class QLabel;
class ClickHandler;
class FeaturePanel;
class FeatureSelection;
class PlaceSearchField;
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

    SceneContext* const sceneContext;
    Tarn::GUI::QtViewer* viewerWidget;
    std::unique_ptr<Ui::MainWindow> ui;
    bool sceneBuilt = false;
    QLabel* clockLabel = nullptr;
    PlaceSearchField* searchField = nullptr;
    FeaturePanel* featurePanel = nullptr;
    FeatureSelection* selection = nullptr;
    osg::ref_ptr<ClickHandler> clickHandler;
};
