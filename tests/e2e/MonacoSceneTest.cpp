// The store's headers first: a member of theirs is called "slots", which Qt's
// headers define away as a keyword.
#include "generation/DataThread.h"
#include "generation/MyEarthManipulator.h"
#include "geometry/WaterArea.h"
#include "geometry/GeometryGenerator.h"
#include "globe/MapNode.h"
#include "globe/ModelLayer.h"
#include "globe/Viewpoint.h"

#include "PictureDifference.h"
#include "PixelCensus.h"
#include "StreamCapture.h"
#include "WindowDriver.h"
#include "gui/QtViewer.h"

#include <QAction>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <map>
#include <utility>

namespace
{
const std::string monacoOsm = ORVALIS_SOURCE_DIR "/samples/monaco.osm";
const std::string monacoTerrain = ORVALIS_SOURCE_DIR "/samples/monaco.tif";

// What scene assembly and the loader print for Monaco, the data thread's "START" last.
const std::vector<std::string> assemblyLines = {
    " start parser ", " start parser 1 ", " start parser 2", "29  11", " end parser ",
    "min lon: 7.349", "max lon: 7.491", "min lat 43.7154", "max lat: 43.77", "START"};

// Generous: llvmpipe on a shared machine; a batch of 81 cells takes some 255 frames.
const int batchTimeoutMs = 240000;

using Cell = std::pair<int, int>;

class MonacoScene : public ::testing::Test
{
protected:
    // Builds Monaco with its terrain through the input dialog; waits for "START".
    void build(int cellRange)
    {
        ASSERT_TRUE(driver.confirmInput({monacoOsm, monacoTerrain, cellRange}));
        ASSERT_TRUE(driver.context.isBuilt());
        ASSERT_TRUE(out.waitForLine("START", 30000));
    }

    // The batch shown, the terrain loaded: the picture at home is complete.
    QImage settledPicture(const QString& fileName)
    {
        EXPECT_TRUE(driver.waitForBatch(batchTimeoutMs));
        EXPECT_TRUE(driver.waitForTerrain(60000));
        return driver.grab(fileName);
    }

    // Each generated node's cell, from the generator's cache.
    std::map<const osg::Node*, Cell> cellsOfNodes() const
    {
        std::map<const osg::Node*, Cell> cells;
        for (const CellEntry& entry : driver.context.generator->cellCache)
            for (const auto& node : entry.nodes)
                cells[node.get()] = {entry.column, entry.row};
        return cells;
    }

    // Declared first: it outlives the window, which releases the scene.
    StreamCapture out{std::cout};
    WindowDriver driver;
};

std::vector<std::string> plus(std::vector<std::string> lines, const std::vector<std::string>& more)
{
    lines.insert(lines.end(), more.begin(), more.end());
    return lines;
}

// Of the pixels that show a building in the "Model Color" picture, the share that
// shows `colour` in `other` under the same light: the light factor of each pixel
// is read off the model picture.
double recolouredShare(const QImage& model, const QImage& other, const float colour[3])
{
    const float modelBuilding[3] = {0.9f, 0.4f, 0.4f};
    long buildings = 0;
    long recoloured = 0;
    for (int y = 0; y < model.height(); ++y)
        for (int x = 0; x < model.width(); ++x)
        {
            float light = 0.0f;
            if (!PixelCensus::isLit(model.pixel(x, y), modelBuilding, 3, &light))
                continue;
            ++buildings;
            const QRgb pixel = other.pixel(x, y);
            const int channels[3] = {qRed(pixel), qGreen(pixel), qBlue(pixel)};
            bool same = true;
            for (int c = 0; c < 3; ++c)
                same = same && std::abs(channels[c] - 255.0f * light * colour[c]) <= 6.0f;
            recoloured += same ? 1 : 0;
        }
    return buildings ? static_cast<double>(recoloured) / buildings : 0.0;
}

} // namespace

