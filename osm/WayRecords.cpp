#include "osm/WayRecords.h"

#include "osm/MoveAppend.h"

#include <limits>
#include <stdexcept>

namespace
{
void shiftSpans(WaySpans& spans, std::size_t by)
{
    for (WaySpan& span : spans)
        span.first += static_cast<std::uint32_t>(by);
}
} // namespace

void WayRecords::append(WayRecords&& later)
{
    if (wayNodes.size() + later.wayNodes.size() > std::numeric_limits<std::uint32_t>::max())
        throw std::runtime_error("more than " + std::to_string(std::numeric_limits<std::uint32_t>::max()) +
                                 " way nodes: too many to load");
    for (WayInfo& info : later.buildingInfos)
        info.index += static_cast<int>(buildings.size());
    for (WayInfo& info : later.streetInfos)
        info.index += static_cast<int>(streets.size());
    shiftSpans(later.buildings, wayNodes.size());
    shiftSpans(later.streets, wayNodes.size());
    kept.append(std::move(later.kept), static_cast<std::uint32_t>(wayNodes.size()));
    moveAppend(relationPlaces, later.relationPlaces);
    moveAppend(wayNodes, later.wayNodes);
    moveAppend(buildings, later.buildings);
    moveAppend(buildingInfos, later.buildingInfos);
    moveAppend(streets, later.streets);
    moveAppend(streetInfos, later.streetInfos);
    if (waterRings.size() < later.waterRings.size())
    {
        waterRings.resize(later.waterRings.size());
        waterRingFeatures.resize(later.waterRings.size());
    }
    for (std::size_t group = 0; group < later.waterRings.size(); ++group)
    {
        moveAppend(waterRings[group], later.waterRings[group]);
        moveAppend(waterRingFeatures[group], later.waterRingFeatures[group]);
    }
    bounds.widen(later.bounds);
}

WayGeometry WayRecords::geometry(const WaySpan& span) const
{
    const auto first = wayNodes.begin() + span.first;
    return WayGeometry{span.id, std::vector<OsmNode>(first, first + span.count)};
}
