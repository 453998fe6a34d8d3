#include "platform/framework/DateTime.h"

#include "platform/framework/Classes.h"
#include "platform/kernel/Random.h"

#include <cctype>
#include <cmath>
#include <cstdio>

namespace {

// Day numbers of the civil calendar counted from 1 January 1970 (proleptic Gregorian).
long long daysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void civilFromDays(long long z, long long& y, unsigned& m, unsigned& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
}

constexpr long long unixEpochDay = 25569; // 1 January 1970 as a date-time
constexpr double firstDay = -693593;      // 1 January 0001
constexpr double lastDay = 2958465;       // 31 December 9999

bool leap(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int daysIn(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && leap(year) ? 29 : days[month - 1];
}

// The time of day of value in milliseconds, 0 to 86399999.
long long msecOfDay(TDateTime value) {
    const double fraction = std::fabs(value - std::trunc(value));
    const auto msec = static_cast<long long>(std::llround(fraction * MSecsPerDay));
    return msec >= 86400000 ? 86399999 : msec;
}

std::string number(int value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*d", digits, value);
    return text;
}

bool startsWithNoCase(const std::string& text, std::size_t at, const char* word) {
    for (std::size_t i = 0; word[i]; ++i)
        if (at + i >= text.size() || std::tolower(static_cast<unsigned char>(text[at + i])) != word[i])
            return false;
    return true;
}

class Formatter {
public:
    Formatter(TDateTime value, const TFormatSettings& settings) : value_(value), settings_(settings) {
        DecodeDate(value, year_, month_, day_);
        DecodeTime(value, hour_, minute_, second_, msec_);
    }

    std::string run(const std::string& format, int depth) {
        std::string out;
        const bool twelveHour = hasAmPm(format);
        bool afterHour = false;
        for (std::size_t i = 0; i < format.size();) {
            const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(format[i])));
            const std::size_t run = runOf(format, i);
            if (c == '"' || c == '\'') {
                const std::size_t close = format.find(format[i], i + 1);
                const std::size_t end = close == std::string::npos ? format.size() : close;
                out += format.substr(i + 1, end - i - 1);
                i = end + 1;
                continue;
            }
            // "am/pm" and "a/p" keep the case they are written in.
            const bool upper = std::isupper(static_cast<unsigned char>(format[i])) != 0;
            if (startsWithNoCase(format, i, "am/pm")) {
                out += hour_ < 12 ? (upper ? "AM" : "am") : (upper ? "PM" : "pm");
                i += 5;
            } else if (startsWithNoCase(format, i, "a/p")) {
                out += hour_ < 12 ? (upper ? "A" : "a") : (upper ? "P" : "p");
                i += 3;
            } else if (startsWithNoCase(format, i, "ampm")) {
                out += hour_ < 12 ? settings_.TimeAMString : settings_.TimePMString;
                i += 4;
            } else if (c == 'd') {
                out += dayText(run, depth);
                i += run;
            } else if (c == 'm') {
                out += afterHour && run <= 2 ? number(minute_, static_cast<int>(run)) : monthText(run);
                i += run;
            } else if (c == 'y') {
                out += run <= 2 ? number(year_ % 100, 2) : number(year_, 4);
                i += run;
            } else if (c == 'h') {
                const int hour = twelveHour ? (hour_ % 12 == 0 ? 12 : hour_ % 12) : hour_;
                out += number(hour, run >= 2 ? 2 : 1);
                i += std::min<std::size_t>(run, 2);
            } else if (c == 'n' || c == 's') {
                out += number(c == 'n' ? minute_ : second_, run >= 2 ? 2 : 1);
                i += std::min<std::size_t>(run, 2);
            } else if (c == 'z') {
                out += number(msec_, run >= 3 ? 3 : 1);
                i += std::min<std::size_t>(run, 3);
            } else if (c == 't') {
                out += nested(run >= 2 ? settings_.LongTimeFormat : settings_.ShortTimeFormat, depth);
                i += std::min<std::size_t>(run, 2);
            } else if (c == 'c') {
                out += nested(settings_.ShortDateFormat, depth);
                if (msecOfDay(value_) != 0) out += " " + nested(settings_.LongTimeFormat, depth);
                i += 1;
            } else if (c == '/') {
                out += settings_.DateSeparator;
                i += 1;
            } else if (c == ':') {
                out += settings_.TimeSeparator;
                i += 1;
            } else {
                out += format[i];
                i += 1;
            }
            // "m" right after an hour (separators between them allowed) means minutes.
            if (c == 'h')
                afterHour = true;
            else if (std::isalpha(static_cast<unsigned char>(c)))
                afterHour = false;
        }
        return out;
    }

private:
    static std::size_t runOf(const std::string& format, std::size_t at) {
        std::size_t end = at;
        while (end < format.size() && std::tolower(static_cast<unsigned char>(format[end])) ==
                                          std::tolower(static_cast<unsigned char>(format[at])))
            ++end;
        return end - at;
    }

