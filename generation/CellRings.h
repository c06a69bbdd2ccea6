#pragma once

#include <utility>
#include <vector>

// The cells around (column, row) in the order they are to be generated: ring 0,
// ring 1 column by column from the west (each column north to south), then each
// outer ring north row, east/west pairs, south row. At most 6 rings (range capped
// at 6); a range of 0 or less gives no cell. Each pair is (column, row). Cells
// beyond what an int holds are left out.
std::vector<std::pair<int, int>> cellRings(int column, int row, int range);

// The cell along one axis of a grid starting at origin whose edges, computed as the
// store computes them (cell * size + origin), hold the coordinate; size must be
// positive. Clamped to what an int holds.
int cellAlong(double coordinate, double origin, double size);
