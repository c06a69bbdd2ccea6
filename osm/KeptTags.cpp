#include "osm/KeptTags.h"

#include <algorithm>
#include <initializer_list>

namespace
{
bool oneOf(std::string_view key, std::initializer_list<std::string_view> keys)
{
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

std::string_view view(const rapidxml::xml_base<char>* text)
{
    return std::string_view(text->value(), text->value_size());
}
} // namespace

void readTags(rapidxml::xml_node<char>* element, Tags& tags)
{
    tags.clear();
    for (rapidxml::xml_node<char>* tag = element->first_node("tag"); tag; tag = tag->next_sibling("tag"))
    {
        const rapidxml::xml_attribute<char>* k = tag->first_attribute("k");
        const rapidxml::xml_attribute<char>* v = tag->first_attribute("v");
        if (k && v)
            tags.emplace_back(view(k), view(v));
    }
}

std::string_view tagValue(const Tags& tags, std::string_view key)
{
    for (const auto& tag : tags)
        if (tag.first == key)
            return tag.second;
    return {};
}

Tags keptTags(const Tags& tags, bool (*keep)(std::string_view key))
{
    Tags kept;
    for (const auto& tag : tags)
        if (keep(tag.first))
            kept.push_back(tag);
    return kept;
}

bool isBuildingKey(std::string_view key)
{
    return key.substr(0, 5) == "addr:" ||
           oneOf(key, {"building", "building:part", "height", "min_height", "building:levels", "building:min_level",
                       "roof:shape", "roof:height", "roof:levels", "roof:direction", "roof:orientation",
                       "building:colour", "roof:colour", "building:material", "roof:material", "name"});
}

bool isStreetKey(std::string_view key)
{
    return oneOf(key, {"highway", "railway", "waterway", "width", "lanes", "layer", "tunnel", "bridge", "name"});
}

bool isAreaKey(std::string_view key)
{
    return oneOf(key, {"landuse", "leisure", "natural", "amenity", "waterway", "water", "name"});
}

bool isTreeKey(std::string_view key)
{
    return oneOf(key, {"natural", "height", "name", "leaf_type", "leaf_cycle", "genus", "species", "diameter_crown",
                       "circumference", "denotation"});
}

bool isWayKey(std::string_view key)
{
    return isBuildingKey(key) || isStreetKey(key) || isAreaKey(key) || isTreeKey(key) ||
           oneOf(key, {"levels", "building:levels:aboveground", "building:height", "seamark:type"});
}

bool isArea(const Tags& tags)
{
    const std::string_view natural = tagValue(tags, "natural");
    return !tagValue(tags, "landuse").empty() || !tagValue(tags, "leisure").empty() ||
           (!natural.empty() && !oneOf(natural, {"coastline", "tree_row", "tree"})) ||
           tagValue(tags, "amenity") == "parking" || tagValue(tags, "waterway") == "riverbank";
}
