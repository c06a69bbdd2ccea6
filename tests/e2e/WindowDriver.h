#pragma once

#include "AttachRecorder.h"
#include "FrameGrabber.h"
#include "app/MainWindow.h"
#include "app/SceneContext.h"
#include "gui/QtViewer.h"

#include <QImage>
#include <QString>
#include <osg/MatrixTransform>
#include <osg/observer_ptr>

#include <functional>
#include <string>

class QAction;

// The program's main window on its own scene context, driven as a user drives it:
// menu actions from inside the event loop, the input dialog filled and confirmed,
// frames drawn by the viewer's own timer.
class WindowDriver
{
public:
    struct Input
    {
        std::string osmPath;
        std::string terrainPath;
        int cellRange = 5;
        int maxGridCells = 572;
    };

    WindowDriver();
    ~WindowDriver();
    WindowDriver(const WindowDriver&) = delete;
    WindowDriver& operator=(const WindowDriver&) = delete;

    QAction* action(const char* name) const;

    // Runs work as the handler of an event, the way a menu click runs, so that an
    // exception meets the application object. Returns once work returned or threw;
    // false if it did neither within two minutes.
    bool runFromEventLoop(const std::function<void()>& work);
    // Triggers the named action from inside the event loop. When the action leaves
    // a newly built scene, the nodes attached to it are noted from its first frame on.
    bool trigger(const char* actionName);
    // "Input Data" from the event loop, its dialog filled and confirmed with "Start".
    // False if no dialog opened or the action did not end.
    bool confirmInput(const Input& input);

    // Waits until the data thread has generated its whole batch and every node
    // it made is attached.
    bool waitForBatch(int timeoutMs);
    // Waits until the terrain pager has had nothing to do for a run of frames (the
    // viewer is asked for them: it draws only on demand).
    bool waitForTerrain(int timeoutMs);
    // Waits until the viewer has drawn `frames` more frames, asking for them.
    bool waitForFrames(unsigned frames, int timeoutMs);
    // The next frame the viewer draws, saved under fileName in the working directory.
    QImage grab(const QString& fileName);

    // The transform under "SceneGraph" that carries the generated nodes.
    osg::MatrixTransform* generatedContent() const;
    // The nodes attached to the current scene; null before a scene was built.
    const AttachRecorder* attachRecord() const { return recorder.get(); }

    SceneContext context;
    MainWindow window{&context};

private:
    Tarn::GUI::QtViewer* currentViewer() const;
    void recordAttachesOfNewScene();

    osg::ref_ptr<FrameGrabber> grabber = new FrameGrabber;
    osg::ref_ptr<AttachRecorder> recorder;
};
