#include "globe/TileBuilder.h"

#include "globe/HorizonCullCallback.h"
#include "globe/SpatialReference.h"
#include "globe/TileGeometry.h"
#include "globe/TilePagedLOD.h"

#include <osg/BoundingBox>
#include <osg/Math>
#include <osg/Notify>

#include <algorithm>
#include <cfloat>
#include <chrono>
#include <cmath>

namespace globe
{
namespace
{
const double metresPerDegree = osg::WGS_84_RADIUS_EQUATOR * osg::PI / 180.0;
// Finest posts are this much denser than the raster's cells, so that the drawn
// triangles follow the bilinear surface closely.
constexpr double oversampling = 4.0;
// Where there is no elevation, tiles are refined until their flat triangles sag
// no more than this below the ellipsoid.
constexpr double ellipsoidTolerance = 0.1;
// Mesh sizes that keep 16-bit indices.
constexpr unsigned minTileSize = 2;
constexpr unsigned maxTileSize = 128;
constexpr unsigned deepestLevel = 24;
// Sample grids for the bounding volume and the horizon point of a tile.
constexpr unsigned boundSamples = 9;
constexpr unsigned horizonSamples = 5;

double sagitta(double chordMetres)
{
    return chordMetres * chordMetres / (8.0 * osg::WGS_84_RADIUS_POLAR);
}
} // namespace

TileBuilder::TileBuilder(const Map* map, const TerrainOptions& options)
    : _map(map), _options(options), _query(map),
      _tileSize(osg::clampBetween(options.tileSize, minTileSize, maxTileSize)),
      _firstLevel(std::min(options.firstLOD, deepestLevel))
{
    double finest = 0.0;
    for (const osg::ref_ptr<ElevationLayer>& layer : map->getElevationLayers())
    {
        DataBounds bounds{};
        if (!layer->getBounds(bounds.minLon, bounds.minLat, bounds.maxLon, bounds.maxLat))
            continue;
        _dataBounds.push_back(bounds);
        _minHeight = std::min(_minHeight, layer->getMinHeight());
        _maxHeight = std::max(_maxHeight, layer->getMaxHeight());
        finest = finest > 0.0 ? std::min(finest, layer->getResolution()) : layer->getResolution();
    }
    _bareMaxLevel = std::max(_firstLevel, levelForResolution(std::sqrt(8.0 * osg::WGS_84_RADIUS_POLAR *
                                                                        ellipsoidTolerance)));
    if (options.maxLOD > 0)
        _maxLevel = std::max(_firstLevel, std::min(options.maxLOD, deepestLevel));
    else if (finest > 0.0)
        _maxLevel = std::max(_firstLevel, levelForResolution(finest / oversampling));
    else
        _maxLevel = _bareMaxLevel;
    _bareMaxLevel = std::min(_bareMaxLevel, _maxLevel);
    _indices = TileGeometry::createIndices(_tileSize);
}

unsigned TileBuilder::levelForResolution(double metres) const
{
    unsigned level = 0;
    while (level < deepestLevel && TileKey(level, 0, 0).width() / _tileSize * metresPerDegree > metres)
        ++level;
    return level;
}

bool TileBuilder::hasData(const TileKey& key) const
{
    const double margin = key.width() / _tileSize;
    for (const DataBounds& b : _dataBounds)
    {
        if (key.west() - margin <= b.maxLon && key.east() + margin >= b.minLon && key.south() - margin <= b.maxLat &&
            key.north() + margin >= b.minLat)
            return true;
    }
    return false;
}

unsigned TileBuilder::maxLevelOf(const TileKey& key) const
{
    return hasData(key) ? _maxLevel : _bareMaxLevel;
}

std::vector<double> TileBuilder::sampleHeights(const TileKey& key) const
{
    const std::vector<osg::Vec2d> positions = TileGeometry::samplePositions(key, _tileSize);
    std::vector<double> heights(positions.size(), 0.0);
    if (!hasData(key))
        return heights;
    // The same query the rest of the program places things with, so that they
    // stand on the drawn ground.
    const SpatialReference* srs = SpatialReference::get("wgs84");
    for (size_t k = 0; k < positions.size(); ++k)
        _query.getElevation(GeoPoint(srs, positions[k].x(), positions[k].y()), heights[k]);
    return heights;
}

std::vector<osg::Vec3d> TileBuilder::liftedGrid(const TileKey& key, double height, unsigned samples) const
{
    const SpatialReference* srs = SpatialReference::get("wgs84");
    const double step = key.width() / (samples - 1);
    const double lift = sagitta(step * metresPerDegree);
    std::vector<osg::Vec3d> points;
    points.reserve(samples * samples);
    for (unsigned j = 0; j < samples; ++j)
    {
        for (unsigned i = 0; i < samples; ++i)
        {
            osg::Vec3d world;
            srs->transformToWorld(osg::Vec3d(key.west() + i * step, key.south() + j * step, height + lift), world);
            points.push_back(world);
        }
    }
    return points;
}

osg::BoundingSphere TileBuilder::computeBound(const TileKey& key) const
{
    // Whatever finer tiles come later lies between the map's lowest and highest heights.
    const bool data = hasData(key);
    osg::BoundingBox box;
    for (const osg::Vec3d& p : liftedGrid(key, data ? _maxHeight : 0.0, boundSamples))
        box.expandBy(p);
    const SpatialReference* srs = SpatialReference::get("wgs84");
    const double step = key.width() / (boundSamples - 1);
    for (unsigned j = 0; j < boundSamples; ++j)
    {
        for (unsigned i = 0; i < boundSamples; ++i)
        {
            osg::Vec3d world;
            srs->transformToWorld(osg::Vec3d(key.west() + i * step, key.south() + j * step, data ? _minHeight : 0.0),
                                  world);
            box.expandBy(world);
        }
    }
    return osg::BoundingSphere(box);
}

osg::ref_ptr<HorizonCullCallback> TileBuilder::createHorizonCallback(const TileKey& key) const
{
    const SpatialReference* srs = SpatialReference::get("wgs84");
    osg::Vec3d direction;
    srs->transformToWorld(osg::Vec3d(key.west() + key.width() * 0.5, key.south() + key.width() * 0.5, 0.0),
                          direction);
    return new HorizonCullCallback(liftedGrid(key, hasData(key) ? _maxHeight : 0.0, horizonSamples), direction,
                                   *srs->getEllipsoid());
}

osg::ref_ptr<osg::Node> TileBuilder::createMesh(const TileKey& key) const
{
    const auto start = std::chrono::steady_clock::now();
    const double skirtHeight =
        std::max<double>(_options.skirtRatio * key.width() * metresPerDegree, _options.minSkirtHeight);
    osg::ref_ptr<osg::Node> mesh = TileGeometry::create(key, _tileSize, sampleHeights(key), skirtHeight,
                                                        *SpatialReference::get("wgs84")->getEllipsoid(),
                                                        _indices.get());
    ++_tilesBuilt;
    _buildNanoseconds +=
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start).count();
    return mesh;
}

