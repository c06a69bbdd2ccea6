#include "SyntheticCity.h"

#include "OsmFileBuilder.h"
#include "TestTerrain.h"
#include "globe/SpatialReference.h"

#include <gtest/gtest.h>

#include <cmath>

using testTerrain::blockLat;
using testTerrain::blockLon;

namespace
{
const double crowdSpan = 0.002;

OsmFileBuilder cityFile(int blocks, int crowdSize)
{
    OsmFileBuilder osm;
    for (int bx = 0; bx < blocks; ++bx)
        for (int by = 0; by < blocks; ++by)
        {
            const std::string id = std::to_string(1000 + bx * 100 + by);
            osm.square(id, blockLon(bx), blockLat(by), 0.001, bx % 2 == 0, {{"building", "yes"}});
            osm.line(id + "9", {{blockLon(bx) - 0.002, blockLat(by) + 0.0015}, {blockLon(bx) + 0.002, blockLat(by) + 0.0015}},
                     {{"highway", "residential"}});
        }
    // Small squares side by side north-east of the centre of block (1, 1), all in its cell.
    const int perRow = std::max(1, static_cast<int>(std::ceil(std::sqrt(crowdSize))));
    for (int i = 0; i < crowdSize; ++i)
    {
        const double step = crowdSpan / perRow;
        osm.square(std::to_string(500000 + i), blockLon(1) + (i % perRow + 0.5) * step,
                   blockLat(1) + (i / perRow + 0.5) * step, 0.3 * step, false, {{"building", "yes"}});
    }
    osm.line("90", {{blockLon(0), blockLat(0)}, {blockLon(1), blockLat(0)}, {blockLon(1), blockLat(1)},
                    {blockLon(0), blockLat(0)}},
             {{"natural", "water"}});
    return osm;
}
} // namespace

SyntheticCity::SyntheticCity(const std::string& fileName, int blocks, int crowdSize, int maxGridCells)
{
    osg::Matrixd origin;
    globe::SpatialReference::get("wgs84")->createLocalToWorld(
        osg::Vec3d(blockLon(blocks / 2), blockLat(blocks / 2), 0.0), origin);
    testTerrain::findSourceShaders();
    cityFile(blocks, crowdSize).write(fileName);
    testing::internal::CaptureStdout();
    store.reset(new OsmParser(fileName, columnCount, rowCount, 0.005));
    testing::internal::GetCapturedStdout();
    mapNode = testTerrain::mapNode();
    generator.reset(new GeometryGenerator(mapNode, store.get(), origin, maxGridCells));
}

SyntheticCity::~SyntheticCity() = default;

std::pair<int, int> SyntheticCity::cellOf(double lon, double lat) const
{
    const double cellWidth = (store->maxLon - store->minLon) / columnCount;
    const double cellHeight = (store->maxLat - store->minLat) / rowCount;
    return {static_cast<int>(std::floor((lon - store->minLon) / cellWidth)),
            static_cast<int>(std::floor((lat - store->minLat) / cellHeight))};
}

std::pair<int, int> SyntheticCity::crowdedCell() const
{
    return cellOf(blockLon(1) + 0.5 * crowdSpan, blockLat(1) + 0.5 * crowdSpan);
}
