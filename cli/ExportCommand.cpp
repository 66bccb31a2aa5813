#include "ExportCommand.h"

#include "CommandLine.h"
#include "FileIo.h"
#include "IcsExport.h"
#include "Pool.h"

#include <ostream>

using namespace std::chrono;

std::string ExportIcsUsage() {
    return "Usage: quorva-cli export-ics [--file PATH] [--out FILE]\n"
           "Writes every event as an iCalendar file (RFC 5545) to FILE, or to the standard\n"
           "output. PATH defaults to the calendar's own events file. The file is only read.\n";
}

int RunExportIcs(const std::vector<std::string> &args, sys_days today, sys_seconds now,
                 const std::string &defaultFile, std::ostream &out, std::ostream &err) {
    TCommandLine commandLine;
    if (const std::string problem = ParseCommandLine(args, {"--file", "--out"}, 0, commandLine);
        !problem.empty()) {
        err << "quorva-cli: " << problem << "\n";
        return ExitBadArgument;
    }
    if (commandLine.Help) {
        out << ExportIcsUsage();
        return ExitOk;
    }
    TEvents events;
    if (!ReadEventsForCommand(commandLine.Option("--file"), defaultFile, today, events, err))
        return ExitCannotRead;
    const TIcsExport result = ExportIcs(events, now);
    for (const std::string &entry : result.LeftOut)
        err << "quorva-cli: left out " << entry << ": it never occurs\n";
    const auto file = commandLine.Option("--out");
    if (!file) {
        out << result.Text;
        return ExitOk;
    }
    if (!ReplaceFileAtomically(*file, result.Text)) {
        err << "quorva-cli: cannot write " << *file << "\n";
        return ExitCannotRead;
    }
    return ExitOk;
}
