#include "bench/BenchArgs.h"
#include "bench/BenchCommands.h"

#include "globe/ElevationQuery.h"
#include "globe/SpatialReference.h"

#include <chrono>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <stdexcept>

namespace
{
template <typename T>
std::string jsonList(const std::vector<T>& values)
{
    std::ostringstream out;
    out << std::setprecision(10) << std::boolalpha << '[';
    for (std::size_t i = 0; i < values.size(); ++i)
        out << (i ? ", " : "") << values[i];
    out << ']';
    return out.str();
}
} // namespace

// elevation TERRAIN_FILE LON LAT [LON LAT ...] [--repeat N]: terrain heights through
// the elevation query on a map holding that one layer; with --repeat, the query
// rate over N passes of the points.
int runElevationBench(const std::vector<std::string>& args)
{
    const BenchArgs parsed(args);
    const std::string path = parsed.positional(0, "TERRAIN_FILE");
    const std::vector<std::string>& values = parsed.positional();
    if (values.size() < 3 || values.size() % 2 == 0)
        throw std::invalid_argument("expected TERRAIN_FILE followed by LON LAT pairs");
    const int repeat = parsed.integer("repeat", 0);
    if (repeat < 0)
        throw std::invalid_argument("--repeat must not be negative");

    osg::ref_ptr<globe::ElevationLayer> layer = new globe::ElevationLayer("SRTM", globe::GDALOptions{path, "gdal"});
    if (!layer->isOpen())
        throw std::runtime_error(layer->getStatus());
    osg::ref_ptr<globe::Map> map = new globe::Map;
    map->addElevationLayer(layer.get());
    const globe::ElevationQuery query(map.get());
    const globe::SpatialReference* srs = globe::SpatialReference::get("wgs84");

    std::vector<globe::GeoPoint> points;
    for (std::size_t i = 1; i + 1 < values.size(); i += 2)
        points.emplace_back(srs, BenchArgs::toNumber(values[i], "LON"), BenchArgs::toNumber(values[i + 1], "LAT"));

    std::vector<double> heights;
    std::vector<bool> valid;
    for (const globe::GeoPoint& point : points)
    {
        double height = 0.0;
        valid.push_back(query.getElevation(point, height));
        heights.push_back(height);
    }

    std::ostringstream rate;
    if (repeat > 0)
    {
        const auto start = std::chrono::steady_clock::now();
        for (int pass = 0; pass < repeat; ++pass)
        {
            for (const globe::GeoPoint& point : points)
            {
                double height = 0.0;
                query.getElevation(point, height);
            }
        }
        const double seconds = secondsSince(start);
        const double queries = double(repeat) * points.size();
        rate << ", \"queries\": " << queries << ", \"seconds\": " << seconds
             << ", \"queries_per_second\": " << std::setprecision(6) << queries / seconds;
    }
    std::cout << "{\"heights\": " << jsonList(heights) << ", \"valid\": " << jsonList(valid) << rate.str() << "}"
              << std::endl;
    return 0;
}
