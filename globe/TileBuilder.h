#pragma once

#include "globe/ElevationQuery.h"
#include "globe/Map.h"
#include "globe/TerrainOptions.h"
#include "globe/TileKey.h"

#include <osg/BoundingSphere>
#include <osg/Group>
#include <osg/PrimitiveSet>
#include <osgDB/Options>

#include <atomic>
#include <vector>

namespace globe
{
class HorizonCullCallback;

// Builds terrain tiles: their meshes from the map's elevation and the paging
// nodes that bring in their children. Used from the database pager's threads.
class TileBuilder : public osg::Referenced
{
public:
    // The elevation layers the map holds now are the ones the terrain shows.
    TileBuilder(const Map* map, const TerrainOptions& options);

    // The tile's node. Unless it is at the deepest level, it pages in its four
    // children with pagingOptions when the eye comes near.
    osg::ref_ptr<osg::Node> createTile(const TileKey& key, osgDB::Options* pagingOptions) const;
    osg::ref_ptr<osg::Group> createChildren(const TileKey& key, osgDB::Options* pagingOptions) const;

    unsigned getFirstLevel() const { return _firstLevel; }
    // Deepest level where the map has elevation, and where it has none.
    unsigned getMaxLevel() const { return _maxLevel; }
    unsigned getBareMaxLevel() const { return _bareMaxLevel; }

    unsigned getTilesBuilt() const { return _tilesBuilt; }
    double getBuildSeconds() const { return _buildNanoseconds * 1e-9; }

private:
    struct DataBounds
    {
        double minLon, minLat, maxLon, maxLat;
    };

    bool hasData(const TileKey& key) const;
    unsigned maxLevelOf(const TileKey& key) const;
    unsigned levelForResolution(double metres) const;
    // At the deepest level, posts along the lines where the rasters' bilinear surface
    // bends, so that the flat triangles follow it. False when none were added.
    bool addBendLines(const TileKey& key, std::vector<double>& lons, std::vector<double>& lats) const;
    std::vector<double> sampleHeights(const std::vector<double>& lons, const std::vector<double>& lats) const;
    // Surface normals at the posts, the slope taken over scale metres.
    std::vector<osg::Vec3f> computeNormals(const std::vector<double>& lons, const std::vector<double>& lats,
                                           double scale, bool data) const;
    // Points on the tile at the given height, sagging chords lifted out of the way.
    std::vector<osg::Vec3d> liftedGrid(const TileKey& key, double height, unsigned samples) const;
    // Heights the tile and all its finer tiles can reach.
    void heightRange(const TileKey& key, double& min, double& max) const;
    osg::BoundingSphere computeBound(const TileKey& key, double minHeight, double maxHeight) const;
    osg::ref_ptr<HorizonCullCallback> createHorizonCallback(const TileKey& key, double maxHeight) const;
    osg::ref_ptr<osg::Node> createMesh(const TileKey& key) const;

    osg::ref_ptr<const Map> _map;
    TerrainOptions _options;
    ElevationQuery _query;
    Map::ElevationLayerVector _layers;
    std::vector<DataBounds> _dataBounds;
    double _finestResolution = 0.0;
    unsigned _tileSize;
    unsigned _firstLevel;
    unsigned _maxLevel;
    unsigned _bareMaxLevel;
    osg::ref_ptr<osg::DrawElementsUShort> _indices;
    mutable std::atomic<unsigned> _tilesBuilt{0};
    mutable std::atomic<long long> _buildNanoseconds{0};
};
} // namespace globe
