#include "globe/MapNode.h"

#include "globe/TerrainEngine.h"

#include <osg/observer_ptr>

namespace globe
{
MapNode::MapNode(Map* map, const MapNodeOptions& options)
    : _map(map ? map : new Map()), _options(options), _models(new osg::Group)
{
    _engine = new TerrainEngine(_map.get(), _options.terrainOptions);
    addChild(_engine.get());
    addChild(_models.get());

    for (const osg::ref_ptr<ModelLayer>& layer : _map->getModelLayers())
        addModelLayerNode(layer.get());
    // The map may outlive this node, so the listener only holds a weak reference.
    osg::observer_ptr<MapNode> self(this);
    _map->addModelLayerListener([self](ModelLayer* layer) {
        osg::ref_ptr<MapNode> node;
        if (self.lock(node))
            node->addModelLayerNode(layer);
    });
}

MapNode::~MapNode() = default;

osg::Group* MapNode::getTerrain() const
{
    return _engine.get();
}

void MapNode::addModelLayerNode(ModelLayer* layer)
{
    if (layer->getNode())
        _models->addChild(layer->getNode());
}
} // namespace globe
