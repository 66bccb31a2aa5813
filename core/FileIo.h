#pragma once
// Whole-file reading and crash-safe whole-file replacement, portable between Linux and Windows.
// Paths are UTF-8 on Windows too (as std::filesystem::path::string() and Qt give them).

#include <string>

// Reads the file at path into content. False with a readable reason when it cannot be read;
// missing is set when the file simply does not exist.
bool ReadWholeFile(const std::string &path, std::string &content, std::string &reason,
                   bool &missing);

// Replaces the file at path with content: a temporary file in the same folder is written,
// flushed to disk and renamed over the old one, so an interrupted write leaves the old file
// whole. False on any failure; the temporary file is then removed and the old file untouched.
bool ReplaceFileAtomically(const std::string &path, const std::string &content);

// Whether this process may write the existing file at path (its permissions, a read-only
// attribute or file system). A rename could replace a read-only file in a writable folder;
// the user's protection of the file is respected instead.
bool IsWritableFile(const std::string &path);
