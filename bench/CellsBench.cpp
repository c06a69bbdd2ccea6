#include "bench/BenchArgs.h"
#include "bench/BenchCommands.h"
#include "bench/BenchScene.h"

#include "app/AppSettings.h"
#include "generation/CellRings.h"
#include "geometry/CellQueries.h"
#include "geometry/GeometryGenerator.h"
#include "geometry/SceneExporter.h"
#include "geometry/Trees.h"
#include "globe/ElevationLayer.h"
#include "globe/Map.h"
#include "globe/MapNode.h"
#include "globe/SpatialReference.h"
#include "osm/OsmParser.h"

#include <osg/Geode>
#include <osg/Geometry>
#include <osgDB/FileUtils>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <memory>
#include <sstream>
#include <stdexcept>

namespace
{
using Clock = std::chrono::steady_clock;

// The generator's store access, timed; indexed or by the plain scan.
class TimedCellQueries : public CellQueries
{
public:
    TimedCellQueries(OsmParser* store, bool scan, double& seconds) : CellQueries(store, scan), seconds(seconds) {}

    std::vector<TaggedWay> taggedBuildingsInCell(int column, int row) override
    {
        return timed([&] { return CellQueries::taggedBuildingsInCell(column, row); });
    }
    std::vector<TaggedWay> buildingPartsInCell(int column, int row) override
    {
        return timed([&] { return CellQueries::buildingPartsInCell(column, row); });
    }
    std::vector<RelationGeometry> relationsInCell(int column, int row) override
    {
        return timed([&] { return CellQueries::relationsInCell(column, row); });
    }
    std::vector<WayInfo> buildingInfosInCell(int column, int row) override
    {
        return timed([&] { return CellQueries::buildingInfosInCell(column, row); });
    }
    std::vector<TaggedWay> taggedStreetsInCell(int kind, int column, int row) override
    {
        return timed([&] { return CellQueries::taggedStreetsInCell(kind, column, row); });
    }
    std::vector<WayInfo> firstStreetInfos(int kind, const std::vector<WayGeometry>& ways) override
    {
        return timed([&] { return CellQueries::firstStreetInfos(kind, ways); });
    }
    std::vector<TaggedNode> treesInCell(int column, int row) override
    {
        return timed([&] { return CellQueries::treesInCell(column, row); });
    }
    std::vector<TaggedWay> treeRowsInCell(int column, int row) override
    {
        return timed([&] { return CellQueries::treeRowsInCell(column, row); });
    }
    std::vector<TaggedWay> areasInCell(int column, int row) override
    {
        return timed([&] { return CellQueries::areasInCell(column, row); });
    }

private:
    template <typename Query>
    auto timed(Query query) -> decltype(query())
    {
        const auto start = Clock::now();
        auto result = query();
        seconds += secondsSince(start);
        return result;
    }

    double& seconds;
};

std::size_t vertexCount(const std::vector<osg::ref_ptr<osg::Node>>& nodes)
{
    std::size_t vertices = 0;
    for (const auto& node : nodes)
    {
        const osg::Geode* geode = node->asGeode();
        for (unsigned i = 0; geode != nullptr && i < geode->getNumDrawables(); ++i)
        {
            const osg::Geometry* geometry = geode->getDrawable(i)->asGeometry();
            if (geometry != nullptr && geometry->getVertexArray() != nullptr)
                vertices += geometry->getVertexArray()->getNumElements();
        }
    }
    return vertices;
}

std::size_t treeCount(const std::vector<osg::ref_ptr<osg::Node>>& nodes)
{
    std::size_t trees = 0;
    for (const auto& node : nodes)
        if (const auto* cellTrees = dynamic_cast<const Trees*>(node.get()))
            trees += cellTrees->treeCount();
    return trees;
}

// The nodes written to exportPath, timed; the figures go on the JSON line.
std::string measureExport(const std::vector<osg::ref_ptr<osg::Node>>& nodes, const osg::Matrixd& origin,
                          const std::string& exportPath)
{
    const auto start = Clock::now();
    SceneExporter exporter(origin);
    for (const auto& node : nodes)
        exporter.add(*node);
    exporter.write(exportPath);
    const double seconds = secondsSince(start);
    std::ostringstream json;
    json.precision(10);
    json << ", \"origin_lon\": " << exporter.origin().x() << ", \"origin_lat\": " << exporter.origin().y()
         << ", \"origin_height\": " << exporter.origin().z() << ", \"triangles\": " << exporter.triangleCount();
    json.precision(6);
    json << ", \"export_seconds\": " << seconds;
    return json.str();
}

// Generates the water and the cells in ring order around the grid's centre, and
// writes them to exportPath unless it is empty; returns the figures. The store is
// gone when this returns, so its farewell line comes first.
std::string measureCells(const std::string& path, const std::string& terrainPath, int range, bool naive,
                         const std::string& exportPath)
{
    osg::ref_ptr<globe::MapNode> mapNode = mapNodeFor(terrainPath);
    int columns = 0;
    int rows = 0;
    OsmParser store(path, columns, rows, appSettings().gridSize.load());
    const osg::Matrixd origin = centreOrigin(store);
    GeometryGenerator generator(mapNode, &store, origin, appSettings().maxGridCells.load());
    double querySeconds = 0.0;
    generator.setCellQueries(std::make_unique<TimedCellQueries>(&store, naive, querySeconds));

    std::vector<osg::ref_ptr<osg::Node>> nodes;
    const auto waterStart = Clock::now();
    if (osg::ref_ptr<osg::Node> water = generator.generateWater())
        nodes.push_back(water);
    const double waterSeconds = secondsSince(waterStart);

    const auto cells = cellRings(columns / 2, rows / 2, range);
    const auto cellsStart = Clock::now();
    for (const auto& cell : cells)
    {
        GeometryGenerator::CellNodes cellNodes = generator.generateCell(cell.first, cell.second);
        nodes.insert(nodes.end(), cellNodes.built.begin(), cellNodes.built.end());
    }
    const double cellsSeconds = secondsSince(cellsStart);

    std::ostringstream json;
    json.precision(6);
    json << "{\"cells\": " << cells.size() << ", \"nodes\": " << nodes.size()
         << ", \"vertices\": " << vertexCount(nodes) << ", \"trees\": " << treeCount(nodes)
         << ", \"water_seconds\": " << waterSeconds
         << ", \"cells_seconds\": " << cellsSeconds << ", \"query_seconds\": " << querySeconds;
    if (!exportPath.empty())
        json << measureExport(nodes, origin, exportPath);
    json << "}";
    return json.str();
}
} // namespace

// cells OSM_FILE [--terrain TIF] [--range N] [--naive] [--export FILE.glb|.obj|.osgb]:
// the water, then the batch of cells around the grid's centre in the data thread's
// ring order, on this thread; with --export, all of it written to the file.
int runCellsBench(const std::vector<std::string>& args)
{
    const BenchArgs parsed(args, {"naive"});
    const std::string path = parsed.positional(0, "OSM_FILE");
    const std::string terrainPath = parsed.text("terrain", "");
    const int range = parsed.integer("range", appSettings().cellRange);
    const std::string exportPath = parsed.text("export", "");
    if (!exportPath.empty() && !SceneExporter::canWrite(exportPath))
        throw std::invalid_argument("--export: " + exportPath + " is not a .glb, .obj or .osgb file");
    findShadersBesideProgram();
    const std::string json = measureCells(path, terrainPath, range, parsed.has("naive"), exportPath);
    std::cout << json << std::endl;
    return 0;
}
