#pragma once

#include "geometry/TriangleMesh.h"

#include <osg/Matrixd>
#include <osg/Node>
#include <osg/Vec3d>

#include <cstddef>
#include <string>

// Writes generated scene nodes as coloured triangles in the scene's local
// east-north-up frame, in metres, to a glTF 2.0 binary (.glb), a Wavefront OBJ
// (.obj, its colours in a .mtl beside it) or an OpenSceneGraph binary (.osgb) file,
// with the frame's origin written into the file. Street line strips become the
// ribbons their program draws. Nodes being built or changed on another thread must
// not be added; otherwise any one thread at a time.
class SceneExporter
{
public:
    // localToWorld: the scene origin the nodes' vertices are relative to.
    explicit SceneExporter(const osg::Matrixd& localToWorld);

    // Gathers the triangles of the node and of everything below it. Colours come from
    // a geometry's colour array, else from the nearest "color" uniform above it.
    void add(osg::Node& node);

    const TriangleMesh& mesh() const { return gathered; }
    std::size_t triangleCount() const { return gathered.triangleCount(); }
    // Longitude and latitude in degrees, height in metres, of the frame's origin.
    const osg::Vec3d& origin() const { return originLonLatHeight; }

    // True for the file names write can handle (.glb, .obj, .osgb, any case).
    static bool canWrite(const std::string& path);
    // Writes the gathered triangles whole or not at all: staged beside the file and
    // moved there at the end. Throws std::runtime_error naming the file and the problem.
    void write(const std::string& path) const;

private:
    // Both write the staged file; their errors name the target.
    void writeGlb(const std::string& stagedPath, const std::string& target) const;
    void writeThroughOsg(const std::string& stagedPath, const std::string& target) const;
    std::string originComment() const;

    osg::Matrixd localToWorld;
    osg::Vec3d originLonLatHeight;
    TriangleMesh gathered;
};
