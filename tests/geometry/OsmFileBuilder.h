#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

// Writes small OSM XML files for tests.
class OsmFileBuilder
{
public:
    using TagTexts = std::vector<std::pair<std::string, std::string>>;

    void node(const std::string& id, double lon, double lat, const TagTexts& tags = {});
    void way(const std::string& id, const std::vector<std::string>& nodeIds, const TagTexts& tags);
    void relation(const std::string& id, const std::vector<std::string>& memberIds, const TagTexts& tags);
    // Way members with their roles: (way id, role) pairs.
    void roledRelation(const std::string& id, const TagTexts& members, const TagTexts& tags);
    // A closed square way of four corners (five "nd"), clockwise or counter-clockwise
    // seen from above, centred on (lon, lat); the nodes get ids prefixed by the way id.
    void square(const std::string& id, double lon, double lat, double halfSide, bool clockwise, const TagTexts& tags);
    // Nodes with the given positions and a way through them in order.
    void line(const std::string& id, const std::vector<std::pair<double, double>>& lonLats, const TagTexts& tags);

    void write(const std::string& path) const;

private:
    std::string nodes;
    std::string ways;
    std::string relations;
};
