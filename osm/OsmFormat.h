#pragma once

#include <string>

// The formats an OSM file comes in, told by its first bytes, not by its name.
enum class OsmFormat
{
    Xml,
    XmlGzip,
    XmlBzip2,
    Pbf,
    O5m,
    Opl,
};

// The format of the file. Throws std::runtime_error naming the file when it cannot
// be opened, is empty, or is none of the formats.
OsmFormat detectOsmFormat(const std::string& path);

// "xml", "xml.gz", "xml.bz2", "pbf", "o5m", "opl".
const char* osmFormatName(OsmFormat format);
