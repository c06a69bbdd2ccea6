#pragma once

#include "osm/OsmNode.h"
#include "osm/StringTable.h"
#include "osm/TagTable.h"

#include <rapidxml/rapidxml.hpp>

#include <cstdint>
#include <utility>
#include <vector>

class WayReader;

// The elements of the ways pass (every element from the first way on), kept from the
// sweep that reads the nodes and relations, so that the file is read once: each
// element's id, references (as varint differences, about two bytes each) and the tags
// the ways pass looks at, their texts interned. Filled on one thread, then read on one.
class WayBuffer
{
public:
    // An element without a usable id is left out, as the ways pass leaves it.
    void add(rapidxml::xml_node<char>* element);
    // Leaves out the elements before the index-th kept one.
    void dropBefore(std::size_t index);
    std::size_t size() const { return elements.size(); }
    // Hands every kept element to the reader, in order.
    void readInto(WayReader& reader) const;

private:
    struct Element
    {
        OsmId id = 0;
        std::uint32_t refCount = 0;
        std::uint32_t firstTag = 0;
        std::uint32_t tagCount = 0;
    };

    void putRef(OsmId ref);
    OsmId takeDifference(std::size_t& at) const;

    std::vector<Element> elements;
    std::size_t firstElement = 0;
    // Each reference as the zigzag varint of its difference to the one before.
    std::vector<std::uint8_t> refs;
    OsmId lastRef = 0;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> tags;
    StringTable strings;
};
