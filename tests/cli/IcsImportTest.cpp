#include "IcsImport.h"
#include "CommandLine.h"
#include "IcsExport.h"
#include "IcsTestSupport.h"
#include "ImportCommand.h"
#include "ScopedEnvironment.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>


using namespace std::chrono;

namespace {

const sys_days Today{2025y / March / 10}; // a Monday

// A calendar of the given events, each given by its lines after BEGIN:VEVENT.
std::string Calendar(const std::vector<std::string> &events) {
    std::string text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\n";
    int uid = 0;
    for (const std::string &event : events)
        text += "BEGIN:VEVENT\r\nUID:e" + std::to_string(++uid) +
                "\r\nDTSTAMP:20250101T000000Z\r\n" + event + "END:VEVENT\r\n";
    return text + "END:VCALENDAR\r\n";
}

// Runs import-ics on the test's own files.
struct ImportRun {
    int exitCode;
    std::string out, err;
};

ImportRun Import(const TempFolder &folder, const std::vector<std::string> &args) {
    std::ostringstream out, err;
    const int code = RunImportIcs(args, Today, folder.File("default.ini"), out, err);
    return {code, out.str(), err.str()};
}

std::set<std::string> Keys(const TOnceMap &container) {
    std::set<std::string> keys;
    for (const auto &entry : container)
        keys.emplace(entry.first);
    return keys;
}

std::string Key(sys_days day) {
    const year_month_day ymd{day};
    return FormatDate(static_cast<int>(static_cast<unsigned>(ymd.month())),
                      static_cast<int>(static_cast<unsigned>(ymd.day())),
                      static_cast<int>(ymd.year()));
}

const sys_days WindowEnd{2026y / March / 31}; // the end of the month a year after Today

// The keys of every step-th day from first up to the end of the window.
std::set<std::string> EveryNthDay(sys_days first, int step) {
    std::set<std::string> keys;
    for (sys_days day = first; day <= WindowEnd; day += days{step})
        keys.insert(Key(day));
    return keys;
}

// The repeating entries of a store, "Weekly 3" and so on, in the store's order.
std::string RepeatingEntries(const TEvents &events) {
    std::ostringstream found;
    const auto describe = [&found](const char *kind, const auto &container) {
        for (const auto &entry : container)
            found << (found.tellp() > 0 ? ", " : "") << kind << " " << entry.first;
    };
    describe("Weekly", events.Weekly);
    describe("Monthly", events.Monthly);
    describe("Yearly", events.Yearly);
    describe("NWeekdayly", events.NWeekdayly);
    return found.str();
}

// What the events file keeps of a store: saved to a file of its own and read back.
TEvents SavedAndLoaded(const TEvents &events) {
    TempFolder folder;
    const std::string ini = folder.File("quorva.ini");
    events.SaveToIni(ini);
    TEvents loaded;
    loaded.LoadFromIni(ini, 0, Today);
    return loaded;
}

std::string Repeat(const std::string &text, int count) {
    std::string result;
    result.reserve(text.size() * static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        result += text;
    return result;
}

} // namespace

TEST(IcsImport, AnExportImportedIntoAnEmptyCalendarGivesBackTheSameEvents) {
    const TEvents original = EveryKindStore();
    TEvents imported;
    const TIcsImport result =
        ImportIcs(ExportIcs(original, sys_days{Today} + 0s).Text, imported, Today);
    EXPECT_EQ(imported.Once, original.Once);
    EXPECT_EQ(imported.Weekly, original.Weekly);
    EXPECT_EQ(imported.Monthly, original.Monthly);
    EXPECT_EQ(imported.Yearly, original.Yearly);
    EXPECT_EQ(imported.NWeekdayly, original.NWeekdayly);
    EXPECT_EQ(result.Expanded, 0);
    EXPECT_EQ(result.Added[0], static_cast<int>(original.Once.size()));
    EXPECT_EQ(result.Added[4], static_cast<int>(original.NWeekdayly.size()));
}

TEST(IcsImport, EachRuleThatAKindHoldsBecomesAnEntryOfThatKind) {
    struct Row {
        const char *name;
        const char *lines;
        const char *expected; // "kind key=text"
    } rows[] = {
        {"all-day once", "DTSTART;VALUE=DATE:20250307\r\nSUMMARY:Dentist\r\n",
         "Once 3/7/2025=Dentist"},
        {"weekly without BYDAY takes the start's weekday",
         "DTSTART;VALUE=DATE:20250311\r\nRRULE:FREQ=WEEKLY\r\nSUMMARY:Gym\r\n", "Weekly 3=Gym"},
        {"weekly on the start's weekday",
         "DTSTART;VALUE=DATE:20250309\r\nRRULE:FREQ=WEEKLY;BYDAY=SU\r\nSUMMARY:Mass\r\n",
         "Weekly 1=Mass"},
        {"monthly on day 31",
         "DTSTART;VALUE=DATE:20250131\r\nRRULE:FREQ=MONTHLY;BYMONTHDAY=31\r\nSUMMARY:Rent\r\n",
         "Monthly 31=Rent"},
        {"monthly from the start's day",
         "DTSTART;VALUE=DATE:20250115\r\nRRULE:FREQ=MONTHLY\r\nSUMMARY:Pay\r\n", "Monthly 15=Pay"},
        {"yearly on 2/29",
         "DTSTART;VALUE=DATE:20240229\r\nRRULE:FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=29\r\n"
         "SUMMARY:Leap\r\n",
         "Yearly 2/29=Leap"},
        {"yearly from the start",
         "DTSTART;VALUE=DATE:20241225\r\nRRULE:FREQ=YEARLY\r\nSUMMARY:Christmas\r\n",
         "Yearly 12/25=Christmas"},
        {"fourth Thursday of November",
         "DTSTART;VALUE=DATE:20251127\r\nRRULE:FREQ=YEARLY;BYMONTH=11;BYDAY=4TH\r\n"
         "SUMMARY:Thanksgiving\r\n",
         "NWeekdayly 4/5/11=Thanksgiving"},
        {"last Monday of May",
         "DTSTART;VALUE=DATE:20250526\r\nRRULE:FREQ=YEARLY;BYMONTH=5;BYDAY=-1MO\r\n"
         "SUMMARY:Memorial Day\r\n",
         "NWeekdayly 0/2/5=Memorial Day"},
        {"summary and description on separate lines",
         "DTSTART;VALUE=DATE:20250307\r\nSUMMARY:Dentist\r\nDESCRIPTION:Bring the card\\nand "
         "the form\r\n",
         "Once 3/7/2025=Dentist\r\nBring the card\r\nand the form"},
    };
    for (const Row &row : rows) {
        TEvents events;
        const TIcsImport result = ImportIcs(Calendar({row.lines}), events, Today);
        std::string found;
        const auto describe = [&found](const std::string &kind, const auto &container) {
            for (const auto &[key, text] : container) {
                std::ostringstream line;
                line << kind << " " << key << "=" << text;
                found += line.str();
            }
        };
        describe("Once", events.Once);
        describe("Weekly", events.Weekly);
        describe("Monthly", events.Monthly);
        describe("Yearly", events.Yearly);
        describe("NWeekdayly", events.NWeekdayly);
        EXPECT_EQ(found, row.expected) << row.name;
        EXPECT_EQ(result.Expanded, 0) << row.name;
    }
}

TEST(IcsImport, ATimedEventStartsWithItsLocalStartTime) {
    ScopedEnvironment zone("TZ", "UTC");
    struct Row {
        const char *name;
        const char *start;
        const char *key;
        const char *text;
    } rows[] = {
        {"floating time as written", "DTSTART:20250312T093000", "3/12/2025", "9:30 Standup"},
        {"UTC time in the local zone", "DTSTART:20250312T140500Z", "3/12/2025", "14:05 Standup"},
        {"zone of the event to the local zone", "DTSTART;TZID=Europe/Berlin:20250312T003000",
         "3/11/2025", "23:30 Standup"},
    };
    for (const Row &row : rows) {
        TEvents events;
        ImportIcs(Calendar({std::string(row.start) + "\r\nSUMMARY:Standup\r\n"}), events, Today);
        ASSERT_EQ(events.Once.size(), 1u) << row.name;
        EXPECT_EQ(events.Once.begin()->first, row.key) << row.name;
        EXPECT_EQ(events.Once.begin()->second, row.text) << row.name;
    }
}

TEST(IcsImport, AnIntervalRuleIsExpandedFromTodayToTheEndOfTheMonthAYearAhead) {
    TEvents events;
    const TIcsImport result =
        ImportIcs(Calendar({"DTSTART;VALUE=DATE:20200106\r\nRRULE:FREQ=WEEKLY;INTERVAL=2\r\n"
                            "SUMMARY:Bins\r\n"}),
                  events, Today);
    std::set<std::string> expected;
    for (sys_days day{2020y / January / 6}; day <= sys_days{2026y / March / 31}; day += days{14})
        if (day >= Today)
            expected.insert(Key(day));
    EXPECT_EQ(Keys(events.Once), expected);
    EXPECT_EQ(result.Expanded, 1);
    EXPECT_EQ(result.ExpandedEntries, static_cast<int>(expected.size()));
    EXPECT_EQ(result.ExpandedTo, sys_days{2026y / March / 31});
    EXPECT_TRUE(events.Weekly.empty());
}

TEST(IcsImport, RulesNoKindHoldsAreExpandedIntoOneTimeEntries) {
    struct Row {
        const char *name;
        const char *lines;
        std::set<std::string> keys;
    } rows[] = {
        {"count",
         "DTSTART;VALUE=DATE:20250311\r\nRRULE:FREQ=WEEKLY;COUNT=2\r\n",
         {"3/11/2025", "3/18/2025"}},
        {"end date",
         "DTSTART;VALUE=DATE:20250301\r\nRRULE:FREQ=MONTHLY;UNTIL=20250501\r\n",
         {"4/1/2025", "5/1/2025"}},
        {"several weekdays",
         "DTSTART;VALUE=DATE:20250310\r\nRRULE:FREQ=WEEKLY;BYDAY=MO,WE;COUNT=4\r\n",
         {"3/10/2025", "3/12/2025", "3/17/2025", "3/19/2025"}},
        {"an exception",
         "DTSTART;VALUE=DATE:20250310\r\nRRULE:FREQ=DAILY;COUNT=3\r\nEXDATE;VALUE=DATE:"
         "20250311\r\n",
         {"3/10/2025", "3/12/2025"}},
        {"extra dates",
         "DTSTART;VALUE=DATE:20250310\r\nRDATE;VALUE=DATE:20250401\r\n",
         {"3/10/2025", "4/1/2025"}},
        {"a start off the rule's day",
         "DTSTART;VALUE=DATE:20250310\r\nRRULE:FREQ=WEEKLY;BYDAY=TU;UNTIL=20250320\r\n",
         {"3/10/2025", "3/11/2025", "3/18/2025"}},
        {"n-th weekday of every month",
         "DTSTART;VALUE=DATE:20250311\r\nRRULE:FREQ=MONTHLY;BYDAY=2TU;COUNT=2\r\n",
         {"3/11/2025", "4/8/2025"}},
        {"all of it before today",
         "DTSTART;VALUE=DATE:20240101\r\nRRULE:FREQ=DAILY;COUNT=5\r\n",
         {}},
    };
    for (const Row &row : rows) {
        TEvents events;
        const TIcsImport result =
            ImportIcs(Calendar({std::string(row.lines) + "SUMMARY:x\r\n"}), events, Today);
        EXPECT_EQ(Keys(events.Once), row.keys) << row.name;
        EXPECT_EQ(result.Expanded, 1) << row.name;
        EXPECT_TRUE(events.Weekly.empty() && events.Monthly.empty() && events.Yearly.empty() &&
                    events.NWeekdayly.empty())
            << row.name;
    }
}

TEST(IcsImport, AddsToAnExistingTextOnANewLineUnlessItIsAlreadyThere) {
    TEvents events;
    events.SetWeekly(2, "Gym");
    events.SetOnce(3, 7, 2025, "Dentist at nine");
    const TIcsImport result =
        ImportIcs(Calendar({"DTSTART;VALUE=DATE:20250310\r\nRRULE:FREQ=WEEKLY\r\nSUMMARY:Piano\r\n",
                            "DTSTART;VALUE=DATE:20250307\r\nSUMMARY:Dentist\r\n"}),
                  events, Today);
    EXPECT_EQ(events.GetWeekly(2), "Gym\r\nPiano");
    EXPECT_EQ(events.GetOnce(3, 7, 2025), "Dentist at nine");
    EXPECT_EQ(result.Added[1], 1);
    EXPECT_EQ(result.Added[0], 0);
}

TEST(IcsImport, AnEventWithoutTextIsLeftOutAndNamed) {
    TEvents events;
    const TIcsImport result =
        ImportIcs(Calendar({"DTSTART;VALUE=DATE:20250307\r\nSUMMARY: \r\n"}), events, Today);
    EXPECT_TRUE(events.Once.empty());
    ASSERT_EQ(result.LeftOut.size(), 1u);
    EXPECT_EQ(result.LeftOut[0], "event 1 (\"e1\"): it has no text");
}

TEST(IcsImport, ACancelledEventIsLeftOutAndNamed) {
    TEvents events;
    const TIcsImport result = ImportIcs(
        Calendar({"DTSTART;VALUE=DATE:20250307\r\nSUMMARY:Lunch\r\nSTATUS:CANCELLED\r\n"}), events,
        Today);
    EXPECT_TRUE(events.Once.empty());
    ASSERT_EQ(result.LeftOut.size(), 1u);
    EXPECT_EQ(result.LeftOut[0], "event 1 (\"Lunch\"): it was cancelled");
}

TEST(IcsImport, ASeriesWithAMovedInstanceIsExpandedWithTheInstanceMoved) {
    const std::string text =
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:x\r\n"
        "BEGIN:VEVENT\r\nUID:s\r\nDTSTAMP:20250101T000000Z\r\nDTSTART:20250310T090000\r\n"
        "RRULE:FREQ=WEEKLY\r\nSUMMARY:Course\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nUID:s\r\nDTSTAMP:20250101T000000Z\r\nRECURRENCE-ID:20250317T090000\r\n"
        "DTSTART:20250318T100000\r\nSUMMARY:Course\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nUID:s\r\nDTSTAMP:20250101T000000Z\r\nRECURRENCE-ID:20250324T090000\r\n"
        "DTSTART:20250324T090000\r\nSUMMARY:Course\r\nSTATUS:CANCELLED\r\nEND:VEVENT\r\n"
        "END:VCALENDAR\r\n";
    TEvents events;
    const TIcsImport result = ImportIcs(text, events, Today);
    EXPECT_EQ(events.GetOnce(3, 10, 2025), "9:00 Course");
    EXPECT_EQ(events.GetOnce(3, 17, 2025), "");
    EXPECT_EQ(events.GetOnce(3, 18, 2025), "10:00 Course");
    EXPECT_EQ(events.GetOnce(3, 24, 2025), "");
    EXPECT_EQ(events.GetOnce(3, 31, 2025), "9:00 Course");
    EXPECT_EQ(result.Expanded, 1);
    EXPECT_TRUE(events.Weekly.empty());
}

TEST(IcsImport, KeepsTheEventsOfACalendarProgramsUsualFile) {
    const std::string text =
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Other//EN\r\nX-WR-CALNAME:Work\r\n"
        "CALSCALE:GREGORIAN\r\nMETHOD:PUBLISH\r\nBEGIN:VEVENT\r\nUID:a@b\r\n"
        "DTSTAMP:20250101T000000Z\r\nDTSTART;VALUE=DATE:20250307\r\n"
        "DTEND;VALUE=DATE:20250308\r\nSUMMARY:A long summary that the writer folded over more "
        "than one\r\n  line of the file\r\nCATEGORIES:Health,Family\r\n"
        "ATTENDEE;CN=Ann;ROLE=REQ-PARTICIPANT:mailto:ann@example.org\r\n"
        "CONFERENCE-ROOM:Blue\r\nSUMMARY-LANGUAGE:en\r\n"
        "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:Reminder\r\nTRIGGER:-PT15M\r\n"
        "END:VALARM\r\nEND:VEVENT\r\nBEGIN:VTODO\r\nUID:t\r\nDTSTAMP:20250101T000000Z\r\n"
        "SUMMARY:Not an event\r\nEND:VTODO\r\nEND:VCALENDAR\r\n";
    TEvents events;
    ImportIcs(text, events, Today);
    EXPECT_EQ(events.GetOnce(3, 7, 2025),
              "A long summary that the writer folded over more than one line of the file");
    EXPECT_EQ(events.Once.size(), 1u);
}

TEST(IcsImport, ASeriesBecomesAKindOnlyWhenTheKindFallsOnExactlyItsDaysFromTodayOn) {
    struct Row {
        const char *name;
        const char *lines;
        const char *kind; // the repeating entry, or "" when the series is expanded
        std::set<std::string> once;
    } rows[] = {
        {"a weekly series that began before today",
         "DTSTART;VALUE=DATE:20250304\r\nRRULE:FREQ=WEEKLY\r\n",
         "Weekly 3",
         {}},
        {"a weekly series that begins on the kind's next day",
         "DTSTART;VALUE=DATE:20250311\r\nRRULE:FREQ=WEEKLY\r\n",
         "Weekly 3",
         {}},
        {"a weekly class that begins in October",
         "DTSTART;VALUE=DATE:20251007\r\nRRULE:FREQ=WEEKLY\r\n", "",
         EveryNthDay(2025y / October / 7, 7)},
        {"a weekly series that begins a week after the kind's next day",
         "DTSTART;VALUE=DATE:20250318\r\nRRULE:FREQ=WEEKLY;BYDAY=TU\r\n", "",
         EveryNthDay(2025y / March / 18, 7)},
        {"a monthly series that begins in June",
         "DTSTART;VALUE=DATE:20250615\r\nRRULE:FREQ=MONTHLY\r\n",
         "",
         {"6/15/2025", "7/15/2025", "8/15/2025", "9/15/2025", "10/15/2025", "11/15/2025",
          "12/15/2025", "1/15/2026", "2/15/2026", "3/15/2026"}},
        {"a yearly series whose first day is the kind's only day up to the window's end",
         "DTSTART;VALUE=DATE:20260101\r\nRRULE:FREQ=YEARLY\r\n",
         "Yearly 1/1",
         {}},
        {"a yearly series that begins after the window",
         "DTSTART;VALUE=DATE:20270101\r\nRRULE:FREQ=YEARLY\r\n",
         "",
         {}},
        {"the last Monday of May from next year on",
         "DTSTART;VALUE=DATE:20260525\r\nRRULE:FREQ=YEARLY;BYMONTH=5;BYDAY=-1MO\r\n",
         "",
         {}},
    };
    for (const Row &row : rows) {
        TEvents events;
        const TIcsImport result =
            ImportIcs(Calendar({std::string(row.lines) + "SUMMARY:Class\r\n"}), events, Today);
        EXPECT_EQ(RepeatingEntries(events), row.kind) << row.name;
        EXPECT_EQ(Keys(events.Once), row.once) << row.name;
        const bool expanded = std::string(row.kind).empty();
        EXPECT_EQ(result.Expanded, expanded ? 1 : 0) << row.name;
        EXPECT_EQ(result.ExpandedEntries, static_cast<int>(row.once.size())) << row.name;
        EXPECT_EQ(result.Added[0], static_cast<int>(row.once.size())) << row.name;
    }
}

TEST(IcsImport, ATextCutAtTheEventsFileLimitIsNamedAndCountedOnlyWhenSomeOfItWasStored) {
    const std::string e = "\xC3\xA9"; // one character, two bytes
    struct Row {
        const char *name;
        std::size_t existing; // length of the text already on 3/7/2025
        std::string summary;
        std::size_t stored; // length of the text afterwards
        int added;
        std::string cut; // the warning, or none
    } rows[] = {
        {"a new text over the limit", 0, std::string(5000, 'a'), 4095, 1,
         "3/7/2025: text cut at 4096 characters"},
        {"a new text of exactly the limit", 0, std::string(4096, 'a'), 4096, 1, ""},
        {"added to a text that leaves room for some of it", 4000,
         "Dentist " + std::string(200, 'b'), 4095, 1, "3/7/2025: text cut at 4096 characters"},
        {"added up to exactly the limit", 4087, "Dentist", 4096, 1, ""},
        {"added to a text that leaves no room", 4094, "Dentist", 4094, 0,
         "3/7/2025: text cut at 4096 characters; \"Dentist\" not added"},
        {"added to a text of exactly the limit", 4096, "Dentist", 4096, 0,
         "3/7/2025: text cut at 4096 characters; \"Dentist\" not added"},
        {"a cut never splits a character", 0, Repeat(e, 3000), 4094, 1,
         "3/7/2025: text cut at 4096 characters"},
    };
    for (const Row &row : rows) {
        TEvents events;
        if (row.existing > 0)
            events.SetOnce(3, 7, 2025, std::string(row.existing, 'x'));
        const std::string before = events.GetOnce(3, 7, 2025);
        const TIcsImport result =
            ImportIcs(Calendar({"DTSTART;VALUE=DATE:20250307\r\nSUMMARY:" + row.summary + "\r\n"}),
                      events, Today);
        const std::string after = events.GetOnce(3, 7, 2025);
        EXPECT_EQ(after.size(), row.stored) << row.name;
        EXPECT_EQ(after.substr(0, before.size()), before) << row.name;
        EXPECT_EQ(result.Added[0], row.added) << row.name;
        EXPECT_EQ(result.Cut,
                  row.cut.empty() ? std::vector<std::string>{} : std::vector<std::string>{row.cut})
            << row.name;
        // The store holds what the events file keeps.
        EXPECT_EQ(SavedAndLoaded(events).GetOnce(3, 7, 2025), after) << row.name;
    }
}

TEST(IcsImport, ACutEntryIsNamedByItsDateOrByWhenItComesBack) {
    struct Row {
        const char *lines;
        const char *cut;
    } rows[] = {
        {"DTSTART;VALUE=DATE:20250307\r\n", "3/7/2025: text cut at 4096 characters"},
        {"DTSTART;VALUE=DATE:20250311\r\nRRULE:FREQ=WEEKLY\r\n",
         "every Tuesday: text cut at 4096 characters"},
        {"DTSTART;VALUE=DATE:20250115\r\nRRULE:FREQ=MONTHLY\r\n",
         "day 15 of every month: text cut at 4096 characters"},
        {"DTSTART;VALUE=DATE:20241225\r\nRRULE:FREQ=YEARLY\r\n",
         "every 12/25: text cut at 4096 characters"},
        {"DTSTART;VALUE=DATE:20250526\r\nRRULE:FREQ=YEARLY;BYMONTH=5;BYDAY=-1MO\r\n",
         "the last Monday of every May: text cut at 4096 characters"},
        {"DTSTART;VALUE=DATE:20251127\r\nRRULE:FREQ=YEARLY;BYMONTH=11;BYDAY=4TH\r\n",
         "the fourth Thursday of every November: text cut at 4096 characters"},
    };
    for (const Row &row : rows) {
        TEvents events;
        const TIcsImport result = ImportIcs(
            Calendar({std::string(row.lines) + "SUMMARY:" + std::string(5000, 'a') + "\r\n"}),
            events, Today);
        EXPECT_EQ(result.Cut, std::vector<std::string>{row.cut}) << row.lines;
        EXPECT_EQ(result.Expanded, 0) << row.lines;
    }
}

TEST(IcsImport, ADateThatDoesNotExistIsLeftOutNamedAndNotCounted) {
    struct Row {
        const char *name;
        const char *lines;
        std::set<std::string> keys;
        const char *leftOut;
    } rows[] = {
        {"month 13, day 45",
         "DTSTART;VALUE=DATE:20271345\r\n",
         {},
         "event 1 (\"Lunch\"): its start 13/45/2027 is not a date"},
        {"the 30th of February",
         "DTSTART;VALUE=DATE:20270230\r\n",
         {},
         "event 1 (\"Lunch\"): its start 2/30/2027 is not a date"},
        {"a timed 30th of February",
         "DTSTART:20270230T120000\r\n",
         {},
         "event 1 (\"Lunch\"): its start 2/30/2027 is not a date"},
        {"day zero",
         "DTSTART;VALUE=DATE:20270100\r\n",
         {},
         "event 1 (\"Lunch\"): its start 1/0/2027 is not a date"},
        // The events file writes four-digit years: a year-250 entry would never read back.
        {"a year the events file cannot hold",
         "DTSTART;VALUE=DATE:02501001\r\n",
         {},
         "event 1 (\"Lunch\"): its start 10/1/250 is not a date"},
        {"the start of a series",
         "DTSTART;VALUE=DATE:20250230\r\nRRULE:FREQ=WEEKLY\r\n",
         {},
         "event 1 (\"Lunch\"): its start 2/30/2025 is not a date"},
        {"a time of day",
         "DTSTART:20250312T256100\r\n",
         {},
         "event 1 (\"Lunch\"): its start 3/12/2025 25:61 is not a time of day"},
        {"an extra date of a series",
         "DTSTART;VALUE=DATE:20250312\r\nRDATE;VALUE=DATE:20250931\r\n",
         {"3/12/2025"},
         "event 1 (\"Lunch\"): its RDATE 9/31/2025 is not a date"},
    };
    for (const Row &row : rows) {
        TEvents events;
        const TIcsImport result =
            ImportIcs(Calendar({std::string(row.lines) + "SUMMARY:Lunch\r\n"}), events, Today);
        EXPECT_EQ(Keys(events.Once), row.keys) << row.name;
        EXPECT_EQ(RepeatingEntries(events), "") << row.name;
        EXPECT_EQ(result.LeftOut, std::vector<std::string>{row.leftOut}) << row.name;
        EXPECT_EQ(result.Added[0], static_cast<int>(row.keys.size())) << row.name;
        EXPECT_EQ(Keys(SavedAndLoaded(events).Once), row.keys) << row.name;
    }
}

TEST(IcsImport, AFileRightAtTheLimitsIsRead) {
    struct Row {
        const char *name;
        std::string text;
    } rows[] = {
        {"components nested 16 deep",
         "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:x\r\n" + Repeat("BEGIN:X-NEST\r\n", 15) +
             Repeat("END:X-NEST\r\n", 15) +
             "BEGIN:VEVENT\r\nUID:a\r\nDTSTAMP:20250101T000000Z\r\nDTSTART;VALUE=DATE:20250307"
             "\r\nSUMMARY:Dentist\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n"},
        {"a line of exactly 1 MB",
         Calendar({"DTSTART;VALUE=DATE:20250307\r\nSUMMARY:Dentist\r\nX-NOTE:" +
                   std::string(IcsMaxLineLength - 7, 'a') + "\r\n"})},
        {"100 parameters", Calendar({"DTSTART;VALUE=DATE:20250307\r\nSUMMARY:Dentist\r\nX-NOTE" +
                                     Repeat(";X-P=1", IcsMaxParameters) + ":a\r\n"})},
        {"an event with as many dates as it may have",
         Calendar({"DTSTART:20250310T000000\r\nRRULE:FREQ=MINUTELY;COUNT=10000\r\n"
                   "SUMMARY:Dentist\r\n"})},
    };
    for (const Row &row : rows) {
        TEvents events;
        const TIcsImport result = ImportIcs(row.text, events, Today);
        EXPECT_FALSE(events.Once.empty()) << row.name;
        EXPECT_TRUE(result.Changed()) << row.name;
    }
}

TEST(IcsImportCommand, AddsToTheFileAndReportsEachKindAndTheExpansion) {
    TempFolder folder;
    const std::string ini = folder.File("quorva.ini");
    const std::string ics = folder.File("in.ics");
    TempFolder::Write(
        ics, Calendar({"DTSTART;VALUE=DATE:20250310\r\nRRULE:FREQ=WEEKLY\r\nSUMMARY:Gym\r\n",
                       "DTSTART;VALUE=DATE:20250311\r\nRRULE:FREQ=WEEKLY;COUNT=2\r\n"
                       "SUMMARY:Course\r\n"}));
    const ImportRun run = Import(folder, {ics, "--file", ini});
    EXPECT_EQ(run.exitCode, ExitOk) << run.err;
    EXPECT_EQ(run.out, "Added 2 one-time, 1 weekly, 0 monthly, 0 yearly and 0 n-th weekday "
                       "entries to " +
                           ini +
                           ".\nExpanded 1 repeating event into 2 one-time entries up to "
                           "3/31/2026.\n");
    EXPECT_EQ(TempFolder::Read(ini),
              "[Once]\r\n3/11/2025=Course\r\n3/18/2025=Course\r\n[Weekly]\r\n2=Gym\r\n");
}

TEST(IcsImportCommand, ImportingTheSameFileTwiceAddsNothing) {
    TempFolder folder;
    const std::string ini = folder.File("quorva.ini");
    const std::string ics = folder.File("in.ics");
    TempFolder::Write(ics, ExportIcs(EveryKindStore(), sys_days{Today} + 0s).Text);
    ASSERT_EQ(Import(folder, {ics, "--file", ini}).exitCode, ExitOk);
    const std::string once = TempFolder::Read(ini);
    const ImportRun again = Import(folder, {"--file=" + ini, ics});
    EXPECT_EQ(again.exitCode, ExitOk);
    EXPECT_EQ(again.out.rfind("Added 0 one-time, 0 weekly, 0 monthly, 0 yearly and 0 n-th", 0), 0u);
    EXPECT_EQ(TempFolder::Read(ini), once);
}

TEST(IcsImportCommand, AFileItCannotReadIsRejectedByLineOrEventAndNothingIsWritten) {
    struct Row {
        const char *name;
        std::string text;
        const char *mentions;
    } rows[] = {
        {"plain text", "Shopping list\nmilk\n", "line 1: \"Shopping list\" is not an iCalendar"},
        {"empty file", "", "holds no iCalendar data"},
        {"another format first", "BEGIN:VCARD\r\nEND:VCARD\r\n",
         "line 1: the file does not start with BEGIN:VCALENDAR"},
        {"a broken line",
         "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nthis is not a line\r\nEND:VEVENT\r\n"
         "END:VCALENDAR\r\n",
         "line 4:"},
        {"cut short", Calendar({"DTSTART;VALUE=DATE:20250307\r\nSUMMARY:a\r\n"}).substr(0, 120),
         "the file ends before END:"},
        {"ends mismatched", "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nEND:VCALENDAR\r\nEND:VEVENT\r\n",
         "line 3: END:VCALENDAR where END:VEVENT was expected"},
        {"an unreadable start", Calendar({"DTSTART:someday\r\nSUMMARY:Dentist\r\n"}),
         "event 1 (\"Dentist\")"},
        {"no start", Calendar({"SUMMARY:Dentist\r\n", "SUMMARY:Lunch\r\n"}),
         "event 1 (\"Dentist\") has no readable start (DTSTART)"},
        {"a garbled value of a property it does not use",
         Calendar({"DTSTART;VALUE=DATE:20250307\r\nDTEND:garbage\r\nSUMMARY:Lunch\r\n"}),
         "event 1 (\"Lunch\"): Can't parse as DATE-TIME"},
        {"the second event bad",
         Calendar({"DTSTART;VALUE=DATE:20250307\r\nSUMMARY:Fine\r\n",
                   "DTSTART;VALUE=DATE:20250308\r\nRRULE:FREQ=SOMETIMES\r\nSUMMARY:Odd\r\n"}),
         "event 2 (\"Odd\")"},
    };
    for (const Row &row : rows) {
        TempFolder folder;
        const std::string ini = folder.File("quorva.ini");
        const std::string before = "[Weekly]\r\n2=Gym\r\n";
        TempFolder::Write(ini, before);
        TempFolder::Write(folder.File("in.ics"), row.text);
        const ImportRun run = Import(folder, {folder.File("in.ics"), "--file", ini});
        EXPECT_EQ(run.exitCode, ExitCannotRead) << row.name;
        EXPECT_NE(run.err.find(row.mentions), std::string::npos) << row.name << ": " << run.err;
        EXPECT_NE(run.err.find("nothing was written"), std::string::npos) << row.name;
        EXPECT_EQ(TempFolder::Read(ini), before) << row.name;
        EXPECT_EQ(run.out, "") << row.name;
    }
}

TEST(IcsImportCommand, AnUnreadableEventsFileIsNeverOverwritten) {
    TempFolder folder;
    TempFolder::Write(folder.File("in.ics"),
                      Calendar({"DTSTART;VALUE=DATE:20250307\r\nSUMMARY:Dentist\r\n"}));
    const ImportRun run = Import(folder, {folder.File("in.ics"), "--file", folder.Path().string()});
    EXPECT_EQ(run.exitCode, ExitCannotRead);
    EXPECT_NE(run.err.find("Unable to read"), std::string::npos) << run.err;
    EXPECT_TRUE(std::filesystem::is_directory(folder.Path()));
}

TEST(IcsImportCommand, BadArgumentsExitWithTwoAndTheDefaultFileIsUsedWithoutFile) {
    TempFolder folder;
    EXPECT_EQ(Import(folder, {}).exitCode, ExitBadArgument);
    EXPECT_EQ(Import(folder, {"a.ics", "b.ics"}).exitCode, ExitBadArgument);
    EXPECT_EQ(Import(folder, {"a.ics", "--out", "x"}).exitCode, ExitBadArgument);
    const ImportRun missing = Import(folder, {folder.File("absent.ics")});
    EXPECT_EQ(missing.exitCode, ExitCannotRead);
    EXPECT_NE(missing.err.find("absent.ics"), std::string::npos);
    TempFolder::Write(folder.File("in.ics"),
                      Calendar({"DTSTART;VALUE=DATE:20250307\r\nSUMMARY:Dentist\r\n"}));
    EXPECT_EQ(Import(folder, {folder.File("in.ics")}).exitCode, ExitOk);
    EXPECT_EQ(TempFolder::Read(folder.File("default.ini")), "[Once]\r\n3/7/2025=Dentist\r\n");
}

TEST(IcsImportCommand, ReportsTheCutTextAndTheDateThatDoesNotExistAndCountsWhatItStored) {
    TempFolder folder;
    const std::string ini = folder.File("quorva.ini");
    const std::string ics = folder.File("in.ics");
    TempFolder::Write(
        ics, Calendar({"DTSTART;VALUE=DATE:20270307\r\nSUMMARY:" + std::string(5000, 'a') + "\r\n",
                       "DTSTART;VALUE=DATE:20270230\r\nSUMMARY:Lunch\r\n"}));
    const ImportRun run = Import(folder, {ics, "--file", ini});
    EXPECT_EQ(run.exitCode, ExitOk) << run.err;
    EXPECT_EQ(run.err, "quorva-cli: left out event 2 (\"Lunch\"): its start 2/30/2027 is not a "
                       "date\nquorva-cli: 3/7/2027: text cut at 4096 characters\n");
    EXPECT_EQ(run.out, "Added 1 one-time, 0 weekly, 0 monthly, 0 yearly and 0 n-th weekday "
                       "entries to " +
                           ini + ".\n");
    EXPECT_EQ(TempFolder::Read(ini), "[Once]\r\n3/7/2027=" + std::string(4095, 'a') + "\r\n");
}

TEST(IcsImportCommand, AWeeklyClassThatBeginsLaterIsExpandedAndCountedInTheSummary) {
    TempFolder folder;
    const std::string ini = folder.File("quorva.ini");
    const std::string ics = folder.File("in.ics");
    TempFolder::Write(
        ics, Calendar({"DTSTART;VALUE=DATE:20251007\r\nRRULE:FREQ=WEEKLY\r\nSUMMARY:Pottery\r\n"}));
    const ImportRun run = Import(folder, {ics, "--file", ini});
    EXPECT_EQ(run.exitCode, ExitOk) << run.err;
    const std::set<std::string> tuesdays = EveryNthDay(2025y / October / 7, 7);
    const std::string count = std::to_string(tuesdays.size());
    EXPECT_EQ(run.out, "Added " + count +
                           " one-time, 0 weekly, 0 monthly, 0 yearly and 0 n-th "
                           "weekday entries to " +
                           ini + ".\nExpanded 1 repeating event into " + count +
                           " one-time entries up to 3/31/2026.\n");
    TEvents stored;
    stored.LoadFromIni(ini, 0, Today);
    EXPECT_EQ(Keys(stored.Once), tuesdays);
    EXPECT_TRUE(stored.Weekly.empty());
    EXPECT_EQ(stored.EventsOfDate(9, 30, 2025, ""), "");
}

// Each shape once made the import run for minutes, take gigabytes or crash inside libical.
TEST(IcsImportCommand, AHostileFileIsRefusedByTheLimitItPassesAndNothingIsWritten) {
    struct Row {
        const char *name;
        std::string (*make)();
        const char *mentions;
    } rows[] = {
        {"components nested two hundred thousand deep",
         [] { return "BEGIN:VCALENDAR\r\n" + Repeat("BEGIN:X-NEST\r\n", 200000); },
         "line 17: components nested deeper than 16 levels"},
        {"a line of more than 1 MB",
         [] {
             return Calendar({"DTSTART;VALUE=DATE:20250307\r\nSUMMARY:" +
                              std::string(IcsMaxLineLength, 'a') + "\r\n"});
         },
         "line 8: more than 1048576 characters in one line"},
        {"a line folded to more than 1 MB",
         [] {
             return Calendar({"DTSTART;VALUE=DATE:20250307\r\nSUMMARY:a" +
                              Repeat("\r\n " + std::string(74, 'a'), 14200) + "\r\n"});
         },
         "line 8: more than 1048576 characters in one line"},
        {"a line with 101 parameters",
         [] {
             return Calendar({"DTSTART;VALUE=DATE:20250307\r\nX-NOTE" + Repeat(";X-P=1", 101) +
                              ":a\r\nSUMMARY:x\r\n"});
         },
         "line 8: more than 100 parameters"},
        {"half a million list values",
         [] {
             return Calendar({"DTSTART;VALUE=DATE:20250307\r\n" +
                              Repeat("CATEGORIES:" + Repeat("a,", 499) + "a\r\n", 1001) +
                              "SUMMARY:x\r\n"});
         },
         "the file holds more than 500000 values"},
        {"an exception rule every minute",
         [] {
             return Calendar({"DTSTART:20250301T000000\r\nRRULE:FREQ=DAILY\r\n"
                              "EXRULE:FREQ=MINUTELY\r\nSUMMARY:x\r\n"});
         },
         "event 1 (\"x\"): its EXRULE gives more than 10000 dates up to 3/31/2026"},
        {"an exception rule every minute since 1970",
         [] {
             return Calendar({"DTSTART:19700101T000000\r\nRRULE:FREQ=DAILY\r\n"
                              "EXRULE:FREQ=MINUTELY\r\nSUMMARY:x\r\n"});
         },
         "event 1 (\"x\"): its EXRULE takes more than 200000 steps to expand up to 3/31/2026"},
        {"a rule that walks hours for a century to find nothing",
         [] {
             return Calendar({"DTSTART:19000101T000000\r\n"
                              "RRULE:FREQ=HOURLY;BYMONTH=2;BYMONTHDAY=30\r\nSUMMARY:x\r\n"});
         },
         "event 1 (\"x\"): its RRULE takes more than 200000 steps to expand up to 3/31/2026"},
        {"ten thousand events repeating every second",
         [] {
             return Calendar(std::vector<std::string>(
                 10000, "DTSTART:20250310T000000\r\nRRULE:FREQ=SECONDLY\r\nSUMMARY:x\r\n"));
         },
         "event 1 (\"x\"): its RRULE gives more than 10000 dates up to 3/31/2026"},
        {"fifty daily rules at different minutes in one event",
         [] {
             std::string rules;
             for (int minute = 0; minute < 50; ++minute)
                 rules += "RRULE:FREQ=DAILY;BYHOUR=9;BYMINUTE=" + std::to_string(minute) + "\r\n";
             return Calendar({"DTSTART:20250101T090000\r\n" + rules + "SUMMARY:x\r\n"});
         },
         "event 1 (\"x\"): more than 10000 dates up to 3/31/2026"},
        {"three hundred events repeating daily",
         [] {
             return Calendar(std::vector<std::string>(
                 300, "DTSTART;VALUE=DATE:20250101\r\nRRULE:FREQ=DAILY\r\nSUMMARY:x\r\n"));
         },
         "the repeating events give more than 100000 one-time entries up to 3/31/2026"},
        {"a time zone that changes every minute",
         [] {
             return std::string(
                 "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:x\r\nBEGIN:VTIMEZONE\r\n"
                 "TZID:Hostile\r\nBEGIN:STANDARD\r\nDTSTART:19700101T000000\r\n"
                 "TZOFFSETFROM:+0100\r\nTZOFFSETTO:+0000\r\nRRULE:FREQ=MINUTELY\r\n"
                 "END:STANDARD\r\nEND:VTIMEZONE\r\nBEGIN:VEVENT\r\nUID:a\r\n"
                 "DTSTAMP:20250101T000000Z\r\nDTSTART;TZID=Hostile:20250312T090000\r\n"
                 "SUMMARY:x\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
         },
         "time zone \"Hostile\": its changes repeat more often than yearly (FREQ=MINUTELY)"},
        {"a yearly time zone rule that changes every minute of a day",
         [] {
             std::string minutes = "0";
             for (int minute = 1; minute < 60; ++minute)
                 minutes += "," + std::to_string(minute);
             std::string hours = "0";
             for (int hour = 1; hour < 24; ++hour)
                 hours += "," + std::to_string(hour);
             return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:x\r\nBEGIN:VTIMEZONE\r\n"
                    "TZID:Hostile\r\nBEGIN:STANDARD\r\nDTSTART:20000101T000000\r\n"
                    "TZOFFSETFROM:+0100\r\nTZOFFSETTO:+0000\r\nRRULE:FREQ=YEARLY;BYHOUR=" +
                    hours + ";BYMINUTE=" + minutes +
                    "\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\nBEGIN:VEVENT\r\nUID:a\r\n"
                    "DTSTAMP:20250101T000000Z\r\nDTSTART;TZID=Hostile:20250312T090000\r\n"
                    "SUMMARY:x\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
         },
         "the time zones hold more than 100000 changes"},
    };
    for (const Row &row : rows) {
        TempFolder folder;
        const std::string ini = folder.File("quorva.ini");
        const std::string before = "[Weekly]\r\n2=Gym\r\n";
        TempFolder::Write(ini, before);
        TempFolder::Write(folder.File("in.ics"), row.make());
        const ImportRun run = Import(folder, {folder.File("in.ics"), "--file", ini});
        EXPECT_EQ(run.exitCode, ExitCannotRead) << row.name;
        EXPECT_NE(run.err.find(row.mentions), std::string::npos) << row.name << ": " << run.err;
        EXPECT_NE(run.err.find("; nothing was written\n"), std::string::npos) << row.name;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1)
            << row.name << ": " << run.err;
        EXPECT_EQ(TempFolder::Read(ini), before) << row.name;
        EXPECT_EQ(run.out, "") << row.name;
    }
}

TEST(IcsImportCommand, AFileOverSixteenMegabytesIsRefusedBeforeItIsRead) {
    TempFolder folder;
    const std::string ini = folder.File("quorva.ini");
    const std::string before = "[Weekly]\r\n2=Gym\r\n";
    TempFolder::Write(ini, before);
    const std::string ics = folder.File("big.ics");
    { std::ofstream create(ics, std::ios::binary); }
    std::filesystem::resize_file(ics, IcsMaxFileBytes + 1); // sparse: nothing is written
    const ImportRun run = Import(folder, {ics, "--file", ini});
    EXPECT_EQ(run.exitCode, ExitCannotRead);
    EXPECT_EQ(run.err, "quorva-cli: cannot import " + ics +
                           ": the file is larger than 16 MB; nothing was written\n");
    EXPECT_EQ(TempFolder::Read(ini), before);
}
