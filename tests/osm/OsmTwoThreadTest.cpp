#include "CapturedOutput.h"
#include "OsmTestFiles.h"
#include "ScratchDirectory.h"
#include "StoreEquality.h"
#include "osm/OsmParser.h"

#include <gtest/gtest.h>

#include <rapidxml/rapidxml.hpp>

#include <algorithm>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

// Files of several megabytes are read on two threads, each sweep split at a child
// element near its middle. Wherever the split falls and whatever the second half
// assumed about the first, the store must be the one the whole-document parse
// gives (a stray text after the root's start tag makes the loader take that path).

namespace
{
constexpr int nodeCount = 40000;
constexpr int wayCount = 12000;

std::string nodeId(int i)
{
    return std::to_string(100000 + i);
}

// Nodes, then buildings and streets over them, then relations: about 6 MB.
std::vector<std::string> bigChildren()
{
    std::vector<std::string> children;
    for (int i = 0; i < nodeCount; ++i)
        children.push_back(osmNode(nodeId(i), 43.70 + (i % 211) * 1e-4, 7.40 + (i % 307) * 1e-4));
    for (int i = 0; i < wayCount; ++i)
    {
        std::vector<std::string> refs;
        for (int k = 0; k < 5; ++k)
            refs.push_back(nodeId((i * 3 + k * 7) % nodeCount));
        const TagTexts tags = i % 5 == 0 ? TagTexts{{"highway", "residential"}, {"name", "Rue " + std::to_string(i)}}
                                     : TagTexts{{"building", "yes"}, {"building:levels", std::to_string(i % 9)}};
        children.push_back(osmWay("4" + std::to_string(i), refs, tags));
    }
    children.push_back(osmRelation("1", {"45", "46000", "411999"}, {{"natural", "water"}}));
    children.push_back(osmRelation("2", {"w7", "w9000"}, {{"building", "yes"}, {"height", "21"}}));
    return children;
}

std::string joined(const std::vector<std::string>& children)
{
    std::string text;
    for (const std::string& child : children)
        text += child;
    return text;
}

// After every child, markup in which a search for the next child start finds
// one that is not: a comment, and elements nested in a root child.
std::vector<std::string> withDecoys(const std::vector<std::string>& children)
{
    const std::string decoys = " <!-- <node --><g><node id=\"999999999\" lat=\"1\" lon=\"1\"/><way id=\"999999999\"><nd ref=\"" +
                               nodeId(1) + "\"/><tag k=\"building\" v=\"yes\"/></way></g>\n";
    std::vector<std::string> result;
    for (const std::string& child : children)
        result.insert(result.end(), {child, decoys});
    return result;
}

class OsmTwoThreadTest : public ::testing::Test
{
protected:
    ::testing::AssertionResult sameAsWhole(const std::vector<std::string>& children)
    {
        const std::string text = joined(children);
        const auto streamed = loadStore(scratch.write("streamed.osm", osmDocument(text)));
        const auto whole = loadStore(scratch.write("whole.osm", "<osm>text\n" + text + "</osm>"));
        return sameStores(*whole, *streamed);
    }

    // The parser's message for the file (after the file and the line), or a note that it loaded.
    std::string parseError(const std::string& name, const std::string& text, std::string& output)
    {
        CapturedOutput captured;
        std::string message = "loaded";
        try
        {
            int columns = 0;
            int rows = 0;
            OsmParser store(scratch.write(name, text), columns, rows, defaultGridSize);
        }
        catch (const std::runtime_error& error)
        {
            message = error.what();
            const std::string after = ": malformed XML: ";
            EXPECT_EQ(message.rfind(scratch.path(name) + ": line ", 0), 0u) << message;
            message = message.substr(message.find(after) + after.size());
        }
        output = captured.text();
        return message;
    }

    ScratchDirectory scratch;
};
} // namespace

