#include "OsmTestFiles.h"
#include "ScratchDirectory.h"
#include "StoreEquality.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <osmium/io/any_input.hpp>
#include <osmium/io/any_output.hpp>

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <utility>
#include <vector>

using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace
{
// libosmium's own writer makes the other formats from the XML file.
std::string convert(const std::string& source, const std::string& target, const char* format)
{
    osmium::io::Reader reader(osmium::io::File(source, "osm"));
    osmium::io::Writer writer(osmium::io::File(target, format), reader.header());
    while (osmium::memory::Buffer buffer = reader.read())
        writer(std::move(buffer));
    writer.close();
    reader.close();
    return target;
}

std::string member(const char* type, const char* ref, const char* role)
{
    return std::string("  <member type=\"") + type + "\" ref=\"" + ref + "\" role=\"" + role + "\"/>\n";
}

std::string tag(const char* k, const char* v)
{
    return std::string("  <tag k=\"") + k + "\" v=\"" + v + "\"/>\n";
}

// The formats keep seven decimals, so the coordinates have no more (some have trailing
// zeros). A negative node comes first (OPL is told by "n-"), ways come before some of
// their nodes, relations after their ways; tag order matters to the levels.
std::string craftedDocument()
{
    const std::vector<std::string> ring{"-5", "-6", "1", "2", "-5"};
    const std::vector<std::string> lake{"3", "4", "5000000000", "3"};
    const std::vector<std::string> line{"1", "5000000000", "6"};
    return osmDocument(
        osmNodeText("-5", "43.7300000", "7.4200000") + osmNodeText("-6", "43.7300100", "7.42") +
        osmNodeText("1", "43.7301", "7.4201234") +
        osmWay("10", ring,
               {{"building", "yes"}, {"building:levels", "3"}, {"roof:shape", "gabled"}, {"source", "survey"},
                {"roof:colour", "red"}, {"addr:street", "Rue Grimaldi"}, {"name", "Villa"}}) +
        osmWay("11", ring, {{"building", "stadium"}, {"height", "12&amp;5 m \xC3\xA9"}}) + osmWay("12", ring) +
        osmWay("13", ring, {{"building:part", "yes"}}) + osmNodeText("2", "43.7312345", "7.4212345") +
        osmNodeText("3", "43.7400000", "7.4300000") + osmNodeText("4", "43.7401", "7.4311") +
        osmNodeText("5000000000", "43.7499999", "7.4399999") + osmNodeText("6", "43.7410000", "7.4410000") +
        osmNodeText("6", "43.7420001", "7.4420001") + osmNodeText("-7", "-33.8612345", "-0.0012345") +
        osmNodeText("-8", "-33.8600000", "-0.0000001") + osmWay("20", lake, {{"natural", "water"}}) +
        osmWay("21", lake) + osmWay("22", lake) + osmWay("23", lake, {{"waterway", "riverbank"}}) +
        osmWay("24", lake, {{"seamark:type", "fairway"}}) + osmWay("30", line, {{"highway", "motorway"}}) +
        osmWay("31", line,
               {{"highway", "primary"}, {"bridge", "yes"}, {"width", "7.5"}, {"lanes", "2"}, {"layer", "1"},
                {"surface", "asphalt"}, {"name", "Boulevard"}}) +
        osmWay("25", lake, {{"landuse", "grass"}, {"name", "Pr\xC3\xA9"}}) +
        osmWay("26", line, {{"natural", "coastline"}}) + osmWay("27", line, {{"natural", "tree_row"}}) +
        " <node id=\"70\" lat=\"43.7350000\" lon=\"7.4250000\">\n" + tag("natural", "tree") + tag("height", "8") +
        tag("source", "survey") + tag("name", "Olivier") + " </node>\n" +
        osmWay("32", line, {{"highway", "tertiary"}, {"tunnel", "yes"}}) +
        osmWay("33", line, {{"highway", "living_street"}}) +
        osmWay("34", line, {{"highway", "footway"}, {"bridge", "viaduct"}}) +
        osmWay("35", line, {{"railway", "rail"}}) +
        osmWay("36", {"-7", "-8"}, {{"railway", "tram"}, {"highway", "secondary"}, {"bridge", "yes"}}) +
        osmWay("37", line, {{"waterway", "stream"}}) + osmWay("38", {"7", "8"}, {{"highway", "primary"}}) +
        " <relation id=\"-40\">\n" + member("way", "12", "outer") + member("way", "13", "part") +
        member("node", "1", "entrance") + tag("building:levels", "7") + tag("building", "yes") + tag("height", "30") +
        tag("type", "building") + " </relation>\n <relation id=\"41\">\n" + member("way", "21", "outer") +
        member("way", "22", "inner") + member("relation", "-40", "") + tag("natural", "water") +
        tag("type", "multipolygon") + tag("name", "Lac") + " </relation>\n" +
        osmRelation("5000000001", {"23", "24"}, {{"seamark:type", "fairway"}}) +
        osmRelation("42", {"99"}, {{"type", "multipolygon"}, {"name", "Nowhere"}}));
}

class OsmFormatsTest : public ::testing::Test
{
protected:
    // Each conversion of the XML file loads in its own format into the XML file's store.
    void expectSameStoreInEveryFormat(const std::string& xml, const std::string& stem)
    {
        const auto expected = loadStore(xml);
        EXPECT_EQ(expected->format(), OsmFormat::Xml);
        const std::pair<const char*, OsmFormat> conversions[] = {{"pbf", OsmFormat::Pbf},
                                                                 {"osm.gz", OsmFormat::XmlGzip},
                                                                 {"osm.bz2", OsmFormat::XmlBzip2},
                                                                 {"opl", OsmFormat::Opl}};
        for (const auto& [name, format] : conversions)
        {
            SCOPED_TRACE(name);
            const auto store = loadStore(convert(xml, scratch.path(stem + "." + name), name));
            EXPECT_EQ(store->format(), format);
            EXPECT_TRUE(sameStores(*expected, *store));
        }
    }

    ScratchDirectory scratch;
};

std::string failureOf(const std::string& path)
{
    try
    {
        loadStore(path);
    }
    catch (const std::runtime_error& error)
    {
        return error.what();
    }
    return "(loaded)";
}

int linesStartingWith(const std::string& text, const std::string& start)
{
    int count = 0;
    for (std::size_t at = 0; at < text.size(); at = text.find('\n', at) + 1)
    {
        count += text.compare(at, start.size(), start) == 0;
        if (text.find('\n', at) == std::string::npos)
            break;
    }
    return count;
}

std::string bytesOf(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
} // namespace

TEST_F(OsmFormatsTest, CraftedFileGivesTheSameStoreInEveryFormat)
{
    const std::string xml = scratch.write("crafted.osm", craftedDocument());
    // Every part of the store has something to compare.
    const auto store = loadStore(xml);
    EXPECT_EQ(store->allBuildings().size(), 4u);
    EXPECT_EQ(store->allBuildingInfos().size(), 4u);
    EXPECT_EQ(store->allStreetInfos().size(), 8u);
    ASSERT_EQ(store->waterRingGroups().size(), 3u);
    EXPECT_EQ(store->waterRingGroups()[1].size(), 2u);
    expectSameStoreInEveryFormat(xml, "crafted");
}

TEST_F(OsmFormatsTest, CraftedFileKeepsTheTagsTheCityIsDrawnAndFoundBy)
{
    const auto store = loadStore(scratch.write("crafted.osm", craftedDocument()));
    const std::string kept = keptText(*store);
    const std::string ring = " [-5 -6 1 2 -5 ]";
    const std::string lake = " [3 4 5000000000 3 ]";
    const std::string line = " [1 5000000000 6 ]";
    for (const std::string& expected :
         {"building 10" + ring + " building=yes building:levels=3 roof:shape=gabled roof:colour=red addr:street=Rue Grimaldi name=Villa\n",
          "street 31" + line + " highway=primary bridge=yes width=7.5 lanes=2 layer=1 name=Boulevard\n",
          "part 13" + ring + " building:part=yes\n", "area 20" + lake + " natural=water\n",
          "area 23" + lake + " waterway=riverbank\n", "area 25" + lake + " landuse=grass name=Pr\xC3\xA9\n",
          "coast 26" + line + " natural=coastline\n", "treerow 27" + line + " natural=tree_row\n",
          std::string("natural=tree height=8 name=Olivier\n"),
          "relation -40 building:levels=7 building=yes height=30 type=building\n member 1 12 outer" + ring +
              "\n member 1 13 part" + ring + "\n member 0 1 entrance []\n",
          "relation 41 natural=water type=multipolygon name=Lac\n member 1 21 outer" + lake + "\n member 1 22 inner" +
              lake + "\n member 2 -40  []\n"})
        EXPECT_THAT(kept, HasSubstr(expected));
    // Unclosed or untagged ways are no areas; a relation without any way in the file has no cell.
    EXPECT_EQ(linesStartingWith(kept, "area "), 3);
    EXPECT_EQ(linesStartingWith(kept, "relation "), 2);

    // Names in the order of the passes (nodes and relations, then ways); the relation
    // whose ways are all missing has no place. A relation lies in the middle of its first way.
    std::vector<std::string> names;
    for (const NamedPlace& place : store->allNamed())
        names.emplace_back(place.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Olivier", "Lac", "Villa", "Boulevard", "Pr\xC3\xA9"}));
    const NamedPlace lac = store->allNamed()[1];
    EXPECT_EQ(lac.type, OsmType::Relation);
    EXPECT_EQ(lac.lat, static_cast<float>((double(43.74f) + double(43.7499999f)) / 2));
    EXPECT_EQ(lac.lon, static_cast<float>((double(7.43f) + double(7.4399999f)) / 2));
}

TEST_F(OsmFormatsTest, MonacoGivesTheSameStoreInEveryFormat)
{
    expectSameStoreInEveryFormat(ORVALIS_SOURCE_DIR "/samples/monaco.osm", "monaco");
}

TEST_F(OsmFormatsTest, FormatIsToldByContentNotByName)
{
    const std::string xml = scratch.write("crafted.osm", craftedDocument());
    const auto expected = loadStore(xml);
    const std::pair<std::string, OsmFormat> misnamed[] = {
        {convert(xml, scratch.path("pbf.osm"), "pbf"), OsmFormat::Pbf},
        {convert(xml, scratch.path("gzip.pbf"), "osm.gz"), OsmFormat::XmlGzip}};
    for (const auto& [path, format] : misnamed)
    {
        const auto store = loadStore(path);
        EXPECT_EQ(store->format(), format) << path;
        EXPECT_TRUE(sameStores(*expected, *store)) << path;
    }
}

TEST_F(OsmFormatsTest, BrokenFilesFailNamingTheFileAndTheProblem)
{
    // Many blocks, so that the damage lies after some that read well.
    const std::string pbf = bytesOf(convert(ORVALIS_SOURCE_DIR "/samples/monaco.osm", scratch.path("m.pbf"), "pbf"));
    std::string flipped = pbf;
    for (std::size_t i = pbf.size() / 2; i < pbf.size() / 2 + 64; ++i)
        flipped[i] = static_cast<char>(~flipped[i]);

    const std::string empty = scratch.write("empty.osm", "");
    EXPECT_EQ(failureOf(empty), empty + ": empty file");
    const std::string junk = scratch.write("junk.osm", std::string("\x7F\x01\x02garbage\0\xFE", 12));
    EXPECT_THAT(failureOf(junk), StartsWith(junk + ": not an OSM file"));

    const std::pair<std::string, std::string> damaged[] = {
        {scratch.write("cut.pbf", pbf.substr(0, pbf.size() / 2)), "pbf"},
        {scratch.write("flipped.pbf", flipped), "pbf"},
        {scratch.write("bad.osm.bz2", "BZh91AY&SY not really bzip2 data at all"), "xml.bz2"},
        {scratch.write("bad.osm.gz", "\x1F\x8B not really gzip data at all"), "xml.gz"}};
    for (const auto& [path, format] : damaged)
    {
        const std::string prefix = path + ": cannot read " + format + ": ";
        const std::string message = failureOf(path);
        EXPECT_THAT(message, StartsWith(prefix));
        // libosmium says what is wrong after it.
        EXPECT_GT(message.size(), prefix.size() + 3) << message;
    }
}
