// Calendars, calendar times, zoned wall clocks (daylight saving included)
// and calendar formatting for every calendar kind.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "qo_runtime.h"

namespace {

constexpr int64_t kSec = 1000000000LL, kHour = 3600 * kSec, kDay = 24 * kHour, kSol = 88775244000000LL;

const qo_calendar *C(qo_val_t v) { return (const qo_calendar *)_qo_time_record(v, QO_CALENDAR_TAG); }
qo_val_t iso(const char *s) { return instant_from_iso8601(QO_STR(s)); }
qo_val_t utc_cal() { return earth_calendar(zone_utc()); }
std::string fmt(qo_val_t instant, qo_val_t cal, const char *pattern) {
    return QO_STR_PTR(cal_format(in_calendar(instant, cal), QO_STR(pattern)));
}
double phase(qo_val_t instant, qo_val_t cal) { return qo_to_float(cal_cycle_phase(in_calendar(instant, cal))); }
std::string zoned_iso(qo_val_t date, qo_val_t time, qo_val_t cal) {
    return QO_STR_PTR(instant_to_iso8601(cal_to_instant(zoned(date, time, cal))));
}

TEST(Calendars, KindsAndDefaults) {
    EXPECT_EQ(C(mars_calendar())->cycle, kSol);
    EXPECT_STREQ(C(mars_calendar())->zone->name, "MTC");
    EXPECT_EQ(C(cycle_calendar(-7))->cycle, 1);
    EXPECT_EQ(C(relative_calendar(-5))->epoch, -5);
    // Anything that is not a zone or a calendar means local Earth time.
    EXPECT_EQ(earth_calendar(QO_STR("Europe/Berlin")), earth_calendar_default());
    const auto *ct = (const qo_cal_time *)_qo_time_record(in_calendar(7, qo_list_empty()), QO_CAL_TIME_TAG);
    ASSERT_NE(ct, nullptr);
    EXPECT_EQ((qo_val_t)(intptr_t)ct->cal, earth_calendar(zone_local()));
}

TEST(CalendarTimes, ConversionsAndNonRecords) {
    qo_val_t ct = in_calendar(-42, cycle_calendar(10));
    EXPECT_EQ(cal_to_instant(ct), -42);
    EXPECT_EQ(cal_to_instant(cal_in(ct, mars_calendar())), -42);
    EXPECT_STREQ(QO_STR_PTR(cal_format(cal_in(ct, mars_calendar()), QO_STR("%sol"))), "-1");
    for (qo_val_t junk : {(qo_val_t)0, (qo_val_t)3, QO_STR("x"), cycle_calendar(10), local_date(1, 1, 1)}) {
        EXPECT_EQ(cal_in(junk, mars_calendar()), 0);
        EXPECT_EQ(cal_to_instant(junk), 0);
        EXPECT_EQ(cal_cycle_phase(junk), 0);
        EXPECT_STREQ(QO_STR_PTR(cal_format(junk, QO_STR("yyyy"))), "");
    }
    for (qo_val_t junk : {(qo_val_t)0, (qo_val_t)3, QO_STR("x"), ct, local_datetime(local_date(1, 1, 1), 0)})
        EXPECT_EQ(zoned(junk, 0, utc_cal()), 0);
    int64_t before = now(), got = cal_to_instant(now_in(mars_calendar()));
    EXPECT_TRUE(got >= before && got - before < 5 * kSec);
}

TEST(CalendarTimes, PhasesIncludingNegativeInstants) {
    EXPECT_DOUBLE_EQ(phase(-1, cycle_calendar(4)), 0.75);
    EXPECT_DOUBLE_EQ(phase(6 * kHour, utc_cal()), 0.25);
    // Earth phases are of the UTC day, whatever the zone.
    EXPECT_DOUBLE_EQ(phase(6 * kHour, earth_calendar(zone(QO_STR("+05:00")))), 0.25);
    EXPECT_DOUBLE_EQ(phase(-kSol / 4, mars_calendar()), 0.75);
    EXPECT_DOUBLE_EQ(phase(123456, relative_calendar(5)), 0.0);
    EXPECT_TRUE(std::isnan(phase(42, no_cycle_calendar())));
    double p = phase(INT64_MIN, cycle_calendar(INT64_MAX));
    EXPECT_TRUE(p >= 0.0 && p < 1.0);
}

TEST(Zoned, WallClocksInFixedAndUtcCalendars) {
    EXPECT_EQ(zoned_iso(local_date(2024, 3, 10), local_time(12, 0, 0, 0), earth_calendar(zone(QO_STR("+01:00")))),
              "2024-03-10T11:00:00.000Z");
    EXPECT_EQ(zoned_iso(local_date(2024, 3, 10), local_time(12, 0, 0, 0), earth_calendar(zone_offset(-5, -30))),
              "2024-03-10T17:30:00.000Z");
    // Other calendars read the wall clock as UTC; nanoseconds are kept.
    qo_val_t ct = zoned(local_date(2024, 3, 10), local_time(12, 0, 0, 5000000), cycle_calendar(3));
    EXPECT_EQ(cal_to_instant(ct), iso("2024-03-10T12:00:00.005Z"));
    EXPECT_EQ(C((qo_val_t)(intptr_t)((const qo_cal_time *)_qo_time_record(ct, QO_CAL_TIME_TAG))->cal)->cycle, 3);
    // The second before the epoch is a real answer, not a failure.
    EXPECT_EQ(cal_to_instant(zoned(local_date(1969, 12, 31), local_time(23, 59, 59, 0), utc_cal())), -kSec);
    EXPECT_EQ(cal_to_instant(zoned(local_date(1969, 12, 31), local_time(23, 59, 59, 0), mars_calendar())), -kSec);
    // Months outside 1-12 carry into the year in every calendar kind.
    for (qo_val_t cal : {utc_cal(), cycle_calendar(3)}) {
        EXPECT_EQ(zoned_iso(local_date(2024, 0, 31), 0, cal), "2023-12-31T00:00:00.000Z");
        EXPECT_EQ(zoned_iso(local_date(2023, 14, 1), 0, cal), "2024-02-01T00:00:00.000Z");
        // Out of the Instant range, or out of the C library's: no calendar time.
        EXPECT_EQ(zoned(local_date(3000, 1, 1), 0, cal), 0);
        for (int64_t field : {(int64_t)INT32_MIN, (int64_t)INT32_MAX}) {
            EXPECT_EQ(zoned(local_date(field, 1, 1), 0, cal), 0);
            EXPECT_EQ(zoned(local_date(2024, field, 1), 0, cal), 0);
        }
    }
}

TEST(Zoned, NamedZonesOnBothSidesOfDaylightSaving) {
    qo_val_t berlin = earth_calendar(zone(QO_STR("Europe/Berlin")));
    qo_val_t new_york = earth_calendar(zone(QO_STR("America/New_York")));
    qo_val_t noon = local_time(12, 0, 0, 0);
    EXPECT_EQ(zoned_iso(local_date(2024, 3, 30), noon, berlin), "2024-03-30T11:00:00.000Z");
    EXPECT_EQ(zoned_iso(local_date(2024, 4, 1), noon, berlin), "2024-04-01T10:00:00.000Z");
    EXPECT_EQ(zoned_iso(local_date(2024, 10, 26), noon, berlin), "2024-10-26T10:00:00.000Z");
    EXPECT_EQ(zoned_iso(local_date(2024, 10, 28), noon, berlin), "2024-10-28T11:00:00.000Z");
    EXPECT_EQ(zoned_iso(local_date(2024, 3, 11), noon, new_york), "2024-03-11T16:00:00.000Z");
    // Formatting reads the wall clock back, abbreviation included.
    EXPECT_EQ(fmt(iso("2024-03-31T00:59:00Z"), berlin, "HH:mm z"), "01:59 CET");
    EXPECT_EQ(fmt(iso("2024-03-31T01:00:00Z"), berlin, "HH:mm z"), "03:00 CEST");
    EXPECT_EQ(fmt(iso("2024-11-03T05:30:00Z"), new_york, "h:mm a z"), "1:30 AM EDT");
    EXPECT_EQ(fmt(iso("2024-11-03T06:30:00Z"), new_york, "h:mm a z"), "1:30 AM EST");
}

TEST(EarthFormat, EveryLetterAndRunLength) {
    qo_val_t utc = utc_cal();
    qo_val_t t = iso("2024-03-05T14:07:09Z");  // a Tuesday
    EXPECT_EQ(fmt(0, utc, "yyyy-MM-dd'T'HH:mm:ss|yy/M/d|EEE, MMM d|h:mm a"),
              "1970-01-01T00:00:00|70/1/1|Thu, Jan 1|12:00 AM");
    EXPECT_EQ(fmt(t, utc, "y|yy|yyy|yyyy|yyyyy"), "24|24|24|2024|2024");
    EXPECT_EQ(fmt(t, utc, "M|MM|MMM|MMMM"), "3|03|Mar|Mar");
    EXPECT_EQ(fmt(t, utc, "d|dd|ddd"), "5|05|05");
    EXPECT_EQ(fmt(t, utc, "H|HH|h|hh|hhh|m|mm|s|ss"), "14|14|2|02|02|7|07|9|09");
    EXPECT_EQ(fmt(t, utc, "a|aa|E|EEEE|z|zz"), "PM|PM|Tue|Tue|UTC|UTC");
    EXPECT_EQ(fmt(iso("2024-03-05T12:00:00Z"), utc, "h a"), "12 PM");
    EXPECT_EQ(fmt(t, utc, "xx--Q ."), "xx--Q .");
    // Quotes: literal text, an empty pair, an unclosed quote, a final quote.
    EXPECT_EQ(fmt(t, utc, "'yyyy is' yyyy"), "yyyy is 2024");
    EXPECT_EQ(fmt(t, utc, "HH''mm") + fmt(0, utc, "HH'") + fmt(t, utc, "HH'at mm"), "1407" "00" "14at mm");
    EXPECT_EQ(fmt(t, utc, "") + QO_STR_PTR(cal_format(in_calendar(t, utc), 0)), "");
    // A fixed zone shifts the wall clock; its abbreviation is the POSIX one.
    EXPECT_EQ(fmt(t, earth_calendar(zone(QO_STR("-08:00"))), "dd HH:mm z"), "05 06:07 FIX");
    // Before 1970 a fraction of a second still belongs to the earlier second.
    EXPECT_EQ(fmt(-kSec / 2, utc, "yyyy-MM-dd HH:mm:ss"), "1969-12-31 23:59:59");
    EXPECT_EQ(fmt(INT64_MIN, utc, "yyyy-MM-dd HH:mm:ss"), "1677-09-21 00:12:43");
    EXPECT_EQ(fmt(INT64_MAX, utc, "yyyy-MM-dd HH:mm:ss"), "2262-04-11 23:47:16");
}

TEST(CycleFormat, MarsCyclesRelativeAndNoCycle) {
    qo_val_t mars = mars_calendar();
    EXPECT_EQ(fmt(kSol * 3 + kSol / 2, mars, "Sol %sol at %phase"), "Sol 3 at 0.5000");
    EXPECT_EQ(fmt(kSol * 3, mars, "%d|%x|%%|%s|%p|%"), "3|x|%|s|p|%");
    EXPECT_EQ(fmt(-kSol / 2, mars, "%sol %phase"), "-1 0.5000");
    qo_val_t thousand = cycle_calendar(1000);
    EXPECT_EQ(fmt(2500, thousand, "%cycle/%f"), "2/0.50");
    EXPECT_EQ(fmt(2500, thousand, "%q %d %phase %%|%"), "%q 2 0.5000 %%|%");
    EXPECT_EQ(fmt(-1, cycle_calendar(4), "%cycle %phase"), "-1 0.7500");
    EXPECT_EQ(fmt(3500, relative_calendar(1000), "%cycle ns, %phase"), "2500 ns, 0.0000");
    // Relative offsets can exceed the 64-bit range in either direction.
    EXPECT_EQ(fmt(INT64_MAX, relative_calendar(INT64_MIN), "%cycle"), "18446744073709551615");
    EXPECT_EQ(fmt(INT64_MIN, relative_calendar(INT64_MAX), "%d"), "-18446744073709551615");
    EXPECT_EQ(fmt(42, no_cycle_calendar(), "yyyy %cycle"), "instant:42");
    EXPECT_EQ(fmt(INT64_MIN, no_cycle_calendar(), ""), "instant:-9223372036854775808");
}

}  // namespace
