#include "osm/WayReader.h"

#include "osm/XmlText.h"

#include <cstdlib>
#include <utility>

WayReader::WayReader(const NodeTable& nodes_, const RelationRecords& relations_,
                     const std::unordered_map<std::string, int>& waterGroupIndex_)
    : nodes(nodes_), relations(relations_), waterGroupIndex(waterGroupIndex_)
{
    records.waterRings.resize(static_cast<std::size_t>(relations.waterGroupCount()));
}

void WayReader::read(XmlNode* element)
{
    const char* idText = attributeValue(element, "id");
    if (!idText)
        return;
    const std::string id = idText;
    Classification c;
    // A way's nodes are resolved once, when the first record needs them.
    bool resolvedThis = false;
    auto wayNodes = [&]() -> const std::vector<OsmNode>& {
        if (!resolvedThis)
            resolve(element);
        resolvedThis = true;
        return resolved;
    };

    const auto water = relations.waterMembers.find(id);
    if (water != relations.waterMembers.end())
        addWaterRing(water->second.relationId, wayNodes());
    const auto building = relations.buildingMembers.find(id);
    if (building != relations.buildingMembers.end())
    {
        c.isBuilding = true;
        c.levels = building->second.levels;
        c.height = building->second.height;
    }

    for (XmlNode* tag = element->first_node("tag"); tag; tag = tag->next_sibling())
    {
        const char* k = attributeValue(tag, "k");
        const char* v = attributeValue(tag, "v");
        if (k && v)
            classifyTag(c, k, v);
    }

    if (c.isBuilding)
        addBuilding(id, c, wayNodes());
    if (c.isWater)
        addWaterRing("0", wayNodes());
    if (c.isTunnel)
        return;
    const std::pair<bool, int> streetFlags[] = {
        {c.isStream, KindStream},       {c.isMotorway, KindMotorway},         {c.isPrimary, KindPrimary},
        {c.isSecondary, KindSecondary}, {c.isResidential, KindResidential}, {c.isOtherHighway, KindOtherHighway},
        {c.isRailway, KindRailway},     {c.isTram, KindTram}};
    for (const auto& flag : streetFlags)
        if (flag.first)
            addStreet(id, flag.second, c.isBridge, wayNodes());
}

void WayReader::classifyTag(Classification& c, const char* k, const char* v)
{
    if (equals(k, "building"))
    {
        c.isBuilding = true;
        c.levels = equals(v, "stadium") ? 10 : 0;
    }
    if (equals(k, "levels") || equals(k, "building:levels") || equals(k, "building:levels:aboveground"))
        c.levels = std::atoi(v);
    if (equals(k, "height") || equals(k, "building:height"))
        c.height = v;

    if (equals(k, "highway"))
    {
        if (equals(v, "motorway") || equals(v, "motorway_link") || equals(v, "trunk") || equals(v, "trunk_link"))
            c.isMotorway = true;
        else if (equals(v, "primary") || equals(v, "primary_link"))
            c.isPrimary = true;
        else if (equals(v, "secondary") || equals(v, "secondary_link") || equals(v, "tertiary") ||
                 equals(v, "tertiary_link") || equals(v, "unclassified") || equals(v, "road"))
            c.isSecondary = true;
        else if (equals(v, "residential") || equals(v, "living_street"))
            c.isResidential = true;
        else
            c.isOtherHighway = true;
    }
    else if (equals(k, "bridge") && equals(v, "yes"))
        c.isBridge = true;
    else if (equals(k, "tunnel") && equals(v, "yes"))
        c.isTunnel = true;
    else if (equals(k, "railway"))
    {
        if (equals(v, "tram"))
            c.isTram = true;
        else
            c.isRailway = true;
    }
    else if ((equals(k, "natural") && equals(v, "water")) || (equals(k, "seamark:type") && equals(v, "fairway")) ||
             (equals(k, "waterway") && equals(v, "riverbank")))
        c.isWater = true;
    else if (equals(k, "waterway") && equals(v, "stream"))
        c.isStream = true;
}

void WayReader::resolve(XmlNode* way)
{
    refs.clear();
    for (XmlNode* nd = way->first_node("nd"); nd; nd = nd->next_sibling())
        if (const rapidxml::xml_attribute<char>* ref = nd->first_attribute("ref"))
            refs.emplace_back(ref->value(), ref->value_size());
    resolved.clear();
    nodes.findAll(refs, resolved);
}

void WayReader::addBuilding(const std::string& id, const Classification& c, const std::vector<OsmNode>& wayNodes)
{
    for (const OsmNode& node : wayNodes)
        records.bounds.widen(node);
    if (wayNodes.empty())
        return;
    records.buildings.push_back(WayGeometry{id, wayNodes});
    if (c.levels > 0 || !c.height.empty())
    {
        WayInfo info;
        info.index = static_cast<int>(records.buildings.size() - 1);
        info.wayId = id;
        info.levels = c.levels;
        info.height = c.height;
        records.buildingInfos.push_back(std::move(info));
    }
}

void WayReader::addWaterRing(const std::string& relationId, const std::vector<OsmNode>& wayNodes)
{
    if (wayNodes.empty())
        return;
    const auto group = waterGroupIndex.find(relationId);
    const int index = group != waterGroupIndex.end() ? group->second : 0;
    records.waterRings[static_cast<std::size_t>(index)].push_back(wayNodes);
}

void WayReader::addStreet(const std::string& id, int kind, bool bridge, const std::vector<OsmNode>& wayNodes)
{
    if (wayNodes.empty())
        return;
    records.streets.push_back(WayGeometry{id, wayNodes});
    WayInfo info;
    info.index = static_cast<int>(records.streets.size() - 1);
    info.wayId = id;
    info.kind = kind;
    info.bridge = bridge;
    records.streetInfos.push_back(std::move(info));
}
