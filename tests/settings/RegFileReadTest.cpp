// The settings file as other programs leave it: other line ends, byte-order marks, UTF-16 from
// the registry editor; and a file that is not understood at all, which is kept aside.

#include "SettingsStore.h"
#include "TempConfigHome.h"

#ifndef _WIN32

namespace fs = std::filesystem;

namespace {

// Starts with no notice left over from another test of the same process.
class RegFileRead : public TempConfigHome {
protected:
    void SetUp() override {
        TempConfigHome::SetUp();
        TakeSettingsNotice();
    }

    fs::path BadFile() const { return fs::path(StoreFile()) += ".bad"; }

    std::string NoticeFor() const {
        return "The settings file " + StoreFile().string() + " could not be read; it was kept as " +
               BadFile().string() + " and the defaults are used.";
    }
};

std::unique_ptr<TSettingsStore> Open() {
    return OpenSettingsStore(QuorvaSettingsKey);
}

enum class TEncoding { Utf8, Utf8WithMark, Utf16Le, Utf16Be };

// `utf8` in the given encoding; UTF-16 comes with its byte-order mark.
std::string Encoded(const std::string &utf8, TEncoding encoding) {
    if (encoding == TEncoding::Utf8) {
        return utf8;
    }
    if (encoding == TEncoding::Utf8WithMark) {
        return "\xEF\xBB\xBF" + utf8;
    }
    const bool bigEndian = encoding == TEncoding::Utf16Be;
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    const auto putUnit = [&](char32_t unit) {
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xFF);
        out += bigEndian ? high : low;
        out += bigEndian ? low : high;
    };
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t c = length == 1 ? lead : lead & (0x3F >> (length - 1));
        for (std::size_t k = 1; k < length; ++k) {
            c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        }
        i += length;
        if (c >= 0x10000) {
            putUnit(0xD800 + ((c - 0x10000) >> 10));
            putUnit(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            putUnit(c);
        }
    }
    return out;
}

TEST_F(RegFileRead, AnyLineEndAndEncoding_EveryValueComesBack) {
    struct Row {
        const char *name;
        const char *header;
        const char *lineEnd;
        TEncoding encoding;
    };
    const char *const regedit4 = "REGEDIT4";
    const char *const editor = "Windows Registry Editor Version 5.00";
    const Row rows[] = {
        {"LF only", regedit4, "\n", TEncoding::Utf8},
        {"CR LF", regedit4, "\r\n", TEncoding::Utf8},
        {"CR only", regedit4, "\r", TEncoding::Utf8},
        {"UTF-8 byte-order mark", regedit4, "\r\n", TEncoding::Utf8WithMark},
        {"registry editor export: UTF-16 LE, mark, CR LF", editor, "\r\n", TEncoding::Utf16Le},
        {"UTF-16 BE with mark, LF", editor, "\n", TEncoding::Utf16Be},
        {"UTF-16 LE with mark, CR only", regedit4, "\r", TEncoding::Utf16Le},
        {"newer header in UTF-8, LF", editor, "\n", TEncoding::Utf8},
    };
    // Two-, three- and four-byte characters: "Zürich ♫ 📅".
    const std::string City = "Z\xC3\xBCrich \xE2\x99\xAB \xF0\x9F\x93\x85";
    for (const Row &row : rows) {
        // As the registry editor exports it: the parent key without values, a value type this
        // store does not read, and a blank line after each key.
        const std::string lines[] = {
            row.header,
            "",
            "[HKEY_CURRENT_USER\\Software\\Ostrune\\Quorva]",
            "",
            Header("Preferences"),
            "\"bMinToTray\"=\"0\"",
            "\"iRemThreshold\"=dword:0000002a",
            "\"City\"=\"" + City + "\"",
            "\"Raw\"=hex:01,02",
            "",
            Header("Version"),
            "\"Version\"=\"1.75\"",
            "",
        };
        std::string text;
        for (const std::string &line : lines) {
            text += line + row.lineEnd;
        }
        WriteText(StoreFile(), Encoded(text, row.encoding));
        {
            const auto store = Open();
            EXPECT_FALSE(store->ReadBool("Preferences", "bMinToTray", true)) << row.name;
            EXPECT_EQ(store->ReadInteger("Preferences", "iRemThreshold", 2), 42) << row.name;
            EXPECT_EQ(store->ReadString("Preferences", "City", ""), City) << row.name;
            EXPECT_EQ(store->ReadString("Version", "Version", "9999"), "1.75") << row.name;
            EXPECT_TRUE(store->SectionExists("Preferences")) << row.name;
        }
        EXPECT_FALSE(fs::exists(BadFile())) << row.name;
        EXPECT_EQ(TakeSettingsNotice(), "") << row.name;
    }
}

