#include "CapturedOutput.h"
#include "OsmTestFiles.h"
#include "ScratchDirectory.h"
#include "StoreEquality.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <rapidxml/rapidxml.hpp>

#include <filesystem>
#include <stdexcept>

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::Property;
using ::testing::StartsWith;
using ::testing::Throws;

namespace
{
const std::string progressLines = " start parser 1 \n start parser 2\n";

// Children in an unusual order, so that where each pass begins matters: a relation
// before the nodes, a node after the ways, a way that carries coordinates.
std::vector<std::string> mixedChildren()
{
    return {" <bounds minlat=\"43.7\" minlon=\"7.4\" maxlat=\"43.8\" maxlon=\"7.5\"/>\n",
            osmRelation("901", {"13"}, {{"natural", "water"}}),
            osmNode("1", 43.70, 7.40),
            osmNode("2", 43.70, 7.41),
            osmNode("3", 43.71, 7.41),
            osmNode("4", 43.72, 7.42),
            osmNode("5", 43.72, 7.43),
            osmNode("6", 43.73, 7.43),
            osmWay("11", {"1", "2", "3", "1"}, {{"building", "yes"}, {"height", "1&amp;2"}}),
            osmNode("9", 43.74, 7.44),
            osmWay("12", {"1", "9"}, {{"highway", "primary"}, {"bridge", "yes"}}),
            osmWay("13", {"4", "5", "6", "4"}),
            " <way id=\"14\" lat=\"43.76\" lon=\"7.46\"><nd ref=\"2\"/><tag k=\"natural\" v=\"water\"/></way>\n",
            osmRelation("902", {"11"}, {{"building", "yes"}, {"building:levels", "3"}})};
}

std::string joined(const std::vector<std::string>& children, const std::string& between = "")
{
    std::string text;
    for (const std::string& child : children)
        text += child + between;
    return text;
}

class OsmFileFormatTest : public ::testing::Test
{
protected:
    std::unique_ptr<OsmParser> load(const std::string& name, const std::string& bytes)
    {
        return loadStore(scratch.write(name, bytes));
    }

    ScratchDirectory scratch;
};
} // namespace

TEST_F(OsmFileFormatTest, LoadingWritesTheProgressLinesAndTheStoreSaysGoodbye)
{
    const std::string children = joined(mixedChildren());
    for (const std::string& text : {osmDocument(children), "<osm>stray text\n" + children + "</osm>"})
    {
        CapturedOutput output;
        int columns = 0;
        int rows = 0;
        auto store = std::make_unique<OsmParser>(scratch.write("progress.osm", text), columns, rows, defaultGridSize);
        EXPECT_EQ(output.text(), progressLines);
        store.reset();
        EXPECT_EQ(output.text(), progressLines + "~OsmParser\n");
    }
}

TEST_F(OsmFileFormatTest, FilesThatCannotBeOpenedNameThePath)
{
    const std::string folder = scratch.path("folder.osm");
    std::filesystem::create_directory(folder);
    for (const std::string& path : {scratch.path("missing.osm"), folder, std::string("relative/missing.osm")})
    {
        CapturedOutput output;
        int columns = 0;
        int rows = 0;
        try
        {
            OsmParser store(path, columns, rows, defaultGridSize);
            ADD_FAILURE() << "loaded " << path;
        }
        catch (const std::runtime_error& error)
        {
            EXPECT_EQ(std::string(error.what()), "cannot open file " + path);
        }
        EXPECT_EQ(output.text(), "");
    }
}

