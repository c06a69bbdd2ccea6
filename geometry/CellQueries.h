#pragma once

#include "osm/RelationGeometry.h"
#include "osm/TaggedNode.h"
#include "osm/TaggedWay.h"
#include "osm/WayGeometry.h"
#include "osm/WayInfo.h"

#include <vector>

class OsmParser;

// The generator's access to the store for one cell. By default the store's cell
// index answers; with scan set, the plain scan of every geometry does (the reference
// the index must equal, for measuring). Measuring code may override the queries.
// Called by the thread that generates.
class CellQueries
{
public:
    explicit CellQueries(OsmParser* store, bool scan = false);
    virtual ~CellQueries();

    // The store scans geometries only: with scan set, each scanned way gets the tags
    // the index holds for the way of the same id.
    virtual std::vector<TaggedWay> taggedBuildingsInCell(int column, int row);
    virtual std::vector<WayInfo> buildingInfosInCell(int column, int row);
    virtual std::vector<TaggedWay> taggedStreetsInCell(int kind, int column, int row);
    virtual std::vector<WayInfo> firstStreetInfos(int kind, const std::vector<WayGeometry>& ways);
    // From the index whether scan is set or not: the store has no scan of them.
    virtual std::vector<TaggedWay> buildingPartsInCell(int column, int row);
    virtual std::vector<RelationGeometry> relationsInCell(int column, int row);
    virtual std::vector<TaggedNode> treesInCell(int column, int row);
    virtual std::vector<TaggedWay> treeRowsInCell(int column, int row);
    virtual std::vector<TaggedWay> areasInCell(int column, int row);

private:
    OsmParser* store;
    bool scan;
};
