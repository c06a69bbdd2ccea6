#include "osm/OsmParser.h"

#include "app/AppSettings.h"
#include "osm/OsmChunkReader.h"

#include <rapidxml/rapidxml.hpp>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iostream>
#include <memory>
#include <sstream>
#include <stdexcept>

namespace
{
bool equals(const char* a, const char* b)
{
    return std::strcmp(a, b) == 0;
}

// The value of an element's first attribute of that name, or null when it has none.
const char* attribute(rapidxml::xml_node<char>* element, const char* name)
{
    const rapidxml::xml_attribute<char>* a = element->first_attribute(name);
    return a ? a->value() : nullptr;
}

std::string numberText(double value)
{
    std::ostringstream out;
    out << value;
    return out.str();
}

double checkedGridSize()
{
    const double gridSize = appSettings().gridSize.load();
    if (!std::isfinite(gridSize) || gridSize <= 0.0)
        throw std::runtime_error("invalid grid size " + numberText(gridSize) +
                                 ": it must be a positive number of degrees");
    return gridSize;
}

int gridCount(double extent, double gridSize)
{
    const double quotient = extent / gridSize;
    if (!(quotient < static_cast<double>(INT_MAX)))
        throw std::runtime_error("grid size " + numberText(gridSize) +
                                 " is too small: the grid would have more than " +
                                 std::to_string(INT_MAX) + " cells along one side");
    return static_cast<int>(quotient) + 1;
}

// A pass over the root's children begins at the first element of its name and
// then takes every element that follows, whatever its name.
struct PassStart
{
    const char* name;
    bool started = false;

    bool reached(rapidxml::xml_node<char>* element)
    {
        started = started || equals(element->name(), name);
        return started;
    }
};

// Candidate cells of a coordinate: the cell the division points at and its two
// neighbours, since rounding of the edge formula can move an edge node either way.
// Empty when the coordinate lies beyond any 32-bit address.
std::vector<int> candidateCells(double coordinate, double origin, double size)
{
    if (!(size > 0.0))
        return {};
    const double position = std::floor((coordinate - origin) / size);
    if (!(position >= INT_MIN - 1.0 && position <= INT_MAX + 1.0))
        return {};
    std::vector<int> cells;
    const auto cell = static_cast<long long>(position);
    for (long long candidate = cell - 1; candidate <= cell + 1; ++candidate)
        if (candidate >= INT_MIN && candidate <= INT_MAX)
            cells.push_back(static_cast<int>(candidate));
    return cells;
}
} // namespace

OsmParser::OsmParser(std::string fileName, int& columnCountOut, int& rowCountOut)
{
    load(fileName);
    columnCountOut = columnCount;
    rowCountOut = rowCount;
}

OsmParser::~OsmParser()
{
    std::cout << "~OsmParser" << std::endl;
}

void OsmParser::load(const std::string& fileName)
{
    const double gridSize = checkedGridSize();
    OsmChunkReader reader(fileName);
    if (!loadStreamed(reader))
        loadWhole(reader);

    if (!haveBounds)
    {
        // A file of streets alone still gets a grid: its bounds come from every node.
        if (nodes.empty())
            throw std::runtime_error("no nodes in file " + fileName);
        for (const OsmNode& node : nodes.all())
            widenBounds(node);
    }
    columnCount = gridCount(maxLon - minLon, gridSize);
    rowCount = gridCount(maxLat - minLat, gridSize);
    buildCellIndex();
}

// The common case: the file is read in pieces, nodes and relations in one sweep
// (they fill separate records), then the ways from the first way on.
bool OsmParser::loadStreamed(OsmChunkReader& reader)
{
    resetRecords();
    nodes.reserve(reader.fileSize() / 256);
    PassStart nodesStart{"node"};
    PassStart relationsStart{"relation"};
    long firstWay = -1;
    const bool read = reader.visit(0, [&](XmlNode* element) {
        if (nodesStart.reached(element))
            readNode(element);
        if (relationsStart.reached(element))
            readRelation(element);
        if (firstWay < 0 && equals(element->name(), "way"))
            firstWay = reader.fileOffsetOf(element);
    });
    if (!read)
        return false;
    std::cout << " start parser 1 " << std::endl;
    std::cout << " start parser 2" << std::endl;
    waterRings.resize(static_cast<std::size_t>(nextWaterGroup));
    return firstWay < 0 || reader.visit(firstWay, [&](XmlNode* element) { readWay(element); });
}

