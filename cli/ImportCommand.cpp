#include "ImportCommand.h"

#include "CommandLine.h"
#include "FileIo.h"
#include "IcsImport.h"
#include "Pool.h"

#include <cstdint>
#include <filesystem>
#include <ostream>

using namespace std::chrono;

namespace {

std::string Counted(int count, const std::string &one, const std::string &many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// Whether the file at path (UTF-8, as the arguments are) is larger than an import reads, so
// that it is refused before it is read into memory. Anything whose size the system does not
// tell (a pipe) is read, and then measured.
bool TooLargeToRead(const std::string &path) {
    std::filesystem::path file;
#ifdef _WIN32
    try {
        file = std::filesystem::path(std::u8string(path.begin(), path.end()));
    } catch (const std::exception &) {
        return false;
    }
#else
    file = path;
#endif
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error))
        return false;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    return !error && size > IcsMaxFileBytes;
}

} // namespace

std::string ImportIcsUsage() {
    return "Usage: quorva-cli import-ics ICSFILE [--file PATH]\n"
           "Adds the events of an iCalendar file (RFC 5545) to the events file PATH, which\n"
           "defaults to the calendar's own. A repeating event becomes a repeating entry when\n"
           "the calendar repeats that entry on exactly its days from today to the end of the\n"
           "month a year from today, and one-time events up to then otherwise. Close the\n"
           "calendar first: it would overwrite the imported events at its next save.\n";
}

int RunImportIcs(const std::vector<std::string> &args, sys_days today,
                 const std::string &defaultFile, std::ostream &out, std::ostream &err) {
    TCommandLine commandLine;
    std::string problem = ParseCommandLine(args, {"--file"}, 1, commandLine);
    if (problem.empty() && !commandLine.Help && commandLine.Arguments.empty())
        problem = "import-ics needs the iCalendar file to read";
    if (!problem.empty()) {
        err << "quorva-cli: " << problem << "\n";
        return ExitBadArgument;
    }
    if (commandLine.Help) {
        out << ImportIcsUsage();
        return ExitOk;
    }
    const std::string icsFile = commandLine.Arguments.front();
    const std::string path = commandLine.Option("--file").value_or(defaultFile);
    if (TooLargeToRead(icsFile)) {
        err << "quorva-cli: cannot import " << icsFile << ": " << IcsFileTooLarge()
            << "; nothing was written\n";
        return ExitCannotRead;
    }
    std::string icsText, reason;
    bool missing = false;
    if (!ReadWholeFile(icsFile, icsText, reason, missing)) {
        err << "quorva-cli: cannot read " << icsFile << ": " << reason << "\n";
        return ExitCannotRead;
    }
    TEvents events;
    TIcsImport result;
    try {
        // Under the events file's lock, on top of the file as it is then: another import (or
        // the calendar) writing at the same moment waits, and neither loses the other's events.
        TFileStamp unread; // never matches an existing file: it is read under the lock
        UpdateEventsFileIfChanged(
            path, events, 0, today,
            [&](TEvents &current) {
                try {
                    result = ImportIcs(icsText, current, today);
                } catch (const QuorvaError &error) {
                    throw QuorvaError("cannot import " + icsFile + ": " + error.what());
                }
                return result.Changed();
            },
            unread);
        for (const std::string &event : result.LeftOut)
            err << "quorva-cli: left out " << event << "\n";
        for (const std::string &entry : result.Cut)
            err << "quorva-cli: " << entry << "\n";
    } catch (const QuorvaError &error) {
        err << "quorva-cli: " << error.what() << "; nothing was written\n";
        return ExitCannotRead;
    }
    const auto &added = result.Added;
    out << "Added " << added[KindOnce] << " one-time, " << added[KindWeekly] << " weekly, "
        << added[KindMonthly] << " monthly, " << added[KindYearly] << " yearly and "
        << added[KindNWeekdayly] << " n-th weekday entries to " << path << ".\n";
    if (result.Expanded > 0) {
        const year_month_day to{result.ExpandedTo};
        out << "Expanded " << Counted(result.Expanded, "repeating event", "repeating events")
            << " into " << Counted(result.ExpandedEntries, "one-time entry", "one-time entries")
            << " up to "
            << FormatDate(static_cast<int>(static_cast<unsigned>(to.month())),
                          static_cast<int>(static_cast<unsigned>(to.day())),
                          static_cast<int>(to.year()))
            << ".\n";
    }
    return ExitOk;
}
