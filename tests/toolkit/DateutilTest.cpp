#include "toolkit/Dateutil.h"

#include "platform/framework/Classes.h"
#include "platform/kernel/CodePages.h"
#include "platform/kernel/Random.h"
#include "tests/PythonReference.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

namespace {

// Python's datetime and calendar as the reference for day arithmetic. Each input line is
// "year month day deltaDays deltaMonths"; the answer is the date's serial number (days
// from 30 December 1899), the date deltaDays later, its weekday (1 = Sunday), whether the
// year is a leap year, the days of its month, and the date deltaMonths later with the day
// clamped to the month's length.
const char* const calendarScript = R"(
import sys, calendar
from datetime import date, timedelta
base = date(1899, 12, 30)
for line in sys.stdin:
    y, m, d, dd, dm = map(int, line.split())
    start = date(y, m, d)
    try:
        later = start + timedelta(days=dd)
        moved = '%d %d %d' % (later.year, later.month, later.day)
    except OverflowError:
        moved = 'out'
    total = y * 12 + (m - 1) + dm
    ny, nm = divmod(total, 12)
    nm += 1
    if 1 <= ny <= 9999:
        months = '%d %d %d' % (ny, nm, min(d, calendar.monthrange(ny, nm)[1]))
    else:
        months = 'out'
    print((start - base).days, moved, start.isoweekday() % 7 + 1,
          int(calendar.isleap(y)), calendar.monthrange(y, m)[1], months)
)";

class ScopedLocalTime {
public:
    explicit ScopedLocalTime(int year, int month, int day) {
        SetLocalTimeSource([=] {
            SystemTime t;
            t.year = year;
            t.month = month;
            t.day = day;
            t.hour = 9;
            return t;
        });
    }
    ~ScopedLocalTime() { SetLocalTimeSource(nullptr); }
};

class ScopedFormat {
public:
    explicit ScopedFormat(const std::string& locale) : saved_(FormatSettings()) {
        SetFormatSettings(LocaleFormatSettings(locale));
    }
    ScopedFormat(const std::string& locale, const std::string& shortDate) : ScopedFormat(locale) {
        TFormatSettings s = FormatSettings();
        s.ShortDateFormat = shortDate;
        s.DateSeparator = '/';
        SetFormatSettings(s);
    }
    ~ScopedFormat() { SetFormatSettings(saved_); }

private:
    TFormatSettings saved_;
};

std::string ymd(TDateTime value) {
    WORD y, m, d;
    DecodeDate(value, y, m, d);
    return std::to_string(y) + " " + std::to_string(m) + " " + std::to_string(d);
}

} // namespace

TEST(DateCalendar, DayArithmeticAgreesWithPythonsDatetime) {
    VX_REQUIRE_PYTHON();
    std::mt19937 rng(1899);
    std::uniform_int_distribution<int> year(1, 9999), month(1, 12), delta(-40000, 40000), months(-300, 300);
    std::vector<std::string> lines;
    std::vector<TDateTime> dates;
    std::vector<int> dayDeltas, monthDeltas;
    for (int i = 0; i < 3000; ++i) {
        // Years near the ends of the range and leap days come up on purpose.
        int y = i % 10 == 0 ? (i % 20 ? 1 : 9999) : year(rng);
        int m = month(rng);
        int d = 1 + static_cast<int>(rng() % static_cast<unsigned>(DaysPerMonth(y, m)));
        if (i % 7 == 0) y = 4 * (1 + static_cast<int>(rng() % 2499)), m = 2, d = 29;
        if (!IsLeapYear(y) && m == 2 && d == 29) d = 28;
        dates.push_back(EncodeDate(y, m, d));
        dayDeltas.push_back(delta(rng));
        monthDeltas.push_back(months(rng));
        lines.push_back(std::to_string(y) + " " + std::to_string(m) + " " + std::to_string(d) + " " +
                        std::to_string(dayDeltas.back()) + " " + std::to_string(monthDeltas.back()));
    }
    const std::vector<std::string> answers = vx_test::RunPython("calendar", calendarScript, lines);
    ASSERT_EQ(answers.size(), lines.size());
    for (std::size_t i = 0; i < answers.size(); ++i) {
        const TDateTime date = dates[i];
        WORD y, m, d;
        DecodeDate(date, y, m, d);
        std::ostringstream mine;
        mine << static_cast<long long>(date) << " ";
        const TDateTime later = IncDay(date, dayDeltas[i]);
        mine << (ValidDate(later) ? ymd(later) : "out") << " " << DayOfWeek(date) << " " << IsLeapYear(y)
             << " " << DaysPerMonth(y, m) << " ";
        try {
            mine << ymd(IncMonth(date, monthDeltas[i]));
        } catch (const EConvertError&) {
            mine << "out";
        }
        ASSERT_EQ(mine.str(), answers[i]) << lines[i];
        ASSERT_EQ(DaysBetween(date, later), std::max(0, dayDeltas[i] + 1));
        ASSERT_EQ(DaysBetween(later, date), std::max(0, 1 - dayDeltas[i]));
    }
}