TEST_F(RegFileRead, ValuesReadFromAnExport_AreWrittenBackAsRegedit4InUtf8) {
    WriteText(StoreFile(),
              Encoded("Windows Registry Editor Version 5.00\r\n\r\n" + Header("S") +
                          "\r\n\"City\"=\"Z\xC3\xBCrich\"\r\n\"n\"=dword:00000007\r\n\r\n",
                      TEncoding::Utf16Le));
    {
        const auto store = Open();
        store->WriteBool("S", "b", true);
        store->Close();
    }
    EXPECT_EQ(ReadText(StoreFile()), "REGEDIT4\n\n" + Header("S") +
                                         "\n\"City\"=\"Z\xC3\xBCrich\"\n\"n\"=dword:00000007\n"
                                         "\"b\"=\"1\"\n\n");
}

TEST_F(RegFileRead, FileWithoutHeaderOrKey_IsKeptAsBad_NoticeGivenOnce_ValuesThenWritten) {
    struct Row {
        const char *name;
        std::string bytes;
    };
    const Row rows[] = {
        {"binary", std::string("\x00\xff\x13[[[\"\"=\n\"\\\x7f\x80\x00", 15)},
        {"prose", "These are not the settings you are looking for.\n"},
        {"values outside any key", "\"bMinToTray\"=\"0\"\r\n\"iRemThreshold\"=dword:00000007\r\n"},
        {"an INI file", "[Preferences]\nbMinToTray=0\n"},
        {"UTF-16 mark, then binary", std::string("\xFF\xFE\x01\xD8\x00\x00\x41", 7)},
        {"only NUL bytes", std::string(16, '\0')},
    };
    for (const Row &row : rows) {
        WriteText(StoreFile(), row.bytes);
        {
            const auto store = Open();
            EXPECT_EQ(store->ReadInteger("Preferences", "iRemThreshold", 2), 2) << row.name;
            EXPECT_FALSE(store->SectionExists("Preferences")) << row.name;
            EXPECT_FALSE(fs::exists(StoreFile())) << row.name << ": moved at once";
            EXPECT_EQ(TakeSettingsNotice(), NoticeFor()) << row.name;
            EXPECT_EQ(TakeSettingsNotice(), "") << row.name << ": given only once";
            store->WriteInteger("Preferences", "iRemThreshold", 5);
            EXPECT_NO_THROW(store->Close()) << row.name;
        }
        EXPECT_EQ(ReadText(BadFile()), row.bytes) << row.name;
        EXPECT_EQ(Open()->ReadInteger("Preferences", "iRemThreshold", 2), 5) << row.name;
        EXPECT_EQ(TakeSettingsNotice(), "") << row.name << ": the new file is understood";
    }
}

TEST_F(RegFileRead, LaterBadFile_ReplacesTheOlderBadCopy) {
    WriteText(StoreFile(), "first bad file\n");
    Open();
    WriteText(StoreFile(), "second bad file\n");
    Open();
    EXPECT_EQ(ReadText(BadFile()), "second bad file\n");
    EXPECT_EQ(TakeSettingsNotice(), NoticeFor());
    EXPECT_EQ(TakeSettingsNotice(), "");
}

TEST_F(RegFileRead, UnderstoodOrBlankFile_IsNeitherMovedNorNoticed) {
    struct Row {
        const char *name;
        std::string text;
    };
    const Row rows[] = {
        {"empty", ""},
        {"blank lines only", "\r\n  \n\t\r"},
        {"header only", "REGEDIT4\n"},
        {"newer header in UTF-16 LE only",
         Encoded("Windows Registry Editor Version 5.00\r\n", TEncoding::Utf16Le)},
        {"key line without header", Header("Preferences") + "\n\"bMinToTray\"=\"0\"\n"},
        {"another program's key", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Other]\n"},
        {"header among unreadable lines", "junk\nREGEDIT4\n\x01\x02\n"},
    };
    for (const Row &row : rows) {
        WriteText(StoreFile(), row.text);
        {
            const auto store = Open();
            store->WriteInteger("S", "i", 1);
            EXPECT_NO_THROW(store->Close()) << row.name;
        }
        EXPECT_FALSE(fs::exists(BadFile())) << row.name;
        EXPECT_EQ(TakeSettingsNotice(), "") << row.name;
        EXPECT_EQ(Open()->ReadInteger("S", "i", 0), 1) << row.name;
    }
}

TEST_F(RegFileRead, BadFileThatCannotBeSetAside_IsNeverOverwritten) {
    const std::string original = "not a settings file\n";
    WriteText(StoreFile(), original);
    WriteText(BadFile() / "in the way", "");
    const auto store = Open();
    EXPECT_EQ(TakeSettingsNotice(), "");
    store->WriteInteger("S", "i", 1);
    EXPECT_THROW(store->Close(), SettingsError);
    EXPECT_EQ(ReadText(StoreFile()), original);
}

TEST_F(RegFileRead, BadFileBehindALink_LinkIsKeptAsBad_TargetUntouched) {
    const fs::path target = Root / "dotfiles" / "Quorva.reg";
    WriteText(target, "not a settings file\n");
    fs::create_directories(StoreFile().parent_path());
    fs::create_symlink(target, StoreFile());
    Open()->WriteInteger("S", "i", 1);
    EXPECT_TRUE(fs::is_symlink(BadFile()));
    EXPECT_EQ(ReadText(target), "not a settings file\n");
    EXPECT_EQ(Open()->ReadInteger("S", "i", 0), 1);
}

} // namespace

#endif
