#pragma once

#include "app/LocalSolarClock.h"

#include <osg/Group>
#include <osg/ref_ptr>

#include <functional>
#include <memory>
#include <string>

class OsmParser;
class DataThread;
class GeometryGenerator;
class MyEarthManipulator;
class MyKeyboardEventHandler;
class NodeHandover;
class UpdateCallback;

namespace globe {
class MapNode;
class Map;
class ElevationLayer;
class ModelLayer;
struct TerrainOptions;
} // namespace globe

namespace Tarn {
namespace GUI {
class QtViewer;
}
} // namespace Tarn

// Everything one loaded extract needs. Created once at start-up and kept by the
// main window for the life of the process; used on the GUI thread only.
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
    void setViewer(osg::ref_ptr<Tarn::GUI::QtViewer> newViewer);

    // Assembles the scene for the current input on the viewer and starts the data
    // thread at the grid's centre cell. Throws what the OSM loader throws, and the
    // terrain's problem when its file cannot be used; nothing of the scene exists then.
    // loading: how far the reading of the OSM file is (see OsmParser).
    void buildScene(const std::function<void(double)>& loading = {});
    // Stops the data thread (it finishes the cell in progress) and releases the
    // scene; the viewer keeps nothing that points into what was released. Does
    // nothing for parts that were never built or are already released.
    void releaseScene();
    // The terrain engine's tuning when a terrain file is used.
    static globe::TerrainOptions terrainOptions();
    // True from a successful buildScene until releaseScene.
    bool isBuilt() const { return generator != nullptr; }

    // Every cell queued so far is generated and every node built is shown.
    bool batchShown() const;
    // The sun's local solar hour at the extract's centre.
    double localHour() const;
    void setLocalHour(double hour);
    // The clock the sky follows, with the scene's day; setting the day keeps the hour.
    LocalSolarClock solarClock() const;
    void setDate(int year, int month, int day);

    osg::ref_ptr<Tarn::GUI::QtViewer> viewer;
    std::string terrainPath;
    std::string osmPath;
    std::unique_ptr<OsmParser> parser;
    osg::ref_ptr<MyEarthManipulator> manipulator;
    osg::ref_ptr<NodeHandover> handover;
    osg::ref_ptr<UpdateCallback> updateCallback;
    std::unique_ptr<DataThread> dataThread;
    std::unique_ptr<GeometryGenerator> generator;
    osg::ref_ptr<MyKeyboardEventHandler> keyboardHandler;
    osg::ref_ptr<globe::MapNode> mapNode;
    osg::ref_ptr<globe::Map> map;
    osg::ref_ptr<globe::ElevationLayer> elevationLayer;
    // Not owned: the map holds its layers.
    globe::ModelLayer* modelLayer = nullptr;
    osg::ref_ptr<osg::Group> sceneGraph;
};
