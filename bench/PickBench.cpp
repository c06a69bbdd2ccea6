#include "bench/BenchArgs.h"
#include "bench/BenchCommands.h"
#include "bench/BenchScene.h"

#include "app/AppSettings.h"
#include "generation/CellRings.h"
#include "geometry/FeaturePick.h"
#include "geometry/GeometryGenerator.h"
#include "globe/MapNode.h"
#include "globe/SpatialReference.h"
#include "osm/OsmParser.h"

#include <osg/MatrixTransform>

#include <iostream>
#include <sstream>
#include <stdexcept>

namespace
{
// The ray comes down from this height to this depth, in metres.
const double rayTop = 10000.0;
const double rayBottom = -1000.0;

const char* kindName(FeatureKind kind)
{
    switch (kind)
    {
    case FeatureKind::Building: return "building";
    case FeatureKind::BuildingPart: return "building_part";
    case FeatureKind::Street: return "street";
    case FeatureKind::Water: return "water";
    case FeatureKind::LandCover: return "land_cover";
    }
    return "";
}

// The water and the batch around the grid's centre, placed as the scene places them.
osg::ref_ptr<osg::Group> generatedScene(GeometryGenerator& generator, const osg::Matrixd& origin, int columns,
                                        int rows, int range)
{
    osg::ref_ptr<osg::MatrixTransform> scene = new osg::MatrixTransform(origin);
    if (osg::ref_ptr<osg::Node> water = generator.generateWater())
        scene->addChild(water.get());
    for (const auto& cell : cellRings(columns / 2, rows / 2, range))
        for (const osg::ref_ptr<osg::Node>& node : generator.generateCell(cell.first, cell.second).built)
            scene->addChild(node.get());
    osg::ref_ptr<osg::Group> root = new osg::Group;
    root->addChild(scene.get());
    return root;
}

std::string pickJson(const std::string& path, const std::string& terrainPath, int range,
                     const std::vector<std::pair<double, double>>& points)
{
    osg::ref_ptr<globe::MapNode> mapNode = mapNodeFor(terrainPath);
    int columns = 0;
    int rows = 0;
    OsmParser store(path, columns, rows, appSettings().gridSize.load());
    const osg::Matrixd origin = centreOrigin(store);
    GeometryGenerator generator(mapNode, &store, origin, -1);
    const osg::ref_ptr<osg::Group> scene = generatedScene(generator, origin, columns, rows, range);

    const globe::SpatialReference* wgs84 = globe::SpatialReference::get("wgs84");
    std::vector<double> seconds;
    std::ostringstream json;
    json.precision(9);
    json << "{\"picks\": [";
    for (std::size_t i = 0; i < points.size(); ++i)
    {
        const auto [lon, lat] = points[i];
        osg::Vec3d top;
        osg::Vec3d bottom;
        wgs84->transformToWorld(osg::Vec3d(lon, lat, rayTop), top);
        wgs84->transformToWorld(osg::Vec3d(lon, lat, rayBottom), bottom);
        const auto start = std::chrono::steady_clock::now();
        const std::optional<FeaturePick> pick = pickFeature(*scene, top, bottom);
        seconds.push_back(secondsSince(start));
        json << (i ? ", " : "") << "{\"lon\": " << lon << ", \"lat\": " << lat << ", \"feature\": ";
        if (pick)
            json << "{\"type\": \"" << osmTypeName(pick->feature.type) << "\", \"id\": " << pick->feature.id
                 << ", \"kind\": \"" << kindName(pick->feature.kind) << "\"}";
        else
            json << "null";
        json << "}";
    }
    json << "], \"pick_ms_median\": " << quantile(seconds, 0.5) * 1000.0
         << ", \"pick_ms_max\": " << quantile(seconds, 1.0) * 1000.0 << "}";
    return json.str();
}
} // namespace

// pick OSM_FILE [--terrain TIF] [--range N] LON LAT [LON LAT ...]: for each point, the
// feature a vertical ray from above meets first in the generated batch.
int runPickBench(const std::vector<std::string>& args)
{
    const BenchArgs parsed(args);
    const std::string path = parsed.positional(0, "OSM_FILE");
    const std::vector<std::string>& values = parsed.positional();
    if (values.size() < 3 || values.size() % 2 == 0)
        throw std::invalid_argument("pick needs OSM_FILE and one or more LON LAT pairs");
    std::vector<std::pair<double, double>> points;
    for (std::size_t i = 1; i + 1 < values.size(); i += 2)
        points.emplace_back(BenchArgs::toNumber(values[i], "LON"), BenchArgs::toNumber(values[i + 1], "LAT"));
    findShadersBesideProgram();
    const std::string json =
        pickJson(path, parsed.text("terrain", ""), parsed.integer("range", appSettings().cellRange), points);
    std::cout << json << std::endl;
    return 0;
}
