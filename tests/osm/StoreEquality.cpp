#include "StoreEquality.h"

#include <cstring>
#include <sstream>

namespace
{
std::string describe(const OsmNode& node)
{
    return std::to_string(node.id) + " (" + std::to_string(node.lat) + ", " + std::to_string(node.lon) + ")";
}

std::string describe(const WayInfo& info)
{
    return "{index " + std::to_string(info.index) + ", way " + std::to_string(info.wayId) + ", levels " +
           std::to_string(info.levels) + ", height '" + info.height + "', kind " + std::to_string(info.kind) +
           ", bridge " + std::to_string(info.bridge) + ", relation " + std::to_string(info.relationId) + "}";
}

// Bit for bit, so that 0 and -0 differ.
template <class Number>
bool same(Number a, Number b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

std::string idsText(const std::vector<OsmNode>& nodes)
{
    std::string text;
    for (const OsmNode& node : nodes)
        text += std::to_string(node.id) + " ";
    return text;
}

bool equal(const OsmNode& a, const OsmNode& b)
{
    return a.id == b.id && same(a.lat, b.lat) && same(a.lon, b.lon);
}

bool equal(const WayInfo& a, const WayInfo& b)
{
    return a.index == b.index && a.wayId == b.wayId && a.levels == b.levels && a.height == b.height &&
           a.kind == b.kind && a.bridge == b.bridge && a.relationId == b.relationId;
}

::testing::AssertionResult sizeDiffers(std::size_t expected, std::size_t actual)
{
    return ::testing::AssertionFailure() << "expected " << expected << " entries, got " << actual;
}
} // namespace

std::vector<std::string> idsOf(const std::vector<OsmNode>& nodes)
{
    std::vector<std::string> ids;
    for (const OsmNode& node : nodes)
        ids.push_back(std::to_string(node.id));
    return ids;
}

std::vector<std::string> idsOf(const std::vector<WayGeometry>& geometries)
{
    std::vector<std::string> ids;
    for (const WayGeometry& geometry : geometries)
        ids.push_back(std::to_string(geometry.id));
    return ids;
}

::testing::AssertionResult sameNodes(const std::vector<OsmNode>& expected, const std::vector<OsmNode>& actual)
{
    if (expected.size() != actual.size())
        return sizeDiffers(expected.size(), actual.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        if (!equal(expected[i], actual[i]))
            return ::testing::AssertionFailure()
                   << "node " << i << ": expected " << describe(expected[i]) << ", got " << describe(actual[i]);
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult sameGeometries(const std::vector<WayGeometry>& expected,
                                          const std::vector<WayGeometry>& actual)
{
    if (expected.size() != actual.size())
        return sizeDiffers(expected.size(), actual.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
    {
        if (expected[i].id != actual[i].id)
            return ::testing::AssertionFailure()
                   << "geometry " << i << ": expected way " << expected[i].id << ", got " << actual[i].id;
        const ::testing::AssertionResult nodes = sameNodes(expected[i].nodes, actual[i].nodes);
        if (!nodes)
            return ::testing::AssertionFailure()
                   << "geometry " << i << " (way " << expected[i].id << "): " << nodes.message();
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult sameInfos(const std::vector<WayInfo>& expected, const std::vector<WayInfo>& actual)
{
    if (expected.size() != actual.size())
        return sizeDiffers(expected.size(), actual.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        if (!equal(expected[i], actual[i]))
            return ::testing::AssertionFailure()
                   << "record " << i << ": expected " << describe(expected[i]) << ", got " << describe(actual[i]);
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult sameWaterGroups(const std::vector<WaterGroup>& expected,
                                           const std::vector<WaterGroup>& actual)
{
    if (expected.size() != actual.size())
        return sizeDiffers(expected.size(), actual.size());
    for (std::size_t g = 0; g < expected.size(); ++g)
    {
        if (expected[g].size() != actual[g].size())
            return ::testing::AssertionFailure()
                   << "group " << g << ": " << sizeDiffers(expected[g].size(), actual[g].size()).message();
        for (std::size_t r = 0; r < expected[g].size(); ++r)
        {
            const ::testing::AssertionResult ring = sameNodes(expected[g][r], actual[g][r]);
            if (!ring)
                return ::testing::AssertionFailure() << "group " << g << " ring " << r << ": " << ring.message();
        }
    }
    return ::testing::AssertionSuccess();
}

std::string keptText(const OsmParser& store)
{
    std::ostringstream text;
    text.precision(9);
    auto tags = [&](const Tags& tags) {
        for (const auto& tag : tags)
            text << " " << tag.first << "=" << tag.second;
        text << "\n";
    };
    auto ways = [&](const char* kind, const std::vector<TaggedWay>& ways) {
        for (const TaggedWay& way : ways)
        {
            text << kind << " " << way.way.id << " [" << idsText(way.way.nodes) << "]";
            tags(way.tags);
        }
    };
    auto named = [&](const std::vector<NamedPlace>& places) {
        for (const NamedPlace& place : places)
            text << "named " << int(place.type) << " " << place.id << " " << place.name << " " << place.lat << " "
                 << place.lon << "\n";
    };
    // Trees, areas and names need not lie among the buildings that span the grid.
    const int margin = 20;
    for (int column = -margin; column < store.columnCount + margin; ++column)
        for (int row = -margin; row < store.rowCount + margin; ++row)
        {
            text << "cell " << column << " " << row << "\n";
            ways("building", store.taggedBuildingsInCell(column, row));
            for (int kind : queriedKinds())
                ways("street", store.taggedStreetsInCell(kind, column, row));
            ways("part", store.buildingPartsInCell(column, row));
            ways("area", store.areasInCell(column, row));
            ways("coast", store.coastlinesInCell(column, row));
            ways("treerow", store.treeRowsInCell(column, row));
            for (const TaggedNode& tree : store.treesInCell(column, row))
            {
                text << "tree " << tree.node.id << " " << tree.node.lat << " " << tree.node.lon;
                tags(tree.tags);
            }
            for (const RelationGeometry& relation : store.relationsInCell(column, row))
            {
                text << "relation " << relation.id;
                tags(relation.tags);
                for (const RelationGeometry::Member& member : relation.members)
                    text << " member " << int(member.type) << " " << member.ref << " " << member.role << " ["
                         << idsText(member.nodes) << "]\n";
            }
            named(store.namedInCell(column, row));
        }
    ways("all coasts", store.allCoastlines());
    named(store.allNamed());
    return text.str();
}

::testing::AssertionResult sameLines(const std::string& expected, const std::string& actual)
{
    std::istringstream expectedLines(expected);
    std::istringstream actualLines(actual);
    std::string expectedLine;
    std::string actualLine;
    for (int line = 1; std::getline(expectedLines, expectedLine); ++line)
        if (!std::getline(actualLines, actualLine) || actualLine != expectedLine)
            return ::testing::AssertionFailure()
                   << "line " << line << ": expected '" << expectedLine << "', got '" << actualLine << "'";
    if (std::getline(actualLines, actualLine))
        return ::testing::AssertionFailure() << "more lines than expected: '" << actualLine << "'";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult sameStores(const OsmParser& expected, const OsmParser& actual)
{
    if (!same(expected.minLon, actual.minLon) || !same(expected.maxLon, actual.maxLon) ||
        !same(expected.minLat, actual.minLat) || !same(expected.maxLat, actual.maxLat))
        return ::testing::AssertionFailure() << "bounds differ";
    if (expected.columnCount != actual.columnCount || expected.rowCount != actual.rowCount)
        return ::testing::AssertionFailure() << "grid " << actual.columnCount << " x " << actual.rowCount
                                             << " instead of " << expected.columnCount << " x " << expected.rowCount;
    if (expected.nodeCount() != actual.nodeCount())
        return ::testing::AssertionFailure() << actual.nodeCount() << " nodes instead of " << expected.nodeCount();
    const std::pair<const char*, ::testing::AssertionResult> parts[] = {
        {"buildings", sameGeometries(expected.allBuildings(), actual.allBuildings())},
        {"building records", sameInfos(plain(expected.allBuildingInfos()), plain(actual.allBuildingInfos()))},
        {"streets", sameGeometries(expected.allStreets(), actual.allStreets())},
        {"street records", sameInfos(plain(expected.allStreetInfos()), plain(actual.allStreetInfos()))},
        {"water", sameWaterGroups(expected.waterRingGroups(), actual.waterRingGroups())},
        {"kept records", sameLines(keptText(expected), keptText(actual))}};
    for (const auto& part : parts)
        if (!part.second)
            return ::testing::AssertionFailure() << part.first << ": " << part.second.message();
    return ::testing::AssertionSuccess();
}

const std::vector<int>& queriedKinds()
{
    static const std::vector<int> kinds{70, 10, 9, 8, 7, 6, 1, 2, 3, 0, -1};
    return kinds;
}

::testing::AssertionResult indexMatchesScan(OsmParser& store, int firstColumn, int lastColumn, int firstRow,
                                            int lastRow, std::size_t* found)
{
    std::size_t total = 0;
    for (int column = firstColumn; column <= lastColumn; ++column)
        for (int row = firstRow; row <= lastRow; ++row)
        {
            const std::string cell = "cell (" + std::to_string(column) + ", " + std::to_string(row) + ") ";
            const std::vector<WayGeometry> buildings = store.scanBuildingsInCell(column, row);
            ::testing::AssertionResult same = sameGeometries(buildings, store.buildingsInCell(column, row));
            if (!same)
                return ::testing::AssertionFailure() << cell << "buildings: " << same.message();
            const std::vector<WayInfo> infos = store.scanBuildingInfosInCell(column, row);
            same = sameInfos(infos, store.buildingInfosInCell(column, row));
            if (!same)
                return ::testing::AssertionFailure() << cell << "building records: " << same.message();
            total += buildings.size() + infos.size();
            for (int kind : queriedKinds())
            {
                const std::vector<WayGeometry> streets = store.scanStreetsInCell(kind, column, row);
                same = sameGeometries(streets, store.streetsInCell(kind, column, row));
                if (!same)
                    return ::testing::AssertionFailure()
                           << cell << "streets of kind " << kind << ": " << same.message();
                same = sameInfos(store.scanFirstStreetInfos(kind, streets), store.firstStreetInfos(kind, streets));
                if (!same)
                    return ::testing::AssertionFailure()
                           << cell << "street records of kind " << kind << ": " << same.message();
                total += streets.size();
            }
        }
    if (found)
        *found = total;
    return ::testing::AssertionSuccess();
}
