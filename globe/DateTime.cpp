#include "globe/DateTime.h"

#include <libnova/julian_day.h>

namespace globe
{
namespace
{
double julianDayAtMidnight(int year, int month, int day)
{
    ln_date date{year, month, day, 0, 0, 0.0};
    return ln_get_julian_day(&date);
}
} // namespace

DateTime::DateTime(int year, int month, int day, double hours)
    : _year(year), _month(month), _day(day), _hours(hours)
{
}

bool DateTime::isValid() const
{
    if (_month < 1 || _month > 12 || _day < 1 || _day > 31)
        return false;
    // A day past the month's end comes back from the calendar as another date.
    ln_date back{};
    ln_get_date(julianDayAtMidnight(_year, _month, _day), &back);
    return back.years == _year && back.months == _month && back.days == _day;
}

double DateTime::getJulianDay() const
{
    return julianDayAtMidnight(_year, _month, _day) + _hours / 24.0;
}
} // namespace globe
