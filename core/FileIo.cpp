#include "FileIo.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <algorithm>
#include <chrono>
#include <random>
#include <string_view>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

// Paths arrive as UTF-8, as std::filesystem and Qt hand them out. The narrow C library and
// std::filesystem::path's narrow constructor would read them in Windows' ANSI code page, which
// garbles every name outside ASCII, so on Windows they are converted explicitly.
fs::path PathFromUtf8(const std::string &path) {
#ifdef _WIN32
    try {
        return fs::path(std::u8string(path.begin(), path.end()));
    } catch (const std::system_error &) {
        // Not UTF-8 after all: read the way the narrow functions would, never a crash.
        return fs::path(path);
    }
#else
    return fs::path(path);
#endif
}

namespace {

fs::path FromUtf8(const std::string &path) {
    return PathFromUtf8(path);
}

std::FILE *OpenFile(const fs::path &path, bool forWriting) {
#ifdef _WIN32
    return _wfopen(path.c_str(), forWriting ? L"wb" : L"rb");
#else
    return std::fopen(path.c_str(), forWriting ? "wb" : "rb");
#endif
}

// Makes the rename itself durable; a folder that cannot be synced still holds a whole file.
void FlushFolder(const fs::path &folder) {
#ifndef _WIN32
    const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
#else
    (void)folder;
#endif
}

std::string SystemReason(int error) {
    return std::make_error_code(static_cast<std::errc>(error)).message();
}

// The name part of a temporary file of target: "<name>.tmp-" and six characters.
constexpr std::string_view TemporaryMark = ".tmp-";
constexpr std::size_t TemporarySuffix = 6;

bool IsTemporaryOf(const fs::path &candidate, const fs::path &target) {
    // Native strings: a name outside the narrow code page is no reason to fail.
    fs::path prefix = target.filename();
    prefix += std::string(TemporaryMark);
    const fs::path file = candidate.filename();
    const auto &name = file.native();
    const auto &start = prefix.native();
    return name.size() == start.size() + TemporarySuffix && name.compare(0, start.size(), start) == 0;
}

#ifdef _WIN32
// Creates a new file of a unique name beside target, exclusively: nothing that exists is ever
// opened. Returns its descriptor, or -1 with errno set.
int CreateTemporary(const fs::path &target, fs::path &temporary) {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string suffix;
        for (std::size_t i = 0; i < TemporarySuffix; ++i)
            suffix.push_back(letters[random() % (sizeof letters - 1)]);
        temporary = target;
        temporary += std::string(TemporaryMark) + suffix;
        int fd = -1;
        const errno_t error =
            _wsopen_s(&fd, temporary.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY,
                      _SH_DENYRW, _S_IREAD | _S_IWRITE);
        if (error == 0)
            return fd;
        if (error != EEXIST) {
            errno = error;
            return -1;
        }
    }
    errno = EEXIST;
    return -1;
}
#else
int CreateTemporary(const fs::path &target, fs::path &temporary) {
    std::string name = target.string() + std::string(TemporaryMark) + "XXXXXX";
    // mkstemp opens with O_CREAT | O_EXCL: a planted file or link of that name is never
    // opened, and the new file is the user's alone (0600) until its mode is set.
    const int fd = mkstemp(name.data());
    if (fd >= 0) {
        fcntl(fd, F_SETFD, FD_CLOEXEC);
        temporary = name;
    }
    return fd;
}

mode_t CurrentUmask() {
    const mode_t mask = umask(0);
    umask(mask);
    return mask;
}
#endif

