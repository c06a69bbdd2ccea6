#pragma once

#include "osm/KeptRecords.h"
#include "osm/NodeTable.h"
#include "osm/OsmChunkReader.h"
#include "osm/RelationRecords.h"
#include "osm/WayBuffer.h"

#include <cstdint>

// The nodes pass and the relations pass over one stretch of the file (they fill
// separate records, so one sweep serves both). The nodes are gathered in chunks and
// go into the node table once all are read, so the table is sized once for what the
// file holds. Each reader is used on one thread.
class NodeRelationReader : public OsmChunkReader::Visitor
{
public:
    using XmlNode = OsmChunkReader::XmlNode;

    // For the file from its start, storing the nodes in table.
    explicit NodeRelationReader(NodeTable& table);
    // For a stretch of the file that is not its start. It assumes that the nodes
    // pass has begun before it and the relations pass has not (see
    // readyForLaterStretch()).
    NodeRelationReader();

    bool wants(long, std::string_view) override { return true; }
    void read(XmlNode* element) override;

    // Whether a stretch read by a reader for later stretches may follow this one:
    // what that reader assumed holds here.
    bool readyForLaterStretch() const;
    // For a reader with a table: takes the records of the stretch that follows.
    void append(NodeRelationReader& later);
    // Puts the nodes read so far into the table; call once the reading is done.
    void storeNodes();

    // Each pass on its own, for the elements it visits.
    void readNode(XmlNode* element);
    // A node read from another format.
    void addNode(const OsmNode& node);
    void readRelation(XmlNode* element);
    // What is kept of a node's tags.
    void keepNodeTags(const OsmNode& node, const Tags& tags);

    RelationRecords relations;
    // Trees, named nodes and relations, multipolygons and building relations.
    KeptRecords kept;
    // The elements of the ways pass, a buffer for each stretch read.
    std::vector<WayBuffer> ways;

private:
    void keepRelation(OsmId id, XmlNode* element);

    NodeTable* table = nullptr;
    Tags elementTags;
    std::vector<NodeTable::NodeArray> readNodes;
    static constexpr std::size_t noWay = SIZE_MAX;
    // Whether the passes have begun before the stretch (a later stretch keeps every
    // element and learns at the join where the ways pass begins).
    bool nodesBegun = false;
    bool relationsBegun = false;
    bool waysBegun = false;
    // Where in the buffer the stretch's first way is.
    std::size_t firstWayElement = noWay;
};
