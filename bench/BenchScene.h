#pragma once

#include <osg/Matrixd>
#include <osg/ref_ptr>

#include <string>

class OsmParser;

namespace globe
{
class MapNode;
}

// What the benches that generate cells without a window share. Main thread only.

// A map node with the terrain as its elevation layer (none for an empty path);
// throws the layer's status when the terrain cannot be used.
osg::ref_ptr<globe::MapNode> mapNodeFor(const std::string& terrainPath);
// The extract's centre, rounded to single precision as scene assembly does.
osg::Matrixd centreOrigin(const OsmParser& store);
// The generator reads its shaders as the program does, from shaders/ beside it.
void findShadersBesideProgram();