// Writes content to a new temporary file beside target, with target's permissions (a new
// file: the umask's), flushed to disk. False with the reason; nothing is left then.
bool WriteTemporary(const fs::path &target, const fs::path &modeSource, const std::string &content,
                    fs::path &temporary, std::string &reason) {
    const int fd = CreateTemporary(target, temporary);
    if (fd < 0) {
        reason = SystemReason(errno);
        return false;
    }
    int error = 0;
#ifdef _WIN32
    (void)modeSource; // the folder's access rules apply to a new file there
#else
    struct stat existing {};
    if (stat(modeSource.c_str(), &existing) == 0) {
        if (fchmod(fd, existing.st_mode & 07777) != 0)
            error = errno;
        // Only the superuser may give the file away; for anybody else it is theirs already.
        if (existing.st_uid != geteuid() || existing.st_gid != getegid()) [[maybe_unused]]
            const int ignored = fchown(fd, existing.st_uid, existing.st_gid);
    } else if (fchmod(fd, 0666 & ~CurrentUmask()) != 0) {
        error = errno;
    }
#endif
    const char *data = content.data();
    std::size_t left = content.size();
    while (error == 0 && left > 0) {
#ifdef _WIN32
        const int written =
            _write(fd, data, static_cast<unsigned>(std::min<std::size_t>(left, 1 << 30)));
#else
        const ssize_t written = write(fd, data, left);
#endif
        if (written < 0) {
            if (errno != EINTR)
                error = errno;
            continue;
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
#ifdef _WIN32
    if (error == 0 && _commit(fd) != 0)
        error = errno;
    if (_close(fd) != 0 && error == 0)
        error = errno;
#else
    if (error == 0 && fsync(fd) != 0)
        error = errno;
    if (close(fd) != 0 && error == 0)
        error = errno;
#endif
    if (error != 0) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        reason = SystemReason(error);
        return false;
    }
    return true;
}

} // namespace

