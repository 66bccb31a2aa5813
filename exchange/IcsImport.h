#pragma once
// The events of an iCalendar (RFC 5545) file added to the store.

#include <array>
#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

class TEvents;

// What an import reads at most. A file beyond any of these is refused whole, before anything
// is added, so that a damaged or hostile file ends within seconds and in bounded memory.
constexpr std::size_t IcsMaxFileBytes = 16 * 1024 * 1024;
constexpr std::size_t IcsMaxLineLength = 1024 * 1024; // one content line, unfolded
constexpr int IcsMaxParameters = 100;                 // parameters of one content line
// Content lines, with each further item of a comma-separated list counted as one more, since
// the parser makes a property of each item.
constexpr long long IcsMaxValues = 500000;
constexpr std::size_t IcsMaxNesting = 16; // components within components, BEGIN:VCALENDAR included
// Dates of one event, and of each of its rules, from two days before today to two days after
// the end of the expansion (the margin holds dates that fall in it by local time).
constexpr std::size_t IcsMaxEventDates = 10000;
constexpr int IcsMaxExpandedEntries = 100000; // one-time entries from all repeating events
// Steps libical takes through the periods of a rule's frequency (days for a daily rule), for one
// rule and for the whole file.
constexpr long long IcsMaxRuleSteps = 200000;
constexpr long long IcsMaxFileSteps = 1000000;
// Changes of the time zones the events are in, as libical expands them.
constexpr int IcsMaxZoneChanges = 100000;

// "the file is larger than 16 MB": why a file beyond IcsMaxFileBytes is refused.
std::string IcsFileTooLarge();

// The store's five kinds, in its order.
enum TIcsKind { KindOnce, KindWeekly, KindMonthly, KindYearly, KindNWeekdayly };

struct TIcsImport {
    // Entries added or extended, per kind in the store's order (TIcsKind): one-time, weekly,
    // monthly, yearly, n-th weekday. An entry counts only when its text in the store changed.
    std::array<int, 5> Added{};
    int Expanded = 0;                 // events whose dates no kind has exactly
    int ExpandedEntries = 0;          // one-time entries those gave, before merging
    std::chrono::sys_days ExpandedTo; // the last day they were expanded to
    // Events and dates not imported, and why: "event 2 (\"Lunch\"): it was cancelled",
    // "event 3 (\"Dentist\"): its start 2/30/2027 is not a date".
    std::vector<std::string> LeftOut;
    // Entries whose text had to be cut at the events file's limit, once each:
    // "3/7/2027: text cut at 4096 characters"; imported texts that found no room at all are
    // named: "...; \"Dentist\" not added", "...; \"9:00 Standup\" and 3 more not added".
    std::vector<std::string> Cut;

    bool Changed() const;
};

// Adds every VEVENT of icsText to events. An event whose dates from today to the end of the
// month a year ahead are exactly those of one of the five kinds, by a rule that kind holds,
// becomes an entry of that kind; any other repeating event is expanded into one-time entries
// over those days. An imported text already contained in the entry's text adds nothing;
// otherwise it goes on a new line, cut as the events file would cut it (4096 characters).
// Throws QuorvaError naming the line, the event or the limit when the text is not iCalendar,
// an event cannot be read or the file goes beyond the limits above (also when memory runs
// out); events is then unchanged.
TIcsImport ImportIcs(const std::string &icsText, TEvents &events, std::chrono::sys_days today);
