#include "osm/OsmFormat.h"

#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string_view>

namespace
{
constexpr std::size_t sniffSize = 64;

bool startsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

// A PBF file starts with a blob header: its 4-byte big-endian length, then the
// header's first field (tag 0x0A, a length, then "OSMHeader").
bool isPbf(std::string_view head)
{
    return head.size() >= 15 && head.substr(0, 2) == std::string_view("\0\0", 2) && head[4] == '\x0A' &&
           head.substr(6, 9) == "OSMHeader";
}

// Markup after an optional byte order mark and white space, or text without control
// characters other than white space: for the XML reader, whose errors say what is wrong.
bool isXmlOrText(std::string_view head)
{
    std::string_view markup = head;
    if (startsWith(markup, "\xEF\xBB\xBF"))
        markup.remove_prefix(3);
    while (!markup.empty() && std::isspace(static_cast<unsigned char>(markup.front())))
        markup.remove_prefix(1);
    if (startsWith(markup, "<"))
        return true;
    for (const char c : head)
    {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 && !std::isspace(byte))
            return false;
    }
    return true;
}

// OPL: one object a line, its type letter and id first ("n123 v1 ...").
bool isOpl(std::string_view head)
{
    return head.size() >= 2 && std::strchr("nwr", head[0]) != nullptr &&
           (std::isdigit(static_cast<unsigned char>(head[1])) || head[1] == '-');
}
} // namespace

OsmFormat detectOsmFormat(const std::string& path)
{
    std::error_code error;
    std::ifstream file;
    if (std::filesystem::is_regular_file(path, error))
        file.open(path, std::ios::binary);
    if (!file.is_open())
        throw std::runtime_error("cannot open file " + path);
    char bytes[sniffSize];
    file.read(bytes, sniffSize);
    const std::string_view head(bytes, static_cast<std::size_t>(file.gcount()));
    if (head.empty())
        throw std::runtime_error(path + ": empty file");
    if (startsWith(head, "\x1F\x8B"))
        return OsmFormat::XmlGzip;
    if (startsWith(head, "BZh"))
        return OsmFormat::XmlBzip2;
    if (isPbf(head))
        return OsmFormat::Pbf;
    if (startsWith(head, "\xFF\xE0\x04o5"))
        return OsmFormat::O5m;
    if (isOpl(head))
        return OsmFormat::Opl;
    if (isXmlOrText(head))
        return OsmFormat::Xml;
    throw std::runtime_error(path + ": not an OSM file (neither OSM XML, PBF, o5m, OPL, gzip nor bzip2)");
}

const char* osmFormatName(OsmFormat format)
{
    switch (format)
    {
    case OsmFormat::Xml: return "xml";
    case OsmFormat::XmlGzip: return "xml.gz";
    case OsmFormat::XmlBzip2: return "xml.bz2";
    case OsmFormat::Pbf: return "pbf";
    case OsmFormat::O5m: return "o5m";
    case OsmFormat::Opl: return "opl";
    }
    return "unknown";
}
