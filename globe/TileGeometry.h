#pragma once

#include "globe/TileKey.h"

#include <osg/CoordinateSystemNode>
#include <osg/MatrixTransform>
#include <osg/PrimitiveSet>

#include <vector>

namespace globe
{
// The mesh of one terrain tile: a grid of posts on the ellipsoid (rows of equal
// latitude, columns of equal longitude), placed relative to the tile's centre so
// that float vertices keep their precision, with skirts hanging from the four edges.
class TileGeometry
{
public:
    // Post coordinates along one axis: size equal steps from start to start + width.
    static std::vector<double> uniformPosts(double start, double width, unsigned size);
    // The posts with extra lines added strictly between the first and the last.
    static std::vector<double> insertPosts(const std::vector<double>& posts, const std::vector<double>& lines);

    // heights and normals: one per (lat, lon) post, rows from the south; heights in
    // metres above the ellipsoid, normals geocentric.
    static osg::ref_ptr<osg::MatrixTransform> create(const TileKey& key, const std::vector<double>& lons,
                                                     const std::vector<double>& lats,
                                                     const std::vector<double>& heights,
                                                     const std::vector<osg::Vec3f>& normals, double skirtHeight,
                                                     const osg::EllipsoidModel& ellipsoid,
                                                     osg::DrawElementsUShort* indices);

    // The triangles of a tile with that many posts per row and column, skirts included.
    static osg::ref_ptr<osg::DrawElementsUShort> createIndices(unsigned columns, unsigned rows);

    // Post indices of the tile's outline, counter-clockwise from the south-west corner.
    static std::vector<unsigned> outline(unsigned columns, unsigned rows);

    // The largest grid whose indices fit in 16 bits.
    static constexpr unsigned maxPosts = 250;
};
} // namespace globe
