#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace qv {

// Local date and time as days since 30 December 1899, the fraction being the time of day; before
// that day the whole part counts the days back and the fraction, taken without its sign, is still
// the time of day (-1.25 is 29 December 1899 06:00).
using TDateTime = double;

// The calendar's range, 1 January 0001 to the end of 31 December 9999 (exclusive bounds).
inline constexpr double MIN_DATE_TIME = -693594.0;
inline constexpr double MAX_DATE_TIME = 2958466.0;

// False for NaN, the infinities and times past either end of the calendar, which only a damaged
// file can hold.
inline bool isCalendarTime(TDateTime value) {
    return value > MIN_DATE_TIME && value < MAX_DATE_TIME;
}

inline constexpr double SECONDS_PER_DAY = 24.0 * 60.0 * 60.0;

struct DateTimeFields {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

TDateTime encodeDateTime(const DateTimeFields& fields);

// Calendar fields of a value, rounded to the millisecond. Values outside the years 1 to 9999
// (or not finite), which only a damaged file can hold, give nothing.
std::optional<DateTimeFields> decodeDateTime(TDateTime value);

// The local time of a POSIX instant, as the local clock shows it.
TDateTime localDateTimeFromUnix(std::time_t seconds, std::int64_t microseconds);

// The instant a local time stands for, as RFC 3339 text with its offset from UTC and
// milliseconds ("2026-12-06T18:01:52.500+01:00"); in the hour a change to winter time repeats, the
// C library's choice of the two. Empty for values no calendar can show.
std::string rfc3339OfLocal(TDateTime value);

// Age in seconds of `then` at `now`.
inline double ageInSeconds(TDateTime now, TDateTime then) {
    return (now - then) * SECONDS_PER_DAY;
}

// The locale's short date (strftime %x), a blank and its long time (%X); the blank and the time
// are left out when hour, minute and second are all zero. Values no calendar can show give an
// empty text.
std::string DateTimeText(TDateTime value);

} // namespace qv
