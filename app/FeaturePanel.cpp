#include "app/FeaturePanel.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace
{
QString text(std::string_view view)
{
    return QString::fromUtf8(view.data(), static_cast<int>(view.size()));
}
} // namespace

FeaturePanel::FeaturePanel(QWidget* parent) : QDockWidget(tr("Feature"), parent)
{
    setObjectName("featurePanel");
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    title = new QLabel(body);
    title->setTextInteractionFlags(Qt::TextSelectableByMouse);
    table = new QTableWidget(0, 2, body);
    table->setHorizontalHeaderLabels({tr("Key"), tr("Value")});
    table->horizontalHeader()->setStretchLastSection(true);
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    page = new QLineEdit(body);
    page->setReadOnly(true);
    pageButtons = new QWidget(body);
    auto* buttons = new QHBoxLayout(pageButtons);
    buttons->setContentsMargins(0, 0, 0, 0);
    auto* copy = new QPushButton(tr("Copy"), pageButtons);
    auto* open = new QPushButton(tr("Open in Browser"), pageButtons);
    buttons->addWidget(copy);
    buttons->addWidget(open);
    connect(copy, &QPushButton::clicked, this, [this] { QApplication::clipboard()->setText(page->text()); });
    connect(open, &QPushButton::clicked, this, [this] { QDesktopServices::openUrl(QUrl(page->text())); });
    layout->addWidget(title);
    layout->addWidget(table, 1);
    layout->addWidget(page);
    layout->addWidget(pageButtons);
    setWidget(body);
    clearFeature();
}

void FeaturePanel::showFeature(const FeatureSpans::Feature& feature, const Tags& tags,
                               const std::vector<std::pair<QString, QString>>& facts)
{
    title->setText(QString("<b>%1</b> %2 %3").arg(kindName(feature.kind), osmTypeName(feature.type)).arg(feature.id));
    table->setRowCount(0);
    const auto addRow = [this](const QString& key, const QString& value) {
        const int row = table->rowCount();
        table->insertRow(row);
        table->setItem(row, 0, new QTableWidgetItem(key));
        table->setItem(row, 1, new QTableWidgetItem(value));
    };
    for (const auto& [name, value] : facts)
        addRow(name, value);
    for (const auto& [key, value] : tags)
        addRow(text(key), text(value));
    page->setText(pageAddress(feature.type, feature.id));
    pageButtons->setEnabled(true);
    show();
}

void FeaturePanel::clearFeature()
{
    title->setText(tr("Click a building, street or area to see what it is."));
    table->setRowCount(0);
    page->clear();
    pageButtons->setEnabled(false);
}

QString FeaturePanel::kindName(FeatureKind kind)
{
    switch (kind)
    {
    case FeatureKind::Building: return tr("Building");
    case FeatureKind::BuildingPart: return tr("Building part");
    case FeatureKind::Street: return tr("Street");
    case FeatureKind::Water: return tr("Water");
    case FeatureKind::LandCover: return tr("Land cover");
    }
    return {};
}

QString FeaturePanel::pageAddress(OsmType type, OsmId id)
{
    return QString("https://www.openstreetmap.org/%1/%2").arg(osmTypeName(type)).arg(id);
}

QString FeaturePanel::pageText() const
{
    return page->text();
}

int FeaturePanel::tagRowCount() const
{
    return table->rowCount();
}
