#include "geometry/FeaturePick.h"

#include "geometry/Streets.h"

#include <osg/Geometry>
#include <osg/NodeVisitor>
#include <osgUtil/IntersectionVisitor>
#include <osgUtil/LineSegmentIntersector>

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{
// The geometries of the scene that have feature spans, with their matrices to the scene.
class SpannedCollector : public osg::NodeVisitor
{
public:
    SpannedCollector() : osg::NodeVisitor(TRAVERSE_ACTIVE_CHILDREN) {}

    void apply(osg::Geometry& geometry) override
    {
        if (FeatureSpans::find(geometry))
            found.push_back({&geometry, osg::computeLocalToWorld(getNodePath())});
    }

    struct Spanned
    {
        osg::Geometry* geometry;
        osg::Matrixd toScene;
        bool isRibbon() const { return geometry->getVertexAttribArray(Streets::widthAttribute) != nullptr; }
    };
    std::vector<Spanned> found;
};

// Where along the segment (0 at start, 1 at end) it meets the flat ribbon over a to b
// and its end cap (local coordinates, up along z), or a value above 1 when it does not.
double ribbonRatio(const osg::Vec3d& start, const osg::Vec3d& end, const osg::Vec3d& a, const osg::Vec3d& b,
                   double halfWidth)
{
    osg::Vec3d along(b.x() - a.x(), b.y() - a.y(), 0.0);
    const double length = along.normalize();
    if (length <= 0.0)
        return 2.0;
    // The ribbon lies across the segment, level sideways: its normal is up with the
    // slope along the segment taken out.
    const osg::Vec3d direction = (b - a) / (b - a).length();
    osg::Vec3d normal = osg::Vec3d(0.0, 0.0, 1.0) - direction * direction.z();
    normal.normalize();
    const osg::Vec3d ray = end - start;
    const double facing = ray * normal;
    if (facing == 0.0)
        return 2.0;
    const double ratio = ((a - start) * normal) / facing;
    if (ratio < 0.0 || ratio > 1.0)
        return 2.0;
    const osg::Vec3d point = start + ray * ratio - a;
    const double forward = osg::Vec3d(point.x(), point.y(), 0.0) * along;
    const double sideways = std::abs(point.x() * -along.y() + point.y() * along.x());
    // Beyond b the ribbon ends in a cap about as far as its half width reaches.
    const double beyond = std::max(0.0, forward - length);
    return forward >= 0.0 && sideways * sideways + beyond * beyond <= halfWidth * halfWidth ? ratio : 2.0;
}

// The first ribbon the segment meets, as a pick with the ratio along the segment.
std::optional<std::pair<double, FeaturePick>> firstRibbon(osg::Node& scene, const osg::Vec3d& start,
                                                          const osg::Vec3d& end)
{
    SpannedCollector collector;
    scene.accept(collector);
    std::optional<std::pair<double, FeaturePick>> best;
    for (const SpannedCollector::Spanned& ribbons : collector.found)
    {
        if (!ribbons.isRibbon())
            continue;
        const auto* vertices = dynamic_cast<const osg::Vec3Array*>(ribbons.geometry->getVertexArray());
        const auto* widths =
            dynamic_cast<const osg::FloatArray*>(ribbons.geometry->getVertexAttribArray(Streets::widthAttribute));
        if (!vertices || !widths || widths->size() != vertices->size())
            continue;
        const osg::Matrixd toLocal = osg::Matrixd::inverse(ribbons.toScene);
        const osg::Vec3d localStart = start * toLocal;
        const osg::Vec3d localEnd = end * toLocal;
        const FeatureSpans& spans = *FeatureSpans::find(*ribbons.geometry);
        for (unsigned i = 0; i + 1 < vertices->size(); ++i)
        {
            const auto run = spans.runOf(i, static_cast<unsigned>(vertices->size()));
            if (!spans.featureOf(i) || i + 1 >= run.second)
                continue; // the last vertex of a way: no segment to the next way
            const double ratio = ribbonRatio(localStart, localEnd, (*vertices)[i], (*vertices)[i + 1], 0.5 * (*widths)[i]);
            if (ratio > 1.0 || (best && best->first <= ratio))
                continue;
            best = std::make_pair(ratio, FeaturePick{*spans.featureOf(i), ribbons.geometry, run.first, run.second,
                                                     ribbons.toScene, start + (end - start) * ratio});
        }
    }
    return best;
}

// The first surface the segment meets; a pick only when that surface is a feature's.
std::optional<std::pair<double, std::optional<FeaturePick>>> firstSurface(osg::Node& scene, const osg::Vec3d& start,
                                                                          const osg::Vec3d& end)
{
    osg::ref_ptr<osgUtil::LineSegmentIntersector> intersector = new osgUtil::LineSegmentIntersector(start, end);
    osgUtil::IntersectionVisitor visitor(intersector.get());
    scene.accept(visitor);
    if (!intersector->containsIntersections())
        return std::nullopt;
    const osgUtil::LineSegmentIntersector::Intersection& first = intersector->getFirstIntersection();
    auto* geometry = first.drawable ? first.drawable->asGeometry() : nullptr;
    const FeatureSpans* spans = geometry ? FeatureSpans::find(*geometry) : nullptr;
    const FeatureSpans::Feature* feature =
        spans && !first.indexList.empty() ? spans->featureOf(first.indexList.front()) : nullptr;
    if (!feature)
        return std::make_pair(first.ratio, std::optional<FeaturePick>());
    const auto run = spans->runOf(first.indexList.front(), geometry->getVertexArray()->getNumElements());
    const osg::Matrixd toScene = first.matrix.valid() ? *first.matrix : osg::Matrixd::identity();
    return std::make_pair(first.ratio, std::optional<FeaturePick>(FeaturePick{
                                           *feature, geometry, run.first, run.second, toScene,
                                           first.getWorldIntersectPoint()}));
}
} // namespace

std::optional<FeaturePick> pickFeature(osg::Node& scene, const osg::Vec3d& start, const osg::Vec3d& end)
{
    const auto surface = firstSurface(scene, start, end);
    const auto ribbon = firstRibbon(scene, start, end);
    if (ribbon && (!surface || ribbon->first < surface->first))
        return ribbon->second;
    return surface ? surface->second : std::nullopt;
}

std::optional<FeaturePick> findFeature(osg::Node& scene, OsmType type, OsmId id)
{
    SpannedCollector collector;
    scene.accept(collector);
    for (const SpannedCollector::Spanned& spanned : collector.found)
    {
        const auto* vertices = dynamic_cast<const osg::Vec3Array*>(spanned.geometry->getVertexArray());
        if (!vertices)
            continue;
        const FeatureSpans& spans = *FeatureSpans::find(*spanned.geometry);
        const auto run = spans.runOf(type, id, static_cast<unsigned>(vertices->size()));
        if (run.first >= run.second)
            continue;
        osg::Vec3d middle;
        for (unsigned i = run.first; i < run.second; ++i)
            middle += osg::Vec3d((*vertices)[i]);
        middle /= static_cast<double>(run.second - run.first);
        return FeaturePick{*spans.featureOf(run.first), spanned.geometry, run.first, run.second, spanned.toScene,
                           middle * spanned.toScene};
    }
    return std::nullopt;
}
