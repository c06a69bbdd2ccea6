#include "osm/NodeRelationReader.h"

#include "osm/NumberText.h"
#include "osm/XmlText.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

namespace
{
constexpr std::size_t batchSize = 256;

// The element name as the parser will read it from the start tag.
std::string_view elementName(std::string_view startTag)
{
    std::size_t length = 1;
    while (length < startTag.size() && std::strchr(" \t\r\n/>?", startTag[length]) == nullptr)
        ++length;
    return startTag.substr(1, length - 1);
}
} // namespace

NodeRelationReader::NodeRelationReader(NodeTable& table_) : table(&table_)
{
}

NodeRelationReader::NodeRelationReader() : nodesBegun(true)
{
}

bool NodeRelationReader::wants(long offset, std::string_view startTag)
{
    const std::string_view name = elementName(startTag);
    relationAnnounced = relationAnnounced || name == "relation";
    if (name == "way" && firstWay < 0)
        firstWay = offset;
    // A way before the first relation matters to neither pass unless it carries
    // coordinates (any "lat" in its start tag may be one); the ways pass parses it.
    return relationAnnounced || name != "way" || startTag.find("lat") != std::string_view::npos;
}

void NodeRelationReader::read(XmlNode* element)
{
    nodesBegun = nodesBegun || equals(element->name(), "node");
    relationsBegun = relationsBegun || equals(element->name(), "relation");
    if (nodesBegun)
        readNode(element);
    if (relationsBegun)
        readRelation(element);
}

bool NodeRelationReader::readyForLaterStretch() const
{
    return nodesBegun && !relationsBegun;
}

void NodeRelationReader::append(NodeRelationReader& later)
{
    storeNodes();
    table->insertAll(std::move(later.readNodes));
    relations.append(std::move(later.relations));
    if (firstWay < 0)
        firstWay = later.firstWay;
}

void NodeRelationReader::readNode(XmlNode* element)
{
    std::string_view lat;
    std::string_view lon;
    std::string_view id;
    if (!attributeText(element, "lat", lat) || !attributeText(element, "lon", lon) ||
        !attributeText(element, "id", id))
        return;
    const auto latValue = static_cast<float>(numberFromText(lat));
    const auto lonValue = static_cast<float>(numberFromText(lon));
    if (!std::isfinite(latValue) || !std::isfinite(lonValue))
        return;
    addNode(OsmNode{std::string(id), latValue, lonValue});
}

void NodeRelationReader::addNode(OsmNode&& node)
{
    readNodes.push_back(std::move(node));
    if (table && readNodes.size() == batchSize)
        storeNodes();
}

void NodeRelationReader::storeNodes()
{
    if (table)
        table->insertAll(std::move(readNodes));
}

void NodeRelationReader::readRelation(XmlNode* element)
{
    const char* id = attributeValue(element, "id");
    if (!id)
        return;
    bool isBuilding = false;
    bool isWater = false;
    int levels = 0;
    std::string height;
    for (XmlNode* tag = element->first_node("tag"); tag; tag = tag->next_sibling())
    {
        const char* k = attributeValue(tag, "k");
        const char* v = attributeValue(tag, "v");
        if (!k || !v)
            continue;
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
        const char* ref = attributeValue(member, "ref");
        if (!ref)
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
}
