#pragma once

#include <atomic>
#include <string>

// The process-wide settings the input dialog edits. The numbers are atomics:
// the main window stores new values while the old data thread may still read them.
struct AppSettings
{
    std::atomic<int> maxGridCells{572};
    std::atomic<int> cellRange{5};
    std::atomic<double> gridSize{0.005};
    std::string osmPath{"potsdam.osm"};
    std::string terrainPath{"potsdam.tif"};
};

AppSettings& appSettings();
