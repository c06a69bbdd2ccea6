#include "geometry/BuildingColours.h"
#include "geometry/BuildingHeights.h"
#include "geometry/ColourTag.h"
#include "geometry/RoofShape.h"
#include "geometry/TagNumber.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
TEST(BuildingTags, LengthsDirectionsAndColoursAsMappersWriteThem)
{
    const std::pair<const char*, double> lengths[] = {
        {"12", 12.0},  {" 12 m", 12.0}, {"12,5", 12.5},     {"12.5 metres", 12.5}, {"40 ft", 12.192},
        {"40'", 12.192}, {"10'6\"", 3.2004}, {"-5", 0.0}, {"tall", 0.0}, {"12 km", 0.0}, {"10'x", 0.0}, {"", 0.0}};
    for (const auto& [text, metres] : lengths)
        EXPECT_NEAR(tagLength(text), metres, 1e-9) << text;

    const std::pair<const char*, double> directions[] = {
        {"N", 0.0}, {"nne", 22.5}, {"SW", 225.0}, {"NNW", 337.5}, {"-90", 270.0}, {"400", 40.0}, {"247,5", 247.5}};
    for (const auto& [text, degrees] : directions)
    {
        double read = -1.0;
        EXPECT_TRUE(readRoofDirection(text, read)) << text;
        EXPECT_DOUBLE_EQ(read, degrees) << text;
    }
    for (const char* text : {"", "up", "NNNE", "nan"})
    {
        double read = -1.0;
        EXPECT_FALSE(readRoofDirection(text, read)) << text;
    }

    const std::pair<const char*, osg::Vec3f> colours[] = {
        {"red", {1, 0, 0}},
        {"#f80", {1, 0x88 / 255.0f, 0}},
        {"#FF8000", {1, 0x80 / 255.0f, 0}},
        {"DarkRed", {0x8b / 255.0f, 0, 0}},
        {"light grey", {0xd3 / 255.0f, 0xd3 / 255.0f, 0xd3 / 255.0f}},
        {"rebeccapurple", {0x66 / 255.0f, 0x33 / 255.0f, 0x99 / 255.0f}},
    };
    for (const auto& [text, rgb] : colours)
    {
        osg::Vec3f read;
        EXPECT_TRUE(readColourTag(text, read)) << text;
        EXPECT_NEAR((read - rgb).length(), 0.0f, 1e-3f) << text;
    }
    for (const char* text : {"", "reddish", "#12345", "#ggg", "#ff0000ff", "transparent", "red;blue"})
    {
        osg::Vec3f read;
        EXPECT_FALSE(readColourTag(text, read)) << text;
    }
}

TEST(BuildingTags, HeightsFromHeightThenLevelsThenRecordThenSizeRule)
{
    struct Case
    {
        Tags tags;
        int recordLevels;
        const char* recordHeight;
        double defaultRoof;
        bool flat;
        double bottom, eaves, top;
    };
    const Case cases[] = {
        {{{"height", "20"}, {"roof:height", "5"}}, 0, "", 3, false, 0, 15, 20},
        {{{"height", "20"}, {"roof:levels", "2"}}, 0, "", 3, false, 0, 14, 20},
        {{{"height", "20"}}, 0, "", 3, false, 0, 17, 20},
        // A flat roof has no height of its own: the walls reach the top.
        {{{"height", "20"}, {"roof:height", "5"}}, 0, "", 0, true, 0, 20, 20},
        {{{"building:levels", "4"}, {"roof:levels", "1"}}, 0, "", 3, false, 0, 12, 15},
        {{{"building:levels", "4"}, {"building:min_level", "2"}}, 0, "", 0, true, 6, 12, 12},
        {{{"height", "30"}, {"min_height", "10 m"}}, 0, "", 0, true, 10, 30, 30},
        // A roof higher than the building leaves no walls.
        {{{"height", "8"}, {"min_height", "2"}, {"roof:height", "9"}}, 0, "", 3, false, 2, 2, 8},
        {{{"height", "tall"}}, 5, "", 0, true, 0, 15, 15},
        {{}, 5, "21", 0, true, 0, 21, 21},
        {{}, 0, "", 2, false, 0, 42, 44},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
    {
        const Case& c = cases[i];
        WayInfo record;
        record.levels = c.recordLevels;
        record.height = c.recordHeight;
        const BuildingHeights h = BuildingHeights::read(c.tags, record, 42.0, c.defaultRoof, c.flat);
        EXPECT_DOUBLE_EQ(h.bottom, c.bottom) << "case " << i;
        EXPECT_DOUBLE_EQ(h.eaves, c.eaves) << "case " << i;
        EXPECT_DOUBLE_EQ(h.top, c.top) << "case " << i;
    }
}

TEST(BuildingTags, ColoursFromTagThenMaterialThenRoofShape)
{
    const BuildingColours tagged = BuildingColours::read(
        {{"building:colour", "white"}, {"building:material", "brick"}, {"roof:colour", "#000"}}, true);
    EXPECT_EQ(tagged.walls, osg::Vec4f(1, 1, 1, 1));
    EXPECT_EQ(tagged.roof, osg::Vec4f(0, 0, 0, 1));

    const BuildingColours material = BuildingColours::read({{"building:colour", "no"}, {"building:material", "brick"},
                                                            {"roof:material", "slate"}}, true);
    EXPECT_EQ(material.walls.a(), 1.0f);
    EXPECT_GT(material.walls.r(), material.walls.b());
    EXPECT_EQ(material.roof.a(), 1.0f);
    EXPECT_NE(material.roof, BuildingColours::read({}, true).roof);

    // Nothing mapped on a flat roof: the scheme shows; a pitched one reads as tiles.
    EXPECT_EQ(BuildingColours::read({}, false).walls.a(), 0.0f);
    EXPECT_EQ(BuildingColours::read({}, false).roof.a(), 0.0f);
    EXPECT_EQ(BuildingColours::read({}, true).roof.a(), 1.0f);

    EXPECT_EQ(RoofShape::read({{"roof:shape", "half-hipped"}}).kind, RoofShape::Kind::HalfHipped);
    EXPECT_EQ(RoofShape::read({{"roof:shape", "Gabled"}}).kind, RoofShape::Kind::Flat);
    const RoofShape across = RoofShape::read({{"roof:orientation", "across"}, {"roof:direction", "x"}});
    EXPECT_TRUE(across.across);
    EXPECT_FALSE(across.hasDirection);
}
} // namespace
