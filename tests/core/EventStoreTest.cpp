#include "Pool.h"

#include <gtest/gtest.h>

TEST(EventStoreSetters, TrimControlCharactersButKeepInnerLineBreaks) {
    TEvents events;
    events.SetWeekly(2, " \tDentist\r\nBring the card\r\n ");
    EXPECT_EQ(events.GetWeekly(2), "Dentist\r\nBring the card");
}

TEST(EventStoreSetters, AllBlankTextRemovesAnExistingKeyAndAddsNone) {
    TEvents events;
    events.SetMonthly(15, "Rent");
    events.SetMonthly(15, "  \r\n \r\n");
    EXPECT_TRUE(events.Monthly.empty());
    events.SetYearly(12, 25, " ");
    EXPECT_TRUE(events.Yearly.empty());
}

TEST(EventStoreSetters, FormKeysWithoutLeadingZeros) {
    TEvents events;
    events.SetOnce(3, 7, 2025, "a");
    events.SetYearly(12, 25, "b");
    events.SetNWeekdayly(3, 3, 3, "third Tuesday of March");
    events.SetNWeekdayly(0, 7, 12, "last Saturday of December");
    EXPECT_EQ(events.Once.count("3/7/2025"), 1u);
    EXPECT_EQ(events.Yearly.count("12/25"), 1u);
    EXPECT_EQ(events.NWeekdayly.count("3/3/3"), 1u);
    EXPECT_EQ(events.NWeekdayly.count("0/7/12"), 1u);
}

TEST(EventStoreGetters, AbsentKeyReadsEmptyAndStaysAbsent) {
    TEvents events;
    EXPECT_EQ(events.GetOnce(1, 1, 2025), "");
    EXPECT_EQ(events.GetNWeekdayly(1, 2, 3), "");
    EXPECT_TRUE(events.Once.empty());
    EXPECT_TRUE(events.NWeekdayly.empty());
}

TEST(EventStoreOrder, OnceKeysSortAsTexts) {
    TEvents events;
    events.SetOnce(2, 1, 2024, "x");
    events.SetOnce(10, 1, 2024, "x");
    events.SetOnce(1, 10, 2024, "x");
    events.SetOnce(1, 1, 2025, "x");
    std::vector<std::string> keys;
    for (const auto &entry : events.Once)
        keys.emplace_back(entry.first);
    EXPECT_EQ(keys, (std::vector<std::string>{"1/1/2025", "1/10/2024", "10/1/2024", "2/1/2024"}));
}

TEST(EventStoreClear, EmptiesAllFiveContainers) {
    TEvents events;
    events.SetOnce(1, 1, 2025, "a");
    events.SetWeekly(1, "b");
    events.SetMonthly(1, "c");
    events.SetYearly(1, 1, "d");
    events.SetNWeekdayly(1, 1, 1, "e");
    events.Clear();
    EXPECT_TRUE(events.Once.empty() && events.Weekly.empty() && events.Monthly.empty() &&
                events.Yearly.empty() && events.NWeekdayly.empty());
}

TEST(EventStoreInstances, ALocalStoreLeavesTheGlobalOneAlone) {
    TEvents local;
    local.SetWeekly(2, "local");
    EXPECT_EQ(Events.GetWeekly(2), "");
    EXPECT_EQ(local.EventsOfDate(3, 10, 2025, ", "), "local");
}
