#pragma once
// Where the calendar keeps its events file, shared by the calendar and quorva-cli.

#include <filesystem>
#include <string>

// quorva.ini in exeDir when that folder is writable and the file there is writable or absent;
// otherwise quorva.ini in $XDG_DATA_HOME/Quorva ($HOME/.local/share/Quorva when unset), the
// folder being created when missing so that a first save can succeed. Without either variable
// the file beside the executable is the only place left and is returned.
std::string DefaultEventsFilePath(const std::filesystem::path &exeDir);
