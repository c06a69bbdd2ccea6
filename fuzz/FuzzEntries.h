#pragma once

#include "fuzz/LoadOutcome.h"

#include <cstddef>
#include <cstdint>

// The bodies of the fuzz targets, also replayed by the regression test. Each puts
// the bytes where its loader reads files, loads them and removes them again. The
// refusals the loaders promise are caught and returned; anything else (another
// exception, a crash, a sanitizer report) escapes as a finding. Safe to call from
// any thread: every call has a file of its own.

// The bytes as an OSM file of any format, through OsmParser with a 0.02° grid.
LoadOutcome loadOsmBytes(const std::uint8_t* data, std::size_t size);

// The bytes as an elevation raster in GDAL's memory file system, through
// ElevationLayer and ElevationQuery: heights inside and around its extent.
LoadOutcome loadTerrainBytes(const std::uint8_t* data, std::size_t size);

// The bytes as a building's tags, one "key=value" a line, read as heights, roof
// shape and direction, and colours; lines "node=x;y" (metres) give the footprint,
// an L-shaped one when fewer than three do. The roof they describe is built on it
// (the straight skeleton's checks included). True when every roof vertex is finite
// and no part of the roof lies below its eaves.
bool readBuildingTagBytes(const std::uint8_t* data, std::size_t size);
