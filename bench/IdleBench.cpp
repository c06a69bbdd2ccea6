#include "bench/BenchArgs.h"
#include "bench/BenchCommands.h"
#include "bench/BenchDisplay.h"
#include "bench/BenchWindow.h"

#include "gui/QtViewer.h"

#include <chrono>
#include <ctime>
#include <iostream>
#include <sstream>
#include <stdexcept>

namespace
{
using Clock = std::chrono::steady_clock;

constexpr double defaultSeconds = 20.0;

double processCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec * 1e-9;
}

std::string measureIdle(const std::string& osmPath, const std::string& terrainPath, double seconds)
{
    BenchWindow bench;
    bench.open(osmPath, terrainPath);
    MainWindow& window = bench.window;

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
