#include "globe/TileGeometry.h"

#include <osg/BufferObject>
#include <osg/Geode>
#include <osg/Geometry>
#include <osg/Math>

#include <algorithm>
#include <cmath>

namespace globe
{
namespace
{
// Lines closer than this share of a step to a post would only make slivers.
constexpr double minimumGap = 0.05;

osg::Vec3d toWorld(const osg::EllipsoidModel& ellipsoid, double lon, double lat, double height)
{
    osg::Vec3d world;
    ellipsoid.convertLatLongHeightToXYZ(osg::DegreesToRadians(lat), osg::DegreesToRadians(lon), height, world.x(),
                                        world.y(), world.z());
    return world;
}
} // namespace

std::vector<double> TileGeometry::uniformPosts(double start, double width, unsigned size)
{
    std::vector<double> posts;
    for (unsigned i = 0; i <= size; ++i)
        posts.push_back(i == size ? start + width : start + width * i / size);
    return posts;
}

std::vector<double> TileGeometry::insertPosts(const std::vector<double>& posts, const std::vector<double>& lines)
{
    const double gap = minimumGap * (posts[1] - posts[0]);
    std::vector<double> result = posts;
    for (double line : lines)
    {
        if (line <= posts.front() + gap || line >= posts.back() - gap)
            continue;
        const auto next = std::lower_bound(result.begin(), result.end(), line);
        if (*next - line > gap && line - *(next - 1) > gap)
            result.insert(next, line);
    }
    return result;
}

std::vector<unsigned> TileGeometry::outline(unsigned columns, unsigned rows)
{
    std::vector<unsigned> ring;
    for (unsigned i = 0; i + 1 < columns; ++i)
        ring.push_back(i);
    for (unsigned j = 0; j + 1 < rows; ++j)
        ring.push_back(j * columns + columns - 1);
    for (unsigned i = columns - 1; i > 0; --i)
        ring.push_back((rows - 1) * columns + i);
    for (unsigned j = rows - 1; j > 0; --j)
        ring.push_back(j * columns);
    ring.push_back(0);
    return ring;
}

osg::ref_ptr<osg::DrawElementsUShort> TileGeometry::createIndices(unsigned columns, unsigned rows)
{
    osg::ref_ptr<osg::DrawElementsUShort> indices = new osg::DrawElementsUShort(GL_TRIANGLES);
    const auto triangle = [&indices](unsigned a, unsigned b, unsigned c) {
        indices->push_back(GLushort(a));
        indices->push_back(GLushort(b));
        indices->push_back(GLushort(c));
    };
    for (unsigned j = 0; j + 1 < rows; ++j)
    {
        for (unsigned i = 0; i + 1 < columns; ++i)
        {
            const unsigned sw = j * columns + i, se = sw + 1, nw = sw + columns, ne = nw + 1;
            triangle(sw, se, ne);
            triangle(sw, ne, nw);
        }
    }
    // Skirt vertices follow the grid, one under each outline post. Walking the outline
    // counter-clockwise, the outside lies to the right: these triangles face outwards.
    const std::vector<unsigned> ring = outline(columns, rows);
    const unsigned skirtBase = columns * rows;
    for (unsigned k = 0; k + 1 < ring.size(); ++k)
    {
        const unsigned top = ring[k], nextTop = ring[k + 1];
        const unsigned bottom = skirtBase + k, nextBottom = skirtBase + k + 1;
        triangle(top, bottom, nextTop);
        triangle(nextTop, bottom, nextBottom);
    }
    // Tiles built on several pager threads share these indices: their buffer object
    // is made here, before any geometry would make it on the fly.
    indices->setElementBufferObject(new osg::ElementBufferObject);
    return indices;
}

osg::ref_ptr<osg::MatrixTransform> TileGeometry::create(const TileKey& key, const std::vector<double>& lons,
                                                        const std::vector<double>& lats,
                                                        const std::vector<double>& heights,
                                                        const std::vector<osg::Vec3f>& normals, double skirtHeight,
                                                        const osg::EllipsoidModel& ellipsoid,
                                                        osg::DrawElementsUShort* indices)
{
    const unsigned columns = lons.size(), rows = lats.size();
    const osg::Vec3d centre =
        toWorld(ellipsoid, key.west() + key.width() * 0.5, key.south() + key.width() * 0.5, 0.0);
    std::vector<osg::Vec3d> world;
    world.reserve(columns * rows);
    for (unsigned j = 0; j < rows; ++j)
        for (unsigned i = 0; i < columns; ++i)
            world.push_back(toWorld(ellipsoid, lons[i], lats[j], heights[j * columns + i]));

    const std::vector<unsigned> ring = outline(columns, rows);
    osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array;
    osg::ref_ptr<osg::Vec3Array> vertexNormals = new osg::Vec3Array(normals.begin(), normals.end());
    vertices->reserve(world.size() + ring.size());
    for (const osg::Vec3d& position : world)
        vertices->push_back(osg::Vec3f(position - centre));
    for (unsigned post : ring)
    {
        const osg::Vec3d& top = world[post];
        const osg::Vec3d up = ellipsoid.computeLocalUpVector(top.x(), top.y(), top.z());
        vertices->push_back(osg::Vec3f(top - up * skirtHeight - centre));
        vertexNormals->push_back(normals[post]);
    }

    osg::ref_ptr<osg::Geometry> geometry = new osg::Geometry;
    geometry->setUseDisplayList(false);
    geometry->setUseVertexBufferObjects(true);
    geometry->setVertexArray(vertices.get());
    geometry->setNormalArray(vertexNormals.get(), osg::Array::BIND_PER_VERTEX);
    geometry->addPrimitiveSet(indices);

    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->addDrawable(geometry.get());
    osg::ref_ptr<osg::MatrixTransform> transform = new osg::MatrixTransform(osg::Matrixd::translate(centre));
    transform->addChild(geode.get());
    transform->setName(key.str());
    return transform;
}
} // namespace globe
