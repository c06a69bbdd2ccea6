#include "TestRaster.h"

#include "globe/ElevationQuery.h"
#include "globe/SpatialReference.h"

#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogr_spatialref.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <random>
#include <stdexcept>
#include <thread>

namespace
{
// A 5 x 4 geographic raster of 0.01 degree cells, its north-west corner at 7 E, 44 N.
constexpr int width = 5;
constexpr int height = 4;
constexpr double west = 7.0;
constexpr double north = 44.0;
constexpr double cell = 0.01;

float cellValue(int column, int row)
{
    return 10.0f * column + 100.0f * row + static_cast<float>((column * row) % 3) * 7.5f;
}

std::vector<float> cells()
{
    std::vector<float> values;
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column)
            values.push_back(cellValue(column, row));
    return values;
}

osg::ref_ptr<globe::ElevationLayer> writeLayer(const std::string& name, const std::vector<float>& values,
                                               std::optional<double> noData = std::nullopt)
{
    const std::string path = TestRaster::path(name);
    TestRaster::write(path, width, height, {west, cell, 0.0, north, 0.0, -cell}, 4326, values, noData);
    osg::ref_ptr<globe::ElevationLayer> layer = new globe::ElevationLayer(name, globe::GDALOptions{path, "gdal"});
    EXPECT_TRUE(layer->isOpen()) << layer->getStatus();
    return layer;
}

double centreLon(int column)
{
    return west + (column + 0.5) * cell;
}

double centreLat(int row)
{
    return north - (row + 0.5) * cell;
}

osg::ref_ptr<globe::Map> mapOf(std::initializer_list<globe::ElevationLayer*> layers)
{
    osg::ref_ptr<globe::Map> map = new globe::Map;
    for (globe::ElevationLayer* layer : layers)
        map->addElevationLayer(layer);
    return map;
}

globe::GeoPoint at(double lon, double lat)
{
    return globe::GeoPoint(globe::SpatialReference::get("wgs84"), lon, lat);
}

// The linear height field both twins of the reprojection test carry.
double twinHeight(double lon, double lat)
{
    return 50.0 + 4000.0 * (lon - 7.4) - 3000.0 * (lat - 43.7);
}

// A UTM 32 N raster whose north-west corner lies at the given longitude/latitude;
// each cell holds height(lon, lat) of its centre.
osg::ref_ptr<globe::ElevationLayer> writeUtmLayer(const std::string& name, double lon, double lat, double metres,
                                                  int columns, int rows,
                                                  const std::function<double(double, double)>& height)
{
    OGRSpatialReference wgs84, utm;
    wgs84.importFromEPSG(4326);
    utm.importFromEPSG(32632);
    wgs84.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    utm.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    std::unique_ptr<OGRCoordinateTransformation> toUtm(OGRCreateCoordinateTransformation(&wgs84, &utm));
    std::unique_ptr<OGRCoordinateTransformation> fromUtm(OGRCreateCoordinateTransformation(&utm, &wgs84));
    double originX = lon, originY = lat;
    EXPECT_TRUE(toUtm->Transform(1, &originX, &originY));
    std::vector<float> values;
    for (int row = 0; row < rows; ++row)
    {
        for (int column = 0; column < columns; ++column)
        {
            double x = originX + (column + 0.5) * metres, y = originY - (row + 0.5) * metres;
            EXPECT_TRUE(fromUtm->Transform(1, &x, &y));
            values.push_back(static_cast<float>(height(x, y)));
        }
    }
    const std::string path = TestRaster::path(name);
    TestRaster::write(path, columns, rows, {originX, metres, 0.0, originY, 0.0, -metres}, 32632, values);
    osg::ref_ptr<globe::ElevationLayer> layer = new globe::ElevationLayer(name, globe::GDALOptions{path, "gdal"});
    EXPECT_TRUE(layer->isOpen()) << layer->getStatus();
    return layer;
}

std::string writeSparseRaster(const std::string& name, int columns, int rows)
{
    const std::string path = TestRaster::path(name);
    TestRaster::writeSparse(path, columns, rows);
    return path;
}
} // namespace

