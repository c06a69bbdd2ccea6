#pragma once

#include <string_view>

// Numbers as mappers write them in tag values. Any thread may call these.

// The leading decimal number of the text, blanks before it skipped and a decimal
// comma taken for a point ("7.5", "7,5", "7.5 m", "-1"); 0 when none leads.
double tagNumber(std::string_view text);

// tagNumber for a length in metres: 0 unless the number is positive.
double tagMetres(std::string_view text);
