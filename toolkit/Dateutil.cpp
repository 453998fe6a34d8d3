#include "toolkit/Dateutil.h"

#include "platform/framework/Classes.h"
#include "platform/kernel/CodePages.h"
#include "platform/kernel/Random.h"

#include <cmath>
#include <cstdlib>

namespace {

using Size = std::string::size_type;

// A field of the masked read that is there but holds no usable value.
constexpr int invalidField = -1;
// The masked read never collects more characters than this for one field.
constexpr Size maxFieldChars = 20;

// whole days + the time of day of `from`, with the sign convention of date-times: the
// time of a negative date is subtracted.
TDateTime withTimeOf(double wholeDays, TDateTime from) {
    const double time = std::fabs(from - std::trunc(from));
    return wholeDays >= 0 ? wholeDays + time : wholeDays - time;
}

int expandYear(int year) {
    if (year >= 100 || year < 0) return year;
    const int offset = CenturyOffset.load();
    const int pivot = CurrentYear() - offset;
    int expanded = year + (pivot / 100) * 100;
    if (offset > 0 && expanded < pivot) expanded += 100;
    return expanded;
}

// Digits only (at most nine), else invalidField.
int fieldNumber(const std::string& text) {
    if (text.empty() || text.size() > 9) return invalidField;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return invalidField;
        value = value * 10 + (c - '0');
    }
    return value;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The fixed-column read: the characters of s under a run of one letter of the format.
class MaskedRead {
public:
    MaskedRead(const std::string& format, const std::string& s) : format_(AnsiUpperCase(format)), s_(s) {}

    // False when the format has no run of `length` letters; else the characters of s under
    // the run (and as long as the format keeps that letter), blanks left out.
    bool field(char letter, Size length, std::string& text) const {
        const Size start = format_.find(std::string(length, letter));
        if (start == std::string::npos) return false;
        text.clear();
        for (Size i = start; i < s_.size() && format_[i] == letter && text.size() < maxFieldChars; ++i)
            if (s_[i] != ' ') text += s_[i];
        return true;
    }

    bool date(TDateTime& result) const {
        std::string text;
        int month = invalidField;
        if (field('M', 3, text))
            month = text.empty() ? invalidField : MonthFromName(text, static_cast<BYTE>(text.size()));
        else if (field('M', 1, text))
            month = fieldNumber(text);
        if (month == 0) month = invalidField;
        const int day = field('D', 1, text) ? fieldNumber(text) : 1;
        const int year = field('Y', 1, text) ? expandYear(fieldNumber(text)) : CurrentYear();
        return TryEncodeDate(year, month, day, result);
    }

private:
    std::string format_;
    const std::string& s_;
};

// The delimited read: numbers between date separators.
class DelimitedRead {
public:
    DelimitedRead(const std::string& s, const TFormatSettings& settings) : s_(s), settings_(settings) {}

    bool date(TDateOrder order, TDateTime& result) {
        if (!settings_.ShortDateFormat.empty() && settings_.ShortDateFormat[0] == 'g') skipToDigit();
        int n1 = 0, n2 = 0, n3 = 0;
        if (!number(n1) || !separator() || !number(n2)) return false;
        int year = 0, month = 0, day = 0;
        if (separator() && number(n3)) {
            if (order == doMDY) {
                year = n3, month = n1, day = n2;
            } else if (order == doDMY) {
                year = n3, month = n2, day = n1;
            } else {
                year = n1, month = n2, day = n3;
            }
            year = expandYear(year);
        } else {
            year = CurrentYear();
            if (order == doDMY) {
                day = n1, month = n2;
            } else {
                month = n1, day = n2;
            }
        }
        separator();
        blanks();
        skipFarEastTrailer();
        return pos_ == s_.size() && TryEncodeDate(year, month, day, result);
    }

private:
    void blanks() {
        while (pos_ < s_.size() && s_[pos_] == ' ')
            ++pos_;
    }

    void skipToDigit() {
        while (pos_ < s_.size() && !isDigit(s_[pos_]))
            ++pos_;
    }

    bool separator() {
        blanks();
        if (pos_ < s_.size() && s_[pos_] == settings_.DateSeparator) {
            ++pos_;
            return true;
        }
        return false;
    }

    // Decimal digits, taken while the value stays below 1000.
    bool number(int& value) {
        blanks();
        const Size start = pos_;
        value = 0;
        while (pos_ < s_.size() && isDigit(s_[pos_]) && value < 1000)
            value = value * 10 + (s_[pos_++] - '0');
        return pos_ > start;
    }

