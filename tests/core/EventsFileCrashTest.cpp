// A save that is killed at any moment must leave the events file as it was before that save or
// as the save meant to write it, never a mixture or a truncated file: the program saves after
// every edit, so a crash or a forced log-off in the middle of a save must not lose the events.
#ifndef _WIN32

#include "Pool.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <random>
#include <set>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono;

namespace {

constexpr int Kills = 200;

// A store of a few thousand entries of every kind with multi-line texts, different for each
// tag; the second store is larger, so a file cut short could never pass for either.
TEvents LargeStore(char tag, int onceCount) {
    TEvents events;
    const sys_days first = year{2000} / January / 1;
    for (int i = 0; i < onceCount; ++i) {
        const year_month_day date{first + days{i}};
        events.SetOnce(static_cast<int>(unsigned{date.month()}),
                       static_cast<int>(unsigned{date.day()}), static_cast<int>(date.year()),
                       std::string(1, tag) + " event " + std::to_string(i) +
                           "\r\nsecond line of the note, long enough to fill the file");
    }
    for (int weekday = 1; weekday <= 7; ++weekday)
        events.SetWeekly(weekday, std::string(1, tag) + " weekly " + std::to_string(weekday));
    for (int day = 1; day <= 31; ++day)
        events.SetMonthly(day, std::string(1, tag) + " monthly " + std::to_string(day));
    for (int month = 1; month <= 12; ++month)
        for (int day = 1; day <= 28; ++day)
            events.SetYearly(month, day, std::string(1, tag) + " yearly\r\nline two");
    for (int n = 0; n <= 5; ++n)
        for (int weekday = 1; weekday <= 7; ++weekday)
            events.SetNWeekdayly(n, weekday, 1 + (n + weekday) % 12,
                                 std::string(1, tag) + " nth weekday");
    return events;
}

bool SameStore(const TEvents &a, const TEvents &b) {
    return a.Once == b.Once && a.Weekly == b.Weekly && a.Monthly == b.Monthly &&
           a.Yearly == b.Yearly && a.NWeekdayly == b.NWeekdayly;
}

// Saves the two stores in turn until the process is killed; never returns.
[[noreturn]] void SaveForever(const TEvents &a, const TEvents &b, const std::string &path) {
    try {
        for (;;) {
            a.SaveToIni(path);
            b.SaveToIni(path);
        }
    } catch (...) {
        _exit(1);
    }
}

std::set<std::string> FileNames(const std::filesystem::path &folder) {
    std::set<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

} // namespace

TEST(EventsFileCrashSafety, ASaveKilledAtRandomMomentsLeavesTheOldOrTheNewStoreWhole) {
    const TEvents a = LargeStore('A', 2000);
    const TEvents b = LargeStore('B', 2400);
    TempFolder folder;
    const std::string path = folder.File("quorva.ini");
    b.SaveToIni(path);
    const std::string textB = TempFolder::Read(path);
    // How long one save takes here sets the range of the delays: kills land anywhere in the
    // child's first two saves.
    const auto start = steady_clock::now();
    a.SaveToIni(path);
    const auto saveTime = duration_cast<microseconds>(steady_clock::now() - start);
    const std::string textA = TempFolder::Read(path);
    // Each kill then only needs to compare bytes with the two files known to load right.
    for (const auto &[text, store] : {std::pair{&textA, &a}, std::pair{&textB, &b}}) {
        TEvents loaded;
        loaded.LoadFromIniText(*text, 0, sys_days{});
        ASSERT_TRUE(SameStore(loaded, *store));
    }

    std::mt19937 random(20251209);
    std::uniform_int_distribution<long> delay(0, 2 * saveTime.count() + 1000);
    int leftovers = 0;
    for (int kill = 0; kill < Kills; ++kill) {
        const pid_t child = fork();
        ASSERT_NE(child, -1);
        if (child == 0)
            SaveForever(a, b, path);
        std::this_thread::sleep_for(microseconds(delay(random)));
        ASSERT_EQ(::kill(child, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saver stopped on its own at kill " << kill;

        const std::string text = TempFolder::Read(path);
        ASSERT_TRUE(text == textA || text == textB)
            << "kill " << kill << " left a file of " << text.size() << " bytes";

        // The backup is replaced the same way, so it too is one of the two stores whole.
        const std::string backup = path + ".bak";
        if (std::filesystem::exists(backup)) {
            const std::string saved = TempFolder::Read(backup);
            ASSERT_TRUE(saved == textA || saved == textB) << "kill " << kill << " broke the backup";
        }
        // A killed save may leave its temporary file (and its backup's) of a unique name;
        // nothing else appears.
        int temporaries = 0;
        for (const std::string &name : FileNames(folder.Path())) {
            if (name == "quorva.ini" || name == "quorva.ini.bak")
                continue;
            ASSERT_TRUE(name.rfind("quorva.ini.tmp-", 0) == 0 ||
                        name.rfind("quorva.ini.bak.tmp-", 0) == 0)
                << "kill " << kill << " left " << name;
            ++temporaries;
        }
        leftovers += temporaries > 0;
    }
    std::cout << "[          ] " << Kills << " kills, " << leftovers
              << " in the middle of writing the temporary file; one save takes " << saveTime.count()
              << " us\n";

    TEvents current;
    TFileStamp stamp;
    UpdateEventsFile(path, current, 0, sys_days{}, [&b](TEvents &events) { events = b; }, stamp);
    EXPECT_EQ(FileNames(folder.Path()),
              (std::set<std::string>{"quorva.ini", "quorva.ini.bak", "quorva.ini.lock"}))
        << "a writer under the lock clears killed saves' temporary files";
}

#endif
