#pragma once

#include <optional>
#include <string>
#include <vector>

// Small GeoTIFFs for exact elevation cases.
class TestRaster
{
public:
    // cells: width * height values, rows from the top (north) down; geoTransform as GDAL
    // has it; epsg: the raster's coordinate reference system.
    static void write(const std::string& path, int width, int height, const std::vector<double>& geoTransform,
                      int epsg, const std::vector<float>& cells, std::optional<double> noData = std::nullopt);

    // A tiled GeoTIFF of 1" cells from 7 E, 44 N that declares its size but stores no
    // cell: it stays small however many cells it claims, and reads as zeros.
    static void writeSparse(const std::string& path, int columns, int rows);

    // A path in the test's working directory.
    static std::string path(const std::string& name);
};
