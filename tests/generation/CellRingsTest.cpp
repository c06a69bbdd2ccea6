#include "generation/CellRings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <set>

namespace
{
using Cells = std::vector<std::pair<int, int>>;

TEST(CellRings, OrderAroundACentre)
{
    const Cells cells = cellRings(10, 20, 5);
    const Cells first12 = {{10, 20}, {9, 21}, {9, 20}, {9, 19}, {10, 21}, {10, 19},
                           {11, 21}, {11, 20}, {11, 19}, {12, 22}, {11, 22}, {10, 22}};
    ASSERT_GE(cells.size(), first12.size());
    EXPECT_EQ(Cells(cells.begin(), cells.begin() + 12), first12);

    // Ring 2: north row east to west, east/west pairs north to south, south row east to west.
    const Cells ring2 = {{2, 2},  {1, 2},  {0, 2},   {-1, 2},  {-2, 2},  {2, 1},  {-2, 1},  {2, 0},
                         {-2, 0}, {2, -1}, {-2, -1}, {2, -2},  {1, -2},  {0, -2}, {-1, -2}, {-2, -2}};
    const Cells around0 = cellRings(0, 0, 3);
    EXPECT_EQ(Cells(around0.begin() + 9, around0.end()), ring2);

    // Each ring complete and in increasing distance, every cell once.
    std::set<std::pair<int, int>> distinct(cells.begin(), cells.end());
    EXPECT_EQ(distinct.size(), cells.size());
    int lastRing = 0;
    for (const auto& cell : cells)
    {
        const int ring = std::max(std::abs(cell.first - 10), std::abs(cell.second - 20));
        EXPECT_GE(ring, lastRing);
        lastRing = ring;
    }
    EXPECT_EQ(lastRing, 4);
}

TEST(CellRings, RangeDecidesTheNumberOfRingsUpToSix)
{
    EXPECT_TRUE(cellRings(3, 3, 0).empty());
    EXPECT_TRUE(cellRings(3, 3, -4).empty());
    EXPECT_EQ(cellRings(3, 3, 1), (Cells{{3, 3}}));
    EXPECT_EQ(cellRings(3, 3, 2).size(), 9u);
    EXPECT_EQ(cellRings(3, 3, 5).size(), 81u);
    EXPECT_EQ(cellRings(3, 3, 6).size(), 121u);
    EXPECT_EQ(cellRings(3, 3, 7), cellRings(3, 3, 6));
    EXPECT_EQ(cellRings(3, 3, 1000).size(), 121u);
    // Cells outside the grid are ordinary cells.
    EXPECT_EQ(cellRings(0, 0, 2)[1], std::make_pair(-1, 1));
}

// A camera cell clamped to a corner of the int range: the cells beyond it do not exist.
TEST(CellRings, AtACornerOfTheIntRangeOnlyCellsThatExistInRingOrder)
{
    Cells expected;
    for (const auto& offset : cellRings(0, 0, 6))
        if (offset.first <= 0 && offset.second >= 0)
            expected.emplace_back(INT_MAX + offset.first, INT_MIN + offset.second);
    EXPECT_EQ(expected.size(), 36u);
    EXPECT_EQ(cellRings(INT_MAX, INT_MIN, 6), expected);
}

// The store files a point under the cell whose edges, cell * size + origin, hold it.
TEST(CellRings, CellAlongAnAxisIsTheStoresCellClampedToInt)
{
    const double origin = 13.0, size = 0.02;
    for (int cell = -3; cell <= 12; ++cell)
    {
        SCOPED_TRACE(cell);
        const double westEdge = cell * size + origin;
        EXPECT_EQ(cellAlong(westEdge, origin, size), cell);
        EXPECT_EQ(cellAlong(westEdge + 0.5 * size, origin, size), cell);
    }
    EXPECT_EQ(cellAlong(1e300, origin, size), INT_MAX);
    EXPECT_EQ(cellAlong(-1e300, origin, size), INT_MIN);
    EXPECT_EQ(cellAlong(INT_MAX - 0.5, 0.0, 1.0), INT_MAX - 1);
    EXPECT_EQ(cellAlong(INT_MIN - 0.5, 0.0, 1.0), INT_MIN);
}
} // namespace
