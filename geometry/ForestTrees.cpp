#include "geometry/ForestTrees.h"

#include "geometry/GeosContext.h"
#include "geometry/MetresPerDegree.h"
#include "geometry/SeedBits.h"
#include "osm/KeptTags.h"

#include <osg/Math>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace
{
// Grid points looked at in one area at most, so that a huge, thin area costs little.
const double maxGridPoints = 4.0e6;

// The k-th fraction of a seed, from -0.5 to 0.5.
double jitter(std::uint64_t seed, int k)
{
    return static_cast<double>(seedFraction(seed, k)) - 0.5;
}
} // namespace

bool ForestTrees::isForest(const Tags& tags)
{
    return tagValue(tags, "landuse") == "forest" || tagValue(tags, "natural") == "wood";
}

std::vector<TaggedNode> ForestTrees::plant(const std::vector<MappedArea>& areas, const GeosContext& geos,
                                           double spacing, std::size_t cap)
{
    std::vector<TaggedNode> trees;
    for (const MappedArea& area : areas)
        if (isForest(area.tags))
            for (const AreaPolygon& polygon : area.polygons)
                if (const GeosContext::Geometry shape = geos.polygon(polygon))
                    plantInside(shape.get(), area, geos, spacing, cap, trees);
    return trees;
}

// On a grid anchored at 0, 0, so that the trees do not depend on the cell, each
// point moved by up to 0.4 spacings.
void ForestTrees::plantInside(const GEOSGeometry* shape, const MappedArea& area, const GeosContext& geos,
                              double spacing, std::size_t cap, std::vector<TaggedNode>& trees)
{
    GEOSContextHandle_t handle = geos.handle();
    double minLon = 0, minLat = 0, maxLon = 0, maxLat = 0;
    GEOSGeom_getXMin_r(handle, shape, &minLon);
    GEOSGeom_getYMin_r(handle, shape, &minLat);
    GEOSGeom_getXMax_r(handle, shape, &maxLon);
    GEOSGeom_getYMax_r(handle, shape, &maxLat);
    const double dLat = spacing / metresPerDegree;
    const double dLon = dLat / std::cos(osg::DegreesToRadians(minLat));
    if ((maxLon - minLon) / dLon * (maxLat - minLat) / dLat > maxGridPoints)
        return;
    const GEOSPreparedGeometry* inside = GEOSPrepare_r(handle, shape);
    const auto gx0 = static_cast<std::int64_t>(std::floor(minLon / dLon));
    const auto gy0 = static_cast<std::int64_t>(std::floor(minLat / dLat));
    for (std::int64_t gy = gy0; gy * dLat <= maxLat && trees.size() < cap; ++gy)
        for (std::int64_t gx = gx0; gx * dLon <= maxLon && trees.size() < cap; ++gx)
        {
            const std::uint64_t seed =
                seedBits(static_cast<std::uint64_t>(area.id) ^
                      seedBits(static_cast<std::uint64_t>(gx) * 0x100000001b3ull + static_cast<std::uint64_t>(gy)));
            const double lon = (static_cast<double>(gx) + 0.5 + 0.8 * jitter(seed, 0)) * dLon;
            const double lat = (static_cast<double>(gy) + 0.5 + 0.8 * jitter(seed, 1)) * dLat;
            const GeosContext::Geometry point = geos.own(GEOSGeom_createPointFromXY_r(handle, lon, lat));
            if (GEOSPreparedContains_r(handle, inside, point.get()) == 1)
                trees.push_back(
                    {OsmNode{static_cast<OsmId>(seed >> 1), static_cast<float>(lat), static_cast<float>(lon)}, area.tags});
        }
    GEOSPreparedGeom_destroy_r(handle, inside);
}
