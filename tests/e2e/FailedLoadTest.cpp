#include "StreamCapture.h"
#include "WindowDriver.h"

#include "OsmFileBuilder.h"
#include "app/OrvalisApplication.h"
#include "gui/QtViewer.h"
#include "tests/app/WhenModal.h"

#include <QAction>
#include <QDir>
#include <QMessageBox>
#include <QTest>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <memory>

using testing::HasSubstr;

namespace
{
using Lines = std::vector<std::string>;

// A few houses on a street, spread over three by three cells of 0.005 degrees.
std::string writeSmallTown()
{
    const std::string path = QDir::current().absoluteFilePath("e2e_small_town.osm").toStdString();
    OsmFileBuilder osm;
    int id = 100;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            osm.square(std::to_string(++id), 7.41 + 0.006 * i, 43.73 + 0.006 * j, 0.0002, false,
                       {{"building", "yes"}, {"building:levels", "4"}});
    osm.line("1", {{7.409, 43.729}, {7.423, 43.743}}, {{"highway", "residential"}});
    osm.write(path);
    return path;
}

// Cut off inside an element: no XML reader can make sense of it.
std::string writeMalformed()
{
    const std::string path = QDir::current().absoluteFilePath("e2e_malformed.osm").toStdString();
    std::ofstream(path) << "<?xml version=\"1.0\"?>\n<osm>\n  <node id=\"1\" lat=\"43.7\" lon=\"7.4\"/>\n"
                           "  <way id=\"2\"><nd ref=\"1\"/><tag k=\"building\" v=\"yes\"/>\n  <way id=\"3\" <nd";
    return path;
}

OrvalisApplication* application()
{
    return static_cast<OrvalisApplication*>(QCoreApplication::instance());
}

class FailedLoad : public ::testing::Test
{
protected:
    // The program shows each reported error in a box; these tests read and close it.
    void SetUp() override { application()->setShowsErrors(true); }
    void TearDown() override { application()->setShowsErrors(false); }

    // Readies for the error box that a failing action shows; returns where its
    // text will be.
    static std::shared_ptr<QString> expectErrorBox()
    {
        auto text = std::make_shared<QString>();
        whenModal<QMessageBox>([text](QMessageBox* box) {
            *text = box->text();
            box->accept();
        });
        return text;
    }

    static QString boxText(const std::shared_ptr<QString>& text)
    {
        if (!QTest::qWaitFor([&] { return !text->isEmpty(); }, 15000))
            return "(no message box)";
        return *text;
    }

    void expectSceneActions(bool restart, bool schemes)
    {
        EXPECT_EQ(driver.action("actionRestart")->isEnabled(), restart);
        for (const char* name : {"actionScheme_1", "actionScheme_2", "actionScheme_3", "actionScheme_4"})
            EXPECT_EQ(driver.action(name)->isEnabled(), schemes) << name;
        for (const char* name : {"actionInputData", "actionExit", "actionFullscreen"})
            EXPECT_TRUE(driver.action(name)->isEnabled()) << name;
    }

    // A valid file builds and its whole batch is shown in the window.
    void expectUsableWithSmallTown()
    {
        ASSERT_TRUE(driver.confirmInput({smallTown, "", 2})) << "Input Data opens no dialog";
        ASSERT_TRUE(driver.context.isBuilt());
        EXPECT_TRUE(out.waitForLine("START", 30000));
        expectSceneActions(true, true);
        EXPECT_TRUE(driver.window.getViewerWidget()->isVisible());
        EXPECT_TRUE(driver.waitForBatch(120000));
        ASSERT_NE(driver.attachRecord(), nullptr);
        // The water node (empty here) and at least a building and a street.
        EXPECT_GE(driver.attachRecord()->attached.size(), 3u);
        EXPECT_TRUE(driver.waitForFrames(3, 30000));
    }

    const std::string smallTown = writeSmallTown();
    const std::string malformed = writeMalformed();
    const std::string missing = QDir::current().absoluteFilePath("e2e_no_such_file.osm").toStdString();

    // Declared first: they outlive the window, which releases the scene.
    StreamCapture out{std::cout};
    StreamCapture err{std::cerr};
    WindowDriver driver;
};

} // namespace

TEST_F(FailedLoad, MissingAndMalformedFilesAreReportedAndTheWindowStaysUsable)
{
    // A missing file as the first input: reported, nothing built.
    auto box = expectErrorBox();
    ASSERT_TRUE(driver.confirmInput({missing, "", 2}));
    EXPECT_THAT(err.text(), HasSubstr("std::exception was caught:\ncannot open file " + missing + "\n"));
    EXPECT_EQ(boxText(box).toStdString(), "cannot open file " + missing);
    EXPECT_EQ(out.takeLines(), Lines{" start parser "});
    EXPECT_FALSE(driver.context.isBuilt());
    expectSceneActions(false, false);

    // The window is usable at once: the dialog opens again and a valid file builds.
    out.takeLines();
    expectUsableWithSmallTown();

    // A malformed file on top of a built scene: the old scene is released first.
    out.takeLines();
    err.takeLines();
    box = expectErrorBox();
    ASSERT_TRUE(driver.confirmInput({malformed, "", 2}));
    const Lines errors = err.takeLines();
    ASSERT_GE(errors.size(), 2u);
    EXPECT_EQ(errors[errors.size() - 2], "std::exception was caught:");
    EXPECT_FALSE(errors.back().empty());
    // The user reads which file is broken, not only what the XML reader found.
    const std::string shown = boxText(box).toStdString();
    EXPECT_THAT(shown, HasSubstr(errors.back()));
    EXPECT_THAT(shown, HasSubstr(malformed));
    EXPECT_EQ(out.takeLines(), (Lines{"STOP", "~OsmParser", " start parser "}));
    EXPECT_FALSE(driver.context.isBuilt());
    expectSceneActions(true, false);

    // Nothing left to recolour: the schemes do nothing, even when their slots run.
    for (const char* name : {"actionScheme_1", "actionScheme_2", "actionScheme_3", "actionScheme_4"})
        EXPECT_TRUE(driver.trigger(name));
    driver.window.setColorScheme1();
    EXPECT_TRUE(out.takeLines().empty());

    // Restart tries the same file again: the same report, and nothing released twice.
    box = expectErrorBox();
    EXPECT_TRUE(driver.trigger("actionRestart"));
    const Lines again = err.takeLines();
    ASSERT_GE(again.size(), 2u);
    EXPECT_EQ(again[again.size() - 2], "std::exception was caught:");
    EXPECT_EQ(again.back(), errors.back());
    boxText(box);
    EXPECT_EQ(out.takeLines(), Lines{" start parser "});
    EXPECT_FALSE(driver.context.isBuilt());

    // And a valid file builds again, in the restart flow.
    expectUsableWithSmallTown();
}
