#include "osm/CellIndex.h"

#include <algorithm>

void CellIndex::sort()
{
    std::sort(entries.begin(), entries.end());
}

std::pair<const CellIndex::Entry*, const CellIndex::Entry*> CellIndex::entriesOf(std::uint64_t cell) const
{
    const auto byCell = [](const Entry& a, const Entry& b) { return a.first < b.first; };
    const auto range = std::equal_range(entries.begin(), entries.end(), Entry(cell, 0), byCell);
    return {entries.data() + (range.first - entries.begin()), entries.data() + (range.second - entries.begin())};
}
