#pragma once

#include <string_view>

// Numbers as mappers write them in tag values. Any thread may call these.

// The leading decimal number of the text, blanks before it skipped and a decimal
// comma taken for a point ("7.5", "7,5", "7.5 m", "-1"); 0 when none leads.
double tagNumber(std::string_view text);

// tagNumber for a length in metres: 0 unless the number is positive.
double tagMetres(std::string_view text);

// A length with its unit, in metres: "12", "12 m", "12.5 metres", "40 ft", "40'",
// "10'6\""; 0 for a length that is not positive or has a unit not read here.
double tagLength(std::string_view text);
