#pragma once

#include "osm/OsmParser.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

// Text of small OSM files, and loading them with the progress lines kept off the log.

using TagTexts = std::vector<std::pair<std::string, std::string>>;

// Coordinates written with enough digits that a float value reads back unchanged.
std::string osmNode(const std::string& id, double lat, double lon);
// Attribute texts as given, for values that are not plain numbers.
std::string osmNodeText(const std::string& id, const std::string& lat, const std::string& lon);
std::string osmWay(const std::string& id, const std::vector<std::string>& refs, const TagTexts& tags = {});
std::string osmRelation(const std::string& id, const std::vector<std::string>& members, const TagTexts& tags = {});
// An XML declaration and the root "osm" around the children.
std::string osmDocument(const std::string& children);

// The viewer's starting grid size, for tests whose grid is not the point.
constexpr double defaultGridSize = 0.005;

std::unique_ptr<OsmParser> loadStore(const std::string& path, double gridSize = defaultGridSize);
