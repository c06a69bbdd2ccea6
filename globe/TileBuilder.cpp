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
// Mesh sizes that keep 16-bit indices, with room for the bend lines.
constexpr unsigned minTileSize = 2;
constexpr unsigned maxTileSize = 120;
constexpr unsigned deepestLevel = 24;
// Sample grids for the bounding volume and the horizon point of a tile.
constexpr unsigned boundSamples = 9;
constexpr unsigned horizonSamples = 5;

double wrapLongitude(double lon)
{
    if (lon < -180.0)
        return lon + 360.0;
    if (lon > 180.0)
        return lon - 360.0;
    return lon;
}

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
        _layers.push_back(layer);
        _dataBounds.push_back(bounds);
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
    _finestResolution = finest;
    _indices = TileGeometry::createIndices(_tileSize + 1, _tileSize + 1);
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

bool TileBuilder::addBendLines(const TileKey& key, std::vector<double>& lons, std::vector<double>& lats) const
{
    std::vector<double> bendLons, bendLats;
    for (const osg::ref_ptr<ElevationLayer>& layer : _layers)
    {
        std::vector<double> layerLons, layerLats;
        // Only where the tile's posts are at least twice as dense as the raster's cells:
        // coarser tiles cannot follow the raster closely anyway.
        if (layer->getGridLines(key.west(), key.south(), key.east(), key.north(), layerLons, layerLats) &&
            layerLons.size() <= _tileSize / 2 && layerLats.size() <= _tileSize / 2)
        {
            bendLons.insert(bendLons.end(), layerLons.begin(), layerLons.end());
            bendLats.insert(bendLats.end(), layerLats.begin(), layerLats.end());
        }
    }
    if (bendLons.empty() && bendLats.empty())
        return false;
    std::sort(bendLons.begin(), bendLons.end());
    std::sort(bendLats.begin(), bendLats.end());
    std::vector<double> newLons = TileGeometry::insertPosts(lons, bendLons);
    std::vector<double> newLats = TileGeometry::insertPosts(lats, bendLats);
    if (newLons.size() > TileGeometry::maxPosts || newLats.size() > TileGeometry::maxPosts)
        return false;
    lons.swap(newLons);
    lats.swap(newLats);
    return true;
}

