#pragma once
// quorva-cli sync: the events file and one CalDAV calendar brought to the same events.

#include <chrono>
#include <iosfwd>
#include <string>
#include <vector>

std::string SyncUsage();

// Runs "sync" with the arguments that follow it; defaultFile is the events file used when no
// --file is given.
// in is where --password-stdin reads the password.
int RunSync(const std::vector<std::string> &args, std::chrono::sys_days today,
            const std::string &defaultFile, std::istream &in, std::ostream &out,
            std::ostream &err);

std::string PasswordUsage();
// Runs "password": the first line of in kept in the desktop's secret store for the calendar's
// address and user name (the remembered ones by default), or with --forget taken out of it.
int RunPassword(const std::vector<std::string> &args, std::istream &in, std::ostream &out,
                std::ostream &err);
