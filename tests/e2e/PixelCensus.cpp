#include "PixelCensus.h"

#include <algorithm>
#include <cstdlib>

namespace
{
const float modelBuilding[3] = {0.9f, 0.4f, 0.4f};
const float terrainGreen[3] = {0.4f, 0.7f, 0.4f};
const int censusTolerance = 6;

bool isStreet(QRgb pixel)
{
    const int r = qRed(pixel), g = qGreen(pixel), b = qBlue(pixel);
    return std::min({r, g, b}) >= 110 && std::max({r, g, b}) - std::min({r, g, b}) <= 8;
}

bool isWater(QRgb pixel)
{
    return qBlue(pixel) >= qRed(pixel) + 60 && qBlue(pixel) >= qGreen(pixel) + 60;
}
} // namespace

bool PixelCensus::isLit(QRgb pixel, const float colour[3], int tolerance, float* factor)
{
    const int channels[3] = {qRed(pixel), qGreen(pixel), qBlue(pixel)};
    const int brightest = static_cast<int>(std::max_element(colour, colour + 3) - colour);
    const float k = channels[brightest] / (255.0f * colour[brightest]);
    if (k < 0.5f - tolerance / 255.0f || k > 1.0f + tolerance / 255.0f)
        return false;
    for (int c = 0; c < 3; ++c)
        if (std::abs(channels[c] - 255.0f * k * colour[c]) > tolerance)
            return false;
    if (factor)
        *factor = k;
    return true;
}

PixelCensus PixelCensus::of(const QImage& picture)
{
    PixelCensus census;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
        {
            const QRgb pixel = picture.pixel(x, y);
            if (isLit(pixel, modelBuilding, censusTolerance))
                ++census.modelBuildings;
            else if (isLit(pixel, terrainGreen, censusTolerance))
                ++census.terrain;
            else if (isStreet(pixel))
                ++census.streets;
            else if (isWater(pixel))
                ++census.water;
        }
    return census;
}
