#include "geometry/GeometryGenerator.h"

#include "OsmFileBuilder.h"
#include "TestTerrain.h"
#include "app/AppSettings.h"
#include "geometry/Building.h"
#include "geometry/Streets.h"
#include "osm/OsmParser.h"

#include <gtest/gtest.h>
#include <osgDB/FileUtils>

#include <cmath>
#include <filesystem>

namespace
{
using testTerrain::blockLat;
using testTerrain::blockLon;
using Cell = std::pair<int, int>;

osg::Vec3f vertical(double lonDegrees, double latDegrees)
{
    const double lon = osg::DegreesToRadians(lonDegrees), lat = osg::DegreesToRadians(latDegrees);
    return osg::Vec3f(std::cos(lat) * std::cos(lon), std::cos(lat) * std::sin(lon), std::sin(lat));
}

osg::Vec3f vec3Of(const osg::Uniform* uniform)
{
    osg::Vec3f value;
    uniform->get(value);
    return value;
}

float floatOf(const osg::Uniform* uniform)
{
    float value = 0.0f;
    uniform->get(value);
    return value;
}

// A test extract: buildings (one per cell) at the centres of blocks (1,1), (3,1),
// (5,1) and (1,3), a three-node building alone at (5,3), one street of every kind
// (the primary one a bridge) starting next to the building at (1,1), and a secondary road alone at (3,3).
class GeometryGeneratorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        appSettings().maxGridCells = 572;
        testTerrain::placeSceneOrigin(blockLon(3), blockLat(2));
        testTerrain::findSourceShaders();
        OsmFileBuilder osm;
        osm.square("101", blockLon(1), blockLat(1), 0.0005, true, {{"building", "yes"}});
        osm.square("102", blockLon(3), blockLat(1), 0.0005, false, {{"building", "yes"}});
        osm.square("103", blockLon(5), blockLat(1), 0.0005, true, {{"building", "yes"}});
        osm.square("104", blockLon(1), blockLat(3), 0.0005, true, {{"building", "yes"}});
        osm.line("105", {{blockLon(5), blockLat(3)}, {blockLon(5) + 0.0003, blockLat(3)}, {blockLon(5), blockLat(3) + 0.0003}},
                 {{"building", "yes"}});
        const std::vector<std::pair<std::string, std::string>> kinds = {
            {"highway", "motorway"},    {"highway", "primary"}, {"highway", "secondary"},
            {"highway", "residential"}, {"highway", "footway"}, {"railway", "rail"},
            {"waterway", "stream"},     {"railway", "tram"}};
        for (std::size_t i = 0; i < kinds.size(); ++i)
        {
            const double lat = blockLat(1) + 0.0006 + 0.0001 * i;
            OsmFileBuilder::Tags tags = {kinds[i]};
            if (kinds[i].second == "primary")
                tags.emplace_back("bridge", "yes");
            osm.line("20" + std::to_string(i), {{blockLon(1), lat}, {blockLon(1) + 0.002, lat}}, tags);
        }
        osm.line("300", {{blockLon(3), blockLat(3)}, {blockLon(3) + 0.002, blockLat(3)}}, {{"highway", "tertiary"}});
        store = load(osm, "generator_cells.osm");
        mapNode = testTerrain::mapNode();
        generator.reset(new GeometryGenerator(mapNode, store.get()));
    }

    void TearDown() override { appSettings().maxGridCells = 572; }

    static std::unique_ptr<OsmParser> load(const OsmFileBuilder& osm, const std::string& name)
    {
        osm.write(name);
        int columns = 0;
        int rows = 0;
        testing::internal::CaptureStdout();
        std::unique_ptr<OsmParser> parser(new OsmParser(name, columns, rows));
        testing::internal::GetCapturedStdout();
        return parser;
    }

    static Cell cellOf(const OsmParser& parser, double lon, double lat)
    {
        const double width = (parser.maxLon - parser.minLon) / parser.columnCount;
        const double height = (parser.maxLat - parser.minLat) / parser.rowCount;
        return {static_cast<int>(std::floor((lon - parser.minLon) / width)),
                static_cast<int>(std::floor((lat - parser.minLat) / height))};
    }

    Cell blockCell(int bx, int by) const { return cellOf(*store, blockLon(bx), blockLat(by)); }

    void generate(const Cell& cell) { generator->generateCell(cell.first, cell.second, &addedMutex, &removedMutex); }

    std::vector<osg::Node*> cachedNodes(const Cell& cell) const
    {
        for (const CellEntry& entry : generator->cellCache)
            if (entry.column == cell.first && entry.row == cell.second)
            {
                std::vector<osg::Node*> nodes;
                for (const auto& node : entry.nodes)
                    nodes.push_back(node.get());
                return nodes;
            }
        return {};
    }

    std::vector<Cell> cacheOrder() const
    {
        std::vector<Cell> cells;
        for (const CellEntry& entry : generator->cellCache)
            cells.emplace_back(entry.column, entry.row);
        return cells;
    }

    static std::vector<osg::Node*> raw(const std::vector<osg::ref_ptr<osg::Node>>& nodes, std::size_t from = 0)
    {
        std::vector<osg::Node*> result;
        for (std::size_t i = from; i < nodes.size(); ++i)
            result.push_back(nodes[i].get());
        return result;
    }

    std::unique_ptr<OsmParser> store;
    osg::ref_ptr<globe::MapNode> mapNode;
    std::unique_ptr<GeometryGenerator> generator;
    OpenThreads::Mutex addedMutex;
    OpenThreads::Mutex removedMutex;
};

