#include "bench/BenchArgs.h"
#include "bench/BenchCommands.h"
#include "bench/BenchDisplay.h"
#include "bench/BenchWindow.h"

#include "app/AppSettings.h"
#include "generation/DataThread.h"
#include "generation/MyEarthManipulator.h"
#include "globe/Viewpoint.h"
#include "gui/QtViewer.h"
#include "osm/OsmParser.h"

#include <QAction>
#include <osg/CoordinateSystemNode>
#include <osg/Math>
#include <osg/Vec2d>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace
{
using Clock = std::chrono::steady_clock;

const double metresPerDegree = osg::WGS_84_RADIUS_EQUATOR * osg::PI / 180.0;
// The pan's defaults: a cache smaller than the Monaco extract's 29 x 11 cells,
// so that cells are evicted, and a camera that crosses a cell every few seconds.
constexpr int defaultPanCache = 150;
constexpr double defaultSpeed = 100.0;
// The route runs this far inside the extract's edges (a fraction of its size).
constexpr double routeInset = 0.1;
constexpr double stepSeconds = 0.05;
constexpr double sampleSeconds = 10.0;
// RSS is expected to be flat from here on.
constexpr double warmUpSeconds = 60.0;

struct Memory
{
    double rssMb = 0.0;
    double vszMb = 0.0;
};

Memory processMemory()
{
    std::ifstream status("/proc/self/status");
    Memory memory;
    std::string line;
    while (std::getline(status, line))
    {
        std::istringstream fields(line);
        std::string key;
        double kilobytes = 0.0;
        fields >> key >> kilobytes;
        if (key == "VmRSS:")
            memory.rssMb = kilobytes / 1024.0;
        else if (key == "VmSize:")
            memory.vszMb = kilobytes / 1024.0;
    }
    return memory;
}

std::string soakRestart(int restarts, const std::string& osmPath, const std::string& terrainPath)
{
    BenchWindow bench;
    bench.open(osmPath, terrainPath);
    QAction* restart = bench.window.findChild<QAction*>("actionRestart");
    if (!restart)
        throw std::logic_error("the main window has no Restart action");

    std::ostringstream json;
    json << "{\"restarts\": " << restarts;
    const auto start = Clock::now();
    for (int i = 1; i <= restarts; ++i)
    {
        restart->trigger();
        bench.waitUntilSettled();
        const Memory memory = processMemory();
        std::cout << "restart " << i << ": rss_mb " << memory.rssMb << ", vsz_mb " << memory.vszMb << std::endl;
        if (i == 1 || i == 10 || i == restarts)
            json << ", \"rss_mb_" << i << "\": " << memory.rssMb << ", \"vsz_mb_" << i << "\": " << memory.vszMb;
    }
    json << ", \"seconds\": " << secondsSince(start) << "}";
    return json.str();
}

// Pans the focal point round a loop just inside the extract's edges, waypoint after
// waypoint, as far as it is told each time.
class RouteDriver
{
public:
    explicit RouteDriver(const OsmParser& store)
    {
        const double insetLon = routeInset * (store.maxLon - store.minLon);
        const double insetLat = routeInset * (store.maxLat - store.minLat);
        const double west = store.minLon + insetLon, east = store.maxLon - insetLon;
        const double south = store.minLat + insetLat, north = store.maxLat - insetLat;
        waypoints = {{west, south}, {east, south}, {east, north}, {west, north}};
    }

    void advance(globe::EarthManipulator& manipulator, double metres)
    {
        const osg::Vec2d& target = waypoints[reached % waypoints.size()];
        const globe::Viewpoint here = manipulator.getViewpoint();
        const double east = (target.x() - here.x()) * metresPerDegree * std::cos(osg::DegreesToRadians(here.y()));
        const double north = (target.y() - here.y()) * metresPerDegree;
        const double share = std::min(1.0, metres / std::hypot(east, north));
        manipulator.panBy(east * share, north * share);
        reached += share == 1.0 ? 1 : 0;
    }

    int reached = 0;

private:
    std::vector<osg::Vec2d> waypoints;
};

// RSS and virtual size as the pan goes on, and how far RSS strays once warmed up.
struct MemorySamples
{
    void add(double seconds, const Memory& memory)
    {
        rss.push_back(memory.rssMb);
        vsz.push_back(memory.vszMb);
        if (seconds < warmUpSeconds)
            return;
        lowAfterWarmUp = std::min(lowAfterWarmUp, memory.rssMb);
        highAfterWarmUp = std::max(highAfterWarmUp, memory.rssMb);
    }

    static std::string list(const std::vector<double>& values)
    {
        std::ostringstream text;
        for (std::size_t i = 0; i < values.size(); ++i)
            text << (i ? ", " : "") << values[i];
        return "[" + text.str() + "]";
    }

    std::string json() const
    {
        std::ostringstream text;
        text << "\"sample_seconds\": " << sampleSeconds << ", \"rss_mb\": " << list(rss) << ", \"vsz_mb\": " << list(vsz);
        if (highAfterWarmUp >= lowAfterWarmUp)
            text << ", \"rss_mb_spread_after_" << warmUpSeconds << "s\": " << highAfterWarmUp - lowAfterWarmUp;
        return text.str();
    }

    std::vector<double> rss, vsz;
    double lowAfterWarmUp = HUGE_VAL, highAfterWarmUp = -HUGE_VAL;
};

std::string soakPan(double seconds, double speed, const std::string& osmPath, const std::string& terrainPath)
{
    BenchWindow bench;
    bench.open(osmPath, terrainPath);
    SceneContext& scene = bench.scene;
    RouteDriver route(*scene.parser);
    MemorySamples samples;
    const auto start = Clock::now();
    auto last = start;
    for (double sampled = 0.0, elapsed = 0.0; elapsed < seconds;)
    {
        runEventLoop(stepSeconds);
        const double step = secondsSince(last);
        last = Clock::now();
        route.advance(*scene.manipulator, speed * step);
        scene.viewer->requestRedraw();
        elapsed = secondsSince(start);
        if (elapsed < sampled + sampleSeconds)
            continue;
        sampled += sampleSeconds;
        const Memory memory = processMemory();
        const DataThread::Totals totals = scene.dataThread->totals();
        std::cout << "pan " << sampled << " s: rss_mb " << memory.rssMb << ", vsz_mb " << memory.vszMb
                  << ", cells built " << totals.built << ", evicted " << totals.evicted << std::endl;
        samples.add(sampled, memory);
    }
    const DataThread::Totals totals = scene.dataThread->totals();
    std::ostringstream json;
    json << "{\"seconds\": " << secondsSince(start) << ", \"speed\": " << speed
         << ", \"max_grid_cells\": " << appSettings().maxGridCells << ", " << samples.json()
         << ", \"waypoints_reached\": " << route.reached << ", \"cells_generated\": " << totals.built
         << ", \"cells_evicted\": " << totals.evicted
         << ", \"frames\": " << bench.window.getViewerWidget()->framesDrawn() << "}";
    return json.str();
}
} // namespace

