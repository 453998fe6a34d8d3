#pragma once
// The framework's date-time: a double whose integer part counts days from 30 December 1899
// and whose fraction is the time of day. A date before that day is negative and its time
// of day is the size of the fraction (-1.25 is 29 December 1899, 6:00). Years run from 1
// to 9999.
#include "platform/framework/Locale.h"
#include "platform/kernel/Types.h"

#include <string>

using TDateTime = double;

constexpr double HoursPerDay = 24;
constexpr double MSecsPerDay = 86400000;

// False when year, month or day is out of range (no 31 April, no 29 February 2003).
bool TryEncodeDate(int year, int month, int day, TDateTime& date);
// Raises EConvertError "Invalid argument to date encode" where TryEncodeDate is false.
TDateTime EncodeDate(int year, int month, int day);
bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& time);
TDateTime EncodeTime(int hour, int minute, int second, int msec);
// The date of value; all three 0 when it lies outside years 1 to 9999 (or is no number).
void DecodeDate(TDateTime value, WORD& year, WORD& month, WORD& day);
void DecodeTime(TDateTime value, WORD& hour, WORD& minute, WORD& second, WORD& msec);
// 1 for Sunday to 7 for Saturday.
int DayOfWeek(TDateTime value);

// Today and the present moment by the local time of day (which tests replace).
TDateTime Date();
TDateTime Now();

// value written by a picture, letters in any case: d dd (day), ddd dddd (day name), ddddd
// dddddd (short and long date), m mm (month, or minutes right after an hour), mmm mmmm
// (month name), yy yyyy, h hh, n nn, s ss, z zzz, t tt (short and long time), c (short date
// and long time), am/pm a/p ampm (and 12-hour hours), / and : (the separators), text in
// single or double quotes as it is.
std::string FormatDateTime(const std::string& format, TDateTime value, const TFormatSettings& settings);
// The same with the program's format settings.
std::string FormatDateTime(const std::string& format, TDateTime value);
