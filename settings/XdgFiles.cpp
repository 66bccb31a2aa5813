#ifndef _WIN32

#include "XdgFiles.h"

#include "SettingsStore.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string NonEmptyEnv(const char *name) {
    const char *value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

[[noreturn]] void FailWrite(const fs::path &path, const std::string &reason) {
    throw SettingsError("Unable to write to " + path.string() + " (" + reason + ")");
}

// Writes every byte to an open descriptor, going on after short writes and interrupts.
bool WriteAll(int fd, const std::string &contents) {
    std::size_t done = 0;
    while (done < contents.size()) {
        const ssize_t written = ::write(fd, contents.data() + done, contents.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

// A link is followed so that a settings file kept elsewhere (in a dotfiles folder, say) is
// updated in place instead of being replaced by a plain file.
fs::path ResolveLink(const fs::path &path) {
    std::error_code error;
    if (!fs::is_symlink(path, error)) {
        return path;
    }
    const fs::path target = fs::weakly_canonical(path, error);
    return error ? path : target;
}

} // namespace

fs::path XdgConfigHome() {
    const fs::path configHome = NonEmptyEnv("XDG_CONFIG_HOME");
    if (configHome.is_absolute()) {
        return configHome;
    }
    const fs::path home = NonEmptyEnv("HOME");
    if (home.is_absolute()) {
        return home / ".config";
    }
    // $HOME can be unset under some service managers; the password database still knows.
    if (const passwd *entry = ::getpwuid(::getuid());
        entry && entry->pw_dir && fs::path(entry->pw_dir).is_absolute()) {
        return fs::path(entry->pw_dir) / ".config";
    }
    return {};
}

void WriteFileAtomically(const fs::path &path, const std::string &contents) {
    if (path.empty() || !path.has_filename()) {
        throw SettingsError("Unable to write the settings: no home or configuration folder");
    }
    const fs::path target = ResolveLink(path);
    std::error_code error;
    fs::create_directories(target.parent_path(), error);
    if (error) {
        FailWrite(target, error.message());
    }
    std::string temporary = target.string() + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        FailWrite(target, std::strerror(errno));
    }
    const bool written = WriteAll(fd, contents) && ::fsync(fd) == 0;
    const int writeErrno = errno;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed) {
        ::unlink(temporary.c_str());
        FailWrite(target, std::strerror(written ? errno : writeErrno));
    }
    fs::rename(temporary, target, error);
    if (error) {
        ::unlink(temporary.c_str());
        FailWrite(target, error.message());
    }
}

#endif
