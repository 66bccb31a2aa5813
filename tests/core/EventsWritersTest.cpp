// Several writers of one events file: each writes on top of what the others wrote, one at a
// time, and a writer killed while it holds the lock never blocks the next.
#include "FileIo.h"
#include "Pool.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>

#ifndef _WIN32
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace std::chrono;

namespace {

const sys_days Today = sys_days{2025y / March / 10};

#ifndef _WIN32
// A writer gives up after LockWaitMilliseconds of another writer's lock, which is a matter of
// load, not of a lost change: the writers below try again, as the calendar does, up to a minute
// in all.
constexpr int LockAttempts = 60000 / LockWaitMilliseconds;

bool KeptLocked(const QuorvaError &error) {
    return std::string(error.what()).find("kept it locked for writing") != std::string::npos;
}
#endif

} // namespace

TEST(EventsFileWriters, AChangeMadeElsewhereSinceTheLastReadIsKeptUnderTheNextChange) {
    TempFolder folder;
    const std::string path = folder.File("quorva.ini");
    TempFolder::Write(path, "[Weekly]\r\n1=Church\r\n");
    TEvents events;
    events.LoadFromIni(path, 0, Today);
    TFileStamp stamp = StampOf(path);

    // Another program adds a text meanwhile.
    TEvents other;
    other.LoadFromIni(path, 0, Today);
    other.SetMonthly(1, "Rent");
    other.SaveToIni(path);

    UpdateEventsFile(
        path, events, 0, Today, [](TEvents &e) { e.SetWeekly(2, "Gym"); }, stamp);
    EXPECT_EQ(TempFolder::Read(path), "[Weekly]\r\n1=Church\r\n2=Gym\r\n[Monthly]\r\n1=Rent\r\n");
    EXPECT_EQ(events.GetMonthly(1), "Rent") << "the store now holds what the file holds";
    EXPECT_EQ(stamp, StampOf(path));

    // Unchanged since: the store is written as it is, without reading the file again.
    events.SetYearly(12, 25, "Only in memory until the next write");
    UpdateEventsFile(
        path, events, 0, Today, [](TEvents &e) { e.SetWeekly(3, "Choir"); }, stamp);
    EXPECT_NE(TempFolder::Read(path).find("12/25=Only in memory"), std::string::npos);
}

TEST(EventsFileWriters, AnUnreadableFileIsNotOverwrittenAndTheChangeStaysInMemory) {
    TempFolder folder;
    const std::string path = folder.Path().string(); // a folder cannot be read as a file
    TEvents events;
    TFileStamp stamp;
    EXPECT_THROW(UpdateEventsFile(
                     path, events, 0, Today, [](TEvents &e) { e.SetWeekly(2, "Gym"); }, stamp),
                 QuorvaError);
    EXPECT_EQ(events.GetWeekly(2), "Gym");
}

#ifndef _WIN32

// Proven over many rounds: a race that loses a change passes once by luck.
TEST(EventsFileWriters, FourWritersAtOnceLoseNoChangeOverFiftyRounds) {
    constexpr int Rounds = 50;
    constexpr int Writers = 4;
    TempFolder folder;
    const std::string path = folder.File("quorva.ini");
    for (int round = 0; round < Rounds; ++round) {
        std::filesystem::remove(path);
        pid_t children[Writers];
        for (int writer = 0; writer < Writers; ++writer) {
            children[writer] = fork();
            ASSERT_NE(children[writer], -1);
            if (children[writer] == 0) {
                try {
                    // Each writer read the file before the others wrote, as a slow one would.
                    TEvents events;
                    TFileStamp stamp;
                    const auto change = [writer](TEvents &e) {
                        e.SetMonthly(writer + 1, "Writer " + std::to_string(writer));
                    };
                    for (int attempt = 1;; ++attempt) {
                        try {
                            UpdateEventsFile(path, events, 0, Today, change, stamp);
                            break;
                        } catch (const QuorvaError &error) {
                            if (!KeptLocked(error) || attempt == LockAttempts)
                                throw;
                        }
                    }
                } catch (...) {
                    _exit(1);
                }
                _exit(0);
            }
        }
        for (const pid_t child : children) {
            int status = 0;
            ASSERT_EQ(waitpid(child, &status, 0), child);
            ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "round " << round;
        }
        TEvents result;
        result.LoadFromIni(path, 0, Today);
        ASSERT_EQ(result.Monthly.size(), std::size_t(Writers))
            << "round " << round << " lost a change";
    }
}

TEST(EventsFileWriters, ALockLeftByAKilledWriterNeverBlocks) {
    TempFolder folder;
    const std::string path = folder.File("quorva.ini");
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        const TFileLock lock(path, 1000);
        const char held = lock.Locked() ? '1' : '0';
        [[maybe_unused]] const auto written = write(ready[1], &held, 1);
        pause();
        _exit(0);
    }
    char held = 0;
    ASSERT_EQ(read(ready[0], &held, 1), 1);
    ASSERT_EQ(held, '1');
    {
        const TFileLock blocked(path, 100);
        EXPECT_TRUE(blocked.Busy()) << "a live writer's lock is respected";
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    const TFileLock free(path, 100);
    EXPECT_TRUE(free.Locked());
    EXPECT_FALSE(free.Busy());
    close(ready[0]);
    close(ready[1]);
}

TEST(EventsFileWriters, AWriterThatCannotHaveTheLockSaysSoAndKeepsItsChange) {
    TempFolder folder;
    const std::string path = folder.File("quorva.ini");
    const TFileLock other(path, 100);
    ASSERT_TRUE(other.Locked());
    // flock locks belong to the open file: a second open in this process competes like
    // another process would.
    TEvents events;
    TFileStamp stamp;
    try {
        UpdateEventsFile(
            path, events, 0, Today, [](TEvents &e) { e.SetWeekly(2, "Gym"); }, stamp);
        FAIL() << "the write went ahead under another writer's lock";
    } catch (const QuorvaError &error) {
        EXPECT_EQ(std::string(error.what()),
                  "Unable to write to " + path + ": another program kept it locked for writing");
    }
    EXPECT_EQ(events.GetWeekly(2), "Gym");
    EXPECT_FALSE(std::filesystem::exists(path));
}

#endif
