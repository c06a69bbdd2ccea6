#pragma once

#include <functional>
#include <vector>

namespace globe
{
// Lowest and highest value of a raster over blocks of cells, at block sizes
// doubling from level to level, so that the range of any cell window is found
// by looking at a few hundred cells or blocks. Keeps a reference to the cells.
class HeightRangePyramid
{
public:
    HeightRangePyramid(const std::vector<float>& cells, int width, int height,
                       const std::function<bool(float)>& isValid);

    // Range over the cells x0..x1, y0..y1 (inclusive, inside the raster); large
    // windows are widened to whole blocks. hasNoData tells whether some of those cells hold no value; when
    // none does, min > max.
    void range(int x0, int y0, int x1, int y1, double& min, double& max, bool& hasNoData) const;

private:
    struct Level
    {
        int blockSize;
        int columns;
        int rows;
        std::vector<float> min;
        std::vector<float> max;
        std::vector<char> noData;
    };

    static Level coarser(const Level& finer);
    void cellRange(int x0, int y0, int x1, int y1, double& min, double& max, bool& hasNoData) const;

    const std::vector<float>& _cells;
    int _width;
    std::function<bool(float)> _isValid;
    std::vector<Level> _levels;
};
} // namespace globe
