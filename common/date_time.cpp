#include "common/date_time.h"

#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace qv {
namespace {

constexpr std::int64_t MS_PER_DAY = 86'400'000;

// Days since 1970-01-01 of a proleptic Gregorian date (Howard Hinnant's days_from_civil).
constexpr std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civilFromDays(std::int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2));
}

// Constant-initialised, so values computed during other files' static initialisation are right.
constexpr std::int64_t EPOCH_1899 = daysFromCivil(1899, 12, 30);
static_assert(EPOCH_1899 == -25569);

std::string formatTm(const char* format, const std::tm& tm) {
    char text[128];
    const std::size_t length = std::strftime(text, sizeof text, format, &tm);
    return std::string(text, length);
}

} // namespace

TDateTime encodeDateTime(const DateTimeFields& f) {
    const std::int64_t days =
        daysFromCivil(f.year, static_cast<unsigned>(f.month), static_cast<unsigned>(f.day)) -
        EPOCH_1899;
    const double ms = ((f.hour * 60.0 + f.minute) * 60.0 + f.second) * 1000.0 + f.millisecond;
    const double time = ms / static_cast<double>(MS_PER_DAY);
    return days < 0 ? static_cast<double>(days) - time : static_cast<double>(days) + time;
}

std::optional<DateTimeFields> decodeDateTime(TDateTime value) {
    if (!isCalendarTime(value)) {
        return std::nullopt;
    }
    auto days = static_cast<std::int64_t>(std::trunc(value));
    auto ms = static_cast<std::int64_t>(std::llround(std::fabs(value - static_cast<double>(days)) *
                                                     static_cast<double>(MS_PER_DAY)));
    if (ms >= MS_PER_DAY) {
        ++days;
        ms -= MS_PER_DAY;
    }
    DateTimeFields f;
    civilFromDays(days + EPOCH_1899, f.year, f.month, f.day);
    if (f.year > 9999) {
        return std::nullopt;
    }
    f.hour = static_cast<int>(ms / 3'600'000);
    f.minute = static_cast<int>(ms / 60'000 % 60);
    f.second = static_cast<int>(ms / 1000 % 60);
    f.millisecond = static_cast<int>(ms % 1000);
    return f;
}

// The local time of the last whole second a thread asked for is kept, with the TZ it was taken
// in: the packets of one second share it, and the time zone is consulted once a second, so a
// change of the offset (daylight saving time) is seen from the first second it applies to.
TDateTime localDateTimeFromUnix(std::time_t seconds, std::int64_t microseconds) {
    thread_local std::time_t lastSecond = 0;
    thread_local TDateTime lastLocal = 0.0;
    thread_local bool known = false;
    thread_local std::string lastZone;
    const char* zone = std::getenv("TZ");
    if (!known || seconds != lastSecond || lastZone != (zone != nullptr ? zone : "")) {
        lastZone = zone != nullptr ? zone : "";
        std::tm tm{};
        if (localtime_r(&seconds, &tm) == nullptr) {
            return 0.0;
        }
        const DateTimeFields f{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                               tm.tm_min,         tm.tm_sec,     0};
        lastLocal = encodeDateTime(f);
        lastSecond = seconds;
        known = true;
    }
    return lastLocal +
           static_cast<double>(microseconds) / (static_cast<double>(MS_PER_DAY) * 1000.0);
}

namespace {

// The text of the last whole second a thread formatted, in the locale it was formatted in: the
// packets of one second share it, and strftime's locale machinery then runs once a second.
struct LastText {
    DateTimeFields fields{-1, 0, 0, 0, 0, 0, 0};
    std::string locale;
    std::string text;
};

bool sameSecond(const DateTimeFields& a, const DateTimeFields& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
           a.minute == b.minute && a.second == b.second;
}

std::string formatDateTime(const DateTimeFields& f);

} // namespace

std::string DateTimeText(TDateTime value) {
    const auto f = decodeDateTime(value);
    if (!f) {
        return {};
    }
    thread_local LastText last;
    const char* locale = std::setlocale(LC_TIME, nullptr);
    if (!sameSecond(*f, last.fields) || locale == nullptr || last.locale != locale) {
        last.text = formatDateTime(*f);
        last.fields = *f;
        last.locale = locale != nullptr ? locale : "";
    }
    return last.text;
}

namespace {

std::tm calendarTm(const DateTimeFields& f) {
    std::tm tm{};
    tm.tm_year = f.year - 1900;
    tm.tm_mon = f.month - 1;
    tm.tm_mday = f.day;
    tm.tm_hour = f.hour;
    tm.tm_min = f.minute;
    tm.tm_sec = f.second;
    return tm;
}

std::string formatDateTime(const DateTimeFields& f) {
    std::tm tm = calendarTm(f);
    const std::int64_t days =
        daysFromCivil(f.year, static_cast<unsigned>(f.month), static_cast<unsigned>(f.day));
    tm.tm_wday = static_cast<int>(((days % 7) + 11) % 7); // 1970-01-01 was a Thursday
    tm.tm_yday = static_cast<int>(days - daysFromCivil(f.year, 1, 1));
    std::string text = formatTm("%x", tm);
    if (f.hour != 0 || f.minute != 0 || f.second != 0) {
        text += ' ';
        text += formatTm("%X", tm);
    }
    return text;
}

} // namespace

std::string rfc3339OfLocal(TDateTime value) {
    const auto f = decodeDateTime(value);
    if (!f) {
        return {};
    }
    std::tm tm = calendarTm(*f);
    tm.tm_isdst = -1;
    errno = 0;
    if (std::mktime(&tm) == static_cast<std::time_t>(-1) && errno != 0) {
        return {};
    }
    const long offset = tm.tm_gmtoff / 60;
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02ld:%02ld",
                  tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                  f->millisecond, offset < 0 ? '-' : '+', std::labs(offset) / 60,
                  std::labs(offset) % 60);
    return text;
}

} // namespace qv