// soak restart N OSM_FILE [--terrain TIF]: the main window restarted N times through
// its Restart action, each time until the batch is shown; RSS and virtual size after
// the first, the tenth and the last restart.
// soak pan SECONDS OSM_FILE [--terrain TIF] [--speed M] [--max-grid-cells N]: the
// camera panned round the extract at M metres a second, so that cells are built and
// evicted all along; RSS every 10 s and the cells built and evicted.
int runSoakBench(const std::vector<std::string>& args)
{
    const BenchArgs parsed(args);
    const std::string mode = parsed.positional(0, "restart or pan");
    const std::string osmPath = parsed.positional(2, "OSM_FILE");
    const std::string terrainPath = parsed.text("terrain", "");
    std::string json;
    if (mode == "restart")
    {
        const int restarts = BenchArgs::toInteger(parsed.positional(1, "N"), "N");
        if (restarts < 1)
            throw std::invalid_argument("N must be at least 1");
        requireDisplay();
        checkTerrain(terrainPath);
        json = soakRestart(restarts, osmPath, terrainPath);
    }
    else if (mode == "pan")
    {
        const double seconds = BenchArgs::toNumber(parsed.positional(1, "SECONDS"), "SECONDS");
        const double speed = parsed.number("speed", defaultSpeed);
        if (!(seconds > 0.0) || !(speed > 0.0))
            throw std::invalid_argument("SECONDS and --speed must be above 0");
        appSettings().maxGridCells = parsed.integer("max-grid-cells", defaultPanCache);
        requireDisplay();
        checkTerrain(terrainPath);
        json = soakPan(seconds, speed, osmPath, terrainPath);
    }
    else
    {
        throw std::invalid_argument("expected restart or pan, not \"" + mode + "\"");
    }
    std::cout << json << std::endl;
    return 0;
}
