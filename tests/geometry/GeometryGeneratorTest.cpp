#include "geometry/GeometryGenerator.h"

#include "OsmFileBuilder.h"
#include "TestTerrain.h"
#include "geometry/Building.h"
#include "geometry/Streets.h"
#include "geometry/Trees.h"
#include "globe/SpatialReference.h"
#include "osm/OsmParser.h"

#include <gtest/gtest.h>
#include <osgDB/FileUtils>

#include <cmath>
#include <filesystem>
#include <set>

namespace
{
using testTerrain::blockLat;
using testTerrain::blockLon;
using Cell = std::pair<int, int>;

// The ellipsoid's normal as the globe itself sees it: the way a point on the
// ellipsoid moves when it rises. ground receives the point, geocentric.
osg::Vec3d ellipsoidNormal(double lon, double lat, osg::Vec3d& ground)
{
    const globe::SpatialReference* wgs84 = globe::SpatialReference::get("wgs84");
    osg::Vec3d raised;
    wgs84->transformToWorld(osg::Vec3d(lon, lat, 0.0), ground);
    wgs84->transformToWorld(osg::Vec3d(lon, lat, 1.0), raised);
    osg::Vec3d normal = raised - ground;
    normal.normalize();
    return normal;
}

// In radians; only meaningful for vectors of non-zero length.
double angleBetween(const osg::Vec3d& a, const osg::Vec3d& b)
{
    return std::atan2((a ^ b).length(), a * b);
}

osg::Vec3f vec3Of(const osg::Uniform* uniform)
{
    osg::Vec3f value;
    uniform->get(value);
    return value;
}

std::vector<float> vertexWidths(const Streets* streets)
{
    const auto* widths =
        dynamic_cast<const osg::FloatArray*>(streets->getGeometry()->getVertexAttribArray(Streets::widthAttribute));
    return widths ? std::vector<float>(widths->begin(), widths->end()) : std::vector<float>();
}

// A test extract: buildings (one per cell) at the centres of blocks (1,1), (3,1),
// (5,1) and (1,3), a three-node building alone at (5,3), one street of every kind
// (the primary one a bridge) starting next to the building at (1,1), and a secondary road alone at (3,3).
class GeometryGeneratorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        origin = testTerrain::sceneOriginAt(blockLon(3), blockLat(2));
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
            OsmFileBuilder::TagTexts tags = {kinds[i]};
            if (kinds[i].second == "primary")
                tags.emplace_back("bridge", "yes");
            osm.line("20" + std::to_string(i), {{blockLon(1), lat}, {blockLon(1) + 0.002, lat}}, tags);
        }
        osm.line("300", {{blockLon(3), blockLat(3)}, {blockLon(3) + 0.002, blockLat(3)}}, {{"highway", "tertiary"}});
        // One file per test: the tests of the suite may run at the same time.
        store = load(osm, std::string("generator_") + testing::UnitTest::GetInstance()->current_test_info()->name() +
                              ".osm");
        mapNode = testTerrain::mapNode();
        generator.reset(new GeometryGenerator(mapNode, store.get(), origin, -1));
    }

    static std::unique_ptr<OsmParser> load(const OsmFileBuilder& osm, const std::string& name)
    {
        osm.write(name);
        int columns = 0;
        int rows = 0;
        testing::internal::CaptureStdout();
        std::unique_ptr<OsmParser> parser(new OsmParser(name, columns, rows, 0.005));
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

    GeometryGenerator::CellNodes generate(const Cell& cell) { return generator->generateCell(cell.first, cell.second); }

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

    static std::vector<osg::Node*> raw(const std::vector<osg::ref_ptr<osg::Node>>& nodes)
    {
        std::vector<osg::Node*> result;
        for (const auto& node : nodes)
            result.push_back(node.get());
        return result;
    }

    osg::Matrixd origin;
    std::unique_ptr<OsmParser> store;
    osg::ref_ptr<globe::MapNode> mapNode;
    std::unique_ptr<GeometryGenerator> generator;
};

