#include "geometry/CellQueries.h"

#include "osm/OsmParser.h"

#include <algorithm>

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

std::vector<TaggedWay> CellQueries::taggedStreetsInCell(int kind, int column, int row)
{
    std::vector<TaggedWay> indexed = store->taggedStreetsInCell(kind, column, row);
    if (!scan)
        return indexed;
    std::vector<TaggedWay> scanned;
    for (WayGeometry& way : store->scanStreetsInCell(kind, column, row))
    {
        const auto same = std::find_if(indexed.begin(), indexed.end(),
                                       [&](const TaggedWay& tagged) { return tagged.way.id == way.id; });
        scanned.push_back({std::move(way), same == indexed.end() ? Tags() : same->tags});
    }
    return scanned;
}

std::vector<WayInfo> CellQueries::firstStreetInfos(int kind, const std::vector<WayGeometry>& ways)
{
    return scan ? store->scanFirstStreetInfos(kind, ways) : store->firstStreetInfos(kind, ways);
}

std::vector<TaggedNode> CellQueries::treesInCell(int column, int row)
{
    return store->treesInCell(column, row);
}

std::vector<TaggedWay> CellQueries::treeRowsInCell(int column, int row)
{
    return store->treeRowsInCell(column, row);
}

std::vector<TaggedWay> CellQueries::areasInCell(int column, int row)
{
    return store->areasInCell(column, row);
}

std::vector<RelationGeometry> CellQueries::relationsInCell(int column, int row)
{
    return store->relationsInCell(column, row);
}
