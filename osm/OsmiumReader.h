#pragma once

#include "osm/OsmFormat.h"
#include "osm/TagTable.h"

#include <osmium/memory/buffer.hpp>
#include <osmium/osm/node.hpp>
#include <osmium/osm/relation.hpp>
#include <osmium/osm/tag.hpp>
#include <rapidxml/rapidxml.hpp>

#include <string>

class NodeRelationReader;
class WayReader;

// Reads the formats other than plain XML with libosmium (PBF blocks are decoded on
// its worker threads) and hands every object to the same node, relation and way
// readers as the XML reader does (a relation as the element the XML file would
// hold), so that every format gives the same store. Ways come after the relations (a PBF file
// has them before): they are kept until then. Used on one thread.
class OsmiumReader
{
public:
    OsmiumReader(std::string path, OsmFormat format);
    ~OsmiumReader();

    OsmiumReader(const OsmiumReader&) = delete;
    OsmiumReader& operator=(const OsmiumReader&) = delete;

    // The whole file: nodes and relations to reader, the ways kept. Throws
    // std::runtime_error naming the file and the problem.
    void readNodesAndRelations(NodeRelationReader& reader);
    // The ways kept, in file order.
    void readWays(WayReader& reader);

private:
    using XmlNode = rapidxml::xml_node<char>;
    XmlNode* element(const char* name);
    void addAttribute(XmlNode* element, const char* name, const std::string& value);
    void appendTags(XmlNode* element, const osmium::TagList& tags);
    void readNode(const osmium::Node& node, NodeRelationReader& reader);
    // Views of the list's texts, which end with a zero byte; valid until the next call.
    const Tags& tagsOf(const osmium::TagList& list);
    XmlNode* relationElement(const osmium::Relation& relation);
    void keepWay(const osmium::OSMObject& way);

    std::string path;
    OsmFormat format;
    osmium::memory::Buffer ways;
    // The elements of the object being read; cleared after each.
    rapidxml::memory_pool<char> pool;
    Tags tags;
};
