#include "bench/BenchArgs.h"
#include "bench/BenchCommands.h"
#include "bench/BenchDisplay.h"

#include "app/SceneContext.h"
#include "generation/MyEarthManipulator.h"
#include "globe/Viewpoint.h"
#include "gui/QtViewer.h"

#include <QApplication>
#include <osg/DisplaySettings>
#include <osg/GL>
#include <osg/Image>
#include <osgDB/DatabasePager>
#include <osgDB/WriteFile>
#include <osgUtil/SceneView>
#include <osgUtil/Statistics>
#include <osgViewer/Renderer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <stdexcept>

namespace
{
using Clock = std::chrono::steady_clock;

// The main window's viewer widget asks for this many samples per pixel.
constexpr int mainWindowSamples = 4;
constexpr int defaultFrames = 300;
// Loading the batch may take this long before the bench gives up.
constexpr double loadTimeoutSeconds = 900.0;
// Frames the terrain pager must stay idle, and frames drawn before timing starts.
constexpr unsigned idleFrames = 5;
constexpr unsigned warmUpFrames = 10;

// The viewer of the main window; the bench runs the frames itself instead of its
// timer, so that every frame is timed and none runs in between.
class BenchViewer : public Tarn::GUI::QtViewer
{
public:
    void updateGL() override {}
};

// Waits after every swap until the frame's drawing is done, so that a frame's time
// includes the rasterising (llvmpipe works on threads of its own).
class FinishingSwap : public osg::GraphicsContext::SwapCallback
{
public:
    void swapBuffersImplementation(osg::GraphicsContext* context) override
    {
        context->swapBuffersImplementation();
        glFinish();
    }
};

// Reads the frame's picture back before it is swapped, when one is wanted.
class PictureCapture : public osg::Camera::DrawCallback
{
public:
    void operator()(osg::RenderInfo& renderInfo) const override
    {
        if (!picture.valid())
            return;
        const osg::Viewport* viewport = renderInfo.getCurrentCamera()->getViewport();
        picture->readPixels(int(viewport->x()), int(viewport->y()), int(viewport->width()), int(viewport->height()),
                            GL_RGB, GL_UNSIGNED_BYTE);
    }

