#include "Pool.h"
#include "TempFolder.h"
#include "WithoutRoot.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace std::chrono;

namespace {

const sys_days Today = sys_days{2025y / March / 10};

TEvents LoadText(const std::string &content, int wipeMonths = 0) {
    TempFolder folder;
    const std::string path = folder.File("quorva.ini");
    TempFolder::Write(path, content);
    TEvents events;
    events.LoadFromIni(path, wipeMonths, Today);
    return events;
}

} // namespace

TEST(EventTextEncoding, TurnsEveryKindOfLineBreakIntoBackslashN) {
    struct Row {
        const char *name;
        std::string text, value;
    } rows[] = {
        {"CR LF", "Dentist\r\nBring the card", "Dentist\\nBring the card"},
        {"LF CR", "a\n\rb", "a\\nb"},
        {"CR alone", "a\rb", "a\\nb"},
        {"LF alone", "a\nb", "a\\nb"},
        {"two CR LF", "a\r\n\r\nb", "a\\n\\nb"},
        {"backslash kept", "C:\\temp", "C:\\temp"},
    };
    for (const Row &row : rows)
        EXPECT_EQ(EncodeEventText(row.text), row.value) << row.name;
}

TEST(EventTextEncoding, CutsTextsLongerThan4096To4095Characters) {
    EXPECT_EQ(EncodeEventText(std::string(4096, 'a')).size(), 4096u);
    EXPECT_EQ(EncodeEventText(std::string(4097, 'a')).size(), 4095u);
    EXPECT_EQ(DecodeEventText(std::string(4096, 'a')).size(), 4096u);
    EXPECT_EQ(DecodeEventText(std::string(5000, 'a')).size(), 4095u);
}

TEST(EventTextDecoding, TurnsBackslashNIntoCrLfAndKeepsOtherBackslashes) {
    EXPECT_EQ(DecodeEventText("a\\nb"), "a\r\nb");
    EXPECT_EQ(DecodeEventText("C:\\temp\\"), "C:\\temp\\");
    EXPECT_EQ(DecodeEventText("a\\N"), "a\\N");
}

TEST(EventsFileSave, OneMondayEventGivesOnlyTheWeeklySection) {
    TempFolder folder;
    const std::string path = folder.File("quorva.ini");
    TEvents events;
    events.SetWeekly(2, "text");
    events.SaveToIni(path);
    EXPECT_EQ(TempFolder::Read(path), "[Weekly]\r\n2=text\r\n");
}

TEST(EventsFileSave, WritesTheFiveSectionsInOrderAfterOtherSections) {
    TempFolder folder;
    const std::string path = folder.File("quorva.ini");
    TempFolder::Write(path, "[Yearly]\r\n1/1=old\r\n[Notes]\r\nkeep = me\r\n; comment\r\n");
    TEvents events;
    events.SetNWeekdayly(4, 5, 11, "Thanksgiving");
    events.SetYearly(12, 25, "Christmas");
    events.SetMonthly(1, "Rent");
    events.SetWeekly(7, "Market");
    events.SetOnce(3, 7, 2025, "Trip\r\nPack");
    events.SaveToIni(path);
    EXPECT_EQ(TempFolder::Read(path),
              "[Notes]\r\nkeep = me\r\n; comment\r\n"
              "[Once]\r\n3/7/2025=Trip\\nPack\r\n[Weekly]\r\n7=Market\r\n[Monthly]\r\n1=Rent\r\n"
              "[Yearly]\r\n12/25=Christmas\r\n[NWeekdayly]\r\n4/5/11=Thanksgiving\r\n");
}

TEST(EventsFileSave, AnEmptyStoreRemovesTheFiveSections) {
    TempFolder folder;
    const std::string path = folder.File("quorva.ini");
    TempFolder::Write(path, "[Once]\r\n1/1/2030=a\r\n[Weekly]\r\n1=b\r\n");
    TEvents().SaveToIni(path);
    EXPECT_EQ(TempFolder::Read(path), "");
}

TEST(EventsFileRoundTrip, KeepsTextsAndTurnsAWrittenBackslashNIntoABreak) {
    TempFolder folder;
    const std::string path = folder.File("quorva.ini");
    TEvents events;
    events.SetYearly(5, 1, "Line one\r\nLine two");
    events.SetYearly(5, 2, "typed \\n here");
    events.SaveToIni(path);
    TEvents loaded;
    loaded.LoadFromIni(path, 1, Today);
    EXPECT_EQ(loaded.GetYearly(5, 1), "Line one\r\nLine two");
    EXPECT_EQ(loaded.GetYearly(5, 2), "typed \r\n here");
}

