#pragma once

#include "globe/MapNode.h"

#include <osg/Matrixd>
#include <osg/Vec3d>
#include <osg/Vec3f>
#include <osg/ref_ptr>

#include <string>

// A synthetic terrain for generation tests: a GeoTIFF over 13.0-13.2 E, 52.0-52.2 N
// with 0.001 degree pixels, in blocks of 0.01 degrees. Block (bx, by) has the height
// 30 + bx + 10 by metres, except the northmost row of blocks (by = 19), which has no
// data. Points at a block's centre are far from any interpolation across blocks.
namespace testTerrain
{
const int noDataRow = 19;

double blockLon(int bx);
double blockLat(int by);
double blockHeight(int bx, int by);

// Writes the raster (once per process) into the working directory; returns its path.
std::string rasterPath();
// A map node with the raster as its elevation layer, or with no layer at all.
osg::ref_ptr<globe::MapNode> mapNode(bool withTerrain = true);
// The east-north-up frame at (lon, lat, 0) as a local-to-world matrix, the scene
// origin the tests hand to the geometry.
osg::Matrixd sceneOriginAt(double lon, double lat);
// Longitude, latitude and height of a vertex of the given local frame.
osg::Vec3d geographic(const osg::Vec3f& local, const osg::Matrixd& localToWorld);
// Adds the source shaders directory to osgDB's data path list.
void findSourceShaders();
} // namespace testTerrain
