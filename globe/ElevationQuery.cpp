#include "globe/ElevationQuery.h"

namespace globe
{
ElevationQuery::ElevationQuery(const Map* map) : _map(map) {}

bool ElevationQuery::getElevation(const GeoPoint& point, double& outElevation, double /*desiredResolution*/,
                                  double* outActualResolution) const
{
    // The rasters are sampled at their full resolution whatever is asked for, which is
    // also how the terrain draws them at its finest level.
    if (_map.valid())
    {
        for (const osg::ref_ptr<ElevationLayer>& layer : _map->getElevationLayers())
        {
            if (layer->getHeight(point.x(), point.y(), outElevation))
            {
                if (outActualResolution)
                    *outActualResolution = layer->getResolution();
                return true;
            }
        }
    }
    outElevation = 0.0;
    if (outActualResolution)
        *outActualResolution = 0.0;
    return false;
}
} // namespace globe
