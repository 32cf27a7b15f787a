// Interning of zones and calendars, up to and past full tables. A program of
// its own: once the tables are full, nothing new is interned in the process.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "qo_runtime.h"

namespace {

qo_val_t zn(const std::string &name) { return zone(QO_STR(name.c_str())); }

TEST(Interning, SameZoneOrCalendarIsTheSameRecord) {
    EXPECT_EQ(zn("+05:30"), zn("+05:30"));
    EXPECT_EQ(zn("+05:30"), zone_offset(5, 30));
    EXPECT_EQ(zone_offset(-5, 30), zone_offset(5, -30));
    EXPECT_EQ(zone_offset(-5, 30), zn("-05:30"));
    EXPECT_EQ(zn(""), zone(0));
    EXPECT_EQ(zone_utc(), zone_utc());
    EXPECT_EQ(zn("LOCAL"), zone_local());
    EXPECT_NE(zn("Europe/Berlin"), zn("Europe/Paris"));
    EXPECT_EQ(earth_calendar(zn("Europe/Berlin")), earth_calendar(zn("Europe/Berlin")));
    EXPECT_NE(earth_calendar(zone_utc()), earth_calendar(zone(0)));
    EXPECT_EQ(relative_calendar(9), relative_calendar(9));
    EXPECT_NE(relative_calendar(9), relative_calendar(10));
    EXPECT_EQ(cycle_calendar(0), cycle_calendar(1));
}

TEST(Interning, ConcurrentRequestsAgree) {
    std::vector<qo_val_t> got(8);
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; i++)
        threads.emplace_back([&got, i] {
            qo_val_t z = 0;
            for (int k = 0; k < 200; k++) z = zone(QO_STR("Asia/Kolkata"));
            got[i] = (qo_val_t)(intptr_t)((const qo_calendar *)_qo_time_record(earth_calendar(z), QO_CALENDAR_TAG))->zone;
        });
    for (auto &t : threads) t.join();
    for (qo_val_t z : got) EXPECT_EQ(z, got[0]);
}

TEST(Interning, FullTablesHandOutFreshRecords) {
    qo_val_t kept_zone = zn("+01:00");
    qo_val_t kept_cal = cycle_calendar(77);
    for (int i = 0; i < 64; i++) {
        zn("Test/Zone" + std::to_string(i));
        cycle_calendar(1000 + i);
    }
    // The 65th distinct zone (or later) is made anew on every request...
    qo_val_t a = zn("Test/Overflow"), b = zn("Test/Overflow");
    EXPECT_NE(a, b);
    EXPECT_STREQ(((const qo_zone *)_qo_time_record(a, QO_ZONE_TAG))->name, "Test/Overflow");
    EXPECT_STREQ(((const qo_zone *)_qo_time_record(b, QO_ZONE_TAG))->name, "Test/Overflow");
    EXPECT_NE(cycle_calendar(5000), cycle_calendar(5000));
    EXPECT_NE(earth_calendar(a), earth_calendar(a));
    // ...while what was interned before stays the one record.
    EXPECT_EQ(zn("+01:00"), kept_zone);
    EXPECT_EQ(cycle_calendar(77), kept_cal);
    EXPECT_EQ(zn("Test/Zone0"), zn("Test/Zone0"));
    // Fresh records still work everywhere a zone or calendar does.
    _qo_apply_zone(zone_offset(3, 7));
    EXPECT_STREQ(getenv("TZ"), "FIX-3:07");
    EXPECT_STREQ(QO_STR_PTR(cal_format(in_calendar(2500, cycle_calendar(6000)), QO_STR("%cycle"))), "0");
}

}  // namespace
