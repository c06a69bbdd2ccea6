#include "fuzz/FuzzEntries.h"

#include <cpl_vsi.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

using ::testing::HasSubstr;

namespace
{
using Entry = LoadOutcome (*)(const std::uint8_t*, std::size_t);

struct Input
{
    std::string name;
    std::string bytes;
};

std::vector<Input> corpus(const std::string& target)
{
    std::vector<Input> inputs;
    for (const auto& entry : std::filesystem::directory_iterator(ORVALIS_SOURCE_DIR "/tests/fuzz/regression/" + target))
    {
        std::ifstream file(entry.path(), std::ios::binary);
        inputs.push_back({entry.path().filename().string(), {std::istreambuf_iterator<char>(file), {}}});
    }
    std::sort(inputs.begin(), inputs.end(), [](const Input& a, const Input& b) { return a.name < b.name; });
    return inputs;
}

bool stillThere(const std::string& path)
{
    VSIStatBufL stat;
    return VSIStatL(path.c_str(), &stat) == 0;
}

// A loads-* input must load; a refused-* one must be refused with a message naming
// the file the loader read. Either way the entry leaves no file behind.
void replay(const std::string& target, const Input& input, Entry entry)
{
    const std::string label = target + "/" + input.name;
    LoadOutcome outcome;
    try
    {
        outcome = entry(reinterpret_cast<const std::uint8_t*>(input.bytes.data()), input.bytes.size());
    }
    catch (const std::exception& error)
    {
        ADD_FAILURE() << label << ": escaped the entry: " << error.what();
        return;
    }
    if (input.name.rfind("loads-", 0) == 0)
        EXPECT_TRUE(outcome.loaded) << label << ": " << outcome.refusal;
    else if (input.name.rfind("refused-", 0) == 0)
    {
        EXPECT_FALSE(outcome.loaded) << label;
        EXPECT_THAT(outcome.refusal, HasSubstr(outcome.path)) << label;
    }
    else
        ADD_FAILURE() << label << ": name it loads-... or refused-... after what the loader must do";
    EXPECT_FALSE(stillThere(outcome.path)) << label;
}
} // namespace

TEST(RegressionCorpusTest, EveryInputLoadsOrIsRefusedNamingItsFile)
{
    const std::pair<std::string, Entry> targets[] = {
        {"fuzz_osm_xml", loadOsmBytes}, {"fuzz_osm_formats", loadOsmBytes}, {"fuzz_terrain", loadTerrainBytes}};
    for (const auto& [target, entry] : targets)
    {
        // Nesting too deep for the parser is refused too, but needs megabytes: the
        // loader's own tests make it.
        const std::vector<Input> inputs = corpus(target);
        EXPECT_FALSE(inputs.empty()) << target;
        for (const Input& input : inputs)
            replay(target, input, entry);
    }
}

TEST(RegressionCorpusTest, EveryTagInputGivesASoundRoof)
{
    const std::vector<Input> inputs = corpus("fuzz_tags");
    EXPECT_FALSE(inputs.empty());
    for (const Input& input : inputs)
        EXPECT_TRUE(readBuildingTagBytes(reinterpret_cast<const std::uint8_t*>(input.bytes.data()), input.bytes.size()))
            << input.name;
}
