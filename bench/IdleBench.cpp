#include "bench/BenchArgs.h"
#include "bench/BenchCommands.h"
#include "bench/BenchDisplay.h"

#include "app/MainWindow.h"
#include "app/OrvalisApplication.h"
#include "app/SceneContext.h"
#include "gui/QtViewer.h"

#include <QEventLoop>
#include <QTimer>
#include <osgDB/DatabasePager>

#include <chrono>
#include <ctime>
#include <iostream>
#include <sstream>
#include <stdexcept>

namespace
{
using Clock = std::chrono::steady_clock;

constexpr double defaultSeconds = 20.0;
constexpr double loadTimeoutSeconds = 900.0;

double processCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec * 1e-9;
}

// Runs the event loop for the given time.
void runEventLoop(double seconds)
{
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000.0), &loop, &QEventLoop::quit);
    loop.exec();
}

// The batch is shown and the terrain pager has nothing left to load.
bool settled(const SceneContext& scene)
{
    const osgDB::DatabasePager* pager = scene.viewer->getDatabasePager();
    return scene.batchShown() && !(pager && pager->getRequestsInProgress());
}

void waitUntilSettled(const SceneContext& scene)
{
    const auto start = Clock::now();
    while (!settled(scene))
    {
        if (!scene.isBuilt())
            throw std::runtime_error("the scene was not built");
        if (secondsSince(start) > loadTimeoutSeconds)
            throw std::runtime_error("the batch was not shown within " + std::to_string(int(loadTimeoutSeconds)) + " s");
        runEventLoop(0.05);
    }
}

std::string measureIdle(const std::string& osmPath, const std::string& terrainPath, double seconds)
{
    static int argc = 1;
    static char name[] = "orvalis-bench";
    static char* argv[] = {name, nullptr};
    OrvalisApplication application(argc, argv);
    addShaderPathBesideProgram();

    SceneContext scene;
    MainWindow window(&scene);
    window.show();
    waitForExpose(*window.getViewerWidget());
    window.setInputFiles(osmPath, terrainPath);
    waitUntilSettled(scene);

    const unsigned framesBefore = window.getViewerWidget()->framesDrawn();
    const double cpuBefore = processCpuSeconds();
    const auto wallBefore = Clock::now();
    runEventLoop(seconds);
    const double cpu = processCpuSeconds() - cpuBefore;
    const double wall = secondsSince(wallBefore);
    const unsigned frames = window.getViewerWidget()->framesDrawn() - framesBefore;
    window.releaseScene();

    std::ostringstream json;
    json << "{\"seconds\": " << wall << ", \"cpu_seconds\": " << cpu << ", \"cpu_percent\": " << 100.0 * cpu / wall
         << ", \"frames\": " << frames << "}";
    return json.str();
}
} // namespace

// idle OSM_FILE [--terrain TIF] [--seconds S]: the main window on the file, left alone
// once the batch is shown; the process's CPU time over S seconds of wall time
// (100 = one core busy).
int runIdleBench(const std::vector<std::string>& args)
{
    const BenchArgs parsed(args);
    const std::string osmPath = parsed.positional(0, "OSM_FILE");
    const std::string terrainPath = parsed.text("terrain", "");
    const double seconds = parsed.number("seconds", defaultSeconds);
    if (!(seconds > 0.0))
        throw std::invalid_argument("--seconds must be above 0");
    requireDisplay();
    checkTerrain(terrainPath);
    const std::string json = measureIdle(osmPath, terrainPath, seconds);
    std::cout << json << std::endl;
    return 0;
}
