#pragma once

#include <QDialog>
#include <QString>

#include <memory>
#include <string>

namespace Ui {
class InputDataDialog;
}

// Collects the two input paths and the three grid numbers as text; the main
// window converts and stores them.
class InputDataDialog : public QDialog
{
    Q_OBJECT

public:
    explicit InputDataDialog(QWidget* parent = nullptr);
    ~InputDataDialog() override;

    void setOsmFile(std::string path);
    void setTerrainFile(std::string path);
    void setMaxGridCells(std::string text);
    void setCellRange(std::string text);
    void setGridSize(std::string text);

    // The texts as confirmed by "Start"; empty until then.
    const QString& getTerrainPathText() const { return terrainPathText; }
    const QString& getOsmPathText() const { return osmPathText; }
    const QString& getMaxGridCellsText() const { return maxGridCellsText; }
    const QString& getCellRangeText() const { return cellRangeText; }
    const QString& getGridSizeText() const { return gridSizeText; }
    bool isAccepted() const { return accepted; }

public slots:
    void selectFileButton();
    void selectOsmFileButton();
    void startSelected();
    void cancelSelected();

private:
    QString terrainPathText;
    QString osmPathText;
    QString maxGridCellsText;
    QString cellRangeText;
    QString gridSizeText;
    bool accepted = false;
    std::unique_ptr<Ui::InputDataDialog> ui;
};
