#pragma once

#include "osm/OsmNode.h"

#include <string_view>

// What C's atof gives for a text that ends with a zero byte (text.data()[text.size()]),
// as in the "C" locale: OSM files write a decimal point whatever the user's locale.
double numberFromText(std::string_view text);

// The id the whole text writes as a decimal integer in range; false for anything else.
bool idFromText(std::string_view text, OsmId& id);
