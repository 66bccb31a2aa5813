#pragma once
// quorva-cli sync: the events file and one CalDAV calendar brought to the same events.

#include <chrono>
#include <iosfwd>
#include <string>
#include <vector>

std::string SyncUsage();

// Runs "sync" with the arguments that follow it; defaultFile is the events file used when no
// --file is given.
int RunSync(const std::vector<std::string> &args, std::chrono::sys_days today,
            const std::string &defaultFile, std::ostream &out, std::ostream &err);
