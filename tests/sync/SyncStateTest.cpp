// The sync state: what the sync saw last must come back exactly as it was written, and a file
// that is not a state must never be taken for one (it would make the sync forget, and then
// merge what it should have passed on).
#include "Sync.h"

#include <gtest/gtest.h>

TEST(SyncState, ComesBackAsItWasWrittenWhateverTheTextsHold) {
    TSyncState state;
    state.CalendarId = "0123abcd";
    TSyncItem item;
    item.Etag = "\"etag with\ttab\"";
    item.Data = "BEGIN:VCALENDAR\r\nSUMMARY:a\\nb\r\nEND:VCALENDAR\r\n";
    item.ReadOnly = true;
    item.Entries = {{"O 3/10/2025", "Dentist\r\nbring the card"}, {"W 2", "back\\slash"}};
    state.Items["/cal/a b.ics"] = item;
    state.Items["/cal/empty.ics"] = {};
    state.Bases["Y 3/10"] = {"local\ttext", ""};
    state.Bases["N 0/6/11"] = {"", "server\r\n"};

    TSyncState read;
    ASSERT_TRUE(ParseState(StateText(state), read));
    EXPECT_EQ(read.CalendarId, state.CalendarId);
    ASSERT_EQ(read.Items.size(), 2u);
    const TSyncItem &back = read.Items.at("/cal/a b.ics");
    EXPECT_EQ(back.Etag, item.Etag);
    EXPECT_EQ(back.Data, item.Data);
    EXPECT_TRUE(back.ReadOnly);
    EXPECT_EQ(back.Entries, item.Entries);
    EXPECT_EQ(read.Bases.at("Y 3/10").Local, "local\ttext");
    EXPECT_EQ(read.Bases.at("N 0/6/11").Server, "server\r\n");
    EXPECT_EQ(StateText(read), StateText(state));
}

TEST(SyncState, AnythingElseIsNoState) {
    TSyncState state;
    state.CalendarId = "id";
    const std::string good = StateText(state);
    const std::string bad[] = {
        "",
        "[Sync]\nUrl=http://example.org/\n",
        good.substr(0, 10),
        good + "item\tonly two\n",
        good + "base\tO 1/1/2025\tdangling \\q escape\tx\n",
        good + "entry\t/not/an/item.ics\tO 1/1/2025\tx\n",
        "quorva-sync-state 1\n", // no calendar id
    };
    for (const std::string &text : bad) {
        TSyncState read;
        EXPECT_FALSE(ParseState(text, read)) << text;
    }
}

TEST(SyncResult, SummaryCountsEachKind) {
    TSyncResult result;
    result.Sent = 3;
    result.Received = 5;
    result.Conflicts = 1;
    EXPECT_EQ(result.Summary(), "sync: 3 sent, 5 received, 1 conflict kept, 0 deleted");
    result.Conflicts = 2;
    result.Deleted = 1;
    EXPECT_EQ(result.Summary(), "sync: 3 sent, 5 received, 2 conflicts kept, 1 deleted");
}
