#pragma once
// quorva-cli export-ics: the stored events written as one iCalendar (RFC 5545) calendar.

#include <chrono>
#include <iosfwd>
#include <string>
#include <vector>

std::string ExportIcsUsage();

// Runs "export-ics" with the arguments that follow it; defaultFile is the events file read
// when no --file is given. Writes to --out, or to out; problems and left-out entries to err.
int RunExportIcs(const std::vector<std::string> &args, std::chrono::sys_days today,
                 std::chrono::sys_seconds now, const std::string &defaultFile, std::ostream &out,
                 std::ostream &err);
