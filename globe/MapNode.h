#pragma once

#include "globe/Map.h"
#include "globe/MapNodeOptions.h"

#include <osg/Group>
#include <osg/ref_ptr>

namespace globe
{
class TerrainEngine;

// Draws the map: the terrain of its elevation layers on the WGS 84 ellipsoid and
// the nodes of its model layers.
class MapNode : public osg::Group
{
public:
    explicit MapNode(Map* map, const MapNodeOptions& options = MapNodeOptions());

    Map* getMap() const { return _map.get(); }
    const MapNodeOptions& getMapNodeOptions() const { return _options; }
    // The group that holds the terrain tiles.
    osg::Group* getTerrain() const;
    // The group that holds the model layers' nodes.
    osg::Group* getModels() const { return _models.get(); }

protected:
    ~MapNode() override;

private:
    void addModelLayerNode(ModelLayer* layer);

    osg::ref_ptr<Map> _map;
    MapNodeOptions _options;
    osg::ref_ptr<TerrainEngine> _engine;
    osg::ref_ptr<osg::Group> _models;
};
} // namespace globe
