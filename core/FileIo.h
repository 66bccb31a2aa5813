#pragma once
// Whole-file reading and crash-safe whole-file replacement, portable between Linux and Windows.
// Paths are UTF-8 on Windows too (as std::filesystem::path::string() and Qt give them).

#include <filesystem>
#include <string>

// A UTF-8 path as the system's own path (on Windows a wide one); a text that is not UTF-8 is
// read in the narrow code page, never a failure.
std::filesystem::path PathFromUtf8(const std::string &path);

// Reads the file at path into content. False with a readable reason when it cannot be read;
// missing is set when the file simply does not exist.
bool ReadWholeFile(const std::string &path, std::string &content, std::string &reason,
                   bool &missing);

// Replaces the file at path with content, crash-safely: a new temporary file of a unique name
// ("<name>.tmp-XXXXXX") is created beside the file exclusively, so that nothing already there
// (a planted file or link) is ever opened; it is written, flushed to disk and renamed over the
// old one, so an interrupted write leaves the old file whole.
// - A path that is a symbolic link stays one: the link's final target is replaced, in the
//   target's folder.
// - The old file's permission bits (and, where the system allows, its owner) carry over; a
//   new file gets 0666 less the umask. With modeFrom, they are that file's instead (a backup
//   is as private as the file it keeps).
// False with the system's reason ("No space left on device") on any failure; the temporary
// file is then removed and the old file untouched.
bool ReplaceFileAtomically(const std::string &path, const std::string &content,
                           std::string &reason, const std::string &modeFrom = {});
bool ReplaceFileAtomically(const std::string &path, const std::string &content);

// The file path finally names, symbolic links followed (a dangling link names the file a
// save would create).
std::string ResolveLinks(const std::string &path);

// Removes the temporary files that saves of path killed on the way left behind: only
// regular files of the temporary name pattern, owned by this user. For a writer that holds
// the file's lock, so that no other writer's temporary file is in the middle of being written.
void RemoveStaleTemporaries(const std::string &path);

// An advisory lock on the file at path (its link target), held as "<target>.lock" beside it
// for one read-modify-write. Waits up to waitMilliseconds for another writer. The lock dies
// with its process, so a killed writer never blocks the next.
class TFileLock {
public:
    TFileLock(const std::string &path, int waitMilliseconds);
    ~TFileLock();
    TFileLock(const TFileLock &) = delete;
    TFileLock &operator=(const TFileLock &) = delete;
    // Another writer held it for the whole wait. (A lock file that cannot be created, in a
    // folder nobody may write in, is no reason to refuse: the save itself fails there.)
    bool Busy() const { return busy_; }
    bool Locked() const { return locked_; }

private:
    bool busy_ = false;
    bool locked_ = false;
#ifdef _WIN32
    void *handle_ = nullptr;
#else
    int fd_ = -1;
#endif
};

// Whether this process may write the existing file at path (its permissions, a read-only
// attribute or file system). A rename could replace a read-only file in a writable folder;
// the user's protection of the file is respected instead.
bool IsWritableFile(const std::string &path);

// Brings the pages of a freshly reserved block into memory in one step, where the system can:
// a large block filled byte by byte otherwise costs a page fault every 4 KiB, which makes up
// most of the time of reading a large events file. Nothing happens for small blocks.
void PrefaultForWriting(void *data, std::size_t size);
