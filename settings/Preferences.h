#pragma once
// The preference values the whole program reads, and the two moments they meet the settings
// store: the reads when the main window is created and the writes when it closes.

#include <string>

// Defaults, set at program start and by ResetPreferences(): every flag true except
// bMinOnClose; iRemThreshold 2, iWipePeriod 1, PrintPaperFormat 0.
extern bool bMinToTray;         // tray icon; minimising hides in the notification area
extern bool bLoadAtStartup;     // keep the run-at-startup entry
extern bool bCloseIfNoReminder; // a /startup run ends at once when nothing is due
extern bool bReminder;          // reminders on
extern int iRemThreshold;       // reminder look-ahead in days after today
extern bool bStartUpMin;        // a /startup run starts minimised
extern bool bMinOnClose;        // the close box minimises (together with bMinToTray)
extern bool bShowPNMonth;       // the month view shows the neighbouring months' days
extern bool bWipe;              // drop old one-time events when the events file loads
extern int iWipePeriod;         // age limit for that drop, in months of 31 days
extern int PrintPaperFormat;    // 0 Letter, 1 Tabloid, 2 A4, 3 A3

void ResetPreferences();

// The look-ahead the windows work with: iRemThreshold held to 0 .. 366 days, so that a
// hand-edited value cannot make them build hundreds of thousands of entries. The stored value
// itself is kept as it is.
int ReminderLookAhead();

// The wipe period in months (0: off) that the calendar would use if it started now, read from
// the settings store; the preference values themselves are left as they are.
int StoredWipeMonths();

// What the main window needs from the store at creation, besides the preference values.
struct TStartSettings {
    int Top = 0;
    int Left = 0;
    int Height = 474;
    int Width = 796;
    bool Maximized = false;
    std::string VersionForSeeding;   // the version record, "9999" when there is none
    bool MainFormViewExists = false; // the main window has been closed before
    std::string VersionForHelp;      // the version record, "0" when there is none; read only
                                     // when MainFormViewExists
};

// Opens the store once and reads, in this order: the eleven preferences into the globals
// above, each with its current value as default; the version record; the main window's
// geometry and maximised flag; whether that window's section exists and, if so, the version
// record again. Missing or unusable values give the defaults; this never throws.
TStartSettings ReadSettingsAtCreate();

// Records that this version has run; called when the main window is shown. Throws
// SettingsError when the store cannot be written.
void WriteVersionRecord();

// The reminder window's size; 136 by 220 when none is stored.
void ReadReminderSize(int &height, int &width);

struct TCloseSettings {
    bool Maximized = false;
    int Top = 0;  // the geometry is written only when not maximised, so that the last
    int Left = 0; // normal position and size survive a close while maximised
    int Height = 474;
    int Width = 796;
    int ReminderHeight = 136;
    int ReminderWidth = 220;
};

// Writes the main window's state, the reminder window's size and the preference values, and
// closes the store. Throws SettingsError when the store cannot be saved. The run-at-startup
// entry is separate: WriteStartupEntry() in StartupEntry.h.
void WriteSettingsAtClose(const TCloseSettings &settings);
