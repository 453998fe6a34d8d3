#include "platform/framework/DateTime.h"
#include "platform/framework/Classes.h"
#include "platform/kernel/Random.h"

#include <gtest/gtest.h>

TEST(DateTimeValues, EncodeAndDecodeAcrossTheWholeRange) {
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
    EXPECT_EQ(EncodeDate(1900, 1, 1), 2);
    EXPECT_EQ(EncodeDate(1, 1, 1), -693593);
    EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465);
    EXPECT_THROW(EncodeDate(2003, 2, 29), EConvertError);
    EXPECT_THROW(EncodeDate(0, 1, 1), EConvertError);
    EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
    WORD y, m, d;
    DecodeDate(-1.25, y, m, d);
    EXPECT_EQ(y * 10000 + m * 100 + d, 18991229);
    DecodeDate(2958466, y, m, d);
    EXPECT_EQ(y + m + d, 0);
    WORD h, n, s, ms;
    DecodeTime(-1.25, h, n, s, ms);
    EXPECT_EQ(h, 6);
    DecodeTime(EncodeTime(23, 59, 59, 999), h, n, s, ms);
    EXPECT_EQ(h * 10000000 + n * 100000 + s * 1000 + ms, 235959999);
    EXPECT_EQ(DayOfWeek(0), 7);  // 30 December 1899 was a Saturday
    EXPECT_EQ(DayOfWeek(-1), 6); // and the day before a Friday
    EXPECT_EQ(DayOfWeek(EncodeDate(2004, 3, 7)), 1);
}

TEST(DateTimeValues, TodayComesFromTheLocalTimeOfDay) {
    SetLocalTimeSource([] {
        SystemTime t;
        t.year = 2004;
        t.month = 2;
        t.day = 29;
        t.hour = 18;
        return t;
    });
    EXPECT_EQ(Date(), EncodeDate(2004, 2, 29));
    EXPECT_DOUBLE_EQ(Now(), EncodeDate(2004, 2, 29) + 0.75);
    SetLocalTimeSource(nullptr);
}

TEST(DateTimeFormatting, PicturesWriteEveryField) {
    const TFormatSettings en = LocaleFormatSettings("en_US");
    const TDateTime value = EncodeDate(2004, 3, 5) + EncodeTime(14, 7, 9, 45);
    const std::pair<const char*, const char*> cases[] = {
        {"d/m/yy", "5/3/04"},
        {"dd.mm.yyyy", "05.03.2004"},
        {"ddd dddd", "Fri Friday"},
        {"mmm mmmm", "Mar March"},
        {"hh:mm:ss.zzz", "14:07:09.045"},
        {"h:nn am/pm", "2:07 pm"},
        {"h:nn AM/PM", "2:07 PM"},
        {"hh a/p", "02 p"},
        {"'d' \"m\" d", "d m 5"},
        {"yyyy-mm-dd", "2004-03-05"},
    };
    for (const auto& [picture, text] : cases)
        EXPECT_EQ(FormatDateTime(picture, value, en), text) << picture;
    TFormatSettings dotted = en;
    dotted.DateSeparator = '.';
    dotted.ShortDateFormat = "d/M/yyyy";
    EXPECT_EQ(FormatDateTime("ddddd", value, dotted), "5.3.2004");
    EXPECT_EQ(FormatDateTime("c", EncodeDate(2004, 3, 5), dotted), "5.3.2004");
}

TEST(LocaleSettings, PicturesComeFromTheLocale) {
    const TFormatSettings de = LocaleFormatSettings("de_DE");
    EXPECT_EQ(de.ShortDateFormat, "dd.MM.yy");
    EXPECT_EQ(de.DateSeparator, '.');
    EXPECT_EQ(de.LongTimeFormat, "hh:mm:ss");
    EXPECT_EQ(de.LongMonthNames[2], "M\xC3\xA4rz");
    EXPECT_EQ(de.LongDayNames[0], "Sonntag");
    EXPECT_FALSE(de.FarEast);
    EXPECT_TRUE(LocaleFormatSettings("ja_JP").FarEast);
    const TFormatSettings en = LocaleFormatSettings("en_US");
    EXPECT_EQ(en.ShortDateFormat, "M/d/yy");
    EXPECT_EQ(en.LongTimeFormat, "h:mm:ss AMPM");
    const TDateTime value = EncodeDate(2004, 3, 5) + EncodeTime(14, 7, 9, 0);
    EXPECT_EQ(FormatDateTime("tt", value, de), "14:07:09");
}
