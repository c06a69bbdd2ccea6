#include "osm/OsmParser.h"

#include "osm/FileStamp.h"
#include "osm/KeptTags.h"
#include "osm/NodeRelationReader.h"
#include "osm/OsmChunkReader.h"
#include "osm/OsmiumReader.h"
#include "osm/WayBuffer.h"
#include "osm/WayReader.h"
#include "osm/XmlNesting.h"

#include <rapidxml/rapidxml.hpp>

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <future>
#include <iostream>
#include <memory>
#include <sstream>
#include <stdexcept>

namespace
{
using XmlNode = rapidxml::xml_node<char>;

// A stretch of the file is read on a second thread only when both halves are at
// least this big; below, the thread costs more than it saves.
constexpr long minimumHalf = 1 << 20;

// The parsed tree of a file read whole takes about three times its size.
constexpr std::size_t wholeFileLimit = std::size_t(512) << 20;

std::string numberText(double value)
{
    std::ostringstream out;
    out << value;
    return out.str();
}

void checkGridSize(double gridSize)
{
    if (!std::isfinite(gridSize) || gridSize <= 0.0)
        throw std::runtime_error("invalid grid size " + numberText(gridSize) +
                                 ": it must be a positive number of degrees");
}

// Buildings on one meridian or parallel (or a single node) span nothing: cells of no
// width would hold nothing. Half a grid cell around the line, still one cell.
void widenIfFlat(double& low, double& high, double gridSize)
{
    if (high > low)
        return;
    low -= gridSize / 4.0;
    high += gridSize / 4.0;
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

// Visits the root's children from offset on with first. When the file is big
// enough, the part from a child start near middle on is read at the same time on
// another thread, by second with a reader of its own. If first then stops exactly
// where second began and second's assumptions hold, second's records follow first's;
// otherwise first reads on itself. Returns whether the end of the file was reached.
template <class Reader>
bool visitInHalves(OsmChunkReader& reader, const std::string& path, long offset, long middle, Reader& first,
                   Reader& second, const OsmParser::Progress& progress)
{
    const bool halves = middle - offset >= minimumHalf && static_cast<long>(reader.fileSize()) - middle >= minimumHalf;
    const long split = halves ? reader.likelyChildStart(middle) : -1;
    // The calling thread's stretch tells: the other is read at the same time.
    const double stretch = static_cast<double>(split > 0 ? split : std::max<long>(1, reader.fileSize()));
    if (progress)
        reader.setProgress([&progress, stretch](long read) { progress(std::min(1.0, read / stretch)); });
    if (split < 0)
        return reader.visit(offset, LONG_MAX, first) == OsmChunkReader::Outcome::Finished;

    std::future<bool> later = std::async(std::launch::async, [&path, split, &second] {
        OsmChunkReader own(path);
        return own.visit(split, LONG_MAX, second) == OsmChunkReader::Outcome::Finished;
    });
    const OsmChunkReader::Outcome outcome = reader.visit(offset, split, first);
    const bool laterFinished = later.get();
    if (outcome != OsmChunkReader::Outcome::Stopped)
        return outcome == OsmChunkReader::Outcome::Finished;
    if (reader.stoppedAt() == split && laterFinished && first.readyForLaterStretch())
    {
        first.append(second);
        return true;
    }
    return reader.visit(reader.stoppedAt(), LONG_MAX, first) == OsmChunkReader::Outcome::Finished;
}

// The line of the text that holds the position (1 for the first).
long lineOf(const std::vector<char>& text, const char* at)
{
    const char* first = text.data();
    const char* last = at && at >= first && at <= first + text.size() ? at : first;
    return 1 + std::count(first, last, '\n');
}

template <class Items, class IdOf>
const typename Items::value_type* findById(const Items& items, OsmId id, IdOf idOf)
{
    const auto found = std::find_if(items.begin(), items.end(), [&](const auto& item) { return idOf(item) == id; });
    return found == items.end() ? nullptr : &*found;
}

// A cell's west (south) edge; the east (north) edge is this plus the size.
double lowEdge(int cell, double size, double origin)
{
    return cell * size + origin;
}

// The cells along one axis that hold the coordinate, by the edges the cell queries
// use. Only the cell the division points at and its two neighbours can, since
// rounding of the edge formula moves an edge node by one cell at most.
int cellsHolding(double coordinate, double origin, double size, int (&cells)[3])
{
    if (!(size > 0.0))
        return 0;
    const double position = std::floor((coordinate - origin) / size);
    if (!(position >= INT_MIN - 1.0 && position <= INT_MAX + 1.0))
        return 0;
    int count = 0;
    const auto middle = static_cast<long long>(position);
    for (long long cell = std::max<long long>(middle - 1, INT_MIN); cell <= std::min<long long>(middle + 1, INT_MAX);
         ++cell)
    {
        const double low = lowEdge(static_cast<int>(cell), size, origin);
        if (low <= coordinate && coordinate < low + size)
            cells[count++] = static_cast<int>(cell);
    }
    return count;
}
} // namespace

OsmParser::OsmParser(std::string fileName, int& columnCountOut, int& rowCountOut, double gridSize, Progress progress_)
    : progress(std::move(progress_))
{
    load(fileName, gridSize);
    columnCountOut = columnCount;
    rowCountOut = rowCount;
}

OsmParser::~OsmParser()
{
    std::cout << "~OsmParser" << std::endl;
}

void OsmParser::load(const std::string& fileName, double gridSize)
{
    // Checked before the file is read, so a bad value costs no loading time.
    checkGridSize(gridSize);
    // The file is opened more than once (by format, by stretch, by pass): a file
    // that changes meanwhile would give records of two versions, or a truncated
    // read that looks like malformed data.
    const FileStamp before = FileStamp::of(fileName);
    NodeBounds extent;
    try
    {
        extent = readRecords(fileName);
    }
    catch (const std::exception&)
    {
        refuseIfChanged(fileName, before);
        throw;
    }
    refuseIfChanged(fileName, before);
    releaseNodes(extent);
    if (!extent.valid)
        extent = allNodesBounds;
    if (!extent.valid)
        throw std::runtime_error("no nodes in file " + fileName);
    minLon = extent.minLon;
    maxLon = extent.maxLon;
    minLat = extent.minLat;
    maxLat = extent.maxLat;
    widenIfFlat(minLon, maxLon, gridSize);
    widenIfFlat(minLat, maxLat, gridSize);
    columnCount = gridCount(maxLon - minLon, gridSize);
    rowCount = gridCount(maxLat - minLat, gridSize);
    buildCellIndex();
}

// The records of the file, by the reader its format needs; the files are closed on return.
NodeBounds OsmParser::readRecords(const std::string& fileName)
{
    fileFormat = detectOsmFormat(fileName);
    if (fileFormat != OsmFormat::Xml)
        return loadWithOsmium(fileName);
    NodeBounds extent;
    OsmChunkReader reader(fileName);
    if (!loadStreamed(fileName, reader, extent))
        extent = loadWhole(reader);
    return extent;
}

void OsmParser::refuseIfChanged(const std::string& fileName, const FileStamp& before)
{
    if (FileStamp::of(fileName) != before)
        throw std::runtime_error(fileName + ": the file changed while it was read");
}

// The common case: the file is read in pieces, nodes and relations in one sweep
// (they fill separate records), then the ways from the first way on; each sweep
// on two threads when the file is big. The progress lines come once all parsed.
bool OsmParser::loadStreamed(const std::string& fileName, OsmChunkReader& reader, NodeBounds& extent)
{
    forgetNodes();
    NodeRelationReader nodesAndRelations(nodes);
    NodeRelationReader laterNodesAndRelations;
    const long size = static_cast<long>(reader.fileSize());
    if (!visitInHalves(reader, fileName, 0, size / 2, nodesAndRelations, laterNodesAndRelations, progress))
        return false;
    nodesAndRelations.storeNodes();

    const RelationRecords& relations = nodesAndRelations.relations;
    const std::unordered_map<OsmId, int> waterGroupIndex = relations.waterGroupIndex();
    WayRecords ways = readBufferedWays(std::move(nodesAndRelations.ways), relations, waterGroupIndex);

    std::cout << " start parser 1 " << std::endl;
    std::cout << " start parser 2" << std::endl;
    extent = takeRecords(std::move(nodesAndRelations.kept), std::move(ways));
    return true;
}

// Each stretch's buffered ways on a thread of its own, joined in order. Joining copies
// the way nodes: the buffers and the node table are given back first.
WayRecords OsmParser::readBufferedWays(std::vector<WayBuffer>&& buffers, const RelationRecords& relations,
                                       const std::unordered_map<OsmId, int>& waterGroupIndex)
{
    std::vector<std::unique_ptr<WayReader>> readers;
    std::vector<std::future<void>> reading;
    for (const WayBuffer& buffer : buffers)
    {
        readers.push_back(std::make_unique<WayReader>(nodes, relations, waterGroupIndex));
        reading.push_back(std::async(std::launch::async, [&buffer, reader = readers.back().get()] {
            buffer.readInto(*reader);
        }));
    }
    for (std::future<void>& done : reading)
        done.get();
    if (readers.empty())
        readers.push_back(std::make_unique<WayReader>(nodes, relations, waterGroupIndex));
    std::vector<WayBuffer>().swap(buffers);
    NodeBounds buildingBounds;
    for (const auto& reader : readers)
        buildingBounds.widen(reader->records.bounds);
    releaseNodes(buildingBounds);
    for (std::size_t i = 1; i < readers.size(); ++i)
        readers.front()->append(*readers[i]);
    return std::move(readers.front()->records);
}

// Anything the streamed reading does not take: the whole document in one tree,
// which also gives malformed XML the parser's own error.
NodeBounds OsmParser::loadWhole(OsmChunkReader& reader)
{
    forgetNodes();
    if (reader.fileSize() > wholeFileLimit)
        throw std::runtime_error(reader.filePath() + ": " + std::to_string(reader.fileSize() >> 20) +
                                 " MB of XML that is malformed or not plain OSM XML (a DOCTYPE with declarations, "
                                 "text or CDATA in the root): such files are read whole, up to " +
                                 std::to_string(wholeFileLimit >> 20) + " MB");
    std::vector<char> buffer = reader.readAll();
    if (const char* deep = tooDeeplyNested(buffer.data(), buffer.data() + buffer.size()))
        throw std::runtime_error(reader.filePath() + ": line " + std::to_string(lineOf(buffer, deep)) +
                                 ": elements nested more than " + std::to_string(maxXmlNesting) + " levels deep");
    auto document = std::make_unique<rapidxml::xml_document<char>>();
    try
    {
        document->parse<0>(buffer.data());
    }
    catch (const rapidxml::parse_error& error)
    {
        throw std::runtime_error(reader.filePath() + ": line " + std::to_string(lineOf(buffer, error.where<char>())) +
                                 ": malformed XML: " + error.what());
    }
    std::cout << " start parser 1 " << std::endl;

    // Each pass begins at the root's first element of its name and then takes every
    // element that follows, whatever its name.
    XmlNode* root = document->first_node("osm");
    auto walk = [root](const char* first, const std::function<void(XmlNode*)>& read) {
        for (XmlNode* element = root ? root->first_node(first) : nullptr; element; element = element->next_sibling())
            read(element);
    };
    NodeRelationReader nodesAndRelations(nodes);
    walk("node", [&](XmlNode* element) { nodesAndRelations.readNode(element); });
    nodesAndRelations.storeNodes();
    std::cout << " start parser 2" << std::endl;
    walk("relation", [&](XmlNode* element) { nodesAndRelations.readRelation(element); });
    const std::unordered_map<OsmId, int> waterGroupIndex = nodesAndRelations.relations.waterGroupIndex();
    WayReader ways(nodes, nodesAndRelations.relations, waterGroupIndex);
    walk("way", [&](XmlNode* element) { ways.read(element); });
    return takeRecords(std::move(nodesAndRelations.kept), std::move(ways.records));
}

// Every format but plain XML: the same readers, fed by libosmium.
NodeBounds OsmParser::loadWithOsmium(const std::string& fileName)
{
    forgetNodes();
    OsmiumReader reader(fileName, fileFormat);
    NodeRelationReader nodesAndRelations(nodes);
    reader.readNodesAndRelations(nodesAndRelations);
    nodesAndRelations.storeNodes();
    std::cout << " start parser 1 " << std::endl;
    std::cout << " start parser 2" << std::endl;
    const std::unordered_map<OsmId, int> waterGroupIndex = nodesAndRelations.relations.waterGroupIndex();
    WayReader ways(nodes, nodesAndRelations.relations, waterGroupIndex);
    reader.readWays(ways);
    return takeRecords(std::move(nodesAndRelations.kept), std::move(ways.records));
}

// Moves the ways pass's records into the store; returns the extent of the building nodes.
// Moves the passes' records into the store, the relations pass's kept records
// first; returns the extent of the building nodes.
NodeBounds OsmParser::takeRecords(KeptRecords&& nodesAndRelations, WayRecords&& ways)
{
    records = std::move(ways);
    KeptRecords& tagged = nodesAndRelations;
    tagged.append(std::move(records.kept), 0);
    for (const auto& place : records.relationPlaces)
    {
        tagged.named[place.first].lat = place.second.lat;
        tagged.named[place.first].lon = place.second.lon;
    }
    // A relation whose first way is not in the file has no place.
    tagged.named.erase(std::remove_if(tagged.named.begin(), tagged.named.end(),
                                      [](const KeptRecords::Named& named) { return std::isnan(named.lat); }),
                       tagged.named.end());
    records.kept = std::move(tagged);
    records.relationPlaces.clear();
    return records.bounds;
}

// Each way of loading starts from no nodes.
void OsmParser::forgetNodes()
{
    nodes.clear();
    nodesRead = 0;
    allNodesBounds = NodeBounds();
    nodesReleased = false;
}

// The ways hold copies of what they need: the table goes once they are resolved.
void OsmParser::releaseNodes(const NodeBounds& buildingBounds)
{
    if (nodesReleased)
        return;
    nodesRead = nodes.size();
    // A file of streets alone still gets a grid: its bounds come from every node.
    if (!buildingBounds.valid)
        for (const OsmNode& node : nodes.all())
            allNodesBounds.widen(node);
    nodes.clear();
    nodesReleased = true;
}

Geometries OsmParser::geometries(const WayRecords& records, const WaySpans& spans)
{
    Geometries result;
    result.reserve(spans.size());
    for (const WaySpan& span : spans)
        result.push_back(records.geometry(span));
    return result;
}

Geometries OsmParser::allBuildings() const
{
    return geometries(records, records.buildings);
}

Geometries OsmParser::allStreets() const
{
    return geometries(records, records.streets);
}

std::uint64_t OsmParser::cellKey(int column, int row)
{
    return static_cast<std::uint32_t>(column) | (static_cast<std::uint64_t>(static_cast<std::uint32_t>(row)) << 32);
}

void OsmParser::setCellEdges(int column, int row)
{
    const double cellWidth = (maxLon - minLon) / static_cast<double>(columnCount);
    const double cellHeight = (maxLat - minLat) / static_cast<double>(rowCount);
    cellMinLon = lowEdge(column, cellWidth, minLon);
    cellMaxLon = cellMinLon + cellWidth;
    cellMinLat = lowEdge(row, cellHeight, minLat);
    cellMaxLat = cellMinLat + cellHeight;
}

bool OsmParser::inCell(const OsmNode& node) const
{
    const double lon = node.lon;
    const double lat = node.lat;
    return cellMinLon <= lon && lon < cellMaxLon && cellMinLat <= lat && lat < cellMaxLat;
}

// Files every geometry under the cells whose edges (computed as the scan computes
// them) hold its first node, so the index answers exactly as the scan does.
void OsmParser::fileUnderItsCells(const OsmNode& first, int position, CellIndex& index) const
{
    const double cellWidth = (maxLon - minLon) / static_cast<double>(columnCount);
    const double cellHeight = (maxLat - minLat) / static_cast<double>(rowCount);
    int columns[3];
    int rows[3];
    const int columnsHolding = cellsHolding(first.lon, minLon, cellWidth, columns);
    const int rowsHolding = cellsHolding(first.lat, minLat, cellHeight, rows);
    for (int c = 0; c < columnsHolding; ++c)
        for (int r = 0; r < rowsHolding; ++r)
            index.add(cellKey(columns[c], rows[r]), position);
}

void OsmParser::indexWays(const std::vector<KeptRecords::Way>& ways, CellIndex& index) const
{
    index.reserve(ways.size());
    for (std::size_t i = 0; i < ways.size(); ++i)
        fileUnderItsCells(records.firstNode(ways[i].span), static_cast<int>(i), index);
    index.sort();
}

// Files every geometry under the cells whose edges (computed as the scan computes
// them) hold its first node, so the index answers exactly as the scan does.
void OsmParser::buildCellIndex()
{
    // Most geometries lie inside one cell; only those on an edge take more entries.
    buildingsByCell.reserve(records.buildings.size());
    for (std::size_t i = 0; i < records.buildings.size(); ++i)
        fileUnderItsCells(records.firstNode(records.buildings[i]), static_cast<int>(i), buildingsByCell);
    buildingsByCell.sort();

    // A street geometry answers for every kind recorded under its way id.
    std::unordered_map<OsmId, std::vector<int>> kindsOfWay;
    for (const WayInfo& info : records.streetInfos)
    {
        std::vector<int>& kinds = kindsOfWay[info.wayId];
        if (std::find(kinds.begin(), kinds.end(), info.kind) == kinds.end())
            kinds.push_back(info.kind);
    }
    for (std::size_t i = 0; i < records.streets.size(); ++i)
        for (int kind : kindsOfWay[records.streets[i].id])
            fileUnderItsCells(records.firstNode(records.streets[i]), static_cast<int>(i), streetsByKindCell[kind]);
    for (auto& byKind : streetsByKindCell)
        byKind.second.sort();

    const WayInfos& buildingInfos = records.buildingInfos;
    for (std::size_t i = 0; i < buildingInfos.size(); ++i)
        firstBuildingInfo.emplace(buildingInfos[i].wayId, static_cast<int>(i));
    const WayInfos& streetInfos = records.streetInfos;
    for (std::size_t i = 0; i < streetInfos.size(); ++i)
        firstStreetInfo[streetInfos[i].kind].emplace(streetInfos[i].wayId, static_cast<int>(i));
    buildTaggedIndex();
}

void OsmParser::buildTaggedIndex()
{
    const KeptRecords& tagged = records.kept;
    indexWays(tagged.buildingParts, partsByCell);
    indexWays(tagged.areas, areasByCell);
    indexWays(tagged.coastlines, coastlinesByCell);
    indexWays(tagged.treeRows, treeRowsByCell);
    for (std::size_t i = 0; i < tagged.trees.size(); ++i)
        fileUnderItsCells(tagged.trees[i].node, static_cast<int>(i), treesByCell);
    treesByCell.sort();
    for (std::size_t i = 0; i < tagged.named.size(); ++i)
        fileUnderItsCells(OsmNode{0, tagged.named[i].lat, tagged.named[i].lon}, static_cast<int>(i), namedByCell);
    namedByCell.sort();

    for (std::size_t i = 0; i < tagged.memberWays.size(); ++i)
        memberWayIndex.emplace(tagged.memberWays[i].span.id, static_cast<std::uint32_t>(i));
    for (std::size_t i = 0; i < tagged.relations.size(); ++i)
    {
        const KeptRecords::Relation& relation = tagged.relations[i];
        for (std::uint32_t m = relation.firstMember; m < relation.firstMember + relation.memberCount; ++m)
        {
            const KeptRecords::Member& member = tagged.members[m];
            const KeptRecords::Way* way = member.type == OsmType::Way ? memberWay(member.ref) : nullptr;
            if (way)
            {
                fileUnderItsCells(records.firstNode(way->span), static_cast<int>(i), relationsByCell);
                break;
            }
        }
    }
    relationsByCell.sort();
}

TaggedWay OsmParser::taggedWay(const KeptRecords::Way& way) const
{
    return TaggedWay{records.geometry(way.span), records.kept.tags.tags(way.tags)};
}

std::vector<TaggedWay> OsmParser::waysInCell(const std::vector<KeptRecords::Way>& ways, const CellIndex& index,
                                             int column, int row) const
{
    std::vector<TaggedWay> result;
    const auto cell = index.entriesOf(cellKey(column, row));
    for (auto entry = cell.first; entry != cell.second; ++entry)
        result.push_back(taggedWay(ways[static_cast<std::size_t>(entry->second)]));
    return result;
}

const KeptRecords::Way* OsmParser::memberWay(OsmId id) const
{
    const auto found = memberWayIndex.find(id);
    return found == memberWayIndex.end() ? nullptr : &records.kept.memberWays[found->second];
}

RelationGeometry OsmParser::relationGeometry(const KeptRecords::Relation& relation) const
{
    const KeptRecords& tagged = records.kept;
    RelationGeometry geometry{relation.id, tagged.tags.tags(relation.tags), {}};
    for (std::uint32_t m = relation.firstMember; m < relation.firstMember + relation.memberCount; ++m)
    {
        const KeptRecords::Member& member = tagged.members[m];
        const KeptRecords::Way* way = member.type == OsmType::Way ? memberWay(member.ref) : nullptr;
        geometry.members.push_back({member.type, member.ref, tagged.tags.text(member.role),
                                    way ? records.geometry(way->span).nodes : std::vector<OsmNode>()});
    }
    return geometry;
}

NamedPlace OsmParser::namedPlace(const KeptRecords::Named& named) const
{
    return NamedPlace{named.type, named.id, records.kept.tags.text(named.name), {}, named.lat, named.lon};
}

std::vector<TaggedWay> OsmParser::taggedBuildingsInCell(int column, int row) const
{
    std::vector<TaggedWay> result;
    const auto cell = buildingsByCell.entriesOf(cellKey(column, row));
    for (auto entry = cell.first; entry != cell.second; ++entry)
    {
        const auto i = static_cast<std::size_t>(entry->second);
        result.push_back({records.geometry(records.buildings[i]), records.kept.tags.tags(records.kept.buildingTags[i])});
    }
    return result;
}

std::vector<TaggedWay> OsmParser::taggedStreetsInCell(int kind, int column, int row) const
{
    std::vector<TaggedWay> result;
    const auto byKind = streetsByKindCell.find(kind);
    if (byKind == streetsByKindCell.end())
        return result;
    const auto cell = byKind->second.entriesOf(cellKey(column, row));
    for (auto entry = cell.first; entry != cell.second; ++entry)
    {
        const auto i = static_cast<std::size_t>(entry->second);
        result.push_back({records.geometry(records.streets[i]), records.kept.tags.tags(records.kept.streetTags[i])});
    }
    return result;
}

std::vector<TaggedWay> OsmParser::buildingPartsInCell(int column, int row) const
{
    return waysInCell(records.kept.buildingParts, partsByCell, column, row);
}

std::vector<TaggedWay> OsmParser::areasInCell(int column, int row) const
{
    return waysInCell(records.kept.areas, areasByCell, column, row);
}

std::vector<TaggedWay> OsmParser::coastlinesInCell(int column, int row) const
{
    return waysInCell(records.kept.coastlines, coastlinesByCell, column, row);
}

std::vector<TaggedWay> OsmParser::treeRowsInCell(int column, int row) const
{
    return waysInCell(records.kept.treeRows, treeRowsByCell, column, row);
}

std::vector<TaggedNode> OsmParser::treesInCell(int column, int row) const
{
    std::vector<TaggedNode> result;
    const auto cell = treesByCell.entriesOf(cellKey(column, row));
    for (auto entry = cell.first; entry != cell.second; ++entry)
    {
        const KeptRecords::Node& tree = records.kept.trees[static_cast<std::size_t>(entry->second)];
        result.push_back({tree.node, records.kept.tags.tags(tree.tags)});
    }
    return result;
}

std::vector<RelationGeometry> OsmParser::relationsInCell(int column, int row) const
{
    std::vector<RelationGeometry> result;
    const auto cell = relationsByCell.entriesOf(cellKey(column, row));
    for (auto entry = cell.first; entry != cell.second; ++entry)
        result.push_back(relationGeometry(records.kept.relations[static_cast<std::size_t>(entry->second)]));
    return result;
}

std::vector<NamedPlace> OsmParser::namedInCell(int column, int row) const
{
    std::vector<NamedPlace> result;
    const auto cell = namedByCell.entriesOf(cellKey(column, row));
    for (auto entry = cell.first; entry != cell.second; ++entry)
        result.push_back(namedPlace(records.kept.named[static_cast<std::size_t>(entry->second)]));
    return result;
}

std::vector<TaggedWay> OsmParser::allCoastlines() const
{
    std::vector<TaggedWay> result;
    for (const KeptRecords::Way& coastline : records.kept.coastlines)
        result.push_back(taggedWay(coastline));
    return result;
}

// A scan: asked once per pick, not per frame or per cell.
std::optional<Tags> OsmParser::tagsOf(OsmType type, OsmId id) const
{
    const KeptRecords& kept = records.kept;
    if (type == OsmType::Relation)
    {
        const auto* relation = findById(kept.relations, id, [](const KeptRecords::Relation& r) { return r.id; });
        return relation ? std::optional<Tags>(kept.tags.tags(relation->tags)) : std::nullopt;
    }
    if (type == OsmType::Node)
    {
        const auto* tree = findById(kept.trees, id, [](const KeptRecords::Node& t) { return t.node.id; });
        return tree ? std::optional<Tags>(kept.tags.tags(tree->tags)) : std::nullopt;
    }
    const auto spanId = [](const WaySpan& span) { return span.id; };
    if (const WaySpan* building = findById(records.buildings, id, spanId))
        return kept.tags.tags(kept.buildingTags[static_cast<std::size_t>(building - records.buildings.data())]);
    if (const WaySpan* street = findById(records.streets, id, spanId))
        return kept.tags.tags(kept.streetTags[static_cast<std::size_t>(street - records.streets.data())]);
    for (const std::vector<KeptRecords::Way>* ways :
         {&kept.buildingParts, &kept.areas, &kept.coastlines, &kept.treeRows, &kept.memberWays})
        if (const auto* way = findById(*ways, id, [](const KeptRecords::Way& w) { return w.span.id; }))
            return kept.tags.tags(way->tags);
    return std::nullopt;
}

// Buildings with a street and a house number, placed at the middle of their outline.
std::vector<NamedPlace> OsmParser::allAddresses() const
{
    std::vector<NamedPlace> result;
    for (std::size_t i = 0; i < records.buildings.size(); ++i)
    {
        const Tags tags = records.kept.tags.tags(records.kept.buildingTags[i]);
        const std::string_view street = tagValue(tags, "addr:street");
        const std::string_view number = tagValue(tags, "addr:housenumber");
        if (street.empty() || number.empty())
            continue;
        NodeBounds bounds;
        for (const OsmNode& node : records.geometry(records.buildings[i]).nodes)
            bounds.widen(node);
        result.push_back(NamedPlace{OsmType::Way, records.buildings[i].id, street, number,
                                    static_cast<float>((bounds.minLat + bounds.maxLat) * 0.5),
                                    static_cast<float>((bounds.minLon + bounds.maxLon) * 0.5)});
    }
    return result;
}

std::vector<NamedPlace> OsmParser::allNamed() const
{
    std::vector<NamedPlace> result;
    for (const KeptRecords::Named& named : records.kept.named)
        result.push_back(namedPlace(named));
    return result;
}

// The indexed queries write nothing, so that a second generator (an export) may ask
// while the data thread does; only the scans below set the cell edges.
std::vector<WayGeometry> OsmParser::buildingsInCell(int column, int row)
{
    std::vector<WayGeometry> result;
    const auto cell = buildingsByCell.entriesOf(cellKey(column, row));
    for (auto entry = cell.first; entry != cell.second; ++entry)
        result.push_back(records.geometry(records.buildings[static_cast<std::size_t>(entry->second)]));
    return result;
}

std::vector<WayInfo> OsmParser::buildingInfosInCell(int column, int row)
{
    std::vector<WayInfo> result;
    const auto cell = buildingsByCell.entriesOf(cellKey(column, row));
    for (auto entry = cell.first; entry != cell.second; ++entry)
    {
        const auto info = firstBuildingInfo.find(records.buildings[static_cast<std::size_t>(entry->second)].id);
        if (info != firstBuildingInfo.end())
            result.push_back(records.buildingInfos[static_cast<std::size_t>(info->second)]);
    }
    return result;
}

std::vector<WayGeometry> OsmParser::streetsInCell(int kind, int column, int row)
{
    std::vector<WayGeometry> result;
    const auto byKind = streetsByKindCell.find(kind);
    if (byKind == streetsByKindCell.end())
        return result;
    const auto cell = byKind->second.entriesOf(cellKey(column, row));
    for (auto entry = cell.first; entry != cell.second; ++entry)
        result.push_back(records.geometry(records.streets[static_cast<std::size_t>(entry->second)]));
    return result;
}

std::vector<WayInfo> OsmParser::streetInfosOfKind(int kind) const
{
    std::vector<WayInfo> result;
    for (const WayInfo& info : records.streetInfos)
        if (info.kind == kind)
            result.push_back(info);
    return result;
}

std::vector<WayInfo> OsmParser::firstStreetInfos(int kind, const std::vector<WayGeometry>& ways) const
{
    std::vector<WayInfo> result;
    const auto ofKind = firstStreetInfo.find(kind);
    if (ofKind == firstStreetInfo.end())
        return result;
    for (const WayGeometry& way : ways)
    {
        const auto first = ofKind->second.find(way.id);
        if (first != ofKind->second.end())
            result.push_back(records.streetInfos[static_cast<std::size_t>(first->second)]);
    }
    return result;
}

std::vector<WayInfo> OsmParser::scanFirstStreetInfos(int kind, const std::vector<WayGeometry>& ways) const
{
    std::vector<WayInfo> result;
    for (const WayGeometry& way : ways)
    {
        const auto first = std::find_if(records.streetInfos.begin(), records.streetInfos.end(), [&](const WayInfo& info) {
            return info.kind == kind && info.wayId == way.id;
        });
        if (first != records.streetInfos.end())
            result.push_back(*first);
    }
    return result;
}

std::vector<WaterGroup> OsmParser::waterRingGroups() const
{
    return records.waterRings;
}

const std::vector<std::vector<OsmId>>& OsmParser::waterRingFeatures() const
{
    return records.waterRingFeatures;
}

std::vector<WayGeometry> OsmParser::scanBuildingsInCell(int column, int row)
{
    setCellEdges(column, row);
    std::vector<WayGeometry> result;
    for (const WaySpan& building : records.buildings)
        if (inCell(records.firstNode(building)))
            result.push_back(records.geometry(building));
    return result;
}

std::vector<WayInfo> OsmParser::scanBuildingInfosInCell(int column, int row)
{
    setCellEdges(column, row);
    std::vector<WayInfo> result;
    for (const WaySpan& building : records.buildings)
    {
        if (!inCell(records.firstNode(building)))
            continue;
        const auto info = std::find_if(records.buildingInfos.begin(), records.buildingInfos.end(),
                                       [&](const WayInfo& i) { return i.wayId == building.id; });
        if (info != records.buildingInfos.end())
            result.push_back(*info);
    }
    return result;
}

std::vector<WayGeometry> OsmParser::scanStreetsInCell(int kind, int column, int row)
{
    setCellEdges(column, row);
    std::vector<WayGeometry> result;
    for (const WaySpan& street : records.streets)
    {
        if (!inCell(records.firstNode(street)))
            continue;
        const bool hasKind = std::any_of(records.streetInfos.begin(), records.streetInfos.end(), [&](const WayInfo& i) {
            return i.wayId == street.id && i.kind == kind;
        });
        if (hasKind)
            result.push_back(records.geometry(street));
    }
    return result;
}