TEST(EventsFileLoad, OneTimeKeyWithLeadingZeros_KeptButNeverShown) {
    TempFolder folder;
    const std::string path = folder.File("quorva.ini");
    TempFolder::Write(path, "[Once]\r\n01/05/2030=Padded\r\n");
    TEvents events;
    events.LoadFromIni(path, 0, Today);
    EXPECT_EQ(events.Once.count("01/05/2030"), 1u);
    EXPECT_EQ(events.EventsOfDate(1, 5, 2030, ", "), "");
    events.SaveToIni(path);
    EXPECT_EQ(TempFolder::Read(path), "[Once]\r\n01/05/2030=Padded\r\n");
}

TEST(EventsFileLoad, SkipsUnreadableKeysAndEmptyValues) {
    const TEvents events = LoadText("[Weekly]\r\nabc=x\r\n9=nine\r\n0x2=hex\r\n99999999999=big\r\n"
                                    "-3=negative\r\n[Once]\r\n2/30/2025=bad\r\nsoon=bad\r\n"
                                    "[Yearly]\r\n12/25=\r\nanything=kept\r\n");
    EXPECT_EQ(events.Weekly.size(), 2u);
    EXPECT_EQ(events.Weekly.at(9), "nine");
    EXPECT_EQ(events.Weekly.at(-3), "negative");
    EXPECT_TRUE(events.Once.empty());
    EXPECT_EQ(events.Yearly.size(), 1u);
    EXPECT_EQ(events.Yearly.at("anything"), "kept");
}

TEST(EventsFileLoad, WipeDropsOneTimeEventsFrom62DaysBackWithOneMonth) {
    const std::string content =
        "[Once]\r\n1/8/2025=61 days\r\n1/7/2025=62 days\r\n12/31/2030=future\r\n";
    const TEvents wiped = LoadText(content, 1);
    EXPECT_EQ(wiped.Once.count("1/8/2025"), 1u);
    EXPECT_EQ(wiped.Once.count("1/7/2025"), 0u);
    EXPECT_EQ(wiped.Once.count("12/31/2030"), 1u);
    EXPECT_EQ(LoadText(content, 0).Once.size(), 3u);
    EXPECT_EQ(LoadText(content, -1).Once.size(), 3u);
}

TEST(EventsFileLoad, ALaterKeyForTheSameEntryReplacesItButARepeatedKeyReadsItsFirstValue) {
    EXPECT_EQ(LoadText("[Monthly]\r\n5=first\r\n05=second\r\n").Monthly.at(5), "second");
    EXPECT_EQ(LoadText("[Monthly]\r\n5=first\r\n05=second\r\n5=third\r\n").Monthly.at(5), "first");
}

TEST(EventsFileLoad, KeepsLoadedTextsUntrimmedAndReplacesThePreviousContent) {
    TEvents events;
    events.SetWeekly(1, "before");
    TempFolder folder;
    const std::string path = folder.File("quorva.ini");
    TempFolder::Write(path, "[Monthly]\r\n3=\\nafter\r\n");
    events.LoadFromIni(path, 0, Today);
    EXPECT_TRUE(events.Weekly.empty());
    EXPECT_EQ(events.Monthly.at(3), "\r\nafter");
}

TEST(EventsFileLoad, BadInputNeverCrashesTheLoader) {
    std::string garbage;
    for (int i = 0; i < 200000; ++i)
        garbage.push_back(static_cast<char>((i * 31 + i / 7) % 256));
    std::string nulKeys = "[Once]\r\n1/1/2030\0=x\r\n[Weekly]\r\n1=a\0b\r\n";
    nulKeys.assign("[Once]\r\n1/1/2030\0=x\r\n[Weekly]\r\n1=a\0b\r\n", 36);
    struct Row {
        const char *name;
        std::string content;
    } rows[] = {
        {"binary garbage", garbage},
        {"no sections", "1=a\r\n2=b\r\n"},
        {"lines without equals", "[Weekly]\r\njust text\r\n[Once\r\n]\r\n"},
        {"ten megabyte line", "[Weekly]\r\n1=" + std::string(10'000'000, 'y')},
        {"NUL bytes", nulKeys},
        {"keys out of range", "[Monthly]\r\n2147483648=x\r\n-2147483649=y\r\n[Once]\r\n"
                              "1/1/99999=z\r\n0/0/0=w\r\n"},
        {"empty file", ""},
    };
    for (const Row &row : rows) {
        TEvents events;
        EXPECT_NO_THROW(events = LoadText(row.content)) << row.name;
        EXPECT_NO_THROW(events.BuildReminders(31, Today)) << row.name;
    }
    EXPECT_EQ(LoadText("[Weekly]\r\n1=" + std::string(10'000'000, 'y')).Weekly.at(1).size(), 4095u);
    EXPECT_EQ(LoadText(nulKeys).Weekly.at(1), std::string("a\0b", 3));
}

