#include "SyncCommand.h"

#include "CommandLine.h"
#include "FileIo.h"
#include "IniFile.h"
#include "Pool.h"
#include "Preferences.h"
#include "Secrets.h"
#include "SettingsStore.h"
#include "Sync.h"
#include "XdgFiles.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <istream>
#include <ostream>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#endif

namespace fs = std::filesystem;
using namespace std::chrono;

namespace {

constexpr char SettingsSection[] = "Sync";

std::string Environment(const char *name) {
    const char *value = std::getenv(name);
    return value ? value : "";
}

// Where the sync keeps what it saw last: $XDG_DATA_HOME/Quorva/sync, private to the user.
fs::path StateFolder() {
    fs::path data = Environment("XDG_DATA_HOME");
    if (data.empty() || !data.is_absolute())
        data = fs::path(Environment("HOME")) / ".local" / "share";
    return data / "Quorva" / "sync";
}

// One state per calendar and events file: a name from both.
std::string StateName(const std::string &url, const std::string &eventsFile) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : url + "\n" + eventsFile)
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    char name[32];
    std::snprintf(name, sizeof name, "%016llx.state", static_cast<unsigned long long>(hash));
    return name;
}

fs::path SettingsFile() {
    return XdgConfigHome() / "Ostrune" / "quorva-sync.ini";
}

// The first line the command writes, run by the shell; false with why when it fails.
bool RunPasswordCommand(const std::string &command, std::string &password, std::string &why) {
#ifdef _WIN32
    FILE *pipe = _popen(command.c_str(), "r");
#else
    FILE *pipe = popen(command.c_str(), "r");
#endif
    if (!pipe) {
        why = "it could not be started";
        return false;
    }
    std::string output;
    char buffer[4096];
    std::size_t length = 0;
    while ((length = std::fread(buffer, 1, sizeof buffer, pipe)) > 0 && output.size() < 65536)
        output.append(buffer, length);
#ifdef _WIN32
    const int status = _pclose(pipe);
    const bool ok = status == 0;
#else
    const int status = pclose(pipe);
    const bool ok = status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
#endif
    if (!ok) {
        why = "it failed";
        return false;
    }
    password = output.substr(0, output.find_first_of("\r\n"));
    if (password.empty()) {
        why = "it wrote no password";
        return false;
    }
    return true;
}

} // namespace

std::string SyncUsage() {
    return "Usage: quorva-cli sync [--file PATH] [--url URL] [--user NAME]\n"
           "                       [--password-command CMD | --password-stdin]\n"
           "                       [--ca-file PATH] [--dry-run | --check]\n"
           "Brings the events file PATH (the calendar's own by default) and the CalDAV\n"
           "calendar at URL to the same events, both ways. An entry changed on both sides\n"
           "since the last sync keeps both texts. The password is the first line CMD\n"
           "writes (or, with --password-stdin, the first line of standard input), else\n"
           "the one the desktop's secret store keeps for URL and NAME (see quorva-cli\n"
           "password), else the one in ~/.netrc for the URL's host; URL, NAME, CMD and\n"
           "the certificate authority file are remembered for the next runs, the password\n"
           "never. --dry-run says what a sync would do and changes nothing; --check only\n"
           "asks the server whether URL is a calendar it lets NAME read.\n";
}

std::string PasswordUsage() {
    return "Usage: quorva-cli password [--url URL] [--user NAME] [--forget]\n"
           "Keeps the first line of standard input as the password for the calendar at URL\n"
           "and NAME (the remembered ones by default) in the desktop's secret store, for\n"
           "sync to find; --forget takes it out again.\n";
}

