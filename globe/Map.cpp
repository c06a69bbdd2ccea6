#include "globe/Map.h"

#include "globe/SpatialReference.h"

namespace globe
{
Map::Map(const MapOptions& options) : _options(options) {}

const SpatialReference* Map::getSRS() const
{
    return SpatialReference::get("wgs84");
}

void Map::addElevationLayer(ElevationLayer* layer)
{
    if (!layer)
        return;
    std::lock_guard<std::mutex> lock(_mutex);
    _elevationLayers.emplace_back(layer);
}

void Map::addModelLayer(ModelLayer* layer)
{
    if (!layer)
        return;
    std::vector<ModelLayerListener> listeners;
    {
        std::lock_guard<std::mutex> lock(_mutex);
        _modelLayers.emplace_back(layer);
        listeners = _modelLayerListeners;
    }
    for (const ModelLayerListener& listener : listeners)
        listener(layer);
}

Map::ElevationLayerVector Map::getElevationLayers() const
{
    std::lock_guard<std::mutex> lock(_mutex);
    return _elevationLayers;
}

Map::ModelLayerVector Map::getModelLayers() const
{
    std::lock_guard<std::mutex> lock(_mutex);
    return _modelLayers;
}

void Map::addModelLayerListener(const ModelLayerListener& listener)
{
    std::lock_guard<std::mutex> lock(_mutex);
    _modelLayerListeners.push_back(listener);
}
} // namespace globe
