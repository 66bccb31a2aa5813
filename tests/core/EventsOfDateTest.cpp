#include "Pool.h"

#include <gtest/gtest.h>

using namespace std::chrono;

TEST(EventsOfDate, JoinsTheKindsInTheirFixedOrder) {
    TEvents events;
    events.SetYearly(11, 27, "Birthday");
    events.SetWeekly(5, "Choir");
    events.SetNWeekdayly(4, 5, 11, "Thanksgiving");
    EXPECT_EQ(events.EventsOfDate(11, 27, 2025, ", "), "Choir, Birthday, Thanksgiving");
    events.SetNWeekdayly(0, 5, 11, "Last Thursday");
    EXPECT_EQ(events.EventsOfDate(11, 27, 2025, ", "),
              "Choir, Birthday, Thanksgiving, Last Thursday");
}

TEST(EventsOfDate, OnceWeeklyMonthlyComeOnThreeLinesWithALineFeedSeparator) {
    TEvents events;
    events.SetMonthly(10, "Monthly");
    events.SetWeekly(DayOfWeek(3, 10, 2025), "Weekly");
    events.SetOnce(3, 10, 2025, "Once");
    EXPECT_EQ(events.EventsOfDate(3, 10, 2025, "\n"), "Once\nWeekly\nMonthly");
}

TEST(EventsOfDate, NothingOrOneKindHasNoSeparatorAtEitherEnd) {
    TEvents events;
    EXPECT_EQ(events.EventsOfDate(1, 1, 2025, ", "), "");
    EXPECT_EQ(events.EventsOfDate(1, 1, 2025, ""), "");
    events.SetYearly(1, 1, "New year");
    EXPECT_EQ(events.EventsOfDate(1, 1, 2025, ", "), "New year");
    EXPECT_EQ(events.EventsOfDate(1, 1, 2025, ""), "New year");
}

TEST(EventsOfDate, MultiLineTextsKeepTheirLineBreaks) {
    TEvents events;
    events.SetWeekly(DayOfWeek(3, 10, 2025), "Line one\r\nLine two");
    events.SetMonthly(10, "Rent");
    EXPECT_EQ(events.EventsOfDate(3, 10, 2025, ", "), "Line one\r\nLine two, Rent");
}

TEST(EventsOfDate, RecurrenceRulesMatchOnlyTheirDates) {
    TEvents events;
    events.SetMonthly(31, "Day 31");
    events.SetYearly(2, 29, "Leap day");
    events.SetNWeekdayly(5, 1, 3, "Fifth Sunday of March");
    events.SetNWeekdayly(4, 1, 2, "Fourth Sunday of February");
    events.SetNWeekdayly(0, 1, 2, "Last Sunday of February");
    events.SetOnce(1, 5, 2024, "Once");
    events.Once.insert_or_assign("01/05/2024", "Padded key");
    events.Weekly[9] = "Weekday nine";
    struct Row {
        const char *name;
        int month, day, year;
        const char *expected;
    } rows[] = {
        {"day 31 in January", 1, 31, 2025, "Day 31"},
        {"no day 31 in April: April 30 is not moved", 4, 30, 2025, ""},
        {"leap day in a leap year", 2, 29, 2024, "Leap day"},
        {"March 1 after a common February", 3, 1, 2025, ""},
        {"fifth Sunday of March 2025", 3, 30, 2025, "Fifth Sunday of March"},
        {"fourth Sunday of March 2025 is not the fifth", 3, 23, 2025, ""},
        {"2/22/2026 is both the fourth and the last Sunday", 2, 22, 2026,
         "Fourth Sunday of February, Last Sunday of February"},
        {"2/15/2026 is only the third Sunday", 2, 15, 2026, ""},
        {"a padded once key is never shown", 1, 5, 2024, "Once"},
        {"weekday nine matches nothing", 1, 4, 2025, ""},
    };
    for (const Row &row : rows)
        EXPECT_EQ(events.EventsOfDate(row.month, row.day, row.year, ", "), row.expected)
            << row.name;
}

TEST(MonthCache, StartsWithLastMonthAndMarksDaysWithEvents) {
    TEvents events;
    events.SetMonthly(31, "Day 31");
    TMonths months{};
    FillMonths(months, events, sys_days{2025y / January / 15});
    EXPECT_EQ(months[0].Month, 12);
    EXPECT_EQ(months[0].Year, 2024);
    EXPECT_EQ(months[1].Month, 1);
    EXPECT_EQ(months[1].MonthName, "January");
    // Thirteen months from last month on: the last is December of this year.
    EXPECT_EQ(months[12].Month, 12);
    EXPECT_EQ(months[12].Year, 2025);
    // January 2025 starts on a Wednesday: column 3.
    EXPECT_EQ(months[1].Day[2], 0);
    EXPECT_EQ(months[1].Day[3], 1);
    EXPECT_EQ(months[1].Day[33], 31);
    EXPECT_TRUE(months[1].HasEvents[33]);
    EXPECT_FALSE(months[1].HasEvents[32]);
    EXPECT_EQ(months[1].Day[34], 0);
}

TEST(MonthCache, ASaturdayStartWith31DaysUsesCellsSixTo36) {
    TMonths months{};
    months[2].Day.fill(99);
    FillMonths(months, TEvents(), sys_days{2025y / February / 10}); // March 2025 starts Saturday
    EXPECT_EQ(months[2].Month, 3);
    EXPECT_EQ(months[2].Day[5], 0);
    EXPECT_EQ(months[2].Day[6], 1);
    EXPECT_EQ(months[2].Day[36], 31);
    EXPECT_EQ(months[2].Day[37], 0);
    EXPECT_EQ(months[2].Day[41], 0);
}

TEST(EasterSeeding, WritesEasterSundayFrom1980To2099) {
    TEvents events;
    events.AddEaster();
    EXPECT_EQ(events.Once.size(), 120u);
    for (const char *key : {"4/6/1980", "3/31/2024", "4/20/2025", "4/12/2099", "3/23/2008"})
        EXPECT_EQ(events.Once.at(key), "Easter") << key;
}

TEST(EasterSeeding, PrependsToOtherTextsAndIsIdempotent) {
    TEvents events;
    events.SetOnce(4, 20, 2025, "Visit grandma");
    events.SetOnce(3, 31, 2024, "Easter egg hunt");
    events.AddEaster();
    events.AddEaster();
    EXPECT_EQ(events.GetOnce(4, 20, 2025), "Easter\r\nVisit grandma");
    EXPECT_EQ(events.GetOnce(3, 31, 2024), "Easter egg hunt");
    EXPECT_EQ(events.Once.size(), 120u);
}