TEST(EventsFileRoundTrip, WorksInAFolderWhoseNameIsNotAscii) {
    // Paths reach the core as UTF-8, the way std::filesystem and Qt hand them out; Windows
    // would read the same bytes in its ANSI code page unless they are converted.
    TempFolder folder;
    const std::filesystem::path place = folder.Path() / std::filesystem::path(u8"J\u00f6rg \u65e5");
    std::filesystem::create_directories(place);
    const std::string path = (place / "quorva.ini").string();
    TEvents events;
    events.SetWeekly(3, "text");
    events.SaveToIni(path);
    EXPECT_TRUE(std::filesystem::exists(place / "quorva.ini"));
    TEvents loaded;
    loaded.LoadFromIni(path, 0, Today);
    EXPECT_EQ(loaded.GetWeekly(3), "text");
}

TEST(EventsFileLoad, APathThatIsNotUtf8IsAMissingFile) {
    TempFolder folder;
    TEvents events;
    const std::string path = folder.Path().string() + "/J\xF6rg \xFF.ini";
    EXPECT_NO_THROW(events.LoadFromIni(path, 0, Today));
    EXPECT_TRUE(events.Weekly.empty());
}

TEST(EventsFileLoad, AMissingFileGivesAnEmptyStore) {
    TempFolder folder;
    TEvents events;
    events.SetWeekly(1, "x");
    events.LoadFromIni(folder.File("absent.ini"), 1, Today);
    EXPECT_TRUE(events.Weekly.empty());
}

TEST(EventsFileLoad, AnUnreadableFileRaisesAnErrorAndKeepsTheStore) {
    TempFolder folder;
    TEvents events;
    events.SetWeekly(1, "x");
    // A folder where the file should be cannot be read, even by root.
    EXPECT_THROW(events.LoadFromIni(folder.Path().string(), 1, Today), QuorvaError);
    EXPECT_EQ(events.GetWeekly(1), "x");
}

TEST(EventsFileSave, AFailedSaveRaisesTheErrorAndLeavesTheOldFileAndNoTemporaryFile) {
#ifdef _WIN32
    GTEST_SKIP() << "a folder's read-only attribute does not stop writing in it on Windows";
#else
    TempFolder folder;
    const std::string path = folder.File("quorva.ini");
    TempFolder::Write(path, "[Weekly]\r\n1=old\r\n");
    const std::string result = RunWithoutRoot(folder.Path(), [&]() -> std::string {
        std::filesystem::permissions(folder.Path(), std::filesystem::perms::owner_read |
                                                        std::filesystem::perms::owner_exec);
        TEvents events;
        events.SetWeekly(2, "new");
        std::string message;
        try {
            events.SaveToIni(path);
        } catch (const QuorvaError &error) {
            message = error.what();
        }
        std::filesystem::permissions(folder.Path(), std::filesystem::perms::owner_all);
        if (message != "Unable to write to " + path + ": " +
                           std::make_error_code(std::errc::permission_denied).message())
            return "the message is \"" + message + "\"";
        if (TempFolder::Read(path) != "[Weekly]\r\n1=old\r\n" || events.GetWeekly(2) != "new")
            return "the old file or the change in memory was lost";
        if (std::distance(std::filesystem::directory_iterator(folder.Path()),
                          std::filesystem::directory_iterator()) != 1)
            return "files were left beside the events file";
        return "";
    });
    if (result.rfind("skip: ", 0) == 0)
        GTEST_SKIP() << result;
    EXPECT_EQ(result, "");
#endif
}

