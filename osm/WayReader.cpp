#include "osm/WayReader.h"

#include "osm/KeptTags.h"
#include "osm/NumberText.h"
#include "osm/XmlText.h"

#include <cstdlib>
#include <limits>
#include <stdexcept>
#include <utility>

WayReader::WayReader(const NodeTable& nodes_, const RelationRecords& relations_,
                     const std::unordered_map<OsmId, int>& waterGroupIndex_)
    : nodes(nodes_), relations(relations_), waterGroupIndex(waterGroupIndex_)
{
    records.waterRings.resize(static_cast<std::size_t>(relations.waterGroupCount()));
    records.waterRingFeatures.resize(records.waterRings.size());
}

void WayReader::read(XmlNode* element)
{
    std::string_view idText;
    OsmId id = 0;
    if (!attributeText(element, "id", idText) || !idFromText(idText, id))
        return;
    current = element;
    readTags(element, wayTags);
    classify(id);
}

void WayReader::readWay(OsmId id, const std::vector<OsmId>& nodeRefs, const Tags& tags)
{
    current = nullptr;
    refs = nodeRefs;
    wayTags = tags;
    classify(id);
}

void WayReader::classify(OsmId id)
{
    Classification c;
    resolvedThis = keptThis = false;

    const auto water = relations.waterMembers.find(id);
    if (water != relations.waterMembers.end())
    {
        const auto group = waterGroupIndex.find(water->second.relationId);
        if (group != waterGroupIndex.end())
            addWaterRing(group->second, water->second.relationId);
        else
            addWaterRing(0, id);
    }
    const auto building = relations.buildingMembers.find(id);
    if (building != relations.buildingMembers.end())
    {
        c.isBuilding = true;
        c.levels = building->second.levels;
        c.height = building->second.height;
    }

    // The values end with a zero byte.
    for (const auto& tag : wayTags)
        classifyTag(c, tag.first.data(), tag.second.data());

    if (c.isBuilding)
        addBuilding(keptSpan(id), c);
    if (c.isWater)
        addWaterRing(0, id);
    keepTagged(id);
    if (c.isTunnel)
        return;
    const std::pair<bool, int> streetFlags[] = {
        {c.isStream, KindStream},       {c.isMotorway, KindMotorway},         {c.isPrimary, KindPrimary},
        {c.isSecondary, KindSecondary}, {c.isResidential, KindResidential}, {c.isOtherHighway, KindOtherHighway},
        {c.isRailway, KindRailway},     {c.isTram, KindTram}};
    for (const auto& flag : streetFlags)
        if (flag.first)
            addStreet(keptSpan(id), flag.second, c.isBridge);
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

const std::vector<OsmNode>& WayReader::resolvedNodes()
{
    if (resolvedThis)
        return resolved;
    resolvedThis = true;
    if (current)
        readRefs();
    resolved.clear();
    nodes.findAll(refs, resolved);
    return resolved;
}

void WayReader::readRefs()
{
    refs.clear();
    for (XmlNode* nd = current->first_node("nd"); nd; nd = nd->next_sibling())
    {
        std::string_view refText;
        OsmId ref = 0;
        if (attributeText(nd, "ref", refText) && idFromText(refText, ref))
            refs.push_back(ref);
    }
}

WaySpan WayReader::keptSpan(OsmId id)
{
    const std::vector<OsmNode>& way = resolvedNodes();
    WayNodes& kept = records.wayNodes;
    if (!keptThis && kept.size() + way.size() > std::numeric_limits<std::uint32_t>::max())
        throw std::runtime_error("more than " + std::to_string(std::numeric_limits<std::uint32_t>::max()) +
                                 " way nodes: too many to load");
    if (!keptThis)
        kept.insert(kept.end(), way.begin(), way.end());
    keptThis = true;
    const auto count = static_cast<std::uint32_t>(way.size());
    return WaySpan{id, static_cast<std::uint32_t>(kept.size()) - count, count};
}

// What the way is beside a building, a street or water: kept with the tags it is
// drawn and found by.
void WayReader::keepTagged(OsmId id)
{
    KeptRecords& kept = records.kept;
    const std::string_view natural = tagValue(wayTags, "natural");
    if (!tagValue(wayTags, "building:part").empty())
        keepWay(kept.buildingParts, id, isBuildingKey);
    if (natural == "coastline")
        keepWay(kept.coastlines, id, isAreaKey);
    if (natural == "tree_row")
        keepWay(kept.treeRows, id, isTreeKey);
    if (isArea(wayTags) && isClosed())
        keepWay(kept.areas, id, isAreaKey);
    if (relations.keptMemberWays.count(id))
        keepWay(kept.memberWays, id, nullptr);

    const std::string_view name = tagValue(wayTags, "name");
    const auto placesRelations = relations.namedByFirstWay.find(id);
    if (name.empty() && placesRelations == relations.namedByFirstWay.end())
        return;
    NodeBounds bounds;
    for (const OsmNode& node : resolvedNodes())
        bounds.widen(node);
    if (!bounds.valid)
        return;
    const OsmNode middle{id, static_cast<float>((bounds.minLat + bounds.maxLat) / 2),
                         static_cast<float>((bounds.minLon + bounds.maxLon) / 2)};
    if (!name.empty())
        kept.named.push_back({OsmType::Way, id, kept.tags.intern(name), middle.lat, middle.lon});
    if (placesRelations != relations.namedByFirstWay.end())
        for (std::uint32_t index : placesRelations->second)
            records.relationPlaces.emplace_back(index, middle);
}

void WayReader::keepWay(std::vector<KeptRecords::Way>& ways, OsmId id, bool (*keep)(std::string_view))
{
    const WaySpan span = keptSpan(id);
    if (span.count > 0)
        ways.push_back({span, keep ? records.kept.tags.add(keptTags(wayTags, keep)) : TagSpan()});
}

bool WayReader::isClosed()
{
    const std::vector<OsmNode>& way = resolvedNodes();
    return way.size() >= 4 && way.front().id == way.back().id;
}

void WayReader::addBuilding(const WaySpan& span, const Classification& c)
{
    for (const OsmNode& node : resolvedNodes())
        records.bounds.widen(node);
    if (span.count == 0)
        return;
    records.buildings.push_back(span);
    records.kept.buildingTags.push_back(records.kept.tags.add(keptTags(wayTags, isBuildingKey)));
    if (c.levels > 0 || !c.height.empty())
    {
        WayInfo info;
        info.index = static_cast<int>(records.buildings.size() - 1);
        info.wayId = span.id;
        info.levels = c.levels;
        info.height = c.height;
        records.buildingInfos.push_back(std::move(info));
    }
}

void WayReader::addWaterRing(int group, OsmId feature)
{
    if (resolvedNodes().empty())
        return;
    records.waterRings[static_cast<std::size_t>(group)].push_back(resolved);
    records.waterRingFeatures[static_cast<std::size_t>(group)].push_back(feature);
}

void WayReader::addStreet(const WaySpan& span, int kind, bool bridge)
{
    if (span.count == 0)
        return;
    records.streets.push_back(span);
    records.kept.streetTags.push_back(records.kept.tags.add(keptTags(wayTags, isStreetKey)));
    WayInfo info;
    info.index = static_cast<int>(records.streets.size() - 1);
    info.wayId = span.id;
    info.kind = kind;
    info.bridge = bridge;
    records.streetInfos.push_back(std::move(info));
}
