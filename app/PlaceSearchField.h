#pragma once

#include "app/PlaceSearch.h"

#include <QLineEdit>

#include <memory>
#include <vector>

class QCompleter;
class QStandardItemModel;

// The search field of the tool bar: as the user types, the places whose names match
// are offered below it, best first; choosing one emits placeChosen. GUI thread only.
class PlaceSearchField : public QLineEdit
{
    Q_OBJECT

public:
    explicit PlaceSearchField(QWidget* parent = nullptr);
    ~PlaceSearchField() override;

    // The places of the scene now shown; none while there is no scene. What is
    // offered keeps copies of the names; a chosen place's own name is a view into
    // the store.
    void setPlaces(const std::vector<NamedPlace>& places);

signals:
    void placeChosen(const NamedPlace& place);

private:
    void offerMatches(const QString& text);
    void choose(const QModelIndex& index);

    std::unique_ptr<PlaceSearch> search;
    std::vector<PlaceSearch::Result> offered;
    QStandardItemModel* model;
    QCompleter* completer;
};
