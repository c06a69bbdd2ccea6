#include "OsmFileBuilder.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iomanip>
#include <sstream>
#include <stdexcept>

namespace
{
std::string tagElements(const OsmFileBuilder::TagTexts& tags)
{
    std::string text;
    for (const auto& tag : tags)
        text += "    <tag k=\"" + tag.first + "\" v=\"" + tag.second + "\"/>\n";
    return text;
}
} // namespace

void OsmFileBuilder::node(const std::string& id, double lon, double lat, const TagTexts& tags)
{
    std::ostringstream text;
    text << std::setprecision(10) << "  <node id=\"" << id << "\" lat=\"" << lat << "\" lon=\"" << lon << "\"";
    nodes += text.str() + (tags.empty() ? "/>\n" : ">\n" + tagElements(tags) + "  </node>\n");
}

void OsmFileBuilder::way(const std::string& id, const std::vector<std::string>& nodeIds, const TagTexts& tags)
{
    ways += "  <way id=\"" + id + "\">\n";
    for (const auto& nodeId : nodeIds)
        ways += "    <nd ref=\"" + nodeId + "\"/>\n";
    ways += tagElements(tags) + "  </way>\n";
}

void OsmFileBuilder::relation(const std::string& id, const std::vector<std::string>& memberIds, const TagTexts& tags)
{
    relations += "  <relation id=\"" + id + "\">\n";
    for (const auto& memberId : memberIds)
        relations += "    <member type=\"way\" ref=\"" + memberId + "\" role=\"outer\"/>\n";
    relations += tagElements(tags) + "  </relation>\n";
}

void OsmFileBuilder::roledRelation(const std::string& id, const TagTexts& members, const TagTexts& tags)
{
    relations += "  <relation id=\"" + id + "\">\n";
    for (const auto& member : members)
        relations += "    <member type=\"way\" ref=\"" + member.first + "\" role=\"" + member.second + "\"/>\n";
    relations += tagElements(tags) + "  </relation>\n";
}

void OsmFileBuilder::square(const std::string& id, double lon, double lat, double halfSide, bool clockwise,
                            const TagTexts& tags)
{
    // Counter-clockwise: south-west, south-east, north-east, north-west.
    const double corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    std::vector<std::string> ids;
    for (int i = 0; i < 4; ++i)
    {
        const int corner = clockwise ? (4 - i) % 4 : i;
        const std::string nodeId = id + "0" + std::to_string(i);
        node(nodeId, lon + corners[corner][0] * halfSide, lat + corners[corner][1] * halfSide);
        ids.push_back(nodeId);
    }
    ids.push_back(ids.front());
    way(id, ids, tags);
}

void OsmFileBuilder::line(const std::string& id, const std::vector<std::pair<double, double>>& lonLats,
                          const TagTexts& tags)
{
    std::vector<std::string> ids;
    for (std::size_t i = 0; i < lonLats.size(); ++i)
    {
        const std::string nodeId = id + "0" + std::to_string(i);
        node(nodeId, lonLats[i].first, lonLats[i].second);
        ids.push_back(nodeId);
    }
    way(id, ids, tags);
}

// Written aside and renamed: test processes running in parallel may write the same file.
void OsmFileBuilder::write(const std::string& path) const
{
    const std::string aside = path + "." + std::to_string(getpid());
    {
        std::ofstream file(aside);
        file << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<osm version=\"0.6\">\n" << nodes << ways
             << relations << "</osm>\n";
        if (!file)
            throw std::runtime_error("cannot write " + aside);
    }
    std::filesystem::rename(aside, path);
}
