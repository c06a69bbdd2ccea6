#pragma once

#include "geometry/TriangleMesh.h"

#include <osg/Geometry>
#include <osg/Matrixd>
#include <osg/Vec3f>
#include <osg/Vec4f>

// The street program's ribbons (shaders/street.geom) as triangles: every segment of
// a line strip becomes a flat quad across it, as wide as the width attribute of its
// first vertex and perpendicular to up, ended by a half-octagon cap (the caps the
// shader draws near the camera), wound to face up. Segments shorter than the shader's
// limit across up are left out as it leaves them out. Any thread, one mesh at a time.
class StreetRibbons
{
public:
    // Triangles of one segment with its cap.
    static constexpr std::size_t trianglesPerSegment = 5;

    // Whether the geometry is drawn as ribbons: line strips with a width attribute.
    static bool isRibbonGeometry(const osg::Geometry& lines);

    // Appends the ribbons of lines, its vertices placed by toFrame; up is the frame's up.
    static void append(const osg::Geometry& lines, const osg::Matrixd& toFrame, const osg::Vec3f& up,
                       const osg::Vec4f& colour, TriangleMesh& mesh);

private:
    static void appendSegment(const osg::Vec3f& a, const osg::Vec3f& b, float width, const osg::Vec3f& up,
                              const osg::Vec4f& colour, TriangleMesh& mesh);
};
