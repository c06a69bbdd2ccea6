#include "generation/CellRings.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace
{
const int maxRings = 6;

// Summed wide: a camera cell clamped to the int range has neighbours beyond it,
// which are left out.
void addCell(std::vector<std::pair<int, int>>& cells, int column, int row, int dc, int dr)
{
    const long long c = static_cast<long long>(column) + dc;
    const long long r = static_cast<long long>(row) + dr;
    if (c >= INT_MIN && c <= INT_MAX && r >= INT_MIN && r <= INT_MAX)
        cells.emplace_back(static_cast<int>(c), static_cast<int>(r));
}

void addRing1(std::vector<std::pair<int, int>>& cells, int column, int row)
{
    for (int dc = -1; dc <= 1; ++dc)
        for (int dr = 1; dr >= -1; --dr)
            if (dc != 0 || dr != 0)
                addCell(cells, column, row, dc, dr);
}

void addOuterRing(std::vector<std::pair<int, int>>& cells, int column, int row, int k)
{
    for (int dc = k; dc >= -k; --dc)
        addCell(cells, column, row, dc, k);
    for (int dr = k - 1; dr >= -(k - 1); --dr)
    {
        addCell(cells, column, row, k, dr);
        addCell(cells, column, row, -k, dr);
    }
    for (int dc = k; dc >= -k; --dc)
        addCell(cells, column, row, dc, -k);
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

int cellAlong(double coordinate, double origin, double size)
{
    const double position = std::floor((coordinate - origin) / size);
    // Also takes a coordinate that is not a number.
    if (!(position > INT_MIN))
        return INT_MIN;
    if (position >= INT_MAX)
        return INT_MAX;
    // Strictly inside the int range, so one step either way still fits.
    const int cell = static_cast<int>(position);
    // Next to an edge the division and the store's edge formula can round apart.
    const double low = cell * size + origin;
    if (coordinate < low)
        return cell - 1;
    if (coordinate >= low + size)
        return cell + 1;
    return cell;
}
