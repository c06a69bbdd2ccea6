#pragma once

// Metres in a degree of latitude (and of longitude at the equator), for sizing and
// spacing things on the ground where a few hundred metres per degree do not matter.
// Any thread.
constexpr double metresPerDegree = 111320.0;
