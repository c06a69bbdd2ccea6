#include "geometry/TriangleTiles.h"

#include <cmath>
#include <map>
#include <utility>

namespace
{
struct Tile
{
    osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array;
    osg::ref_ptr<osg::Vec3Array> normals = new osg::Vec3Array;
    osg::ref_ptr<osg::Vec4Array> colours = new osg::Vec4Array;
};
} // namespace

std::vector<osg::ref_ptr<osg::Geometry>> triangleTiles(const osg::Geometry& triangles, float tileSize)
{
    const auto* vertices = dynamic_cast<const osg::Vec3Array*>(triangles.getVertexArray());
    const auto* normals = dynamic_cast<const osg::Vec3Array*>(triangles.getNormalArray());
    const auto* colours = dynamic_cast<const osg::Vec4Array*>(triangles.getColorArray());
    if (!vertices || !normals || !colours || normals->size() != vertices->size() ||
        colours->size() != vertices->size() || !(tileSize > 0.0f))
        return {new osg::Geometry(triangles, osg::CopyOp::SHALLOW_COPY)};

    std::map<std::pair<long, long>, Tile> tiles;
    for (std::size_t i = 0; i + 2 < vertices->size(); i += 3)
    {
        const osg::Vec3f middle = ((*vertices)[i] + (*vertices)[i + 1] + (*vertices)[i + 2]) / 3.0f;
        Tile& tile = tiles[{std::lround(std::floor(middle.x() / tileSize)), std::lround(std::floor(middle.y() / tileSize))}];
        for (std::size_t k = i; k < i + 3; ++k)
        {
            tile.vertices->push_back((*vertices)[k]);
            tile.normals->push_back((*normals)[k]);
            tile.colours->push_back((*colours)[k]);
        }
    }
    std::vector<osg::ref_ptr<osg::Geometry>> result;
    for (auto& [key, tile] : tiles)
    {
        osg::ref_ptr<osg::Geometry> geometry = new osg::Geometry;
        geometry->setUseDisplayList(false);
        geometry->setUseVertexBufferObjects(true);
        geometry->setVertexArray(tile.vertices.get());
        geometry->setNormalArray(tile.normals.get(), osg::Array::BIND_PER_VERTEX);
        geometry->setColorArray(tile.colours.get(), osg::Array::BIND_PER_VERTEX);
        geometry->addPrimitiveSet(new osg::DrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(tile.vertices->size())));
        result.push_back(geometry);
    }
    return result;
}