TEST(DateCalendar, MonthsClampTheirDay) {
    EXPECT_EQ(IncMonth(EncodeDate(2004, 1, 31), 1), EncodeDate(2004, 2, 29));
    EXPECT_EQ(IncMonth(EncodeDate(2004, 1, 31), 13), EncodeDate(2005, 2, 28));
    EXPECT_EQ(IncMonth(EncodeDate(2004, 3, 31), -1), EncodeDate(2004, 2, 29));
    EXPECT_EQ(IncMonth(EncodeDate(2004, 1, 15), -13), EncodeDate(2002, 12, 15));
    EXPECT_EQ(IncYear(EncodeDate(2004, 2, 29), 1), EncodeDate(2005, 2, 28));
    EXPECT_EQ(IncDate(EncodeDate(2004, 1, 31), 1, 1, 1), EncodeDate(2005, 3, 1));
    EXPECT_THROW(IncYear(EncodeDate(9999, 1, 1), 1), EConvertError);
}

TEST(DateCalendar, ArithmeticKeepsTheTimeOfDay) {
    const TDateTime morning = EncodeDate(2004, 1, 31) + 0.25;
    EXPECT_DOUBLE_EQ(IncMonth(morning, 1), EncodeDate(2004, 2, 29) + 0.25);
    EXPECT_DOUBLE_EQ(IncDay(morning, -3), EncodeDate(2004, 1, 28) + 0.25);
    // Before 30 December 1899 a date-time is negative and its time of day is the size of its
    // fraction: 29 December 1899, 6:00 moved two days on is 31 December, 6:00 (not 18:00).
    const TDateTime beforeBase = -1.25;
    EXPECT_DOUBLE_EQ(IncDay(beforeBase, 2), 1.25);
    EXPECT_DOUBLE_EQ(IncMonth(beforeBase, 1), EncodeDate(1900, 1, 29) + 0.25);
    EXPECT_DOUBLE_EQ(IncDay(1.25, -3), -2.25);
    EXPECT_DOUBLE_EQ(CutTime(morning), EncodeDate(2004, 1, 31));
}

TEST(DateCalendar, DifferencesAndPeriods) {
    WORD days, months, years;
    DateDiff(EncodeDate(2003, 1, 31), EncodeDate(2003, 3, 1), days, months, years);
    EXPECT_EQ(years, 0);
    EXPECT_EQ(months, 1);
    EXPECT_EQ(days, 1);
    DateDiff(EncodeDate(2005, 6, 10), EncodeDate(2003, 3, 15), days, months, years);
    EXPECT_EQ(years, 2);
    EXPECT_EQ(months, 2);
    EXPECT_EQ(days, 26);
    // A day borrowed from zero months takes a year.
    DateDiff(EncodeDate(2003, 12, 20), EncodeDate(2004, 12, 5), days, months, years);
    EXPECT_EQ(years, 0);
    EXPECT_EQ(months, 11);
    EXPECT_EQ(days, 16);
    EXPECT_DOUBLE_EQ(MonthsBetween(EncodeDate(2003, 1, 1), EncodeDate(2003, 2, 2)), 1.0);
    EXPECT_DOUBLE_EQ(MonthsBetween(EncodeDate(2003, 1, 1), EncodeDate(2003, 2, 3)), 1.25);
    EXPECT_DOUBLE_EQ(MonthsBetween(EncodeDate(2003, 1, 1), EncodeDate(2003, 2, 8)), 1.5);
    EXPECT_DOUBLE_EQ(MonthsBetween(EncodeDate(2003, 1, 1), EncodeDate(2003, 2, 16)), 1.75);
    EXPECT_DOUBLE_EQ(MonthsBetween(EncodeDate(2003, 1, 1), EncodeDate(2003, 1, 22)), 1.0);
    EXPECT_EQ(DaysBetween(EncodeDate(2003, 3, 2), EncodeDate(2003, 3, 1)), 0);
    EXPECT_EQ(DaysBetween(EncodeDate(2003, 3, 1), EncodeDate(2003, 3, 1) + 0.9), 1);
    EXPECT_EQ(DaysInPeriod(EncodeDate(2003, 3, 10), EncodeDate(2003, 3, 1)), 10);
    EXPECT_EQ(DaysInPeriod(EncodeDate(2003, 3, 10), 1e9), 0);
    EXPECT_TRUE(ValidDate(EncodeDate(1, 1, 1)));
    EXPECT_FALSE(ValidDate(EncodeDate(1, 1, 1) - 1));
    EXPECT_FALSE(ValidDate(EncodeDate(9999, 12, 31) + 1));
    EXPECT_FALSE(ValidDate(std::nan("")));
}

