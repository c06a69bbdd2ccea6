#pragma once

#include "osm/TagTable.h"

#include <rapidxml/rapidxml.hpp>

#include <string_view>

// Which tags the store keeps of which elements, and reading them from elements.

// Every "tag" child's key and value, in order; the views point into the element.
void readTags(rapidxml::xml_node<char>* element, Tags& tags);
// The value of the first tag with the key, or an empty view.
std::string_view tagValue(const Tags& tags, std::string_view key);
// The tags whose keys keep says to keep.
Tags keptTags(const Tags& tags, bool (*keep)(std::string_view key));

// Simple 3D Buildings, the name and the address.
bool isBuildingKey(std::string_view key);
bool isStreetKey(std::string_view key);
bool isAreaKey(std::string_view key);
bool isTreeKey(std::string_view key);
// Every key the ways pass classifies by or keeps: the others need not be held for it.
bool isWayKey(std::string_view key);
// Whether a closed way with these tags is an area of land cover, leisure, a natural
// surface, parking or a riverbank.
bool isArea(const Tags& tags);