TEST_F(GeometryGeneratorTest, CachedCellsAreReusedAndTheLeastRecentlyUsedIsEvicted)
{
    const Cell a = blockCell(3, 1), b = blockCell(5, 1), c = blockCell(1, 3);
    ASSERT_NE(a, b);
    ASSERT_NE(b, c);
    appSettings().maxGridCells = 2;
    // What the update callback would have attached by now.
    auto attachAll = [this] { generator->addedNodes.clear(); };

    generate(a);
    generate(b);
    ASSERT_EQ(generator->addedNodes.size(), 2u);
    const std::vector<osg::Node*> nodesOfA = cachedNodes(a);
    const std::vector<osg::Node*> nodesOfB = cachedNodes(b);
    ASSERT_EQ(nodesOfA.size(), 1u);
    attachAll();

    // A cache hit queues nothing and makes the cell the most recent one.
    generate(a);
    EXPECT_TRUE(generator->addedNodes.empty());
    EXPECT_EQ(cacheOrder(), (std::vector<Cell>{b, a}));

    generate(c);
    EXPECT_EQ(generator->addedNodes.size(), 1u);
    EXPECT_EQ(cacheOrder(), (std::vector<Cell>{a, c}));
    EXPECT_EQ(raw(generator->removedNodes), nodesOfB);
    attachAll();

    // B was evicted: asking for it again rebuilds it and evicts A.
    generate(b);
    EXPECT_EQ(generator->addedNodes.size(), 1u);
    EXPECT_EQ(cacheOrder(), (std::vector<Cell>{c, b}));
    EXPECT_EQ(raw(generator->removedNodes, 1), nodesOfA);

    // A cell evicted before its nodes were attached takes them back from the queue:
    // they never reach the scene, and there is nothing to detach.
    const Cell d = blockCell(1, 1), e{-50, -50};
    attachAll();
    generator->removedNodes.clear();
    const std::vector<osg::Node*> nodesOfC = cachedNodes(c);
    const std::vector<osg::Node*> rebuiltB = cachedNodes(b);
    generate(a);
    const std::vector<osg::Node*> waitingA = cachedNodes(a);
    generate(d);
    // C and B had been attached: they go to the removal queue as usual.
    EXPECT_EQ(raw(generator->removedNodes), (std::vector<osg::Node*>{nodesOfC[0], rebuiltB[0]}));
    const std::size_t removedBefore = generator->removedNodes.size();
    generate(e);
    EXPECT_EQ(cacheOrder(), (std::vector<Cell>{d, e}));
    EXPECT_EQ(generator->removedNodes.size(), removedBefore);
    for (osg::Node* node : waitingA)
        EXPECT_EQ(std::count(generator->addedNodes.begin(), generator->addedNodes.end(), node), 0);
    std::vector<osg::Node*> waitingDE = cachedNodes(d);
    for (osg::Node* node : cachedNodes(e))
        waitingDE.push_back(node);
    EXPECT_EQ(raw(generator->addedNodes), waitingDE);

    // 0: every new cell is evicted by the same call, so it is never shown.
    appSettings().maxGridCells = 0;
    generator->cellCache.clear();
    generator->removedNodes.clear();
    const std::size_t queued = generator->addedNodes.size();
    generate(blockCell(1, 1));
    EXPECT_TRUE(generator->cellCache.empty());
    EXPECT_TRUE(generator->removedNodes.empty());
    EXPECT_EQ(generator->addedNodes.size(), queued);

    // Negative: nothing is ever evicted.
    appSettings().maxGridCells = -1;
    for (const Cell& cell : {a, b, c, d, e})
        generate(cell);
    EXPECT_EQ(generator->cellCache.size(), 5u);
    EXPECT_TRUE(generator->removedNodes.empty());
}

