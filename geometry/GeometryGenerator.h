#pragma once

#include "geometry/CellEntry.h"
#include "geometry/CellQueries.h"

#include <OpenThreads/Mutex>
#include <osg/Node>
#include <osg/Program>
#include <osg/Uniform>
#include <osg/Vec3f>
#include <osg/ref_ptr>

#include <array>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class OsmParser;

namespace globe
{
class ElevationQuery;
class MapNode;
} // namespace globe

// Turns the OSM store into scene nodes: the water of the whole extract once, then
// cell by cell the buildings and the streets of each kind, with the shader programs
// and the shared width and colour uniforms. Generation runs on the data thread; the
// two node queues are guarded by the data thread's mutexes passed in.
class GeometryGenerator
{
public:
    GeometryGenerator(osg::ref_ptr<globe::MapNode> mapNode, OsmParser* store);
    ~GeometryGenerator();

    GeometryGenerator(const GeometryGenerator&) = delete;
    GeometryGenerator& operator=(const GeometryGenerator&) = delete;

    // Builds the cell's nodes unless it is cached, queues them in addedNodes, and
    // moves the least recently used cell's nodes to removedNodes once the cache
    // holds more than Max Grid Cells.
    void generateCell(int column, int row, OpenThreads::Mutex* addedMutex, OpenThreads::Mutex* removedMutex);
    // Builds the one WaterArea of the extract and queues it in addedNodes.
    void generateWater(OpenThreads::Mutex* addedMutex);
    // 0 "OSM Color", 1 "GOOGLEMAP Color", 2 "Model Color"; other values are ignored.
    void setColorScheme(int scheme);
    // Geocentric unit normal of the cell's first upward footprint triangle.
    osg::Vec3f cellUpVector(int column, int row);

    // Replaces how the store is asked for cells (measuring switches to the plain scan).
    void setCellQueries(std::unique_ptr<CellQueries> cellQueries);

    osg::ref_ptr<globe::MapNode> mapNode;
    OsmParser* store;
    std::vector<osg::ref_ptr<osg::Node>> addedNodes;
    std::vector<osg::ref_ptr<osg::Node>> removedNodes;
    std::unique_ptr<globe::ElevationQuery> elevationQuery;
    std::vector<CellEntry> cellCache;
    osg::ref_ptr<osg::Program> buildingProgram;
    osg::ref_ptr<osg::Program> streetProgram;
    osg::ref_ptr<osg::Program> waterProgram;
    osg::ref_ptr<osg::Uniform> upVectorUniform;
    osg::ref_ptr<osg::Uniform> motorwayWidth, primaryWidth, secondaryWidth, residentialWidth, minorWidth,
        railwayWidth, tramWidth, streamWidth;
    osg::ref_ptr<osg::Uniform> buildingColor, motorwayColor, primaryColor, secondaryColor, residentialColor,
        minorColor, railwayColor, tramColor;

private:
    bool touchCachedCell(int column, int row);
    void queueNode(osg::Node* node, CellEntry& entry, OpenThreads::Mutex* addedMutex);
    void evictLeastRecentCell(OpenThreads::Mutex* addedMutex, OpenThreads::Mutex* removedMutex);
    osg::Uniform* widthUniform(int kind) const;
    osg::Uniform* colorUniform(int kind) const;
    std::array<osg::Uniform*, 8> colorMembers() const;
    std::vector<WayInfo> bridgeDecidingInfos(int kind, const std::vector<WayGeometry>& ways);

    std::unique_ptr<CellQueries> queries;
    // Per street kind: the first tag record of each way id, read from the store once.
    std::map<int, std::unordered_map<std::string, WayInfo>> firstStreetInfos;
};