TEST(EventsFileSave, ATargetThatIsAFolderFailsWithTheErrorAndNoTemporaryFile) {
    TempFolder folder;
    const std::string path = folder.File("quorva.ini");
    std::filesystem::create_directory(path);
    TEvents events;
    events.SetWeekly(2, "new");
    EXPECT_THROW(events.SaveToIni(path), QuorvaError);
    EXPECT_TRUE(std::filesystem::is_directory(path));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()),
                            std::filesystem::directory_iterator()),
              1);
}

// What others place beside the file, under the names a save might use, is never opened:
// neither a file nor a link (to a file of the user's, or leading nowhere).
TEST(EventsFileSave, NeverOpensAnythingPlantedBesideTheFile) {
    TempFolder folder;
    const std::string path = folder.File("quorva.ini");
    TempFolder::Write(path, "[Weekly]\r\n1=old\r\n");
    const std::string thesis = folder.File("thesis.txt");
    TempFolder::Write(thesis, "my thesis");
    std::error_code error;
    std::filesystem::create_symlink(thesis, path + ".tmp", error);
    if (error)
        GTEST_SKIP() << "no symbolic links here (on Windows they need a privilege)";
    std::filesystem::create_symlink(folder.Path() / "missing" / "target", path + ".bak.tmp", error);
    std::filesystem::create_directories(path + ".tmp-blocked");
    TEvents events;
    events.SetWeekly(2, "new");
    events.SaveToIni(path);
    EXPECT_EQ(TempFolder::Read(path), "[Weekly]\r\n2=new\r\n");
    EXPECT_FALSE(std::filesystem::is_symlink(path));
    EXPECT_EQ(TempFolder::Read(thesis), "my thesis");
    EXPECT_TRUE(std::filesystem::is_symlink(path + ".tmp"));
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "missing"));
}

// Users keep the file in a synced folder through a link: the link stays and its target is
// what changes, crash-safely in the target's folder.
TEST(EventsFileSave, ALinkedFileStaysLinkedAndItsTargetIsReplaced) {
    TempFolder folder;
    std::filesystem::create_directories(folder.Path() / "synced");
    const std::string target = (folder.Path() / "synced" / "calendar.ini").string();
    TempFolder::Write(target, "[Weekly]\r\n1=old\r\n");
    const std::string path = folder.File("quorva.ini");
    std::error_code error;
    std::filesystem::create_symlink(std::filesystem::path("synced") / "calendar.ini", path, error);
    if (error)
        GTEST_SKIP() << "no symbolic links here (on Windows they need a privilege)";
    TEvents events;
    events.LoadFromIni(path, 0, Today);
    events.SetWeekly(2, "new");
    events.SaveToIni(path);
    EXPECT_TRUE(std::filesystem::is_symlink(path));
    EXPECT_EQ(TempFolder::Read(target), "[Weekly]\r\n1=old\r\n2=new\r\n");
    EXPECT_EQ(TempFolder::Read(target + ".bak"), "[Weekly]\r\n1=old\r\n");
}

