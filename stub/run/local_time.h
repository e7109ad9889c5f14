// Calendar time on the machine's clock, and the stored forms the agent writes: whole seconds since
// 1899-12-30 00:00 and the readable "DD-MMM-YYYY HH:NN:SS".
#pragma once

#include <cstdint>
#include <string>

struct LocalTime {
    int year = 2000, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

// Days from 1970-01-01 to the date (negative before it), proleptic Gregorian.
int64_t DaysFromCivil(int year, int month, int day);
// Seconds since 1899-12-30 00:00.
int64_t SecondsSince1899(const LocalTime& time);
LocalTime TimeFromSeconds1899(int64_t seconds);
// "11-DEC-2026": day, upper-case English month abbreviation, four-digit year.
std::string ReadableDate(const LocalTime& time);
// ReadableDate + " HH:NN:SS".
std::string ReadableTime(const LocalTime& time);
