#include "app/FeatureSelection.h"

#include "app/FeaturePanel.h"
#include "app/SceneContext.h"
#include "geometry/FeatureHighlight.h"
#include "gui/QtViewer.h"
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
    const std::optional<Tags> tags = context->parser->tagsOf(pick.feature.type, pick.feature.id);
    panel->showFeature(pick.feature, tags ? *tags : Tags(), factsOf(pick));
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
    awaited = FeatureSpans::Feature{FeatureKind::Building, type, id};
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
    if (const std::optional<FeaturePick> pick = findFeature(*context->sceneGraph, awaited.type, awaited.id))
    {
        awaiting->stop();
        select(*pick);
    }
}

std::vector<std::pair<QString, QString>> FeatureSelection::factsOf(const FeaturePick&) const
{
    return {};
}
