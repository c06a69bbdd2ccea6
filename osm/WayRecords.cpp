#include "osm/WayRecords.h"

#include <iterator>

namespace
{
template <class Array>
void moveAppend(Array& to, Array& from)
{
    to.insert(to.end(), std::make_move_iterator(from.begin()), std::make_move_iterator(from.end()));
}
} // namespace

void WayRecords::append(WayRecords&& later)
{
    for (WayInfo& info : later.buildingInfos)
        info.index += static_cast<int>(buildings.size());
    for (WayInfo& info : later.streetInfos)
        info.index += static_cast<int>(streets.size());
    moveAppend(buildings, later.buildings);
    moveAppend(buildingInfos, later.buildingInfos);
    moveAppend(streets, later.streets);
    moveAppend(streetInfos, later.streetInfos);
    if (waterRings.size() < later.waterRings.size())
        waterRings.resize(later.waterRings.size());
    for (std::size_t group = 0; group < later.waterRings.size(); ++group)
        moveAppend(waterRings[group], later.waterRings[group]);
    bounds.widen(later.bounds);
}
