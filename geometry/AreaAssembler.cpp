#include "geometry/AreaAssembler.h"

#include "geometry/GeosContext.h"

#include <cstdint>
#include <cstring>
#include <unordered_map>

namespace
{
std::uint64_t positionKey(const OsmNode& node)
{
    std::uint32_t lat = 0;
    std::uint32_t lon = 0;
    std::memcpy(&lat, &node.lat, sizeof lat);
    std::memcpy(&lon, &node.lon, sizeof lon);
    return (std::uint64_t(lat) << 32) | lon;
}

// GEOS hands back positions only: the mapped nodes there get their ids again.
void restoreIds(const std::vector<std::vector<OsmNode>>& ways, std::vector<AreaPolygon>& polygons)
{
    std::unordered_map<std::uint64_t, OsmId> ids;
    for (const std::vector<OsmNode>& way : ways)
        for (const OsmNode& node : way)
            ids.emplace(positionKey(node), node.id);
    auto restore = [&](std::vector<OsmNode>& ring) {
        for (OsmNode& node : ring)
        {
            const auto found = ids.find(positionKey(node));
            if (found != ids.end())
                node.id = found->second;
        }
    };
    for (AreaPolygon& polygon : polygons)
    {
        restore(polygon.outer);
        for (std::vector<OsmNode>& inner : polygon.inners)
            restore(inner);
    }
}
} // namespace

AreaAssembler::AreaAssembler(const GeosContext& geos_) : geos(geos_) {}

std::optional<std::vector<AreaPolygon>> AreaAssembler::fromRelation(const RelationGeometry& relation) const
{
    std::vector<std::vector<OsmNode>> ways;
    for (const RelationGeometry::Member& member : relation.members)
    {
        if (member.type != OsmType::Way || !(member.role.empty() || member.role == "outer" || member.role == "inner"))
            continue;
        if (member.nodes.empty())
            return std::nullopt;
        ways.push_back(member.nodes);
    }
    return fromWays(ways);
}

std::optional<std::vector<AreaPolygon>> AreaAssembler::fromClosedWay(const std::vector<OsmNode>& way) const
{
    return fromWays({way});
}

// The ways are noded (rings crossing or touching share a node), then every line must
// lie between two different faces: an open end or a spur means a ring is not closed.
// The faces inside an odd number of rings form the area.
std::optional<std::vector<AreaPolygon>> AreaAssembler::fromWays(const std::vector<std::vector<OsmNode>>& ways) const
{
    std::vector<GeosContext::Geometry> lines;
    for (const std::vector<OsmNode>& way : ways)
        lines.push_back(geos.lineString(way));
    const GeosContext::Geometry all = geos.collection(GEOS_MULTILINESTRING, std::move(lines));
    if (geos.isEmpty(all.get()))
        return std::nullopt;
    const GeosContext::Geometry noded = geos.own(GEOSUnaryUnion_r(geos.handle(), all.get()));
    if (!noded)
        return std::nullopt;

    GEOSGeometry* cuts = nullptr;
    GEOSGeometry* dangles = nullptr;
    GEOSGeometry* invalid = nullptr;
    const GeosContext::Geometry faces =
        geos.own(GEOSPolygonize_full_r(geos.handle(), noded.get(), &cuts, &dangles, &invalid));
    const GeosContext::Geometry ownedCuts = geos.own(cuts), ownedDangles = geos.own(dangles),
                                ownedInvalid = geos.own(invalid);
    if (geos.isEmpty(faces.get()) || !geos.isEmpty(cuts) || !geos.isEmpty(dangles) || !geos.isEmpty(invalid))
        return std::nullopt;

    const GeosContext::Geometry area = geos.own(GEOSBuildArea_r(geos.handle(), noded.get()));
    std::vector<AreaPolygon> polygons = geos.polygons(area.get());
    if (polygons.empty())
        return std::nullopt;
    restoreIds(ways, polygons);
    return polygons;
}
