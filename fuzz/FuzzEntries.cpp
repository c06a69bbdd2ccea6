#include "fuzz/FuzzEntries.h"

#include "geometry/BuildingColours.h"
#include "geometry/BuildingHeights.h"
#include "geometry/ColourTag.h"
#include "geometry/RoofBuilder.h"
#include "geometry/RoofShape.h"
#include "geometry/TagNumber.h"
#include "globe/ElevationLayer.h"
#include "globe/ElevationQuery.h"
#include "globe/Map.h"
#include "osm/OsmParser.h"

#include <cpl_vsi.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <string_view>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace
{
constexpr double gridSize = 0.02;

// Unique within the process and across processes sharing a directory.
std::string scratchName()
{
    static std::atomic<unsigned> next{0};
    return "orvalis-fuzz-" + std::to_string(getpid()) + "-" + std::to_string(next++);
}

// The input as a file on disk, removed however loading ends.
class DiskFile
{
public:
    DiskFile(const std::uint8_t* data, std::size_t size)
        : path((std::filesystem::temp_directory_path() / scratchName()).string())
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        out.close();
        if (out)
            return;
        // Not a refusal of the input: the run itself cannot go on.
        remove();
        throw std::system_error(errno, std::generic_category(), "cannot write " + path);
    }
    ~DiskFile() { remove(); }
    DiskFile(const DiskFile&) = delete;
    DiskFile& operator=(const DiskFile&) = delete;

    const std::string path;

private:
    void remove() const
    {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
};

// The input as a file in GDAL's memory file system, which reads the caller's bytes
// in place (they stay the caller's); unlinked however loading ends.
class MemoryFile
{
public:
    MemoryFile(const std::uint8_t* data, std::size_t size) : path("/vsimem/" + scratchName())
    {
        VSIFCloseL(VSIFileFromMemBuffer(path.c_str(), const_cast<GByte*>(data), size, FALSE));
    }
    ~MemoryFile() { VSIUnlink(path.c_str()); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    const std::string path;
};

// The raster's corners and centre, a degree beyond each side, through the query
// the scene uses; and the sampled lines and height range over the extent and over
// a box reaching beyond it, as the terrain's tiles do.
void askElevations(const globe::Map& map, const globe::ElevationLayer& layer)
{
    double west = 0.0, south = 0.0, east = 0.0, north = 0.0;
    layer.getBounds(west, south, east, north);
    const globe::ElevationQuery query(&map);
    const double lons[] = {west - 1.0, west, (west + east) / 2.0, east, east + 1.0};
    const double lats[] = {south - 1.0, south, (south + north) / 2.0, north, north + 1.0};
    for (const double lon : lons)
        for (const double lat : lats)
        {
            double height = 0.0;
            query.getElevation(globe::GeoPoint(map.getSRS(), lon, lat), height);
        }
    for (const double margin : {0.0, 1.0})
    {
        std::vector<double> lineLons, lineLats;
        layer.getGridLines(west - margin, south - margin, east + margin, north + margin, lineLons, lineLats);
        double min = 0.0, max = 0.0;
        bool complete = false;
        layer.getHeightRange(west - margin, south - margin, east + margin, north + margin, min, max, complete);
    }
}
// Each line's key and value; "node" lines become footprint points instead.
Tags tagLines(std::string_view text, std::vector<osg::Vec2d>& footprint)
{
    Tags tags;
    while (!text.empty())
    {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        const std::string_view key = line.substr(0, equals), value = line.substr(equals + 1);
        if (key != "node")
        {
            tags.emplace_back(key, value);
            continue;
        }
        const std::size_t comma = value.find(';');
        const double x = tagNumber(value.substr(0, comma));
        const double y = comma == std::string_view::npos ? 0.0 : tagNumber(value.substr(comma + 1));
        if (std::fabs(x) < 1e4 && std::fabs(y) < 1e4)
            footprint.emplace_back(x, y);
    }
    return tags;
}

bool isSoundRoof(const RoofMesh& mesh)
{
    for (const osg::Vec3d& v : mesh.vertices)
        if (!v.valid() || v.z() < -1e-6)
            return false;
    return true;
}
} // namespace

bool readBuildingTagBytes(const std::uint8_t* data, std::size_t size)
{
    std::vector<osg::Vec2d> footprint;
    const Tags tags = tagLines(std::string_view(reinterpret_cast<const char*>(data), size), footprint);
    for (const auto& tag : tags)
    {
        osg::Vec3f colour;
        double degrees = 0.0;
        readColourTag(tag.second, colour);
        readRoofDirection(tag.second, degrees);
        tagLength(tag.second);
    }
    if (footprint.size() < 3)
        footprint = {{0, 0}, {20, 0}, {20, 8}, {8, 8}, {8, 16}, {0, 16}};
    const RoofShape shape = RoofShape::read(tags);
    const FootprintRings rings{footprint};
    const BuildingHeights heights = BuildingHeights::read(tags, WayInfo(), 30.0, defaultRoofHeight(rings, shape.kind),
                                                          !shape.isPitched());
    BuildingColours::read(tags, shape.isPitched());
    return std::isfinite(heights.top) && heights.top >= heights.eaves && heights.eaves >= heights.bottom &&
           isSoundRoof(buildRoof(rings, shape, heights.roofHeight()));
}

LoadOutcome loadOsmBytes(const std::uint8_t* data, std::size_t size)
{
    const DiskFile file(data, size);
    LoadOutcome outcome{file.path, false, ""};
    try
    {
        int columns = 0, rows = 0;
        OsmParser store(file.path, columns, rows, gridSize);
        outcome.loaded = true;
    }
    catch (const std::runtime_error& error)
    {
        outcome.refusal = error.what();
    }
    return outcome;
}

LoadOutcome loadTerrainBytes(const std::uint8_t* data, std::size_t size)
{
    const MemoryFile file(data, size);
    LoadOutcome outcome{file.path, false, ""};
    // The layer catches its raster's refusal itself and keeps the message.
    const osg::ref_ptr<globe::ElevationLayer> layer =
        new globe::ElevationLayer("fuzz", globe::GDALOptions{file.path, "gdal"});
    outcome.loaded = layer->isOpen();
    if (!outcome.loaded)
    {
        outcome.refusal = layer->getStatus();
        return outcome;
    }
    const osg::ref_ptr<globe::Map> map = new globe::Map;
    map->addElevationLayer(layer.get());
    askElevations(*map, *layer);
    return outcome;
}
