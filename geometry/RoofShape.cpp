#include "geometry/RoofShape.h"

#include "geometry/TagNumber.h"
#include "osm/KeptTags.h"

#include <cctype>
#include <cmath>
#include <string>
#include <utility>

namespace
{
const std::pair<std::string_view, RoofShape::Kind> shapeNames[] = {
    {"flat", RoofShape::Kind::Flat},         {"skillion", RoofShape::Kind::Skillion},
    {"gabled", RoofShape::Kind::Gabled},     {"half-hipped", RoofShape::Kind::HalfHipped},
    {"hipped", RoofShape::Kind::Hipped},     {"pyramidal", RoofShape::Kind::Pyramidal},
    {"gambrel", RoofShape::Kind::Gambrel},   {"mansard", RoofShape::Kind::Mansard},
    {"dome", RoofShape::Kind::Dome},         {"onion", RoofShape::Kind::Onion},
    {"round", RoofShape::Kind::Round},       {"saltbox", RoofShape::Kind::Saltbox},
    {"cone", RoofShape::Kind::Cone},
};

// The sixteen points of the compass rose, clockwise from north.
const std::string_view compassPoints[] = {"N", "NNE", "NE", "ENE", "E", "ESE", "SE", "SSE",
                                          "S", "SSW", "SW", "WSW", "W", "WNW", "NW", "NNW"};

bool readCompassPoint(std::string_view text, double& degrees)
{
    std::string upper;
    for (char c : text)
        if (c != ' ')
            upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (int i = 0; i < 16; ++i)
        if (upper == compassPoints[i])
        {
            degrees = 22.5 * i;
            return true;
        }
    return false;
}

bool isNumberText(std::string_view text)
{
    const auto start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos)
        return false;
    const char c = text[start];
    return std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '.';
}
} // namespace

bool readRoofDirection(std::string_view text, double& degrees)
{
    if (readCompassPoint(text, degrees))
        return true;
    if (!isNumberText(text))
        return false;
    const double value = tagNumber(text);
    if (!std::isfinite(value) || std::fabs(value) > 1e6)
        return false;
    degrees = std::fmod(value, 360.0);
    if (degrees < 0.0)
        degrees += 360.0;
    return true;
}

RoofShape RoofShape::read(const Tags& tags)
{
    RoofShape shape;
    const std::string_view name = tagValue(tags, "roof:shape");
    for (const auto& known : shapeNames)
        if (name == known.first)
            shape.kind = known.second;
    shape.hasDirection = readRoofDirection(tagValue(tags, "roof:direction"), shape.direction);
    shape.across = tagValue(tags, "roof:orientation") == "across";
    return shape;
}
