#pragma once

#include "globe/DateTime.h"

// The scene's clock: local mean solar time at a longitude (UTC + longitude / 15 h)
// on the scene's day, so that 9:00 is morning wherever the extract lies.
// Immutable; any thread.
class LocalSolarClock
{
public:
    explicit LocalSolarClock(double longitude = 0.0);

    // The UTC moment of a local solar hour on the scene's day (2015-04-01).
    globe::DateTime utc(double localHour) const;

    double longitude() const { return lon; }

private:
    double lon;
};
