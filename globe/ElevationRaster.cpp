#include "globe/ElevationRaster.h"

#include "globe/HeightRangePyramid.h"

#include <gdal_priv.h>
#include <ogr_spatialref.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iterator>
#include <limits>
#include <mutex>
#include <stdexcept>
#include <string>

namespace globe
{
namespace
{
// Rasters are held in memory whole, so a few kilobytes of sparse file could otherwise
// demand gigabytes. 2^26 cells are 256 MB of heights; an SRTM 1" tile has 3601^2.
constexpr long long maxCells = 1LL << 26;
constexpr double metresPerDegree = 6378137.0 * M_PI / 180.0;
constexpr int boundarySamples = 64;
// Points per edge when a WGS 84 box is mapped into the raster.
constexpr int windowSamples = 8;

void registerDrivers()
{
    static std::once_flag registered;
    std::call_once(registered, [] { GDALAllRegister(); });
}

bool isZip(const std::string& path)
{
    return path.size() > 4 && EQUAL(path.c_str() + path.size() - 4, ".zip") && !STARTS_WITH(path.c_str(), "/vsizip/");
}

// Neither file nor directory: a pipe would keep GDAL waiting for a writer, a device
// such as /dev/zero would never end.
bool isSpecialFile(const std::string& path)
{
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    return std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)
        && !std::filesystem::is_directory(status);
}

bool hasRasterDriver(const std::string& path)
{
    CPLPushErrorHandler(CPLQuietErrorHandler);
    const bool known = GDALIdentifyDriverEx(path.c_str(), GDAL_OF_RASTER, nullptr, nullptr) != nullptr;
    CPLPopErrorHandler();
    return known;
}

// The path GDAL opens: a zip archive's first file with a raster driver, the path
// itself otherwise (or when the archive holds none, so that opening names the zip).
std::string rasterInside(const std::string& path)
{
    if (!isZip(path))
        return path;
    const std::string archive = "/vsizip/" + path;
    char** entries = VSIReadDirRecursive(archive.c_str());
    std::string found = path;
    for (int i = 0; entries && entries[i]; ++i)
    {
        const std::string entry = archive + "/" + entries[i];
        if (hasRasterDriver(entry))
        {
            found = entry;
            break;
        }
    }
    CSLDestroy(entries);
    return found;
}

std::unique_ptr<OGRSpatialReference> makeWgs84()
{
    auto srs = std::make_unique<OGRSpatialReference>();
    srs->SetWellKnownGeogCS("WGS84");
    srs->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    return srs;
}

bool isFinite(double value)
{
    return std::isfinite(value);
}

// A cell index along an axis of count cells, clamped while still a double: pixel
// coordinates of points far from the raster may be beyond any int.
int clampedCell(double position, int count)
{
    return static_cast<int>(std::clamp(std::floor(position), 0.0, count - 1.0));
}

struct DatasetCloser
{
    void operator()(GDALDataset* dataset) const { GDALClose(dataset); }
};

struct ThreadTransform
{
    std::weak_ptr<int> owner;
    std::unique_ptr<OGRCoordinateTransformation> transform;
};
} // namespace

