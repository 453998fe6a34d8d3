// Feeds arbitrary text to the date reader: the first line is the date format, the rest the
// text read with it, in both the columns and the delimited way.
#include <cstddef>
#include <cstdint>
#include <string>

#include "toolkit/Dateutil.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t newline = input.find('\n');
    const std::string format = newline == std::string::npos ? "dd/mm/yyyy" : input.substr(0, newline);
    const std::string text = newline == std::string::npos ? input : input.substr(newline + 1);
    const TDateTime date = StrToDateFmtDef(format, text, NullDate);
    if (date != NullDate && !ValidDate(date)) __builtin_trap();
    MonthFromName(text, static_cast<BYTE>(text.size() & 0xFF));
    return 0;
}
