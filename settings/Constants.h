#pragma once
// Fixed texts of the program that more than one window uses.

namespace Constants {
inline constexpr const char* ProductName = "Quorva";
inline constexpr const char* Version = "1.75";
// The task-bar title carries a trailing blank; the main window's caption does not.
inline constexpr const char* ApplicationTitle = "Quorva ";
inline constexpr const char* MainCaption = "Quorva";
inline constexpr const char* StartupArgument = "/startup";
// Copies of the program find each other under this name (plus the user's identity).
inline constexpr const char* InstanceName = "Quorva Executable";
inline constexpr const char* WebAddress = "https://quorva.example.org/";
inline constexpr const char* EventsFileName = "quorva.ini";
inline constexpr const char* ReadmeFileName = "readme.txt";
} // namespace Constants
