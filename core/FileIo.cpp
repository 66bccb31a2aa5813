#include "FileIo.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

// Paths arrive as UTF-8, as std::filesystem and Qt hand them out. The narrow C library and
// std::filesystem::path's narrow constructor would read them in Windows' ANSI code page, which
// garbles every name outside ASCII, so on Windows they are converted explicitly.
fs::path FromUtf8(const std::string &path) {
#ifdef _WIN32
    try {
        return fs::path(std::u8string(path.begin(), path.end()));
    } catch (const fs::filesystem_error &) {
        // Not UTF-8 after all: read the way the narrow functions would, never a crash.
        return fs::path(path);
    }
#else
    return fs::path(path);
#endif
}

std::FILE *OpenFile(const fs::path &path, bool forWriting) {
#ifdef _WIN32
    return _wfopen(path.c_str(), forWriting ? L"wb" : L"rb");
#else
    return std::fopen(path.c_str(), forWriting ? "wb" : "rb");
#endif
}

// Pushes the file's data to the disk, so that the rename never publishes a half-written file.
bool FlushToDisk(std::FILE *file) {
    if (std::fflush(file) != 0)
        return false;
#ifdef _WIN32
    return _commit(_fileno(file)) == 0;
#else
    return fsync(fileno(file)) == 0;
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

bool WriteAndFlush(const fs::path &target, const std::string &content) {
    std::FILE *file = OpenFile(target, true);
    if (!file)
        return false;
    bool ok = std::fwrite(content.data(), 1, content.size(), file) == content.size();
    ok = FlushToDisk(file) && ok;
    ok = std::fclose(file) == 0 && ok;
    return ok;
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
    if (!ec)
        content.reserve(static_cast<std::size_t>(size));
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

bool ReplaceFileAtomically(const std::string &path, const std::string &content) {
    const fs::path target = FromUtf8(path);
    fs::path temporary = target;
    temporary += ".tmp";
    std::error_code ec;
    if (!WriteAndFlush(temporary, content)) {
        fs::remove(temporary, ec);
        return false;
    }
    // std::filesystem::rename replaces an existing target on Windows too (MoveFileEx).
    fs::rename(temporary, target, ec);
    if (ec) {
        fs::remove(temporary, ec);
        return false;
    }
    FlushFolder(target.parent_path());
    return true;
}

bool IsWritableFile(const std::string &path) {
#ifdef _WIN32
    return _waccess(FromUtf8(path).c_str(), 2) == 0;
#else
    return access(path.c_str(), W_OK) == 0;
#endif
}
