#pragma once

#include "geometry/CellEntry.h"
#include "geometry/CellQueries.h"
#include "geometry/LocalFrame.h"
#include "geometry/MappedArea.h"

#include <osg/Geometry>
#include <osg/Matrixd>
#include <osg/Node>
#include <osg/Program>
#include <osg/Uniform>
#include <osg/Vec3f>
#include <osg/ref_ptr>

#include <array>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class Building;
struct BuildingFeature;
class GeosContext;
class OsmParser;
struct NodeBounds;

namespace globe
{
class ElevationQuery;
class MapNode;
} // namespace globe

// Turns the OSM store into scene nodes: the water and the sea of the whole extract
// once, then cell by cell the buildings, the streets of each kind (each way at its
// mapped or its kind's width, ways below ground left out), the trees (mapped ones and
// those of woods) and the land cover, with the shader programs and the shared colour
// uniforms. One thread generates (the data thread);
// setColorScheme belongs to the thread that draws.
class GeometryGenerator
{
public:
    // sceneOrigin: the local-to-world matrix every vertex is localised by. The cache
    // keeps at most maxGridCells cells; a negative value never evicts.
    GeometryGenerator(osg::ref_ptr<globe::MapNode> mapNode, OsmParser* store, const osg::Matrixd& sceneOrigin,
                      int maxGridCells);
    ~GeometryGenerator();

    GeometryGenerator(const GeometryGenerator&) = delete;
    GeometryGenerator& operator=(const GeometryGenerator&) = delete;

    // What generating one cell changed: the nodes built for it, in build order (none
    // when the cell was cached), and the nodes of the cell the cache let go of.
    struct CellNodes
    {
        std::vector<osg::ref_ptr<osg::Node>> built;
        std::vector<osg::ref_ptr<osg::Node>> evicted;
    };
    // Builds the cell's nodes unless it is cached, and evicts the least recently used
    // cell once the cache holds more than its limit.
    CellNodes generateCell(int column, int row);
    // The one WaterArea of the extract with the sea, if the coastlines give one; null
    // for a store without water groups.
    osg::ref_ptr<osg::Node> generateWater();
    // 0 "OSM Color", 1 "GOOGLEMAP Color", 2 "Model Color", 3 "Mapped colours" (the
    // first one: each building as mapped, the schemes' colour where nothing is);
    // other values are ignored.
    void setColorScheme(int scheme);
    // This generator's colour uniforms take the values of other's: the scheme shown
    // there, without a word on standard output. On the thread that sets schemes.
    void takeColorsOf(const GeometryGenerator& other);
    // Geodetic up (geocentric) at the middle of the cell.
    osg::Vec3f cellUpVector(int column, int row) const;

    // Replaces how the store is asked for cells (measuring switches to the plain scan).
    void setCellQueries(std::unique_ptr<CellQueries> cellQueries);

    osg::ref_ptr<globe::MapNode> mapNode;
    OsmParser* store;
    std::unique_ptr<globe::ElevationQuery> elevationQuery;
    LocalFrame frame;
    int maxGridCells;
    std::vector<CellEntry> cellCache;
    osg::ref_ptr<osg::Program> buildingProgram;
    osg::ref_ptr<osg::Program> streetProgram;
    osg::ref_ptr<osg::Program> waterProgram;
    osg::ref_ptr<osg::Program> treeProgram;
    osg::ref_ptr<osg::Program> landCoverProgram;
    osg::ref_ptr<osg::Uniform> upVectorUniform;
    osg::ref_ptr<osg::Uniform> buildingColor, motorwayColor, primaryColor, secondaryColor, residentialColor,
        minorColor, railwayColor, tramColor;
    // 1 when the buildings show their mapped colours, 0 when the scheme's colour.
    osg::ref_ptr<osg::Uniform> mappedColours;

private:
    bool touchCachedCell(int column, int row);
    std::vector<osg::ref_ptr<osg::Node>> evictLeastRecentCell();
    osg::ref_ptr<Building> generateBuildings(int column, int row);
    std::vector<BuildingFeature> multipolygonBuildings(int column, int row);
    std::vector<std::pair<int, int>> cellsAround(int column, int row, const NodeBounds& bounds) const;
    osg::ref_ptr<osg::Node> generateTrees(int column, int row, const std::vector<MappedArea>& areas);
    // The cell's closed-way areas and multipolygons, assembled; those that cannot be are left out.
    std::vector<MappedArea> mappedAreas(int column, int row);
    osg::ref_ptr<osg::Node> generateLandCover(const std::vector<MappedArea>& areas);
    osg::ref_ptr<osg::Geometry> generateSea();
    osg::Uniform* colorUniform(int kind) const;
    std::array<osg::Uniform*, 8> colorMembers() const;

    std::unique_ptr<CellQueries> queries;
    // Used on the generating thread only.
    std::unique_ptr<GeosContext> geos;
};
