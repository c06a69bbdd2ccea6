#pragma once

#include "osm/CellIndex.h"
#include "osm/NamedPlace.h"
#include "osm/NodeTable.h"
#include "osm/OsmFormat.h"
#include "osm/OsmNode.h"
#include "osm/RelationGeometry.h"
#include "osm/TaggedNode.h"
#include "osm/TaggedWay.h"
#include "osm/WayGeometry.h"
#include "osm/WayInfo.h"
#include "osm/WayRecords.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <functional>
#include <optional>
#include <vector>

class OsmChunkReader;
class WayBuffer;
struct RelationRecords;
struct FileStamp;

// The in-memory store of one OSM extract. The constructor loads and classifies
// the whole file and lays a grid over the extent of the buildings; afterwards the
// store is frozen and answers the cell queries.
class OsmParser
{
public:
    // gridSize is the cell edge in degrees. Throws std::runtime_error naming the
    // file and the problem for a file that cannot be opened or read, malformed XML
    // (with its line), an invalid or too small grid size or a file without nodes.
    // How far the reading of the file is, from 0 to 1; called on the constructing thread.
    using Progress = std::function<void(double fraction)>;
    OsmParser(std::string fileName, int& columnCount, int& rowCount, double gridSize, Progress progress = {});
    ~OsmParser();

    OsmParser(const OsmParser&) = delete;
    OsmParser& operator=(const OsmParser&) = delete;

    std::vector<WayGeometry> buildingsInCell(int column, int row);
    std::vector<WayInfo> buildingInfosInCell(int column, int row);
    std::vector<WayGeometry> streetsInCell(int kind, int column, int row);
    std::vector<WayInfo> streetInfosOfKind(int kind) const;
    // The first tag record of the kind of each way that has one, in the ways' order:
    // the records that decide whether the ways are bridges. From the index, so a
    // cell's cost does not grow with the file.
    std::vector<WayInfo> firstStreetInfos(int kind, const std::vector<WayGeometry>& ways) const;
    std::vector<WaterGroup> waterRingGroups() const;
    // Beside each ring of waterRingGroups: the water way it is, or (groups from 1 on)
    // the relation it belongs to.
    const std::vector<std::vector<OsmId>>& waterRingFeatures() const;

    // What is kept beyond the records above, each in the cell of its first node
    // (a relation: of its first member way's first node; a tree or a name: of its
    // position). The tags are views into the store.
    // The same buildings and streets as buildingsInCell and streetsInCell, with tags.
    std::vector<TaggedWay> taggedBuildingsInCell(int column, int row) const;
    std::vector<TaggedWay> taggedStreetsInCell(int kind, int column, int row) const;
    std::vector<TaggedWay> buildingPartsInCell(int column, int row) const;
    // Closed ways of land cover, leisure, natural areas, parking and riverbanks.
    std::vector<TaggedWay> areasInCell(int column, int row) const;
    std::vector<TaggedWay> coastlinesInCell(int column, int row) const;
    std::vector<TaggedWay> treeRowsInCell(int column, int row) const;
    std::vector<TaggedNode> treesInCell(int column, int row) const;
    // Multipolygon and building relations.
    std::vector<RelationGeometry> relationsInCell(int column, int row) const;
    std::vector<NamedPlace> namedInCell(int column, int row) const;
    // Every coastline and every name, wherever they lie: the sea is joined from all
    // coastlines, and a search looks through all names.
    std::vector<TaggedWay> allCoastlines() const;
    std::vector<NamedPlace> allNamed() const;
    std::vector<NamedPlace> allAddresses() const;

    // The same three cell queries answered by scanning every geometry: the
    // reference the indexed queries must equal.
    std::vector<WayGeometry> scanBuildingsInCell(int column, int row);
    std::vector<WayInfo> scanBuildingInfosInCell(int column, int row);
    std::vector<WayGeometry> scanStreetsInCell(int kind, int column, int row);
    std::vector<WayInfo> scanFirstStreetInfos(int kind, const std::vector<WayGeometry>& ways) const;

