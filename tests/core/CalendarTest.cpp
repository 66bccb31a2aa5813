#include "Pool.h"

#include <gtest/gtest.h>

using namespace std::chrono;

TEST(NameTables, HoldEnglishNamesAtTheirNumbers) {
    EXPECT_EQ(MonthNames[1], "January");
    EXPECT_EQ(MonthNames[12], "December");
    EXPECT_EQ(DayNames[1], "Sunday");
    EXPECT_EQ(DayNames[7], "Saturday");
}

TEST(DateValue, CountsDaysSinceTheEndOf1899) {
    EXPECT_EQ(ToDateTime(sys_days{1899y / December / 30}), 0.0);
    EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
    EXPECT_EQ(EncodeDate(2025, 3, 10), 45726.0);
    EXPECT_EQ(ToSysDays(45726.75), sys_days{2025y / March / 10});
    EXPECT_EQ(DecodeDate(45726.0), 2025y / March / 10);
}

TEST(Calendar, WeekdaysRunFromSundayAsOne) {
    EXPECT_EQ(DayOfWeek(11, 27, 2025), 5); // a Thursday
    EXPECT_EQ(DayOfWeek(2, 1, 2026), 1);
    EXPECT_EQ(DayOfWeek(12, 31, 2022), 7);
}

TEST(Calendar, DaysInMonthFollowsLeapYears) {
    EXPECT_EQ(DaysInMonth(2, 2024), 29);
    EXPECT_EQ(DaysInMonth(2, 1900), 28);
    EXPECT_EQ(DaysInMonth(2, 2000), 29);
    EXPECT_EQ(DaysInMonth(4, 2025), 30);
}

TEST(DateText, IsWrittenWithoutLeadingZeros) {
    EXPECT_EQ(FormatDate(3, 7, 2025), "3/7/2025");
    EXPECT_EQ(FormatDate(12, 31, 1999), "12/31/1999");
}

TEST(DateText, IsReadOnlyAsARealMonthDayYearDate) {
    struct Row {
        const char *name;
        const char *text;
        bool valid;
    } rows[] = {
        {"plain", "3/7/2025", true},
        {"leading zeros", "01/05/2024", true},
        {"leap day", "2/29/2024", true},
        {"leap day of a common year", "2/29/2025", false},
        {"day 31 of April", "4/31/2025", false},
        {"month 13", "13/1/2025", false},
        {"day 0", "1/0/2025", false},
        {"two-digit year", "1/5/24", false},
        {"missing year", "1/5", false},
        {"blank inside", "1/ 5/2024", false},
        {"sign", "+1/5/2024", false},
        {"trailing text", "1/5/2024x", false},
        {"dashes", "1-5-2024", false},
        {"year 0", "1/1/0000", false},
        {"empty", "", false},
        {"huge numbers", "99999999999/1/2024", false},
    };
    for (const Row &row : rows) {
        int month = 0, day = 0, year = 0;
        EXPECT_EQ(ParseDate(row.text, month, day, year), row.valid) << row.name;
    }
    int month = 0, day = 0, year = 0;
    ASSERT_TRUE(ParseDate("01/05/2024", month, day, year));
    EXPECT_EQ(month, 1);
    EXPECT_EQ(day, 5);
    EXPECT_EQ(year, 2024);
}

TEST(EasterSeedingDecision, SeedsOnlyForVersionsBelowOneSix) {
    struct Row {
        const char *version;
        bool seeds;
    } rows[] = {
        {"1.5", true},   {"1.59", true}, {"1.10", true},   {"1.6", false},
        {"1.75", false}, {"2", false},   {"abc", true},    {"", true},
        {"1,7", true},   {"0.9", true},  {" 1.7 ", false},
    };
    for (const Row &row : rows)
        EXPECT_EQ(NeedsEasterSeeding(row.version), row.seeds) << '"' << row.version << '"';
}
