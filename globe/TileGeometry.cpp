#include "globe/TileGeometry.h"

#include <osg/Geode>
#include <osg/Geometry>
#include <osg/Math>

#include <cmath>

namespace globe
{
namespace
{
double wrapLongitude(double lon)
{
    if (lon < -180.0)
        return lon + 360.0;
    if (lon > 180.0)
        return lon - 360.0;
    return lon;
}

osg::Vec3d toWorld(const osg::EllipsoidModel& ellipsoid, double lon, double lat, double height)
{
    osg::Vec3d world;
    ellipsoid.convertLatLongHeightToXYZ(osg::DegreesToRadians(lat), osg::DegreesToRadians(lon), height, world.x(),
                                        world.y(), world.z());
    return world;
}
} // namespace

std::vector<osg::Vec2d> TileGeometry::samplePositions(const TileKey& key, unsigned size)
{
    const unsigned count = size + 3;
    const double step = key.width() / size;
    std::vector<osg::Vec2d> positions;
    positions.reserve(count * count);
    for (unsigned j = 0; j < count; ++j)
    {
        const double lat = osg::clampBetween(key.south() + (static_cast<double>(j) - 1.0) * step, -90.0, 90.0);
        for (unsigned i = 0; i < count; ++i)
            positions.emplace_back(wrapLongitude(key.west() + (static_cast<double>(i) - 1.0) * step), lat);
    }
    return positions;
}

std::vector<unsigned> TileGeometry::outline(unsigned size)
{
    const unsigned posts = size + 1;
    std::vector<unsigned> ring;
    for (unsigned i = 0; i < size; ++i)
        ring.push_back(i);
    for (unsigned j = 0; j < size; ++j)
        ring.push_back(j * posts + size);
    for (unsigned i = size; i > 0; --i)
        ring.push_back(size * posts + i);
    for (unsigned j = size; j > 0; --j)
        ring.push_back(j * posts);
    ring.push_back(0);
    return ring;
}

osg::ref_ptr<osg::DrawElementsUShort> TileGeometry::createIndices(unsigned size)
{
    const unsigned posts = size + 1;
    osg::ref_ptr<osg::DrawElementsUShort> indices = new osg::DrawElementsUShort(GL_TRIANGLES);
    const auto triangle = [&indices](unsigned a, unsigned b, unsigned c) {
        indices->push_back(GLushort(a));
        indices->push_back(GLushort(b));
        indices->push_back(GLushort(c));
    };
    for (unsigned j = 0; j < size; ++j)
    {
        for (unsigned i = 0; i < size; ++i)
        {
            const unsigned sw = j * posts + i, se = sw + 1, nw = sw + posts, ne = nw + 1;
            triangle(sw, se, ne);
            triangle(sw, ne, nw);
        }
    }
    // Skirt vertices follow the grid, one under each outline post. Walking the outline
    // counter-clockwise, the outside lies to the right: these triangles face outwards.
    const std::vector<unsigned> ring = outline(size);
    const unsigned skirtBase = posts * posts;
    for (unsigned k = 0; k + 1 < ring.size(); ++k)
    {
        const unsigned top = ring[k], nextTop = ring[k + 1];
        const unsigned bottom = skirtBase + k, nextBottom = skirtBase + k + 1;
        triangle(top, bottom, nextTop);
        triangle(nextTop, bottom, nextBottom);
    }
    return indices;
}

osg::ref_ptr<osg::MatrixTransform> TileGeometry::create(const TileKey& key, unsigned size,
                                                        const std::vector<double>& heights, double skirtHeight,
                                                        const osg::EllipsoidModel& ellipsoid,
                                                        osg::DrawElementsUShort* indices)
{
    const unsigned count = size + 3;
    const unsigned posts = size + 1;
    const std::vector<osg::Vec2d> positions = samplePositions(key, size);
    std::vector<osg::Vec3d> world(positions.size());
    for (size_t k = 0; k < positions.size(); ++k)
        world[k] = toWorld(ellipsoid, positions[k].x(), positions[k].y(), heights[k]);

    const osg::Vec3d centre =
        toWorld(ellipsoid, key.west() + key.width() * 0.5, key.south() + key.width() * 0.5, 0.0);
    osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array;
    osg::ref_ptr<osg::Vec3Array> normals = new osg::Vec3Array;
    vertices->reserve(posts * posts + 4 * size + 1);
    normals->reserve(vertices->capacity());
    std::vector<osg::Vec3d> ups;
    ups.reserve(posts * posts);
    for (unsigned j = 1; j <= posts; ++j)
    {
        for (unsigned i = 1; i <= posts; ++i)
        {
            const size_t k = j * count + i;
            const osg::Vec3d up = ellipsoid.computeLocalUpVector(world[k].x(), world[k].y(), world[k].z());
            // Central differences over the neighbouring posts, also across the tile's
            // edges, so that shading runs on seamlessly into the next tile.
            osg::Vec3d normal = (world[k + 1] - world[k - 1]) ^ (world[k + count] - world[k - count]);
            if (normal.normalize() < 1e-9 || normal * up <= 0.0)
                normal = up;
            vertices->push_back(osg::Vec3f(world[k] - centre));
            normals->push_back(osg::Vec3f(normal));
            ups.push_back(up);
        }
    }
    for (unsigned post : outline(size))
    {
        vertices->push_back(osg::Vec3f((*vertices)[post] - osg::Vec3f(ups[post] * skirtHeight)));
        normals->push_back((*normals)[post]);
    }

    osg::ref_ptr<osg::Geometry> geometry = new osg::Geometry;
    geometry->setUseDisplayList(false);
    geometry->setUseVertexBufferObjects(true);
    geometry->setVertexArray(vertices.get());
    geometry->setNormalArray(normals.get(), osg::Array::BIND_PER_VERTEX);
    geometry->addPrimitiveSet(indices);

    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->addDrawable(geometry.get());
    osg::ref_ptr<osg::MatrixTransform> transform = new osg::MatrixTransform(osg::Matrixd::translate(centre));
    transform->addChild(geode.get());
    transform->setName(key.str());
    return transform;
}
} // namespace globe
