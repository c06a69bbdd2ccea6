#include "globe/HeightRangePyramid.h"

#include <algorithm>
#include <limits>

namespace globe
{
namespace
{
constexpr int finestBlock = 4;
// A window is answered at the finest level where it spans at most this many blocks a side.
constexpr int blocksPerSide = 16;
} // namespace

HeightRangePyramid::HeightRangePyramid(const std::vector<float>& cells, int width, int height,
                                       const std::function<bool(float)>& isValid)
    : _cells(cells), _width(width), _isValid(isValid)
{
    Level level{finestBlock, (width + finestBlock - 1) / finestBlock, (height + finestBlock - 1) / finestBlock, {},
                {}, {}};
    const size_t blocks = static_cast<size_t>(level.columns) * level.rows;
    level.min.assign(blocks, std::numeric_limits<float>::max());
    level.max.assign(blocks, -std::numeric_limits<float>::max());
    level.noData.assign(blocks, 0);
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            const float value = cells[static_cast<size_t>(y) * width + x];
            const size_t block = static_cast<size_t>(y / finestBlock) * level.columns + x / finestBlock;
            if (!isValid(value))
            {
                level.noData[block] = 1;
                continue;
            }
            level.min[block] = std::min(level.min[block], value);
            level.max[block] = std::max(level.max[block], value);
        }
    }
    _levels.push_back(std::move(level));
    while (_levels.back().columns > 1 || _levels.back().rows > 1)
        _levels.push_back(coarser(_levels.back()));
}

HeightRangePyramid::Level HeightRangePyramid::coarser(const Level& finer)
{
    Level level{finer.blockSize * 2, (finer.columns + 1) / 2, (finer.rows + 1) / 2, {}, {}, {}};
    const size_t blocks = static_cast<size_t>(level.columns) * level.rows;
    level.min.assign(blocks, std::numeric_limits<float>::max());
    level.max.assign(blocks, -std::numeric_limits<float>::max());
    level.noData.assign(blocks, 0);
    for (int y = 0; y < finer.rows; ++y)
    {
        for (int x = 0; x < finer.columns; ++x)
        {
            const size_t from = static_cast<size_t>(y) * finer.columns + x;
            const size_t to = static_cast<size_t>(y / 2) * level.columns + x / 2;
            level.min[to] = std::min(level.min[to], finer.min[from]);
            level.max[to] = std::max(level.max[to], finer.max[from]);
            level.noData[to] = level.noData[to] || finer.noData[from];
        }
    }
    return level;
}

void HeightRangePyramid::cellRange(int x0, int y0, int x1, int y1, double& min, double& max,
                                   bool& hasNoData) const
{
    for (int y = y0; y <= y1; ++y)
    {
        for (int x = x0; x <= x1; ++x)
        {
            const float value = _cells[static_cast<size_t>(y) * _width + x];
            if (!_isValid(value))
            {
                hasNoData = true;
                continue;
            }
            min = std::min<double>(min, value);
            max = std::max<double>(max, value);
        }
    }
}

void HeightRangePyramid::range(int x0, int y0, int x1, int y1, double& min, double& max, bool& hasNoData) const
{
    min = std::numeric_limits<double>::max();
    max = -std::numeric_limits<double>::max();
    hasNoData = false;
    if (x1 - x0 < blocksPerSide && y1 - y0 < blocksPerSide)
    {
        cellRange(x0, y0, x1, y1, min, max, hasNoData);
        return;
    }
    const Level* level = &_levels.front();
    for (const Level& candidate : _levels)
    {
        level = &candidate;
        if ((x1 - x0) / candidate.blockSize < blocksPerSide && (y1 - y0) / candidate.blockSize < blocksPerSide)
            break;
    }
    for (int by = y0 / level->blockSize; by <= y1 / level->blockSize; ++by)
    {
        for (int bx = x0 / level->blockSize; bx <= x1 / level->blockSize; ++bx)
        {
            const size_t block = static_cast<size_t>(by) * level->columns + bx;
            hasNoData = hasNoData || level->noData[block];
            min = std::min<double>(min, level->min[block]);
            max = std::max<double>(max, level->max[block]);
        }
    }
}
} // namespace globe
