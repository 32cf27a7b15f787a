// The time subsystem's hot paths, each beside the plain C library way of
// doing the same job where there is one: ISO text (against sscanf + timegm
// and gmtime_r + snprintf), Earth calendar formatting in a zone (against
// localtime_r + strftime with TZ already set), the record test (against a
// page probe plus a tag read), date stepping, and rhythm queries.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "qo_runtime.h"

namespace {

constexpr int64_t kSec = 1000000000LL, kDay = 86400 * kSec;
const int64_t kInstant = 1709294405250000000LL;  // 2024-03-01T12:00:05.250Z

void drop(qo_val_t s) { free((void *)(intptr_t)s); }  // no arena is active here

void BM_IsoFormat_Qo(benchmark::State &state) {
    for (auto _ : state) drop(instant_to_iso8601(kInstant));
}

void BM_IsoFormat_Libc(benchmark::State &state) {
    char buf[64];
    for (auto _ : state) {
        time_t t = (time_t)(kInstant / kSec);
        struct tm tm;
        gmtime_r(&t, &tm);
        snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", tm.tm_year + 1900, tm.tm_mon + 1,
                 tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, (int)(kInstant / 1000000 % 1000));
        benchmark::DoNotOptimize(buf);
    }
}

void BM_IsoParse_Qo(benchmark::State &state) {
    qo_val_t text = QO_STR("2024-03-01T12:00:05.250+01:00");
    for (auto _ : state) benchmark::DoNotOptimize(instant_from_iso8601(text));
}

void BM_IsoParse_SscanfTimegm(benchmark::State &state) {
    const char *text = "2024-03-01T12:00:05.250Z";
    for (auto _ : state) {
        struct tm tm = {};
        int ms = 0;
        sscanf(text, "%d-%d-%dT%d:%d:%d.%3d", &tm.tm_year, &tm.tm_mon, &tm.tm_mday, &tm.tm_hour, &tm.tm_min,
               &tm.tm_sec, &ms);
        tm.tm_year -= 1900;
        tm.tm_mon -= 1;
        benchmark::DoNotOptimize(timegm(&tm) * kSec + ms * 1000000LL);
    }
}

void BM_EarthFormat_Qo(benchmark::State &state, const char *zone_name) {
    qo_val_t ct = in_calendar(kInstant, earth_calendar(zone(QO_STR(zone_name))));
    for (auto _ : state) drop(cal_format(ct, QO_STR("EEE, d MMM yyyy HH:mm:ss z")));
}

void BM_EarthFormat_Strftime(benchmark::State &state, const char *zone_name) {
    setenv("TZ", zone_name, 1);
    tzset();
    char buf[64];
    for (auto _ : state) {
        time_t t = (time_t)(kInstant / kSec);
        struct tm tm;
        localtime_r(&t, &tm);
        benchmark::DoNotOptimize(strftime(buf, sizeof buf, "%a, %e %b %Y %H:%M:%S %Z", &tm));
    }
}

void BM_MarsFormat(benchmark::State &state) {
    qo_val_t ct = in_calendar(kInstant, mars_calendar());
    for (auto _ : state) drop(cal_format(ct, QO_STR("Sol %sol, %phase")));
}

void BM_RecordTest_Pool(benchmark::State &state) {
    // A few thousand records so the pool has several chunks to look through.
    qo_val_t d = 0;
    for (int i = 0; i < 5000; i++) d = local_date(2024, 1, 1 + i % 28);
    for (auto _ : state) benchmark::DoNotOptimize(local_date_day(d));
}

void BM_RecordTest_ProbeAndTag(benchmark::State &state) {
    qo_val_t d = local_date(2024, 1, 2);
    for (auto _ : state) {
        const void *p = (const void *)(intptr_t)d;
        benchmark::DoNotOptimize(_qo_readable(p, 4) && *(const uint32_t *)p == QO_LOCAL_DATE_TAG);
    }
}

void BM_LocalDateAdd(benchmark::State &state) {
    qo_val_t d = local_date(2024, 1, 31);
    int64_t dur = state.range(0) * kDay;
    for (auto _ : state) benchmark::DoNotOptimize(qo_local_date_add_dur(d, dur));
}

void BM_ZonedBerlin(benchmark::State &state) {
    qo_val_t cal = earth_calendar(zone(QO_STR("Europe/Berlin")));
    qo_val_t date = local_date(2024, 3, 31), noon = local_time(12, 0, 0, 0);
    for (auto _ : state) benchmark::DoNotOptimize(zoned(date, noon, cal));
}

void BM_RhythmWeeklyBerlin(benchmark::State &state) {
    qo_val_t cal = earth_calendar(zone(QO_STR("Europe/Berlin")));
    qo_val_t r = rhythm_weekly_at(1, 9, 30);
    for (auto _ : state) benchmark::DoNotOptimize(rhythm_next_after(r, kInstant, cal));
}

void BM_RhythmCombination(benchmark::State &state) {
    qo_val_t cal = cycle_calendar(1000);
    qo_val_t r = rhythm_duration(3);
    for (int i = 0; i < state.range(0); i++)
        r = i % 2 ? rhythm_or(r, rhythm_cycle_start()) : rhythm_and(r, rhythm_cycle_phase(qo_from_float(0.5)));
    for (auto _ : state) benchmark::DoNotOptimize(rhythm_next_after(r, 2500, cal));
    state.SetItemsProcessed((int64_t)state.iterations() * state.range(0));
}

BENCHMARK(BM_IsoFormat_Qo);
BENCHMARK(BM_IsoFormat_Libc);
BENCHMARK(BM_IsoParse_Qo);
BENCHMARK(BM_IsoParse_SscanfTimegm);
BENCHMARK_CAPTURE(BM_EarthFormat_Qo, utc, "UTC");
BENCHMARK_CAPTURE(BM_EarthFormat_Strftime, utc, "UTC");
BENCHMARK_CAPTURE(BM_EarthFormat_Qo, berlin, "Europe/Berlin");
BENCHMARK_CAPTURE(BM_EarthFormat_Strftime, berlin, "Europe/Berlin");
BENCHMARK(BM_MarsFormat);
BENCHMARK(BM_RecordTest_Pool);
BENCHMARK(BM_RecordTest_ProbeAndTag);
BENCHMARK(BM_LocalDateAdd)->Arg(1)->Arg(365)->Arg(106751);
BENCHMARK(BM_ZonedBerlin);
BENCHMARK(BM_RhythmWeeklyBerlin);
BENCHMARK(BM_RhythmCombination)->Arg(2)->Arg(64)->Arg(4096);

}  // namespace