TEST_F(GeometryGeneratorTest, EmptyCellQueuesOneEmptyBuilding)
{
    generate({-50, -50});
    ASSERT_EQ(generator->addedNodes.size(), 1u);
    auto* building = dynamic_cast<Building*>(generator->addedNodes[0].get());
    ASSERT_NE(building, nullptr);
    ASSERT_EQ(building->getNumDrawables(), 2u);
    EXPECT_EQ(building->getDrawable(0)->asGeometry()->getVertexArray()->getNumElements(), 0u);
    EXPECT_EQ(building->getDrawable(1)->asGeometry()->getVertexArray()->getNumElements(), 0u);
    const osg::StateSet* state = building->getStateSet();
    EXPECT_EQ(state->getAttribute(osg::StateAttribute::PROGRAM), generator->buildingProgram.get());
    EXPECT_EQ(state->getUniform("color"), generator->buildingColor.get());
    EXPECT_EQ(state->getUniform("upVector"), nullptr);
    // Buildings are wound to face outward, so the faces turned away are culled.
    EXPECT_EQ(state->getMode(GL_CULL_FACE), static_cast<unsigned>(osg::StateAttribute::ON));
    EXPECT_EQ(cacheOrder(), (std::vector<Cell>{{-50, -50}}));
    EXPECT_EQ(cachedNodes({-50, -50}), raw(generator->addedNodes));
}

