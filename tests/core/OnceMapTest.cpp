// The one-time events' container: a map in behaviour, whatever it holds underneath, and the
// events file read into it and written back without a byte changed.
#include "OnceMap.h"
#include "Pool.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <random>

using namespace std::chrono;

namespace {

std::map<std::string, std::string> AsMap(const TOnceMap &once) {
    std::map<std::string, std::string> result;
    for (const auto &[key, text] : once)
        result.emplace(key, text);
    return result;
}

std::vector<std::string> KeysInOrder(const TOnceMap &once) {
    std::vector<std::string> keys;
    for (const auto &entry : once)
        keys.emplace_back(entry.first);
    return keys;
}

std::string ReadBytes(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

// Random changes applied to the container and to a std::map side by side: after each, both
// hold the same keys in the same order with the same texts, copies taken on the way keep what
// they had, and a text set from another entry's text (a piece of the container itself) is
// copied right even when the container's own storage grows meanwhile.
TEST(OnceMap, BehavesAsAnOrderedMapThroughRandomChangesAndCopies) {
    std::mt19937 random(7);
    TOnceMap once;
    std::map<std::string, std::string> model;
    std::vector<std::pair<TOnceMap, std::map<std::string, std::string>>> copies;
    const auto anyKey = [&] {
        return FormatDate(1 + static_cast<int>(random() % 12), 1 + static_cast<int>(random() % 28),
                          1990 + static_cast<int>(random() % 40));
    };
    for (int step = 0; step < 20000; ++step) {
        const std::string key = anyKey();
        switch (random() % 5) {
        case 0:
        case 1: {
            // Long texts, so that replaced ones add up and the storage is compacted.
            const std::string text(1 + random() % 300, static_cast<char>('a' + random() % 26));
            EXPECT_EQ(once.insert_or_assign(key, text), !model.contains(key));
            model.insert_or_assign(key, text);
            break;
        }
        case 2:
            EXPECT_EQ(once.erase(key), model.erase(key));
            break;
        case 3:
            if (!model.empty()) {
                const std::string from = model.begin()->first;
                once.insert_or_assign(key, once.at(from));
                model.insert_or_assign(key, model.at(from));
            }
            break;
        case 4:
            EXPECT_EQ(once.try_emplace(key, "first"), model.try_emplace(key, "first").second);
            break;
        }
        if (step % 2000 == 0)
            copies.emplace_back(once, model);
    }
    EXPECT_EQ(AsMap(once), model);
    EXPECT_EQ(once.size(), model.size());
    const std::vector<std::string> keys = KeysInOrder(once);
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
    for (const auto &[copy, expected] : copies)
        EXPECT_EQ(AsMap(copy), expected);
    EXPECT_THROW(static_cast<void>(once.at("13/1/2000")), std::out_of_range);
}

// The loader's rules hold for a file in any order: of equal keys the first counts (an empty
// first one removes the key), keys that are no date are dropped, and the result is in key
// order, written back sorted.
TEST(OnceMap, AFileOutOfOrderReadsAsTheSortedOneAndTheFirstOfEqualKeysCounts) {
    TempFolder folder;
    const std::string path = folder.File("quorva.ini");
    TempFolder::Write(path, "[Once]\r\n"
                            "3/1/2025=March\r\n"
                            "1/2/2025=first\r\n"
                            "12/1/2025=December\r\n"
                            "1/2/2025=second\r\n"
                            "2/2/2025=\r\n"
                            "13/2/2025=no date\r\n"
                            "2/2/2025=after an empty first\r\n"
                            "[once]\r\n"
                            "10/1/2025=October\\nsecond line\r\n"
                            "3/1/2025=again\r\n");
    TEvents events;
    events.LoadFromIni(path, 0, sys_days{2025y / January / 1});
    EXPECT_EQ(KeysInOrder(events.Once),
              (std::vector<std::string>{"1/2/2025", "10/1/2025", "12/1/2025", "3/1/2025"}));
    EXPECT_EQ(events.Once.at("1/2/2025"), "first");
    EXPECT_EQ(events.Once.at("3/1/2025"), "March");
    EXPECT_EQ(events.Once.at("10/1/2025"), "October\r\nsecond line");
    events.SaveToIni(path);
    EXPECT_EQ(ReadBytes(path), "[Once]\r\n"
                               "1/2/2025=first\r\n"
                               "10/1/2025=October\\nsecond line\r\n"
                               "12/1/2025=December\r\n"
                               "3/1/2025=March\r\n");
}

// The wipe applied after a load keeps what a load with the wipe keeps.
TEST(OnceMap, WipingAfterTheLoadKeepsWhatWipingWhileLoadingKeeps) {
    TempFolder folder;
    const std::string path = folder.File("quorva.ini");
    std::string content = "[Once]\r\n";
    for (int month = 1; month <= 12; ++month)
        for (const int year : {2023, 2024, 2025})
            content += FormatDate(month, 15, year) + "=x\r\n";
    TempFolder::Write(path, content);
    const sys_days today = sys_days{2025y / March / 10};
    for (const int wipe : {-1, 0, 1, 3, 12}) {
        TEvents whileLoading, afterwards;
        whileLoading.LoadFromIni(path, wipe, today);
        afterwards.LoadFromIni(path, 0, today);
        afterwards.WipeOnce(wipe, today);
        EXPECT_EQ(afterwards.Once, whileLoading.Once) << wipe;
    }
}

// A calendar of 100,000 one-time events, texts with line breaks, UTF-8 and Windows-1252
// bytes, with a section of another program before it: read and written back unchanged, to
// the byte, and a change of one entry changes only its line.
TEST(OnceMap, A100kCalendarReadAndWrittenBackIsTheSameToTheByte) {
    std::mt19937 random(20261209);
    std::vector<std::string> keys;
    const sys_days first = sys_days{1900y / January / 1};
    for (int i = 0; i < 100000; ++i) {
        const year_month_day date{first + days{i * 3}};
        keys.push_back(FormatDate(static_cast<int>(static_cast<unsigned>(date.month())),
                                  static_cast<int>(static_cast<unsigned>(date.day())),
                                  static_cast<int>(date.year())));
    }
    std::sort(keys.begin(), keys.end());
    const char *pieces[] = {"Dentist", "caf\xC3\xA9", "caf\xE9", "line\\nbreak", "C:\\temp",
                            "8:15",    "a=b",         "[not a header]"};
    const auto text = [&] {
        std::string result;
        for (std::size_t words = 1 + random() % 8; words > 0; --words)
            result += std::string(result.empty() ? "" : " ") + pieces[random() % std::size(pieces)];
        return result;
    };
    std::string content = "[Other program]\r\nkey=value\r\n[Once]\r\n";
    for (const std::string &key : keys)
        content += key + "=" + text() + "\r\n";
    content += "[Weekly]\r\n3=" + text() + "\r\n[Yearly]\r\n12/25=" + text() + "\r\n";
    TempFolder folder;
    const std::string path = folder.File("quorva.ini");
    TempFolder::Write(path, content);

    TEvents events;
    events.LoadFromIni(path, 0, sys_days{2026y / December / 9});
    ASSERT_EQ(events.Once.size(), 100000u);
    events.SaveToIni(path);
    ASSERT_EQ(ReadBytes(path), content);

    const std::string line = "\r\n" + keys[5000] + "=";
    const std::size_t at = content.find(line) + line.size();
    content.replace(at, content.find("\r\n", at) - at, "changed\\nhere");
    events.Once.insert_or_assign(keys[5000], "changed\r\nhere");
    events.SaveToIni(path);
    EXPECT_EQ(ReadBytes(path), content);
}
