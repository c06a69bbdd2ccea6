#include "osm/OsmiumReader.h"

#include "osm/NodeRelationReader.h"
#include "osm/WayReader.h"

#include <osmium/io/any_compression.hpp>
#include <osmium/io/o5m_input.hpp>
#include <osmium/io/opl_input.hpp>
#include <osmium/io/pbf_input.hpp>
#include <osmium/io/reader.hpp>
#include <osmium/io/xml_input.hpp>
#include <osmium/osm/node.hpp>
#include <osmium/osm/relation.hpp>
#include <osmium/osm/way.hpp>

#include <stdexcept>

namespace
{
constexpr std::size_t initialWayBufferSize = 1 << 20;

const char* osmiumFormat(OsmFormat format)
{
    switch (format)
    {
    case OsmFormat::XmlGzip: return "osm.gz";
    case OsmFormat::XmlBzip2: return "osm.bz2";
    case OsmFormat::Pbf: return "pbf";
    case OsmFormat::O5m: return "o5m";
    case OsmFormat::Opl: return "opl";
    case OsmFormat::Xml: break;
    }
    return "osm";
}

constexpr double coordinatePrecision = osmium::detail::coordinate_precision;
} // namespace

OsmiumReader::OsmiumReader(std::string path_, OsmFormat format_)
    : path(std::move(path_)), format(format_), ways(initialWayBufferSize, osmium::memory::Buffer::auto_grow::yes)
{
}

OsmiumReader::~OsmiumReader() = default;

OsmiumReader::XmlNode* OsmiumReader::element(const char* name)
{
    return pool.allocate_node(rapidxml::node_element, name);
}

void OsmiumReader::addAttribute(XmlNode* node, const char* name, const std::string& value)
{
    const char* text = pool.allocate_string(value.c_str(), value.size() + 1);
    node->append_attribute(pool.allocate_attribute(name, text, 0, value.size()));
}

void OsmiumReader::appendTags(XmlNode* node, const osmium::TagList& tags)
{
    for (const osmium::Tag& tag : tags)
    {
        XmlNode* child = element("tag");
        addAttribute(child, "k", tag.key());
        addAttribute(child, "v", tag.value());
        node->append_node(child);
    }
}

// The coordinates as the XML reader makes them of the written decimals: the fixed-point
// value over 10^7 is the double nearest the decimal, as parsing it gives. Like the XML
// reader, it keeps coordinates out of range; only a node without any is passed over.
void OsmiumReader::readNode(const osmium::Node& node, NodeRelationReader& reader)
{
    const osmium::Location location = node.location();
    if (!location.is_defined())
        return;
    const OsmNode stored{node.id(), static_cast<float>(location.y() / coordinatePrecision),
                         static_cast<float>(location.x() / coordinatePrecision)};
    reader.addNode(stored);
    if (!node.tags().empty())
        reader.keepNodeTags(stored, tagsOf(node.tags()));
}

const Tags& OsmiumReader::tagsOf(const osmium::TagList& list)
{
    tags.clear();
    for (const osmium::Tag& tag : list)
        tags.emplace_back(tag.key(), tag.value());
    return tags;
}

void OsmiumReader::readNodesAndRelations(NodeRelationReader& reader)
{
    try
    {
        osmium::io::Reader input(osmium::io::File(path, osmiumFormat(format)), osmium::osm_entity_bits::nwr);
        while (osmium::memory::Buffer buffer = input.read())
        {
            for (const osmium::OSMObject& object : buffer.select<osmium::OSMObject>())
            {
                if (object.type() == osmium::item_type::node)
                    readNode(static_cast<const osmium::Node&>(object), reader);
                else if (object.type() == osmium::item_type::relation)
                    reader.readRelation(relationElement(static_cast<const osmium::Relation&>(object)));
                else if (object.type() == osmium::item_type::way)
                    keepWay(object);
                pool.clear();
            }
        }
        input.close();
    }
    catch (const std::exception& error)
    {
        throw std::runtime_error(path + ": cannot read " + osmFormatName(format) + ": " + error.what());
    }
}

void OsmiumReader::keepWay(const osmium::OSMObject& way)
{
    ways.add_item(way);
    ways.commit();
}

// The child elements in the order the XML writer puts them: members, then tags.
OsmiumReader::XmlNode* OsmiumReader::relationElement(const osmium::Relation& relation)
{
    XmlNode* node = element("relation");
    addAttribute(node, "id", std::to_string(relation.id()));
    for (const osmium::RelationMember& member : relation.members())
    {
        XmlNode* child = element("member");
        addAttribute(child, "type", osmium::item_type_to_name(member.type()));
        addAttribute(child, "ref", std::to_string(member.ref()));
        addAttribute(child, "role", member.role());
        node->append_node(child);
    }
    appendTags(node, relation.tags());
    return node;
}

void OsmiumReader::readWays(WayReader& reader)
{
    std::vector<OsmId> refs;
    for (const osmium::Way& way : ways.select<osmium::Way>())
    {
        refs.clear();
        for (const osmium::NodeRef& ref : way.nodes())
            refs.push_back(ref.ref());
        reader.readWay(way.id(), refs, tagsOf(way.tags()));
    }
}
