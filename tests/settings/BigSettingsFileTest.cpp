// A settings file far larger than the program ever writes, as a file grown by other tools or by
// hand may be: every value is read and written back, in its place and with its type.

#include "SettingsStore.h"
#include "TempConfigHome.h"

#ifndef _WIN32

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

using BigSettingsFile = TempConfigHome;
using SettingsFileNames = TempConfigHome;

constexpr int ValueCount = 200000;

std::unique_ptr<TSettingsStore> Open() {
    return OpenSettingsStore(QuorvaSettingsKey);
}

// Value i of the big section: even ones are strings, odd ones numbers.
std::string ValueLine(int i) {
    if (i % 2 == 0) {
        return "\"Value" + std::to_string(i) + "\"=\"text " + std::to_string(i) + "\"";
    }
    char dword[16];
    std::snprintf(dword, sizeof dword, "%08x", static_cast<unsigned>(i));
    return "\"Value" + std::to_string(i) + "\"=dword:" + dword;
}

std::vector<std::string> Lines(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

TEST_F(BigSettingsFile, TwoHundredThousandValues_AreReadAndWrittenBackWhole) {
    std::string values;
    for (int i = 0; i < ValueCount; ++i) {
        values += ValueLine(i) + "\n";
    }
    WriteStore("Big", values + "\n" + Header("Preferences") + "\n\"bWipe\"=\"1\"\n");
    {
        const auto store = Open();
        EXPECT_TRUE(store->SectionExists("big"));
        EXPECT_EQ(store->ReadString("Big", "Value0", ""), "text 0");
        EXPECT_EQ(store->ReadString("BIG", "value100000", ""), "text 100000");
        EXPECT_EQ(store->ReadInteger("Big", "VALUE199999", 0), 199999);
        EXPECT_EQ(store->ReadString("Big", "Value200000", "absent"), "absent");
        EXPECT_TRUE(store->ReadBool("Preferences", "bWipe", false));

        store->WriteString("Big", "value7", "changed");
        store->DeleteValue("Big", "VALUE3");
        store->WriteInteger("Big", "Value200000", 200000);
        store->Close();
    }

    // Everything else is written back as it was read, in the same order.
    std::vector<std::string> expected = {"REGEDIT4", "", Header("Big")};
    for (int i = 0; i < ValueCount; ++i) {
        if (i == 3) {
            continue;
        }
        expected.push_back(i == 7 ? "\"Value7\"=\"changed\"" : ValueLine(i));
    }
    expected.push_back("\"Value200000\"=dword:00030d40");
    expected.insert(expected.end(), {"", Header("Preferences"), "\"bWipe\"=\"1\"", ""});
    const std::vector<std::string> written = Lines(ReadText(StoreFile()));
    EXPECT_EQ(written.size(), expected.size());
    const auto mismatch =
        std::mismatch(written.begin(), written.end(), expected.begin(), expected.end()).first;
    EXPECT_TRUE(mismatch == written.end())
        << "line " << (mismatch - written.begin() + 1) << " is " << *mismatch;

    const auto store = Open();
    EXPECT_EQ(store->ReadString("Big", "Value7", ""), "changed");
    EXPECT_EQ(store->ReadString("Big", "Value3", "deleted"), "deleted");
    EXPECT_EQ(store->ReadInteger("Big", "Value199998", 0), 0); // a string, not a number
    EXPECT_EQ(store->ReadString("Big", "Value199998", ""), "text 199998");
    EXPECT_EQ(store->ReadInteger("Big", "Value200000", 0), 200000);
}

// What the store keeps when a name or a section comes twice, in other letter cases, and when a
// value is deleted and stored again.
TEST_F(SettingsFileNames, RepeatedNamesKeepTheirFirstPlaceAndSpelling_AStoredAgainValueGoesLast) {
    WriteStore("S", "\"Alpha\"=\"1\"\n"
                    "\"beta\"=\"2\"\n" +
                        Header("Other") + "\n\"x\"=\"y\"\n" + Header("s") +
                        "\n\"ALPHA\"=\"3\"\n"
                        "\"gamma\"=dword:00000004\n");
    {
        const auto store = Open();
        EXPECT_EQ(store->ReadString("S", "alpha", ""), "3");
        store->WriteString("s", "BETA", "5");
        store->DeleteValue("other", "X");
        EXPECT_FALSE(store->SectionExists("Other"));
        store->Close();
    }
    EXPECT_EQ(ReadText(StoreFile()), "REGEDIT4\n\n" + Header("S") +
                                         "\n\"Alpha\"=\"3\"\n\"beta\"=\"5\"\n"
                                         "\"gamma\"=dword:00000004\n\n");
    {
        const auto store = Open();
        store->DeleteValue("S", "alpha");
        EXPECT_EQ(store->ReadString("S", "Alpha", "deleted"), "deleted");
        store->WriteString("S", "ALPHA", "6");
        store->Close();
    }
    EXPECT_EQ(ReadText(StoreFile()), "REGEDIT4\n\n" + Header("S") +
                                         "\n\"beta\"=\"5\"\n\"gamma\"=dword:00000004\n"
                                         "\"ALPHA\"=\"6\"\n\n");
}

} // namespace

#endif