// Anything the streamed reading does not take: the whole document in one tree,
// which also gives malformed XML the parser's own error.
void OsmParser::loadWhole(OsmChunkReader& reader)
{
    resetRecords();
    std::vector<char> buffer = reader.readAll();
    auto document = std::make_unique<rapidxml::xml_document<char>>();
    document->parse<0>(buffer.data());
    std::cout << " start parser 1 " << std::endl;

    XmlNode* root = document->first_node("osm");
    auto walk = [root](const char* first, const std::function<void(XmlNode*)>& read) {
        for (XmlNode* element = root ? root->first_node(first) : nullptr; element; element = element->next_sibling())
            read(element);
    };
    walk("node", [this](XmlNode* element) { readNode(element); });
    std::cout << " start parser 2" << std::endl;
    walk("relation", [this](XmlNode* element) { readRelation(element); });
    waterRings.resize(static_cast<std::size_t>(nextWaterGroup));
    walk("way", [this](XmlNode* element) { readWay(element); });
}

void OsmParser::resetRecords()
{
    nodes.clear();
    buildings.clear();
    buildingInfos.clear();
    streetInfos.clear();
    waterRings.clear();
    streets.clear();
    buildingMembers.clear();
    waterMembers.clear();
    waterGroupIndex.clear();
    waterGroupIndex["0"] = 0;
    nextWaterGroup = 1;
    haveBounds = false;
}

void OsmParser::readNode(XmlNode* element)
{
    const char* lat = attribute(element, "lat");
    const char* lon = attribute(element, "lon");
    const rapidxml::xml_attribute<char>* id = element->first_attribute("id");
    if (!lat || !lon || !id)
        return;
    const float latValue = static_cast<float>(std::atof(lat));
    const float lonValue = static_cast<float>(std::atof(lon));
    if (std::isfinite(latValue) && std::isfinite(lonValue))
        nodes.insertOrAssign(std::string_view(id->value(), id->value_size()), latValue, lonValue);
}

void OsmParser::readRelation(XmlNode* element)
{
    const char* id = attribute(element, "id");
    if (!id)
        return;
    Classification c;
    for (XmlNode* tag = element->first_node("tag"); tag; tag = tag->next_sibling())
    {
        const char* k = attribute(tag, "k");
        const char* v = attribute(tag, "v");
        if (!k || !v)
            continue;
        if (equals(k, "levels") || equals(k, "building:levels") || equals(k, "building:levels:aboveground"))
            c.levels = std::atoi(v);
        else if (equals(k, "height") || equals(k, "building:height"))
            c.height = v;
        else if (equals(k, "building"))
        {
            c.isBuilding = true;
            c.levels = 0;
        }
        else if ((equals(k, "natural") && equals(v, "water")) ||
                 (equals(k, "seamark:type") && equals(v, "fairway")) ||
                 (equals(k, "waterway") && equals(v, "riverbank")))
            c.isWater = true;
    }

    for (XmlNode* member = element->first_node("member"); member; member = member->next_sibling())
    {
        const char* ref = attribute(member, "ref");
        if (!ref)
            continue;
        if (c.isBuilding)
        {
            WayInfo& info = buildingMembers[ref] = WayInfo();
            info.levels = c.levels;
            info.height = c.height;
        }
        if (c.isWater)
        {
            WayInfo& info = waterMembers[ref] = WayInfo();
            info.relationId = id;
        }
    }
    if (c.isWater)
        waterGroupIndex[id] = nextWaterGroup++;
}

void OsmParser::classifyWayTag(Classification& c, const char* k, const char* v) const
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

void OsmParser::readWay(XmlNode* element)
{
    const char* idText = attribute(element, "id");
    if (!idText)
        return;
    const std::string id = idText;
    Classification c;

    const auto water = waterMembers.find(id);
    if (water != waterMembers.end())
        addWaterRing(element, water->second.relationId);
    const auto building = buildingMembers.find(id);
    if (building != buildingMembers.end())
    {
        c.isBuilding = true;
        c.levels = building->second.levels;
        c.height = building->second.height;
    }

    for (XmlNode* tag = element->first_node("tag"); tag; tag = tag->next_sibling())
    {
        const char* k = attribute(tag, "k");
        const char* v = attribute(tag, "v");
        if (k && v)
            classifyWayTag(c, k, v);
    }

    if (c.isBuilding)
        addBuilding(element, id, c);
    if (c.isWater)
        addWaterRing(element, "0");
    if (c.isTunnel)
        return;
    const std::pair<bool, int> streetFlags[] = {
        {c.isStream, KindStream},       {c.isMotorway, KindMotorway},         {c.isPrimary, KindPrimary},
        {c.isSecondary, KindSecondary}, {c.isResidential, KindResidential}, {c.isOtherHighway, KindOtherHighway},
        {c.isRailway, KindRailway},     {c.isTram, KindTram}};
    for (const auto& flag : streetFlags)
        if (flag.first)
            addStreet(element, id, flag.second, c.isBridge);
}

