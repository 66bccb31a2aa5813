// quorva-cli: the calendar's events from the command line, without the windows.
#include "Agenda.h"
#include "EventsPath.h"
#ifdef QUORVA_ICS
#include "ExportCommand.h"
#include "ImportCommand.h"
#include "SyncCommand.h"
#endif

#include <ctime>
#include <filesystem>
#include <iostream>

#ifdef _WIN32
#include <windows.h>

#include <shellapi.h>
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

// The arguments after the program's name, in UTF-8 as the core takes paths. On Windows main()
// gets them in the ANSI code page, which cannot hold every file name, so they are taken again
// from the wide command line.
std::vector<std::string> Arguments(int argc, char *argv[]) {
#ifdef _WIN32
    int count = 0;
    if (wchar_t **wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        std::vector<std::string> args;
        for (int i = 1; i < count; ++i) {
            const int size =
                WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
            std::string arg(static_cast<std::size_t>(size > 0 ? size : 1), '\0');
            WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, arg.data(), size, nullptr, nullptr);
            arg.pop_back(); // the terminating zero
            args.push_back(std::move(arg));
        }
        LocalFree(wide);
        return args;
    }
#endif
    return {argv + 1, argv + argc};
}

std::string Usage() {
#ifdef QUORVA_ICS
    return AgendaUsage() + "\n" + ExportIcsUsage() + "\n" + ImportIcsUsage() + "\n" + SyncUsage() + "\n" + PasswordUsage();
#else
    return AgendaUsage();
#endif
}

} // namespace

int main(int argc, char *argv[]) {
    const std::vector<std::string> args = Arguments(argc, argv);
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << Usage();
        return ExitOk;
    }
    const std::string command = args.empty() ? "" : args[0];
    if (command != "agenda" && command != "export-ics" && command != "import-ics" &&
        command != "sync" && command != "password") {
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
    if (command == "sync")
        return RunSync(rest, today, eventsFile, std::cin, std::cout, std::cerr);
    if (command == "password")
        return RunPassword(rest, std::cin, std::cout, std::cerr);
    return RunImportIcs(rest, today, eventsFile, std::cout, std::cerr);
#else
    std::cerr << "quorva-cli: " << command << " is not in this build (it needs libical)\n";
    return ExitBadArgument;
#endif
}