TEST(DateCalendar, TimesWrapPastMidnight) {
    const TDateTime noon = 0.5;
    EXPECT_DOUBLE_EQ(IncHour(noon, 6), 0.75);
    EXPECT_DOUBLE_EQ(IncHour(noon, 36), 2.0);
    EXPECT_NEAR(IncMinute(0.0, -60), 23.0 / 24, 1e-12);
    EXPECT_NEAR(IncSecond(noon, 90), 0.5 + 90 / 86400.0, 1e-12);
    EXPECT_NEAR(IncMSec(noon, 1), 0.5 + 1 / 86400000.0, 1e-15);
    // Minutes that would overflow 32-bit milliseconds still move the time by days.
    EXPECT_NEAR(IncMinute(noon, 2000000), 0.5 + 2000000 / 1440.0, 1e-9);
}

TEST(DateCalendar, MonthBoundariesFollowTheClock) {
    ScopedLocalTime today(2003, 12, 17);
    EXPECT_EQ(FirstDayOfNextMonth(), EncodeDate(2004, 1, 1));
    EXPECT_EQ(FirstDayOfPrevMonth(), EncodeDate(2003, 11, 1));
    EXPECT_EQ(LastDayOfPrevMonth(), EncodeDate(2003, 11, 30));
    EXPECT_EQ(CurrentYear(), 2003);
    ScopedLocalTime january(2004, 1, 5);
    EXPECT_EQ(FirstDayOfPrevMonth(), EncodeDate(2003, 12, 1));
    EXPECT_EQ(LastDayOfPrevMonth(), EncodeDate(2003, 12, 31));
    EXPECT_EQ(ExtractDay(EncodeDate(2004, 2, 29) + 0.7), 29);
    EXPECT_EQ(ExtractMonth(EncodeDate(2004, 2, 29)), 2);
    EXPECT_EQ(ExtractYear(EncodeDate(2004, 2, 29)), 2004);
}

TEST(DateReading, ColumnsThenNumbers) {
    ScopedLocalTime today(2003, 6, 1);
    ScopedFormat format("en_US", "dd/mm/yyyy");
    EXPECT_EQ(StrToDateFmt("dd/mm/yyyy", "05/03/2003"), EncodeDate(2003, 3, 5));
    EXPECT_EQ(StrToDateFmt("dd/mm/yyyy", "5/3/03"), EncodeDate(2003, 3, 5));
    EXPECT_EQ(StrToDateFmt("dd-mmm-yyyy", "05-Mar-2003"), EncodeDate(2003, 3, 5));
    EXPECT_EQ(StrToDateFmt("dd-mmm-yyyy", "05-mar-2003"), EncodeDate(2003, 3, 5));
    EXPECT_EQ(StrToDateFmt("mm/dd/yy", "12/31/99"), EncodeDate(1999, 12, 31));
    EXPECT_EQ(StrToDateFmt("yyyy/mm/dd", "2003/3/5"), EncodeDate(2003, 3, 5));
    // Blanks in the columns are left out; two numbers take the current year.
    EXPECT_EQ(StrToDateFmt("dd/mm/yyyy", " 5/ 3/2003"), EncodeDate(2003, 3, 5));
    EXPECT_EQ(StrToDateFmt("dd/mm/yyyy", "5/3"), EncodeDate(2003, 3, 5));
    EXPECT_EQ(StrToDateFmt("mm/dd/yyyy", "5/3"), EncodeDate(2003, 5, 3));
    EXPECT_EQ(StrToDateFmt("dd/mm/yyyy", "5/3/2003/"), EncodeDate(2003, 3, 5));
    EXPECT_EQ(StrToDateFmt("dd/mm/yyyy", ""), NullDate);
}

TEST(DateReading, TwoDigitYearsFallInTheSlidingWindow) {
    ScopedLocalTime today(2003, 6, 1);
    ScopedFormat format("en_US", "dd/mm/yyyy");
    EXPECT_EQ(ExtractYear(StrToDateFmt("dd/mm/yy", "1/1/43")), 1943);
    EXPECT_EQ(ExtractYear(StrToDateFmt("dd/mm/yy", "1/1/42")), 2042);
    EXPECT_EQ(ExtractYear(StrToDateFmt("dd/mm/yyyy", "1/1/150")), 150);
    CenturyOffset = 0;
    EXPECT_EQ(ExtractYear(StrToDateFmt("dd/mm/yy", "1/1/02")), 2002);
    CenturyOffset = 60;
    ScopedLocalTime later(2090, 1, 1);
    EXPECT_EQ(ExtractYear(StrToDateFmt("dd/mm/yy", "1/1/29")), 2129);
    EXPECT_EQ(ExtractYear(StrToDateFmt("dd/mm/yy", "1/1/30")), 2030);
}

