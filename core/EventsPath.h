#pragma once
// Where the calendar keeps its events file, shared by the calendar and quorva-cli.

#include <filesystem>
#include <string>

// The one rule, decided once at start: an existing file wins over an empty folder.
// 1. quorva.ini in exeDir when it exists, writable or not (a save that fails says so);
// 2. else quorva.ini in $XDG_DATA_HOME/Quorva ($HOME/.local/share/Quorva when unset) when it
//    exists;
// 3. else quorva.ini in exeDir when that folder is writable;
// 4. else the data folder's file, the folder being created so that a first save can succeed.
// Without either variable the file beside the executable is the only place left.
std::string DefaultEventsFilePath(const std::filesystem::path &exeDir);
