#pragma once
// Calendar arithmetic and date reading on the framework's date-time (days from 30 December
// 1899). Dates are read in the order of a short date format, from fixed columns (a mask)
// or from numbers between separators, and two-digit years fall into a century window that
// slides with the current year. Texts are 8-bit Windows-1252 like the other toolkit string
// routines. "Today" comes from the framework's local time of day, which tests replace.
#include "platform/framework/DateTime.h"

#include <atomic>
#include <string>

enum TDateOrder { doMDY, doDMY, doYMD };

// The date-time that stands for no date.
constexpr TDateTime NullDate = 0.0;
// Two-digit years fall in the hundred years that start this many years before the current
// year (1943-2042 in 2003).
inline std::atomic<BYTE> CenturyOffset{60};
// Whether the program's short date format writes four-digit years (fixed at first use).
bool FourDigitYear();

bool IsLeapYear(int year);
int DaysPerMonth(int year, int month);
TDateTime FirstDayOfNextMonth();
TDateTime FirstDayOfPrevMonth();
TDateTime LastDayOfPrevMonth();
WORD ExtractDay(TDateTime date);
WORD ExtractMonth(TDateTime date);
WORD ExtractYear(TDateTime date);
// date moved by whole years and months (the day clamped to the length of the month it lands
// in) and then by days, keeping its time of day.
TDateTime IncDate(TDateTime date, int days, int months, int years);
TDateTime IncDay(TDateTime date, int days);
TDateTime IncMonth(TDateTime date, int months);
TDateTime IncYear(TDateTime date, int years);
// The calendar distance from the earlier to the later of the two dates.
void DateDiff(TDateTime date1, TDateTime date2, WORD& days, WORD& months, WORD& years);
// Months between the dates in quarter steps (remaining days 2-6 count 0.25, 7-14 0.5, 15-20
// 0.75, 21 or more 1).
double MonthsBetween(TDateTime date1, TDateTime date2);
// Whether the date lies in years 1 to 9999.
bool ValidDate(TDateTime date);
// |days of date2 - days of date1| + 1 for two valid dates, else 0.
int DaysInPeriod(TDateTime date1, TDateTime date2);
// days of date2 - days of date1 + 1, never below 0.
int DaysBetween(TDateTime date1, TDateTime date2);
// A time moved by hours, minutes, seconds and milliseconds; a result below 0 wraps into the
// day after (a time of day turned back past midnight).
TDateTime IncTime(TDateTime time, int hours, int minutes, int seconds, int msecs);
TDateTime IncHour(TDateTime time, int delta);
TDateTime IncMinute(TDateTime time, int delta);
TDateTime IncSecond(TDateTime time, int delta);
TDateTime IncMSec(TDateTime time, int delta);
// The date without its time of day.
TDateTime CutTime(TDateTime date);
int CurrentYear();

// The order of day, month and year in a date format ("dd/mm/yyyy" is doDMY).
TDateOrder GetDateOrder(const std::string& dateFormat);
// 1-12 for the first month whose long name starts like s (maxLen characters, any case).
int MonthFromName(const std::string& s, BYTE maxLen);
// s read in the order and columns of dateFormat; raises EConvertError "'s' is not a valid
// date" when it cannot be read. An empty s is NullDate.
TDateTime StrToDateFmt(const std::string& dateFormat, const std::string& s);
// s read with the program's short date format, else the date part of def.
TDateTime StrToDateDef(const std::string& s, TDateTime def);
TDateTime StrToDateFmtDef(const std::string& dateFormat, const std::string& s, TDateTime def);
// "MM/DD/YYYY" and its relatives in the short date format's order.
std::string DefDateFormat(bool fourDigitYear);
// The edit mask for dates in the short date format's order, blanksChar at its end.
std::string DefDateMask(char blanksChar, bool fourDigitYear);
// The locale's long date ("Friday, March 5, 2004"), trailing blanks and controls removed.
std::string FormatLongDate(TDateTime value);
// FormatLongDate and the long time; empty for NullDate.
std::string FormatLongDateTime(TDateTime value);
