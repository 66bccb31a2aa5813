// import-ics runs at the same moment on one events file: each adds its events on top of the
// others', and what each reports is in the file afterwards.
#include "IcsImport.h"
#include "ImportCommand.h"
#include "Pool.h"
#include "ScopedEnvironment.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <sstream>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace std::chrono;

#ifndef _WIN32

namespace {

const sys_days Today = sys_days{2025y / March / 10};

// An import gives up after LockWaitMilliseconds of another writer's lock and writes nothing,
// which is a matter of load, not of a lost event: the imports below are run again, as the user
// would, up to a minute in all.
constexpr int LockAttempts = 60000 / LockWaitMilliseconds;

std::string OneEvent(int day, const std::string &summary) {
    const std::string date = "202504" + std::string(day < 10 ? "0" : "") + std::to_string(day);
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Tests//EN\r\nBEGIN:VEVENT\r\n"
           "UID:writer-" +
           std::to_string(day) +
           "@tests\r\nDTSTAMP:20250301T000000Z\r\n"
           "DTSTART;VALUE=DATE:" +
           date + "\r\nSUMMARY:" + summary +
           "\r\nEND:VEVENT\r\n"
           "END:VCALENDAR\r\n";
}

} // namespace

// Proven over many rounds: two writers that lose a change pass once in a while by luck.
TEST(IcsImportWriters, ImportsRunningAtOnceLoseNothingOverThirtyRounds) {
    constexpr int Rounds = 30;
    constexpr int Writers = 3;
    TempFolder folder;
    ScopedEnvironment runtime("XDG_RUNTIME_DIR", "");
    ScopedEnvironment tmp("TMPDIR", folder.Path().string());
    const std::string ini = folder.File("quorva.ini");
    for (int writer = 0; writer < Writers; ++writer)
        TempFolder::Write(folder.File("w" + std::to_string(writer) + ".ics"),
                          OneEvent(writer + 1, "Writer " + std::to_string(writer)));
    for (int round = 0; round < Rounds; ++round) {
        std::filesystem::remove(ini);
        pid_t children[Writers];
        for (int writer = 0; writer < Writers; ++writer) {
            children[writer] = fork();
            ASSERT_NE(children[writer], -1);
            if (children[writer] == 0) {
                for (int attempt = 1;; ++attempt) {
                    std::ostringstream out, err;
                    const int code = RunImportIcs(
                        {folder.File("w" + std::to_string(writer) + ".ics"), "--file", ini}, Today,
                        ini, out, err);
                    if (code != 0 && attempt < LockAttempts &&
                        err.str().find("kept it locked for writing") != std::string::npos)
                        continue;
                    _exit(code == 0 && out.str().rfind("Added 1 one-time", 0) == 0 ? 0 : 1);
                }
            }
        }
        for (const pid_t child : children) {
            int status = 0;
            ASSERT_EQ(waitpid(child, &status, 0), child);
            ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
                << "round " << round << ": a writer failed or reported something else";
        }
        TEvents result;
        result.LoadFromIni(ini, 0, Today);
        for (int writer = 0; writer < Writers; ++writer)
            ASSERT_EQ(result.GetOnce(4, writer + 1, 2025), "Writer " + std::to_string(writer))
                << "round " << round << " lost writer " << writer << "'s event";
    }
}

#endif
