#include "StartupEntry.h"
#include "Preferences.h"
#include "SettingsStore.h"
#include "TempConfigHome.h"

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32

using RunValue = TempConfigHome;

constexpr char RunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// The text of a value under the Run key, or nothing when there is no such text value.
std::optional<std::string> ReadRunValue(const char *name) {
    char data[1024];
    DWORD size = sizeof data;
    if (RegGetValueA(HKEY_CURRENT_USER, RunKey, name, RRF_RT_REG_SZ, nullptr, data, &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::string(data);
}

TEST_F(RunValue, Enabled_WritesThePathWithoutQuotesAndTheArgument) {
    WriteStartupEntry("C:\\Program Files\\Quorva\\quorva.exe", true);
    EXPECT_EQ(ReadRunValue("Ostrune Quorva"), "C:\\Program Files\\Quorva\\quorva.exe /startup");
}

TEST_F(RunValue, PathOutsideAscii_IsStoredAsTheSameCharacters) {
    const char8_t path[] = u8"C:\\Users\\J\u00f6rg\\\u65e5\\quorva.exe";
    WriteStartupEntry(reinterpret_cast<const char *>(path), true);
    wchar_t data[256];
    DWORD size = sizeof data;
    ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                           L"Ostrune Quorva", RRF_RT_REG_SZ, nullptr, data, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(data), L"C:\\Users\\J\u00f6rg\\\u65e5\\quorva.exe /startup");
}

TEST_F(RunValue, Disabled_RemovesTheValueOnly_AndMissingValueIsNoError) {
    const char other[] = "C:\\other.exe";
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, RunKey, "Other", REG_SZ, other, sizeof other),
              ERROR_SUCCESS);
    WriteStartupEntry("C:\\Quorva\\quorva.exe", true);
    WriteStartupEntry("C:\\Quorva\\quorva.exe", false);
    EXPECT_EQ(ReadRunValue("Ostrune Quorva"), std::nullopt);
    EXPECT_EQ(ReadRunValue("Other"), "C:\\other.exe");
    EXPECT_NO_THROW(WriteStartupEntry("C:\\Quorva\\quorva.exe", false));
}

TEST_F(RunValue, WithoutAFlag_FollowsTheLoadAtStartupPreference) {
    ResetPreferences();
    WriteStartupEntry("C:\\Quorva\\quorva.exe");
    EXPECT_EQ(ReadRunValue("Ostrune Quorva"), "C:\\Quorva\\quorva.exe /startup");
    bLoadAtStartup = false;
    WriteStartupEntry("C:\\Quorva\\quorva.exe");
    ResetPreferences();
    EXPECT_EQ(ReadRunValue("Ostrune Quorva"), std::nullopt);
}

#else

using AutostartEntry = TempConfigHome;

TEST_F(AutostartEntry, Enabled_WritesADesktopEntryThatStartsWithTheArgument) {
    WriteStartupEntry("/opt/quorva/quorva", true);
    EXPECT_EQ(AutostartEntryPath(), ConfigHome() / "autostart" / "quorva.desktop");
    EXPECT_EQ(ReadText(AutostartEntryPath()), "[Desktop Entry]\n"
                                              "Type=Application\n"
                                              "Name=Quorva\n"
                                              "Exec=\"/opt/quorva/quorva\" /startup\n"
                                              "Terminal=false\n");
}

TEST_F(AutostartEntry, Disabled_RemovesTheEntry_AndMissingEntryIsNoError) {
    WriteStartupEntry("/opt/quorva/quorva", true);
    WriteStartupEntry("/opt/quorva/quorva", false);
    EXPECT_FALSE(fs::exists(AutostartEntryPath()));
    EXPECT_NO_THROW(WriteStartupEntry("/opt/quorva/quorva", false));
}

TEST_F(AutostartEntry, WithoutAFlag_FollowsTheLoadAtStartupPreference) {
    ResetPreferences();
    WriteStartupEntry("/opt/quorva/quorva");
    EXPECT_TRUE(fs::exists(AutostartEntryPath()));
    bLoadAtStartup = false;
    WriteStartupEntry("/opt/quorva/quorva");
    ResetPreferences();
    EXPECT_FALSE(fs::exists(AutostartEntryPath()));
}

TEST_F(AutostartEntry, Enabled_ReplacesAnOlderEntry) {
    WriteStartupEntry("/old/place/quorva", true);
    WriteStartupEntry("/new/place/quorva", true);
    EXPECT_NE(ReadText(AutostartEntryPath()).find("Exec=\"/new/place/quorva\" /startup"),
              std::string::npos);
}

TEST(DesktopExecValue, QuotesEveryPathSoItReachesTheProgramUnchanged) {
    struct Row {
        const char *name;
        std::string path;
        std::string exec;
    };
    const Row rows[] = {
        {"plain", "/usr/bin/quorva", R"("/usr/bin/quorva" /startup)"},
        {"blank", "/home/a b/quorva", R"("/home/a b/quorva" /startup)"},
        {"double quote", "/x\"y/quorva", R"("/x\\"y/quorva" /startup)"},
        {"dollar and backtick", "/$HOME/`q`", R"("/\\$HOME/\\`q\\`" /startup)"},
        {"backslash", "/a\\b/quorva", R"("/a\\\\b/quorva" /startup)"},
        {"percent", "/100%/quorva", R"("/100%%/quorva" /startup)"},
        {"line break and tab", "/a\nb\tc", R"("/a\nb\tc" /startup)"},
        {"single quote and semicolon", "/it's;here", R"("/it's;here" /startup)"},
    };
    for (const Row &row : rows) {
        EXPECT_EQ(DesktopExecValue(row.path), row.exec) << row.name;
    }
}

TEST_F(AutostartEntry, FolderThatCannotBeWritten_RaisesAnErrorWithThePath) {
    WriteText(ConfigHome() / "autostart", "a file where the folder should be");
    try {
        WriteStartupEntry("/opt/quorva/quorva", true);
        FAIL() << "no error raised";
    } catch (const SettingsError &error) {
        EXPECT_NE(std::string(error.what()).find("quorva.desktop"), std::string::npos)
            << error.what();
    }
}

TEST_F(AutostartEntry, EntryThatCannotBeRemoved_RaisesAnError) {
    WriteText(AutostartEntryPath() / "in the way", "");
    EXPECT_THROW(WriteStartupEntry("/opt/quorva/quorva", false), SettingsError);
}

#endif

} // namespace
