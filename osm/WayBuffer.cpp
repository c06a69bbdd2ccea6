#include "osm/WayBuffer.h"

#include "osm/KeptTags.h"
#include "osm/NumberText.h"
#include "osm/WayReader.h"
#include "osm/XmlText.h"

#include <algorithm>

// The references and tags as the ways pass reads them from the element itself.
void WayBuffer::add(rapidxml::xml_node<char>* element)
{
    std::string_view text;
    OsmId id = 0;
    if (!attributeText(element, "id", text) || !idFromText(text, id))
        return;
    Element kept{id, 0, static_cast<std::uint32_t>(tags.size()), 0};
    for (rapidxml::xml_node<char>* nd = element->first_node("nd"); nd; nd = nd->next_sibling())
    {
        OsmId ref = 0;
        if (attributeText(nd, "ref", text) && idFromText(text, ref))
        {
            putRef(ref);
            ++kept.refCount;
        }
    }
    Tags elementTags;
    readTags(element, elementTags);
    for (const auto& tag : elementTags)
        if (isWayKey(tag.first))
            tags.emplace_back(strings.intern(tag.first), strings.intern(tag.second));
    kept.tagCount = static_cast<std::uint32_t>(tags.size()) - kept.firstTag;
    elements.push_back(kept);
}

void WayBuffer::putRef(OsmId ref)
{
    const auto difference = static_cast<std::uint64_t>(ref) - static_cast<std::uint64_t>(lastRef);
    lastRef = ref;
    std::uint64_t zigzag = (difference << 1) ^ (difference >> 63 ? ~std::uint64_t(0) : 0);
    for (; zigzag >= 0x80; zigzag >>= 7)
        refs.push_back(static_cast<std::uint8_t>(zigzag | 0x80));
    refs.push_back(static_cast<std::uint8_t>(zigzag));
}

OsmId WayBuffer::takeDifference(std::size_t& at) const
{
    std::uint64_t zigzag = 0;
    for (int shift = 0;; shift += 7)
    {
        const std::uint8_t byte = refs[at++];
        zigzag |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
        if (byte < 0x80)
            break;
    }
    return static_cast<OsmId>(zigzag >> 1 ^ (zigzag & 1 ? ~std::uint64_t(0) : 0));
}

void WayBuffer::dropBefore(std::size_t index)
{
    firstElement = std::min(elements.size(), firstElement + index);
}

// The differences chain through all elements, so reading starts at the first one.
void WayBuffer::readInto(WayReader& reader) const
{
    std::vector<OsmId> wayRefs;
    Tags wayTags;
    std::size_t at = 0;
    OsmId ref = 0;
    for (std::size_t i = 0; i < elements.size(); ++i)
    {
        const Element& element = elements[i];
        wayRefs.clear();
        for (std::uint32_t r = 0; r < element.refCount; ++r)
            wayRefs.push_back(ref = static_cast<OsmId>(static_cast<std::uint64_t>(ref) +
                                                        static_cast<std::uint64_t>(takeDifference(at))));
        if (i < firstElement)
            continue;
        wayTags.clear();
        for (std::uint32_t t = element.firstTag; t < element.firstTag + element.tagCount; ++t)
            wayTags.emplace_back(strings.text(tags[t].first), strings.text(tags[t].second));
        reader.readWay(element.id, wayRefs, wayTags);
    }
}