bool ReadWholeFile(const std::string &path, std::string &content, std::string &reason,
                   bool &missing) {
    content.clear();
    missing = false;
    const fs::path source = FromUtf8(path);
    std::error_code ec;
    const auto status = fs::status(source, ec);
    if (status.type() == fs::file_type::not_found) {
        missing = true;
        reason = std::make_error_code(std::errc::no_such_file_or_directory).message();
        return false;
    }
    if (status.type() == fs::file_type::directory) {
        reason = std::make_error_code(std::errc::is_a_directory).message();
        return false;
    }
    std::FILE *file = OpenFile(source, false);
    if (!file) {
        reason = std::strerror(errno);
        return false;
    }
    // The size is only a hint (the file may change while it is read): reserve, then append.
    const auto size = fs::file_size(source, ec);
    if (!ec) {
        content.reserve(static_cast<std::size_t>(size));
        PrefaultForWriting(content.data(), content.capacity());
    }
    char buffer[1 << 16];
    std::size_t length = 0;
    while ((length = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        content.append(buffer, length);
    const bool failed = std::ferror(file) != 0;
    if (failed)
        reason = std::strerror(errno);
    std::fclose(file);
    return !failed;
}

void PrefaultForWriting([[maybe_unused]] void *data, [[maybe_unused]] std::size_t size) {
#if defined(__linux__)
    constexpr std::size_t Worthwhile = 256 * 1024;
    constexpr int PopulateWrite = 23; // MADV_POPULATE_WRITE, Linux 5.14; older kernels refuse it
    const long page = ::sysconf(_SC_PAGESIZE);
    if (size < Worthwhile || page <= 0)
        return;
    const auto mask = static_cast<std::uintptr_t>(page) - 1;
    const auto begin = (reinterpret_cast<std::uintptr_t>(data) + mask) & ~mask;
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + size) & ~mask;
    if (end > begin)
        ::madvise(reinterpret_cast<void *>(begin), end - begin, PopulateWrite);
#endif
}

std::string ResolveLinks(const std::string &path) {
    fs::path target = FromUtf8(path);
    std::error_code ec;
    // A chain of links ends somewhere within a few steps; a loop is left as it stands and
    // the save then fails on it with the system's reason.
    for (int step = 0; step < 40 && fs::is_symlink(target, ec); ++step) {
        const fs::path next = fs::read_symlink(target, ec);
        if (ec)
            break;
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    // Not normalised: ".." after a folder that is itself a link is the kernel's to follow.
#ifdef _WIN32
    const std::u8string text = target.u8string();
    return std::string(text.begin(), text.end());
#else
    return target.string();
#endif
}

bool ReplaceFileAtomically(const std::string &path, const std::string &content,
                           std::string &reason, const std::string &modeFrom) {
    // A link (an events file kept in a synced folder) stays a link: its target is replaced,
    // in the target's own folder so that the rename stays on one file system.
    const fs::path target = FromUtf8(ResolveLinks(path));
    const fs::path modeSource = modeFrom.empty() ? target : FromUtf8(ResolveLinks(modeFrom));
    fs::path temporary;
    if (!WriteTemporary(target, modeSource, content, temporary, reason))
        return false;
    // std::filesystem::rename replaces an existing target on Windows too (MoveFileEx).
    std::error_code ec;
    fs::rename(temporary, target, ec);
    if (ec) {
        reason = ec.message();
        fs::remove(temporary, ec);
        return false;
    }
    FlushFolder(target.parent_path());
    return true;
}

bool ReplaceFileAtomically(const std::string &path, const std::string &content) {
    std::string reason;
    return ReplaceFileAtomically(path, content, reason);
}

void RemoveStaleTemporaries(const std::string &path) {
    const fs::path target = FromUtf8(ResolveLinks(path));
    std::error_code ec;
    fs::directory_iterator entries(
        target.parent_path().empty() ? fs::path(".") : target.parent_path(), ec);
    for (; !ec && entries != fs::directory_iterator(); entries.increment(ec)) {
        const fs::path candidate = entries->path();
        if (!IsTemporaryOf(candidate, target) ||
            !fs::is_regular_file(fs::symlink_status(candidate, ec)))
            continue;
#ifndef _WIN32
        struct stat info {};
        if (lstat(candidate.c_str(), &info) != 0 || info.st_uid != geteuid())
            continue;
#endif
        std::error_code ignored;
        fs::remove(candidate, ignored);
    }
}

TFileLock::TFileLock(const std::string &path, int waitMilliseconds) {
    const std::string lockPath = ResolveLinks(path) + ".lock";
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMilliseconds);
#ifdef _WIN32
    handle_ = CreateFileW(FromUtf8(lockPath).c_str(), GENERIC_READ | GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE) {
        handle_ = nullptr;
        return; // a folder nobody may write in: the save fails there on its own
    }
    for (;;) {
        OVERLAPPED whole{};
        if (LockFileEx(handle_, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                       &whole)) {
            locked_ = true;
            return;
        }
        if (GetLastError() != ERROR_LOCK_VIOLATION) {
            CloseHandle(handle_);
            handle_ = nullptr;
            return;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            break;
        Sleep(20);
    }
    CloseHandle(handle_);
    handle_ = nullptr;
#else
    fd_ = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0)
        return; // a folder nobody may write in: the save fails there on its own
    for (;;) {
        if (flock(fd_, LOCK_EX | LOCK_NB) == 0) {
            locked_ = true;
            return;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            // No locks on this file system (some network mounts): write without one.
            close(fd_);
            fd_ = -1;
            return;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            break;
        usleep(20000);
    }
    close(fd_);
    fd_ = -1;
#endif
    busy_ = true;
}

TFileLock::~TFileLock() {
#ifdef _WIN32
    if (handle_)
        CloseHandle(handle_);
#else
    // Closing drops the lock; the lock file stays, since removing it would race with the next
    // writer that opened it meanwhile.
    if (fd_ >= 0)
        close(fd_);
#endif
}

bool IsWritableFile(const std::string &path) {
#ifdef _WIN32
    return _waccess(FromUtf8(path).c_str(), 2) == 0;
#else
    return access(path.c_str(), W_OK) == 0;
#endif
}
