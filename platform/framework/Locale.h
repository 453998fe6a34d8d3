#pragma once
// The program's locale: how dates and times are written (the format settings) and how text
// sorts. At first use both come from the user's locale; a test sets its own. Texts are
// UTF-8 like the rest of the program. Safe from any thread.
#include <array>
#include <string>
#include <string_view>

struct TFormatSettings {
    // The locale whose sorting CompareLocaleText uses ("en_US"); empty: the user's.
    std::string LocaleName;
    char DateSeparator = '/';
    char TimeSeparator = ':';
    // Date and time pictures in the letters of FormatDateTime ("M/d/yyyy", "h:mm:ss AMPM").
    std::string ShortDateFormat = "M/d/yyyy";
    std::string LongDateFormat = "dddd, MMMM d, yyyy";
    std::string ShortTimeFormat = "h:mm AMPM";
    std::string LongTimeFormat = "h:mm:ss AMPM";
    std::string TimeAMString = "AM";
    std::string TimePMString = "PM";
    std::array<std::string, 12> ShortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::array<std::string, 12> LongMonthNames{"January",   "February", "March",    "April",
                                               "May",       "June",     "July",     "August",
                                               "September", "October",  "November", "December"};
    // Sunday first.
    std::array<std::string, 7> ShortDayNames{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    std::array<std::string, 7> LongDayNames{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                            "Thursday", "Friday", "Saturday"};
    // A Chinese, Japanese or Korean locale (dates may carry trailing day names).
    bool FarEast = false;
};

// The settings of a named locale ("de_DE"); an empty name gives the user's.
TFormatSettings LocaleFormatSettings(const std::string& localeName);
// The program's settings (a copy).
TFormatSettings FormatSettings();
void SetFormatSettings(const TFormatSettings& settings);

// -1, 0 or 1: the order of a and b in the program's locale, symbols and punctuation
// counting as characters; with ignoreCase, letters that differ only in case are equal.
int CompareLocaleText(const std::string& a, const std::string& b, bool ignoreCase);

// Numbers in stored text (settings, variants as text) read the same under every locale:
// written in the "%.*g" form with a '.' for the decimal point whatever the C locale says,
// read with either a '.' or a ',' as the decimal point, so that files written under a
// comma locale before still read back.
std::string StoredFloatText(double value, int significantDigits);
// False for anything but a whole number (blanks included).
bool ParseStoredFloat(std::string_view text, double& value);