osg::ref_ptr<osg::Node> TileBuilder::createTile(const TileKey& key, osgDB::Options* pagingOptions) const
{
    osg::ref_ptr<osg::Node> mesh = createMesh(key);
    osg::ref_ptr<HorizonCullCallback> horizon = createHorizonCallback(key);
    if (key.level() >= maxLevelOf(key))
    {
        // The mesh's own transform would move the eye into the tile's frame before
        // the callback sees it, so the test sits on a plain group above it.
        osg::ref_ptr<osg::Group> leaf = new osg::Group;
        leaf->setName(key.str());
        leaf->addChild(mesh.get());
        leaf->setCullCallback(horizon.get());
        return leaf;
    }

    const osg::BoundingSphere bound = computeBound(key);
    const float splitRange = _options.minTileRangeFactor * bound.radius();
    osg::ref_ptr<TilePagedLOD> tile = new TilePagedLOD(_options.quickReleaseGLObjects);
    tile->setName(key.str());
    tile->setCenterMode(osg::LOD::USER_DEFINED_CENTER);
    tile->setCenter(bound.center());
    tile->setRadius(bound.radius());
    tile->addChild(mesh.get(), splitRange, FLT_MAX);
    tile->setFileName(1, key.str() + ".globetile");
    tile->setRange(1, 0.0f, splitRange);
    tile->setMinimumExpiryTime(1, _options.minExpiryTime);
    tile->setNumChildrenThatCannotBeExpired(1);
    tile->setDatabaseOptions(pagingOptions);
    tile->setCullCallback(horizon.get());
    return tile;
}

osg::ref_ptr<osg::Group> TileBuilder::createChildren(const TileKey& key, osgDB::Options* pagingOptions) const
{
    osg::ref_ptr<osg::Group> group = new osg::Group;
    for (unsigned quadrant = 0; quadrant < 4; ++quadrant)
        group->addChild(createTile(key.child(quadrant), pagingOptions).get());
    return group;
}
} // namespace globe
