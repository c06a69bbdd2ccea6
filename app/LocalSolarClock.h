#pragma once

#include "globe/DateTime.h"

// The scene's clock: local mean solar time at a longitude (UTC + longitude / 15 h)
// on the scene's day, so that 9:00 is morning wherever the extract lies.
// Immutable; any thread.
class LocalSolarClock
{
public:
    // The scene's day starts as 2015-04-01; the time panel may choose another.
    explicit LocalSolarClock(double longitude = 0.0, int year = 2015, int month = 4, int day = 1);

    // The UTC moment of a local solar hour on the scene's day.
    globe::DateTime utc(double localHour) const;

    double longitude() const { return lon; }
    int year() const { return dayYear; }
    int month() const { return dayMonth; }
    int day() const { return dayOfMonth; }

private:
    double lon;
    int dayYear;
    int dayMonth;
    int dayOfMonth;
};
