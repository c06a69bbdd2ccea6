#pragma once

#include "globe/TileKey.h"

#include <osg/CoordinateSystemNode>
#include <osg/MatrixTransform>
#include <osg/PrimitiveSet>

#include <vector>

namespace globe
{
// The mesh of one terrain tile: a grid of (size + 1)^2 posts on the ellipsoid,
// placed relative to the tile's centre so that float vertices keep their precision,
// with normals from the neighbouring posts and skirts hanging from the four edges.
class TileGeometry
{
public:
    // Row-major (south to north, west to east) sample positions of a tile with one
    // extra post beyond every edge: (size + 3)^2 longitude/latitude pairs.
    static std::vector<osg::Vec2d> samplePositions(const TileKey& key, unsigned size);

    // heights: one per sample position, in metres above the ellipsoid.
    static osg::ref_ptr<osg::MatrixTransform> create(const TileKey& key, unsigned size,
                                                     const std::vector<double>& heights, double skirtHeight,
                                                     const osg::EllipsoidModel& ellipsoid,
                                                     osg::DrawElementsUShort* indices);

    // The triangles shared by every tile of that size, skirts included.
    static osg::ref_ptr<osg::DrawElementsUShort> createIndices(unsigned size);

    // Post indices of the tile's outline, counter-clockwise from the south-west corner.
    static std::vector<unsigned> outline(unsigned size);
};
} // namespace globe
