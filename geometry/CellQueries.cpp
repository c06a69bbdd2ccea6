#include "geometry/CellQueries.h"

#include "osm/OsmParser.h"

CellQueries::CellQueries(OsmParser* store_, bool scan_) : store(store_), scan(scan_) {}

CellQueries::~CellQueries() = default;

std::vector<WayGeometry> CellQueries::buildingsInCell(int column, int row)
{
    return scan ? store->scanBuildingsInCell(column, row) : store->buildingsInCell(column, row);
}

std::vector<WayInfo> CellQueries::buildingInfosInCell(int column, int row)
{
    return scan ? store->scanBuildingInfosInCell(column, row) : store->buildingInfosInCell(column, row);
}

std::vector<WayGeometry> CellQueries::streetsInCell(int kind, int column, int row)
{
    return scan ? store->scanStreetsInCell(kind, column, row) : store->streetsInCell(kind, column, row);
}

std::vector<WayInfo> CellQueries::firstStreetInfos(int kind, const std::vector<WayGeometry>& ways)
{
    return scan ? store->scanFirstStreetInfos(kind, ways) : store->firstStreetInfos(kind, ways);
}
