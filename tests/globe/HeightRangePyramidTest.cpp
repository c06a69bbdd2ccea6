#include "globe/HeightRangePyramid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

TEST(HeightRangePyramid, RangesEncloseEveryWindowAndAreExactForSmallOnes)
{
    const int width = 203, height = 141;
    std::mt19937 random(11);
    std::uniform_real_distribution<float> value(-50.0f, 2000.0f);
    std::vector<float> cells(width * height);
    for (float& cell : cells)
        cell = value(random);
    // A few holes.
    for (int k : {5, 999, 15000, 28000})
        cells[k] = NAN;
    const globe::HeightRangePyramid pyramid(cells, width, height,
                                           [](float v) { return !std::isnan(v); });

    std::uniform_int_distribution<int> x(0, width - 1), y(0, height - 1);
    for (int i = 0; i < 300; ++i)
    {
        int x0 = x(random), x1 = x(random), y0 = y(random), y1 = y(random);
        if (i % 2)
        {
            // Small windows, as deep tiles ask for.
            x1 = std::min(width - 1, x0 + i % 9);
            y1 = std::min(height - 1, y0 + i % 7);
        }
        if (x0 > x1)
            std::swap(x0, x1);
        if (y0 > y1)
            std::swap(y0, y1);
        double low = 1e9, high = -1e9;
        bool holes = false;
        for (int yy = y0; yy <= y1; ++yy)
            for (int xx = x0; xx <= x1; ++xx)
            {
                const float v = cells[yy * width + xx];
                if (std::isnan(v))
                {
                    holes = true;
                    continue;
                }
                low = std::min<double>(low, v);
                high = std::max<double>(high, v);
            }

        double min = 0.0, max = 0.0;
        bool hasNoData = false;
        pyramid.range(x0, y0, x1, y1, min, max, hasNoData);
        EXPECT_LE(min, low) << i;
        EXPECT_GE(max, high) << i;
        EXPECT_TRUE(hasNoData || !holes) << i;
        if (x1 - x0 < 8 && y1 - y0 < 8)
        {
            EXPECT_EQ(min, low) << i;
            EXPECT_EQ(max, high) << i;
            EXPECT_EQ(hasNoData, holes) << i;
        }
    }
}
