#include "common/date_time.h"

#include <cmath>
#include <limits>

#include <cstdlib>
#include <ctime>

#include <gtest/gtest.h>

#include "common/clock.h"

namespace qv {
namespace {

TEST(DateTime, EncodesDaysSinceTheEpochOf1899) {
    EXPECT_DOUBLE_EQ(encodeDateTime({1899, 12, 30, 0, 0, 0, 0}), 0.0);
    EXPECT_DOUBLE_EQ(encodeDateTime({1900, 1, 1, 0, 0, 0, 0}), 2.0);
    EXPECT_DOUBLE_EQ(encodeDateTime({2000, 1, 1, 12, 0, 0, 0}), 36526.5);
}

// Before the epoch the whole part counts days back and the fraction is still the time of day.
TEST(DateTime, ValuesBeforeTheEpochKeepTheFractionAsTheTimeOfDay) {
    const struct {
        double value;
        const char* text;
        DateTimeFields fields;
    } cases[] = {
        {-0.25, "12/30/99 06:00:00", {1899, 12, 30, 6, 0, 0, 0}},
        {-1.25, "12/29/99 06:00:00", {1899, 12, 29, 6, 0, 0, 0}},
        {-1.75, "12/29/99 18:00:00", {1899, 12, 29, 18, 0, 0, 0}},
        {-2.0, "12/28/99", {1899, 12, 28, 0, 0, 0, 0}},
        {-693593.5, "01/01/01 12:00:00", {1, 1, 1, 12, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DateTimeText(c.value), c.text) << c.value;
        if (c.value <= -1.0) { // days 0 and -0 are the same day: 0.25 is the encoding
            EXPECT_DOUBLE_EQ(encodeDateTime(c.fields), c.value) << c.value;
        }
    }
    EXPECT_DOUBLE_EQ(encodeDateTime({1899, 12, 30, 6, 0, 0, 0}), 0.25);
}

TEST(DateTime, DecodesBackToTheSameFields) {
    const DateTimeFields fields{2026, 12, 6, 18, 1, 52, 345};
    const auto decoded = decodeDateTime(encodeDateTime(fields));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->year, 2026);
    EXPECT_EQ(decoded->month, 12);
    EXPECT_EQ(decoded->day, 6);
    EXPECT_EQ(decoded->hour, 18);
    EXPECT_EQ(decoded->minute, 1);
    EXPECT_EQ(decoded->second, 52);
    EXPECT_EQ(decoded->millisecond, 345);
}

TEST(DateTime, RoundingUpToMidnightCarriesIntoTheNextDay) {
    const auto decoded = decodeDateTime(encodeDateTime({2024, 2, 29, 0, 0, 0, 0}) - 1e-10);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->month, 2);
    EXPECT_EQ(decoded->day, 29);
    EXPECT_EQ(decoded->hour, 0);
}

TEST(DateTime, ValuesNoCalendarCanShowDecodeToNothing) {
    for (double bad :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
          -std::numeric_limits<double>::infinity(), -1e9, 1e300, 2958466.0, -693594.0}) {
        EXPECT_FALSE(isCalendarTime(bad)) << bad;
        EXPECT_FALSE(decodeDateTime(bad)) << bad;
        EXPECT_EQ(DateTimeText(bad), "") << bad;
    }
}

// Tests run with LC_ALL=C, where %x is mm/dd/yy and %X is HH:MM:SS.
TEST(DateTime, TextIsShortDateAndLongTimeWithTimeLeftOutAtMidnight) {
    EXPECT_EQ(DateTimeText(encodeDateTime({2026, 12, 6, 18, 1, 52, 0})), "12/06/26 18:01:52");
    EXPECT_EQ(DateTimeText(encodeDateTime({2026, 12, 6, 0, 0, 0, 0})), "12/06/26");
    EXPECT_EQ(DateTimeText(encodeDateTime({2026, 12, 6, 0, 0, 0, 400})), "12/06/26");
    EXPECT_EQ(DateTimeText(encodeDateTime({2026, 12, 6, 0, 0, 1, 0})), "12/06/26 00:00:01");
    EXPECT_EQ(DateTimeText(0.0), "12/30/99");
}

