#pragma once
// The entry that starts the program with "/startup" when the user logs on: the value
// "Ostrune Quorva" under the current user's ...\CurrentVersion\Run key on Windows, the
// freedesktop autostart entry $XDG_CONFIG_HOME/autostart/quorva.desktop elsewhere.

#include <filesystem>
#include <string>

// Writes the entry for `exePath` (the executable's full path, in UTF-8) when `loadAtStartup` is
// true, removes it otherwise; removing an entry that is not there is no error. Throws
// SettingsError, whose text is meant for a warning box, when the entry cannot be written or
// removed.
void WriteStartupEntry(const std::string &exePath, bool loadAtStartup);
// The same, following the preference bLoadAtStartup.
void WriteStartupEntry(const std::string &exePath);

#ifndef _WIN32
// Where the autostart entry lives; empty when there is no configuration folder at all.
std::filesystem::path AutostartEntryPath();

// The Exec line's value: the path quoted and escaped as desktop entries require, so that
// blanks, quotes, dollars, backslashes and percent signs in it reach the program unchanged.
std::string DesktopExecValue(const std::string &exePath);
#endif
