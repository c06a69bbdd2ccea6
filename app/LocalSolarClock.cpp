#include "app/LocalSolarClock.h"

namespace
{
const double degreesPerHour = 15.0;
} // namespace

LocalSolarClock::LocalSolarClock(double longitude, int year, int month, int day)
    : lon(longitude), dayYear(year), dayMonth(month), dayOfMonth(day)
{
}

// Hours outside 0..24 run into the neighbouring UTC day.
globe::DateTime LocalSolarClock::utc(double localHour) const
{
    return globe::DateTime(dayYear, dayMonth, dayOfMonth, localHour - lon / degreesPerHour);
}
