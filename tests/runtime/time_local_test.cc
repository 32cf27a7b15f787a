// Zones, applying a zone to the process, local dates and times, and the
// record test that every time function relies on.
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <climits>
#include <cstdlib>
#include <ctime>
#include <string>

#include "qo_runtime.h"

namespace {

const qo_zone *Z(qo_val_t v) { return (const qo_zone *)_qo_time_record(v, QO_ZONE_TAG); }
qo_val_t zn(const char *name) { return zone(QO_STR(name)); }
std::string tz_after(qo_val_t z) {
    _qo_apply_zone(z);
    const char *tz = getenv("TZ");
    return tz ? tz : "<unset>";
}
std::string ymd(qo_val_t d) {
    return std::to_string(local_date_year(d)) + "-" + std::to_string(local_date_month(d)) + "-" +
           std::to_string(local_date_day(d));
}
constexpr int64_t kDay = 86400000000000LL, kHour = 3600000000000LL, kMin = 60000000000LL;

TEST(Zones, FixedOffsetsNamedZonesAndUtc) {
    EXPECT_EQ(Z(zn("+05:30"))->offset * Z(zn("+05:30"))->fixed, 19800000000000LL);
    EXPECT_EQ(Z(zn("-08:00"))->offset, -28800000000000LL);
    EXPECT_EQ(std::string(Z(zn("-08:00xyz"))->name), "-08:00xyz");
    // The shape alone makes a fixed offset; its digit places are not checked.
    EXPECT_EQ(Z(zn("+0a:00"))->offset * Z(zn("+0a:00"))->fixed, 49 * kHour);
    for (const char *named : {"+5:30", "+05-30", "Europe/Berlin", "LOCAL"}) {
        ASSERT_NE(Z(zn(named)), nullptr);
        EXPECT_EQ(Z(zn(named))->fixed + Z(zn(named))->offset, 0) << named;
    }
    EXPECT_STREQ(Z(zone(0))->name, "UTC");
    EXPECT_EQ(Z(zone(0))->fixed + 2 * Z(zone_utc())->fixed, 2u);
    EXPECT_STREQ(Z(zone_offset(-5, 30))->name, "-05:30");
    EXPECT_EQ(Z(zone_offset(0, -45))->offset, -45 * kMin);
    for (auto [h, m] : {std::pair<int64_t, int64_t>{INT64_MAX, 0}, {0, INT64_MIN}, {INT64_MIN, 1}, {2562048, 0}})
        EXPECT_EQ(zone_offset(h, m), 0) << h << " " << m;
}

TEST(Zones, ApplyingSetsTheProcessTimeZone) {
    const std::pair<qo_val_t, const char *> cases[] = {
        {zone_offset(5, 30), "FIX-5:30"}, {zn("-08:00"), "FIX+8:00"}, {zn("+00:00"), "FIX+0:00"},
        {zone_utc(), "UTC0"}, {zn("Europe/Berlin"), "Europe/Berlin"}, {zone(0), "UTC"}, {zone_local(), "<unset>"}};
    for (const auto &[z, want] : cases) EXPECT_EQ(tz_after(z), want);
    setenv("TZ", "Asia/Tokyo", 1);
    EXPECT_EQ(tz_after(0), "<unset>");
    // The C library really computes in the applied zone.
    _qo_apply_zone(zone_offset(5, 30));
    struct tm tm;
    ASSERT_TRUE(_qo_zone_localtime(0, &tm));
    EXPECT_EQ(tm.tm_hour * 60 + tm.tm_min, 5 * 60 + 30);
}

TEST(RecordTest, RejectsEveryWordThatIsNotARecordOfTheKind) {
    qo_val_t d = local_date(2024, 5, 6);
    void *guard = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(guard, MAP_FAILED);
    // A string whose first bytes are the date tag is still a string.
    static const unsigned char fake[] = {0x00, 0x7E, 0xDA, 0xE1, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
    for (qo_val_t junk : {(qo_val_t)0, (qo_val_t)5, (qo_val_t)-1, (qo_val_t)0xFFFF, (qo_val_t)INT64_MIN,
                          (qo_val_t)INT64_MAX, (qo_val_t)0x123456789ABCLL, QO_STR("2024-05-06"),
                          qo_list_empty(), qo_map_new(0), zone_utc(), d + 4, d + 8,
                          (qo_val_t)(intptr_t)guard, (qo_val_t)(intptr_t)fake, _qo_bytes_new(fake, 16)}) {
        EXPECT_EQ(local_date_year(junk), 0) << junk;
        EXPECT_EQ(qo_local_date_lt(junk, d) + qo_local_date_lt(d, junk), 0) << junk;
        EXPECT_EQ(qo_local_date_eq(junk, junk), 0) << junk;
        EXPECT_EQ(qo_local_date_add_dur(junk, kDay), junk) << junk;
        EXPECT_EQ(local_datetime(junk, 0), 0) << junk;
    }
    munmap(guard, 4096);
    EXPECT_EQ(local_date_year(d) * 10000 + local_date_month(d) * 100 + local_date_day(d), 20240506);
    const auto *dt = (const qo_local_datetime *)_qo_time_record(local_datetime(d, 5 * kHour), QO_LOCAL_DATETIME_TAG);
    ASSERT_NE(dt, nullptr);
    EXPECT_EQ((qo_val_t)(intptr_t)dt->date, d);
    EXPECT_EQ(dt->time, 5 * kHour);
}

TEST(LocalDates, StepAcrossMonthYearCenturyAndLeapBoundaries) {
    // Ordinary dates in both directions are checked against the C library
    // below; these are the rounding, range and out-of-range cases.
    struct Case { int y, m, d; int64_t dur; const char *want; } cases[] = {
        {2024, 2, 28, kDay, "2024-2-29"},     {1900, 2, 28, kDay, "1900-3-1"},
        {2024, 1, 15, 23 * kHour, "2024-1-15"}, {2024, 1, 15, -23 * kHour, "2024-1-15"},
        {2024, 1, 15, -25 * kHour, "2024-1-14"}, {1970, 1, 1, INT64_MAX, "2262-4-11"},
        {1970, 1, 1, INT64_MIN, "1677-9-22"},
        // Fields out of range: 30-day months, days past the end, day 0.
        {2024, 13, 30, kDay, "2025-1-1"},     {2024, 0, 29, kDay, "2024-0-30"},
        {2023, 2, 30, kDay, "2023-3-1"},      {2024, 1, 0, -kDay, "2023-12-31"},
        {INT_MAX, 12, 31, kDay, "2147483647-12-31"}, {INT_MIN, 1, 1, -kDay, "-2147483648-1-1"},
    };
    for (const Case &c : cases) {
        qo_val_t d = local_date(c.y, c.m, c.d);
        qo_val_t r = qo_local_date_add_dur(d, c.dur);
        EXPECT_EQ(ymd(r), c.want) << c.y << "-" << c.m << "-" << c.d << " + " << c.dur;
        EXPECT_NE(r, d);  // always a new date
    }
}

TEST(LocalDates, AgreeWithTheCLibraryCalendarOverFourCenturies) {
    uint64_t x = 42;
    for (int i = 0; i < 3000; i++) {
        x = x * 6364136223846793005ull + 1442695040888963407ull;
        int64_t start = (int64_t)(x >> 33) % (146097 * 2) - 146097;  // days around 1970
        int64_t step = (int64_t)(x & 0xFFFF) - 32768;
        time_t t = (time_t)start * 86400;
        struct tm a, b;
        gmtime_r(&t, &a);
        t += (time_t)step * 86400;
        gmtime_r(&t, &b);
        qo_val_t got = qo_local_date_add_dur(local_date(a.tm_year + 1900, a.tm_mon + 1, a.tm_mday), step * kDay);
        ASSERT_EQ(ymd(got), std::to_string(b.tm_year + 1900) + "-" + std::to_string(b.tm_mon + 1) + "-" +
                                std::to_string(b.tm_mday)) << start << " " << step;
    }
}

TEST(LocalDates, CompareByYearThenMonthThenDay) {
    qo_val_t a = local_date(2024, 1, 31), b = local_date(2024, 2, 1), c = local_date(-5, 12, 31);
    EXPECT_EQ(qo_local_date_lt(a, b) + qo_local_date_lt(c, a), 2);
    EXPECT_EQ(qo_local_date_lt(b, a) + qo_local_date_lt(a, a), 0);
    EXPECT_EQ(qo_local_date_eq(a, local_date(2024, 1, 31)) + qo_local_date_eq(a, b), 1);
}

TEST(LocalTimes, FieldsAndWrapAroundMidnight) {
    qo_val_t t = local_time(13, 45, 30, 123);
    EXPECT_EQ(local_time_hour(t), 13);
    EXPECT_EQ(local_time_minute(t), 45);
    EXPECT_EQ(local_time_second(t), 30);
    EXPECT_EQ(local_time_nanos(t), 123);
    EXPECT_EQ(local_time(25, 0, 0, 0), 25 * kHour);  // no normalisation
    EXPECT_EQ(qo_local_time_add_dur(local_time(23, 30, 0, 0), kHour), local_time(0, 30, 0, 0));
    EXPECT_EQ(qo_local_time_add_dur(local_time(0, 15, 0, 0), -30 * kMin), local_time(23, 45, 0, 0));
    EXPECT_EQ(qo_local_time_add_dur(0, -1), kDay - 1);
    for (int64_t a : {INT64_MIN, INT64_MAX, (int64_t)0})
        for (int64_t b : {INT64_MIN, INT64_MAX, (int64_t)-1}) {
            int64_t r = qo_local_time_add_dur(a, b);
            EXPECT_TRUE(r >= 0 && r < kDay) << a << " " << b;
        }
    EXPECT_EQ(local_time(INT64_MAX, 0, 0, 1), (int64_t)((uint64_t)INT64_MAX * 3600000000000ull + 1));
}

}  // namespace
