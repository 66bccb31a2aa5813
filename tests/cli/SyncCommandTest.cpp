// quorva-cli sync and password: what they refuse before any server or secret store is asked.
#include "SyncCommand.h"
#include "CommandLine.h"
#include "ScopedEnvironment.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace std::chrono;

namespace {

struct TRun {
    int exitCode;
    std::string out, err;
};

TRun Sync(const TempFolder &folder, const std::vector<std::string> &args,
          const std::string &input) {
    ScopedEnvironment config("XDG_CONFIG_HOME", folder.File("config"));
    ScopedEnvironment data("XDG_DATA_HOME", folder.File("data"));
    // Away from the desktop's own secret store: none can be reached.
    ScopedEnvironment bus("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + folder.File("no-bus"));
    std::istringstream in(input);
    std::ostringstream out, err;
    const int code =
        RunSync(args, sys_days{2025y / March / 10}, folder.File("quorva.ini"), in, out, err);
    return {code, out.str(), err.str()};
}

TRun Password(const TempFolder &folder, const std::vector<std::string> &args,
              const std::string &input) {
    ScopedEnvironment config("XDG_CONFIG_HOME", folder.File("config"));
    ScopedEnvironment bus("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + folder.File("no-bus"));
    std::istringstream in(input);
    std::ostringstream out, err;
    const int code = RunPassword(args, in, out, err);
    return {code, out.str(), err.str()};
}

} // namespace

TEST(SyncCommand, RefusesUnclearPasswordsAndMissingAddresses_beforeAnyServerIsAsked) {
    TempFolder folder;
    const std::string url = "http://127.0.0.1:9/cal/";
    struct Row {
        const char *name;
        std::vector<std::string> args;
        std::string input;
        const char *says;
    };
    const Row rows[] = {
        {"two ways of giving the password",
         {"--url", url, "--password-stdin", "--password-command", "echo pw"},
         "pw\n",
         "give the password one way"},
        {"nothing on standard input",
         {"--url", url, "--user", "a", "--password-stdin"},
         "",
         "no password was given on standard input"},
        {"an empty first line",
         {"--url", url, "--password-stdin"},
         "\nsecond\n",
         "no password was given on standard input"},
        {"no address", {"--check"}, "", "sync needs the calendar's address"},
    };
    for (const Row &row : rows) {
        const TRun run = Sync(folder, row.args, row.input);
        EXPECT_EQ(run.exitCode, ExitBadArgument) << row.name;
        EXPECT_NE(run.err.find(row.says), std::string::npos) << row.name << ": " << run.err;
        EXPECT_FALSE(std::filesystem::exists(folder.File("quorva.ini"))) << row.name;
        EXPECT_FALSE(std::filesystem::exists(folder.File("config/Ostrune/quorva-sync.ini")))
            << row.name;
    }
}

TEST(SyncCommand, CheckAndFailedSyncs_rememberNothing) {
    TempFolder folder;
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{"--check", "--url", "http://127.0.0.1:9/cal/"},
          std::vector<std::string>{"--url", "http://127.0.0.1:9/cal/", "--password-stdin"}}) {
        const TRun run = Sync(folder, args, "pw\n");
        EXPECT_EQ(run.exitCode, ExitCannotRead) << run.err;
        EXPECT_NE(run.err.find("http://127.0.0.1:9/cal/ could not be reached"), std::string::npos)
            << run.err;
        EXPECT_EQ(run.err.find("pw"), std::string::npos) << "the password was shown: " << run.err;
    }
    EXPECT_FALSE(std::filesystem::exists(folder.File("config/Ostrune/quorva-sync.ini")));
}

TEST(PasswordCommand, NeedsAnAddressAndAPassword) {
    TempFolder folder;
    const TRun noAddress = Password(folder, {}, "pw\n");
    EXPECT_EQ(noAddress.exitCode, ExitBadArgument);
    EXPECT_NE(noAddress.err.find("password needs the calendar's address"), std::string::npos);
    const TRun noPassword = Password(folder, {"--url", "http://example.com/cal/"}, "");
    EXPECT_EQ(noPassword.exitCode, ExitBadArgument);
    EXPECT_NE(noPassword.err.find("no password was given"), std::string::npos);
}

// A remembered password command belongs to the remembered server and user: another address or
// user name given on the command line never runs it (its password would go to that server).
TEST(SyncCommand, RememberedPasswordCommand_onlyForTheRememberedLogin) {
    TempFolder folder;
    const std::string marker = folder.File("command-ran");
    std::filesystem::create_directories(folder.File("config/Ostrune"));
    TempFolder::Write(folder.File("config/Ostrune/quorva-sync.ini"),
                      "[Sync]\r\nUrl=http://127.0.0.1:9/mine/\r\nUser=ana\r\n"
                      "PasswordCommand=touch '" +
                          marker + "'; echo pw\r\n");
    struct Row {
        const char *name;
        std::vector<std::string> args;
        bool runs;
    };
    const Row rows[] = {
        {"another address", {"--check", "--url", "http://127.0.0.1:9/theirs/"}, false},
        {"another user", {"--check", "--user", "bob"}, false},
        {"the remembered login", {"--check"}, true},
    };
    for (const Row &row : rows) {
        std::filesystem::remove(marker);
        const TRun run = Sync(folder, row.args, "");
        EXPECT_EQ(run.exitCode, ExitCannotRead) << row.name << ": " << run.err;
        EXPECT_EQ(std::filesystem::exists(marker), row.runs) << row.name;
    }
}