    double minLon = 0.0;
    double maxLon = 0.0;
    double minLat = 0.0;
    double maxLat = 0.0;
    int columnCount = 0;
    int rowCount = 0;

    OsmFormat format() const { return fileFormat; }

    // Read access for measuring and tests. The node table is given back once the
    // ways are resolved; what remains of it is the count.
    std::size_t nodeCount() const { return nodesRead; }
    std::size_t buildingCount() const { return records.buildings.size(); }
    std::size_t streetCount() const { return records.streets.size(); }
    Geometries allBuildings() const;
    const WayInfos& allBuildingInfos() const { return records.buildingInfos; }
    Geometries allStreets() const;
    const WayInfos& allStreetInfos() const { return records.streetInfos; }
    const KeptRecords& keptRecords() const { return records.kept; }
    // The kept tags of an element; none when the store keeps nothing of it.
    std::optional<Tags> tagsOf(OsmType type, OsmId id) const;

private:
    Progress progress;
    void load(const std::string& fileName, double gridSize);
    NodeBounds readRecords(const std::string& fileName);
    static void refuseIfChanged(const std::string& fileName, const FileStamp& before);
    bool loadStreamed(const std::string& fileName, OsmChunkReader& reader, NodeBounds& extent);
    WayRecords readBufferedWays(std::vector<WayBuffer>&& buffers, const RelationRecords& relations,
                                const std::unordered_map<OsmId, int>& waterGroupIndex);
    NodeBounds loadWhole(OsmChunkReader& reader);
    NodeBounds loadWithOsmium(const std::string& fileName);
    NodeBounds takeRecords(KeptRecords&& nodesAndRelations, WayRecords&& ways);
    void forgetNodes();
    // Keeps the count, and the bounds of every node when no building gave bounds.
    void releaseNodes(const NodeBounds& buildingBounds);
    void buildCellIndex();
    void buildTaggedIndex();
    void fileUnderItsCells(const OsmNode& first, int position, CellIndex& index) const;
    void indexWays(const std::vector<KeptRecords::Way>& ways, CellIndex& index) const;
    TaggedWay taggedWay(const KeptRecords::Way& way) const;
    std::vector<TaggedWay> waysInCell(const std::vector<KeptRecords::Way>& ways, const CellIndex& index, int column,
                                      int row) const;
    RelationGeometry relationGeometry(const KeptRecords::Relation& relation) const;
    const KeptRecords::Way* memberWay(OsmId id) const;
    NamedPlace namedPlace(const KeptRecords::Named& named) const;
    static Geometries geometries(const WayRecords& records, const WaySpans& spans);

    void setCellEdges(int column, int row);
    bool inCell(const OsmNode& node) const;
    static std::uint64_t cellKey(int column, int row);

    OsmFormat fileFormat = OsmFormat::Xml;
    NodeTable nodes;
    std::size_t nodesRead = 0;
    NodeBounds allNodesBounds;
    bool nodesReleased = false;
    WayRecords records;

    double cellMinLon = 0.0;
    double cellMaxLon = 0.0;
    double cellMinLat = 0.0;
    double cellMaxLat = 0.0;

    // Index built once loading ends: cell → positions in storage order.
    CellIndex buildingsByCell;
    std::unordered_map<int, CellIndex> streetsByKindCell;
    std::unordered_map<OsmId, int> firstBuildingInfo;
    // Per street kind: way id → its first tag record of the kind.
    std::unordered_map<int, std::unordered_map<OsmId, int>> firstStreetInfo;
    CellIndex partsByCell;
    CellIndex areasByCell;
    CellIndex coastlinesByCell;
    CellIndex treeRowsByCell;
    CellIndex treesByCell;
    CellIndex relationsByCell;
    CellIndex namedByCell;
    std::unordered_map<OsmId, std::uint32_t> memberWayIndex;
};