TEST(DateReading, WhatCannotBeReadIsRefused) {
    ScopedLocalTime today(2003, 6, 1);
    ScopedFormat format("en_US", "dd/mm/yyyy");
    for (const char* text : {"31/4/2003", "29/2/2003", "5/3/2003 12:00", "5.3.2003", "x", "05-Xyz-2003",
                             "1/1/1/1", "5/1234/2003"}) {
        try {
            StrToDateFmt("dd-mmm-yyyy", text);
            ADD_FAILURE() << text;
        } catch (const EConvertError& error) {
            EXPECT_EQ(error.Message(), "'" + std::string(text) + "' is not a valid date");
        }
    }
    const TDateTime fallback = EncodeDate(2001, 2, 3) + 0.5;
    EXPECT_EQ(StrToDateFmtDef("dd/mm/yyyy", "nonsense", fallback), EncodeDate(2001, 2, 3));
    EXPECT_EQ(StrToDateDef("nonsense", fallback), EncodeDate(2001, 2, 3));
    EXPECT_EQ(StrToDateDef("", fallback), NullDate);
    EXPECT_EQ(StrToDateDef("6/7/2003", fallback), EncodeDate(2003, 7, 6));
}

TEST(DateReading, OrdersAndMonthNames) {
    EXPECT_EQ(GetDateOrder("dd/mm/yyyy"), doDMY);
    EXPECT_EQ(GetDateOrder("M/d/yy"), doMDY);
    EXPECT_EQ(GetDateOrder("yyyy-MM-dd"), doYMD);
    EXPECT_EQ(GetDateOrder("ee/mm/dd"), doYMD);
    EXPECT_EQ(GetDateOrder("--"), doDMY);
    ScopedFormat format("en_US");
    EXPECT_EQ(MonthFromName("mar", 3), 3);
    EXPECT_EQ(MonthFromName("MAY", 3), 5);
    EXPECT_EQ(MonthFromName("Ju", 2), 6);
    EXPECT_EQ(MonthFromName("Jul", 3), 7);
    EXPECT_EQ(MonthFromName("Smarch", 6), 0);
    EXPECT_EQ(MonthFromName("", 3), 0);
    ScopedFormat german("de_DE");
    // "März" in Windows-1252.
    EXPECT_EQ(MonthFromName("m\xC4r", 3), 3);
}

TEST(DateFormats, DefaultMasksAndFormatsFollowTheDateOrder) {
    {
        ScopedFormat format("en_US", "M/d/yyyy");
        EXPECT_EQ(DefDateFormat(true), "MM/DD/YYYY");
        EXPECT_EQ(DefDateFormat(false), "MM/DD/YY");
        EXPECT_EQ(DefDateMask('_', true), "!99/99/9999;1;_");
    }
    {
        ScopedFormat format("en_US", "dd.MM.yyyy");
        EXPECT_EQ(DefDateFormat(true), "DD/MM/YYYY");
        EXPECT_EQ(DefDateMask(' ', false), "!99/99/99;1; ");
    }
    ScopedFormat format("en_US", "yyyy-MM-dd");
    EXPECT_EQ(DefDateFormat(false), "YY/MM/DD");
    EXPECT_EQ(DefDateMask('_', true), "!9999/99/99;1;_");
    EXPECT_EQ(DefDateMask('_', false), "!99/99/99;1;_");
}

TEST(DateFormats, LongDatesInTheLocalesWords) {
    ScopedFormat format("en_US");
    const TDateTime value = EncodeDate(2004, 3, 5) + EncodeTime(14, 7, 9, 0);
    EXPECT_EQ(FormatLongDate(value), "Friday, March 5, 2004");
    const std::string withTime = FormatLongDateTime(value);
    EXPECT_EQ(withTime.rfind("Friday, March 5, 2004 2:07:09", 0), 0u) << withTime;
    EXPECT_EQ(withTime.substr(withTime.size() - 2), "PM");
    EXPECT_EQ(FormatLongDateTime(NullDate), "");
    ScopedFormat german("de_DE");
    // "März" in Windows-1252, as the toolkit's strings are.
    EXPECT_EQ(FormatLongDate(value), "Freitag, 5. M\xE4rz 2004");
}
