#pragma once

#include "osm/KeptRecords.h"
#include "osm/NodeTable.h"
#include "osm/RelationRecords.h"
#include "osm/WayRecords.h"

#include <rapidxml/rapidxml.hpp>

#include <string>
#include <unordered_map>
#include <vector>

// The ways pass over one stretch of the file: classifies each way by its
// memberships and tags and records its building, water rings and streets, and
// what else of it the store keeps. Reads the node table and the relations' records
// only, so stretches can be read at once, each by its own reader on one thread.
class WayReader
{
public:
    using XmlNode = rapidxml::xml_node<char>;

    WayReader(const NodeTable& nodes, const RelationRecords& relations,
              const std::unordered_map<OsmId, int>& waterGroupIndex);

    // A way element of an XML document.
    void read(XmlNode* element);
    // A way read from another format; the tags' values end with a zero byte.
    void readWay(OsmId id, const std::vector<OsmId>& nodeRefs, const Tags& tags);

    // Takes the records of the stretch that follows this one.
    void append(WayReader& later) { records.append(std::move(later.records)); }

    WayRecords records;

private:
    // Classification state of the way being read.
    struct Classification
    {
        bool isBuilding = false;
        int levels = 0;
        std::string height;
        bool isMotorway = false, isPrimary = false, isSecondary = false, isResidential = false,
             isRailway = false, isTram = false, isBridge = false, isTunnel = false,
             isOtherHighway = false, isWater = false, isStream = false;
    };

    // Looks at no key beyond isWayKey's, which buffered ways keep.
    static void classifyTag(Classification& c, const char* k, const char* v);
    void classify(OsmId id);
    // The references of the XML element being read.
    void readRefs();
    // The nodes of the way being read, resolved once, when the first record needs them.
    const std::vector<OsmNode>& resolvedNodes();
    // The way's nodes in the records' array, added there the first time it is asked for.
    WaySpan keptSpan(OsmId id);
    void keepTagged(OsmId id);
    void keepWay(std::vector<KeptRecords::Way>& ways, OsmId id, bool (*keep)(std::string_view key));
    bool isClosed();
    void addBuilding(const WaySpan& span, const Classification& c);
    // feature: the water way, or the relation of a relation's member way.
    void addWaterRing(int group, OsmId feature);
    void addStreet(const WaySpan& span, int kind, bool bridge);

    const NodeTable& nodes;
    const RelationRecords& relations;
    const std::unordered_map<OsmId, int>& waterGroupIndex;

    // The resolved nodes of the way being read and its references: kept from way to
    // way, so that reading one allocates only the records it adds.
    std::vector<OsmNode> resolved;
    std::vector<OsmId> refs;
    Tags wayTags;
    // The element being read, or null for a way given whole.
    XmlNode* current = nullptr;
    bool resolvedThis = false;
    bool keptThis = false;
};
