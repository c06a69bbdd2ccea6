#pragma once

namespace globe
{
// A moment in UTC: a calendar date and the hours since that day's midnight.
// Hours outside 0..24 simply run into the neighbouring days.
class DateTime
{
public:
    DateTime(int year, int month, int day, double hours);

    int year() const { return _year; }
    int month() const { return _month; }
    int day() const { return _day; }
    double hours() const { return _hours; }

    // False for dates that do not exist in the Gregorian calendar (2015-02-30, month 13).
    bool isValid() const;

    // Julian day of the moment (UT).
    double getJulianDay() const;

private:
    int _year;
    int _month;
    int _day;
    double _hours;
};
} // namespace globe
