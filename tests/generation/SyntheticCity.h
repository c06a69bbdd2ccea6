#pragma once

#include "geometry/GeometryGenerator.h"
#include "globe/MapNode.h"
#include "osm/OsmParser.h"

#include <osg/ref_ptr>

#include <memory>
#include <string>
#include <utility>

// A small extract on the block terrain, loaded and ready for generation: a building
// and a residential street in each of blocks x blocks terrain blocks, one water way,
// and optionally a crowd of small buildings in the cell of block (1, 1). The
// generator's cache keeps maxGridCells cells (a negative value never evicts).
class SyntheticCity
{
public:
    SyntheticCity(const std::string& fileName, int blocks, int crowdSize = 0, int maxGridCells = -1);
    ~SyntheticCity();

    // The grid cell holding (lon, lat), as the store counts cells.
    std::pair<int, int> cellOf(double lon, double lat) const;
    // The cell of the crowd (and of block (1, 1)).
    std::pair<int, int> crowdedCell() const;

    osg::ref_ptr<globe::MapNode> mapNode;
    std::unique_ptr<OsmParser> store;
    std::unique_ptr<GeometryGenerator> generator;
    int columnCount = 0;
    int rowCount = 0;
};
