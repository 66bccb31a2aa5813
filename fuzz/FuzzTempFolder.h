#pragma once
// One private folder for a fuzzing process's files, removed when the process ends normally.

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

// Memory-backed when the system has such a folder: the savers flush every file to the disk,
// which would otherwise make each run take milliseconds.
inline std::filesystem::path BaseFolder() {
    std::error_code ec;
    if (std::filesystem::is_directory("/dev/shm", ec) && access("/dev/shm", W_OK) == 0)
        return "/dev/shm";
    return std::filesystem::temp_directory_path();
}

inline const std::filesystem::path &FuzzTempFolder() {
    static const std::filesystem::path folder = [] {
        std::string pattern = (BaseFolder() / "quorva-fuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        return std::filesystem::path(pattern);
    }();
    static const struct Remover {
        ~Remover() {
            std::error_code ec;
            std::filesystem::remove_all(folder, ec);
        }
    } remover;
    return folder;
}
