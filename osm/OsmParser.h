#pragma once

#include "osm/CellIndex.h"
#include "osm/NodeTable.h"
#include "osm/OsmFormat.h"
#include "osm/OsmNode.h"
#include "osm/WayGeometry.h"
#include "osm/WayInfo.h"
#include "osm/WayRecords.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

class OsmChunkReader;

// The in-memory store of one OSM extract. The constructor loads and classifies
// the whole file and lays a grid over the extent of the buildings; afterwards the
// store is frozen and answers the cell queries.
class OsmParser
{
public:
    // gridSize is the cell edge in degrees. Throws std::runtime_error for a file
    // that cannot be opened, an invalid or too small grid size or a file without
    // nodes, and rapidxml::parse_error for malformed XML.
    OsmParser(std::string fileName, int& columnCount, int& rowCount, double gridSize);
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
    std::size_t buildingCount() const { return kept.buildings.size(); }
    std::size_t streetCount() const { return kept.streets.size(); }
    Geometries allBuildings() const;
    const WayInfos& allBuildingInfos() const { return kept.buildingInfos; }
    Geometries allStreets() const;
    const WayInfos& allStreetInfos() const { return kept.streetInfos; }

private:
    void load(const std::string& fileName, double gridSize);
    bool loadStreamed(const std::string& fileName, OsmChunkReader& reader, NodeBounds& extent);
    NodeBounds loadWhole(OsmChunkReader& reader);
    NodeBounds loadWithOsmium(const std::string& fileName);
    NodeBounds takeRecords(WayRecords&& records);
    void forgetNodes();
    void releaseNodes();
    void buildCellIndex();
    static Geometries geometries(const WayRecords& records, const WaySpans& spans);

    void setCellEdges(int column, int row);
    bool inCell(const OsmNode& node) const;
    static std::uint64_t cellKey(int column, int row);

    OsmFormat fileFormat = OsmFormat::Xml;
    NodeTable nodes;
    std::size_t nodesRead = 0;
    NodeBounds allNodesBounds;
    bool nodesReleased = false;
    WayRecords kept;

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
};