TEST_F(MonacoScene, AssemblyLinesThenTheWaterAndTheCellsAroundTheCentreUntilTheBatchIsShown)
{
    QObject statusWatch;
    QStringList statusMessages;
    QObject::connect(driver.window.statusBar(), &QStatusBar::messageChanged, &statusWatch,
                     [&](const QString& message) { statusMessages << message; });

    build(5);
    EXPECT_EQ(out.takeLines(), assemblyLines);
    // The census below tells buildings by the "Model Color" scheme's colour.
    ASSERT_TRUE(driver.trigger("actionScheme_3"));
    EXPECT_EQ(out.takeLines(), std::vector<std::string>{"Model Color"});

    // The city hangs under the map node once, as the model layer "osm".
    SceneContext& context = driver.context;
    ASSERT_EQ(context.sceneGraph->getNumParents(), 1u);
    EXPECT_EQ(context.sceneGraph->getParent(0), context.mapNode->getModels());
    ASSERT_EQ(context.map->getModelLayers().size(), 1u);
    EXPECT_EQ(context.map->getModelLayers()[0]->getName(), "osm");
    EXPECT_EQ(context.map->getModelLayers()[0]->getNode(), context.sceneGraph.get());

    ASSERT_TRUE(driver.waitForBatch(batchTimeoutMs));
    const DataThread::Progress progress = context.dataThread->progress();
    EXPECT_EQ(progress.queued, 81);
    EXPECT_EQ(progress.generated, 81);

    // Generated: the centre first, then ring 1 (west, centre and east column, each
    // from north to south), then ring 2 from its north-east corner.
    const std::vector<CellEntry>& cache = context.generator->cellCache;
    ASSERT_EQ(cache.size(), 81u);
    const std::vector<Cell> firstCells = {{14, 5}, {13, 6}, {13, 5}, {13, 4}, {14, 6},
                                          {14, 4}, {15, 6}, {15, 5}, {15, 4}, {16, 7}};
    std::vector<Cell> generated;
    for (std::size_t i = 0; i < firstCells.size(); ++i)
        generated.emplace_back(cache[i].column, cache[i].row);
    EXPECT_EQ(generated, firstCells);
    for (const CellEntry& entry : cache)
    {
        EXPECT_TRUE(entry.column >= 10 && entry.column <= 18 && entry.row >= 1 && entry.row <= 9)
            << entry.column << ", " << entry.row;
    }

    // Attached: every generated node once, nothing detached.
    const AttachRecorder* record = driver.attachRecord();
    ASSERT_NE(record, nullptr);
    const std::map<const osg::Node*, Cell> cells = cellsOfNodes();
    ASSERT_EQ(record->attached.size(), cells.size() + 1);
    EXPECT_EQ(driver.generatedContent()->getNumChildren(), cells.size() + 1);
    // Each attached piece by what it is: "water", or the "column,row" of its cell.
    std::vector<std::string> attached;
    for (const auto& node : record->attached)
    {
        const auto found = cells.find(node.get());
        if (dynamic_cast<const WaterArea*>(node.get()))
            attached.push_back("water");
        else if (found != cells.end())
            attached.push_back(std::to_string(found->second.first) + "," + std::to_string(found->second.second));
        else
            attached.push_back("unknown");
    }
    EXPECT_EQ(std::count(attached.begin(), attached.end(), "water"), 1);
    EXPECT_EQ(std::count(attached.begin(), attached.end(), "unknown"), 0);

    // What the user sees fill in: the water first, then the centre cell's pieces.
    std::vector<std::string> expectedStart = {"water"};
    expectedStart.insert(expectedStart.end(), cache[0].nodes.size(), "14,5");
    const std::vector<std::string> attachedStart(attached.begin(), attached.begin() + expectedStart.size());
    EXPECT_EQ(attachedStart, expectedStart)
        << "the water was attached as piece " << std::find(attached.begin(), attached.end(), "water") - attached.begin()
        << " of " << attached.size();

    // The status bar told the loading, then the batch's progress; idle, it has
    // nothing left to say. Nothing more is printed.
    EXPECT_TRUE(QTest::qWaitFor([&] { return driver.window.statusBar()->currentMessage().isEmpty(); }, 2000));
    ASSERT_FALSE(statusMessages.isEmpty());
    EXPECT_EQ(statusMessages.first(), QString::fromStdString("Loading " + monacoOsm + " ..."));
    const QRegularExpression counting("^Generating cells: \\d+ of 81 done, \\d+ pieces waiting to be shown$");
    EXPECT_FALSE(statusMessages.filter(counting).isEmpty()) << statusMessages.join(" | ").toStdString();
    EXPECT_EQ(statusMessages.last(), "");
    EXPECT_TRUE(out.takeLines().empty());

    // At home: buildings on the green terrain, streets between them.
    ASSERT_TRUE(driver.waitForTerrain(60000));
    const QImage home = driver.grab("e2e_monaco_home.png");
    ASSERT_FALSE(home.isNull());
    const double homePixels = home.width() * home.height();
    const PixelCensus atHome = PixelCensus::of(home);
    EXPECT_GT(atHome.modelBuildings / homePixels, 0.15);
    EXPECT_GT(atHome.terrain / homePixels, 0.15);
    EXPECT_GT(atHome.streets / homePixels, 0.005);

    // Looking down on the largest pond, in the Japanese garden: the pond and the sea
    // east of the garden among the buildings, the garden over part of the terrain.
    context.manipulator->setViewpoint(globe::Viewpoint(7.4309, 43.7424, 0.0, 0.0, -50.0, 300.0), 0.0);
    ASSERT_TRUE(driver.waitForTerrain(60000));
    const QImage pond = driver.grab("e2e_monaco_pond.png");
    const double pondPixels = pond.width() * pond.height();
    const PixelCensus atPond = PixelCensus::of(pond);
    EXPECT_GT(atPond.water / pondPixels, 0.2);
    EXPECT_GT(atPond.modelBuildings / pondPixels, 0.03);
    EXPECT_GT(atPond.terrain / pondPixels, 0.15);
}

