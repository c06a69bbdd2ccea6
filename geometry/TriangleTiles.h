#pragma once

#include <osg/Geometry>
#include <osg/ref_ptr>

#include <vector>

// A large surface of loose triangles cut into square tiles of about tileSize (in the
// geometry's x and y) by where each triangle's middle lies, so that the tiles out of
// view are culled instead of the whole surface being drawn wherever one looks. The
// geometry holds one list of triangles with vertices and, per vertex, normals and
// colours (as DrapedSurface builds). Any thread that owns it.
std::vector<osg::ref_ptr<osg::Geometry>> triangleTiles(const osg::Geometry& triangles, float tileSize);
