#include "StartupEntry.h"

#include "Preferences.h"
#include "SettingsStore.h"

#ifndef _WIN32
#include "XdgFiles.h"

#include <system_error>
#endif

namespace {

constexpr char StartupArgument[] = "/startup";

} // namespace

#ifdef _WIN32

void WriteStartupEntry(const std::string &exePath, bool loadAtStartup) {
    const auto store = OpenSettingsStore(WindowsCurrentVersionKey);
    if (loadAtStartup) {
        // No quotes around the path: that is how the entry has always been written.
        store->WriteString("Run", "Ostrune Quorva", exePath + " " + StartupArgument);
    } else {
        store->DeleteValue("Run", "Ostrune Quorva");
    }
    store->Close();
}

#else

namespace fs = std::filesystem;

std::filesystem::path AutostartEntryPath() {
    const fs::path configHome = XdgConfigHome();
    return configHome.empty() ? fs::path() : configHome / "autostart" / "quorva.desktop";
}

// Two layers apply to an Exec value: the quoting of the command line (inside double quotes,
// ", `, $ and \ take a backslash) and then the escaping of every string value (\ becomes \\,
// line breaks and tabs \n, \r, \t). A percent sign is a field code unless doubled.
std::string DesktopExecValue(const std::string &exePath) {
    std::string quoted = "\"";
    for (char c : exePath) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    quoted += '"';
    std::string value;
    for (char c : quoted) {
        switch (c) {
        case '\\':
            value += "\\\\";
            break;
        case '\n':
            value += "\\n";
            break;
        case '\r':
            value += "\\r";
            break;
        case '\t':
            value += "\\t";
            break;
        case '%':
            value += "%%";
            break;
        default:
            value += c;
        }
    }
    return value + " " + StartupArgument;
}

void WriteStartupEntry(const std::string &exePath, bool loadAtStartup) {
    const fs::path path = AutostartEntryPath();
    if (loadAtStartup) {
        WriteFileAtomically(path, "[Desktop Entry]\n"
                                  "Type=Application\n"
                                  "Name=Quorva\n"
                                  "Exec=" +
                                      DesktopExecValue(exePath) +
                                      "\n"
                                      "Terminal=false\n");
        return;
    }
    std::error_code error;
    if (!path.empty() && !fs::remove(path, error) && error) {
        throw SettingsError("Unable to remove " + path.string() + " (" + error.message() + ")");
    }
}

#endif

void WriteStartupEntry(const std::string &exePath) {
    WriteStartupEntry(exePath, bLoadAtStartup);
}
