#pragma once

#include "geometry/AreaPolygon.h"

#include <geos_c.h>

#include <osg/Array>
#include <osg/Geometry>
#include <osg/Vec2d>
#include <osg/Vec3d>
#include <osg/Vec4f>
#include <osg/ref_ptr>

#include <cstdint>
#include <functional>
#include <unordered_map>
#include <vector>

class GeosContext;
class LocalFrame;

// Polygons laid on the ground as triangles with a colour per vertex. A fixed lattice
// of triangles, step degrees apart, cuts every polygon; each piece lies in the plane
// through its lattice triangle's corners, whose heights come from the height function.
// So the surface follows the terrain, and polygons that overlap lie in the very same
// planes. Built on the thread that owns the GEOS context.
class DrapedSurface
{
public:
    using Height = std::function<double(double lon, double lat)>;

    DrapedSurface(const GeosContext& geos, double step, Height height);

    void add(const AreaPolygon& polygon, const osg::Vec4f& colour);
    std::size_t vertexCount() const { return points.size(); }

    // Triangles in the frame, lift metres above the lattice, with the terrain's normals
    // and the colours; null when nothing was added.
    osg::ref_ptr<osg::Geometry> build(const LocalFrame& frame, double lift) const;

private:
    struct Corner
    {
        double lon;
        double lat;
        double height;
        osg::Vec3d normal;
    };

    double heightAt(std::int64_t i, std::int64_t j);
    Corner corner(std::int64_t i, std::int64_t j);
    void addRectangle(std::int64_t west, std::int64_t east, std::int64_t j, const osg::Vec4f& colour);
    void addSquare(const GEOSGeometry* piece, bool whole, std::int64_t i, std::int64_t j, const osg::Vec4f& colour);
    std::vector<std::vector<osg::Vec2d>> halfOf(const std::vector<std::vector<double>>& rings, const Corner& southWest,
                                                bool below) const;
    static bool isConvex(const std::vector<osg::Vec2d>& ring);
    // A piece in lattice units from the triangle's first corner.
    void addPiece(const std::vector<std::vector<osg::Vec2d>>& rings, const Corner (&corners)[3],
                  const osg::Vec4f& colour);
    void addPoint(double lon, double lat, const Corner (&corners)[3], const osg::Vec4f& colour);

    const GeosContext& geos;
    double step;
    Height height;
    std::unordered_map<std::uint64_t, double> cornerHeights;
    std::vector<osg::Vec3d> points;
    std::vector<osg::Vec3f> normals;
    std::vector<osg::Vec4f> colours;
};
