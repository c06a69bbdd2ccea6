#include "bench/BenchArgs.h"
#include "bench/BenchCommands.h"

#include "app/SceneContext.h"

#include "globe/ElevationQuery.h"
#include "globe/MapNode.h"
#include "globe/SpatialReference.h"
#include "globe/TerrainEngine.h"
#include "globe/TerrainSnapshot.h"

#include <osgDB/WriteFile>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <stdexcept>

namespace
{
constexpr unsigned maxLoadFrames = 2000;
constexpr unsigned timedFrames = 60;
} // namespace

// terrain [TERRAIN_FILE] --screenshot PNG [--lon X --lat Y --range M --heading D --pitch D
// --size WxH]: the globe alone, rendered off screen once its tiles are loaded.
int runTerrainBench(const std::vector<std::string>& args)
{
    const BenchArgs parsed(args);
    if (!parsed.has("screenshot"))
        throw std::invalid_argument("--screenshot PNG is required");
    const std::string screenshot = parsed.text("screenshot", "");
    int width = 1280, height = 720;
    parsed.size("size", width, height);

    osg::ref_ptr<globe::Map> map = new globe::Map;
    globe::MapNodeOptions mapNodeOptions;
    if (!parsed.positional().empty())
    {
        osg::ref_ptr<globe::ElevationLayer> layer =
            new globe::ElevationLayer("SRTM", globe::GDALOptions{parsed.positional(0, "TERRAIN_FILE"), "gdal"});
        if (!layer->isOpen())
            throw std::runtime_error(layer->getStatus());
        map->addElevationLayer(layer.get());
        mapNodeOptions = globe::MapNodeOptions(SceneContext::terrainOptions());
    }
    const auto buildStart = std::chrono::steady_clock::now();
    osg::ref_ptr<globe::MapNode> mapNode = new globe::MapNode(map.get(), mapNodeOptions);
    const double rootSeconds = secondsSince(buildStart);

    const double lon = parsed.number("lon", 7.42), lat = parsed.number("lat", 43.735);
    double focalHeight = 0.0;
    globe::ElevationQuery(map.get()).getElevation(globe::GeoPoint(globe::SpatialReference::get("wgs84"), lon, lat),
                                                  focalHeight);

    globe::TerrainSnapshot snapshot(mapNode.get(), width, height);
    if (!snapshot.isValid())
        throw std::runtime_error("no OpenGL context (run under xvfb-run)");
    snapshot.lookAt(osg::Vec3d(lon, lat, focalHeight), parsed.number("heading", 10.261),
                    parsed.number("pitch", -21.6), parsed.number("range", 1500.0));

    const auto loadStart = std::chrono::steady_clock::now();
    const unsigned loadFrames = snapshot.renderUntilLoaded(maxLoadFrames);
    const double loadSeconds = secondsSince(loadStart);
    std::vector<double> frameMs;
    for (unsigned i = 0; i < timedFrames; ++i)
        frameMs.push_back(snapshot.renderFrame());
    osg::ref_ptr<osg::Image> picture = snapshot.capture();
    if (!osgDB::writeImageFile(*picture, screenshot))
        throw std::runtime_error(screenshot + ": the picture cannot be written");

    double zNear = 0.0, zFar = 0.0;
    snapshot.lastNearFar(zNear, zFar);
    const auto* engine = dynamic_cast<const globe::TerrainEngine*>(mapNode->getTerrain());
    const globe::TileBuilder* builder = engine->getTileBuilder();
    std::cout << "{\"screenshot\": \"" << screenshot << "\", \"width\": " << width << ", \"height\": " << height
              << ", \"focal_height\": " << focalHeight << ", \"root_seconds\": " << rootSeconds
              << ", \"load_frames\": " << loadFrames << ", \"load_seconds\": " << loadSeconds
              << ", \"tiles\": " << builder->getTilesBuilt()
              << ", \"tile_build_seconds\": " << builder->getBuildSeconds()
              << ", \"tiles_per_second\": " << builder->getTilesBuilt() / builder->getBuildSeconds()
              << ", \"max_level\": " << builder->getMaxLevel() << ", \"drawables\": " << snapshot.drawnDrawables()
              << ", \"vertices\": " << snapshot.drawnVertices() << ", \"near\": " << zNear << ", \"far\": " << zFar
              << ", \"frames\": " << timedFrames
              << ", \"frame_ms_median\": " << quantile(frameMs, 0.5)
              << ", \"frame_ms_p95\": " << quantile(frameMs, 0.95) << "}" << std::endl;
    return 0;
}
