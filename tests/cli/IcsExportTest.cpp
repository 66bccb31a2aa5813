#include "IcsExport.h"
#include "CommandLine.h"
#include "ExportCommand.h"
#include "IcsTestSupport.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace std::chrono;

namespace {

const sys_seconds Stamp = sys_days{2025y / March / 10} + 8h;

// For each text of the store, the days from first to last on which the calendar shows it.
std::map<std::string, std::set<sys_days>> ShownDays(const TEvents &events, sys_days first,
                                                    sys_days last) {
    std::map<std::string, std::set<sys_days>> shown;
    for (sys_days day = first; day <= last; day += std::chrono::days{1}) {
        const year_month_day ymd{day};
        const std::string texts = events.EventsOfDate(
            static_cast<int>(static_cast<unsigned>(ymd.month())),
            static_cast<int>(static_cast<unsigned>(ymd.day())), static_cast<int>(ymd.year()), "|");
        std::size_t at = 0;
        while (!texts.empty() && at <= texts.size()) {
            const std::size_t end = std::min(texts.find('|', at), texts.size());
            shown[texts.substr(at, end - at)].insert(day);
            at = end + 1;
        }
    }
    return shown;
}

std::size_t Occurrences(const std::string &text, const std::string &part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

} // namespace

TEST(IcsExport, LibicalExpandsEveryKindToExactlyTheDaysTheCalendarShowsOverFiveYears) {
    const TEvents events = EveryKindStore();
    const TIcsExport exported = ExportIcs(events, Stamp);
    ASSERT_TRUE(exported.LeftOut.empty());
    const sys_days first{2024y / January / 1}, last{2028y / December / 31};
    auto expanded = ExpandWithLibical(exported.Text, first, last);
    const auto shown = ShownDays(events, first, last);
    // Entries that never fall in the five years (the one-time entry of 1975, fifth weekdays
    // of some months) expand to nothing and show on no day.
    std::erase_if(expanded, [](const auto &entry) { return entry.second.empty(); });
    EXPECT_GT(shown.size(), 200u);
    ASSERT_EQ(expanded.size(), shown.size());
    for (const auto &[text, days] : shown) {
        ASSERT_TRUE(expanded.count(text)) << text;
        EXPECT_EQ(expanded[text], days) << text;
    }
}

TEST(IcsExport, WritesOneAllDayEventPerEntryWithTheFirstLineAsSummary) {
    TEvents events;
    events.SetWeekly(3, "Choir\r\nBring the scores");
    const std::string text = ExportIcs(events, Stamp).Text;
    EXPECT_EQ(text.rfind("BEGIN:VCALENDAR\r\nVERSION:2.0\r\n", 0), 0u);
    for (const char *line :
         {"UID:weekly-3@quorva\r\n", "DTSTART;VALUE=DATE:19800101\r\n",
          "RRULE:FREQ=WEEKLY;BYDAY=TU\r\n", "SUMMARY:Choir\r\n",
          "DESCRIPTION:Choir\\nBring the scores\r\n", "DTSTAMP:20250310T080000Z\r\n"})
        EXPECT_EQ(Occurrences(text, line), 1u) << line;
    EXPECT_EQ(Occurrences(text, "BEGIN:VEVENT"), 1u);
}

TEST(IcsExport, StartsEachRuleAtItsFirstOccurrenceFromNineteenEighty) {
    struct Row {
        const char *name;
        void (*fill)(TEvents &);
        const char *start;
        const char *rule;
    } rows[] = {
        {"one-time date itself, even before 1980", [](TEvents &e) { e.SetOnce(7, 4, 1976, "x"); },
         "19760704", nullptr},
        {"first Monday of 1980", [](TEvents &e) { e.SetWeekly(2, "x"); }, "19800107",
         "FREQ=WEEKLY;BYDAY=MO"},
        {"day 31 in January", [](TEvents &e) { e.SetMonthly(31, "x"); }, "19800131",
         "FREQ=MONTHLY;BYMONTHDAY=31"},
        {"2/29 in the leap year 1980", [](TEvents &e) { e.SetYearly(2, 29, "x"); }, "19800229",
         "FREQ=YEARLY;BYMONTHDAY=29;BYMONTH=2"},
        {"last Monday of May", [](TEvents &e) { e.SetNWeekdayly(0, 2, 5, "x"); }, "19800526",
         "FREQ=YEARLY;BYDAY=-1MO;BYMONTH=5"},
        {"fifth Sunday of February waits for 2004",
         [](TEvents &e) { e.SetNWeekdayly(5, 1, 2, "x"); }, "20040229",
         "FREQ=YEARLY;BYDAY=5SU;BYMONTH=2"},
    };
    for (const Row &row : rows) {
        TEvents events;
        row.fill(events);
        const std::string text = ExportIcs(events, Stamp).Text;
        EXPECT_EQ(Occurrences(text, std::string("DTSTART;VALUE=DATE:") + row.start + "\r\n"), 1u)
            << row.name << "\n"
            << text;
        EXPECT_EQ(Occurrences(text, "RRULE:"), row.rule ? 1u : 0u) << row.name;
        if (row.rule) {
            EXPECT_EQ(Occurrences(text, std::string("RRULE:") + row.rule + "\r\n"), 1u)
                << row.name << "\n"
                << text;
        }
    }
}

TEST(IcsExport, LeavesOutEntriesThatCanNeverOccurAndNamesThem) {
    struct Row {
        const char *name;
        void (*fill)(TEvents &);
        const char *named;
    } rows[] = {
        {"weekly 9", [](TEvents &e) { e.Weekly[9] = "x"; }, "weekly entry 9"},
        {"weekly 0", [](TEvents &e) { e.Weekly[0] = "x"; }, "weekly entry 0"},
        {"monthly 32", [](TEvents &e) { e.Monthly[32] = "x"; }, "monthly entry 32"},
        {"one-time with leading zeros", [](TEvents &e) { e.Once.insert_or_assign("03/07/2025", "x"); },
         "one-time entry 03/07/2025"},
        {"one-time 2/30", [](TEvents &e) { e.Once.insert_or_assign("2/30/2025", "x"); },
         "one-time entry 2/30/2025"},
        {"yearly 2/30", [](TEvents &e) { e.Yearly["2/30"] = "x"; }, "yearly entry 2/30"},
        {"yearly month 13", [](TEvents &e) { e.Yearly["13/1"] = "x"; }, "yearly entry 13/1"},
        {"yearly with a zero", [](TEvents &e) { e.Yearly["02/3"] = "x"; }, "yearly entry 02/3"},
        {"yearly trailing slash", [](TEvents &e) { e.Yearly["3/12/"] = "x"; },
         "yearly entry 3/12/"},
        {"sixth weekday", [](TEvents &e) { e.NWeekdayly["6/1/1"] = "x"; },
         "n-th weekday entry 6/1/1"},
        {"weekday 8", [](TEvents &e) { e.NWeekdayly["1/8/1"] = "x"; }, "n-th weekday entry 1/8/1"},
        {"month 0", [](TEvents &e) { e.NWeekdayly["1/1/0"] = "x"; }, "n-th weekday entry 1/1/0"},
    };
    for (const Row &row : rows) {
        TEvents events;
        row.fill(events);
        events.SetMonthly(1, "kept");
        const TIcsExport exported = ExportIcs(events, Stamp);
        ASSERT_EQ(exported.LeftOut.size(), 1u) << row.name;
        EXPECT_EQ(exported.LeftOut[0].rfind(row.named, 0), 0u) << exported.LeftOut[0];
        EXPECT_EQ(Occurrences(exported.Text, "BEGIN:VEVENT"), 1u) << row.name;
    }
}

TEST(IcsExport, UidsStayTheSameAcrossExports) {
    const TEvents events = EveryKindStore();
    const auto uids = [](const std::string &text) {
        std::set<std::string> found;
        for (std::size_t at = text.find("UID:"); at != std::string::npos;
             at = text.find("UID:", at + 1))
            found.insert(text.substr(at, text.find('\r', at) - at));
        return found;
    };
    const auto first = uids(ExportIcs(events, Stamp).Text);
    EXPECT_EQ(first, uids(ExportIcs(events, Stamp + 86400s).Text));
    EXPECT_EQ(first.size(), events.Once.size() + events.Weekly.size() + events.Monthly.size() +
                                events.Yearly.size() + events.NWeekdayly.size());
    EXPECT_TRUE(first.count("UID:nweekdayly-4-5-11@quorva"));
}

TEST(IcsExportCommand, WritesTheFileAndWarnsOfLeftOutEntriesOnStandardError) {
    TempFolder folder;
    const std::string ini = folder.File("quorva.ini");
    TempFolder::Write(ini, "[Weekly]\r\n2=Gym\r\n9=Never\r\n");
    std::ostringstream out, err;
    const sys_days today{2025y / March / 10};
    EXPECT_EQ(RunExportIcs({"--out", folder.File("cal.ics")}, today, Stamp, ini, out, err), ExitOk);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "quorva-cli: left out weekly entry 9 (\"Never\"): it never occurs\n");
    const std::string text = TempFolder::Read(folder.File("cal.ics"));
    EXPECT_EQ(Occurrences(text, "SUMMARY:Gym"), 1u);
    EXPECT_EQ(Occurrences(text, "BEGIN:VEVENT"), 1u);
}

TEST(IcsExportCommand, PrintsToStandardOutputAndRejectsBadArguments) {
    TempFolder folder;
    const sys_days today{2025y / March / 10};
    std::ostringstream out, err;
    EXPECT_EQ(RunExportIcs({}, today, Stamp, folder.File("absent.ini"), out, err), ExitOk);
    EXPECT_EQ(out.str().rfind("BEGIN:VCALENDAR", 0), 0u);
    std::ostringstream out2, err2;
    EXPECT_EQ(RunExportIcs({"--file", folder.File("absent.ini")}, today, Stamp, "", out2, err2),
              ExitCannotRead);
    EXPECT_NE(err2.str().find("absent.ini"), std::string::npos);
    std::ostringstream out3, err3;
    EXPECT_EQ(RunExportIcs({"extra"}, today, Stamp, "", out3, err3), ExitBadArgument);
    EXPECT_NE(err3.str().find("'extra'"), std::string::npos);
}
