#pragma once

#include <string>

namespace globe
{
// Where an elevation layer finds its raster: any file GDAL can open.
struct GDALOptions
{
    std::string url;
    std::string driver;
};
} // namespace globe
