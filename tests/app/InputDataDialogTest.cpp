#include "app/InputDataDialog.h"
#include "tests/app/WhenModal.h"

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

std::unique_ptr<InputDataDialog> filledDialog()
{
    auto dialog = std::make_unique<InputDataDialog>();
    dialog->setOsmFile("potsdam.osm");
    dialog->setTerrainFile("potsdam.tif");
    dialog->setMaxGridCells("572");
    dialog->setCellRange("5");
    dialog->setGridSize("0.005000");
    return dialog;
}

template <typename T>
T* child(QWidget& parent, const char* name)
{
    T* found = parent.findChild<T*>(name);
    EXPECT_NE(found, nullptr) << name;
    return found;
}

void expectNothingConfirmed(const InputDataDialog& dialog)
{
    EXPECT_FALSE(dialog.isAccepted());
    EXPECT_TRUE(dialog.getOsmPathText().isEmpty());
    EXPECT_TRUE(dialog.getTerrainPathText().isEmpty());
    EXPECT_TRUE(dialog.getGridSizeText().isEmpty());
    EXPECT_FALSE(dialog.isVisible());
}

} // namespace

TEST(InputDataDialog, FormTextsAndStartReturnsTheFilledTexts)
{
    auto dialog = filledDialog();
    EXPECT_EQ(dialog->objectName(), "InputDataDialog");
    EXPECT_EQ(dialog->windowTitle(), "Input Data");
    EXPECT_EQ(dialog->size(), QSize(480, 320));
    EXPECT_EQ(child<QLabel>(*dialog, "label_2")->text(), "OSM File");
    EXPECT_EQ(child<QLabel>(*dialog, "label")->text(), "Terrain file");
    EXPECT_EQ(child<QLabel>(*dialog, "lblMaxGridCells")->text(), "Max Grid Cells");
    EXPECT_EQ(child<QLabel>(*dialog, "lblCellRange")->text(), "Cell Range");
    EXPECT_EQ(child<QLabel>(*dialog, "lblGridSize")->text(), "Grid Size");
    EXPECT_EQ(child<QPushButton>(*dialog, "selectOsmFileButton")->text(), "Select File");
    EXPECT_EQ(child<QPushButton>(*dialog, "selectFileButton")->text(), "Select File");
    EXPECT_EQ(child<QPushButton>(*dialog, "cancelButton")->text(), "Cancel");
    QPushButton* start = child<QPushButton>(*dialog, "startButton");
    EXPECT_EQ(start->text(), "Start");
    EXPECT_TRUE(start->isDefault());
    EXPECT_EQ(child<QLineEdit>(*dialog, "osmFileText")->geometry(), QRect(10, 30, 351, 20));
    EXPECT_EQ(child<QLineEdit>(*dialog, "fileText")->geometry(), QRect(10, 100, 351, 20));

    dialog->show();
    child<QLineEdit>(*dialog, "txtCellRange")->setText("7");
    QTest::mouseClick(start, Qt::LeftButton);
    EXPECT_TRUE(dialog->isAccepted());
    EXPECT_EQ(dialog->getOsmPathText(), "potsdam.osm");
    EXPECT_EQ(dialog->getTerrainPathText(), "potsdam.tif");
    EXPECT_EQ(dialog->getMaxGridCellsText(), "572");
    EXPECT_EQ(dialog->getCellRangeText(), "7");
    EXPECT_EQ(dialog->getGridSizeText(), "0.005000");
    EXPECT_FALSE(dialog->isVisible());
}

TEST(InputDataDialog, CancelCloseButtonAndEscapeLeaveItUnaccepted)
{
    auto cancelled = filledDialog();
    cancelled->show();
    QTest::mouseClick(child<QPushButton>(*cancelled, "cancelButton"), Qt::LeftButton);
    expectNothingConfirmed(*cancelled);

    auto closed = filledDialog();
    closed->show();
    closed->close();
    expectNothingConfirmed(*closed);

    auto escaped = filledDialog();
    whenModal<InputDataDialog>([](InputDataDialog* shown) { QTest::keyClick(shown, Qt::Key_Escape); });
    escaped->exec();
    expectNothingConfirmed(*escaped);
}

TEST(InputDataDialog, ReturnInALineEditPressesStart)
{
    auto dialog = filledDialog();
    whenModal<InputDataDialog>([](InputDataDialog* shown) {
        QLineEdit* gridSize = shown->findChild<QLineEdit*>("txtGridSize");
        gridSize->setText("0.01");
        QTest::keyClick(gridSize, Qt::Key_Return);
    });
    dialog->exec();
    EXPECT_TRUE(dialog->isAccepted());
    EXPECT_EQ(dialog->getGridSizeText(), "0.01");
    EXPECT_EQ(dialog->getOsmPathText(), "potsdam.osm");
}

TEST(InputDataDialog, CancelledFilePickersEmptyTheirFields)
{
    auto dialog = filledDialog();
    dialog->show();
    // The first filter offers the files that can be read (zipped SRTM tiles, PBF), the last everything.
    struct Picker { const char* button; const char* field; QString caption; QString pattern; };
    const Picker pickers[] = {
        {"selectFileButton", "fileText", "Select Terrain", "*.zip"},
        {"selectOsmFileButton", "osmFileText", "Select OSM File", "*.pbf"},
    };
    for (const Picker& picker : pickers) {
        QString caption;
        QStringList filters;
        whenModal<QFileDialog>([&](QFileDialog* files) {
            caption = files->windowTitle();
            filters = files->nameFilters();
            files->reject();
        });
        QTest::mouseClick(child<QPushButton>(*dialog, picker.button), Qt::LeftButton);
        EXPECT_EQ(caption, picker.caption);
        ASSERT_EQ(filters.size(), 2);
        EXPECT_TRUE(filters.first().contains(picker.pattern)) << filters.first().toStdString();
        EXPECT_EQ(filters.last(), "All files (*)");
        EXPECT_TRUE(child<QLineEdit>(*dialog, picker.field)->text().isEmpty()) << picker.field;
    }
    QTest::mouseClick(child<QPushButton>(*dialog, "startButton"), Qt::LeftButton);
    EXPECT_TRUE(dialog->isAccepted());
    EXPECT_TRUE(dialog->getTerrainPathText().isEmpty());
    EXPECT_TRUE(dialog->getOsmPathText().isEmpty());
    EXPECT_EQ(dialog->getMaxGridCellsText(), "572");
}
