#pragma once

#include <osg/Group>
#include <osg/ref_ptr>
#include <osgViewer/Viewer>

#include <string>

class OsmParser;
class DataThread;
class GeometryGenerator;
class MyEarthManipulator;

namespace globe {
class MapNode;
class Map;
class ElevationLayer;
class ModelLayer;
struct TerrainOptions;
} // namespace globe

// Everything one loaded extract needs. Created once at start-up and kept by the
// main window for the life of the process.
class SceneContext
{
public:
    SceneContext();
    ~SceneContext();
    SceneContext(const SceneContext&) = delete;
    SceneContext& operator=(const SceneContext&) = delete;

    // Both setters also update AppSettings, which the dialog is filled from.
    void setTerrainPath(std::string path);
    void setOsmPath(std::string path);
    void setViewer(osg::ref_ptr<osgViewer::Viewer> newViewer);

    // Assembles the scene for the current input on the viewer and starts the data
    // thread at the grid's centre cell. Throws what the OSM loader throws; nothing
    // of the scene exists then.
    void buildScene();
    // Stops the data thread (it finishes the cell in progress) and releases the
    // scene. Does nothing for parts that were never built or are already released.
    void releaseScene();
    // The terrain engine's tuning when a terrain file is used.
    static globe::TerrainOptions terrainOptions();
    // True from a successful buildScene until releaseScene.
    bool isBuilt() const { return generator != nullptr; }

    osg::ref_ptr<osgViewer::Viewer> viewer;
    std::string terrainPath;
    std::string osmPath;
    OsmParser* parser = nullptr;
    osg::ref_ptr<MyEarthManipulator> manipulator;
    DataThread* dataThread = nullptr;
    GeometryGenerator* generator = nullptr;
    osg::ref_ptr<globe::MapNode> mapNode;
    osg::ref_ptr<globe::Map> map;
    osg::ref_ptr<globe::ElevationLayer> elevationLayer;
    // Not owned: the map holds its layers.
    globe::ModelLayer* modelLayer = nullptr;
    osg::ref_ptr<osg::Group> sceneGraph;
};
