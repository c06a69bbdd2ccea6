#pragma once

#include "geometry/FeaturePick.h"
#include "osm/TagTable.h"

#include <osg/Node>

#include <QObject>

#include <optional>

class FeaturePanel;
class QTimer;
class SceneContext;

// The selected feature: picked by a click in the view or named by a search, marked
// in the view and described in the panel. GUI thread only.
class FeatureSelection : public QObject
{
    Q_OBJECT

public:
    FeatureSelection(SceneContext* context, FeaturePanel* panel, QObject* parent = nullptr);

    // A click at window coordinates (origin at the bottom left): selects what is
    // drawn there, or clears the selection on empty ground.
    void clickedAt(float x, float y);
    void select(const FeaturePick& pick);
    void clear();
    // Selects the feature as soon as a shown cell draws it; another selection, or a
    // minute without it, gives that up.
    void selectWhenShown(OsmType type, OsmId id);

    const std::optional<FeaturePick>& selected() const { return current; }

private:
    void lookForAwaited();
    std::vector<std::pair<QString, QString>> factsOf(const FeaturePick& pick, const Tags& tags) const;

    SceneContext* const context;
    FeaturePanel* const panel;
    std::optional<FeaturePick> current;
    osg::ref_ptr<osg::Node> highlight;
    QTimer* awaiting = nullptr;
    int awaitedChecks = 0;
    OsmType awaitedType = OsmType::Way;
    OsmId awaitedId = 0;
};
