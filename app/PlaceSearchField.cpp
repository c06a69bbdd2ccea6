#include "app/PlaceSearchField.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QStandardItemModel>

namespace
{
QString kindOf(OsmType type)
{
    switch (type)
    {
    case OsmType::Node: return PlaceSearchField::tr("point");
    case OsmType::Way: return PlaceSearchField::tr("way");
    case OsmType::Relation: return PlaceSearchField::tr("relation");
    }
    return {};
}
} // namespace

PlaceSearchField::PlaceSearchField(QWidget* parent)
    : QLineEdit(parent), model(new QStandardItemModel(this)), completer(new QCompleter(model, this))
{
    setObjectName("placeSearch");
    setPlaceholderText(tr("Find a place"));
    setClearButtonEnabled(true);
    // The field's own ranking decides what is offered, not the completer's prefix match.
    completer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    completer->setWidget(this);
    connect(this, &QLineEdit::textEdited, this, &PlaceSearchField::offerMatches);
    connect(completer, QOverload<const QModelIndex&>::of(&QCompleter::activated), this, &PlaceSearchField::choose);
    setPlaces({});
}

PlaceSearchField::~PlaceSearchField() = default;

void PlaceSearchField::setPlaces(const std::vector<NamedPlace>& places)
{
    search = std::make_unique<PlaceSearch>(places);
    offered.clear();
    model->clear();
    setEnabled(!places.empty());
}

void PlaceSearchField::offerMatches(const QString& text)
{
    offered = search->find(text);
    model->clear();
    for (const PlaceSearch::Result& result : offered)
    {
        const QString kind = result.place.houseNumber.empty() ? kindOf(result.place.type) : tr("address");
        auto* item = new QStandardItem(result.name + "  (" + kind + ")");
        item->setEditable(false);
        model->appendRow(item);
    }
    if (offered.empty())
        completer->popup()->hide();
    else
        completer->complete();
}

void PlaceSearchField::choose(const QModelIndex& index)
{
    // The completer's popup shows the model's rows in order.
    const auto row = static_cast<std::size_t>(index.row());
    if (row >= offered.size())
        return;
    setText(offered[row].name);
    emit placeChosen(offered[row].place);
}
