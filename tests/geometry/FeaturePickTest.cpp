#include "geometry/FeaturePick.h"

#include "OsmFileBuilder.h"
#include "TestTerrain.h"
#include "geometry/Building.h"
#include "geometry/FeatureHighlight.h"
#include "geometry/GeometryGenerator.h"
#include "globe/SpatialReference.h"
#include "osm/OsmParser.h"

#include <gtest/gtest.h>
#include <osg/MatrixTransform>

#include <optional>

namespace
{
using testTerrain::blockLat;
using testTerrain::blockLon;

struct Expected
{
    const char* what;
    double lon;
    double lat;
    std::optional<FeatureSpans::Feature> feature;
};

// What a ray straight down at (lon, lat) picks in the scene.
std::optional<FeaturePick> pickDown(osg::Node& scene, double lon, double lat)
{
    const globe::SpatialReference* wgs84 = globe::SpatialReference::get("wgs84");
    osg::Vec3d top;
    osg::Vec3d bottom;
    wgs84->transformToWorld(osg::Vec3d(lon, lat, 5000.0), top);
    wgs84->transformToWorld(osg::Vec3d(lon, lat, -500.0), bottom);
    return pickFeature(scene, top, bottom);
}
} // namespace

// A crafted block: a building; an outline whose part floats 10 m up; a street bridging
// a lake; a courtyard block mapped as a multipolygon; a park; empty ground. Rays from
// above name what they meet first, fall through the courtyard, and highlight it.
TEST(FeaturePick, RaysFromAboveNameWhatTheyMeetFirst)
{
    testTerrain::findSourceShaders();
    const double x = blockLon(2);
    const double y = blockLat(2);
    OsmFileBuilder osm;
    osm.square("11", x - 0.003, y, 0.0002, false, {{"building", "yes"}, {"height", "12"}});
    osm.square("12", x - 0.002, y, 0.0003, false, {{"building", "yes"}});
    osm.square("13", x - 0.002, y, 0.0002, false, {{"building:part", "yes"}, {"min_height", "10"}, {"height", "20"}});
    osm.square("14", x, y, 0.0004, false, {{"natural", "water"}});
    osm.line("15", {{x - 0.0006, y}, {x + 0.0006, y}}, {{"highway", "primary"}, {"bridge", "yes"}, {"width", "10"}});
    osm.square("16", x + 0.002, y, 0.0004, false, {});
    osm.square("17", x + 0.002, y, 0.0002, true, {});
    osm.roledRelation("18", {{"16", "outer"}, {"17", "inner"}}, {{"type", "multipolygon"}, {"building", "yes"}});
    osm.square("19", x + 0.001, y, 0.0002, false, {{"leisure", "park"}});
    osm.write("pick_block.osm");
    int columns = 0;
    int rows = 0;
    testing::internal::CaptureStdout();
    OsmParser store("pick_block.osm", columns, rows, 0.005);
    const osg::Matrixd origin = testTerrain::sceneOriginAt(x, y);
    GeometryGenerator generator(testTerrain::mapNode(), &store, origin, -1);
    osg::ref_ptr<osg::MatrixTransform> placed = new osg::MatrixTransform(origin);
    placed->addChild(generator.generateWater().get());
    for (int column = 0; column < columns; ++column)
        for (int row = 0; row < rows; ++row)
            for (const auto& node : generator.generateCell(column, row).built)
                placed->addChild(node.get());
    testing::internal::GetCapturedStdout();
    osg::ref_ptr<osg::Group> scene = new osg::Group;
    scene->addChild(placed.get());

    using K = FeatureKind;
    const Expected cases[] = {
        {"building", x - 0.003, y, FeatureSpans::Feature{K::Building, OsmType::Way, 11}},
        {"part above its outline", x - 0.002, y + 0.0001, FeatureSpans::Feature{K::BuildingPart, OsmType::Way, 13}},
        {"outline without its part", x - 0.002, y + 0.00025, std::nullopt},
        {"bridge over the lake", x + 0.0001, y, FeatureSpans::Feature{K::Street, OsmType::Way, 15}},
        {"lake beside the bridge", x, y + 0.0003, FeatureSpans::Feature{K::Water, OsmType::Way, 14}},
        {"courtyard block", x + 0.002, y + 0.0003, FeatureSpans::Feature{K::Building, OsmType::Relation, 18}},
        {"inside the courtyard", x + 0.002, y, std::nullopt},
        {"park", x + 0.001, y + 0.0001, FeatureSpans::Feature{K::LandCover, OsmType::Way, 19}},
        {"empty ground", x - 0.0025, y + 0.0003, std::nullopt},
    };
    for (const Expected& expected : cases)
    {
        SCOPED_TRACE(expected.what);
        const std::optional<FeaturePick> pick = pickDown(*scene, expected.lon, expected.lat);
        ASSERT_EQ(pick.has_value(), expected.feature.has_value());
        if (!pick)
            continue;
        EXPECT_EQ(pick->feature.kind, expected.feature->kind);
        EXPECT_EQ(pick->feature.type, expected.feature->type);
        EXPECT_EQ(pick->feature.id, expected.feature->id);
        EXPECT_LT(pick->firstVertex, pick->endVertex);
        EXPECT_TRUE(featureHighlight(*pick).valid());
        const std::optional<FeaturePick> found = findFeature(*scene, pick->feature.type, pick->feature.id);
        ASSERT_TRUE(found.has_value());
        EXPECT_EQ(found->geometry.get(), pick->geometry.get());
    }

    // As drawn: the building 12 m from foot to flat top; the part 10 m tall, 10 m up.
    const auto heightsOf = [&](double lon, double lat) {
        const std::optional<FeaturePick> pick = pickDown(*scene, lon, lat);
        const auto* building = dynamic_cast<const Building*>(pick->geometry->getParent(0));
        return building->heightsOf(pick->feature.type, pick->feature.id).value();
    };
    const Building::Heights building = heightsOf(x - 0.003, y);
    EXPECT_NEAR(building.top - building.bottom, 12.0, 0.01);
    EXPECT_NEAR(building.top, building.eaves, 0.01);
    const Building::Heights part = heightsOf(x - 0.002, y);
    EXPECT_NEAR(part.top - part.bottom, 10.0, 0.01);
    EXPECT_NEAR(part.bottom - building.bottom, 10.0, 0.5);
}
