#pragma once

#include <osg/Matrixd>

// Local-to-world matrix of the extract's centre. Written by scene assembly while
// no data thread runs and handed to the generator, whose vertices it localises.
extern osg::Matrixd sceneOrigin;

osg::Matrixd sceneOriginMatrix();
