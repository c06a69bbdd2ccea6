#include "app/LocalSolarClock.h"

namespace
{
const double degreesPerHour = 15.0;
} // namespace

LocalSolarClock::LocalSolarClock(double longitude) : lon(longitude)
{
}

// Hours outside 0..24 run into the neighbouring UTC day.
globe::DateTime LocalSolarClock::utc(double localHour) const
{
    return globe::DateTime(2015, 4, 1, localHour - lon / degreesPerHour);
}
