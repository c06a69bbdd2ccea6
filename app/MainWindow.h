#pragma once

#include <QMainWindow>

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

    // Input chosen outside the dialog (the command line) is taken like a confirmed dialog.
    void setInputFiles(const std::string& osmPath, const std::string& terrainPath);

public slots:
    void openInputDataDialog();
    void setFullscreen();
    void restart();
    void setColorScheme1();
    void setColorScheme2();
    void setColorScheme3();

private:
    SceneContext* const sceneContext;
    Tarn::GUI::QtViewer* viewerWidget;
    std::unique_ptr<Ui::MainWindow> ui;
    bool sceneBuilt = false;
};