    static bool hasAmPm(const std::string& format) {
        for (std::size_t i = 0; i < format.size(); ++i)
            if (startsWithNoCase(format, i, "am/pm") || startsWithNoCase(format, i, "a/p") ||
                startsWithNoCase(format, i, "ampm"))
                return true;
        return false;
    }

    // A picture inside a picture (ddddd, t, c); the settings' own pictures never nest deeper.
    std::string nested(const std::string& format, int depth) {
        return depth > 0 ? std::string() : run(format, 1);
    }

    std::string dayText(std::size_t run, int depth) {
        const int weekday = DayOfWeek(value_) - 1;
        switch (run) {
        case 1:
        case 2:
            return number(day_, static_cast<int>(run));
        case 3:
            return settings_.ShortDayNames[static_cast<std::size_t>(weekday)];
        case 4:
            return settings_.LongDayNames[static_cast<std::size_t>(weekday)];
        case 5:
            return nested(settings_.ShortDateFormat, depth);
        default:
            return nested(settings_.LongDateFormat, depth);
        }
    }

    std::string monthText(std::size_t run) {
        if (month_ < 1) return {};
        if (run <= 2) return number(month_, static_cast<int>(run));
        return run == 3 ? settings_.ShortMonthNames[month_ - 1u] : settings_.LongMonthNames[month_ - 1u];
    }

    TDateTime value_;
    const TFormatSettings& settings_;
    WORD year_ = 0, month_ = 0, day_ = 0, hour_ = 0, minute_ = 0, second_ = 0, msec_ = 0;
};

} // namespace

bool TryEncodeDate(int year, int month, int day, TDateTime& date) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > daysIn(year, month))
        return false;
    date = static_cast<double>(daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
                               unixEpochDay);
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime date = 0;
    if (!TryEncodeDate(year, month, day, date)) throw EConvertError("Invalid argument to date encode");
    return date;
}

bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& time) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 ||
        msec > 999)
        return false;
    time = (hour * 3600000.0 + minute * 60000.0 + second * 1000.0 + msec) / MSecsPerDay;
    return true;
}

TDateTime EncodeTime(int hour, int minute, int second, int msec) {
    TDateTime time = 0;
    if (!TryEncodeTime(hour, minute, second, msec, time))
        throw EConvertError("Invalid argument to time encode");
    return time;
}

void DecodeDate(TDateTime value, WORD& year, WORD& month, WORD& day) {
    year = month = day = 0;
    const double whole = std::trunc(value);
    if (!(whole >= firstDay && whole <= lastDay)) return;
    long long y = 0;
    unsigned m = 0, d = 0;
    civilFromDays(static_cast<long long>(whole) - unixEpochDay, y, m, d);
    year = static_cast<WORD>(y);
    month = static_cast<WORD>(m);
    day = static_cast<WORD>(d);
}

void DecodeTime(TDateTime value, WORD& hour, WORD& minute, WORD& second, WORD& msec) {
    long long ms = std::isfinite(value) ? msecOfDay(value) : 0;
    hour = static_cast<WORD>(ms / 3600000);
    minute = static_cast<WORD>(ms / 60000 % 60);
    second = static_cast<WORD>(ms / 1000 % 60);
    msec = static_cast<WORD>(ms % 1000);
}

int DayOfWeek(TDateTime value) {
    // 30 December 1899 was a Saturday.
    const long long day = static_cast<long long>(std::trunc(value));
    return static_cast<int>(((day + 6) % 7 + 7) % 7) + 1;
}

TDateTime Date() {
    const SystemTime now = GetLocalTime();
    return EncodeDate(now.year, now.month, now.day);
}

TDateTime Now() {
    const SystemTime now = GetLocalTime();
    return EncodeDate(now.year, now.month, now.day) +
           EncodeTime(now.hour, now.minute, now.second, now.milliseconds);
}

std::string FormatDateTime(const std::string& format, TDateTime value, const TFormatSettings& settings) {
    return Formatter(value, settings).run(format.empty() ? "c" : format, 0);
}

std::string FormatDateTime(const std::string& format, TDateTime value) {
    return FormatDateTime(format, value, FormatSettings());
}
