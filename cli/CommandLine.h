#pragma once
// What every quorva-cli command shares: its options, and reading the events file.

#include <chrono>
#include <cstddef>
#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <vector>

class TEvents;

// Exit codes of the command line tool.
constexpr int ExitOk = 0;
constexpr int ExitCannotRead = 1;
constexpr int ExitBadArgument = 2;

struct TCommandLine {
    std::map<std::string, std::string> Options; // "--file" -> its value
    std::vector<std::string> Arguments;         // the plain arguments, in order
    bool Help = false;

    std::optional<std::string> Option(const std::string &name) const;
};

// Reads "--name=value" and "--name value" for the names in valueOptions, "--help" and "-h",
// and up to maxArguments plain arguments. Returns the problem in a few words, or an empty text.
std::string ParseCommandLine(const std::vector<std::string> &args,
                             const std::vector<std::string> &valueOptions, std::size_t maxArguments,
                             TCommandLine &commandLine);

// Fills events from the file at explicitFile, or at defaultFile when none was given; a missing
// default file is an empty calendar, a missing explicit one a failure. Old one-time events
// are all kept, unless onlyFrom and onlyTo limit them to the days a read-only command plans.
// On failure names the path and the reason on err and returns false.
bool ReadEventsForCommand(const std::optional<std::string> &explicitFile,
                          const std::string &defaultFile, std::chrono::sys_days today,
                          TEvents &events, std::ostream &err,
                          std::optional<std::chrono::sys_days> onlyFrom = std::nullopt,
                          std::optional<std::chrono::sys_days> onlyTo = std::nullopt);
