#include "platform/framework/Locale.h"

#include "platform/framework/QtBridge.h"

#include <QCollator>
#include <QLocale>
#include <cctype>
#include <charconv>
#include <memory>
#include <mutex>
#include <optional>

namespace {

std::mutex settingsLock;
std::optional<TFormatSettings> current; // guarded by settingsLock

QLocale localeNamed(const std::string& name) {
    return name.empty() ? QLocale::system() : QLocale(QString::fromStdString(name));
}

// A Qt date or time picture in FormatDateTime's letters: 24-hour "H" becomes "h" (an
// hour is 24-hour unless the picture has AM/PM), "AP" becomes "AMPM", the time zone goes.
std::string pictureOf(const QString& qtFormat) {
    std::string out;
    const std::string in = vx::FromQString(qtFormat);
    for (std::size_t i = 0; i < in.size(); ++i) {
        const char c = in[i];
        if (c == '\'') {
            std::size_t close = in.find('\'', i + 1);
            if (close == std::string::npos) close = in.size();
            out += '"' + in.substr(i + 1, close - i - 1) + '"';
            i = close;
        } else if (c == 'H') {
            out += 'h';
        } else if (c == 'A' || c == 'a') {
            out += "AMPM";
            if (i + 1 < in.size() && (in[i + 1] == 'P' || in[i + 1] == 'p')) ++i;
        } else if (c == 't') {
            while (!out.empty() && out.back() == ' ')
                out.pop_back();
        } else {
            out += c;
        }
    }
    return out;
}

char separatorOf(const std::string& picture, char fallback) {
    bool quoted = false;
    for (char c : picture) {
        if (c == '"') quoted = !quoted;
        if (!quoted && c != '"' && c != ' ' && !std::isalpha(static_cast<unsigned char>(c))) return c;
    }
    return fallback;
}

const QCollator& collatorFor(const std::string& localeName, bool ignoreCase) {
    struct Cached {
        std::string name;
        std::unique_ptr<QCollator> exact, folded;
    };
    thread_local Cached cache;
    if (!cache.exact || cache.name != localeName) {
        cache.name = localeName;
        cache.exact = std::make_unique<QCollator>(localeNamed(localeName));
        cache.folded = std::make_unique<QCollator>(localeNamed(localeName));
        cache.folded->setCaseSensitivity(Qt::CaseInsensitive);
    }
    return ignoreCase ? *cache.folded : *cache.exact;
}

} // namespace

TFormatSettings LocaleFormatSettings(const std::string& localeName) {
    const QLocale locale = localeNamed(localeName);
    TFormatSettings s;
    s.LocaleName = localeName.empty() ? vx::FromQString(locale.name()) : localeName;
    s.ShortDateFormat = pictureOf(locale.dateFormat(QLocale::ShortFormat));
    s.LongDateFormat = pictureOf(locale.dateFormat(QLocale::LongFormat));
    s.ShortTimeFormat = pictureOf(locale.timeFormat(QLocale::ShortFormat));
    s.LongTimeFormat = pictureOf(locale.timeFormat(QLocale::LongFormat));
    s.DateSeparator = separatorOf(s.ShortDateFormat, '/');
    s.TimeSeparator = separatorOf(s.LongTimeFormat, ':');
    s.TimeAMString = vx::FromQString(locale.amText());
    s.TimePMString = vx::FromQString(locale.pmText());
    for (int m = 1; m <= 12; ++m) {
        s.ShortMonthNames[m - 1] = vx::FromQString(locale.monthName(m, QLocale::ShortFormat));
        s.LongMonthNames[m - 1] = vx::FromQString(locale.monthName(m, QLocale::LongFormat));
    }
    for (int d = 0; d < 7; ++d) {
        const int qtDay = d == 0 ? 7 : d; // Qt counts Monday as 1 and Sunday as 7
        s.ShortDayNames[d] = vx::FromQString(locale.dayName(qtDay, QLocale::ShortFormat));
        s.LongDayNames[d] = vx::FromQString(locale.dayName(qtDay, QLocale::LongFormat));
    }
    const QLocale::Language language = locale.language();
    s.FarEast = language == QLocale::Chinese || language == QLocale::Japanese || language == QLocale::Korean;
    return s;
}

TFormatSettings FormatSettings() {
    std::lock_guard guard(settingsLock);
    if (!current) current = LocaleFormatSettings("");
    return *current;
}

void SetFormatSettings(const TFormatSettings& settings) {
    std::lock_guard guard(settingsLock);
    current = settings;
}

int CompareLocaleText(const std::string& a, const std::string& b, bool ignoreCase) {
    std::string localeName;
    {
        std::lock_guard guard(settingsLock);
        if (current) localeName = current->LocaleName;
    }
    const int order = collatorFor(localeName, ignoreCase).compare(vx::ToQString(a), vx::ToQString(b));
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

std::string StoredFloatText(double value, int significantDigits) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::general,
                                      significantDigits);
    return std::string(text, result.ptr);
}

bool ParseStoredFloat(std::string_view text, double& value) {
    std::string number(text.substr(!text.empty() && text.front() == '+' ? 1 : 0));
    if (const std::size_t comma = number.find(','); comma != std::string::npos && number.find('.') == std::string::npos)
        number[comma] = '.';
    const char* end = number.data() + number.size();
    const auto result = std::from_chars(number.data(), end, value);
    return !number.empty() && result.ec == std::errc() && result.ptr == end;
}