ElevationRaster::ElevationRaster(const std::string& path) : _path(path), _lifetime(std::make_shared<int>(0))
{
    registerDrivers();
    // GDAL's own messages go into the exception rather than to the console.
    const CPLErrorHandlerPusher quiet(CPLQuietErrorHandler);
    if (isSpecialFile(path))
        throw std::runtime_error(path + ": not a raster but a pipe, socket or device");
    std::unique_ptr<GDALDataset, DatasetCloser> dataset(GDALDataset::Open(
        rasterInside(path).c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY | GDAL_OF_VERBOSE_ERROR));
    if (!dataset)
        throw std::runtime_error(path + ": not a raster GDAL can open (" + CPLGetLastErrorMsg() + ")");
    if (dataset->GetRasterCount() < 1)
        throw std::runtime_error(path + ": the raster has no band");
    if (dataset->GetGeoTransform(_geoTransform) != CE_None)
        throw std::runtime_error(path + ": the raster is not georeferenced (no geotransform)");
    if (!GDALInvGeoTransform(_geoTransform, _inverseGeoTransform))
        throw std::runtime_error(path + ": the raster's geotransform cannot be inverted");
    // GDAL takes an infinite origin, and a cell size so small that its inverse overflows.
    if (!std::all_of(std::begin(_geoTransform), std::end(_geoTransform), isFinite) ||
        !std::all_of(std::begin(_inverseGeoTransform), std::end(_inverseGeoTransform), isFinite))
        throw std::runtime_error(path + ": the raster's geotransform or its inverse is not finite");

    _width = dataset->GetRasterXSize();
    _height = dataset->GetRasterYSize();
    if (_width < 2 || _height < 2)
        throw std::runtime_error(path + ": the raster has " + std::to_string(_width) + " x " + std::to_string(_height)
                                 + " cells: heights are interpolated between cells, so at least 2 x 2 are needed");
    if (static_cast<long long>(_width) * _height > maxCells)
        throw std::runtime_error(path + ": the raster's " + std::to_string(_width) + " x " + std::to_string(_height)
                                 + " cells are more than the " + std::to_string(maxCells) + " ("
                                 + std::to_string(maxCells * sizeof(float) >> 20)
                                 + " MB of heights) that can be held in memory");

    GDALRasterBand* band = dataset->GetRasterBand(1);
    int hasNoData = 0;
    const double noData = band->GetNoDataValue(&hasNoData);
    _hasNoData = hasNoData != 0;
    _noData = static_cast<float>(noData);

    _cells.resize(static_cast<size_t>(_width) * _height);
    if (band->RasterIO(GF_Read, 0, 0, _width, _height, _cells.data(), _width, _height, GDT_Float32, 0, 0, nullptr)
        != CE_None)
        throw std::runtime_error(path + ": the raster cannot be read (" + CPLGetLastErrorMsg() + ")");
    if (std::none_of(_cells.begin(), _cells.end(), [this](float value) { return isValid(value); }))
        throw std::runtime_error(path + ": every cell of the raster is no-data, so it has no height to give");

    const OGRSpatialReference* rasterSRS = dataset->GetSpatialRef();
    const auto wgs84 = makeWgs84();
    double linearUnits = 1.0;
    if (rasterSRS && !(rasterSRS->IsGeographic() && rasterSRS->IsSameGeogCS(wgs84.get())))
    {
        _rasterSRS.reset(rasterSRS->Clone());
        _rasterSRS->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
        if (!threadTransform())
            throw std::runtime_error(path + ": no transformation from WGS 84 to the raster's reference system");
        linearUnits = _rasterSRS->IsGeographic() ? metresPerDegree : _rasterSRS->GetLinearUnits();
    }
    else
    {
        // A raster without a reference system is taken as WGS 84 longitude/latitude.
        linearUnits = metresPerDegree;
    }
    _resolution = std::min(std::hypot(_geoTransform[1], _geoTransform[4]),
                           std::hypot(_geoTransform[2], _geoTransform[5])) * linearUnits;
    computeBounds();
    _ranges = std::make_unique<HeightRangePyramid>(_cells, _width, _height,
                                                   [this](float value) { return isValid(value); });
}

bool ElevationRaster::isRasterFile(const std::string& path)
{
    registerDrivers();
    if (isSpecialFile(path))
        return false;
    const std::string inside = rasterInside(path);
    return inside != path || (!isZip(path) && hasRasterDriver(path));
}

ElevationRaster::~ElevationRaster() = default;

