#pragma once

#include "osm/LargePageAllocator.h"

#include <cstdint>
#include <utility>
#include <vector>

// Positions of geometries filed under grid cells. Built once, then only read: one
// sorted array serves every cell, so building it allocates next to nothing.
class CellIndex
{
public:
    using Entry = std::pair<std::uint64_t, int>;

    void reserve(std::size_t count) { entries.reserve(count); }
    void add(std::uint64_t cell, int position) { entries.emplace_back(cell, position); }
    // Once everything is added and before anything is looked up.
    void sort();
    // The entries of the cell, by increasing position.
    std::pair<const Entry*, const Entry*> entriesOf(std::uint64_t cell) const;

private:
    std::vector<Entry, LargePageAllocator<Entry>> entries;
};
