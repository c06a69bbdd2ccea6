#include "WindowDriver.h"

#include "app/InputDataDialog.h"
#include "generation/DataThread.h"
#include "gui/QtViewer.h"
#include "tests/app/WhenModal.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <osgDB/DatabasePager>

#include <memory>
#include <stdexcept>

namespace
{
// Frames the terrain pager must stay idle before the terrain counts as loaded.
constexpr unsigned idleFrames = 10;

unsigned frameNumber(const osgViewer::Viewer* viewer)
{
    return viewer->getFrameStamp()->getFrameNumber();
}
} // namespace

WindowDriver::WindowDriver()
{
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        throw std::runtime_error("the main window was not shown: no display?");
}

WindowDriver::~WindowDriver() = default;

QAction* WindowDriver::action(const char* name) const
{
    return window.findChild<QAction*>(name);
}

bool WindowDriver::runFromEventLoop(const std::function<void()>& work)
{
    auto finished = std::make_shared<bool>(false);
    QTimer::singleShot(0, &window, [work, finished] {
        // Also set while an exception leaves work.
        struct Finish
        {
            std::shared_ptr<bool> flag;
            ~Finish() { *flag = true; }
        } finish{finished};
        work();
    });
    return QTest::qWaitFor([&] { return *finished; }, 120000);
}

bool WindowDriver::trigger(const char* actionName)
{
    QAction* chosen = action(actionName);
    return runFromEventLoop([this, chosen] {
        chosen->trigger();
        recordAttachesOfNewScene();
    });
}

bool WindowDriver::confirmInput(const Input& input)
{
    auto dialogSeen = std::make_shared<bool>(false);
    whenModal<InputDataDialog>([input, dialogSeen](InputDataDialog* dialog) {
        *dialogSeen = true;
        const std::pair<const char*, std::string> fields[] = {
            {"osmFileText", input.osmPath},
            {"fileText", input.terrainPath},
            {"txtMaxGridCells", std::to_string(input.maxGridCells)},
            {"txtCellRange", std::to_string(input.cellRange)},
            {"txtGridSize", "0.005000"},
        };
        for (const auto& field : fields)
            dialog->findChild<QLineEdit*>(field.first)->setText(QString::fromStdString(field.second));
        QTest::mouseClick(dialog->findChild<QPushButton*>("startButton"), Qt::LeftButton);
    });
    return trigger("actionInputData") && *dialogSeen;
}

bool WindowDriver::waitForBatch(int timeoutMs)
{
    return QTest::qWaitFor(
        [this] {
            return context.isBuilt() && context.dataThread->progress().queued > 0 && context.batchShown();
        },
        timeoutMs);
}

bool WindowDriver::waitForTerrain(int timeoutMs)
{
    unsigned idle = 0;
    unsigned lastFrame = frameNumber(currentViewer());
    return QTest::qWaitFor(
        [&] {
            Tarn::GUI::QtViewer* viewer = currentViewer();
            viewer->requestRedraw();
            const unsigned frame = frameNumber(viewer);
            const osgDB::DatabasePager* pager = viewer->getDatabasePager();
            if (pager && pager->getRequestsInProgress())
                idle = 0;
            else
                idle += frame - lastFrame;
            lastFrame = frame;
            return idle >= idleFrames;
        },
        timeoutMs);
}

bool WindowDriver::waitForFrames(unsigned frames, int timeoutMs)
{
    const unsigned until = frameNumber(currentViewer()) + frames;
    return QTest::qWaitFor(
        [&] {
            currentViewer()->requestRedraw();
            return frameNumber(currentViewer()) >= until;
        },
        timeoutMs);
}

QImage WindowDriver::grab(const QString& fileName)
{
    osg::Camera* camera = currentViewer()->getCamera();
    if (camera->getFinalDrawCallback() != grabber.get())
        camera->setFinalDrawCallback(grabber.get());
    grabber->grabNext();
    currentViewer()->requestRedraw();
    if (!QTest::qWaitFor([this] { return grabber->hasPicture(); }, 30000))
        return QImage();
    grabber->getPicture().save(fileName);
    return grabber->getPicture();
}

osg::MatrixTransform* WindowDriver::generatedContent() const
{
    if (!context.sceneGraph || context.sceneGraph->getNumChildren() == 0)
        return nullptr;
    return dynamic_cast<osg::MatrixTransform*>(context.sceneGraph->getChild(0));
}

// Still inside the event handler that built the scene: no frame has drawn it yet.
void WindowDriver::recordAttachesOfNewScene()
{
    osg::MatrixTransform* content = generatedContent();
    if (!content)
        recorder = nullptr;
    if (!content || content->getUpdateCallback()->getNestedCallback())
        return;
    recorder = new AttachRecorder;
    content->getUpdateCallback()->addNestedCallback(recorder.get());
}

Tarn::GUI::QtViewer* WindowDriver::currentViewer() const
{
    return window.getViewerWidget();
}