std::vector<OsmNode> OsmParser::resolveNodes(XmlNode* way) const
{
    std::vector<std::string_view> refs;
    for (XmlNode* nd = way->first_node("nd"); nd; nd = nd->next_sibling())
        if (const rapidxml::xml_attribute<char>* ref = nd->first_attribute("ref"))
            refs.emplace_back(ref->value(), ref->value_size());
    std::vector<OsmNode> resolved;
    resolved.reserve(refs.size());
    nodes.findAll(refs, resolved);
    return resolved;
}

void OsmParser::widenBounds(const OsmNode& node)
{
    const double lon = node.lon;
    const double lat = node.lat;
    if (!haveBounds)
    {
        minLon = maxLon = lon;
        minLat = maxLat = lat;
        haveBounds = true;
        return;
    }
    minLon = std::min(minLon, lon);
    maxLon = std::max(maxLon, lon);
    minLat = std::min(minLat, lat);
    maxLat = std::max(maxLat, lat);
}

void OsmParser::addBuilding(XmlNode* way, const std::string& id, const Classification& c)
{
    std::vector<OsmNode> resolved = resolveNodes(way);
    for (const OsmNode& node : resolved)
        widenBounds(node);
    if (resolved.empty())
        return;
    buildings.push_back(WayGeometry{id, std::move(resolved)});
    if (c.levels > 0 || !c.height.empty())
    {
        WayInfo info;
        info.index = static_cast<int>(buildings.size() - 1);
        info.wayId = id;
        info.levels = c.levels;
        info.height = c.height;
        buildingInfos.push_back(std::move(info));
    }
}

void OsmParser::addWaterRing(XmlNode* way, const std::string& relationId)
{
    std::vector<OsmNode> resolved = resolveNodes(way);
    if (resolved.empty())
        return;
    const auto group = waterGroupIndex.find(relationId);
    const int index = group != waterGroupIndex.end() ? group->second : 0;
    waterRings[static_cast<std::size_t>(index)].push_back(std::move(resolved));
}

void OsmParser::addStreet(XmlNode* way, const std::string& id, int kind, bool bridge)
{
    std::vector<OsmNode> resolved = resolveNodes(way);
    if (resolved.empty())
        return;
    streets.push_back(WayGeometry{id, std::move(resolved)});
    WayInfo info;
    info.index = static_cast<int>(streets.size() - 1);
    info.wayId = id;
    info.kind = kind;
    info.bridge = bridge;
    streetInfos.push_back(std::move(info));
}

std::uint64_t OsmParser::cellKey(int column, int row)
{
    return static_cast<std::uint32_t>(column) | (static_cast<std::uint64_t>(static_cast<std::uint32_t>(row)) << 32);
}

void OsmParser::setCellEdges(int column, int row)
{
    const double cellWidth = (maxLon - minLon) / static_cast<double>(columnCount);
    const double cellHeight = (maxLat - minLat) / static_cast<double>(rowCount);
    cellMinLon = column * cellWidth + minLon;
    cellMaxLon = cellMinLon + cellWidth;
    cellMinLat = row * cellHeight + minLat;
    cellMaxLat = cellMinLat + cellHeight;
}

bool OsmParser::inCell(const OsmNode& node) const
{
    const double lon = node.lon;
    const double lat = node.lat;
    return cellMinLon <= lon && lon < cellMaxLon && cellMinLat <= lat && lat < cellMaxLat;
}

