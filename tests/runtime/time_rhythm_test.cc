// Rhythms: next occurrences in cycle, Earth (fixed and named zones) and
// Mars calendars, combinations, and matching.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>

#include "qo_runtime.h"

namespace {

constexpr int64_t kSec = 1000000000LL, kMin = 60 * kSec, kHour = 60 * kMin, kDay = 24 * kHour;
constexpr int64_t kWeek = 7 * kDay, kSol = 88775244000000LL;

qo_val_t iso(const char *s) { return instant_from_iso8601(QO_STR(s)); }
qo_val_t utc_cal() { return earth_calendar(zone_utc()); }
qo_val_t cal_of(const char *zone_name) { return earth_calendar(zone(QO_STR(zone_name))); }
std::string next_iso(qo_val_t r, qo_val_t t, qo_val_t cal) {
    return QO_STR_PTR(instant_to_iso8601(rhythm_next_after(r, t, cal)));
}

TEST(Rhythms, CycleStartsAndPhasesNeverAnswerTheInstantItself) {
    qo_val_t start = rhythm_cycle_start(), half = rhythm_cycle_phase(qo_from_float(0.5));
    EXPECT_EQ(rhythm_next_after(start, 0, utc_cal()), kDay);
    EXPECT_EQ(rhythm_next_after(start, kDay, utc_cal()), 2 * kDay);
    EXPECT_EQ(rhythm_next_after(start, -10 * kHour, utc_cal()), 0);  // before 1970 too
    EXPECT_EQ(rhythm_next_after(start, 5, relative_calendar(3)), 3 + kDay);
    qo_val_t hundred = cycle_calendar(100);
    EXPECT_EQ(rhythm_next_after(half, 20, hundred), 50);
    EXPECT_EQ(rhythm_next_after(half, 50, hundred), 150);
    EXPECT_EQ(rhythm_next_after(half, -70, hundred), -50);
    // Phases outside [0, 1) wrap into the cycle rather than into the past.
    EXPECT_EQ(rhythm_next_after(rhythm_cycle_phase(qo_from_float(1.25)), 20, hundred), 25);
    EXPECT_EQ(rhythm_next_after(rhythm_cycle_phase(qo_from_float(-0.25)), 80, hundred), 175);
    EXPECT_EQ(rhythm_next_after(rhythm_cycle_phase(qo_from_float(NAN)), 20, hundred), 100);
    EXPECT_EQ(rhythm_next_after(rhythm_duration(0), 77, hundred), 78);
}

TEST(Rhythms, EndsOfTheRangeSaturateInsteadOfWrapping) {
    EXPECT_EQ(rhythm_next_after(rhythm_duration(kHour), INT64_MAX - 5, utc_cal()), INT64_MAX);
    EXPECT_EQ(rhythm_next_after(rhythm_cycle_start(), INT64_MAX - kSec, utc_cal()), INT64_MAX);
    EXPECT_EQ(rhythm_next_after(rhythm_cycle_start(), INT64_MIN, utc_cal()), INT64_MIN / kDay * kDay);
    // Day boundaries counted from the most negative epoch: the first one after 0.
    int64_t boundary = (INT64_MIN % kDay + kDay) % kDay;
    EXPECT_EQ(rhythm_next_after(rhythm_cycle_start(), 0, relative_calendar(INT64_MIN)), boundary ? boundary : kDay);
    EXPECT_EQ(rhythm_next_after(rhythm_weekday(1), INT64_MAX - kSec, utc_cal()), INT64_MAX);
    // "never" loses to any real occurrence in an "or".
    qo_val_t never_or_soon = rhythm_or(rhythm_duration(kHour), rhythm_duration(1));
    EXPECT_EQ(rhythm_next_after(never_or_soon, INT64_MAX - 5, utc_cal()), INT64_MAX - 4);
}

TEST(Rhythms, AndOrCombinationsIncludingNullChildren) {
    qo_val_t start = rhythm_cycle_start(), half = rhythm_cycle_phase(qo_from_float(0.5));
    qo_val_t ten = iso("2024-05-06T10:00:00Z");
    // Unscheduled kinds and non-rhythms answer the instant itself.
    for (qo_val_t none : {rhythm_session_start(), rhythm_event(QO_STR("deploy")), rhythm_event(0), (qo_val_t)0,
                          (qo_val_t)17, QO_STR("r"), utc_cal(), qo_list_empty()})
        EXPECT_EQ(rhythm_next_after(none, ten, utc_cal()), ten);
    EXPECT_STREQ(((const qo_rhythm *)_qo_time_record(rhythm_event(0), QO_RHYTHM_TAG))->event, "");
    EXPECT_EQ(next_iso(rhythm_or(start, half), ten, utc_cal()), "2024-05-06T12:00:00.000Z");
    EXPECT_EQ(next_iso(rhythm_and(start, half), ten, utc_cal()), "2024-05-07T00:00:00.000Z");
    EXPECT_EQ(rhythm_next_after(rhythm_and(0, half), ten, utc_cal()), ten + 2 * kHour);
    EXPECT_EQ(rhythm_next_after(rhythm_or(half, QO_STR("x")), ten, utc_cal()), ten);
    EXPECT_EQ(rhythm_next_after(rhythm_and(rhythm_or(start, half), rhythm_duration(kHour)), ten, utc_cal()),
              ten + 2 * kHour);
    const auto *both = (const qo_rhythm *)_qo_time_record(rhythm_and(5, start), QO_RHYTHM_TAG);
    EXPECT_EQ(both->left, nullptr);
    EXPECT_EQ((qo_val_t)(intptr_t)both->right, start);
}

TEST(Rhythms, DeepAndSharedCombinationsStayFast) {
    qo_val_t deep = rhythm_duration(kSec);
    for (int i = 0; i < 200000; i++) deep = i % 2 ? rhythm_or(deep, 0) : rhythm_and(deep, rhythm_duration(1));
    EXPECT_EQ(rhythm_next_after(deep, 100, cycle_calendar(10)), 100);  // the last "or" holds a null child
    // Every level refers to the one below twice: 2^80 paths, 80 distinct nodes.
    qo_val_t shared = rhythm_duration(kMin);
    for (int i = 0; i < 80; i++)
        shared = i % 2 ? rhythm_or(shared, rhythm_and(shared, rhythm_duration(1))) : rhythm_and(shared, shared);
    EXPECT_EQ(rhythm_next_after(shared, 0, cycle_calendar(10)), kMin);
}

TEST(Rhythms, WeekdaysInAFixedZone) {
    qo_val_t plus2 = cal_of("+02:00");
    qo_val_t monday_8 = iso("2024-01-08T06:00:00Z");  // Monday 08:00 at +02:00
    EXPECT_EQ(next_iso(rhythm_weekday(1), monday_8, plus2), "2024-01-14T22:00:00.000Z");
    EXPECT_EQ(next_iso(rhythm_weekly_at(1, 9, 30), monday_8, plus2), "2024-01-08T07:30:00.000Z");
    EXPECT_EQ(next_iso(rhythm_weekly_at(1, 9, 30), iso("2024-01-08T07:30:00Z"), plus2), "2024-01-15T07:30:00.000Z");
    EXPECT_EQ(next_iso(rhythm_weekly_at(1, 9, 30), iso("2024-01-08T07:29:59.999Z"), plus2), "2024-01-08T07:30:00.000Z");
    EXPECT_EQ(next_iso(rhythm_weekday(7), monday_8, plus2), "2024-01-13T22:00:00.000Z");   // Sunday
    EXPECT_EQ(next_iso(rhythm_weekday(0), monday_8, plus2), "2024-01-14T22:00:00.000Z");   // means Monday
    // Hours outside 0-23 roll over but the answer still lies ahead.
    int64_t far_back = rhythm_next_after(rhythm_weekly_at(1, -1000, 0), monday_8, plus2);
    EXPECT_GT(far_back, monday_8);
    EXPECT_LE(far_back - monday_8, kWeek);
    // Before 1970: Wednesday 1969-12-31 in UTC.
    EXPECT_EQ(next_iso(rhythm_weekday(4), -kSec / 2, utc_cal()), "1970-01-01T00:00:00.000Z");
}

TEST(Rhythms, WeekdaysInNamedZonesAcrossDaylightSaving) {
    qo_val_t berlin = cal_of("Europe/Berlin"), new_york = cal_of("America/New_York");
    // Friday before the spring change; Monday after it is in summer time.
    EXPECT_EQ(next_iso(rhythm_weekly_at(1, 9, 0), iso("2024-03-29T11:00:00Z"), berlin), "2024-04-01T07:00:00.000Z");
    EXPECT_EQ(next_iso(rhythm_weekday(7), iso("2024-03-29T11:00:00Z"), berlin), "2024-03-30T23:00:00.000Z");
    // A week on from a Monday in winter time lands in summer time.
    EXPECT_EQ(next_iso(rhythm_weekly_at(1, 9, 0), iso("2024-03-25T08:00:00Z"), berlin), "2024-04-01T07:00:00.000Z");
    EXPECT_EQ(next_iso(rhythm_weekday(7), iso("2024-11-01T16:00:00Z"), new_york), "2024-11-03T04:00:00.000Z");
    EXPECT_EQ(next_iso(rhythm_weekly_at(1, 9, 0), iso("2024-11-01T16:00:00Z"), new_york), "2024-11-04T14:00:00.000Z");
    EXPECT_EQ(next_iso(rhythm_weekly_at(7, 9, 0), iso("2024-11-03T13:00:00Z"), new_york), "2024-11-03T14:00:00.000Z");
}

TEST(Rhythms, WeekdaysOutsideEarthCalendarsAdvanceOneCycle) {
    EXPECT_EQ(rhythm_next_after(rhythm_weekday(1), 1000, mars_calendar()), 1000 + kSol);
    EXPECT_EQ(rhythm_next_after(rhythm_weekly_at(2, 3, 4), 1000, cycle_calendar(7)), 1007);
    EXPECT_EQ(rhythm_next_after(rhythm_weekday(1), 1000, no_cycle_calendar()), 1000 + kDay);
}

TEST(Rhythms, MatchingWithinAThousandthOfACycle) {
    qo_val_t start = rhythm_cycle_start(), quarter = rhythm_cycle_phase(qo_from_float(0.25));
    qo_val_t zero = rhythm_cycle_phase(qo_from_float(0.0)), utc = utc_cal();
    const struct { qo_val_t r; int64_t at; qo_val_t want; } cases[] = {
        {start, 0, 1}, {start, 1, 0}, {start, -kDay, 1},
        {quarter, 6 * kHour + 50000000, 1}, {quarter, 6 * kHour - 80 * kSec, 1},
        {quarter, 6 * kHour + 100 * kSec, 0}, {quarter, -18 * kHour, 1},
        // Just before the cycle starts is as close to phase 0 as just after.
        {zero, kDay - 60 * kSec, 1}, {zero, 60 * kSec, 1},
        {rhythm_cycle_phase(qo_from_float(NAN)), 0, 0}, {rhythm_event(QO_STR("e")), 0, 0},
        {rhythm_session_start(), 0, 0}, {rhythm_weekday(4), 0, 0}, {rhythm_duration(1), 0, 0},
        {rhythm_or(start, 0), 0, 0}, {5, 0, 0},
    };
    for (const auto &c : cases) EXPECT_EQ(rhythm_matches(c.r, in_calendar(c.at, utc)), c.want) << c.at;
    EXPECT_EQ(rhythm_matches(start, start), 0);
}

}  // namespace
