#pragma once
// Per-user files on freedesktop systems: where they live and how they are replaced safely.

#include <filesystem>
#include <string>

// $XDG_CONFIG_HOME when it is an absolute path, else $HOME/.config, else the .config folder of
// the user's home directory from the password database; empty when there is none at all.
std::filesystem::path XdgConfigHome();

// Replaces `path` with `contents` so that a crash leaves either the old file or the new one:
// a temporary file beside it is written, flushed to disk and renamed over it. Missing folders
// are created; a symbolic link is written through to its target. Throws SettingsError.
void WriteFileAtomically(const std::filesystem::path &path, const std::string &contents);
