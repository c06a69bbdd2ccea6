#include "TestTerrain.h"

#include "globe/ElevationLayer.h"
#include "globe/Map.h"
#include "globe/SpatialReference.h"

#include "TestRaster.h"
#include <osgDB/FileUtils>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace testTerrain
{
namespace
{
const double west = 13.0;
const double south = 52.0;
const double pixel = 0.001;
const int pixels = 200;
const int pixelsPerBlock = 10;
const float noData = -32768.0f;

void writeRaster(const std::string& path)
{
    std::vector<float> heights(pixels * pixels);
    for (int y = 0; y < pixels; ++y)
    {
        const int by = (pixels - 1 - y) / pixelsPerBlock;
        for (int x = 0; x < pixels; ++x)
            heights[y * pixels + x] =
                by == noDataRow ? noData : static_cast<float>(blockHeight(x / pixelsPerBlock, by));
    }
    TestRaster::write(path, pixels, pixels, {west, pixel, 0.0, south + pixels * pixel, 0.0, -pixel}, 4326, heights,
                      noData);
}
} // namespace

double blockLon(int bx)
{
    return west + (bx + 0.5) * pixelsPerBlock * pixel;
}

double blockLat(int by)
{
    return south + (by + 0.5) * pixelsPerBlock * pixel;
}

double blockHeight(int bx, int by)
{
    return 30.0 + bx + 10.0 * by;
}

std::string rasterPath()
{
    static const std::string path = [] {
        // Written aside and renamed: test processes running in parallel share the file.
        const std::string name = "block_terrain.tif";
        const std::string aside = name + "." + std::to_string(getpid()) + ".tif";
        writeRaster(aside);
        std::filesystem::rename(aside, name);
        return name;
    }();
    return path;
}

osg::ref_ptr<globe::MapNode> mapNode(bool withTerrain)
{
    osg::ref_ptr<globe::Map> map = new globe::Map;
    if (withTerrain)
        map->addElevationLayer(new globe::ElevationLayer("SRTM", globe::GDALOptions{rasterPath(), "gdal"}));
    return new globe::MapNode(map.get());
}

osg::Matrixd sceneOriginAt(double lon, double lat)
{
    osg::Matrixd localToWorld;
    globe::SpatialReference::get("wgs84")->createLocalToWorld(osg::Vec3d(lon, lat, 0.0), localToWorld);
    return localToWorld;
}

osg::Vec3d geographic(const osg::Vec3f& local, const osg::Matrixd& localToWorld)
{
    osg::Vec3d lonLatHeight;
    globe::SpatialReference::get("wgs84")->transformFromWorld(osg::Vec3d(local) * localToWorld, lonLatHeight);
    return lonLatHeight;
}

void findSourceShaders()
{
    osgDB::FilePathList& paths = osgDB::getDataFilePathList();
    const std::string shaders = std::string(ORVALIS_SOURCE_DIR) + "/shaders";
    if (std::find(paths.begin(), paths.end(), shaders) == paths.end())
        paths.push_back(shaders);
}
} // namespace testTerrain
