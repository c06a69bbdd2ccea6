#include "app/CityExport.h"

#include "app/SceneContext.h"
#include "app/SceneOrigin.h"
#include "generation/CellRings.h"
#include "globe/MapNode.h"
#include "osm/OsmParser.h"

namespace
{
// No cell is cached: the exporter has taken a cell's triangles once it is built.
const int cacheNoCell = 0;
} // namespace

CityExport::CityExport(const SceneContext& scene, std::pair<int, int> centre, int rings)
    : generator(scene.mapNode, scene.parser.get(), sceneOrigin, cacheNoCell), exporter(sceneOrigin),
      cells(cellRings(centre.first, centre.second, rings))
{
    generator.takeColorsOf(*scene.generator);
}

void CityExport::runStep(int step)
{
    if (step == 0)
    {
        if (osg::ref_ptr<osg::Node> water = generator.generateWater())
            exporter.add(*water);
        return;
    }
    const std::pair<int, int>& cell = cells.at(static_cast<std::size_t>(step - 1));
    for (const osg::ref_ptr<osg::Node>& node : generator.generateCell(cell.first, cell.second).built)
        exporter.add(*node);
}