// Files every geometry under the cells whose edge test (the same one the scan
// uses) accepts its first node, so the index answers exactly as the scan does.
void OsmParser::buildCellIndex()
{
    const double cellWidth = (maxLon - minLon) / static_cast<double>(columnCount);
    const double cellHeight = (maxLat - minLat) / static_cast<double>(rowCount);
    auto cellsOf = [&](const OsmNode& first) {
        std::vector<std::uint64_t> cells;
        for (int column : candidateCells(first.lon, minLon, cellWidth))
            for (int row : candidateCells(first.lat, minLat, cellHeight))
            {
                setCellEdges(column, row);
                if (inCell(first))
                    cells.push_back(cellKey(column, row));
            }
        return cells;
    };

    for (std::size_t i = 0; i < buildings.size(); ++i)
        for (std::uint64_t cell : cellsOf(buildings[i].nodes.front()))
            buildingsByCell[cell].push_back(static_cast<int>(i));

    std::unordered_map<std::string, std::vector<int>> kindsOfWay;
    for (const WayInfo& info : streetInfos)
    {
        std::vector<int>& kinds = kindsOfWay[info.wayId];
        if (std::find(kinds.begin(), kinds.end(), info.kind) == kinds.end())
            kinds.push_back(info.kind);
    }
    for (std::size_t i = 0; i < streets.size(); ++i)
        for (std::uint64_t cell : cellsOf(streets[i].nodes.front()))
            for (int kind : kindsOfWay[streets[i].id])
                streetsByKindCell[kind][cell].push_back(static_cast<int>(i));

    for (std::size_t i = 0; i < buildingInfos.size(); ++i)
        firstBuildingInfo.emplace(buildingInfos[i].wayId, static_cast<int>(i));
    cellMinLon = cellMaxLon = cellMinLat = cellMaxLat = 0.0;
}

std::vector<WayGeometry> OsmParser::buildingsInCell(int column, int row)
{
    setCellEdges(column, row);
    std::vector<WayGeometry> result;
    const auto cell = buildingsByCell.find(cellKey(column, row));
    if (cell != buildingsByCell.end())
        for (int position : cell->second)
            result.push_back(buildings[static_cast<std::size_t>(position)]);
    return result;
}

std::vector<WayInfo> OsmParser::buildingInfosInCell(int column, int row)
{
    setCellEdges(column, row);
    std::vector<WayInfo> result;
    const auto cell = buildingsByCell.find(cellKey(column, row));
    if (cell == buildingsByCell.end())
        return result;
    for (int position : cell->second)
    {
        const auto info = firstBuildingInfo.find(buildings[static_cast<std::size_t>(position)].id);
        if (info != firstBuildingInfo.end())
            result.push_back(buildingInfos[static_cast<std::size_t>(info->second)]);
    }
    return result;
}

std::vector<WayGeometry> OsmParser::streetsInCell(int kind, int column, int row)
{
    setCellEdges(column, row);
    std::vector<WayGeometry> result;
    const auto byKind = streetsByKindCell.find(kind);
    if (byKind == streetsByKindCell.end())
        return result;
    const auto cell = byKind->second.find(cellKey(column, row));
    if (cell != byKind->second.end())
        for (int position : cell->second)
            result.push_back(streets[static_cast<std::size_t>(position)]);
    return result;
}

std::vector<WayInfo> OsmParser::streetInfosOfKind(int kind) const
{
    std::vector<WayInfo> result;
    for (const WayInfo& info : streetInfos)
        if (info.kind == kind)
            result.push_back(info);
    return result;
}

std::vector<WaterGroup> OsmParser::waterRingGroups() const
{
    return waterRings;
}

std::vector<WayGeometry> OsmParser::scanBuildingsInCell(int column, int row)
{
    setCellEdges(column, row);
    std::vector<WayGeometry> result;
    for (const WayGeometry& building : buildings)
        if (inCell(building.nodes.front()))
            result.push_back(building);
    return result;
}

std::vector<WayInfo> OsmParser::scanBuildingInfosInCell(int column, int row)
{
    setCellEdges(column, row);
    std::vector<WayInfo> result;
    for (const WayGeometry& building : buildings)
    {
        if (!inCell(building.nodes.front()))
            continue;
        const auto info = std::find_if(buildingInfos.begin(), buildingInfos.end(),
                                       [&](const WayInfo& i) { return i.wayId == building.id; });
        if (info != buildingInfos.end())
            result.push_back(*info);
    }
    return result;
}

std::vector<WayGeometry> OsmParser::scanStreetsInCell(int kind, int column, int row)
{
    setCellEdges(column, row);
    std::vector<WayGeometry> result;
    for (const WayGeometry& street : streets)
    {
        if (!inCell(street.nodes.front()))
            continue;
        const bool hasKind = std::any_of(streetInfos.begin(), streetInfos.end(), [&](const WayInfo& i) {
            return i.wayId == street.id && i.kind == kind;
        });
        if (hasKind)
            result.push_back(street);
    }
    return result;
}
