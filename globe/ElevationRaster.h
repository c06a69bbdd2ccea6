#pragma once

#include <memory>
#include <string>
#include <vector>

class OGRCoordinateTransformation;
class OGRSpatialReference;

namespace globe
{
class HeightRangePyramid;

// One raster band held in memory with what is needed to sample it at WGS 84
// coordinates. Reading is safe from any number of threads at once.
class ElevationRaster
{
public:
    // Throws std::runtime_error naming the file and the problem, also for a raster of
    // more than 2^26 cells (it is read whole) and for one holding no-data alone. A .zip archive (SRTM tiles come zipped)
    // is opened at the first raster inside it.
    explicit ElevationRaster(const std::string& path);

    // Whether GDAL knows a raster driver for the file (for a .zip, for a file in it).
    static bool isRasterFile(const std::string& path);
    ~ElevationRaster();

    bool getHeight(double lon, double lat, double& out) const;

    // Longitudes and latitudes of the cell-centre lines inside the box, where the
    // bilinear surface bends. False for rasters whose cells are not aligned with
    // longitude and latitude (those bend along curves).
    bool getGridLines(double west, double south, double east, double north, std::vector<double>& lons,
                      std::vector<double>& lats) const;

    double getResolution() const { return _resolution; }
    double getMinLon() const { return _minLon; }
    double getMinLat() const { return _minLat; }
    double getMaxLon() const { return _maxLon; }
    double getMaxLat() const { return _maxLat; }

    // Lowest and highest height the raster can give inside the WGS 84 box (a little
    // generous: whole blocks of cells count). False when the box misses the raster;
    // complete is false when part of the box has no data.
    bool getHeightRange(double west, double south, double east, double north, double& min, double& max,
                        bool& complete) const;

private:
    bool toPixel(double lon, double lat, double& px, double& py) const;
    bool isValid(float value) const;
    bool sample(double px, double py, double& out) const;
    OGRCoordinateTransformation* threadTransform() const;
    void computeBounds();
    // Pixel window (cell columns and rows, inclusive) that covers the box, one cell to spare.
    bool pixelWindow(double west, double south, double east, double north, int window[4], bool& inside) const;

    std::string _path;
    int _width = 0;
    int _height = 0;
    std::vector<float> _cells;
    bool _hasNoData = false;
    float _noData = 0.0f;
    double _inverseGeoTransform[6] = {};
    double _geoTransform[6] = {};
    // Null when the raster is geographic WGS 84 itself, so no reprojection is needed.
    std::unique_ptr<OGRSpatialReference> _rasterSRS;
    // Lets each thread's cached coordinate transformation notice that this raster is gone.
    std::shared_ptr<int> _lifetime;
    double _resolution = 0.0;
    double _minLon = 0.0, _minLat = 0.0, _maxLon = 0.0, _maxLat = 0.0;
    std::unique_ptr<HeightRangePyramid> _ranges;
};
} // namespace globe
