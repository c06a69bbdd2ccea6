#include "geometry/CellQueries.h"

#include "osm/OsmParser.h"

#include <algorithm>

CellQueries::CellQueries(OsmParser* store_, bool scan_) : store(store_), scan(scan_) {}

CellQueries::~CellQueries() = default;

namespace
{
std::vector<TaggedWay> withIndexedTags(std::vector<WayGeometry> scanned, const std::vector<TaggedWay>& indexed)
{
    std::vector<TaggedWay> tagged;
    for (WayGeometry& way : scanned)
    {
        const auto same = std::find_if(indexed.begin(), indexed.end(),
                                       [&](const TaggedWay& candidate) { return candidate.way.id == way.id; });
        tagged.push_back({std::move(way), same == indexed.end() ? Tags() : same->tags});
    }
    return tagged;
}
} // namespace

std::vector<TaggedWay> CellQueries::taggedBuildingsInCell(int column, int row)
{
    std::vector<TaggedWay> indexed = store->taggedBuildingsInCell(column, row);
    return scan ? withIndexedTags(store->scanBuildingsInCell(column, row), indexed) : indexed;
}

std::vector<WayInfo> CellQueries::buildingInfosInCell(int column, int row)
{
    return scan ? store->scanBuildingInfosInCell(column, row) : store->buildingInfosInCell(column, row);
}

std::vector<TaggedWay> CellQueries::taggedStreetsInCell(int kind, int column, int row)
{
    std::vector<TaggedWay> indexed = store->taggedStreetsInCell(kind, column, row);
    return scan ? withIndexedTags(store->scanStreetsInCell(kind, column, row), indexed) : indexed;
}

std::vector<WayInfo> CellQueries::firstStreetInfos(int kind, const std::vector<WayGeometry>& ways)
{
    return scan ? store->scanFirstStreetInfos(kind, ways) : store->firstStreetInfos(kind, ways);
}

std::vector<TaggedWay> CellQueries::buildingPartsInCell(int column, int row)
{
    return store->buildingPartsInCell(column, row);
}

std::vector<RelationGeometry> CellQueries::relationsInCell(int column, int row)
{
    return store->relationsInCell(column, row);
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
