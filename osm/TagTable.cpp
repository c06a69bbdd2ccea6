#include "osm/TagTable.h"

TagSpan TagTable::add(const Tags& tags)
{
    const TagSpan span{static_cast<std::uint32_t>(pairs.size()), static_cast<std::uint32_t>(tags.size())};
    for (const auto& tag : tags)
        pairs.emplace_back(strings.intern(tag.first), strings.intern(tag.second));
    return span;
}

Tags TagTable::tags(TagSpan span) const
{
    Tags result;
    result.reserve(span.count);
    for (std::uint32_t i = span.first; i < span.first + span.count; ++i)
        result.emplace_back(strings.text(pairs[i].first), strings.text(pairs[i].second));
    return result;
}

TagTable::Joined TagTable::append(const TagTable& later)
{
    Joined joined;
    joined.spanShift = static_cast<std::uint32_t>(pairs.size());
    joined.textIds.reserve(later.strings.size());
    for (std::uint32_t id = 0; id < later.strings.size(); ++id)
        joined.textIds.push_back(strings.intern(later.strings.text(id)));
    for (const auto& pair : later.pairs)
        pairs.emplace_back(joined.textIds[pair.first], joined.textIds[pair.second]);
    return joined;
}