#ifndef _WIN32
TEST(EventsFileSave, KeepsThePermissionBitsAndGivesANewFileTheUmask) {
    TempFolder folder;
    const std::string path = folder.File("quorva.ini");
    TempFolder::Write(path, "[Weekly]\r\n1=old\r\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::owner_write);
    TEvents events;
    events.SetWeekly(2, "new");
    events.SaveToIni(path);
    EXPECT_EQ(std::filesystem::status(path).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    const mode_t old = umask(027);
    const std::string fresh = folder.File("fresh.ini");
    events.SaveToIni(fresh);
    umask(old);
    EXPECT_EQ(std::filesystem::status(fresh).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                  std::filesystem::perms::group_read);
}

// The windows and quorva-cli show the system's reason with the path.
TEST(EventsFileSave, AFailureNamesTheSystemsReason) {
    TEvents events;
    events.SetWeekly(2, "new");
    const std::string path = "/proc/quorva-test/quorva.ini";
    try {
        events.SaveToIni(path);
        FAIL() << "a save into /proc succeeded";
    } catch (const QuorvaError &error) {
        const std::string message = error.what();
        EXPECT_EQ(message.rfind("Unable to write to " + path + ": ", 0), 0u) << message;
        EXPECT_GT(message.size(), ("Unable to write to " + path + ": ").size()) << message;
    }
}
#endif

TEST(EventsFileLoad, SkipsAByteOrderMarkSoTheFirstSectionIsRead) {
    const TEvents events = LoadText("\xEF\xBB\xBF[Weekly]\r\n2=Gym\r\n[Monthly]\r\n1=Rent\r\n");
    EXPECT_EQ(events.GetWeekly(2), "Gym");
    EXPECT_EQ(events.GetMonthly(1), "Rent");
}

TEST(EventsFileLoad, ReadsTwoCopiesOfASectionAsOneAndTheSaveKeepsEveryEntry) {
    TempFolder folder;
    const std::string path = folder.File("quorva.ini");
    TempFolder::Write(path, "[Weekly]\r\n2=Gym\r\n[Monthly]\r\n1=Rent\r\n"
                            "[weekly]\r\n2=Second copy\r\n3=Choir\r\n");
    TEvents events;
    events.LoadFromIni(path, 0, Today);
    EXPECT_EQ(events.GetWeekly(2), "Gym") << "the earlier copy's key wins";
    EXPECT_EQ(events.GetWeekly(3), "Choir") << "the later copy adds what the earlier lacks";
    events.SaveToIni(path);
    EXPECT_EQ(TempFolder::Read(path), "[Weekly]\r\n2=Gym\r\n3=Choir\r\n[Monthly]\r\n1=Rent\r\n");
}

// Bytes that are no valid UTF-8 (a file written in a Windows code page) go back unchanged.
TEST(EventsFileRoundTrip, KeepsTextsThatAreNotUtf8ByteForByte) {
    TempFolder folder;
    const std::string path = folder.File("quorva.ini");
    const std::string content = "[Weekly]\r\n2=caf\xE9\r\n[Yearly]\r\n12/25=No\xEBl \x80 5\r\n";
    TempFolder::Write(path, content);
    TEvents events;
    events.LoadFromIni(path, 0, Today);
    events.SaveToIni(path);
    EXPECT_EQ(TempFolder::Read(path), content);
}

// A rename would replace a read-only file in a writable folder; the file's protection wins.
TEST(EventsFileSave, AReadOnlyFileInAWritableFolderIsNotReplaced) {
#ifdef _WIN32
    GTEST_SKIP() << "checked with a user without root on Linux";
#else
    TempFolder folder;
    const std::string path = folder.File("quorva.ini");
    TempFolder::Write(path, "[Weekly]\r\n1=old\r\n");
    const std::string result = RunWithoutRoot(folder.Path(), [&path]() -> std::string {
        std::filesystem::permissions(path, std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::remove);
        TEvents events;
        events.SetWeekly(2, "new");
        try {
            events.SaveToIni(path);
            return "a read-only file was replaced";
        } catch (const QuorvaError &error) {
            if (std::string(error.what()).find(": Permission denied") == std::string::npos)
                return std::string("the reason is not named: ") + error.what();
        }
        if (TempFolder::Read(path) != "[Weekly]\r\n1=old\r\n")
            return "the read-only file changed";
        std::filesystem::permissions(path, std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::add);
        events.SaveToIni(path);
        return TempFolder::Read(path) == "[Weekly]\r\n2=new\r\n" ? "" : "the retry failed";
    });
    if (result.rfind("skip: ", 0) == 0)
        GTEST_SKIP() << result;
    EXPECT_EQ(result, "");
#endif
}

TEST(EventTextEncoding, ACutNeverSplitsAUtf8Character) {
    const std::string cyrillic = "\xD0\x96"; // one character, two bytes
    std::string text;
    for (int i = 0; i < 2100; ++i)
        text += cyrillic;
    const std::string value = EncodeEventText(text);
    EXPECT_EQ(value.size(), 4094u) << "4095 would end in half a character";
    EXPECT_EQ(value.substr(value.size() - 2), cyrillic);
    // Bytes of a Windows code page are cut where they always were.
    EXPECT_EQ(EncodeEventText(std::string(5000, '\xE9')).size(), 4095u);
}

#ifndef _WIN32
TEST(EventsFileSave, TheBackupIsAsPrivateAsTheFile) {
    TempFolder folder;
    const std::string path = folder.File("quorva.ini");
    TempFolder::Write(path, "[Weekly]\r\n1=private\r\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::owner_write);
    const mode_t old = umask(022);
    TEvents events;
    events.SetWeekly(2, "new");
    events.SaveToIni(path);
    umask(old);
    EXPECT_EQ(std::filesystem::status(path + ".bak").permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}
#endif
