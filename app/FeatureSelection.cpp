#include "app/FeatureSelection.h"

#include "app/FeaturePanel.h"
#include "app/SceneContext.h"
#include "geometry/Building.h"
#include "geometry/FeatureHighlight.h"
#include "geometry/RoofShape.h"
#include "gui/QtViewer.h"
#include "osm/KeptTags.h"
#include "osm/OsmParser.h"

#include <osg/Camera>
#include <osg/Group>

#include <QTimer>

namespace
{
const int awaitIntervalMs = 250;
const int awaitChecks = 60000 / awaitIntervalMs;
} // namespace

FeatureSelection::FeatureSelection(SceneContext* context_, FeaturePanel* panel_, QObject* parent)
    : QObject(parent), context(context_), panel(panel_), awaiting(new QTimer(this))
{
    awaiting->setInterval(awaitIntervalMs);
    connect(awaiting, &QTimer::timeout, this, &FeatureSelection::lookForAwaited);
}

// The ray runs from the near to the far plane through the pixel.
void FeatureSelection::clickedAt(float x, float y)
{
    if (!context->isBuilt() || !context->sceneGraph || !context->viewer)
        return;
    const osg::Camera* camera = context->viewer->getCamera();
    if (!camera->getViewport())
        return;
    const osg::Matrixd windowToWorld = osg::Matrixd::inverse(
        camera->getViewMatrix() * camera->getProjectionMatrix() * camera->getViewport()->computeWindowMatrix());
    const osg::Vec3d start = osg::Vec3d(x, y, 0.0) * windowToWorld;
    const osg::Vec3d end = osg::Vec3d(x, y, 1.0) * windowToWorld;
    awaiting->stop();
    if (const std::optional<FeaturePick> pick = pickFeature(*context->sceneGraph, start, end))
        select(*pick);
    else
        clear();
}

void FeatureSelection::select(const FeaturePick& pick)
{
    clear();
    current = pick;
    highlight = featureHighlight(pick);
    if (highlight)
        context->sceneGraph->addChild(highlight.get());
    const std::optional<Tags> kept = context->parser->tagsOf(pick.feature.type, pick.feature.id);
    const Tags tags = kept ? *kept : Tags();
    panel->showFeature(pick.feature, tags, factsOf(pick, tags));
    if (context->viewer)
        context->viewer->requestRedraw();
}

void FeatureSelection::clear()
{
    if (highlight && context->sceneGraph)
        context->sceneGraph->removeChild(highlight.get());
    highlight = nullptr;
    current.reset();
    panel->clearFeature();
    if (context->viewer)
        context->viewer->requestRedraw();
}

void FeatureSelection::selectWhenShown(OsmType type, OsmId id)
{
    awaitedType = type;
    awaitedId = id;
    awaitedChecks = 0;
    awaiting->start();
    lookForAwaited();
}

void FeatureSelection::lookForAwaited()
{
    if (!context->isBuilt() || ++awaitedChecks > awaitChecks)
    {
        awaiting->stop();
        return;
    }
    if (const std::optional<FeaturePick> pick = findFeature(*context->sceneGraph, awaitedType, awaitedId))
    {
        awaiting->stop();
        select(*pick);
    }
}

// A building's height and roof as drawn, which the tags alone may not tell.
std::vector<std::pair<QString, QString>> FeatureSelection::factsOf(const FeaturePick& pick, const Tags& tags) const
{
    const auto* building = pick.geometry.valid() && pick.geometry->getNumParents() > 0
                               ? dynamic_cast<const Building*>(pick.geometry->getParent(0))
                               : nullptr;
    const std::optional<Building::Heights> heights =
        building ? building->heightsOf(pick.feature.type, pick.feature.id) : std::nullopt;
    if (!heights)
        return {};
    const double roofHeight = heights->top - heights->eaves;
    const std::string_view shape = tagValue(tags, "roof:shape");
    const QString roof = roofHeight < 0.05 || !RoofShape::read(tags).isPitched()
                             ? tr("flat")
                             : tr("%1, %2 m").arg(QString::fromUtf8(shape.data(), int(shape.size())))
                                   .arg(roofHeight, 0, 'f', 1);
    return {{tr("Height"), tr("%1 m").arg(heights->top - heights->bottom, 0, 'f', 1)}, {tr("Roof"), roof}};
}
