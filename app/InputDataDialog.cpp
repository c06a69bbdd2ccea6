#include "app/InputDataDialog.h"

#include "ui_InputDataDialog.h"

#include <QFileDialog>

InputDataDialog::InputDataDialog(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::InputDataDialog)
{
    ui->setupUi(this);
    connect(ui->selectFileButton, &QPushButton::released, this, &InputDataDialog::selectFileButton);
    connect(ui->selectOsmFileButton, &QPushButton::released, this, &InputDataDialog::selectOsmFileButton);
    connect(ui->startButton, &QPushButton::released, this, &InputDataDialog::startSelected);
    connect(ui->cancelButton, &QPushButton::released, this, &InputDataDialog::cancelSelected);
}

InputDataDialog::~InputDataDialog() = default;

void InputDataDialog::setOsmFile(std::string path)
{
    ui->osmFileText->setText(QString::fromStdString(path));
}

void InputDataDialog::setTerrainFile(std::string path)
{
    ui->fileText->setText(QString::fromStdString(path));
}

void InputDataDialog::setMaxGridCells(std::string text)
{
    ui->txtMaxGridCells->setText(QString::fromStdString(text));
}

void InputDataDialog::setCellRange(std::string text)
{
    ui->txtCellRange->setText(QString::fromStdString(text));
}

void InputDataDialog::setGridSize(std::string text)
{
    ui->txtGridSize->setText(QString::fromStdString(text));
}

// A cancelled picker returns an empty path, which clears the field on purpose:
// no terrain, or the default OSM file.
void InputDataDialog::selectFileButton()
{
    ui->fileText->setText(QFileDialog::getOpenFileName(
        this, tr("Select Terrain"), ".", tr("Terrain (*.tif *.tiff *.hgt *.zip *.dem *.asc *.img *.vrt);;All files (*)")));
}

void InputDataDialog::selectOsmFileButton()
{
    ui->osmFileText->setText(QFileDialog::getOpenFileName(
        this, tr("Select OSM File"), ".", tr("OSM (*.osm *.pbf *.osm.gz *.osm.bz2 *.o5m *.opl);;All files (*)")));
}

void InputDataDialog::startSelected()
{
    accepted = true;
    terrainPathText = ui->fileText->text();
    osmPathText = ui->osmFileText->text();
    maxGridCellsText = ui->txtMaxGridCells->text();
    cellRangeText = ui->txtCellRange->text();
    gridSizeText = ui->txtGridSize->text();
    close();
}

void InputDataDialog::cancelSelected()
{
    accepted = false;
    close();
}
