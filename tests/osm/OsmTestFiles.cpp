#include "OsmTestFiles.h"

#include "CapturedOutput.h"

#include <cstdio>

namespace
{
std::string tagElements(const TagTexts& tags)
{
    std::string text;
    for (const auto& tag : tags)
        text += "  <tag k=\"" + tag.first + "\" v=\"" + tag.second + "\"/>\n";
    return text;
}

std::string exactText(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}
} // namespace

std::string osmNode(const std::string& id, double lat, double lon)
{
    return osmNodeText(id, exactText(lat), exactText(lon));
}

std::string osmNodeText(const std::string& id, const std::string& lat, const std::string& lon)
{
    return " <node id=\"" + id + "\" version=\"1\" lat=\"" + lat + "\" lon=\"" + lon + "\"/>\n";
}

std::string osmWay(const std::string& id, const std::vector<std::string>& refs, const TagTexts& tags)
{
    std::string text = " <way id=\"" + id + "\" version=\"1\">\n";
    for (const std::string& ref : refs)
        text += "  <nd ref=\"" + ref + "\"/>\n";
    return text + tagElements(tags) + " </way>\n";
}

std::string osmRelation(const std::string& id, const std::vector<std::string>& members, const TagTexts& tags)
{
    std::string text = " <relation id=\"" + id + "\">\n";
    for (const std::string& member : members)
        text += "  <member type=\"way\" ref=\"" + member + "\" role=\"outer\"/>\n";
    return text + tagElements(tags) + " </relation>\n";
}

std::string osmDocument(const std::string& children)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<osm version=\"0.6\" generator=\"test\">\n" + children +
           "</osm>\n";
}

std::unique_ptr<OsmParser> loadStore(const std::string& path, double gridSize)
{
    CapturedOutput quiet;
    int columns = 0;
    int rows = 0;
    return std::make_unique<OsmParser>(path, columns, rows, gridSize);
}
