#include "SettingsStore.h"
#include "TempConfigHome.h"

#ifndef _WIN32
#include "RegFileStore.h"
#endif

namespace fs = std::filesystem;

namespace {

using SettingsFile = TempConfigHome;

std::unique_ptr<TSettingsStore> Open() {
    return OpenSettingsStore(QuorvaSettingsKey);
}

TEST_F(SettingsFile, MissingFile_EveryReadGivesItsDefault) {
    const auto store = Open();
    EXPECT_TRUE(store->ReadBool("Preferences", "bWipe", true));
    EXPECT_FALSE(store->ReadBool("Preferences", "bWipe", false));
    EXPECT_EQ(store->ReadInteger("Preferences", "iWipePeriod", 42), 42);
    EXPECT_EQ(store->ReadString("Version", "Version", "9999"), "9999");
    EXPECT_FALSE(store->SectionExists("Preferences"));
    store->Close();
#ifndef _WIN32
    EXPECT_FALSE(fs::exists(StoreFile())) << "reading alone must not create the file";
#endif
}

TEST_F(SettingsFile, ValuesKeepTheirTypesAcrossASave) {
    {
        const auto store = Open();
        store->WriteBool("S", "b", true);
        store->WriteInteger("S", "i", -2);
        store->WriteString("S", "t", "C:\\Quorva \"1.75\"\nnext");
        store->Close();
    }
    const std::string lines = "\"b\"=\"1\"\n"
                              "\"i\"=dword:fffffffe\n"
                              "\"t\"=\"C:\\\\Quorva \\\"1.75\\\"\\nnext\"\n";
    EXPECT_EQ(LineSet(SectionText("S")), LineSet(lines));
#ifndef _WIN32
    EXPECT_EQ(ReadText(StoreFile()), "REGEDIT4\n\n" + Header("S") + "\n" + lines + "\n");
#endif
    const auto store = Open();
    EXPECT_TRUE(store->ReadBool("S", "b", false));
    EXPECT_EQ(store->ReadInteger("S", "i", 0), -2);
    EXPECT_EQ(store->ReadString("S", "t", ""), "C:\\Quorva \"1.75\"\nnext");
    EXPECT_TRUE(store->SectionExists("S"));
}

TEST_F(SettingsFile, StoredValuesReadAsIntegerAndBoolean) {
    struct Row {
        const char *name;
        const char *stored;
        int integer;  // read with default 99
        bool boolean; // read with default false
    };
    const Row rows[] = {
        {"number five", "dword:00000005", 5, true},
        {"number zero", "dword:00000000", 0, false},
        {"all ones is minus one", "dword:ffffffff", -1, true},
        {"short hex", "DWORD:1F", 31, true},
        {"string seven", "\"7\"", 7, true},
        {"string zero", "\"0\"", 0, false},
        {"negative string", "\"-12\"", -12, true},
        {"string x", "\"x\"", 99, false},
        {"empty string", "\"\"", 99, false},
        {"string with blank", "\" 7\"", 99, false},
        {"string beyond 32 bits", "\"2147483648\"", 99, false},
        {"nine hex digits", "dword:100000000", 99, false},
        {"binary value", "hex:01,00,00,00", 99, false},
    };
    std::string lines;
    for (const Row &row : rows) {
        lines += std::string("\"") + row.name + "\"=" + row.stored + "\n";
    }
    WriteStore("S", lines);
    const auto store = Open();
    for (const Row &row : rows) {
        EXPECT_EQ(store->ReadInteger("S", row.name, 99), row.integer) << row.name;
        EXPECT_EQ(store->ReadBool("S", row.name, false), row.boolean) << row.name;
    }
}

TEST_F(SettingsFile, NumberIsNoText_TextReadGivesDefault) {
    WriteStore("Version", "\"Version\"=dword:00000002\n");
    EXPECT_EQ(Open()->ReadString("Version", "Version", "0"), "0");
}

TEST_F(SettingsFile, IntegerWrittenOverAString_StaysAString_BooleanOverANumber_BecomesOne) {
    WriteStore("S", "\"i\"=\"x\"\n\"b\"=dword:00000005\n");
    {
        const auto store = Open();
        store->WriteInteger("S", "i", 7);
        store->WriteBool("S", "b", store->ReadBool("S", "b", false));
        store->WriteInteger("S", "new", 7);
    }
    const std::string text = SectionText("S");
    EXPECT_NE(text.find("\"i\"=\"7\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"b\"=\"1\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"new\"=dword:00000007\n"), std::string::npos) << text;
}

TEST_F(SettingsFile, SectionWithoutValues_CountsAsAbsent) {
    WriteStore("Empty", "");
    const auto store = Open();
    EXPECT_FALSE(store->SectionExists("Empty"));
    store->WriteInteger("Other", "i", 1);
    store->DeleteValue("Other", "i");
    store->DeleteValue("Other", "never there");
    store->DeleteValue("No such section", "i");
    EXPECT_FALSE(store->SectionExists("Other"));
}

TEST_F(SettingsFile, NamesMatchWithoutRegardToCase) {
    WriteStore("preferences", "\"BMINTOTRAY\"=\"0\"\n");
    const auto store = Open();
    EXPECT_TRUE(store->SectionExists("Preferences"));
    EXPECT_FALSE(store->ReadBool("Preferences", "bMinToTray", true));
}

// The file backend's own failure and format cases.
#ifndef _WIN32

TEST_F(SettingsFile, LinesItCannotRead_AreSkipped) {
    WriteText(StoreFile(), "\xEF\xBB\xBFREGEDIT4\r\n"
                           "; a comment\r\n"
                           "\"orphan\"=\"before any section\"\r\n"
                           "[HKEY_CURRENT_USER\\Software\\Ostrune\\Quorva\\S]\r\n"
                           "\"good\"=dword:00000003\r\n"
                           "\"unterminated\"=\"abc\r\n"
                           "\"bad escape\"=\"a\\qb\"\r\n"
                           "\"trailing\"=\"a\" junk\r\n"
                           "garbage line\r\n"
                           "  \"indented\"=\"yes\"  \r\n"
                           "[HKEY_CURRENT_USER\\Software\\Other\\S]\r\n"
                           "\"foreign\"=\"no\"\r\n"
                           "[HKEY_CURRENT_USER\\Software\\Ostrune\\Quorva\\S\\Deeper]\r\n"
                           "\"deeper\"=\"no\"\r\n"
                           "[HKEY_CURRENT_USER\\Software\\Ostrune\\Quorva\\S\r\n"
                           "\"unclosed header\"=\"no\"\r\n");
    const auto store = Open();
    EXPECT_EQ(store->ReadInteger("S", "good", 0), 3);
    EXPECT_EQ(store->ReadString("S", "indented", ""), "yes");
    for (const char *name : {"orphan", "unterminated", "bad escape", "trailing", "foreign",
                             "deeper", "unclosed header"}) {
        EXPECT_EQ(store->ReadString("S", name, "default"), "default") << name;
    }
}

TEST_F(SettingsFile, FileThatCannotBeRead_IsNeverOverwritten) {
    fs::create_directories(StoreFile() / "inside");
    const auto store = Open();
    EXPECT_EQ(store->ReadInteger("S", "i", 5), 5);
    store->WriteInteger("S", "i", 6);
    EXPECT_THROW(store->Close(), SettingsError);
    EXPECT_TRUE(fs::exists(StoreFile() / "inside"));
}

TEST_F(SettingsFile, FolderThatCannotBeCreated_CloseReportsIt) {
    WriteText(ConfigHome() / "Ostrune", "a file where the folder should be");
    const auto store = Open();
    store->WriteBool("S", "b", true);
    try {
        store->Close();
        FAIL() << "Close() did not report the failure";
    } catch (const SettingsError &error) {
        EXPECT_NE(std::string(error.what()).find("Quorva.reg"), std::string::npos) << error.what();
    }
}

TEST_F(SettingsFile, StoreClosedWithoutChanges_LeavesTheFileAlone) {
    const std::string original = "REGEDIT4\n; kept as it is\n";
    WriteText(StoreFile(), original);
    {
        const auto store = Open();
        store->DeleteValue("S", "absent");
        store->ReadBool("S", "b", false);
    }
    EXPECT_EQ(ReadText(StoreFile()), original);
}

TEST_F(SettingsFile, SaveLeavesNoTemporaryFileBehind) {
    {
        const auto store = Open();
        store->WriteBool("S", "b", true);
    }
    int files = 0;
    for ([[maybe_unused]] const auto &entry : fs::directory_iterator(StoreFile().parent_path())) {
        ++files;
    }
    EXPECT_EQ(files, 1);
}

TEST_F(SettingsFile, LinkedFile_IsUpdatedThroughTheLink) {
    const fs::path target = Root / "dotfiles" / "Quorva.reg";
    WriteText(target, "REGEDIT4\n");
    fs::create_directories(StoreFile().parent_path());
    fs::create_symlink(target, StoreFile());
    Open()->WriteInteger("S", "i", 4);
    EXPECT_TRUE(fs::is_symlink(StoreFile()));
    EXPECT_NE(ReadText(target).find("\"i\"=dword:00000004"), std::string::npos);
}

TEST_F(SettingsFile, ConfigHomeNotAbsolute_FallsBackToHomeDotConfig) {
    ::setenv("XDG_CONFIG_HOME", "relative/config", 1);
    ::setenv("HOME", Root.c_str(), 1);
    EXPECT_EQ(RegFilePathFor(QuorvaSettingsKey), Root / ".config" / "Ostrune" / "Quorva.reg");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(RegFilePathFor(QuorvaSettingsKey), Root / ".config" / "Ostrune" / "Quorva.reg");
}

#endif

} // namespace