std::vector<double> TileBuilder::sampleHeights(const std::vector<double>& lons, const std::vector<double>& lats) const
{
    // The same query the rest of the program places things with, so that they
    // stand on the drawn ground.
    const SpatialReference* srs = SpatialReference::get("wgs84");
    std::vector<double> heights;
    heights.reserve(lons.size() * lats.size());
    for (double lat : lats)
    {
        for (double lon : lons)
        {
            double height = 0.0;
            _query.getElevation(GeoPoint(srs, lon, lat), height);
            heights.push_back(height);
        }
    }
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

void TileBuilder::heightRange(const TileKey& key, double& min, double& max) const
{
    bool found = false, complete = false;
    for (const osg::ref_ptr<ElevationLayer>& layer : _layers)
    {
        double low = 0.0, high = 0.0;
        bool layerComplete = false;
        if (!layer->getHeightRange(key.west(), key.south(), key.east(), key.north(), low, high, layerComplete))
            continue;
        min = found ? std::min(min, low) : low;
        max = found ? std::max(max, high) : high;
        found = true;
        complete = complete || layerComplete;
    }
    // Where no layer has data the terrain lies on the ellipsoid.
    if (!found)
        min = max = 0.0;
    else if (!complete)
    {
        min = std::min(min, 0.0);
        max = std::max(max, 0.0);
    }
}

osg::BoundingSphere TileBuilder::computeBound(const TileKey& key, double minHeight, double maxHeight) const
{
    // Finer tiles of this one stay within the same heights.
    osg::BoundingBox box;
    for (const osg::Vec3d& p : liftedGrid(key, maxHeight, boundSamples))
        box.expandBy(p);
    const SpatialReference* srs = SpatialReference::get("wgs84");
    const double step = key.width() / (boundSamples - 1);
    for (unsigned j = 0; j < boundSamples; ++j)
    {
        for (unsigned i = 0; i < boundSamples; ++i)
        {
            osg::Vec3d world;
            srs->transformToWorld(osg::Vec3d(key.west() + i * step, key.south() + j * step, minHeight), world);
            box.expandBy(world);
        }
    }
    return osg::BoundingSphere(box);
}

osg::ref_ptr<HorizonCullCallback> TileBuilder::createHorizonCallback(const TileKey& key, double maxHeight) const
{
    const SpatialReference* srs = SpatialReference::get("wgs84");
    osg::Vec3d direction;
    srs->transformToWorld(osg::Vec3d(key.west() + key.width() * 0.5, key.south() + key.width() * 0.5, 0.0),
                          direction);
    return new HorizonCullCallback(liftedGrid(key, maxHeight, horizonSamples), direction, *srs->getEllipsoid());
}

std::vector<osg::Vec3f> TileBuilder::computeNormals(const std::vector<double>& lons, const std::vector<double>& lats,
                                                    double scale, bool data) const
{
    // From the heights half a scale to either side, so that shading is the same
    // whatever tile or level a point falls in, and smooth over the raster's cells.
    const SpatialReference* srs = SpatialReference::get("wgs84");
    const osg::EllipsoidModel& ellipsoid = *srs->getEllipsoid();
    const auto world = [&](double lon, double lat) {
        lat = osg::clampBetween(lat, -90.0, 90.0);
        double height = 0.0;
        if (data)
            _query.getElevation(GeoPoint(srs, wrapLongitude(lon), lat), height);
        osg::Vec3d position;
        srs->transformToWorld(osg::Vec3d(lon, lat, height), position);
        return position;
    };
    const double dLat = 0.5 * scale / metresPerDegree;
    std::vector<osg::Vec3f> normals;
    normals.reserve(lons.size() * lats.size());
    for (double lat : lats)
    {
        const double dLon = dLat / std::max(std::cos(osg::DegreesToRadians(lat)), 1e-6);
        for (double lon : lons)
        {
            osg::Vec3d centre;
            srs->transformToWorld(osg::Vec3d(lon, lat, 0.0), centre);
            const osg::Vec3d up = ellipsoid.computeLocalUpVector(centre.x(), centre.y(), centre.z());
            osg::Vec3d normal = up;
            if (data)
            {
                normal = (world(lon + dLon, lat) - world(lon - dLon, lat)) ^
                         (world(lon, lat + dLat) - world(lon, lat - dLat));
                if (normal.normalize() < 1e-9 || normal * up <= 0.0)
                    normal = up;
            }
            normals.push_back(osg::Vec3f(normal));
        }
    }
    return normals;
}

osg::ref_ptr<osg::Node> TileBuilder::createMesh(const TileKey& key) const
{
    const auto start = std::chrono::steady_clock::now();
    std::vector<double> lons = TileGeometry::uniformPosts(key.west(), key.width(), _tileSize);
    std::vector<double> lats = TileGeometry::uniformPosts(key.south(), key.width(), _tileSize);
    osg::ref_ptr<osg::DrawElementsUShort> indices = _indices;
    const bool data = hasData(key);
    if (data && addBendLines(key, lons, lats))
        indices = TileGeometry::createIndices(lons.size(), lats.size());
    const std::vector<double> heights = data ? sampleHeights(lons, lats)
                                             : std::vector<double>(lons.size() * lats.size(), 0.0);
    const double postSpacing = key.width() / _tileSize * metresPerDegree;
    const std::vector<osg::Vec3f> normals =
        computeNormals(lons, lats, std::max(postSpacing, _finestResolution), data);
    const double skirtHeight =
        std::max<double>(_options.skirtRatio * key.width() * metresPerDegree, _options.minSkirtHeight);
    osg::ref_ptr<osg::Node> mesh = TileGeometry::create(key, lons, lats, heights, normals, skirtHeight,
                                                        *SpatialReference::get("wgs84")->getEllipsoid(),
                                                        indices.get());
    ++_tilesBuilt;
    _buildNanoseconds +=
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start).count();
    return mesh;
}

osg::ref_ptr<osg::Node> TileBuilder::createTile(const TileKey& key, osgDB::Options* pagingOptions) const
{
    osg::ref_ptr<osg::Node> mesh = createMesh(key);
    double minHeight = 0.0, maxHeight = 0.0;
    if (hasData(key))
        heightRange(key, minHeight, maxHeight);
    osg::ref_ptr<HorizonCullCallback> horizon = createHorizonCallback(key, maxHeight);
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

    const osg::BoundingSphere bound = computeBound(key, minHeight, maxHeight);
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
