#pragma once
// The stored events as one iCalendar (RFC 5545) calendar.

#include <chrono>
#include <string>
#include <vector>

class TEvents;

struct TIcsExport {
    std::string Text;                 // the VCALENDAR, CR LF line ends
    std::vector<std::string> LeftOut; // one description per entry that can never occur
};

// One all-day VEVENT per entry that can occur: UID from kind and key, DTSTART the first
// occurrence on or after 1/1/1980 (a one-time entry's own date), the kind's RRULE.
// stamp is the DTSTAMP of every event, the moment the calendar was made.
TIcsExport ExportIcs(const TEvents &events, std::chrono::sys_seconds stamp);
