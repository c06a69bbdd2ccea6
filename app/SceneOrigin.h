#pragma once

#include <osg/Matrixd>

// Local-to-world matrix of the extract's centre. Written by scene assembly
// while no data thread runs; its inverse localises every generated vertex.
extern osg::Matrixd sceneOrigin;

osg::Matrixd sceneOriginMatrix();