TEST_F(GeometryGeneratorTest, StreetKindsInTableOrderWithTheirUniforms)
{
    const Cell cell = blockCell(1, 1);
    generate(cell);
    ASSERT_EQ(generator->addedNodes.size(), 9u);
    EXPECT_EQ(cachedNodes(cell), raw(generator->addedNodes));
    ASSERT_NE(dynamic_cast<Building*>(generator->addedNodes[0].get()), nullptr);

    struct Expected
    {
        osg::Uniform* width;
        float widthValue;
        double heightOffset;
        osg::Uniform* color;
    };
    const GeometryGenerator& g = *generator;
    const std::vector<Expected> kinds = {
        {g.motorwayWidth.get(), 7.0f, 2.0, g.motorwayColor.get()},
        {g.primaryWidth.get(), 5.0f, 1.5, g.primaryColor.get()},
        {g.secondaryWidth.get(), 4.0f, 1.0, g.secondaryColor.get()},
        {g.residentialWidth.get(), 3.0f, 0.75, g.residentialColor.get()},
        {g.minorWidth.get(), 1.0f, 1.25, g.minorColor.get()},
        {g.railwayWidth.get(), 1.5f, 0.5, g.railwayColor.get()},
        {g.streamWidth.get(), 2.0f, 0.5, nullptr},
        {g.tramWidth.get(), 0.5f, 2.0, g.tramColor.get()},
    };
    for (std::size_t i = 0; i < kinds.size(); ++i)
    {
        SCOPED_TRACE("kind " + std::to_string(i));
        auto* streets = dynamic_cast<Streets*>(generator->addedNodes[i + 1].get());
        ASSERT_NE(streets, nullptr);
        EXPECT_EQ(streets->getHeightOffset(), kinds[i].heightOffset);
        // Two-node ways: the primary road is a bridge and arches over five points.
        EXPECT_EQ(streets->getGeometry()->getVertexArray()->getNumElements(), i == 1 ? 5u : 2u);
        const osg::StateSet* state = streets->getStateSet();
        EXPECT_EQ(state->getAttribute(osg::StateAttribute::PROGRAM), g.streetProgram.get());
        EXPECT_EQ(state->getUniform("width"), kinds[i].width);
        EXPECT_EQ(floatOf(kinds[i].width), kinds[i].widthValue);
        EXPECT_EQ(state->getUniform("upVector"), g.upVectorUniform.get());
        if (kinds[i].color)
            EXPECT_EQ(state->getUniform("color"), kinds[i].color);
        else
        {
            // Streams: a colour of their own that no scheme changes.
            EXPECT_EQ(vec3Of(state->getUniform("color")), osg::Vec3f(0.1f, 0.1f, 1.0f));
            generator->setColorScheme(0);
            EXPECT_EQ(vec3Of(state->getUniform("color")), osg::Vec3f(0.1f, 0.1f, 1.0f));
        }
    }

    // A cell whose streets are all secondary: the building node and one street node.
    generator->addedNodes.clear();
    generate(blockCell(3, 3));
    ASSERT_EQ(generator->addedNodes.size(), 2u);
    auto* secondary = dynamic_cast<Streets*>(generator->addedNodes[1].get());
    ASSERT_NE(secondary, nullptr);
    EXPECT_EQ(secondary->getStateSet()->getUniform("width"), generator->secondaryWidth.get());
    EXPECT_EQ(secondary->getHeightOffset(), 1.0);
    EXPECT_EQ(secondary->getStateSet()->getUniform("color"), generator->secondaryColor.get());
}

TEST_F(GeometryGeneratorTest, UpVectorIsTheVerticalInTheNorthEastWhateverTheOrientation)
{
    const osg::Vec3f clockwise = generator->cellUpVector(blockCell(1, 1).first, blockCell(1, 1).second);
    const osg::Vec3f counterClockwise = generator->cellUpVector(blockCell(3, 1).first, blockCell(3, 1).second);
    EXPECT_GT(clockwise * vertical(blockLon(1), blockLat(1)), 0.99999f);
    EXPECT_GT(counterClockwise * vertical(blockLon(3), blockLat(1)), 0.99999f);
    EXPECT_EQ(generator->cellUpVector(blockCell(5, 3).first, blockCell(5, 3).second), osg::Vec3f());
    EXPECT_EQ(generator->cellUpVector(-50, -50), osg::Vec3f());

    // Each generated cell gets a new uniform holding its up vector.
    generate(blockCell(1, 1));
    osg::ref_ptr<osg::Uniform> first = generator->upVectorUniform;
    EXPECT_EQ(vec3Of(first.get()), clockwise);
    generate(blockCell(5, 3));
    EXPECT_NE(generator->upVectorUniform.get(), first.get());
    EXPECT_EQ(vec3Of(generator->upVectorUniform.get()), osg::Vec3f());
}

TEST_F(GeometryGeneratorTest, UpVectorInTheSouthEastIsTheLastTriangleNormal)
{
    // At 33 S 151 E the vertical has mixed signs: the last triangle's normal is kept,
    // up for a clockwise footprint and down for a counter-clockwise one.
    OsmFileBuilder osm;
    osm.square("1", 151.001, -33.001, 0.0005, true, {{"building", "yes"}});
    osm.square("2", 151.02, -33.02, 0.0005, false, {{"building", "yes"}});
    const auto south = load(osm, "generator_south.osm");
    GeometryGenerator southern(testTerrain::mapNode(false), south.get());
    const Cell cw = cellOf(*south, 151.001, -33.001), ccw = cellOf(*south, 151.02, -33.02);
    ASSERT_NE(cw, ccw);
    EXPECT_GT(southern.cellUpVector(cw.first, cw.second) * vertical(151.001, -33.001), 0.99999f);
    EXPECT_LT(southern.cellUpVector(ccw.first, ccw.second) * vertical(151.02, -33.02), -0.99999f);
}

