// quorva-cli: the calendar's events from the command line, without the windows.
#include "Agenda.h"
#include "EventsPath.h"
#ifdef QUORVA_ICS
#include "IcsExport.h"
#include "IcsImport.h"
#endif

#include <ctime>
#include <filesystem>
#include <iostream>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// Today's local date from the clock; the only place the tool reads it.
std::chrono::sys_days LocalToday() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return std::chrono::sys_days{std::chrono::year{local.tm_year + 1900} / (local.tm_mon + 1) /
                                 local.tm_mday};
}

// The folder of this executable, where the calendar looks for its events file first.
std::filesystem::path ExecutableFolder(const char *argv0) {
    namespace fs = std::filesystem;
    fs::path executable;
#ifdef _WIN32
    wchar_t buffer[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH * 4);
    if (length > 0 && length < MAX_PATH * 4)
        executable = fs::path(std::wstring(buffer, length));
#else
    std::error_code ec;
    executable = fs::read_symlink("/proc/self/exe", ec);
#endif
    if (executable.empty())
        executable = fs::absolute(argv0);
    return executable.parent_path();
}

std::string Usage() {
#ifdef QUORVA_ICS
    return AgendaUsage() + "\n" + ExportIcsUsage() + "\n" + ImportIcsUsage();
#else
    return AgendaUsage();
#endif
}

} // namespace

int main(int argc, char *argv[]) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << Usage();
        return ExitOk;
    }
    const std::string command = args.empty() ? "" : args[0];
    if (command != "agenda" && command != "export-ics" && command != "import-ics") {
        std::cerr << "quorva-cli: "
                  << (args.empty() ? "missing command" : "unknown command '" + command + "'")
                  << " (try quorva-cli --help)\n";
        return ExitBadArgument;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    const std::chrono::sys_days today = LocalToday();
    const std::string eventsFile = DefaultEventsFilePath(ExecutableFolder(argv[0]));
    if (command == "agenda")
        return RunAgenda(rest, today, eventsFile, std::cout, std::cerr);
#ifdef QUORVA_ICS
    if (command == "export-ics") {
        const auto now = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
        return RunExportIcs(rest, today, now, eventsFile, std::cout, std::cerr);
    }
    return RunImportIcs(rest, today, eventsFile, std::cout, std::cerr);
#else
    std::cerr << "quorva-cli: " << command << " is not in this build (it needs libical)\n";
    return ExitBadArgument;
#endif
}
