#pragma once

#include "globe/TerrainOptions.h"

namespace globe
{
struct MapNodeOptions
{
    MapNodeOptions() = default;
    explicit MapNodeOptions(const TerrainOptions& terrain) : terrainOptions(terrain) {}

    TerrainOptions terrainOptions;
};
} // namespace globe
