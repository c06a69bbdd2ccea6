#pragma once

#include <cstddef>

// RapidXML parses nested elements by recursion: text nested thousands of levels
// deep would overflow the stack. OSM XML nests three levels (osm, an element, its
// tags or references); this many is a generous margin.
constexpr int maxXmlNesting = 64;

// Where the text [first, last) opens an element more than maxXmlNesting levels
// deep, or null. Comments, CDATA, processing instructions and declarations are
// passed over, and quoted attribute values too; scanning stops at anything left
// unterminated, which the parser then reports without recursing into it.
const char* tooDeeplyNested(const char* first, const char* last);
