#include "generation/CellRings.h"

#include <algorithm>

namespace
{
const int maxRings = 6;

void addRing1(std::vector<std::pair<int, int>>& cells, int column, int row)
{
    for (int dc = -1; dc <= 1; ++dc)
        for (int dr = 1; dr >= -1; --dr)
            if (dc != 0 || dr != 0)
                cells.emplace_back(column + dc, row + dr);
}

void addOuterRing(std::vector<std::pair<int, int>>& cells, int column, int row, int k)
{
    for (int dc = k; dc >= -k; --dc)
        cells.emplace_back(column + dc, row + k);
    for (int dr = k - 1; dr >= -(k - 1); --dr)
    {
        cells.emplace_back(column + k, row + dr);
        cells.emplace_back(column - k, row + dr);
    }
    for (int dc = k; dc >= -k; --dc)
        cells.emplace_back(column + dc, row - k);
}
} // namespace

std::vector<std::pair<int, int>> cellRings(int column, int row, int range)
{
    std::vector<std::pair<int, int>> cells;
    const int rings = std::min(range, maxRings);
    for (int k = 0; k < rings; ++k)
    {
        if (k == 0)
            cells.emplace_back(column, row);
        else if (k == 1)
            addRing1(cells, column, row);
        else
            addOuterRing(cells, column, row, k);
    }
    return cells;
}
