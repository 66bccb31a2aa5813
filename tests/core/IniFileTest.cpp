#include "IniFile.h"

#include <gtest/gtest.h>

TEST(IniFile, MatchesSectionAndKeyNamesWithoutRegardToCase) {
    const IniFile file = IniFile::FromText("[Weekly]\r\nKey=Value\r\n");
    EXPECT_EQ(file.Read("WEEKLY", "key", "-"), "Value");
    EXPECT_EQ(file.Read("Monthly", "key", "-"), "-");
}

TEST(IniFile, TheFirstOfTwoEqualKeysIsRead) {
    const IniFile file = IniFile::FromText("[S]\nA=first\na=second\nB=b\n");
    EXPECT_EQ(file.Read("S", "A", ""), "first");
    EXPECT_EQ(file.Keys("S"), (std::vector<std::string>{"A", "a", "B"}));
    const auto entries = file.ReadSection("S");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[1].Value, "first");
    EXPECT_EQ(entries[2].Value, "b");
}

TEST(IniFile, ReadsLinesEndedByCrLfLfOrCrAndSkipsLinesWithoutEquals) {
    const IniFile file =
        IniFile::FromText("junk\r[S]\r\nno equals here\n  k  =  v w  \r;c=1\n=x\n");
    EXPECT_EQ(file.Keys("S"), (std::vector<std::string>{"k"}));
    EXPECT_EQ(file.Read("S", "k", ""), "v w");
}

TEST(IniFile, KeepsBytesQuotesAndNulsAsTheyAre) {
    std::string text = "[S]\nk=\"quoted\"\nz=a";
    text += '\0';
    text += "b\xE9\n";
    const IniFile file = IniFile::FromText(text);
    EXPECT_EQ(file.Read("S", "k", ""), "\"quoted\"");
    EXPECT_EQ(file.Read("S", "z", ""), std::string("a\0b\xE9", 4));
}

TEST(IniFile, ReadsAValueOfTenMillionCharactersWhole) {
    const std::string value(10'000'000, 'x');
    const IniFile file = IniFile::FromText("[S]\nk=" + value);
    EXPECT_EQ(file.Read("S", "k", "").size(), value.size());
}

TEST(IniFile, EraseRemovesEveryCopyOfTheSectionAndKeepsTheOthers) {
    IniFile file = IniFile::FromText("; top\r\n[A]\r\nx=1\r\n[b]\r\ny=2\r\n[a]\r\nz=3\r\n");
    file.EraseSection("A");
    EXPECT_EQ(file.ToText(), "; top\r\n[b]\r\ny=2\r\n");
}

TEST(IniFile, WriteReplacesTheFirstKeyOrAppendsToANewSectionAtTheEnd) {
    IniFile file = IniFile::FromText("[A]\r\nx=1\r\n");
    file.Write("a", "X", "2");
    file.Write("B", "y", "3");
    EXPECT_EQ(file.ToText(), "[A]\r\nx=2\r\n[B]\r\ny=3\r\n");
}

TEST(IniFile, BinaryGarbageParsesWithoutFailing) {
    std::string garbage;
    for (int i = 0; i < 100000; ++i)
        garbage.push_back(static_cast<char>((i * 7919) % 256));
    const IniFile file = IniFile::FromText(garbage);
    EXPECT_NO_THROW(file.ToText());
    EXPECT_NO_THROW(file.ReadSection("Once"));
}

TEST(IniFile, ReadsRepeatedSectionsAsOneAndDropsAByteOrderMark) {
    const IniFile file = IniFile::FromText("\xEF\xBB\xBF[A]\r\nx=1\r\n[B]\r\ny=2\r\n[a]\r\nx=3\r\nz=4\r\n");
    EXPECT_EQ(file.Read("A", "x", "-"), "1");
    EXPECT_EQ(file.Read("A", "z", "-"), "4");
    EXPECT_EQ(file.Keys("A"), (std::vector<std::string>{"x", "x", "z"}));
    const auto entries = file.ReadSection("a");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[1].Value, "1") << "a repeated key reads its first value";
    EXPECT_EQ(entries[2].Value, "4");
    EXPECT_EQ(file.ToText().substr(0, 3), "[A]");
}

// The one-pass readers see a file as the parsed file does: the same entries, section by
// section, and the same text left when sections are erased; garbage included.
TEST(IniFile, OnePassReadersAgreeWithTheParsedFile) {
    std::string garbage;
    for (int i = 0; i < 20000; ++i)
        garbage.push_back(static_cast<char>((i * 7919) % 256));
    const std::string texts[] = {
        "\xEF\xBB\xBF" "before=header\r\n[Once]\r\n1/1/2025=a\r\n [ other ] tail\r\nk = v \r\n"
        "[ONCE]\n2/2/2025=b\r[Weekly]\r\n;comment=no\r\n3=x\r\n[]\r\n=empty key\r\n[Keep\r\nx=y",
        garbage,
    };
    for (const std::string &text : texts) {
        IniFile file = IniFile::FromText(text);
        for (const char *section : {"Once", "other", "Weekly", ""}) {
            std::vector<std::pair<std::string, std::string>> scanned, parsed;
            IniFile::ScanEntries(text, [&](std::string_view name, std::string_view key,
                                           std::string_view value) {
                if (EqualsNoCase(name, section))
                    scanned.emplace_back(key, value);
            });
            file.ForEachEntry(section, [&](std::string_view key, std::string_view value) {
                parsed.emplace_back(key, value);
            });
            EXPECT_EQ(scanned, parsed) << section;
        }
        const std::string without = IniFile::TextWithoutSections(text, {"once", "Weekly"});
        file.EraseSection("once");
        file.EraseSection("Weekly");
        EXPECT_EQ(without, file.ToText());
    }
}