OGRCoordinateTransformation* ElevationRaster::threadTransform() const
{
    // GDAL keeps each thread's PROJ context in a thread_local of its own, made at first
    // use. Made before the list below, it is destroyed after it; the other way round,
    // destroying the transformations at thread exit made a new context never freed.
    [[maybe_unused]] thread_local const bool contextFirst = makeWgs84() != nullptr;
    // Coordinate transformations must not be shared between threads, so each thread
    // keeps its own, dropped once the raster that made it is gone.
    thread_local std::vector<ThreadTransform> transforms;
    for (const ThreadTransform& entry : transforms)
        if (!entry.owner.owner_before(_lifetime) && !_lifetime.owner_before(entry.owner))
            return entry.transform.get();

    transforms.erase(std::remove_if(transforms.begin(), transforms.end(),
                                    [](const ThreadTransform& entry) { return entry.owner.expired(); }),
                     transforms.end());
    const auto wgs84 = makeWgs84();
    std::unique_ptr<OGRCoordinateTransformation> transform(
        OGRCreateCoordinateTransformation(wgs84.get(), _rasterSRS.get()));
    if (!transform)
        return nullptr;
    transforms.push_back(ThreadTransform{_lifetime, std::move(transform)});
    return transforms.back().transform.get();
}

bool ElevationRaster::toPixel(double lon, double lat, double& px, double& py) const
{
    double x = lon, y = lat;
    if (_rasterSRS)
    {
        OGRCoordinateTransformation* transform = threadTransform();
        if (!transform || !transform->Transform(1, &x, &y))
            return false;
    }
    const double* inv = _inverseGeoTransform;
    px = inv[0] + inv[1] * x + inv[2] * y;
    py = inv[3] + inv[4] * x + inv[5] * y;
    return true;
}

bool ElevationRaster::isValid(float value) const
{
    return !std::isnan(value) && !(_hasNoData && value == _noData);
}

bool ElevationRaster::sample(double px, double py, double& out) const
{
    // Cell values sit at cell centres; between the outermost centres and the raster's
    // edge the edge value holds.
    if (!(px >= 0.0 && py >= 0.0 && px <= _width && py <= _height))
        return false;
    const double fx = std::clamp(px - 0.5, 0.0, _width - 1.0);
    const double fy = std::clamp(py - 0.5, 0.0, _height - 1.0);
    const int x0 = std::min(static_cast<int>(fx), std::max(_width - 2, 0));
    const int y0 = std::min(static_cast<int>(fy), std::max(_height - 2, 0));
    const int x1 = std::min(x0 + 1, _width - 1);
    const int y1 = std::min(y0 + 1, _height - 1);
    const double tx = fx - x0;
    const double ty = fy - y0;

    const float corners[4] = {_cells[static_cast<size_t>(y0) * _width + x0],
                              _cells[static_cast<size_t>(y0) * _width + x1],
                              _cells[static_cast<size_t>(y1) * _width + x0],
                              _cells[static_cast<size_t>(y1) * _width + x1]};
    const double weights[4] = {(1.0 - tx) * (1.0 - ty), tx * (1.0 - ty), (1.0 - tx) * ty, tx * ty};
    double height = 0.0;
    for (int i = 0; i < 4; ++i)
    {
        if (weights[i] == 0.0)
            continue;
        if (!isValid(corners[i]))
            return false;
        height += weights[i] * corners[i];
    }
    out = height;
    return true;
}

bool ElevationRaster::getGridLines(double west, double south, double east, double north,
                                   std::vector<double>& lons, std::vector<double>& lats) const
{
    const double* gt = _geoTransform;
    if (_rasterSRS || gt[2] != 0.0 || gt[4] != 0.0)
        return false;
    // Centre i lies at gt[0] + (i + 0.5) * gt[1]; only centres inside the box matter.
    const auto centres = [](double origin, double step, int count, double from, double to,
                            std::vector<double>& out) {
        const double a = (from - origin) / step - 0.5, b = (to - origin) / step - 0.5;
        // Written so that a box nowhere (NaN) has no centres either.
        if (!(std::min(a, b) <= count - 1.0 && std::max(a, b) >= 0.0))
            return;
        const int last = clampedCell(std::max(a, b), count);
        for (int i = clampedCell(std::ceil(std::min(a, b)), count); i <= last; ++i)
            out.push_back(origin + (i + 0.5) * step);
    };
    centres(gt[0], gt[1], _width, west, east, lons);
    centres(gt[3], gt[5], _height, south, north, lats);
    std::sort(lons.begin(), lons.end());
    std::sort(lats.begin(), lats.end());
    return true;
}

