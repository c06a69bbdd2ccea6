#pragma once

#include "globe/ElevationLayer.h"
#include "globe/MapOptions.h"
#include "globe/ModelLayer.h"

#include <osg/Referenced>
#include <osg/observer_ptr>
#include <osg/ref_ptr>

#include <functional>
#include <mutex>
#include <vector>

namespace globe
{
class SpatialReference;

// The layers of one globe. Layers may be added from the GUI thread while other
// threads read them.
class Map : public osg::Referenced
{
public:
    using ElevationLayerVector = std::vector<osg::ref_ptr<ElevationLayer>>;
    using ModelLayerVector = std::vector<osg::ref_ptr<ModelLayer>>;
    using ModelLayerListener = std::function<void(ModelLayer*)>;

    explicit Map(const MapOptions& options = MapOptions());

    const MapOptions& getMapOptions() const { return _options; }
    const SpatialReference* getSRS() const;

    void addElevationLayer(ElevationLayer* layer);
    void addModelLayer(ModelLayer* layer);

    // Snapshots of the layer lists, in the order the layers were added.
    ElevationLayerVector getElevationLayers() const;
    ModelLayerVector getModelLayers() const;

    // Called (on the adding thread) for every model layer added from now on.
    void addModelLayerListener(const ModelLayerListener& listener);

private:
    MapOptions _options;
    mutable std::mutex _mutex;
    ElevationLayerVector _elevationLayers;
    ModelLayerVector _modelLayers;
    std::vector<ModelLayerListener> _modelLayerListeners;
};
} // namespace globe