namespace {

struct TRemembered {
    fs::path File;
    IniFile Settings;
};

TRemembered ReadRemembered() {
    TRemembered remembered;
    remembered.File = SettingsFile();
    std::string text, reason;
    bool missing = false;
    ReadWholeFile(remembered.File.string(), text, reason, missing);
    remembered.Settings = IniFile::FromText(text);
    return remembered;
}

std::string FirstLine(std::istream &in) {
    std::string line;
    std::getline(in, line);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

} // namespace

int RunPassword(const std::vector<std::string> &args, std::istream &in, std::ostream &out,
                std::ostream &err) {
    std::vector<std::string> rest;
    bool forget = false;
    for (const std::string &arg : args) {
        if (arg == "--forget")
            forget = true;
        else
            rest.push_back(arg);
    }
    TCommandLine commandLine;
    const std::string problem = ParseCommandLine(rest, {"--url", "--user"}, 0, commandLine);
    if (!problem.empty()) {
        err << "quorva-cli: " << problem << "\n";
        return ExitBadArgument;
    }
    if (commandLine.Help) {
        out << PasswordUsage();
        return ExitOk;
    }
    const TRemembered remembered = ReadRemembered();
    const std::string url = commandLine.Option("--url").value_or(
        remembered.Settings.Read(SettingsSection, "Url", ""));
    const std::string user = commandLine.Option("--user").value_or(
        remembered.Settings.Read(SettingsSection, "User", ""));
    if (url.empty()) {
        err << "quorva-cli: password needs the calendar's address: --url URL\n";
        return ExitBadArgument;
    }
    std::string why;
    if (forget) {
        if (!ForgetPassword(url, user, why)) {
            err << "quorva-cli: the password could not be forgotten: " << why << "\n";
            return ExitCannotRead;
        }
        return ExitOk;
    }
    const std::string password = FirstLine(in);
    if (password.empty()) {
        err << "quorva-cli: no password was given on standard input\n";
        return ExitBadArgument;
    }
    if (!KeepPassword(url, user, password, why)) {
        err << "quorva-cli: the password was not kept: " << why << "\n";
        return ExitCannotRead;
    }
    return ExitOk;
}

int RunSync(const std::vector<std::string> &args, sys_days today, const std::string &defaultFile,
            std::istream &in, std::ostream &out, std::ostream &err) {
    std::vector<std::string> rest;
    bool dryRun = false, check = false, passwordOnInput = false;
    for (const std::string &arg : args) {
        if (arg == "--dry-run")
            dryRun = true;
        else if (arg == "--check")
            check = true;
        else if (arg == "--password-stdin")
            passwordOnInput = true;
        else
            rest.push_back(arg);
    }
    TCommandLine commandLine;
    const std::string problem = ParseCommandLine(
        rest, {"--file", "--url", "--user", "--password-command", "--ca-file"}, 0, commandLine);
    if (!problem.empty()) {
        err << "quorva-cli: " << problem << "\n";
        return ExitBadArgument;
    }
    if (commandLine.Help) {
        out << SyncUsage();
        return ExitOk;
    }

    // What was given once is remembered: the next runs need no options.
    TRemembered remembered = ReadRemembered();
    const fs::path &settingsFile = remembered.File;
    IniFile &settings = remembered.Settings;
    bool remember = false;
    const auto setting = [&](const char *option, const char *key) {
        if (const auto given = commandLine.Option(option)) {
            remember = remember || settings.Read(SettingsSection, key, "") != *given;
            settings.Write(SettingsSection, key, *given);
            return *given;
        }
        return settings.Read(SettingsSection, key, "");
    };
    TCalDavOptions options;
    const std::string rememberedUrl = settings.Read(SettingsSection, "Url", "");
    const std::string rememberedUser = settings.Read(SettingsSection, "User", "");
    options.Url = setting("--url", "Url");
    options.User = setting("--user", "User");
    // A remembered password command belongs to the remembered server and user only.
    const bool otherLogin = options.Url != rememberedUrl || options.User != rememberedUser;
    if (otherLogin && !commandLine.Option("--password-command"))
        settings.Write(SettingsSection, "PasswordCommand", "");
    const std::string passwordCommand = setting("--password-command", "PasswordCommand");
    options.CaFile = setting("--ca-file", "CaFile");
    if (options.Url.empty()) {
        err << "quorva-cli: sync needs the calendar's address: --url URL\n";
        return ExitBadArgument;
    }
    if (passwordOnInput && commandLine.Option("--password-command")) {
        err << "quorva-cli: give the password one way: --password-command or --password-stdin\n";
        return ExitBadArgument;
    }
    if (passwordOnInput) {
        options.Password = FirstLine(in);
        if (options.Password.empty()) {
            err << "quorva-cli: no password was given on standard input\n";
            return ExitBadArgument;
        }
    } else if (!passwordCommand.empty()) {
        std::string why;
        if (!RunPasswordCommand(passwordCommand, options.Password, why)) {
            err << "quorva-cli: the password command \"" << passwordCommand << "\" gave no password: "
                << why << "\n";
            return ExitCannotRead;
        }
    }
    if (options.Password.empty() && !options.User.empty()) {
        std::string why; // no store: ~/.netrc may still have it
        if (const auto kept = LookUpPassword(options.Url, options.User, why))
            options.Password = *kept;
    }
    const std::string eventsFile = commandLine.Option("--file").value_or(defaultFile);
    if (check) {
        try {
            TCalDav server(options);
            const std::size_t count = server.List().size(); // a listing that checks the calendar
            out << options.Url << ": a CalDAV calendar with " << count
                << (count == 1 ? " event" : " events") << "\n";
        } catch (const std::exception &error) {
            err << "quorva-cli: " << error.what() << "\n";
            return ExitCannotRead;
        }
        return ExitOk;
    }
    try {
        TCalDav server(options);
        std::error_code ec;
        const fs::path folder = StateFolder();
        fs::create_directories(folder, ec);
#ifndef _WIN32
        ::chmod(folder.c_str(), 0700);
#endif
        TSyncSettings sync;
        sync.EventsFile = eventsFile;
        sync.StateFile =
            (folder / StateName(options.Url, fs::absolute(eventsFile, ec).string())).string();
        sync.WipeMonths = StoredWipeMonths();
        if (const std::string notice = TakeSettingsNotice(); !notice.empty())
            err << "quorva-cli: " << notice << "\n";
        sync.DryRun = dryRun;
        sync.Today = today;
        sync.Now = time_point_cast<seconds>(system_clock::now());
        const TSyncResult result = Synchronize(server, sync);
        for (const std::string &cut : result.Cut)
            err << "quorva-cli: " << cut << " in the events file; the server keeps it whole\n";
        for (const std::string &skipped : result.Skipped)
            err << "quorva-cli: left as it is: " << skipped << "\n";
        for (const std::string &step : result.Plan)
            out << "would " << step << "\n";
        out << result.Summary() << (dryRun ? " (dry run: nothing was changed)" : "") << "\n";
    } catch (const TCalDavError &error) {
        err << "quorva-cli: " << error.what() << "\n";
        return ExitCannotRead;
    } catch (const std::exception &error) {
        err << "quorva-cli: " << error.what() << "\n";
        return ExitCannotRead;
    }
    if (remember) {
        try {
            WriteFileAtomically(settingsFile, settings.ToText());
#ifndef _WIN32
            ::chmod(settingsFile.c_str(), 0600);
#endif
        } catch (const std::exception &error) {
            err << "quorva-cli: the sync settings were not remembered: " << error.what() << "\n";
        }
    }
    return ExitOk;
}
