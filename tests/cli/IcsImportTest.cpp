#include "IcsImport.h"
#include "CommandLine.h"
#include "IcsExport.h"
#include "IcsTestSupport.h"
#include "InstanceChannel.h"
#include "RunningCopy.h"
#include "ScopedEnvironment.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <sstream>

#ifndef _WIN32
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

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

// Runs import-ics with the calendar's channel in a folder of the test's own, where nothing
// listens unless the test says so.
struct ImportRun {
    int exitCode;
    std::string out, err;
};

ImportRun Import(const TempFolder &folder, const std::vector<std::string> &args) {
    // Away from a calendar that may really run on this machine.
    ScopedEnvironment runtime("XDG_RUNTIME_DIR", "");
    ScopedEnvironment tmp("TMPDIR", folder.Path().string());
    std::ostringstream out, err;
    const int code = RunImportIcs(args, Today, folder.File("default.ini"), out, err);
    return {code, out.str(), err.str()};
}

std::set<std::string> Keys(const std::map<std::string, std::string> &container) {
    std::set<std::string> keys;
    for (const auto &entry : container)
        keys.insert(entry.first);
    return keys;
}

std::string Key(sys_days day) {
    const year_month_day ymd{day};
    return FormatDate(static_cast<int>(static_cast<unsigned>(ymd.month())),
                      static_cast<int>(static_cast<unsigned>(ymd.day())),
                      static_cast<int>(ymd.year()));
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

#ifndef _WIN32
TEST(IcsImportCommand, RefusesWhileTheCalendarIsRunningAndNotAfterItDied) {
    TempFolder folder;
    const std::string ini = folder.File("quorva.ini");
    TempFolder::Write(folder.File("in.ics"),
                      Calendar({"DTSTART;VALUE=DATE:20250307\r\nSUMMARY:Dentist\r\n"}));
    std::string channel;
    {
        ScopedEnvironment runtime("XDG_RUNTIME_DIR", "");
        ScopedEnvironment tmp("TMPDIR", folder.Path().string() + "/");
        channel = InstanceChannelAddress(true);
    }
    const std::string uid = std::to_string(getuid());
    EXPECT_EQ(channel, folder.File("quorva-" + uid) + "/quorva-executable-" + uid);
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(channel.size(), sizeof(address.sun_path));
    channel.copy(address.sun_path, channel.size());
    ASSERT_EQ(bind(listener, reinterpret_cast<const sockaddr *>(&address), sizeof(address)), 0);
    ASSERT_EQ(listen(listener, 4), 0);

    const ImportRun refused = Import(folder, {folder.File("in.ics"), "--file", ini});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("the calendar is running"), std::string::npos) << refused.err;
    EXPECT_FALSE(std::filesystem::exists(ini));

    // A copy that dies leaves its socket file behind, listening no more.
    close(listener);
    ASSERT_TRUE(std::filesystem::exists(channel));
    const ImportRun accepted = Import(folder, {folder.File("in.ics"), "--file", ini});
    EXPECT_EQ(accepted.exitCode, ExitOk) << accepted.err;
    EXPECT_EQ(TempFolder::Read(ini), "[Once]\r\n3/7/2025=Dentist\r\n");
}
#endif

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
