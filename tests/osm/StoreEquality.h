#pragma once

#include "osm/OsmParser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// A copy of one of the store's arrays (they have an allocator of their own) as a plain one.
template <class Array>
std::vector<typename Array::value_type> plain(const Array& array)
{
    return std::vector<typename Array::value_type>(array.begin(), array.end());
}

// The ids of nodes or geometries as decimal text, in order.
std::vector<std::string> idsOf(const std::vector<OsmNode>& nodes);
std::vector<std::string> idsOf(const std::vector<WayGeometry>& geometries);

// Exact comparisons of store records (ids, every node's id, lat and lon, every
// tag record field), naming the first difference.

::testing::AssertionResult sameNodes(const std::vector<OsmNode>& expected, const std::vector<OsmNode>& actual);
::testing::AssertionResult sameGeometries(const std::vector<WayGeometry>& expected,
                                          const std::vector<WayGeometry>& actual);
::testing::AssertionResult sameInfos(const std::vector<WayInfo>& expected, const std::vector<WayInfo>& actual);

::testing::AssertionResult sameWaterGroups(const std::vector<WaterGroup>& expected,
                                           const std::vector<WaterGroup>& actual);

// What the cell queries of the kept records (tags, relations, trees, names) give in
// and some cells around the grid, as lines of text.
std::string keptText(const OsmParser& store);
::testing::AssertionResult sameLines(const std::string& expected, const std::string& actual);

// Every record, the bounds and the grid counts of two stores.
::testing::AssertionResult sameStores(const OsmParser& expected, const OsmParser& actual);

// Street kinds the cell queries are asked for: the eight codes and some that name none.
const std::vector<int>& queriedKinds();

// Runs the three indexed cell queries and their scan twins for every cell of the
// window and every queried kind; found counts what the scans returned in total.
::testing::AssertionResult indexMatchesScan(OsmParser& store, int firstColumn, int lastColumn, int firstRow,
                                            int lastRow, std::size_t* found = nullptr);
