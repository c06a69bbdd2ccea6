#pragma once

#include "geometry/FeatureSpans.h"
#include "osm/TagTable.h"

#include <QDockWidget>

class QLabel;
class QLineEdit;
class QTableWidget;

// The dock that tells what the selected feature is: its kind, OSM type and id, every
// tag the store keeps of it, lines the caller adds (a building's height and roof),
// and the address of its page on openstreetmap.org, to copy or open. GUI thread only.
class FeaturePanel : public QDockWidget
{
    Q_OBJECT

public:
    explicit FeaturePanel(QWidget* parent = nullptr);

    // facts: name and value pairs shown above the tags.
    void showFeature(const FeatureSpans::Feature& feature, const Tags& tags,
                     const std::vector<std::pair<QString, QString>>& facts = {});
    void clearFeature();

    static QString kindName(FeatureKind kind);
    static QString pageAddress(OsmType type, OsmId id);

    QString pageText() const;
    int tagRowCount() const;

private:
    QLabel* title = nullptr;
    QTableWidget* table = nullptr;
    QLineEdit* page = nullptr;
    QWidget* pageButtons = nullptr;
};