    bool atDesignator() const {
        for (const std::string& designator : {settings_.TimeAMString, settings_.TimePMString}) {
            const std::string ansi = Utf8ToAnsi(designator);
            if (!ansi.empty() && AnsiCompareTextBytes(s_.substr(pos_, ansi.size()), ansi) == 0) return true;
        }
        return false;
    }

    // Dates of Far-East locales may carry a day name after them.
    void skipFarEastTrailer() {
        if (!settings_.FarEast || AnsiUpperCase(settings_.ShortDateFormat).find("DDD") == std::string::npos)
            return;
        if (!settings_.ShortTimeFormat.empty() && isDigit(settings_.ShortTimeFormat[0])) {
            skipToDigit();
            return;
        }
        while (pos_ < s_.size() && !atDesignator()) {
            while (pos_ < s_.size() && s_[pos_] != ' ')
                ++pos_;
            blanks();
        }
    }

    const std::string& s_;
    const TFormatSettings& settings_;
    Size pos_ = 0;
};

bool readDate(const std::string& dateFormat, const std::string& s, TDateTime& result) {
    result = NullDate;
    if (s.empty()) return true;
    if (s.size() <= dateFormat.size() && MaskedRead(dateFormat, s).date(result)) return true;
    const TFormatSettings settings = FormatSettings();
    return DelimitedRead(s, settings).date(GetDateOrder(dateFormat), result);
}

// Brings a month at most twelve months outside 1..12 back into range, moving the year with it.
void wrapMonth(int& year, int& month) {
    if (month < 1) {
        month += 12;
        --year;
    } else if (month > 12) {
        month -= 12;
        ++year;
    }
}

TDateTime firstOfMonth(int year, int month) {
    wrapMonth(year, month);
    return EncodeDate(year, month, 1);
}

} // namespace

bool FourDigitYear() {
    static const bool fourDigits =
        AnsiUpperCase(FormatSettings().ShortDateFormat).find("YYYY") != std::string::npos;
    return fourDigits;
}

