#include "app/SceneContext.h"

#include "app/AppSettings.h"
#include "app/MyKeyboardEventHandler.h"
#include "app/SceneOrigin.h"
#include "generation/DataThread.h"
#include "generation/NodeHandover.h"
#include "generation/MyEarthManipulator.h"
#include "generation/UpdateCallback.h"
#include "geometry/GeometryGenerator.h"
#include "globe/DateTime.h"
#include "globe/ElevationLayer.h"
#include "globe/GDALOptions.h"
#include "globe/Map.h"
#include "globe/MapNode.h"
#include "globe/MapNodeHelper.h"
#include "globe/MapNodeOptions.h"
#include "globe/ModelLayer.h"
#include "globe/SkyNode.h"
#include "globe/SpatialReference.h"
#include "globe/TerrainOptions.h"
#include "globe/Viewpoint.h"
#include "gui/QtViewer.h"
#include "osm/OsmParser.h"

#include <osg/MatrixTransform>
#include <osgUtil/IncrementalCompileOperation>

#include <iostream>
#include <stdexcept>
#include <utility>

namespace {

// A path shorter than this names no file: the default extract, or no terrain.
constexpr std::size_t minimumPathLength = 4;
constexpr double startHour = 9.0;
// GL objects are compiled for at least this long a frame, at most this many
// (a cell's buildings and streets are about four drawables).
constexpr double compileSecondsPerFrame = 0.004;
constexpr unsigned compileObjectsPerFrame = 400;

} // namespace

globe::TerrainOptions SceneContext::terrainOptions()
{
    globe::TerrainOptions options;
    options.driver = "mp";
    options.skirtRatio = 0.05f;
    options.quickReleaseGLObjects = true;
    options.color = osg::Vec4f(0.4f, 0.7f, 0.4f, 1.0f);
    options.minExpiryTime = 0.5f;
    options.minSkirtHeight = 20.0f;
    options.tileSize = 16;
    options.firstLOD = 4;
    options.enableLighting = true;
    options.enableBlending = false;
    return options;
}

// Defined here, where the scene's types are complete, for their reference pointers.
SceneContext::SceneContext() = default;
SceneContext::~SceneContext()
{
    releaseScene();
}

void SceneContext::setTerrainPath(std::string path)
{
    terrainPath = path;
    appSettings().terrainPath = std::move(path);
}

void SceneContext::setOsmPath(std::string path)
{
    osmPath = path;
    appSettings().osmPath = std::move(path);
}

void SceneContext::setViewer(osg::ref_ptr<Tarn::GUI::QtViewer> newViewer)
{
    viewer = newViewer;
}