TEST_F(GeometryGeneratorTest, ColorSchemesRecolourTheSharedUniforms)
{
    EXPECT_EQ(vec3Of(generator->buildingColor.get()), osg::Vec3f(0.9f, 0.4f, 0.4f));
    EXPECT_EQ(vec3Of(generator->motorwayColor.get()), osg::Vec3f(1.0f, 1.0f, 0.6f));
    std::vector<osg::Vec3f> initial;
    for (osg::Uniform* u : {generator->buildingColor.get(), generator->motorwayColor.get(), generator->primaryColor.get(),
                            generator->secondaryColor.get(), generator->residentialColor.get(),
                            generator->minorColor.get(), generator->railwayColor.get(), generator->tramColor.get()})
        initial.push_back(vec3Of(u));

    testing::internal::CaptureStdout();
    generator->setColorScheme(0);
    EXPECT_EQ(vec3Of(generator->buildingColor.get()), osg::Vec3f(0.875f, 0.875f, 0.875f));
    EXPECT_EQ(vec3Of(generator->motorwayColor.get()), osg::Vec3f(0.54f, 0.64f, 0.79f));
    generator->setColorScheme(1);
    EXPECT_EQ(vec3Of(generator->primaryColor.get()), osg::Vec3f(1.0f, 0.88f, 0.41f));
    generator->setColorScheme(1);
    generator->setColorScheme(3);
    generator->setColorScheme(-1);
    EXPECT_EQ(vec3Of(generator->primaryColor.get()), osg::Vec3f(1.0f, 0.88f, 0.41f));
    generator->setColorScheme(2);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "OSM Color\nGOOGLEMAP Color\nGOOGLEMAP Color\nModel Color\n");
    std::vector<osg::Vec3f> restored;
    for (osg::Uniform* u : {generator->buildingColor.get(), generator->motorwayColor.get(), generator->primaryColor.get(),
                            generator->secondaryColor.get(), generator->residentialColor.get(),
                            generator->minorColor.get(), generator->railwayColor.get(), generator->tramColor.get()})
        restored.push_back(vec3Of(u));
    EXPECT_EQ(restored, initial);
}

TEST_F(GeometryGeneratorTest, MissingGeometryShaderLeavesTwoStagesAndStreetsAreStillBuilt)
{
    EXPECT_EQ(generator->streetProgram->getNumShaders(), 3u);
    EXPECT_EQ(generator->waterProgram->getNumShaders(), 2u);
    EXPECT_EQ(generator->buildingProgram->getNumShaders(), 2u);

    const std::filesystem::path partial = std::filesystem::absolute("partial_shaders");
    std::filesystem::create_directories(partial);
    for (const char* name : {"street.vert", "street.frag"})
        std::filesystem::copy_file(std::filesystem::path(ORVALIS_SOURCE_DIR) / "shaders" / name, partial / name,
                                   std::filesystem::copy_options::overwrite_existing);
    const osgDB::FilePathList saved = osgDB::getDataFilePathList();
    osgDB::setDataFilePathList(partial.string());
    GeometryGenerator partialGenerator(mapNode, store.get());
    osgDB::setDataFilePathList(saved);

    EXPECT_EQ(partialGenerator.streetProgram->getNumShaders(), 2u);
    EXPECT_EQ(partialGenerator.waterProgram->getNumShaders(), 0u);
    partialGenerator.generateCell(blockCell(3, 3).first, blockCell(3, 3).second, &addedMutex, &removedMutex);
    ASSERT_EQ(partialGenerator.addedNodes.size(), 2u);
    EXPECT_EQ(partialGenerator.addedNodes[1]->getStateSet()->getAttribute(osg::StateAttribute::PROGRAM),
              partialGenerator.streetProgram.get());
}
} // namespace
