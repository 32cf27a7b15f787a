// Instants and durations, ISO 8601 text both ways, the millisecond family,
// clocks and sleeping.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "qo_runtime.h"

namespace {

std::string text(qo_val_t v) { return QO_STR_PTR(v); }
qo_val_t iso(const char *s) { return instant_from_iso8601(QO_STR(s)); }
constexpr int64_t kSec = 1000000000LL, kMs = 1000000LL;

TEST(Iso8601, PrintsAndEveryMillisecondInstantRoundTrips) {
    EXPECT_EQ(text(instant_to_iso8601(0)), "1970-01-01T00:00:00.000Z");
    EXPECT_EQ(text(instant_to_iso8601(-1500000000LL)), "1969-12-31T23:59:58.500Z");
    EXPECT_EQ(text(instant_to_iso8601(-1)), "1970-01-01T00:00:00.000Z");  // sub-ms truncates toward zero
    EXPECT_EQ(text(instant_to_iso8601(1709294405250000000LL)), "2024-03-01T12:00:05.250Z");
    EXPECT_EQ(text(instant_to_iso8601(INT64_MAX)), "2262-04-11T23:47:16.854Z");
    EXPECT_EQ(text(instant_to_iso8601(INT64_MIN)), "1677-09-21T00:12:43.146Z");
    // Spread over the whole range, both sides of 1970, whole-second and
    // fractional, plus the second before the epoch (timegm's -1).
    uint64_t x = 0x9E3779B97F4A7C15ull;
    for (int i = 0; i < 20000; i++) {
        x = x * 6364136223846793005ull + 1442695040888963407ull;
        int64_t inst = (int64_t)x / kMs * kMs;
        if (i % 3 == 0) inst = inst / kSec * kSec;
        ASSERT_EQ(iso(QO_STR_PTR(instant_to_iso8601(inst))), inst) << inst;
    }
    for (int64_t inst : {-kSec, -kMs, -2 * kSec + 999 * kMs, INT64_MAX / kMs * kMs, INT64_MIN / kMs * kMs})
        EXPECT_EQ(iso(QO_STR_PTR(instant_to_iso8601(inst))), inst) << inst;
}

TEST(Iso8601, ReadsFractionsAndOffsetsAsIsoMeansThem) {
    const int64_t base = unix_seconds(1704164645);  // 2024-01-02T03:04:05Z
    EXPECT_EQ(iso("2024-01-02T03:04:05Z"), base);
    EXPECT_EQ(iso("2024-01-02T03:04:05.123Z"), base + 123 * kMs);
    EXPECT_EQ(iso("2024-01-02T03:04:05.5Z"), base + 500 * kMs);
    EXPECT_EQ(iso("2024-01-02T03:04:05.05Z"), base + 50 * kMs);
    EXPECT_EQ(iso("2024-01-02T03:04:05.123999Z"), base + 123 * kMs);
    EXPECT_EQ(iso("2024-01-02T03:04:05+02:00"), base - 2 * 3600 * kSec);
    EXPECT_EQ(iso("2024-01-02T03:04:05.250-0530"), base + (5 * 3600 + 1800) * kSec + 250 * kMs);
    EXPECT_EQ(iso("2024-01-02T03:04:05 trailing words"), base);
    // Fields roll over instead of being refused.
    EXPECT_EQ(iso("2023-13-01T00:00:00Z"), iso("2024-01-01T00:00:00Z"));
    EXPECT_EQ(iso("2024-03-01T00:00:-1Z"), iso("2024-02-29T23:59:59Z"));
    // Unreadable text, or a moment outside the Instant range, is the epoch.
    for (const char *junk : {"", "2024-01-02", "garbage", "2024-01-02 03:04:05", "T::",
                             "99999999999-01-01T00:00:00Z", "3000-01-01T00:00:00Z", "1600-01-01T00:00:00Z"})
        EXPECT_EQ(iso(junk), 0) << junk;
    for (qo_val_t junk : {(qo_val_t)0, (qo_val_t)5, qo_list_empty()}) EXPECT_EQ(instant_from_iso8601(junk), 0);
}

TEST(Durations, ConversionsTruncateAndArithmeticWraps) {
    EXPECT_EQ(duration_to_seconds(-1500000000LL), -1);
    EXPECT_EQ(instant_to_unix_millis(-1), 0);
    EXPECT_EQ(instant_to_unix_seconds(unix_millis(2500)), 2);
    // Plain two's complement: UBSan turns any signed overflow into a failure.
    EXPECT_EQ(qo_instant_add_dur(INT64_MAX, 1), INT64_MIN);
    EXPECT_EQ(qo_instant_diff(INT64_MIN, 1), INT64_MAX);
    EXPECT_EQ(qo_duration_scale(INT64_MAX, 2), -2);
    EXPECT_EQ(unix_seconds(INT64_MAX), (int64_t)((uint64_t)INT64_MAX * 1000000000ull));
    EXPECT_EQ(qo_duration_div(INT64_MIN, -1), INT64_MIN);  // no division trap
    for (int64_t d : {INT64_MIN, (int64_t)-1, INT64_MAX}) EXPECT_EQ(qo_duration_div(d, 0), 0);
    EXPECT_EQ(qo_instant_lt(-1, 1) + qo_instant_gt(INT64_MIN, INT64_MAX) + qo_duration_le(-2, -3), 1);
}

TEST(MillisecondTime, FormatsPartsAndUnits) {
    for (qo_val_t fmt : {QO_STR("ISO"), QO_STR(""), (qo_val_t)0})
        EXPECT_EQ(text(time_format(0, fmt)), "1970-01-01T00:00:00.000Z");
    EXPECT_EQ(text(time_format(-1, QO_STR("ISO"))), "1969-12-31T23:59:59.999Z");
    EXPECT_EQ(text(time_format(0, QO_STR("%Y"))), "1970");
    std::string wide(200, 'x');
    wide += "%Y%Y%Y%Y%Y%Y%Y%Y%Y%Y%Y%Y%Y%Y%Y";  // 260 bytes once expanded
    EXPECT_EQ(text(time_format(0, QO_STR(wide.c_str()))), "");
    EXPECT_EQ(text(time_to_parts(-1)),
              "{\"year\":1969,\"month\":12,\"day\":31,\"hour\":23,\"minute\":59,\"second\":59,\"ms\":999}");
    // The far ends of the millisecond range still have a calendar date.
    EXPECT_EQ(text(time_to_parts(INT64_MAX)).substr(0, 18), "{\"year\":292278994,");
    EXPECT_EQ(text(time_format(INT64_MIN, 0)).substr(0, 11), "-292275055-");

    EXPECT_EQ(time_add(0, 2, QO_STR("hour")), 7200000);
    EXPECT_EQ(time_add(0, 2, QO_STR("hours")), 2);  // unknown units count as ms
    EXPECT_EQ(time_add(10, 1, QO_STR("Day")), 11);
    EXPECT_EQ(time_add(INT64_MAX, 1, QO_STR("day")), (int64_t)((uint64_t)INT64_MAX + 86400000u));
    EXPECT_EQ(time_diff(0, -1500, QO_STR("sec")), -1);
    EXPECT_EQ(time_diff(INT64_MIN, INT64_MAX, QO_STR("ms")), -1);  // wraps
    EXPECT_EQ(time_from_parts(3, 2500000, 99), 3002);
}

TEST(Clocks, ReadTheSystemClockAndSleepOnce) {
    int64_t before = std::chrono::duration_cast<std::chrono::nanoseconds>(
                         std::chrono::system_clock::now().time_since_epoch()).count();
    int64_t ns = now(), ms = time_now(), secs = unix_timestamp();
    EXPECT_TRUE(ns >= before && ns - before < 5 * kSec);
    EXPECT_TRUE(ms >= before / kMs && ms - ns / kMs <= 5000);
    EXPECT_LE(secs - ns / kSec, 5);

    using clock = std::chrono::steady_clock;
    auto t0 = clock::now();
    EXPECT_EQ(sleep_ms(-1500) + sleep_secs(INT64_MIN) + qo_sleep_duration(-kSec), 0);
    auto t1 = clock::now();
    EXPECT_EQ(sleep_ms(1010), 0);  // whole seconds and the rest, in one nanosleep
    auto t2 = clock::now();
    EXPECT_LT(t1 - t0, std::chrono::milliseconds(1000));
    EXPECT_GE(t2 - t1, std::chrono::milliseconds(1010));
}

}  // namespace
