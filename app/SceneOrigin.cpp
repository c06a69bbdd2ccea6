#include "app/SceneOrigin.h"

osg::Matrixd sceneOrigin;

osg::Matrixd sceneOriginMatrix()
{
    return sceneOrigin;
}
