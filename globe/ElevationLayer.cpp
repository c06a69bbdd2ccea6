#include "globe/ElevationLayer.h"

#include "globe/ElevationRaster.h"

#include <osg/Notify>

#include <stdexcept>

namespace globe
{
ElevationLayer::ElevationLayer(const std::string& name, const GDALOptions& options) : _name(name), _options(options)
{
    try
    {
        _raster = std::make_unique<ElevationRaster>(options.url);
        _status = "ok";
    }
    catch (const std::runtime_error& e)
    {
        // The globe is then drawn without this layer's elevation.
        _status = e.what();
        OSG_WARN << "elevation layer \"" << name << "\": " << _status << std::endl;
    }
}

ElevationLayer::~ElevationLayer() = default;

bool ElevationLayer::isOpen() const
{
    return _raster != nullptr;
}

bool ElevationLayer::getHeight(double lon, double lat, double& out) const
{
    return _raster && _raster->getHeight(lon, lat, out);
}

bool ElevationLayer::getGridLines(double west, double south, double east, double north, std::vector<double>& lons,
                                  std::vector<double>& lats) const
{
    return _raster && _raster->getGridLines(west, south, east, north, lons, lats);
}

double ElevationLayer::getResolution() const
{
    return _raster ? _raster->getResolution() : 0.0;
}

bool ElevationLayer::getBounds(double& minLon, double& minLat, double& maxLon, double& maxLat) const
{
    if (!_raster)
        return false;
    minLon = _raster->getMinLon();
    minLat = _raster->getMinLat();
    maxLon = _raster->getMaxLon();
    maxLat = _raster->getMaxLat();
    return true;
}

bool ElevationLayer::getHeightRange(double west, double south, double east, double north, double& min,
                                    double& max, bool& complete) const
{
    return _raster && _raster->getHeightRange(west, south, east, north, min, max, complete);
}
} // namespace globe
