#include "bench/BenchArgs.h"
#include "bench/BenchCommands.h"

#include "globe/DateTime.h"
#include "globe/HorizontalCoordinates.h"
#include "globe/SkyNode.h"

#include <osgViewer/View>

#include <iomanip>
#include <iostream>
#include <regex>
#include <sstream>
#include <stdexcept>

namespace
{
globe::DateTime parseDateTime(const std::string& date, double hours)
{
    static const std::regex pattern(R"((\d{4})-(\d{2})-(\d{2}))");
    std::smatch parts;
    if (!std::regex_match(date, parts, pattern))
        throw std::invalid_argument("date: '" + date + "' is not YYYY-MM-DD");
    const globe::DateTime dateTime(std::stoi(parts[1]), std::stoi(parts[2]), std::stoi(parts[3]), hours);
    if (!dateTime.isValid())
        throw std::invalid_argument("date: '" + date + "' does not exist");
    return dateTime;
}

double inRange(double value, double low, double high, const std::string& what)
{
    if (value < low || value > high)
    {
        std::ostringstream message;
        message << what << ": " << value << " is not between " << low << " and " << high;
        throw std::invalid_argument(message.str());
    }
    return value;
}
} // namespace

// sun YYYY-MM-DD HOURS LON LAT: where the sky's light 0 stands for an observer at
// LON LAT at that moment (UTC), as elevation and azimuth in degrees.
int runSunBench(const std::vector<std::string>& args)
{
    const BenchArgs parsed(args);
    if (parsed.positional().size() != 4)
        throw std::invalid_argument("expected YYYY-MM-DD HOURS LON LAT");
    const double hours = inRange(BenchArgs::toNumber(parsed.positional(1, "HOURS"), "HOURS"), 0.0, 24.0, "HOURS");
    const globe::DateTime when = parseDateTime(parsed.positional(0, "YYYY-MM-DD"), hours);
    const double lon = inRange(BenchArgs::toNumber(parsed.positional(2, "LON"), "LON"), -180.0, 180.0, "LON");
    const double lat = inRange(BenchArgs::toNumber(parsed.positional(3, "LAT"), "LAT"), -90.0, 90.0, "LAT");

    osg::ref_ptr<globe::SkyNode> sky = globe::SkyNode::create(nullptr);
    sky->setDateTime(when);
    osg::ref_ptr<osgViewer::View> view = new osgViewer::View;
    sky->attach(view.get(), 0);
    const osg::Vec4 light = view->getLight()->getPosition();
    const globe::HorizontalCoordinates seen(osg::Vec3d(light.x(), light.y(), light.z()), lon, lat);

    std::cout << std::fixed << std::setprecision(4) << "{\"elevation_deg\": " << seen.elevation()
              << ", \"azimuth_deg\": " << seen.azimuth() << "}" << std::endl;
    return 0;
}
