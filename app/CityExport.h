#pragma once

#include "geometry/GeometryGenerator.h"
#include "geometry/SceneExporter.h"

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

class SceneContext;

// One export of the city: the water and the cells in rings around a cell, built by a
// generator of its own on the scene's store (the data thread's cells and cache stay
// as they are), in the colours shown, then written by SceneExporter. Step by step, so
// that the caller can show progress and stop. GUI thread (beside the data thread).
class CityExport
{
public:
    // The scene must be built; rings as for the data thread's batch (at most 6).
    CityExport(const SceneContext& scene, std::pair<int, int> centre, int rings);

    // The water, then one step per cell.
    int stepCount() const { return static_cast<int>(cells.size()) + 1; }
    void runStep(int step);

    std::size_t triangleCount() const { return exporter.triangleCount(); }
    // Throws std::runtime_error naming the file and the problem.
    void write(const std::string& path) const { exporter.write(path); }

private:
    GeometryGenerator generator;
    SceneExporter exporter;
    std::vector<std::pair<int, int>> cells;
};
