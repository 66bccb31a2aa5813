#pragma once
// quorva-cli import-ics: the events of an iCalendar (RFC 5545) file added to the events file.

#include <chrono>
#include <iosfwd>
#include <string>
#include <vector>

std::string ImportIcsUsage();

// Runs "import-ics" with the arguments that follow it; defaultFile is the events file written
// when no --file is given. Refuses while the calendar runs, since its next save would drop
// the imported events.
int RunImportIcs(const std::vector<std::string> &args, std::chrono::sys_days today,
                 const std::string &defaultFile, std::ostream &out, std::ostream &err);