TEST(DateTime, LocalTimeOfAnInstantFollowsTheTimeZone) {
    // TZ=UTC in every test: 2026-12-06 18:01:52.5 UTC.
    const TDateTime t = localDateTimeFromUnix(1'796'580'112, 500'000);
    EXPECT_EQ(DateTimeText(t), "12/06/26 18:01:52");
    EXPECT_NEAR(t, encodeDateTime({2026, 12, 6, 18, 1, 52, 500}), 1e-9);
}

// The local time and the text of each second are kept between calls on one thread; they must be
// exactly what the C library gives for every instant, in each time zone, across a daylight saving
// change and midnight, also when the zone changes between two calls of the same second.
TEST(DateTime, KeptTextsAreTheLibrarysOwnAcrossZonesChangesAndMidnight) {
    const auto reference = [](std::time_t seconds) {
        std::tm tm{};
        localtime_r(&seconds, &tm);
        char date[64];
        char time[64];
        std::strftime(date, sizeof date, "%x", &tm);
        std::strftime(time, sizeof time, "%X", &tm);
        const bool midnight = tm.tm_hour == 0 && tm.tm_min == 0 && tm.tm_sec == 0;
        return std::string(date) + (midnight ? "" : std::string(" ") + time);
    };
    const std::time_t springForward = 1'774'746'000;  // 2026-03-29 01:00:00 UTC, 03:00 in Berlin
    const std::time_t berlinMidnight = 1'774'908'000; // 2026-03-30 22:00:00 UTC
    for (const char* zone : {"UTC", "Europe/Berlin", "America/New_York", "UTC"}) {
        setenv("TZ", zone, 1);
        tzset();
        for (const std::time_t start : {springForward, berlinMidnight}) {
            for (std::time_t t = start - 3; t <= start + 3; ++t) {
                for (const std::int64_t micro : {0, 499'999}) {
                    EXPECT_EQ(DateTimeText(localDateTimeFromUnix(t, micro)), reference(t))
                        << zone << " " << t;
                }
            }
        }
    }
    // The same second again, in another zone.
    setenv("TZ", "UTC", 1);
    tzset();
    EXPECT_EQ(DateTimeText(localDateTimeFromUnix(berlinMidnight, 0)), "03/30/26 22:00:00");
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    EXPECT_EQ(DateTimeText(localDateTimeFromUnix(berlinMidnight, 0)), "03/31/26");
    setenv("TZ", "UTC", 1);
    tzset();
}

TEST(Clock, ManualClockShowsWhatItWasSetTo) {
    ManualClock clock(100.0);
    EXPECT_EQ(clock.now(), 100.0);
    clock.advanceSeconds(43200);
    EXPECT_DOUBLE_EQ(clock.now(), 100.5);
    LocalClock local;
    EXPECT_GT(local.now(), encodeDateTime({2020, 1, 1, 0, 0, 0, 0}));
}

// The instant of a local time, with the zone's offset at that time.
TEST(DateTime, Rfc3339TextCarriesTheOffsetOfItsDate) {
    const struct {
        const char* zone;
        DateTimeFields local;
        const char* text;
    } cases[] = {
        {"UTC", {2026, 12, 6, 18, 1, 52, 500}, "2026-12-06T18:01:52.500+00:00"},
        {"America/New_York", {2026, 12, 6, 13, 1, 52, 0}, "2026-12-06T13:01:52.000-05:00"},
        {"America/New_York", {2026, 7, 6, 13, 1, 52, 0}, "2026-07-06T13:01:52.000-04:00"},
        {"Asia/Kolkata", {1969, 12, 31, 23, 59, 59, 999}, "1969-12-31T23:59:59.999+05:30"},
    };
    for (const auto& c : cases) {
        setenv("TZ", c.zone, 1);
        tzset();
        EXPECT_EQ(rfc3339OfLocal(encodeDateTime(c.local)), c.text) << c.zone;
    }
    setenv("TZ", "UTC", 1);
    tzset();
    EXPECT_EQ(rfc3339OfLocal(std::numeric_limits<double>::quiet_NaN()), "");
}

} // namespace
} // namespace qv
