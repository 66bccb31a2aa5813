#include "Preferences.h"

#include "SettingsStore.h"

#include <algorithm>

bool bMinToTray = true;
bool bLoadAtStartup = true;
bool bCloseIfNoReminder = true;
bool bReminder = true;
int iRemThreshold = 2;
bool bStartUpMin = true;
bool bMinOnClose = false;
bool bShowPNMonth = true;
bool bWipe = true;
int iWipePeriod = 1;
int PrintPaperFormat = 0;

namespace {

constexpr char PreferencesSection[] = "Preferences";
constexpr char MainFormSection[] = "MainFormView";
constexpr char ReminderFormSection[] = "ReminderFormView";
// The version record lives apart from the three window and preference sections.
constexpr char VersionSection[] = "Version";
constexpr char VersionName[] = "Version";
constexpr char ProgramVersion[] = "1.75";

std::string ReadVersion(TSettingsStore &store, const std::string &defaultValue) {
    return store.ReadString(VersionSection, VersionName, defaultValue);
}

void ReadPreferences(TSettingsStore &store) {
    const std::string s = PreferencesSection;
    PrintPaperFormat = store.ReadInteger(s, "DDPrint.iFormat", PrintPaperFormat);
    bMinToTray = store.ReadBool(s, "bMinToTray", bMinToTray);
    bLoadAtStartup = store.ReadBool(s, "bLoadAtStartup", bLoadAtStartup);
    bCloseIfNoReminder = store.ReadBool(s, "bCloseIfNoReminder", bCloseIfNoReminder);
    bReminder = store.ReadBool(s, "bReminder", bReminder);
    iRemThreshold = store.ReadInteger(s, "iRemThreshold", iRemThreshold);
    bStartUpMin = store.ReadBool(s, "bStartUpMin", bStartUpMin);
    bMinOnClose = store.ReadBool(s, "bMinOnClose", bMinOnClose);
    bShowPNMonth = store.ReadBool(s, "bShowPNMonth", bShowPNMonth);
    bWipe = store.ReadBool(s, "bWipe", bWipe);
    iWipePeriod = store.ReadInteger(s, "iWipePeriod", iWipePeriod);
}

void WritePreferences(TSettingsStore &store) {
    const std::string s = PreferencesSection;
    store.WriteInteger(s, "DDPrint.iFormat", PrintPaperFormat);
    store.WriteBool(s, "bMinToTray", bMinToTray);
    store.WriteBool(s, "bLoadAtStartup", bLoadAtStartup);
    store.WriteBool(s, "bStartUpMin", bStartUpMin);
    store.WriteBool(s, "bCloseIfNoReminder", bCloseIfNoReminder);
    store.WriteBool(s, "bReminder", bReminder);
    store.WriteInteger(s, "iRemThreshold", iRemThreshold);
    store.WriteBool(s, "bShowPNMonth", bShowPNMonth);
    store.WriteBool(s, "bMinOnClose", bMinOnClose);
    store.WriteBool(s, "bWipe", bWipe);
    store.WriteInteger(s, "iWipePeriod", iWipePeriod);
}

} // namespace

void ResetPreferences() {
    bMinToTray = true;
    bLoadAtStartup = true;
    bCloseIfNoReminder = true;
    bReminder = true;
    iRemThreshold = 2;
    bStartUpMin = true;
    bMinOnClose = false;
    bShowPNMonth = true;
    bWipe = true;
    iWipePeriod = 1;
    PrintPaperFormat = 0;
}

int StoredWipeMonths() {
    const auto store = OpenSettingsStore(QuorvaSettingsKey);
    const bool wipe = store->ReadBool(PreferencesSection, "bWipe", true);
    const int period = store->ReadInteger(PreferencesSection, "iWipePeriod", 1);
    return wipe && period > 0 ? period : 0;
}

TStartSettings ReadSettingsAtCreate() {
    const auto store = OpenSettingsStore(QuorvaSettingsKey);
    ReadPreferences(*store);
    TStartSettings start;
    start.VersionForSeeding = ReadVersion(*store, "9999");
    const std::string s = MainFormSection;
    start.Top = store->ReadInteger(s, "frmMain->Top", start.Top);
    start.Left = store->ReadInteger(s, "frmMain->Left", start.Left);
    start.Height = store->ReadInteger(s, "frmMain->Height", start.Height);
    start.Width = store->ReadInteger(s, "frmMain->Width", start.Width);
    start.Maximized = store->ReadBool(s, "frmMain_wsMaximized", start.Maximized);
    start.MainFormViewExists = store->SectionExists(s);
    if (start.MainFormViewExists) {
        start.VersionForHelp = ReadVersion(*store, "0");
    }
    return start;
}

void WriteVersionRecord() {
    const auto store = OpenSettingsStore(QuorvaSettingsKey);
    store->WriteString(VersionSection, VersionName, ProgramVersion);
    store->Close();
}

void ReadReminderSize(int &height, int &width) {
    const auto store = OpenSettingsStore(QuorvaSettingsKey);
    height = store->ReadInteger(ReminderFormSection, "frmReminder->Height", 136);
    width = store->ReadInteger(ReminderFormSection, "frmReminder->Width", 220);
}

void WriteSettingsAtClose(const TCloseSettings &settings) {
    const auto store = OpenSettingsStore(QuorvaSettingsKey);
    const std::string s = MainFormSection;
    store->WriteBool(s, "frmMain_wsMaximized", settings.Maximized);
    if (!settings.Maximized) {
        store->WriteInteger(s, "frmMain->Top", settings.Top);
        store->WriteInteger(s, "frmMain->Left", settings.Left);
        store->WriteInteger(s, "frmMain->Height", settings.Height);
        store->WriteInteger(s, "frmMain->Width", settings.Width);
    }
    store->WriteInteger(ReminderFormSection, "frmReminder->Height", settings.ReminderHeight);
    store->WriteInteger(ReminderFormSection, "frmReminder->Width", settings.ReminderWidth);
    WritePreferences(*store);
    store->Close();
}

int ReminderLookAhead()
{
    return std::clamp(iRemThreshold, 0, 366);
}
