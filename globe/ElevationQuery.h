#pragma once

#include "globe/GeoPoint.h"
#include "globe/Map.h"

#include <osg/ref_ptr>

namespace globe
{
// Terrain height at a point: the first elevation layer of the map with data there.
// Where no layer has data the answer is 0 (the ellipsoid, where the terrain is drawn)
// and false. Safe to use from several threads at once.
class ElevationQuery
{
public:
    explicit ElevationQuery(const Map* map);

    bool getElevation(const GeoPoint& point, double& outElevation, double desiredResolution = 0.0,
                      double* outActualResolution = nullptr) const;

private:
    osg::ref_ptr<const Map> _map;
};
} // namespace globe