TEST(ElevationLayer, SamplesCellCentresAndInterpolatesBilinearly)
{
    const auto layer = writeLayer("bilinear.tif", cells());
    const auto map = mapOf({layer.get()});
    const globe::ElevationQuery query(map.get());

    for (int row = 0; row < height; ++row)
    {
        for (int column = 0; column < width; ++column)
        {
            double h = -1.0;
            ASSERT_TRUE(query.getElevation(at(centreLon(column), centreLat(row)), h));
            EXPECT_NEAR(h, cellValue(column, row), 1e-9) << column << "," << row;
        }
    }

    // 30 % of the way from cell (1,1) to (2,1) and 70 % towards (1,2), worked by hand.
    const double tx = 0.3, ty = 0.7;
    const double expected = (1 - tx) * (1 - ty) * cellValue(1, 1) + tx * (1 - ty) * cellValue(2, 1) +
                            (1 - tx) * ty * cellValue(1, 2) + tx * ty * cellValue(2, 2);
    double h = 0.0, resolution = 0.0;
    ASSERT_TRUE(query.getElevation(at(centreLon(1) + tx * cell, centreLat(1) - ty * cell), h, 0.0, &resolution));
    EXPECT_NEAR(h, expected, 1e-6);
    EXPECT_NEAR(resolution, cell * 111319.49, 1.0);

    // Between the outermost centres and the raster's edge the edge row holds.
    ASSERT_TRUE(query.getElevation(at(centreLon(2) + 0.5 * cell, north - 0.2 * cell), h));
    EXPECT_NEAR(h, 0.5 * (cellValue(2, 0) + cellValue(3, 0)), 1e-6);

    // Outside the raster: no data, and the ellipsoid's height.
    for (const auto& [lon, lat] : {std::pair{west - 0.001, 43.99}, std::pair{7.02, north + 0.001},
                                   std::pair{west + width * cell + 0.001, 43.99}, std::pair{170.0, -40.0}})
    {
        h = 123.0;
        EXPECT_FALSE(query.getElevation(at(lon, lat), h));
        EXPECT_EQ(h, 0.0);
    }

    double minLon, minLat, maxLon, maxLat;
    ASSERT_TRUE(layer->getBounds(minLon, minLat, maxLon, maxLat));
    EXPECT_NEAR(minLon, west, 1e-9);
    EXPECT_NEAR(maxLat, north, 1e-9);
    EXPECT_NEAR(maxLon, west + width * cell, 1e-9);
    EXPECT_NEAR(minLat, north - height * cell, 1e-9);

    double low = 0.0, high = 0.0;
    bool complete = false;
    ASSERT_TRUE(layer->getHeightRange(7.01, 43.97, 7.03, 43.99, low, high, complete));
    EXPECT_TRUE(complete);
    EXPECT_LE(low, cellValue(1, 1));
    EXPECT_GE(high, cellValue(2, 2));
    ASSERT_TRUE(layer->getHeightRange(6.9, 43.9, 7.01, 43.99, low, high, complete));
    EXPECT_FALSE(complete);
    EXPECT_FALSE(layer->getHeightRange(8.0, 43.0, 8.1, 43.1, low, high, complete));
}

TEST(ElevationLayer, NodataCellsGiveNoData)
{
    std::vector<float> values = cells();
    values[1 * width + 2] = -32768.0f;
    const auto layer = writeLayer("nodata.tif", values, -32768.0);
    const auto map = mapOf({layer.get()});
    const globe::ElevationQuery query(map.get());

    double h = 5.0;
    EXPECT_FALSE(query.getElevation(at(centreLon(2), centreLat(1)), h));
    EXPECT_EQ(h, 0.0);
    // Any interpolation that leans on the nodata cell has no data either...
    h = 5.0;
    EXPECT_FALSE(query.getElevation(at(centreLon(2) - 0.4 * cell, centreLat(1) + 0.4 * cell), h));
    EXPECT_EQ(h, 0.0);
    // ...but its neighbours' own centres do.
    ASSERT_TRUE(query.getElevation(at(centreLon(1), centreLat(1)), h));
    EXPECT_NEAR(h, cellValue(1, 1), 1e-9);
    ASSERT_TRUE(query.getElevation(at(centreLon(3), centreLat(2)), h));
    EXPECT_NEAR(h, cellValue(3, 2), 1e-9);

    // The height range skips the nodata cell and says that data is missing.
    double low = 0.0, high = 0.0;
    bool complete = true;
    ASSERT_TRUE(layer->getHeightRange(7.0, 43.96, 7.05, 44.0, low, high, complete));
    EXPECT_EQ(low, 0.0);
    EXPECT_EQ(high, cellValue(4, 3));
    EXPECT_FALSE(complete);
}

