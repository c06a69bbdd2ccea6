#include "bench/BenchScene.h"

#include "globe/ElevationLayer.h"
#include "globe/Map.h"
#include "globe/MapNode.h"
#include "globe/SpatialReference.h"
#include "osm/OsmParser.h"

#include <osgDB/FileUtils>

#include <filesystem>
#include <stdexcept>

osg::ref_ptr<globe::MapNode> mapNodeFor(const std::string& terrainPath)
{
    osg::ref_ptr<globe::Map> map = new globe::Map;
    if (!terrainPath.empty())
    {
        osg::ref_ptr<globe::ElevationLayer> layer =
            new globe::ElevationLayer("SRTM", globe::GDALOptions{terrainPath, "gdal"});
        if (!layer->isOpen())
            throw std::runtime_error(layer->getStatus());
        map->addElevationLayer(layer.get());
    }
    return new globe::MapNode(map.get());
}

osg::Matrixd centreOrigin(const OsmParser& store)
{
    const float lon = static_cast<float>((store.maxLon - store.minLon) * 0.5 + store.minLon);
    const float lat = static_cast<float>((store.maxLat - store.minLat) * 0.5 + store.minLat);
    osg::Matrixd origin;
    globe::SpatialReference::get("wgs84", "")->createLocalToWorld(osg::Vec3d(lon, lat, 0.0), origin);
    return origin;
}

void findShadersBesideProgram()
{
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe");
    osgDB::getDataFilePathList().push_back((program.parent_path() / "shaders").string());
}