TEST_F(OsmFileFormatTest, MalformedXmlThrowsTheParsersOwnError)
{
    const std::string node = "<node id=\"1\" lat=\"1\" lon=\"2\"/>";
    std::string manyNodes;
    for (int i = 0; i < 20000; ++i)
        manyNodes += osmNode(std::to_string(i), 43.7, 7.4);
    const std::pair<std::string, std::string> cases[] = {
        {"<osm><node id=\"1\" lat=\"1\" lon=\"2\"", "expected >"},
        {"<osm><node id=1 lat=\"1\" lon=\"2\"/></osm>", "expected ' or \""},
        {"<osm>" + node, "unexpected end of data"},
        {"<osm><node id=\"1\" lat=\"&#xZZ;\" lon=\"2\"/></osm>", "expected ;"},
        {"<osm>" + node + "</osm><", "expected element name"},
        {"junk<osm>" + node + "</osm>", "expected <"},
        {"<osm><node id=\"1\" lat=\"1\" lon=\"2\" bad/></osm>", "expected ="},
        // The fault comes only after the reader has streamed megabytes of good elements.
        {osmDocument(manyNodes + "<way id=\"5\"><nd ref=1/></way>\n"), "expected ' or \""},
        {"<osm>\n" + manyNodes, "unexpected end of data"}};
    for (const auto& [text, message] : cases)
    {
        CapturedOutput output;
        try
        {
            load("malformed.osm", text);
            ADD_FAILURE() << "loaded " << text.substr(0, 60);
        }
        catch (const std::runtime_error& error)
        {
            EXPECT_THAT(error.what(), StartsWith(scratch.path("malformed.osm") + ": line "));
            EXPECT_THAT(error.what(), EndsWith(": malformed XML: " + message)) << text.substr(0, 60);
        }
        EXPECT_THAT(output.text(), Not(HasSubstr("start parser"))) << text.substr(0, 60);
    }
}

// The root's own tags are markup like any other: the parser rejects them when broken.
TEST_F(OsmFileFormatTest, MalformedRootTagsThrowTheParsersOwnErrorToo)
{
    const std::string children = osmNode("1", 43.7, 7.4) + osmWay("5", {"1"}, {{"building", "yes"}});
    const std::string cases[] = {"<osm version=0.6>" + children + "</osm>", "<osm generator>" + children + "</osm>",
                                 "<osm generator=\"&#65\">" + children + "</osm>", "<osm>" + children + "</osm junk>"};
    for (const std::string& text : cases)
        EXPECT_THAT([&] { load("root.osm", text); }, Throws<std::runtime_error>(Property(
                                                         &std::runtime_error::what, HasSubstr(": malformed XML: "))))
            << text.substr(0, 40);
}

// A file the streamed reading does not take is read whole, which costs about three
// times its size: above a limit it is refused before anything is read.
TEST_F(OsmFileFormatTest, LargeFilesThatMustBeReadWholeAreRefusedUnread)
{
    const std::string path = scratch.write("sparse.osm", "<osm>text " + osmNode("1", 43.7, 7.4));
    std::filesystem::resize_file(path, std::uintmax_t(513) << 20);
    try
    {
        loadStore(path);
        ADD_FAILURE() << "loaded";
    }
    catch (const std::runtime_error& error)
    {
        EXPECT_THAT(error.what(), StartsWith(path + ": 513 MB of XML that is malformed or not plain OSM XML"));
    }
}

// The parser would end the text at a NUL byte and drop what follows without a word:
// a NUL anywhere, in a comment, between or inside elements, is refused with its offset.
TEST_F(OsmFileFormatTest, ANulByteIsRefusedWithItsOffset)
{
    const std::string children = osmNode("1", 43.7, 7.4) + osmWay("5", {"1"}, {{"building", "yes"}});
    const std::string nul(1, '\0');
    const std::string cases[] = {"<!-- " + nul + " --><osm>" + children + "</osm>",
                                 "<osm>" + children + nul + children + "</osm>",
                                 "<osm>" + children + "</osm>" + nul + std::string(100000, '\0')};
    for (const std::string& text : cases)
    {
        const std::string path = scratch.path("nul.osm");
        try
        {
            load("nul.osm", text);
            ADD_FAILURE() << "loaded";
        }
        catch (const std::runtime_error& error)
        {
            EXPECT_EQ(std::string(error.what()),
                      path + ": NUL byte at offset " + std::to_string(text.find('\0')) + ": not XML text");
        }
    }
}

