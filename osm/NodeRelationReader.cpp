#include "osm/NodeRelationReader.h"

#include "osm/KeptTags.h"
#include "osm/NumberText.h"
#include "osm/XmlText.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace
{
constexpr float unplaced = std::numeric_limits<float>::quiet_NaN();

// A megabyte of nodes: small enough to give back one by one while the table fills.
constexpr std::size_t chunkSize = 1 << 16;

// Ids are per type: node 5 is not way 5. A member without a type is taken for a way.
OsmType typeOf(rapidxml::xml_node<char>* member)
{
    const char* type = attributeValue(member, "type");
    if (type && equals(type, "node"))
        return OsmType::Node;
    if (type && equals(type, "relation"))
        return OsmType::Relation;
    return OsmType::Way;
}
} // namespace

NodeRelationReader::NodeRelationReader(NodeTable& table_) : ways(1), table(&table_)
{
}

NodeRelationReader::NodeRelationReader() : ways(1), nodesBegun(true), waysBegun(true)
{
}

void NodeRelationReader::read(XmlNode* element)
{
    nodesBegun = nodesBegun || equals(element->name(), "node");
    relationsBegun = relationsBegun || equals(element->name(), "relation");
    if (equals(element->name(), "way") && firstWayElement == noWay)
        firstWayElement = ways.back().size();
    if (nodesBegun)
        readNode(element);
    if (relationsBegun)
        readRelation(element);
    if (waysBegun || firstWayElement != noWay)
        ways.back().add(element);
}

bool NodeRelationReader::readyForLaterStretch() const
{
    return nodesBegun && !relationsBegun;
}

void NodeRelationReader::append(NodeRelationReader& later)
{
    for (NodeTable::NodeArray& chunk : later.readNodes)
        readNodes.push_back(std::move(chunk));
    later.readNodes.clear();
    relations.append(std::move(later.relations), static_cast<std::uint32_t>(kept.named.size()));
    kept.append(std::move(later.kept), 0);
    // The later reader kept every element; the ways pass begins at the first way.
    if (!waysBegun && firstWayElement == noWay)
        later.ways.front().dropBefore(later.firstWayElement);
    for (WayBuffer& buffer : later.ways)
        ways.push_back(std::move(buffer));
    later.ways.clear();
}

void NodeRelationReader::readNode(XmlNode* element)
{
    std::string_view lat;
    std::string_view lon;
    std::string_view idText;
    OsmId id = 0;
    if (!attributeText(element, "lat", lat) || !attributeText(element, "lon", lon) ||
        !attributeText(element, "id", idText) || !idFromText(idText, id))
        return;
    const auto latValue = static_cast<float>(numberFromText(lat));
    const auto lonValue = static_cast<float>(numberFromText(lon));
    if (!std::isfinite(latValue) || !std::isfinite(lonValue))
        return;
    const OsmNode node{id, latValue, lonValue};
    addNode(node);
    if (!element->first_node())
        return;
    readTags(element, elementTags);
    keepNodeTags(node, elementTags);
}

void NodeRelationReader::keepNodeTags(const OsmNode& node, const Tags& tags)
{
    if (tagValue(tags, "natural") == "tree")
        kept.trees.push_back({node, kept.tags.add(keptTags(tags, isTreeKey))});
    const std::string_view name = tagValue(tags, "name");
    if (!name.empty())
        kept.named.push_back({OsmType::Node, node.id, kept.tags.intern(name), node.lat, node.lon});
}

void NodeRelationReader::addNode(const OsmNode& node)
{
    if (readNodes.empty() || readNodes.back().size() == chunkSize)
    {
        readNodes.emplace_back();
        readNodes.back().reserve(chunkSize);
    }
    readNodes.back().push_back(node);
}

void NodeRelationReader::storeNodes()
{
    if (table)
        table->insertAll(std::move(readNodes));
}

void NodeRelationReader::readRelation(XmlNode* element)
{
    std::string_view idText;
    OsmId id = 0;
    if (!attributeText(element, "id", idText) || !idFromText(idText, id))
        return;
    bool isBuilding = false;
    bool isWater = false;
    int levels = 0;
    std::string height;
    readTags(element, elementTags);
    for (const auto& tag : elementTags)
    {
        // The parsed values end with a zero byte.
        const char* k = tag.first.data();
        const char* v = tag.second.data();
        if (equals(k, "levels") || equals(k, "building:levels") || equals(k, "building:levels:aboveground"))
            levels = std::atoi(v);
        else if (equals(k, "height") || equals(k, "building:height"))
            height = v;
        else if (equals(k, "building"))
        {
            isBuilding = true;
            levels = 0;
        }
        else if ((equals(k, "natural") && equals(v, "water")) ||
                 (equals(k, "seamark:type") && equals(v, "fairway")) ||
                 (equals(k, "waterway") && equals(v, "riverbank")))
            isWater = true;
    }

    for (XmlNode* member = element->first_node("member"); member; member = member->next_sibling())
    {
        std::string_view refText;
        OsmId ref = 0;
        if (!attributeText(member, "ref", refText) || !idFromText(refText, ref) ||
            typeOf(member) != OsmType::Way)
            continue;
        if (isBuilding)
        {
            WayInfo& info = relations.buildingMembers[ref] = WayInfo();
            info.levels = levels;
            info.height = height;
        }
        if (isWater)
        {
            WayInfo& info = relations.waterMembers[ref] = WayInfo();
            info.relationId = id;
        }
    }
    if (isWater)
        relations.waterRelations.push_back(id);
    keepRelation(id, element);
}

// Multipolygons and building relations are kept whole, with their members' roles;
// a named relation is placed where its first member way lies.
void NodeRelationReader::keepRelation(OsmId id, XmlNode* element)
{
    const std::string_view type = tagValue(elementTags, "type");
    const std::string_view name = tagValue(elementTags, "name");
    const bool keep = type == "multipolygon" || type == "building";
    if (!keep && name.empty())
        return;
    const auto firstMember = static_cast<std::uint32_t>(kept.members.size());
    bool placed = false;
    for (XmlNode* member = element->first_node("member"); member; member = member->next_sibling("member"))
    {
        std::string_view refText;
        OsmId ref = 0;
        if (!attributeText(member, "ref", refText) || !idFromText(refText, ref))
            continue;
        const OsmType memberType = typeOf(member);
        if (keep)
        {
            const char* role = attributeValue(member, "role");
            kept.members.push_back({ref, memberType, kept.tags.intern(role ? role : "")});
            if (memberType == OsmType::Way)
                relations.keptMemberWays.insert(ref);
        }
        if (!name.empty() && !placed && memberType == OsmType::Way)
        {
            relations.namedByFirstWay[ref].push_back(static_cast<std::uint32_t>(kept.named.size()));
            kept.named.push_back({OsmType::Relation, id, kept.tags.intern(name), unplaced, unplaced});
            placed = true;
        }
    }
    if (keep)
        kept.relations.push_back(
            {id, kept.tags.add(elementTags), firstMember, static_cast<std::uint32_t>(kept.members.size()) - firstMember});
}
