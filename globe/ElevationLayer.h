#pragma once

#include "globe/GDALOptions.h"

#include <osg/Referenced>

#include <memory>
#include <string>
#include <vector>

namespace globe
{
class ElevationRaster;

// Heights in metres from a raster in any coordinate reference system, sampled
// bilinearly. The raster is read into memory once, so queries are fast and safe
// from any number of threads at once.
class ElevationLayer : public osg::Referenced
{
public:
    ElevationLayer(const std::string& name, const GDALOptions& options);

    const std::string& getName() const { return _name; }
    const GDALOptions& getOptions() const { return _options; }

    // False, with the reason in getStatus(), when the raster could not be used.
    bool isOpen() const;
    const std::string& getStatus() const { return _status; }

    // Height at a WGS 84 longitude/latitude (degrees). False (out untouched) outside
    // the raster or where a cell needed for the interpolation holds nodata.
    bool getHeight(double lon, double lat, double& out) const;

    // Longitudes and latitudes inside the box along which the sampled surface bends
    // (the raster's cell-centre lines); false when they are not such straight lines.
    bool getGridLines(double west, double south, double east, double north, std::vector<double>& lons,
                      std::vector<double>& lats) const;

    // Size of one raster cell on the ground in metres (0 when not open).
    double getResolution() const;

    // WGS 84 bounds (degrees) that enclose the raster; false when not open.
    bool getBounds(double& minLon, double& minLat, double& maxLon, double& maxLat) const;

    // Lowest and highest height the layer can give inside the WGS 84 box (generously).
    // False when the box misses the raster; complete is false when part of it has no data.
    bool getHeightRange(double west, double south, double east, double north, double& min, double& max,
                        bool& complete) const;

protected:
    ~ElevationLayer() override;

private:
    std::string _name;
    GDALOptions _options;
    std::string _status;
    std::unique_ptr<ElevationRaster> _raster;
};
} // namespace globe
