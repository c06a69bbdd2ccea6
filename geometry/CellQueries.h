#pragma once

#include "osm/WayGeometry.h"
#include "osm/WayInfo.h"

#include <vector>

class OsmParser;

// The generator's access to the store for one cell. By default the store's cell
// index answers; with scan set, the plain scan of every geometry does (the reference
// the index must equal, for measuring). Measuring code may override the queries.
class CellQueries
{
public:
    explicit CellQueries(OsmParser* store, bool scan = false);
    virtual ~CellQueries();

    virtual std::vector<WayGeometry> buildingsInCell(int column, int row);
    virtual std::vector<WayInfo> buildingInfosInCell(int column, int row);
    virtual std::vector<WayGeometry> streetsInCell(int kind, int column, int row);
    virtual std::vector<WayInfo> firstStreetInfos(int kind, const std::vector<WayGeometry>& ways);

private:
    OsmParser* store;
    bool scan;
};