bool IsLeapYear(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysPerMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

TDateTime FirstDayOfNextMonth() {
    WORD year, month, day;
    DecodeDate(Date(), year, month, day);
    return firstOfMonth(year, month + 1);
}

TDateTime FirstDayOfPrevMonth() {
    WORD year, month, day;
    DecodeDate(Date(), year, month, day);
    return firstOfMonth(year, month - 1);
}

TDateTime LastDayOfPrevMonth() {
    WORD year, month, day;
    DecodeDate(Date(), year, month, day);
    return firstOfMonth(year, month) - 1;
}

WORD ExtractDay(TDateTime date) {
    WORD year, month, day;
    DecodeDate(date, year, month, day);
    return day;
}

WORD ExtractMonth(TDateTime date) {
    WORD year, month, day;
    DecodeDate(date, year, month, day);
    return month;
}

WORD ExtractYear(TDateTime date) {
    WORD year, month, day;
    DecodeDate(date, year, month, day);
    return year;
}

TDateTime IncDate(TDateTime date, int days, int months, int years) {
    WORD y, m, d;
    DecodeDate(date, y, m, d);
    int year = y + years + months / 12;
    int month = m + months % 12;
    wrapMonth(year, month);
    const int day = std::min<int>(d, DaysPerMonth(year, month));
    return withTimeOf(EncodeDate(year, month, day) + days, date);
}

TDateTime IncDay(TDateTime date, int days) {
    return withTimeOf(std::trunc(date) + days, date);
}

TDateTime IncMonth(TDateTime date, int months) {
    return IncDate(date, 0, months, 0);
}

TDateTime IncYear(TDateTime date, int years) {
    return IncDate(date, 0, 0, years);
}

void DateDiff(TDateTime date1, TDateTime date2, WORD& days, WORD& months, WORD& years) {
    if (date1 > date2) std::swap(date1, date2);
    WORD y1, m1, d1, y2, m2, d2;
    DecodeDate(date1, y1, m1, d1);
    DecodeDate(date2, y2, m2, d2);
    int y = y2 - y1;
    int m = 0;
    int d = 0;
    if (m2 < m1) {
        m += 12;
        --y;
    }
    m += m2 - m1;
    if (d2 < d1) {
        d += DaysPerMonth(y1, m1);
        if (m == 0) {
            --y;
            m = 11;
        } else {
            --m;
        }
    }
    d += d2 - d1;
    days = static_cast<WORD>(d);
    months = static_cast<WORD>(m);
    years = static_cast<WORD>(y);
}

double MonthsBetween(TDateTime date1, TDateTime date2) {
    WORD days, months, years;
    DateDiff(date1, date2, days, months, years);
    double result = 12.0 * years + months;
    if (days >= 21)
        result += 1.0;
    else if (days >= 15)
        result += 0.75;
    else if (days >= 7)
        result += 0.5;
    else if (days >= 2)
        result += 0.25;
    return result;
}

bool ValidDate(TDateTime date) {
    WORD year, month, day;
    DecodeDate(date, year, month, day);
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           day <= DaysPerMonth(year, month);
}

int DaysInPeriod(TDateTime date1, TDateTime date2) {
    if (!ValidDate(date1) || !ValidDate(date2)) return 0;
    return static_cast<int>(std::fabs(std::trunc(date2) - std::trunc(date1))) + 1;
}

int DaysBetween(TDateTime date1, TDateTime date2) {
    const double days = std::trunc(date2) - std::trunc(date1) + 1;
    return days < 0 || !std::isfinite(days) ? 0 : static_cast<int>(std::min(days, 2147483647.0));
}

TDateTime IncTime(TDateTime time, int hours, int minutes, int seconds, int msecs) {
    const double part =
        (static_cast<double>(hours % 24) * 3600000.0 + static_cast<double>(minutes) * 60000.0 +
         static_cast<double>(seconds) * 1000.0 + msecs) /
        MSecsPerDay;
    // Whole days first, then the rest of the hours as part of a day.
    const int wholeDays = hours / 24;
    TDateTime result = time + wholeDays + part;
    if (result < 0) result += 1;
    return result;
}

TDateTime IncHour(TDateTime time, int delta) {
    return IncTime(time, delta, 0, 0, 0);
}

TDateTime IncMinute(TDateTime time, int delta) {
    return IncTime(time, 0, delta, 0, 0);
}

TDateTime IncSecond(TDateTime time, int delta) {
    return IncTime(time, 0, 0, delta, 0);
}

TDateTime IncMSec(TDateTime time, int delta) {
    return IncTime(time, 0, 0, 0, delta);
}

TDateTime CutTime(TDateTime date) {
    return std::trunc(date);
}

int CurrentYear() {
    return GetLocalTime().year;
}

TDateOrder GetDateOrder(const std::string& dateFormat) {
    for (char c : dateFormat) {
        switch (AnsiUpperChar(c)) {
        case 'D':
            return doDMY;
        case 'E':
        case 'Y':
            return doYMD;
        case 'M':
            return doMDY;
        default:
            break;
        }
    }
    return doDMY;
}

int MonthFromName(const std::string& s, BYTE maxLen) {
    if (s.empty() || maxLen == 0) return 0;
    const TFormatSettings settings = FormatSettings();
    for (int month = 1; month <= 12; ++month) {
        const std::string name = Utf8ToAnsi(settings.LongMonthNames[static_cast<std::size_t>(month - 1)]);
        if (AnsiCompareTextBytes(name.substr(0, maxLen), s.substr(0, maxLen)) == 0) return month;
    }
    return 0;
}

TDateTime StrToDateFmt(const std::string& dateFormat, const std::string& s) {
    TDateTime result = NullDate;
    if (!readDate(dateFormat, s, result)) throw EConvertError("'" + s + "' is not a valid date");
    return result;
}

TDateTime StrToDateDef(const std::string& s, TDateTime def) {
    return StrToDateFmtDef(FormatSettings().ShortDateFormat, s, def);
}

TDateTime StrToDateFmtDef(const std::string& dateFormat, const std::string& s, TDateTime def) {
    TDateTime result = NullDate;
    return readDate(dateFormat, s, result) ? result : std::trunc(def);
}

std::string DefDateFormat(bool fourDigitYear) {
    switch (GetDateOrder(FormatSettings().ShortDateFormat)) {
    case doMDY:
        return fourDigitYear ? "MM/DD/YYYY" : "MM/DD/YY";
    case doDMY:
        return fourDigitYear ? "DD/MM/YYYY" : "DD/MM/YY";
    default:
        return fourDigitYear ? "YYYY/MM/DD" : "YY/MM/DD";
    }
}

std::string DefDateMask(char blanksChar, bool fourDigitYear) {
    std::string mask = "!99/99/99;1;";
    if (fourDigitYear)
        mask = GetDateOrder(FormatSettings().ShortDateFormat) == doYMD ? "!9999/99/99;1;" : "!99/99/9999;1;";
    return mask + blanksChar;
}

std::string FormatLongDate(TDateTime value) {
    std::string text = Utf8ToAnsi(FormatDateTime(FormatSettings().LongDateFormat, value));
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.pop_back();
    return text;
}

std::string FormatLongDateTime(TDateTime value) {
    if (value == NullDate) return {};
    return FormatLongDate(value) + Utf8ToAnsi(FormatDateTime(" tt", value));
}
