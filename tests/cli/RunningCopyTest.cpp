// quorva-cli's question "is the calendar running?": asked where the calendar listens, and
// answered yes only by a calendar of the same user.
#include "RunningCopy.h"
#include "InstanceChannel.h"
#include "ScopedEnvironment.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#ifndef _WIN32

#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// The user nobody, whom only root can become.
constexpr uid_t OtherUser = 65534;

std::string ChannelName() {
    return "quorva-executable-" + std::to_string(getuid());
}

// A folder of the test's own with the given permission bits.
fs::path MakeFolder(const fs::path &path, fs::perms perms) {
    fs::create_directories(path);
    fs::permissions(path, perms);
    return path;
}

// A Unix socket listening at `path`, -1 when it cannot. As root with `asOtherUser`, the
// listener is the user nobody: the kernel reports whoever called listen() as its owner.
int Listen(const std::string &path, bool asOtherUser = false) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path))
        return -1;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    if (bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) != 0) {
        close(fd);
        return -1;
    }
    if (asOtherUser && seteuid(OtherUser) != 0) {
        close(fd);
        return -1;
    }
    const bool listening = listen(fd, 4) == 0;
    if (asOtherUser && seteuid(0) != 0)
        std::abort(); // the rest of the tests would run as nobody
    if (!listening) {
        close(fd);
        return -1;
    }
    return fd;
}

} // namespace

TEST(CalendarIsRunning, ListenerInTheCalendarsPlace_CountsUntilItCloses) {
    TempFolder folder;
    const fs::path runtime = MakeFolder(folder.Path() / "runtime", fs::perms::owner_all);
    ScopedEnvironment runtimeDir("XDG_RUNTIME_DIR", runtime.string());
    ScopedEnvironment tmp("TMPDIR", folder.Path().string());

    const std::string channel = InstanceChannelPath();
    EXPECT_EQ(channel, (runtime / ChannelName()).string());
    EXPECT_EQ(channel, InstanceChannelAddress(true)); // where the calendar listens
    EXPECT_FALSE(CalendarIsRunning());

    const int listener = Listen(channel);
    ASSERT_GE(listener, 0);
    EXPECT_TRUE(CalendarIsRunning());
    // A copy that dies leaves its socket file behind, listening no more.
    close(listener);
    ASSERT_TRUE(fs::exists(channel));
    EXPECT_FALSE(CalendarIsRunning());
}

TEST(CalendarIsRunning, OwnTemporaryFolder_IsLookedInButNeverMade) {
    TempFolder folder;
    ScopedEnvironment runtimeDir("XDG_RUNTIME_DIR", "");
    ScopedEnvironment tmp("TMPDIR", folder.Path().string());
    const fs::path own = folder.Path() / ("quorva-" + std::to_string(getuid()));

    EXPECT_EQ(InstanceChannelPath(), "");
    EXPECT_FALSE(CalendarIsRunning());
    EXPECT_FALSE(fs::exists(own));

    const std::string channel = InstanceChannelAddress(true); // as the calendar starts
    EXPECT_EQ(channel, (own / ChannelName()).string());
    EXPECT_EQ(InstanceChannelPath(), channel);
    const int listener = Listen(channel);
    ASSERT_GE(listener, 0);
    EXPECT_TRUE(CalendarIsRunning());
    close(listener);
}

TEST(CalendarIsRunning, ListenersWhereOthersCanReach_AreIgnored) {
    TempFolder folder;
    const fs::path runtime =
        MakeFolder(folder.Path() / "runtime", fs::perms::owner_all | fs::perms::group_read |
                                                  fs::perms::group_exec | fs::perms::others_read |
                                                  fs::perms::others_exec);
    ScopedEnvironment runtimeDir("XDG_RUNTIME_DIR", runtime.string());
    ScopedEnvironment tmp("TMPDIR", folder.Path().string());
    // In a runtime folder open to others, and straight in the shared temporary folder.
    const int inOpenRuntime = Listen((runtime / ChannelName()).string());
    const int inSharedTemporary = Listen(folder.File(ChannelName()));
    ASSERT_GE(inOpenRuntime, 0);
    ASSERT_GE(inSharedTemporary, 0);

    EXPECT_EQ(InstanceChannelPath(), "");
    EXPECT_FALSE(CalendarIsRunning());
    close(inOpenRuntime);
    close(inSharedTemporary);
}

TEST(CalendarIsRunning, ListenerOfAnotherUser_IsNoCalendarOfOurs) {
    if (geteuid() != 0)
        GTEST_SKIP() << "only root can listen as another user in a folder of its own";
    TempFolder folder;
    const fs::path runtime = MakeFolder(folder.Path() / "runtime", fs::perms::owner_all);
    ScopedEnvironment runtimeDir("XDG_RUNTIME_DIR", runtime.string());
    const int listener = Listen(InstanceChannelPath(), true);
    ASSERT_GE(listener, 0);
    EXPECT_FALSE(CalendarIsRunning());
    close(listener);
}

#endif
