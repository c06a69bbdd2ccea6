#pragma once

#include "osm/OsmNode.h"
#include "osm/WayGeometry.h"

#include <osg/Array>
#include <osg/Vec3d>
#include <osg/Vec3f>
#include <osg/ref_ptr>

#include <vector>

namespace globe
{
class ElevationQuery;
class SpatialReference;
} // namespace globe

// Placing WGS 84 points on the terrain and in the scene's local frame (the inverse
// of sceneOriginMatrix()), shared by buildings, streets and water.

const globe::SpatialReference* wgs84();

// Terrain height in metres at a node; 0 (the ellipsoid) where the terrain has no data,
// never a value left over from an earlier query.
double terrainElevation(const globe::ElevationQuery* query, double lon, double lat);

// (lon, lat, height) points as single-precision vertices in the local frame, in order.
osg::ref_ptr<osg::Vec3Array> localizePoints(const std::vector<osg::Vec3d>& points);

// A geocentric direction expressed in the local frame.
osg::Vec3f localDirection(const osg::Vec3d& geocentric);

// Unit normal of the geocentric triangle of three nodes at 10 m, (P2-P0) x (P1-P0),
// turned round when all its components are negative.
osg::Vec3d footprintTriangleNormal(const OsmNode& n0, const OsmNode& n1, const OsmNode& n2);

bool allComponentsPositive(const osg::Vec3d& v);

// The up vector of a set of footprints: the first triangle normal of consecutive
// nodes (start index k while k + 3 < node count) with all components positive, else
// the last one computed, else (0, 0, 0).
osg::Vec3f footprintsUpVector(const std::vector<WayGeometry>& ways);
