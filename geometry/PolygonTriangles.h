#pragma once

#include <osg/Array>
#include <osg/PrimitiveSet>
#include <osg/ref_ptr>

#include <vector>

#include <vector>

// Appends a polygon's vertices to `vertices` and its triangles (odd winding rule) to
// `triangles` as indices into `vertices`. Vertices the tessellator adds where the
// outline crosses itself follow the polygon's own. Each polygon is tessellated on its
// own: the tessellator indexes every vertex of a geometry for each polygon it handles,
// so many polygons in one geometry would cost quadratic time.
void appendPolygonTriangles(const osg::Vec3Array& polygon, osg::Vec3Array& vertices,
                            osg::DrawElementsUInt& triangles);

// The same for one polygon given as several contours, an outline and its holes: a
// point inside an odd number of contours is inside the polygon.
void appendContourTriangles(const std::vector<const osg::Vec3Array*>& contours, osg::Vec3Array& vertices,
                            osg::DrawElementsUInt& triangles);
