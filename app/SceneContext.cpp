#include "app/SceneContext.h"

#include "app/AppSettings.h"
#include "globe/ElevationLayer.h"
#include "globe/Map.h"
#include "globe/MapNode.h"

#include <utility>

// Defined here, where the map types are complete, for their reference pointers.
SceneContext::SceneContext() = default;
SceneContext::~SceneContext() = default;

void SceneContext::setTerrainPath(std::string path)
{
    terrainPath = path;
    appSettings().terrainPath = std::move(path);
}

void SceneContext::setOsmPath(std::string path)
{
    osmPath = path;
    appSettings().osmPath = std::move(path);
}

void SceneContext::setViewer(osg::ref_ptr<osgViewer::Viewer> newViewer)
{
    viewer = newViewer;
}