TEST_F(GeometryGeneratorTest, CachedCellsAreReusedAndTheLeastRecentlyUsedIsEvicted)
{
    const Cell a = blockCell(3, 1), b = blockCell(5, 1), c = blockCell(1, 3), d = blockCell(1, 1), e{-50, -50};
    ASSERT_NE(a, b);
    ASSERT_NE(b, c);
    generator->maxGridCells = 2;

    const GeometryGenerator::CellNodes builtA = generate(a);
    const GeometryGenerator::CellNodes builtB = generate(b);
    ASSERT_EQ(builtA.built.size(), 1u);
    ASSERT_EQ(builtB.built.size(), 1u);
    EXPECT_TRUE(builtA.evicted.empty());
    EXPECT_TRUE(builtB.evicted.empty());
    EXPECT_EQ(cachedNodes(a), raw(builtA.built));

    // A cache hit builds nothing and makes the cell the most recent one.
    const GeometryGenerator::CellNodes hit = generate(a);
    EXPECT_TRUE(hit.built.empty());
    EXPECT_TRUE(hit.evicted.empty());
    EXPECT_EQ(cacheOrder(), (std::vector<Cell>{b, a}));

    const GeometryGenerator::CellNodes builtC = generate(c);
    EXPECT_EQ(builtC.built.size(), 1u);
    EXPECT_EQ(cacheOrder(), (std::vector<Cell>{a, c}));
    EXPECT_EQ(raw(builtC.evicted), raw(builtB.built));

    // B was evicted: asking for it again builds new nodes and evicts A.
    const GeometryGenerator::CellNodes rebuiltB = generate(b);
    ASSERT_EQ(rebuiltB.built.size(), 1u);
    EXPECT_NE(rebuiltB.built[0], builtB.built[0]);
    EXPECT_EQ(cacheOrder(), (std::vector<Cell>{c, b}));
    EXPECT_EQ(raw(rebuiltB.evicted), raw(builtA.built));

    // 0: every new cell is evicted by the same call that builds it.
    generator->maxGridCells = 0;
    generator->cellCache.clear();
    const GeometryGenerator::CellNodes passing = generate(d);
    EXPECT_EQ(passing.built.size(), 9u);
    EXPECT_EQ(raw(passing.evicted), raw(passing.built));
    EXPECT_TRUE(generator->cellCache.empty());

    // Negative: nothing is ever evicted.
    generator->maxGridCells = -1;
    for (const Cell& cell : {a, b, c, d, e})
        EXPECT_TRUE(generate(cell).evicted.empty());
    EXPECT_EQ(generator->cellCache.size(), 5u);
}

TEST_F(GeometryGeneratorTest, EmptyCellBuildsOneEmptyBuilding)
{
    const GeometryGenerator::CellNodes nodes = generate({-50, -50});
    ASSERT_EQ(nodes.built.size(), 1u);
    EXPECT_TRUE(nodes.evicted.empty());
    auto* building = dynamic_cast<Building*>(nodes.built[0].get());
    ASSERT_NE(building, nullptr);
    ASSERT_EQ(building->getNumDrawables(), 2u);
    EXPECT_EQ(building->getDrawable(0)->asGeometry()->getVertexArray()->getNumElements(), 0u);
    EXPECT_EQ(building->getDrawable(1)->asGeometry()->getVertexArray()->getNumElements(), 0u);
    const osg::StateSet* state = building->getStateSet();
    EXPECT_EQ(state->getAttribute(osg::StateAttribute::PROGRAM), generator->buildingProgram.get());
    EXPECT_EQ(state->getUniform("color"), generator->buildingColor.get());
    EXPECT_EQ(state->getUniform("mappedColours"), generator->mappedColours.get());
    EXPECT_EQ(state->getUniform("upVector"), nullptr);
    // Buildings are wound to face outward, so the faces turned away are culled.
    EXPECT_EQ(state->getMode(GL_CULL_FACE), static_cast<unsigned>(osg::StateAttribute::ON));
    EXPECT_EQ(cacheOrder(), (std::vector<Cell>{{-50, -50}}));
    EXPECT_EQ(cachedNodes({-50, -50}), raw(nodes.built));
}

