#pragma once

#include "osm/NodeTable.h"
#include "osm/OsmNode.h"
#include "osm/WayGeometry.h"
#include "osm/WayInfo.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace rapidxml
{
template <class Ch> class xml_node;
}
class OsmChunkReader;

using WaterRing = std::vector<OsmNode>;
using WaterGroup = std::vector<WaterRing>;

// The in-memory store of one OSM extract. The constructor loads and classifies
// the whole file and lays a grid over the extent of the buildings; afterwards the
// store is frozen and answers the cell queries.
class OsmParser
{
public:
    // Throws std::runtime_error for a file that cannot be opened, an invalid grid
    // size or a file without nodes, and rapidxml::parse_error for malformed XML.
    OsmParser(std::string fileName, int& columnCount, int& rowCount);
    ~OsmParser();

    OsmParser(const OsmParser&) = delete;
    OsmParser& operator=(const OsmParser&) = delete;

    std::vector<WayGeometry> buildingsInCell(int column, int row);
    std::vector<WayInfo> buildingInfosInCell(int column, int row);
    std::vector<WayGeometry> streetsInCell(int kind, int column, int row);
    std::vector<WayInfo> streetInfosOfKind(int kind) const;
    std::vector<WaterGroup> waterRingGroups() const;

    // The same three cell queries answered by scanning every geometry: the
    // reference the indexed queries must equal.
    std::vector<WayGeometry> scanBuildingsInCell(int column, int row);
    std::vector<WayInfo> scanBuildingInfosInCell(int column, int row);
    std::vector<WayGeometry> scanStreetsInCell(int kind, int column, int row);

    double minLon = 0.0;
    double maxLon = 0.0;
    double minLat = 0.0;
    double maxLat = 0.0;
    int columnCount = 0;
    int rowCount = 0;

    // Read access for measuring and tests.
    const NodeTable& allNodes() const { return nodes; }
    const std::vector<WayGeometry>& allBuildings() const { return buildings; }
    const std::vector<WayInfo>& allBuildingInfos() const { return buildingInfos; }
    const std::vector<WayGeometry>& allStreets() const { return streets; }
    const std::vector<WayInfo>& allStreetInfos() const { return streetInfos; }

private:
    using XmlNode = rapidxml::xml_node<char>;

    // Classification state of the relation or way being loaded.
    struct Classification
    {
        bool isBuilding = false;
        int levels = 0;
        std::string height;
        bool isMotorway = false, isPrimary = false, isSecondary = false, isResidential = false,
             isRailway = false, isTram = false, isBridge = false, isTunnel = false,
             isOtherHighway = false, isWater = false, isStream = false;
    };

    void load(const std::string& fileName);
    bool loadStreamed(OsmChunkReader& reader);
    void loadWhole(OsmChunkReader& reader);
    void resetRecords();
    void readNode(XmlNode* element);
    void readRelation(XmlNode* element);
    void readWay(XmlNode* element);
    void classifyWayTag(Classification& c, const char* k, const char* v) const;
    std::vector<OsmNode> resolveNodes(XmlNode* way) const;
    void addBuilding(XmlNode* way, const std::string& id, const Classification& c);
    void addWaterRing(XmlNode* way, const std::string& relationId);
    void addStreet(XmlNode* way, const std::string& id, int kind, bool bridge);
    void widenBounds(const OsmNode& node);
    void computeGrid();
    void buildCellIndex();

    void setCellEdges(int column, int row);
    bool inCell(const OsmNode& node) const;
    static std::uint64_t cellKey(int column, int row);

    NodeTable nodes;
    std::vector<WayGeometry> buildings;
    std::vector<WayInfo> buildingInfos;
    std::vector<WayInfo> streetInfos;
    std::vector<WaterGroup> waterRings;
    std::vector<WayGeometry> streets;
    std::unordered_map<std::string, WayInfo> buildingMembers;
    std::unordered_map<std::string, WayInfo> waterMembers;
    std::unordered_map<std::string, int> waterGroupIndex;
    int nextWaterGroup = 1;
    bool haveBounds = false;

    double cellMinLon = 0.0;
    double cellMaxLon = 0.0;
    double cellMinLat = 0.0;
    double cellMaxLat = 0.0;

    // Index built once loading ends: cell → positions in storage order.
    std::unordered_map<std::uint64_t, std::vector<int>> buildingsByCell;
    std::unordered_map<int, std::unordered_map<std::uint64_t, std::vector<int>>> streetsByKindCell;
    std::unordered_map<std::string, int> firstBuildingInfo;
};
