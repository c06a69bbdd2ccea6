#pragma once

#include "globe/Map.h"
#include "globe/TerrainOptions.h"

#include <osg/Group>

namespace globe
{
// The terrain: a geocentric quadtree of tiles over the WGS 84 ellipsoid.
class TerrainEngine : public osg::Group
{
public:
    TerrainEngine(const Map* map, const TerrainOptions& options);

protected:
    ~TerrainEngine() override;
};
} // namespace globe
