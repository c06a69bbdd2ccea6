#pragma once

#include "globe/Map.h"
#include "globe/TerrainOptions.h"
#include "globe/TileBuilder.h"

#include <osg/Group>
#include <osg/ref_ptr>

namespace globe
{
// The terrain: a geocentric quadtree of tiles over the whole WGS 84 ellipsoid.
// The root tiles are built at once; finer tiles are built by the database pager's
// threads as the eye comes near, and tiles beyond the horizon are not drawn.
class TerrainEngine : public osg::Group
{
public:
    TerrainEngine(const Map* map, const TerrainOptions& options);

    const TileBuilder* getTileBuilder() const { return _builder.get(); }

protected:
    ~TerrainEngine() override;

private:
    void createStateSet(const TerrainOptions& options);

    osg::ref_ptr<TileBuilder> _builder;
};
} // namespace globe
