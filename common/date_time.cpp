#include "common/date_time.h"

#include <cmath>

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

// The calendar range that a date text can show: 0001-01-01 to 9999-12-31.
constexpr double MIN_DATE = -693593.0;
constexpr double MAX_DATE = 2958466.0;

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
    return static_cast<double>(days) + ms / static_cast<double>(MS_PER_DAY);
}

std::optional<DateTimeFields> decodeDateTime(TDateTime value) {
    if (!std::isfinite(value) || value < MIN_DATE || value >= MAX_DATE) {
        return std::nullopt;
    }
    auto days = static_cast<std::int64_t>(std::floor(value));
    auto ms = static_cast<std::int64_t>(
        std::llround((value - static_cast<double>(days)) * static_cast<double>(MS_PER_DAY)));
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

TDateTime localDateTimeFromUnix(std::time_t seconds, std::int64_t microseconds) {
    std::tm tm{};
    if (localtime_r(&seconds, &tm) == nullptr) {
        return 0.0;
    }
    DateTimeFields f{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                     tm.tm_min,         tm.tm_sec,     0};
    return encodeDateTime(f) +
           static_cast<double>(microseconds) / (static_cast<double>(MS_PER_DAY) * 1000.0);
}

std::string DateTimeText(TDateTime value) {
    const auto f = decodeDateTime(value);
    if (!f) {
        return {};
    }
    std::tm tm{};
    tm.tm_year = f->year - 1900;
    tm.tm_mon = f->month - 1;
    tm.tm_mday = f->day;
    tm.tm_hour = f->hour;
    tm.tm_min = f->minute;
    tm.tm_sec = f->second;
    const std::int64_t days =
        daysFromCivil(f->year, static_cast<unsigned>(f->month), static_cast<unsigned>(f->day));
    tm.tm_wday = static_cast<int>(((days % 7) + 11) % 7); // 1970-01-01 was a Thursday
    tm.tm_yday = static_cast<int>(days - daysFromCivil(f->year, 1, 1));
    std::string text = formatTm("%x", tm);
    if (f->hour != 0 || f->minute != 0 || f->second != 0) {
        text += ' ';
        text += formatTm("%X", tm);
    }
    return text;
}

} // namespace qv