TEST_F(GeometryGeneratorTest, StreetKindsInTableOrderWithTheirUniforms)
{
    const Cell cell = blockCell(1, 1);
    const std::vector<osg::ref_ptr<osg::Node>> built = generate(cell).built;
    ASSERT_EQ(built.size(), 9u);
    EXPECT_EQ(cachedNodes(cell), raw(built));
    ASSERT_NE(dynamic_cast<Building*>(built[0].get()), nullptr);
    EXPECT_EQ(vec3Of(generator->upVectorUniform.get()), generator->cellUpVector(cell.first, cell.second));

    struct Expected
    {
        float width;
        double heightOffset;
        osg::Uniform* color;
    };
    const GeometryGenerator& g = *generator;
    const std::vector<Expected> kinds = {
        {7.0f, 2.0, g.motorwayColor.get()},     {5.0f, 1.5, g.primaryColor.get()},
        {4.0f, 1.0, g.secondaryColor.get()},    {3.0f, 0.75, g.residentialColor.get()},
        {1.0f, 1.25, g.minorColor.get()},       {1.5f, 0.5, g.railwayColor.get()},
        {2.0f, 0.5, nullptr},                   {0.5f, 2.0, g.tramColor.get()},
    };
    for (std::size_t i = 0; i < kinds.size(); ++i)
    {
        SCOPED_TRACE("kind " + std::to_string(i));
        auto* streets = dynamic_cast<Streets*>(built[i + 1].get());
        ASSERT_NE(streets, nullptr);
        EXPECT_EQ(streets->getHeightOffset(), kinds[i].heightOffset);
        // Two-node ways: the primary road is a bridge and arches over five points.
        EXPECT_EQ(streets->getGeometry()->getVertexArray()->getNumElements(), i == 1 ? 5u : 2u);
        // Untagged ways: every vertex carries the kind's width.
        EXPECT_EQ(vertexWidths(streets), std::vector<float>(i == 1 ? 5 : 2, kinds[i].width));
        const osg::StateSet* state = streets->getStateSet();
        EXPECT_EQ(state->getAttribute(osg::StateAttribute::PROGRAM), g.streetProgram.get());
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
    const osg::Vec3f firstUp = vec3Of(generator->upVectorUniform.get());
    const Cell other = blockCell(3, 3);
    const std::vector<osg::ref_ptr<osg::Node>> otherBuilt = generate(other).built;
    ASSERT_EQ(otherBuilt.size(), 2u);
    auto* secondary = dynamic_cast<Streets*>(otherBuilt[1].get());
    ASSERT_NE(secondary, nullptr);
    EXPECT_EQ(secondary->getHeightOffset(), 1.0);
    EXPECT_EQ(secondary->getStateSet()->getUniform("color"), generator->secondaryColor.get());
    // Each cell gets an up vector uniform of its own: the first cell's streets keep theirs.
    const osg::Vec3f otherUp = generator->cellUpVector(other.first, other.second);
    EXPECT_NE(otherUp, firstUp);
    EXPECT_EQ(vec3Of(secondary->getStateSet()->getUniform("upVector")), otherUp);
    EXPECT_EQ(vec3Of(built[1]->getStateSet()->getUniform("upVector")), firstUp);
}

// One cell with residential ways tagged in different ways, two tram lines (one
// with a width), three trees and a tree row; buildings at blocks (1, 1) and (3, 3)
// make the cells about 0.004 degrees wide, the first just south-west of block (1, 1).
TEST_F(GeometryGeneratorTest, ACellDrawsStreetsAtTheirMappedWidthAndItsTrees)
{
    std::vector<OsmFileBuilder::TagTexts> ways = {
        {{"width", "7,5 m"}}, {{"lanes", "3"}}, {{"width", "5"}, {"lanes", "4"}}, {{"width", "wide"}}, {},
        {{"layer", "-1"}, {"width", "9"}}, {{"layer", "1"}, {"bridge", "yes"}, {"width", "12"}}};
    for (auto& tags : ways)
        tags.emplace_back("highway", "residential");
    ways.push_back({{"railway", "tram"}, {"width", "10"}});
    ways.push_back({{"railway", "tram"}});
    OsmFileBuilder osm;
    osm.square("1", blockLon(1), blockLat(1), 0.0005, true, {{"building", "yes"}});
    osm.square("9", blockLon(3), blockLat(3), 0.0005, true, {{"building", "yes"}});
    for (std::size_t i = 0; i < ways.size(); ++i)
    {
        const double lat = blockLat(1) + 0.0006 + 0.0001 * i;
        osm.line("2" + std::to_string(i), {{blockLon(1), lat}, {blockLon(1) + 0.002, lat}}, ways[i]);
        osm.node("3" + std::to_string(i), blockLon(1) + 0.001, blockLat(1) + 0.0001 * i, {{"natural", "tree"}});
    }
    osm.line("4", {{blockLon(1) + 0.0012, blockLat(1)}, {blockLon(1) + 0.0012, blockLat(1) + 0.0005}},
             {{"natural", "tree_row"}});
    const auto extract = load(osm, "generator_tagged.osm");
    GeometryGenerator located(mapNode, extract.get(), origin, -1);
    const Cell cell = cellOf(*extract, blockLon(1), blockLat(1));
    const std::vector<osg::ref_ptr<osg::Node>> built = located.generateCell(cell.first, cell.second).built;
    ASSERT_EQ(built.size(), 4u);

    // The unreadable width falls back like the untagged way; the one below ground is
    // gone; the bridge keeps its arch.
    const std::vector<float> widths = vertexWidths(dynamic_cast<Streets*>(built[1].get()));
    ASSERT_EQ(widths.size(), 2 * 5 + 5u);
    const float untagged = widths[8];
    EXPECT_GT(untagged, 0.0f);
    EXPECT_EQ(widths, (std::vector<float>{7.5f, 7.5f, 9.0f, 9.0f, 5.0f, 5.0f, untagged, untagged, untagged, untagged,
                                          12.0f, 12.0f, 12.0f, 12.0f, 12.0f}));
    // A track keeps its gauge whatever the way's width.
    const std::vector<float> tram = vertexWidths(dynamic_cast<Streets*>(built[2].get()));
    ASSERT_EQ(tram.size(), 4u);
    EXPECT_EQ(tram[0], tram[2]);
    EXPECT_NE(tram[2], 10.0f);

    // The trees come last, in one drawable, the row's with the single ones.
    const auto* trees = dynamic_cast<Trees*>(built[3].get());
    ASSERT_NE(trees, nullptr);
    EXPECT_GT(trees->treeCount(), ways.size());
    EXPECT_EQ(trees->getNumDrawables(), 1u);
    const osg::StateSet* state = trees->getStateSet();
    EXPECT_EQ(state->getAttribute(osg::StateAttribute::PROGRAM), located.treeProgram.get());
    EXPECT_EQ(state->getMode(GL_CULL_FACE), static_cast<unsigned>(osg::StateAttribute::ON));
}

// Streets, water and roofs are lit and lifted along the ellipsoid's normal, so it
// must come out right whatever the signs of the ECEF coordinates.
TEST_F(GeometryGeneratorTest, UpVectorsAreTheEllipsoidNormalInEveryOctant)
{
    struct Place
    {
        const char* name;
        double lon, lat;
    };
    const Place places[] = {{"Berlin", 13.40, 52.52},        {"Johannesburg", 28.05, -26.20},
                            {"Tokyo", 139.69, 35.69},        {"Sydney", 151.21, -33.87},
                            {"New York", -74.0, 40.7},       {"Santiago de Chile", -70.65, -33.45},
                            {"Mexico City", -99.13, 19.43}, {"Papeete", -149.57, -17.53}};
    // Radians (0.006 degrees): room for the middle of the cell or pond lying off the
    // place, far below the 0.1 to 0.2 degrees between the ellipsoid's normal and the
    // direction from the Earth's centre.
    const double tolerance = 1e-4;
    std::set<int> octants;
    for (const Place& place : places)
    {
        SCOPED_TRACE(place.name);
        const double lon = place.lon, lat = place.lat;
        osg::Vec3d ground;
        const osg::Vec3d normal = ellipsoidNormal(lon, lat, ground);
        octants.insert((ground.x() > 0.0) + 2 * (ground.y() > 0.0) + 4 * (ground.z() > 0.0));

        // A building with a street from its middle and a pond beside it; the scene
        // origin lies half a degree north-east, so the cell is south-west of it.
        OsmFileBuilder osm;
        osm.square("1", lon, lat, 0.0005, true, {{"building", "yes"}});
        osm.line("2", {{lon, lat}, {lon + 0.001, lat}}, {{"highway", "residential"}});
        osm.square("3", lon + 0.0015, lat, 0.0005, false, {{"natural", "water"}});
        const auto extract = load(osm, "generator_octant.osm");
        const osg::Matrixd sceneOrigin = testTerrain::sceneOriginAt(lon + 0.5, lat + 0.5);
        GeometryGenerator located(testTerrain::mapNode(false), extract.get(), sceneOrigin, -1);

        const Cell cell = cellOf(*extract, lon, lat);
        const osg::Vec3f up = located.cellUpVector(cell.first, cell.second);
        EXPECT_NEAR(up.length(), 1.0f, 1e-5f);
        EXPECT_LT(angleBetween(up, normal), tolerance);
        EXPECT_GT(osg::Vec3d(up) * ground, 0.0) << "points into the Earth";

        const GeometryGenerator::CellNodes nodes = located.generateCell(cell.first, cell.second);
        ASSERT_EQ(nodes.built.size(), 2u);
        EXPECT_EQ(vec3Of(nodes.built[1]->getStateSet()->getUniform("upVector")), up);
        // The roofs face the same up, turned into the scene's frame, where it leans
        // away from the origin's vertical.
        const osg::Vec3d localNormal = osg::Matrixd::transform3x3(normal, osg::Matrixd::inverse(sceneOrigin));
        const auto* roofNormals = static_cast<const osg::Vec3Array*>(
            nodes.built[0]->asGeode()->getDrawable(0)->asGeometry()->getNormalArray());
        const osg::Vec3f roofNormal = (*roofNormals)[0];
        EXPECT_NEAR(roofNormal.length(), 1.0f, 1e-5f);
        EXPECT_LT(angleBetween(roofNormal, localNormal), tolerance);
        EXPECT_GT(roofNormal.z(), 0.999f);

        const osg::ref_ptr<osg::Node> water = located.generateWater();
        ASSERT_NE(water, nullptr);
        osg::Vec3d pondGround;
        const osg::Vec3d pondNormal = ellipsoidNormal(lon + 0.0015, lat, pondGround);
        const osg::Vec3f waterUp = vec3Of(water->getStateSet()->getUniform("upVector"));
        EXPECT_NEAR(waterUp.length(), 1.0f, 1e-5f);
        EXPECT_LT(angleBetween(waterUp, pondNormal), tolerance);
        EXPECT_GT(osg::Vec3d(waterUp) * pondGround, 0.0) << "points into the Earth";
    }
    EXPECT_EQ(octants.size(), 8u);
}

// Through the store: an outline with a part inside and the outline of a building
// relation are not drawn; the part is, with the colour of its outline.
TEST_F(GeometryGeneratorTest, OutlinesWithPartsOrABuildingRelationAreLeftToTheirParts)
{
    OsmFileBuilder osm;
    const double lon = blockLon(2), lat = blockLat(3);
    osm.square("401", lon, lat, 0.0004, true, {{"building", "yes"}, {"building:colour", "white"}});
    osm.square("402", lon, lat, 0.0002, false, {{"building:part", "yes"}, {"height", "30"}});
    osm.square("403", lon + 0.0012, lat, 0.0004, true, {{"building", "yes"}});
    osm.square("404", lon + 0.0024, lat, 0.0004, true, {{"building", "yes"}});
    osm.roledRelation("410", {{"403", "outline"}, {"404", "part"}}, {{"type", "building"}});
    const auto extract = load(osm, "generator_parts.osm");
    GeometryGenerator located(mapNode, extract.get(), origin, -1);
    const Cell cell = cellOf(*extract, lon, lat);
    const GeometryGenerator::CellNodes nodes = located.generateCell(cell.first, cell.second);
    const auto* building = dynamic_cast<const Building*>(nodes.built.at(0).get());
    ASSERT_NE(building, nullptr);
    std::vector<OsmId> drawn;
    for (const Building::Drawn& d : building->drawnBuildings())
        drawn.push_back(d.id);
    EXPECT_EQ(drawn, (std::vector<OsmId>{404, 402}));
    const auto* wallColours = static_cast<const osg::Vec4Array*>(building->walls()->getColorArray());
    EXPECT_EQ(wallColours->back(), osg::Vec4f(1.0f, 1.0f, 1.0f, 1.0f));
    EXPECT_EQ(wallColours->size(), 32u);
}

TEST_F(GeometryGeneratorTest, ColorSchemesRecolourTheSharedUniforms)
{
    const auto mappedShare = [&] {
        float share = -1.0f;
        generator->mappedColours->get(share);
        return share;
    };
    // A scene starts with the mapped colours, plaster where nothing is mapped.
    EXPECT_EQ(vec3Of(generator->buildingColor.get()), osg::Vec3f(0.88f, 0.85f, 0.80f));
    EXPECT_EQ(mappedShare(), 1.0f);
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
    EXPECT_EQ(mappedShare(), 0.0f);
    generator->setColorScheme(1);
    EXPECT_EQ(vec3Of(generator->primaryColor.get()), osg::Vec3f(1.0f, 0.88f, 0.41f));
    generator->setColorScheme(1);
    generator->setColorScheme(4);
    generator->setColorScheme(-1);
    EXPECT_EQ(vec3Of(generator->primaryColor.get()), osg::Vec3f(1.0f, 0.88f, 0.41f));
    generator->setColorScheme(2);
    EXPECT_EQ(vec3Of(generator->buildingColor.get()), osg::Vec3f(0.9f, 0.4f, 0.4f));
    EXPECT_EQ(mappedShare(), 0.0f);
    generator->setColorScheme(3);
    EXPECT_EQ(mappedShare(), 1.0f);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "OSM Color\nGOOGLEMAP Color\nGOOGLEMAP Color\nModel Color\nMapped colours\n");
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
    GeometryGenerator partialGenerator(mapNode, store.get(), origin, -1);
    osgDB::setDataFilePathList(saved);

    EXPECT_EQ(partialGenerator.streetProgram->getNumShaders(), 2u);
    EXPECT_EQ(partialGenerator.waterProgram->getNumShaders(), 0u);
    const std::vector<osg::ref_ptr<osg::Node>> built =
        partialGenerator.generateCell(blockCell(3, 3).first, blockCell(3, 3).second).built;
    ASSERT_EQ(built.size(), 2u);
    EXPECT_EQ(built[1]->getStateSet()->getAttribute(osg::StateAttribute::PROGRAM),
              partialGenerator.streetProgram.get());
}
} // namespace
