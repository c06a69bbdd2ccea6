#include "geometry/Building.h"

#include "geometry/FeatureSpans.h"

#include <algorithm>

namespace
{
// The lowest and highest z of the feature's vertices in the geometry; false without any.
bool zRange(const osg::Geometry& geometry, OsmType type, OsmId id, double& low, double& high)
{
    const FeatureSpans* spans = FeatureSpans::find(geometry);
    const auto* vertices = dynamic_cast<const osg::Vec3Array*>(geometry.getVertexArray());
    if (!spans || !vertices)
        return false;
    const auto run = spans->runOf(type, id, static_cast<unsigned>(vertices->size()));
    if (run.first >= run.second)
        return false;
    const auto [lowest, highest] = std::minmax_element(
        vertices->begin() + run.first, vertices->begin() + run.second,
        [](const osg::Vec3f& a, const osg::Vec3f& b) { return a.z() < b.z(); });
    low = lowest->z();
    high = highest->z();
    return true;
}
} // namespace

Building::Building(osg::ref_ptr<osg::Geometry> roofs, osg::ref_ptr<osg::Geometry> walls, std::vector<Drawn> drawn_)
    : roofGeometry(std::move(roofs)), wallGeometry(std::move(walls)), drawn(std::move(drawn_))
{
    addDrawable(roofGeometry.get());
    addDrawable(wallGeometry.get());
}

Building::~Building() = default;

std::optional<Building::Heights> Building::heightsOf(OsmType type, OsmId id) const
{
    Heights heights;
    double roofBottom = 0.0;
    if (!zRange(*wallGeometry, type, id, heights.bottom, heights.eaves) ||
        !zRange(*roofGeometry, type, id, roofBottom, heights.top))
        return std::nullopt;
    return heights;
}