TEST_F(OsmTwoThreadTest, BigFilesGiveTheSameStoreAsTheWholeDocument)
{
    const std::vector<std::string> plain = bigChildren();
    EXPECT_TRUE(sameAsWhole(plain)) << "plain";
    EXPECT_TRUE(sameAsWhole(withDecoys(plain))) << "decoys";

    // An element with references just before the first way, in the second half: the
    // ways pass has not begun there.
    std::vector<std::string> wayLike = plain;
    wayLike.insert(wayLike.begin() + nodeCount - 10,
                   " <node id=\"77\" lat=\"43.7\" lon=\"7.4\"><nd ref=\"" + nodeId(1) + "\"/><nd ref=\"" +
                       nodeId(2) + "\"/><tag k=\"building\" v=\"yes\"/></node>\n");
    EXPECT_TRUE(sameAsWhole(wayLike)) << "way-like node";

    // Nodes given again near the end keep their first place and take the later
    // coordinates; ways given twice are stored twice.
    std::vector<std::string> repeated = plain;
    for (int i = 0; i < 2000; ++i)
        repeated.insert(repeated.begin() + nodeCount + i, osmNode(nodeId(i), 43.80, 7.50 + i * 1e-5));
    repeated.insert(repeated.end() - 2, osmWay("43", {nodeId(3), nodeId(4)}, {{"building", "yes"}}));
    EXPECT_TRUE(sameAsWhole(repeated)) << "repeated";

    // All nodes but one after the ways: the second half brings nearly every node.
    std::vector<std::string> nodesLate = plain;
    std::rotate(nodesLate.begin() + 1, nodesLate.begin() + nodeCount, nodesLate.end() - 2);
    EXPECT_TRUE(sameAsWhole(nodesLate)) << "nodes late";

    // The west bound is the first of two equal longitudes, 0 and -0, whichever
    // half of the ways each building lies in.
    std::vector<std::string> zeros = plain;
    zeros.insert(zeros.begin(), {osmNodeText("777777771", "43.7", "-0"), osmNodeText("777777772", "43.7", "0")});
    zeros.insert(zeros.begin() + nodeCount + 2 + 10, osmWay("777777773", {"777777771"}, {{"building", "yes"}}));
    zeros.insert(zeros.end() - 10, osmWay("777777774", {"777777772"}, {{"building", "yes"}}));
    EXPECT_TRUE(sameAsWhole(zeros)) << "zeros";
    const auto store = loadStore(scratch.write("zeros.osm", osmDocument(joined(zeros))));
    EXPECT_TRUE(std::signbit(store->minLon));
}

TEST_F(OsmTwoThreadTest, WhatTheSecondHalfAssumesAboutTheFirstIsChecked)
{
    // A relation first: every later element belongs to the relations pass, so the
    // ways tagged as water in the second half are water relations as well.
    std::vector<std::string> relationFirst = bigChildren();
    relationFirst.insert(relationFirst.begin(), osmRelation("3", {"41"}, {{"natural", "water"}}));
    for (int i = 9000; i < wayCount; i += 500)
        relationFirst.insert(relationFirst.begin() + nodeCount + 1 + i,
                             osmWay("5" + std::to_string(i), {nodeId(i), nodeId(i + 1)}, {{"natural", "water"}}));
    EXPECT_TRUE(sameAsWhole(relationFirst)) << "relation first";

    // Ways first: an element with coordinates before the first node is no node,
    // even when it lies in the second half.
    std::vector<std::string> waysFirst = bigChildren();
    std::rotate(waysFirst.begin(), waysFirst.begin() + nodeCount, waysFirst.end() - 2);
    waysFirst.insert(waysFirst.begin() + wayCount - 10, " <place id=\"888888888\" lat=\"43.75\" lon=\"7.45\"/>\n");
    EXPECT_TRUE(sameAsWhole(waysFirst)) << "ways first";
}

TEST_F(OsmTwoThreadTest, MalformedXmlInEitherHalfGivesTheParsersError)
{
    const std::vector<std::string> children = bigChildren();
    const std::string brokenNode = " <node id=\"999999998\" lat=\"1\" lon=2/>\n";
    const std::string brokenWay = " <way id=\"999999998\"><nd ref=1/></way>\n";
    const std::pair<std::size_t, std::string> cases[] = {
        {100, brokenNode}, {nodeCount - 100, brokenNode}, {nodeCount + 100, brokenWay},
        {nodeCount + wayCount - 100, brokenWay}};
    for (const auto& [position, broken] : cases)
    {
        std::vector<std::string> text = children;
        text.insert(text.begin() + static_cast<long>(position), broken);
        std::string streamedOutput;
        std::string wholeOutput;
        const std::string streamed = parseError("broken.osm", osmDocument(joined(text)), streamedOutput);
        const std::string whole = parseError("broken-whole.osm", "<osm>x" + joined(text) + "</osm>", wholeOutput);
        EXPECT_NE(streamed, "loaded") << position;
        EXPECT_EQ(streamed, whole) << position;
        EXPECT_EQ(streamedOutput, "") << position;
    }
}

// The reading reports how far it is on the loading thread, up to the whole file.
TEST_F(OsmTwoThreadTest, ProgressRisesToTheWholeFileOnTheLoadingThread)
{
    const std::string path = scratch.write("progress.osm", osmDocument(joined(bigChildren())));
    std::vector<double> fractions;
    bool otherThread = false;
    const std::thread::id loading = std::this_thread::get_id();
    int columns = 0;
    int rows = 0;
    CapturedOutput quiet;
    OsmParser store(path, columns, rows, defaultGridSize, [&](double fraction) {
        fractions.push_back(fraction);
        otherThread = otherThread || std::this_thread::get_id() != loading;
    });
    ASSERT_GE(fractions.size(), 3u);
    EXPECT_FALSE(otherThread);
    EXPECT_TRUE(std::is_sorted(fractions.begin(), fractions.end()));
    EXPECT_GT(fractions.front(), 0.0);
    EXPECT_DOUBLE_EQ(fractions.back(), 1.0);
}