TEST(ElevationLayer, ProjectedRasterMatchesGeographicTwin)
{
    // The same linear height field, once in longitude/latitude and once in UTM 32 N.
    const double lonStep = 0.0004, latStep = 0.0003;
    const int columns = 100, rows = 80;
    const double twinWest = 7.39, twinNorth = 43.72;
    std::vector<float> geographic;
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < columns; ++column)
            geographic.push_back(static_cast<float>(
                twinHeight(twinWest + (column + 0.5) * lonStep, twinNorth - (row + 0.5) * latStep)));
    const std::string geographicPath = TestRaster::path("twin-geographic.tif");
    TestRaster::write(geographicPath, columns, rows, {twinWest, lonStep, 0.0, twinNorth, 0.0, -latStep}, 4326,
                      geographic);

    osg::ref_ptr<globe::ElevationLayer> geographicLayer =
        new globe::ElevationLayer("geographic", globe::GDALOptions{geographicPath, "gdal"});
    const double metres = 10.0;
    const auto projectedLayer = writeUtmLayer("twin-utm.tif", twinWest, twinNorth, metres, 340, 350, twinHeight);
    EXPECT_NEAR(projectedLayer->getResolution(), metres, 1e-9);

    std::mt19937 random(7);
    std::uniform_real_distribution<double> lon(7.395, 7.425), lat(43.7, 43.715);
    for (int i = 0; i < 500; ++i)
    {
        const double x = lon(random), y = lat(random);
        double fromGeographic = 0.0, fromProjected = 0.0;
        ASSERT_TRUE(geographicLayer->getHeight(x, y, fromGeographic));
        ASSERT_TRUE(projectedLayer->getHeight(x, y, fromProjected)) << x << " " << y;
        EXPECT_NEAR(fromProjected, fromGeographic, 0.01) << x << " " << y;
        EXPECT_NEAR(fromGeographic, twinHeight(x, y), 0.01);
    }
    double h = 0.0;
    EXPECT_FALSE(projectedLayer->getHeight(7.3, 43.71, h));
}

TEST(ElevationQuery, FirstLayerWithDataWins)
{
    std::vector<float> high(width * height, 500.0f), low(width * height, 20.0f);
    const auto first = writeLayer("first.tif", high);
    // The second layer covers a larger area to the south-east.
    const std::string secondPath = TestRaster::path("second.tif");
    TestRaster::write(secondPath, width, height, {west, 2 * cell, 0.0, north, 0.0, -2 * cell}, 4326, low);
    osg::ref_ptr<globe::ElevationLayer> second = new globe::ElevationLayer("second", globe::GDALOptions{secondPath, "gdal"});
    osg::ref_ptr<globe::ElevationLayer> missing =
        new globe::ElevationLayer("missing", globe::GDALOptions{TestRaster::path("no-such-file.tif"), "gdal"});
    EXPECT_FALSE(missing->isOpen());
    EXPECT_NE(missing->getStatus().find("no-such-file.tif"), std::string::npos) << missing->getStatus();

    const auto map = mapOf({missing.get(), first.get(), second.get()});
    const globe::ElevationQuery query(map.get());
    double h = 0.0;
    ASSERT_TRUE(query.getElevation(at(centreLon(1), centreLat(1)), h));
    EXPECT_EQ(h, 500.0);
    ASSERT_TRUE(query.getElevation(at(west + 8.5 * cell, north - 6.5 * cell), h));
    EXPECT_EQ(h, 20.0);
    h = 1.0;
    EXPECT_FALSE(query.getElevation(at(west - 1.0, north), h));
    EXPECT_EQ(h, 0.0);

    const auto empty = mapOf({});
    h = 1.0;
    double resolution = 1.0;
    EXPECT_FALSE(globe::ElevationQuery(empty.get()).getElevation(at(7.0, 44.0), h, 0.0, &resolution));
    EXPECT_EQ(h, 0.0);
    EXPECT_EQ(resolution, 0.0);
}

