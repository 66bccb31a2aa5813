#pragma once
// quorva-cli import-ics: the events of an iCalendar (RFC 5545) file added to the store.

#include <array>
#include <chrono>
#include <iosfwd>
#include <string>
#include <vector>

class TEvents;

struct TIcsImport {
    // Entries added or extended, per kind in the store's order: one-time, weekly, monthly,
    // yearly, n-th weekday.
    std::array<int, 5> Added{};
    int Expanded = 0;                 // events whose recurrence no kind holds
    int ExpandedEntries = 0;          // one-time entries those gave, before merging
    std::chrono::sys_days ExpandedTo; // the last day they were expanded to
    std::vector<std::string> LeftOut; // events without text or cancelled, and why

    bool Changed() const;
};

// Adds every VEVENT of icsText to events. An event whose recurrence is one of the five kinds
// becomes an entry of that kind; any other is expanded into one-time entries from today to
// the end of the month a year ahead. An imported text already contained in the entry's text
// adds nothing; otherwise it goes on a new line. Throws QuorvaError naming the line or the
// event when the text is not iCalendar or an event cannot be read; events is then unchanged.
TIcsImport ImportIcs(const std::string &icsText, TEvents &events, std::chrono::sys_days today);

std::string ImportIcsUsage();

// Runs "import-ics" with the arguments that follow it; defaultFile is the events file written
// when no --file is given. Refuses while the calendar runs, since its next save would drop
// the imported events.
int RunImportIcs(const std::vector<std::string> &args, std::chrono::sys_days today,
                 const std::string &defaultFile, std::ostream &out, std::ostream &err);
