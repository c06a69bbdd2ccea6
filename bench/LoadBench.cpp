#include "bench/BenchArgs.h"
#include "bench/BenchCommands.h"

#include "app/AppSettings.h"
#include "osm/OsmParser.h"

#include <sys/resource.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <sstream>

namespace
{
double peakRssMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}
} // namespace

// load OSM_FILE [--grid-size D]: how long loading takes and what it yields.
int runLoadBench(const std::vector<std::string>& args)
{
    const BenchArgs parsed(args);
    const std::string path = parsed.positional(0, "OSM_FILE");
    const double gridSize = parsed.number("grid-size", appSettings().gridSize);

    const auto start = std::chrono::steady_clock::now();
    int columns = 0;
    int rows = 0;
    auto* parser = new OsmParser(path, columns, rows, gridSize);
    const double seconds = secondsSince(start);

    std::size_t waterRings = 0;
    const auto groups = parser->waterRingGroups();
    for (const auto& group : groups)
        waterRings += group.size();

    const KeptRecords& kept = parser->keptRecords();
    std::ostringstream json;
    json.precision(10);
    json << "{\"format\": \"" << osmFormatName(parser->format()) << "\", \"file_mb\": " << std::filesystem::file_size(path) / (1024.0 * 1024.0)
         << ", \"seconds\": " << seconds << ", \"peak_rss_mb\": " << peakRssMb()
         << ", \"nodes\": " << parser->nodeCount() << ", \"buildings\": " << parser->buildingCount()
         << ", \"building_infos\": " << parser->allBuildingInfos().size()
         << ", \"streets\": " << parser->streetCount() << ", \"water_groups\": " << groups.size()
         << ", \"water_rings\": " << waterRings << ", \"columns\": " << columns << ", \"rows\": " << rows
         << ", \"building_parts\": " << kept.buildingParts.size() << ", \"areas\": " << kept.areas.size()
         << ", \"coastlines\": " << kept.coastlines.size() << ", \"trees\": " << kept.trees.size()
         << ", \"tree_rows\": " << kept.treeRows.size() << ", \"relations\": " << kept.relations.size()
         << ", \"named\": " << kept.named.size() << ", \"min_lon\": " << parser->minLon << ", \"max_lon\": " << parser->maxLon
         << ", \"min_lat\": " << parser->minLat << ", \"max_lat\": " << parser->maxLat << "}";
    delete parser;
    std::cout << json.str() << std::endl;
    return 0;
}
