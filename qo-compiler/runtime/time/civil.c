/*
 * civil.c -- the proleptic Gregorian calendar in plain integer arithmetic.
 *
 * Reading ISO text and converting UTC wall clocks need "days since
 * 1970-01-01" for any date. timegm would do, but its failure value -1 is also
 * the valid answer for 1969-12-31T23:59:59, so the arithmetic is done here:
 * the era-based day count (400-year eras of 146,097 days, years starting in
 * March so that the leap day comes last) is exact for every 64-bit year that
 * a 32-bit date or an Instant can reach, and never fails.
 */

static int _qo_civil_is_leap(int64_t year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

/* A month number outside 1-12 counts as 30 days long. */
int _qo_time_days_in_month(int64_t year, int64_t month) {
    static const int lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 30;
    return month == 2 && _qo_civil_is_leap(year) ? 29 : lengths[month - 1];
}

int64_t _qo_time_days_from_civil(int64_t year, int64_t month, int64_t day) {
    year += (int64_t)_qo_time_floor_div(month - 1, 12);
    month = _qo_time_floor_mod(month - 1, 12) + 1;
    if (month <= 2) year--;
    int64_t era = (int64_t)_qo_time_floor_div(year, 400);
    int64_t yoe = year - era * 400;                              /* 0..399 */
    int64_t doy = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5; /* 0..365 */
    int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;         /* 0..146096 */
    return era * 146097 + doe - 719468 + (day - 1);
}
