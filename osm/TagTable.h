#pragma once

#include "osm/StringTable.h"

#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

// Key and value views, in the element's order.
using Tags = std::vector<std::pair<std::string_view, std::string_view>>;

// Where one element's kept tags lie in its table.
struct TagSpan
{
    std::uint32_t first = 0;
    std::uint32_t count = 0;
};

// The tags the store keeps, as pairs of interned texts; each element's tags are
// one span. Filled on one thread, then read from any number.
class TagTable
{
public:
    // What a later table's numbers become once appended.
    struct Joined
    {
        std::uint32_t spanShift = 0;
        std::vector<std::uint32_t> textIds;
    };

    TagSpan add(const Tags& tags);
    Tags tags(TagSpan span) const;
    std::uint32_t intern(std::string_view text) { return strings.intern(text); }
    std::string_view text(std::uint32_t id) const { return strings.text(id); }
    Joined append(const TagTable& later);

private:
    StringTable strings;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> pairs;
};

// Moves the tag spans of later's records by what joining their table gave.
template <class Records>
void shiftTagSpans(Records& records, const TagTable::Joined& joined)
{
    for (auto& record : records)
        record.tags.first += joined.spanShift;
}