// Rasters are read whole: one declaring 16384^2 cells would take 1 GB, so it is
// refused by name before any cell is read and its map has no terrain there; an SRTM
// 1" tile of 3601^2 cells still loads.
TEST(ElevationQuery, RasterTooLargeToHoldIsRefusedAndAnSrtmTileIsNot)
{
    const std::string hugePath = writeSparseRaster("sparse_16384.tif", 16384, 16384);
    osg::ref_ptr<globe::ElevationLayer> huge = new globe::ElevationLayer("huge", globe::GDALOptions{hugePath, "gdal"});
    EXPECT_FALSE(huge->isOpen());
    EXPECT_NE(huge->getStatus().find(hugePath + ": "), std::string::npos) << huge->getStatus();
    EXPECT_NE(huge->getStatus().find("16384 x 16384"), std::string::npos) << huge->getStatus();

    const std::string tilePath = writeSparseRaster("sparse_srtm.tif", 3601, 3601);
    osg::ref_ptr<globe::ElevationLayer> tile = new globe::ElevationLayer("tile", globe::GDALOptions{tilePath, "gdal"});
    EXPECT_TRUE(tile->isOpen()) << tile->getStatus();

    const auto map = mapOf({huge.get(), tile.get()});
    const globe::ElevationQuery query(map.get());
    double h = 1.0;
    EXPECT_TRUE(query.getElevation(at(7.5, 43.5), h));
    EXPECT_EQ(h, 0.0);
    // Inside the refused raster only.
    h = 1.0;
    EXPECT_FALSE(query.getElevation(at(10.0, 42.0), h));
    EXPECT_EQ(h, 0.0);
}

TEST(ElevationQuery, ConcurrentQueriesMatchOneThread)
{
    const std::string monaco = std::string(ORVALIS_SOURCE_DIR) + "/samples/monaco.tif";
    osg::ref_ptr<globe::ElevationLayer> srtm = new globe::ElevationLayer("SRTM", globe::GDALOptions{monaco, "gdal"});
    ASSERT_TRUE(srtm->isOpen()) << srtm->getStatus();
    // West of the SRTM tile, a projected raster: every thread needs its own reprojection.
    const auto utm = writeUtmLayer("threads-utm.tif", 7.08, 43.8, 100.0, 100, 100,
                                   [](double lon, double lat) { return std::sin(lon * 900.0) * 40.0 + lat; });
    const auto map = mapOf({srtm.get(), utm.get()});
    const globe::ElevationQuery query(map.get());

    constexpr int count = 100000;
    std::mt19937 random(42);
    std::uniform_real_distribution<double> lon(7.05, 7.7), lat(43.55, 44.05);
    std::vector<globe::GeoPoint> points;
    for (int i = 0; i < count; ++i)
        points.push_back(at(lon(random), lat(random)));

    const auto run = [&](std::vector<double>& heights, std::vector<char>& valid) {
        heights.resize(count);
        valid.resize(count);
        for (int i = 0; i < count; ++i)
            valid[i] = query.getElevation(points[i], heights[i]);
    };
    std::vector<double> heights;
    std::vector<char> valid;
    run(heights, valid);
    EXPECT_GT(std::count(valid.begin(), valid.end(), 1), count / 3);
    EXPECT_GT(std::count(valid.begin(), valid.end(), 0), count / 20);

    constexpr int threadCount = 4;
    std::vector<std::vector<double>> threadHeights(threadCount);
    std::vector<std::vector<char>> threadValid(threadCount);
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t)
        threads.emplace_back(run, std::ref(threadHeights[t]), std::ref(threadValid[t]));
    for (std::thread& thread : threads)
        thread.join();
    for (int t = 0; t < threadCount; ++t)
    {
        EXPECT_EQ(threadHeights[t], heights) << "thread " << t;
        EXPECT_EQ(threadValid[t], valid) << "thread " << t;
    }
}
