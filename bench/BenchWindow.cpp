#include "bench/BenchWindow.h"

#include "bench/BenchArgs.h"
#include "bench/BenchDisplay.h"

#include "gui/QtViewer.h"

#include <osgDB/DatabasePager>

#include <chrono>
#include <stdexcept>

namespace
{
// Loading the batch may take this long before the bench gives up.
constexpr double loadTimeoutSeconds = 900.0;

// The application object keeps a reference to its argument count.
int& programArgc()
{
    static int argc = 1;
    return argc;
}

char** programArgv()
{
    static char name[] = "orvalis-bench";
    static char* argv[] = {name, nullptr};
    return argv;
}

// The batch is shown and the terrain pager has nothing left to load.
bool settled(const SceneContext& scene)
{
    const osgDB::DatabasePager* pager = scene.viewer->getDatabasePager();
    return scene.batchShown() && !(pager && pager->getRequestsInProgress());
}
} // namespace

BenchWindow::BenchWindow() : application(programArgc(), programArgv())
{
    addShaderPathBesideProgram();
    window.show();
    waitForExpose(*window.getViewerWidget());
}

void BenchWindow::open(const std::string& osmPath, const std::string& terrainPath)
{
    window.setInputFiles(osmPath, terrainPath);
    waitUntilSettled();
}

void BenchWindow::waitUntilSettled() const
{
    const auto start = std::chrono::steady_clock::now();
    while (!settled(scene))
    {
        if (!scene.isBuilt())
            throw std::runtime_error("the scene was not built");
        if (secondsSince(start) > loadTimeoutSeconds)
            throw std::runtime_error("the batch was not shown within " + std::to_string(int(loadTimeoutSeconds)) + " s");
        runEventLoop(0.05);
    }
}