void SceneContext::buildScene(const std::function<void(double)>& loading)
{
    globe::GDALOptions terrainSource;
    const bool useTerrain = terrainPath.size() >= minimumPathLength;
    if (useTerrain) {
        terrainSource.url = terrainPath;
        terrainSource.driver = "gdal";
    }

    std::cout << " start parser " << std::endl;
    int columnCount = 0;
    int rowCount = 0;
    parser.reset(new OsmParser(osmPath.size() >= minimumPathLength ? osmPath : "potsdam.osm", columnCount, rowCount,
                               appSettings().gridSize.load(), loading));
    std::cout << columnCount << "  " << rowCount << std::endl;
    std::cout << " end parser " << std::endl;

    std::cout << "min lon: " << parser->minLon << std::endl;
    std::cout << "max lon: " << parser->maxLon << std::endl;
    std::cout << "min lat " << parser->minLat << std::endl;
    std::cout << "max lat: " << parser->maxLat << std::endl;

    const double centreLon = (parser->maxLon - parser->minLon) * 0.5 + parser->minLon;
    const double centreLat = (parser->maxLat - parser->minLat) * 0.5 + parser->minLat;
    map = new globe::Map(globe::MapOptions());
    if (useTerrain) {
        elevationLayer = new globe::ElevationLayer("SRTM", terrainSource);
        // Without its heights the city would stand on the bare ellipsoid, with no word why.
        if (!elevationLayer->isOpen())
            throw std::runtime_error(elevationLayer->getStatus());
        map->addElevationLayer(elevationLayer.get());
        mapNode = new globe::MapNode(map.get(), globe::MapNodeOptions(terrainOptions()));
    } else {
        mapNode = new globe::MapNode(map.get());
    }

    const globe::SpatialReference* srs = globe::SpatialReference::get("wgs84", "");
    // Rounded to float like every stored coordinate, so the origin sits on the same grid.
    srs->createLocalToWorld(osg::Vec3d(static_cast<float>(centreLon), static_cast<float>(centreLat), 0.0),
                            sceneOrigin);

    handover = new NodeHandover;
    generator.reset(new GeometryGenerator(mapNode, parser.get(), sceneOrigin, appSettings().maxGridCells.load()));
    dataThread.reset(new DataThread(generator.get(), handover, appSettings().cellRange.load()));

    manipulator = new MyEarthManipulator(dataThread.get(), columnCount, rowCount, parser->minLon, parser->maxLon,
                                         parser->minLat, parser->maxLat);
    osg::ref_ptr<globe::EarthManipulator::Settings> settings = manipulator->getSettings();
    settings->setMinMaxDistance(100.0, 2500.0);
    manipulator->applySettings(settings.get());
    manipulator->setHomeViewpoint(globe::Viewpoint(centreLon, centreLat, 0.0, 10.261, -21.6, 1500.0), 0.0);
    viewer->setCameraManipulator(manipulator.get());

    // New nodes' GL objects are compiled a few milliseconds a frame before they are
    // attached, so that a burst of finished cells does not stall one frame.
    osg::ref_ptr<osgUtil::IncrementalCompileOperation> compile = new osgUtil::IncrementalCompileOperation;
    compile->setMinimumTimeAvailableForGLCompileAndDeletePerFrame(compileSecondsPerFrame);
    compile->setMaximumNumOfObjectsToCompilePerFrame(compileObjectsPerFrame);
    viewer->setIncrementalCompileOperation(compile.get());
    updateCallback = new UpdateCallback(handover);
    updateCallback->setIncrementalCompile(compile.get());

    sceneGraph = new osg::Group;
    sceneGraph->setName("SceneGraph");
    // Drawn before the terrain, the city hides the ground behind it from the
    // depth test, so the renderer shades none of it.
    sceneGraph->getOrCreateStateSet()->setRenderBinDetails(-1, "RenderBin");
    osg::ref_ptr<osg::MatrixTransform> transform = new osg::MatrixTransform(sceneOrigin);
    sceneGraph->addChild(transform.get());
    transform->setDataVariance(osg::Object::DYNAMIC);
    transform->setUpdateCallback(updateCallback.get());

    modelLayer = new globe::ModelLayer("osm", sceneGraph.get());
    map->addModelLayer(modelLayer);

    globe::MapNodeHelper::configureView(viewer.get());
    viewer->setKeyEventSetsDone(0);

    osg::ref_ptr<globe::SkyNode> sky = globe::SkyNode::create(mapNode.get());
    sky->setSunVisible(true);
    sky->attach(viewer.get(), 0);
    // The map node already draws "SceneGraph" as the node of the model layer "osm";
    // a second path from the sky would draw it twice and run its update twice a frame.
    sky->addChild(mapNode.get());
    viewer->setSceneData(sky.get());

    keyboardHandler = new MyKeyboardEventHandler;
    keyboardHandler->sky = sky.get();
    keyboardHandler->clock = LocalSolarClock(centreLon);
    keyboardHandler->setHour(startHour);
    viewer->addEventHandler(keyboardHandler.get());

    viewer->getCamera()->setNearFarRatio(0.0001);
    viewer->getCamera()->applyMaskAction(osg::CullSettings::NEAR_FAR_RATIO);

    // Frames are drawn while nodes wait to be attached, compiled or detached.
    viewer->setPendingWork([pending = handover, attacher = updateCallback] {
        return pending->hasChanges() || attacher->compilingCount() > 0;
    });

    dataThread->startThread();
    dataThread->setCameraCell(columnCount / 2, rowCount / 2);
}

bool SceneContext::batchShown() const
{
    if (!dataThread)
        return false;
    const DataThread::Progress progress = dataThread->progress();
    return progress.generated == progress.queued && !handover->hasChanges() && updateCallback->compilingCount() == 0;
}

double SceneContext::localHour() const
{
    return keyboardHandler ? keyboardHandler->hour : startHour;
}

void SceneContext::setLocalHour(double hour)
{
    if (!keyboardHandler)
        return;
    keyboardHandler->setHour(hour);
    if (viewer)
        viewer->requestRedraw();
}

LocalSolarClock SceneContext::solarClock() const
{
    return keyboardHandler ? keyboardHandler->clock : LocalSolarClock();
}

void SceneContext::setDate(int year, int month, int day)
{
    if (!keyboardHandler)
        return;
    keyboardHandler->clock = LocalSolarClock(keyboardHandler->clock.longitude(), year, month, day);
    setLocalHour(keyboardHandler->hour);
}

// The viewer outlives the scene (it is replaced only afterwards): it lets go of the
// manipulator, which reports to the data thread, the keys and the pending-work check.
void SceneContext::releaseScene()
{
    if (dataThread) {
        // Its destructor waits for it.
        dataThread->requestStop();
        dataThread.reset();
    }
    if (viewer) {
        viewer->setPendingWork(nullptr);
        if (manipulator && viewer->getCameraManipulator() == manipulator.get())
            viewer->setCameraManipulator(nullptr, false);
        if (keyboardHandler)
            viewer->removeEventHandler(keyboardHandler.get());
    }
    sceneGraph = nullptr;
    elevationLayer = nullptr;
    mapNode = nullptr;
    manipulator = nullptr;
    keyboardHandler = nullptr;
    updateCallback = nullptr;
    handover = nullptr;
    parser.reset();
    generator.reset();
}