TEST_F(OsmFileFormatTest, EntitiesAndCharacterReferencesAreDecoded)
{
    const std::string children =
        " <node id=\"&#49;\" lat=\"43.7\" lon=\"7.4\"/>\n <node id=\"2\" lat=\"4&#51;.71\" lon=\"7.41\"/>\n"
        " <way id=\"&#x31;0\"><nd ref=\"&#49;\"/><nd ref=\"2\"/><tag k=\"build&#105;ng\" v=\"yes\"/>"
        "<tag k=\"height\" v=\"12&amp;5 &lt;m&gt; &quot;&apos; &#233;&#x20AC;\"/></way>\n";
    for (const std::string& text : {osmDocument(children), "<osm>text" + children + "</osm>"})
    {
        const auto store = load("entities.osm", text);
        ASSERT_EQ(store->allBuildings().size(), 1u);
        const WayGeometry building = store->allBuildings()[0];
        EXPECT_EQ(building.id, 10);
        ASSERT_EQ(building.nodes.size(), 2u);
        EXPECT_EQ(building.nodes[0].id, 1);
        EXPECT_EQ(building.nodes[1].lat, 43.71f);
        ASSERT_EQ(store->allBuildingInfos().size(), 1u);
        EXPECT_EQ(store->allBuildingInfos()[0].height, "12&5 <m> \"' \xC3\xA9\xE2\x82\xAC");
    }
}

TEST_F(OsmFileFormatTest, EveryShapeOfTheSameContentGivesTheSameStore)
{
    const std::vector<std::string> children = mixedChildren();
    const auto plain = load("plain.osm", osmDocument(joined(children)));
    // What the walk order makes of the mixed content: the way with coordinates is a
    // node, and after the first relation it is read as a water relation as well.
    EXPECT_EQ(plain->nodeCount(), 8u);
    EXPECT_EQ(plain->waterRingGroups().size(), 3u);
    EXPECT_EQ(plain->allBuildingInfos().size(), 1u);
    EXPECT_EQ(plain->allStreetInfos().size(), 1u);

    const std::string shapes[] = {
        "\xEF\xBB\xBF<?xml version=\"1.0\"?>\r\n<!-- exported -->\r\n<!DOCTYPE osm>\r\n<?style sheet?>\r\n"
        "<osm version=\"0.6\">\r\n" +
            joined(children, "<!-- between -->\r\n<?pi x?>\t") + "</osm>\r\n<!-- end -->\r\n<?done?>\n",
        "<osm>\n stray text\n" + joined(children) + "</osm>\n", osmDocument(joined(children)) + "<extra/>\n",
        "<!DOCTYPE osm [ <!ELEMENT osm ANY> ]>\n" + osmDocument(joined(children)),
        "<osm><![CDATA[raw]]>" + joined(children) + "</osm>"};
    for (const std::string& shape : shapes)
    {
        CapturedOutput output;
        int columns = 0;
        int rows = 0;
        OsmParser store(scratch.write("shape.osm", shape), columns, rows, defaultGridSize);
        EXPECT_TRUE(sameStores(*plain, store)) << shape.substr(0, 60);
        EXPECT_EQ(output.text(), progressLines);
    }
}

TEST_F(OsmFileFormatTest, LargeFilesGiveTheSameStoreStreamedAndWhole)
{
    std::string children;
    for (int i = 0; i < 30000; ++i)
        children += osmNode(std::to_string(i), 43.70 + (i % 173) * 1e-4, 7.40 + (i % 211) * 1e-4);
    for (int i = 0; i < 3000; ++i)
    {
        const std::vector<std::string> refs{std::to_string(i * 7), std::to_string(i * 7 + 1), std::to_string(i * 7 + 2),
                                            std::to_string(i * 7)};
        children += osmWay("1" + std::to_string(i), refs, {{"building", "yes"}, {"building:levels", "2"}});
    }
    // One element bigger than the blocks the reader takes at a time.
    std::vector<std::string> longRefs;
    for (int i = 0; i < 200000; ++i)
        longRefs.push_back(std::to_string(i % 30000));
    children += osmWay("2", longRefs, {{"highway", "residential"}});
    children += osmRelation("3", {"15", "16"}, {{"natural", "water"}});

    const auto streamed = load("streamed.osm", osmDocument(children));
    const auto whole = load("whole.osm", "<osm>text" + children + "</osm>");
    ASSERT_EQ(streamed->allBuildings().size(), 3000u);
    ASSERT_EQ(streamed->allStreets().size(), 1u);
    EXPECT_EQ(streamed->allStreets()[0].nodes.size(), 200000u);
    EXPECT_EQ(streamed->waterRingGroups().at(1).size(), 2u);
    EXPECT_TRUE(sameStores(*whole, *streamed));
}
