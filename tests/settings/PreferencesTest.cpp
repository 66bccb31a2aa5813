#include "Preferences.h"
#include "SettingsStore.h"
#include "TempConfigHome.h"

#include <utility>

namespace {

class PreferenceSettings : public TempConfigHome {
protected:
    void SetUp() override {
        TempConfigHome::SetUp();
        ResetPreferences();
    }
    void TearDown() override {
        ResetPreferences();
        TempConfigHome::TearDown();
    }
};

void ExpectDefaultPreferences() {
    EXPECT_EQ(PrintPaperFormat, 0);
    EXPECT_TRUE(bMinToTray);
    EXPECT_TRUE(bLoadAtStartup);
    EXPECT_TRUE(bCloseIfNoReminder);
    EXPECT_TRUE(bReminder);
    EXPECT_EQ(iRemThreshold, 2);
    EXPECT_TRUE(bStartUpMin);
    EXPECT_FALSE(bMinOnClose);
    EXPECT_TRUE(bShowPNMonth);
    EXPECT_TRUE(bWipe);
    EXPECT_EQ(iWipePeriod, 1);
}

TEST_F(PreferenceSettings, FirstStart_ReadsEveryDefault) {
    const TStartSettings start = ReadSettingsAtCreate();
    ExpectDefaultPreferences();
    EXPECT_EQ(start.Top, 0);
    EXPECT_EQ(start.Left, 0);
    EXPECT_EQ(start.Height, 474);
    EXPECT_EQ(start.Width, 796);
    EXPECT_FALSE(start.Maximized);
    EXPECT_EQ(start.VersionForSeeding, "9999");
    EXPECT_FALSE(start.MainFormViewExists);
    int height = 0;
    int width = 0;
    ReadReminderSize(height, width);
    EXPECT_EQ(height, 136);
    EXPECT_EQ(width, 220);
}

TEST_F(PreferenceSettings, FirstClose_StoresAllEighteenValuesAndTheVersion) {
    ReadSettingsAtCreate();
    WriteVersionRecord();
    WriteSettingsAtClose(TCloseSettings{false, 10, 20, 500, 800, 150, 240});
    const std::pair<std::string, std::string> sections[] = {
        {"Version", "\"Version\"=\"1.75\"\n"},
        {"MainFormView", "\"frmMain_wsMaximized\"=\"0\"\n"
                         "\"frmMain->Top\"=dword:0000000a\n"
                         "\"frmMain->Left\"=dword:00000014\n"
                         "\"frmMain->Height\"=dword:000001f4\n"
                         "\"frmMain->Width\"=dword:00000320\n"},
        {"ReminderFormView", "\"frmReminder->Height\"=dword:00000096\n"
                             "\"frmReminder->Width\"=dword:000000f0\n"},
        {"Preferences", "\"DDPrint.iFormat\"=dword:00000000\n"
                        "\"bMinToTray\"=\"1\"\n"
                        "\"bLoadAtStartup\"=\"1\"\n"
                        "\"bStartUpMin\"=\"1\"\n"
                        "\"bCloseIfNoReminder\"=\"1\"\n"
                        "\"bReminder\"=\"1\"\n"
                        "\"iRemThreshold\"=dword:00000002\n"
                        "\"bShowPNMonth\"=\"1\"\n"
                        "\"bMinOnClose\"=\"0\"\n"
                        "\"bWipe\"=\"1\"\n"
                        "\"iWipePeriod\"=dword:00000001\n"},
    };
    std::string file = "REGEDIT4\n\n";
    for (const auto &[section, lines] : sections) {
        EXPECT_EQ(LineSet(SectionText(section)), LineSet(lines)) << section;
        file += Header(section) + "\n" + lines + "\n";
    }
#ifndef _WIN32
    EXPECT_EQ(ReadText(StoreFile()), file);
#endif
}

TEST_F(PreferenceSettings, ChangedValues_ComeBackAtTheNextStart) {
    PrintPaperFormat = 3;
    bMinToTray = false;
    bLoadAtStartup = false;
    bCloseIfNoReminder = false;
    bReminder = false;
    iRemThreshold = -4; // never limited to a range
    bStartUpMin = false;
    bMinOnClose = true;
    bShowPNMonth = false;
    bWipe = false;
    iWipePeriod = 12;
    WriteVersionRecord();
    WriteSettingsAtClose(TCloseSettings{false, -30, 2000, 300, 400, 90, 100});
    ResetPreferences();

    const TStartSettings start = ReadSettingsAtCreate();
    EXPECT_EQ(PrintPaperFormat, 3);
    EXPECT_FALSE(bMinToTray || bLoadAtStartup || bCloseIfNoReminder || bReminder || bStartUpMin ||
                 bShowPNMonth || bWipe);
    EXPECT_TRUE(bMinOnClose);
    EXPECT_EQ(iRemThreshold, -4);
    EXPECT_EQ(iWipePeriod, 12);
    EXPECT_EQ(start.Top, -30);
    EXPECT_EQ(start.Left, 2000);
    EXPECT_EQ(start.Height, 300);
    EXPECT_EQ(start.Width, 400);
    EXPECT_TRUE(start.MainFormViewExists);
    EXPECT_EQ(start.VersionForSeeding, "1.75");
    EXPECT_EQ(start.VersionForHelp, "1.75");
    int height = 0;
    int width = 0;
    ReadReminderSize(height, width);
    EXPECT_EQ(height, 90);
    EXPECT_EQ(width, 100);
}

TEST_F(PreferenceSettings, HandEditedTypes_AreReadAndWrittenBackAsTheyWere) {
    WriteStore("Preferences", "\"bMinToTray\"=dword:00000005\n"
                              "\"iRemThreshold\"=\"7\"\n"
                              "\"iWipePeriod\"=\"x\"\n");
    ReadSettingsAtCreate();
    EXPECT_TRUE(bMinToTray);
    EXPECT_EQ(iRemThreshold, 7);
    EXPECT_EQ(iWipePeriod, 1);
    WriteSettingsAtClose(TCloseSettings{});
    const std::string text = SectionText("Preferences");
    EXPECT_NE(text.find("\"bMinToTray\"=\"1\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"iRemThreshold\"=\"7\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"iWipePeriod\"=\"1\"\n"), std::string::npos) << text;
}

TEST_F(PreferenceSettings, ClosingWhileMaximised_KeepsTheLastNormalGeometry) {
    WriteSettingsAtClose(TCloseSettings{false, 10, 20, 500, 800, 136, 220});
    WriteSettingsAtClose(TCloseSettings{true, 0, 0, 1080, 1920, 136, 220});
    const TStartSettings start = ReadSettingsAtCreate();
    EXPECT_TRUE(start.Maximized);
    EXPECT_EQ(start.Top, 10);
    EXPECT_EQ(start.Left, 20);
    EXPECT_EQ(start.Height, 500);
    EXPECT_EQ(start.Width, 800);
}

TEST_F(PreferenceSettings, MaximisedOnFirstClose_StillMarksTheWindowAsClosedBefore) {
    WriteSettingsAtClose(TCloseSettings{true, 0, 0, 1080, 1920, 136, 220});
    const TStartSettings start = ReadSettingsAtCreate();
    EXPECT_TRUE(start.MainFormViewExists);
    EXPECT_EQ(start.Height, 474);
}

TEST_F(PreferenceSettings, VersionRecord_IsReadWithBothDefaults) {
    struct Row {
        const char *name;
        std::string lines;
        std::string seeding;
        bool closedBefore;
        std::string help;
    };
    const std::string version = "[HKEY_CURRENT_USER\\Software\\Ostrune\\Quorva\\Version]\n"
                                "\"Version\"=\"1.6\"\n";
    const Row rows[] = {
        {"version and window", "\"frmMain->Top\"=dword:00000001\n" + version, "1.6", true, "1.6"},
        {"window without version", "\"frmMain->Top\"=dword:00000001\n", "9999", true, "0"},
        {"empty window section", version, "1.6", false, ""},
    };
    for (const Row &row : rows) {
        WriteStore("MainFormView", row.lines);
        const TStartSettings start = ReadSettingsAtCreate();
        EXPECT_EQ(start.VersionForSeeding, row.seeding) << row.name;
        EXPECT_EQ(start.MainFormViewExists, row.closedBefore) << row.name;
        EXPECT_EQ(start.VersionForHelp, row.help) << row.name;
    }
}

// Failures of the file backend.
#ifndef _WIN32

TEST_F(PreferenceSettings, GarbledStore_GivesEveryDefault) {
    WriteText(StoreFile(), "\x01\x02 not a registry file\n[\n\"=\n");
    const TStartSettings start = ReadSettingsAtCreate();
    ExpectDefaultPreferences();
    EXPECT_FALSE(start.MainFormViewExists);
    EXPECT_EQ(start.Width, 796);
}

TEST_F(PreferenceSettings, StoreThatCannotBeSaved_ReportsItAtClose) {
    WriteText(ConfigHome() / "Ostrune", "a file where the folder should be");
    EXPECT_THROW(WriteSettingsAtClose(TCloseSettings{}), SettingsError);
    EXPECT_THROW(WriteVersionRecord(), SettingsError);
}

#endif

} // namespace
