#pragma once
// quorva-cli agenda: what is planned from a date on, one line per day.

#include "CommandLine.h"

#include <chrono>
#include <iosfwd>
#include <string>
#include <vector>

// The usage text printed by --help.
std::string AgendaUsage();

// Runs "agenda" with the arguments that follow it. today is the default start date and
// defaultFile the events file read when no --file is given (a missing default file is an
// empty calendar). Writes the agenda to out and problems to err; returns the exit code.
int RunAgenda(const std::vector<std::string> &args, std::chrono::sys_days today,
              const std::string &defaultFile, std::ostream &out, std::ostream &err);

// One agenda line: the date as M/D/YYYY, a tab, and the day's text on one line.
std::string AgendaLine(std::chrono::sys_days date, const std::string &text);
