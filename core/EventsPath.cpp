#include "EventsPath.h"

#include <cstdlib>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

constexpr const char *EventsFileName = "quorva.ini";

// Asks the system itself, which knows about permissions, read-only mounts and ACLs.
bool IsWritable(const fs::path &path) {
#ifdef _WIN32
    return _waccess(path.c_str(), 2) == 0;
#else
    return access(path.c_str(), W_OK) == 0;
#endif
}

// An environment variable, empty when unset.
std::string Environment(const char *name) {
    const char *value = std::getenv(name);
    return value ? value : "";
}

} // namespace

std::string DefaultEventsFilePath(const fs::path &exeDir) {
    const fs::path beside = exeDir / EventsFileName;
    std::error_code ec;
    // An existing file is never passed over: a save that cannot write it says so, rather
    // than starting a second file that the next start would not read.
    if (fs::exists(beside, ec))
        return beside.string();
    fs::path data = Environment("XDG_DATA_HOME");
    if (data.empty()) {
        const std::string home = Environment("HOME");
        if (home.empty())
            return beside.string();
        data = fs::path(home) / ".local" / "share";
    }
    const fs::path folder = data / "Quorva";
    const fs::path redirected = folder / EventsFileName;
    if (fs::exists(redirected, ec) || !IsWritable(exeDir)) {
        fs::create_directories(folder, ec);
        return redirected.string();
    }
    return beside.string();
}
