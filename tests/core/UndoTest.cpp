#include "Undo.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

TEST(UndoHistory, PutsBackTheFiveEntriesOfADateExactlyAsTheyWere) {
    TEvents events;
    events.Once.insert_or_assign("4/10/2025", "  Dentist  "); // as read from a file: untrimmed
    events.SetWeekly(5, "Choir");
    events.SetYearly(4, 10, "Birthday");
    events.SetMonthly(11, "Other day, untouched");
    TUndoHistory history;
    history.RecordDate(events, 4, 10, 2025, 5, 2, "&Undo changes of 4/10/2025");
    events.SetOnce(4, 10, 2025, "");
    events.SetWeekly(5, "Choir moved");
    events.SetMonthly(10, "Rent");
    events.SetNWeekdayly(2, 5, 4, "Meeting");
    events.SetMonthly(11, "Changed later, not by this step");

    EXPECT_EQ(history.Caption(), "&Undo changes of 4/10/2025");
    ASSERT_TRUE(history.Undo(events));
    EXPECT_EQ(events.Once.at("4/10/2025"), "  Dentist  ");
    EXPECT_EQ(events.GetWeekly(5), "Choir");
    EXPECT_EQ(events.GetYearly(4, 10), "Birthday");
    EXPECT_FALSE(events.Monthly.contains(10));
    EXPECT_FALSE(events.NWeekdayly.contains("2/5/4"));
    EXPECT_EQ(events.GetMonthly(11), "Changed later, not by this step");
    EXPECT_TRUE(history.Empty());
    EXPECT_EQ(history.Caption(), "");
    EXPECT_FALSE(history.Undo(events));
}

TEST(UndoHistory, UndoesNewAndForgetsAllButTheLastTwentyChanges) {
    TEvents events;
    events.SetWeekly(2, "Gym");
    TUndoHistory history;
    for (int day = 1; day <= 25; ++day) {
        history.RecordDate(events, 1, day, 2026, 1, 1,
                           "&Undo changes of 1/" + std::to_string(day) + "/2026");
        events.SetOnce(1, day, 2026, "Day " + std::to_string(day));
    }
    history.RecordWhole(std::move(events), "&Undo New");
    events.Clear();
    EXPECT_EQ(history.Caption(), "&Undo New");
    ASSERT_TRUE(history.Undo(events));
    EXPECT_EQ(events.GetWeekly(2), "Gym");
    EXPECT_EQ(events.Once.size(), 25u);
    int undone = 0;
    while (history.Undo(events))
        ++undone;
    EXPECT_EQ(undone, 19) << "20 changes are kept, New among them";
    EXPECT_EQ(events.Once.size(), 6u) << "the first five changes are beyond undo";
}

TEST(EventsFileSave, KeepsThePreviousFileAsABackupBesideIt) {
    TempFolder folder;
    const std::string path = folder.File("quorva.ini");
    TEvents events;
    events.SetWeekly(2, "first");
    events.SaveToIni(path);
    EXPECT_FALSE(std::filesystem::exists(path + ".bak")) << "nothing to back up yet";
    events.SetWeekly(2, "second");
    events.SaveToIni(path);
    EXPECT_EQ(TempFolder::Read(path + ".bak"), "[Weekly]\r\n2=first\r\n");
    EXPECT_EQ(TempFolder::Read(path), "[Weekly]\r\n2=second\r\n");
}
