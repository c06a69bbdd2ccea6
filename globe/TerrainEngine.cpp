#include "globe/TerrainEngine.h"

namespace globe
{
TerrainEngine::TerrainEngine(const Map* /*map*/, const TerrainOptions& /*options*/) {}

TerrainEngine::~TerrainEngine() = default;
} // namespace globe