TEST_F(MonacoScene, RestartTwiceGivesTheSameLinesAndTheSamePicture)
{
    build(2);
    EXPECT_EQ(out.takeLines(), assemblyLines);
    const QImage first = settledPicture("e2e_monaco_before_restart.png");
    ASSERT_FALSE(first.isNull());
    const std::size_t firstNodes = driver.attachRecord()->attached.size();
    EXPECT_EQ(driver.context.generator->cellCache.size(), 9u);

    for (int restart = 1; restart <= 2; ++restart)
    {
        const Tarn::GUI::QtViewer* before = driver.window.getViewerWidget();
        ASSERT_TRUE(driver.trigger("actionRestart"));
        ASSERT_TRUE(driver.context.isBuilt());
        ASSERT_TRUE(out.waitForLine("START", 30000));
        EXPECT_EQ(out.takeLines(), plus({"STOP", "~OsmParser"}, assemblyLines)) << "restart " << restart;

        // A fresh viewer, shown, with the same scene in it.
        EXPECT_NE(driver.window.getViewerWidget(), before);
        EXPECT_EQ(driver.context.viewer.get(), driver.window.getViewerWidget());
        EXPECT_TRUE(driver.window.getViewerWidget()->isVisible());
        const QImage again = settledPicture(QString("e2e_monaco_restart_%1.png").arg(restart));
        EXPECT_EQ(driver.context.generator->cellCache.size(), 9u);
        EXPECT_EQ(driver.attachRecord()->attached.size(), firstNodes);
        const PictureDifference difference = PictureDifference::between(first, again);
        EXPECT_LT(difference.meanLevels, 1.0) << "restart " << restart;
        EXPECT_LT(difference.changedShare, 0.005) << "restart " << restart;
    }
}

TEST_F(MonacoScene, ColourSchemesRecolourTheBuildingsInTheNextPicture)
{
    build(2);
    ASSERT_TRUE(driver.trigger("actionScheme_3"));
    out.takeLines();
    const QImage model = settledPicture("e2e_monaco_scheme_model.png");
    ASSERT_FALSE(model.isNull());
    const int modelBuildings = PixelCensus::of(model).modelBuildings;
    ASSERT_GT(modelBuildings, model.width() * model.height() / 200) << "too few buildings to tell colours by";

    struct Scheme
    {
        const char* action;
        const char* name;
        float building[3];
        const char* fileName;
    };
    const Scheme schemes[] = {
        {"actionScheme_1", "OSM Color", {0.875f, 0.875f, 0.875f}, "e2e_monaco_scheme_osm.png"},
        {"actionScheme_2", "GOOGLEMAP Color", {0.95f, 0.94f, 0.91f}, "e2e_monaco_scheme_googlemap.png"},
        {"actionScheme_3", "Model Color", {0.9f, 0.4f, 0.4f}, "e2e_monaco_scheme_model_again.png"},
    };
    QImage picture;
    for (const Scheme& scheme : schemes)
    {
        ASSERT_TRUE(driver.trigger(scheme.action));
        EXPECT_EQ(out.takeLines(), std::vector<std::string>{scheme.name});
        picture = driver.grab(scheme.fileName);
        EXPECT_GT(recolouredShare(model, picture, scheme.building), 0.9) << scheme.name;
    }
    // Nothing but the colours changed: back at "Model Color" the picture is the first.
    EXPECT_LT(PictureDifference::between(model, picture).meanLevels, 0.5);

    // Mapped colours: Monaco maps no colours, so its flat-roofed buildings take the
    // scheme's plaster.
    ASSERT_TRUE(driver.trigger("actionScheme_4"));
    EXPECT_EQ(out.takeLines(), std::vector<std::string>{"Mapped colours"});
    const float plaster[3] = {0.88f, 0.85f, 0.80f};
    EXPECT_GT(recolouredShare(model, driver.grab("e2e_monaco_scheme_mapped.png"), plaster), 0.9);
}
