#include "TestRaster.h"

#include <gdal_priv.h>
#include <ogr_spatialref.h>

#include <stdexcept>

void TestRaster::write(const std::string& path, int width, int height, const std::vector<double>& geoTransform,
                       int epsg, const std::vector<float>& cells, std::optional<double> noData)
{
    GDALAllRegister();
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GTiff");
    GDALDataset* dataset = driver->Create(path.c_str(), width, height, 1, GDT_Float32, nullptr);
    if (!dataset)
        throw std::runtime_error("cannot write " + path);
    std::vector<double> transform = geoTransform;
    dataset->SetGeoTransform(transform.data());
    OGRSpatialReference srs;
    srs.importFromEPSG(epsg);
    dataset->SetSpatialRef(&srs);
    GDALRasterBand* band = dataset->GetRasterBand(1);
    if (noData)
        band->SetNoDataValue(*noData);
    std::vector<float> data = cells;
    if (band->RasterIO(GF_Write, 0, 0, width, height, data.data(), width, height, GDT_Float32, 0, 0, nullptr)
        != CE_None)
        throw std::runtime_error("cannot write the cells of " + path);
    GDALClose(dataset);
}

void TestRaster::writeSparse(const std::string& path, int columns, int rows)
{
    GDALAllRegister();
    const char* options[] = {"TILED=YES", "SPARSE_OK=TRUE", nullptr};
    GDALDataset* dataset = GetGDALDriverManager()->GetDriverByName("GTiff")->Create(
        path.c_str(), columns, rows, 1, GDT_Float32, const_cast<char**>(options));
    if (!dataset)
        throw std::runtime_error("cannot write " + path);
    double transform[6] = {7.0, 1.0 / 3600, 0.0, 44.0, 0.0, -1.0 / 3600};
    dataset->SetGeoTransform(transform);
    GDALClose(dataset);
}

std::string TestRaster::path(const std::string& name)
{
    return std::string(ORVALIS_BINARY_DIR) + "/tests/" + name;
}
