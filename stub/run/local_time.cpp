#include "stub/run/local_time.h"

#include <cstdio>

namespace {

constexpr int64_t kSecondsPerDay = 86400;
constexpr const char* kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                   "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

// Floor division, so that times before 1899-12-30 fall on the right day.
int64_t FloorDiv(int64_t a, int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

}  // namespace

int64_t DaysFromCivil(int year, int month, int day) {
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

int64_t SecondsSince1899(const LocalTime& time) {
    const int64_t days =
        DaysFromCivil(time.year, time.month, time.day) - DaysFromCivil(1899, 12, 30);
    return days * kSecondsPerDay + time.hour * 3600 + time.minute * 60 + time.second;
}

LocalTime TimeFromSeconds1899(int64_t seconds) {
    const int64_t days = FloorDiv(seconds, kSecondsPerDay) + DaysFromCivil(1899, 12, 30);
    const int64_t inDay = seconds - FloorDiv(seconds, kSecondsPerDay) * kSecondsPerDay;
    // Civil date from days since 1970-01-01.
    const int64_t z = days + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t dayOfEra = z - era * 146097;
    const int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t mp = (5 * dayOfYear + 2) / 153;
    LocalTime time;
    time.day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    time.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    time.year = static_cast<int>(yearOfEra + era * 400 + (time.month <= 2));
    time.hour = static_cast<int>(inDay / 3600);
    time.minute = static_cast<int>(inDay / 60 % 60);
    time.second = static_cast<int>(inDay % 60);
    return time;
}

std::string ReadableDate(const LocalTime& time) {
    char text[64];
    const int month = time.month >= 1 && time.month <= 12 ? time.month - 1 : 0;
    std::snprintf(text, sizeof text, "%02d-%s-%04d", time.day, kMonths[month], time.year);
    return text;
}

std::string ReadableTime(const LocalTime& time) {
    char text[48];
    std::snprintf(text, sizeof text, " %02d:%02d:%02d", time.hour, time.minute, time.second);
    return ReadableDate(time) + text;
}