bool ElevationRaster::getHeight(double lon, double lat, double& out) const
{
    double px = 0.0, py = 0.0;
    return toPixel(lon, lat, px, py) && sample(px, py, out);
}

void ElevationRaster::computeBounds()
{
    // Walk the raster's outline in its own coordinates and take the WGS 84 box around it.
    std::unique_ptr<OGRCoordinateTransformation> toWgs84;
    if (_rasterSRS)
    {
        const auto wgs84 = makeWgs84();
        toWgs84.reset(OGRCreateCoordinateTransformation(_rasterSRS.get(), wgs84.get()));
        if (!toWgs84)
            throw std::runtime_error(_path + ": no transformation from the raster's reference system to WGS 84");
    }
    _minLon = _minLat = std::numeric_limits<double>::max();
    _maxLon = _maxLat = -std::numeric_limits<double>::max();
    for (int i = 0; i <= boundarySamples; ++i)
    {
        const double t = static_cast<double>(i) / boundarySamples;
        const double outline[4][2] = {{t * _width, 0.0}, {t * _width, double(_height)}, {0.0, t * _height},
                                      {double(_width), t * _height}};
        for (const auto& pixel : outline)
        {
            const double* gt = _geoTransform;
            double x = gt[0] + gt[1] * pixel[0] + gt[2] * pixel[1];
            double y = gt[3] + gt[4] * pixel[0] + gt[5] * pixel[1];
            if (toWgs84 && !toWgs84->Transform(1, &x, &y))
                continue;
            _minLon = std::min(_minLon, x);
            _maxLon = std::max(_maxLon, x);
            _minLat = std::min(_minLat, y);
            _maxLat = std::max(_maxLat, y);
        }
    }
    if (_minLon > _maxLon)
        throw std::runtime_error(_path + ": the raster's extent cannot be placed on the globe");
}

bool ElevationRaster::pixelWindow(double west, double south, double east, double north, int window[4],
                                  bool& inside) const
{
    double minX = std::numeric_limits<double>::max(), minY = minX;
    double maxX = -std::numeric_limits<double>::max(), maxY = maxX;
    inside = true;
    for (int i = 0; i <= windowSamples; ++i)
    {
        const double t = static_cast<double>(i) / windowSamples;
        const double lon = west + t * (east - west), lat = south + t * (north - south);
        for (const auto& [x, y] : {std::pair{lon, south}, std::pair{lon, north}, std::pair{west, lat},
                                   std::pair{east, lat}})
        {
            double px = 0.0, py = 0.0;
            if (!toPixel(x, y, px, py))
            {
                inside = false;
                continue;
            }
            inside = inside && px >= 0.0 && py >= 0.0 && px <= _width && py <= _height;
            minX = std::min(minX, px);
            maxX = std::max(maxX, px);
            minY = std::min(minY, py);
            maxY = std::max(maxY, py);
        }
    }
    if (minX > maxX || maxX < 0.0 || maxY < 0.0 || minX > _width || minY > _height)
        return false;
    window[0] = clampedCell(minX - 1.0, _width);
    window[1] = clampedCell(minY - 1.0, _height);
    window[2] = clampedCell(maxX + 1.0, _width);
    window[3] = clampedCell(maxY + 1.0, _height);
    return true;
}

bool ElevationRaster::getHeightRange(double west, double south, double east, double north, double& min,
                                     double& max, bool& complete) const
{
    int window[4];
    if (!pixelWindow(west, south, east, north, window, complete))
        return false;
    bool hasNoData = false;
    _ranges->range(window[0], window[1], window[2], window[3], min, max, hasNoData);
    complete = complete && !hasNoData;
    if (min > max)
        min = max = 0.0;
    return true;
}
} // namespace globe