    mutable osg::ref_ptr<osg::Image> picture;
};

struct BenchOptions
{
    std::string osmPath;
    std::string terrainPath;
    int frames = defaultFrames;
    int width = 1280;
    int height = 720;
    bool city = true;
    std::string screenshot;
    // A viewpoint of the user's instead of the home view, when --lon is given.
    bool viewpoint = false;
    double lon = 0.0, lat = 0.0, range = 1500.0, heading = 10.261, pitch = -21.6;
    // The sun's local solar hour; below 0, the scene's own start hour.
    double hour = -1.0;
};

BenchOptions readOptions(const std::vector<std::string>& args)
{
    const BenchArgs parsed(args, {"no-city"});
    BenchOptions options;
    options.osmPath = parsed.positional(0, "OSM_FILE");
    options.terrainPath = parsed.text("terrain", "");
    options.frames = parsed.integer("frames", defaultFrames);
    if (options.frames <= 0)
        throw std::invalid_argument("--frames must be at least 1");
    parsed.size("size", options.width, options.height);
    options.city = !parsed.has("no-city");
    options.screenshot = parsed.text("screenshot", "");
    options.viewpoint = parsed.has("lon");
    if (options.viewpoint != parsed.has("lat"))
        throw std::invalid_argument("--lon and --lat go together");
    options.lon = parsed.number("lon", 0.0);
    options.lat = parsed.number("lat", 0.0);
    options.range = parsed.number("range", options.range);
    options.heading = parsed.number("heading", options.heading);
    options.pitch = parsed.number("pitch", options.pitch);
    options.hour = parsed.number("hour", options.hour);
    if (parsed.has("hour") && !(options.hour >= 0.0 && options.hour <= 24.0))
        throw std::invalid_argument("--hour must lie from 0 to 24");
    return options;
}

// Runs one frame and lets Qt deliver what it has (expose, resize); returns the
// frame's milliseconds, Qt's work not included.
double runFrame(osgViewer::Viewer& viewer)
{
    const auto start = Clock::now();
    viewer.frame();
    const double milliseconds = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    QCoreApplication::processEvents();
    return milliseconds;
}

osg::Group* cityTransform(const SceneContext& scene)
{
    return scene.sceneGraph->getChild(0)->asGroup();
}

struct LoadTimes
{
    double buildSeconds = 0.0;
    double firstNodeSeconds = -1.0;
    double attachSeconds = 0.0;
    // The longest frame until the batch was attached: how much a burst stalls.
    double longestFrameMs = 0.0;
};

// The camera flies to the viewpoint at once; a pan of nothing reports its cell, whose
// batch then comes behind the centre's.
void applyView(SceneContext& scene, const BenchOptions& options)
{
    if (options.hour >= 0.0)
        scene.setLocalHour(options.hour);
    if (!options.viewpoint)
        return;
    scene.manipulator->setViewpoint(
        globe::Viewpoint(options.lon, options.lat, 0.0, options.heading, options.pitch, options.range), 0.0);
    scene.manipulator->pan(0.0, 0.0);
}

// Frames until the batch is attached and the terrain pager has gone idle. Times
// count from the start of the scene's assembly, as a user counts from "Start".
LoadTimes loadScene(SceneContext& scene, osgViewer::Viewer& viewer, const BenchOptions& options)
{
    LoadTimes times;
    const auto start = Clock::now();
    try
    {
        scene.buildScene();
    }
    catch (const std::exception& error)
    {
        // The XML parser's messages do not say which file they are about.
        const std::string message = error.what();
        if (message.find(scene.osmPath) == std::string::npos)
            throw std::runtime_error(scene.osmPath + ": " + message);
        throw;
    }
    times.buildSeconds = secondsSince(start);
    applyView(scene, options);
    unsigned idle = 0;
    bool attached = false;
    while (!attached || idle < idleFrames)
    {
        if (secondsSince(start) > loadTimeoutSeconds)
            throw std::runtime_error("the batch around the centre was not attached within " +
                                     std::to_string(int(loadTimeoutSeconds)) + " s");
        const double frameMs = runFrame(viewer);
        if (!attached)
            times.longestFrameMs = std::max(times.longestFrameMs, frameMs);
        if (times.firstNodeSeconds < 0.0 && cityTransform(scene)->getNumChildren() > 0)
            times.firstNodeSeconds = secondsSince(start);
        if (!attached && scene.batchShown())
        {
            attached = true;
            times.attachSeconds = secondsSince(start);
        }
        const osgDB::DatabasePager* pager = viewer.getDatabasePager();
        idle = pager && pager->getRequestsInProgress() ? 0 : idle + 1;
    }
    return times;
}

osgUtil::Statistics lastFrameStatistics(osgViewer::Viewer& viewer)
{
    osgUtil::Statistics statistics;
    auto* renderer = dynamic_cast<osgViewer::Renderer*>(viewer.getCamera()->getRenderer());
    if (renderer && renderer->getSceneView(0) && renderer->getSceneView(0)->getRenderStage())
        renderer->getSceneView(0)->getRenderStage()->getStats(statistics);
    return statistics;
}

std::string measureFrames(const BenchOptions& options)
{
    static int argc = 1;
    static char name[] = "orvalis-bench";
    static char* argv[] = {name, nullptr};
    QApplication application(argc, argv);
    addShaderPathBesideProgram();

    osg::DisplaySettings::instance()->setNumMultiSamples(mainWindowSamples);
    osg::ref_ptr<BenchViewer> viewer = new BenchViewer;
    viewer->resize(options.width, options.height);
    viewer->show();
    waitForExpose(*viewer);
    if (viewer->width() != options.width || viewer->height() != options.height)
        throw std::runtime_error("the screen has no room for a " + std::to_string(options.width) + "x" +
                                 std::to_string(options.height) + " window");
    viewer->getCamera()->getGraphicsContext()->setSwapCallback(new FinishingSwap);
    osg::ref_ptr<PictureCapture> capture = new PictureCapture;
    viewer->getCamera()->setFinalDrawCallback(capture.get());

    SceneContext scene;
    scene.setOsmPath(options.osmPath);
    scene.setTerrainPath(options.terrainPath);
    scene.setViewer(viewer.get());
    const LoadTimes times = loadScene(scene, *viewer, options);

    // The baseline: the same scene and view with the city neither culled nor drawn.
    if (!options.city)
        scene.sceneGraph->setNodeMask(0);
    for (unsigned i = 0; i < warmUpFrames; ++i)
        runFrame(*viewer);

    std::vector<double> frameMs;
    const auto timedStart = Clock::now();
    for (int i = 0; i < options.frames; ++i)
        frameMs.push_back(runFrame(*viewer));
    const double timedSeconds = secondsSince(timedStart);
    const osgUtil::Statistics statistics = lastFrameStatistics(*viewer);

    if (!options.screenshot.empty())
    {
        capture->picture = new osg::Image;
        runFrame(*viewer);
        if (!osgDB::writeImageFile(*capture->picture, options.screenshot))
            throw std::runtime_error(options.screenshot + ": the picture cannot be written");
        capture->picture = nullptr;
    }
    scene.releaseScene();
    scene.setViewer(nullptr);

    std::ostringstream json;
    json << "{\"frames\": " << options.frames << ", \"fps\": " << options.frames / timedSeconds
         << ", \"frame_ms_median\": " << quantile(frameMs, 0.5) << ", \"frame_ms_p95\": " << quantile(frameMs, 0.95)
         << ", \"attach_seconds\": " << times.attachSeconds << ", \"first_node_seconds\": " << times.firstNodeSeconds
         << ", \"load_frame_ms_max\": " << times.longestFrameMs
         << ", \"build_seconds\": " << times.buildSeconds << ", \"city\": " << (options.city ? "true" : "false")
         << ", \"width\": " << options.width << ", \"height\": " << options.height
         << ", \"drawables\": " << statistics.numDrawables << ", \"vertices\": " << statistics._vertexCount << "}";
    return json.str();
}
} // namespace

// frames OSM_FILE [--terrain TIF] [--frames N] [--size WxH] [--no-city] [--screenshot PNG]
// [--lon X --lat Y --range M --heading D --pitch D] [--hour H]: the scene as the main
// window assembles it, timed frame by frame once the batch around the centre (and
// around the viewpoint) is attached.
int runFramesBench(const std::vector<std::string>& args)
{
    const BenchOptions options = readOptions(args);
    requireDisplay();
    checkTerrain(options.terrainPath);
    const std::string json = measureFrames(options);
    std::cout << json << std::endl;
    return 0;
}
