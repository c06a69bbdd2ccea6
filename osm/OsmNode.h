#pragma once

#include <cstdint>

// OSM ids are 64-bit integers, negative ones included (objects not yet uploaded).
using OsmId = std::int64_t;

// One OSM node: its id and its position in WGS 84 degrees.
struct OsmNode
{
    OsmId id = 0;
    float lat = 0.0f;
    float lon = 0.0f;
};

// Node, way and relation ids are separate: way 5 is not node 5.
enum class OsmType : std::uint8_t
{
    Node,
    Way,
    Relation
};

// "node", "way" or "relation": the type's name in OSM files and addresses.
inline const char* osmTypeName(OsmType type)
{
    switch (type)
    {
    case OsmType::Node: return "node";
    case OsmType::Way: return "way";
    case OsmType::Relation: return "relation";
    }
    return "";
}
