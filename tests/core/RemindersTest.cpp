#include "Pool.h"

#include <gtest/gtest.h>

using namespace std::chrono;

namespace {
const sys_days Today = sys_days{2025y / March / 10}; // a Monday
}

TEST(Reminders, TodayOnlyIsEmptyWithoutEventsAndOneEntryWithThem) {
    TEvents events;
    EXPECT_TRUE(events.BuildReminders(0, Today).empty());
    events.SetWeekly(2, "Gym");
    const TReminders reminders = events.BuildReminders(0, Today);
    ASSERT_EQ(reminders.size(), 1u);
    EXPECT_EQ(reminders.begin()->first, ToDateTime(Today));
    EXPECT_EQ(reminders.begin()->second, "Gym");
}

TEST(Reminders, FourteenDaysGiveFifteenEntriesAtMost) {
    TEvents events;
    for (int weekday = 1; weekday <= 7; ++weekday)
        events.SetWeekly(weekday, "Every day");
    const TReminders reminders = events.BuildReminders(14, Today);
    ASSERT_EQ(reminders.size(), 15u);
    EXPECT_EQ(reminders.rbegin()->first, ToDateTime(Today + days{14}));
}

TEST(Reminders, NegativeDaysAndPastEventsGiveNothing) {
    TEvents events;
    events.SetOnce(3, 9, 2025, "Yesterday");
    EXPECT_TRUE(events.BuildReminders(-1, Today).empty());
    EXPECT_TRUE(events.BuildReminders(5, Today).empty());
}

TEST(Reminders, TwoKindsOnOneDayJoinWithACommaAndABlank) {
    TEvents events;
    events.SetOnce(3, 11, 2025, "Dentist");
    events.SetMonthly(11, "Rent");
    const TReminders reminders = events.BuildReminders(2, Today);
    ASSERT_EQ(reminders.size(), 1u);
    EXPECT_EQ(reminders.at(EncodeDate(2025, 3, 11)), "Dentist, Rent");
}

TEST(Reminders, WalkCrossesTheYearEndWithTheRightWeekdays) {
    TEvents events;
    events.SetNWeekdayly(1, 5, 1, "First Thursday of January");   // 1/1/2026 is a Thursday
    events.SetNWeekdayly(0, 4, 12, "Last Wednesday of December"); // 12/31/2025
    const TReminders reminders = events.BuildReminders(3, sys_days{2025y / December / 30});
    ASSERT_EQ(reminders.size(), 2u);
    EXPECT_EQ(reminders.at(EncodeDate(2025, 12, 31)), "Last Wednesday of December");
    EXPECT_EQ(reminders.at(EncodeDate(2026, 1, 1)), "First Thursday of January");
}

TEST(Reminders, WalkStopsAtTheLastRepresentableDay) {
    TEvents events;
    events.SetWeekly(DayOfWeek(12, 31, 9999), "End");
    EXPECT_EQ(events.BuildReminders(1000000, sys_days{9999y / December / 25}).size(), 1u);
}
