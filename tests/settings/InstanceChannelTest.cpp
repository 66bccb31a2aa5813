// Where the single-instance channel lives: in a folder that only the user can enter, never
// through a link, a file or a folder that someone else left in its place.

#include "InstanceChannel.h"

#include <gtest/gtest.h>

#ifndef _WIN32

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// The user nobody, whom only root can give a folder to.
constexpr uid_t OtherUser = 65534;

const fs::perms Private = fs::perms::owner_all;
const fs::perms OpenToGroup = Private | fs::perms::group_read | fs::perms::group_exec;
const fs::perms OpenToOthers = Private | fs::perms::others_exec;

std::string Uid() {
    return std::to_string(getuid());
}

std::string ChannelName() {
    return "quorva-executable-" + Uid();
}

// Each test gets a folder of its own and starts with neither $XDG_RUNTIME_DIR nor $TMPDIR.
class InstanceChannelPlace : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "quorva-channel-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        Root = pattern;
        SavedRuntime = Remember("XDG_RUNTIME_DIR");
        SavedTemporary = Remember("TMPDIR");
        unsetenv("XDG_RUNTIME_DIR");
        unsetenv("TMPDIR");
    }

    void TearDown() override {
        Restore("XDG_RUNTIME_DIR", SavedRuntime);
        Restore("TMPDIR", SavedTemporary);
        std::error_code ignored;
        for (const auto &entry : fs::recursive_directory_iterator(Root, ignored)) {
            if (entry.is_directory(ignored) && !entry.is_symlink(ignored))
                fs::permissions(entry.path(), Private, fs::perm_options::add, ignored);
        }
        fs::remove_all(Root, ignored);
    }

    // A folder of the test's own with exactly the given permission bits.
    fs::path Folder(const std::string &name, fs::perms perms) const {
        const fs::path path = Root / name;
        fs::create_directories(path);
        fs::permissions(path, perms);
        return path;
    }

    // The place the channel takes when $XDG_RUNTIME_DIR is not used: an own folder in $TMPDIR.
    fs::path OwnTemporaryFolder(const fs::path &temporary) const {
        return temporary / ("quorva-" + Uid());
    }

    static fs::perms PermissionsOf(const fs::path &path) {
        return fs::symlink_status(path).permissions();
    }

    fs::path Root;

private:
    std::optional<std::string> SavedRuntime;
    std::optional<std::string> SavedTemporary;

    static std::optional<std::string> Remember(const char *name) {
        const char *value = std::getenv(name);
        return value ? std::optional<std::string>(value) : std::nullopt;
    }

    static void Restore(const char *name, const std::optional<std::string> &value) {
        if (value)
            setenv(name, value->c_str(), 1);
        else
            unsetenv(name);
    }
};

std::string ReadText(const fs::path &path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

} // namespace

TEST_F(InstanceChannelPlace, PrivateRuntimeFolder_HoldsTheChannel) {
    const fs::path runtime = Folder("runtime", Private);
    const fs::path temporary = Folder("tmp", Private);
    setenv("XDG_RUNTIME_DIR", (runtime.string() + "//").c_str(), 1);
    setenv("TMPDIR", temporary.c_str(), 1);
    EXPECT_EQ(InstanceChannelAddress(true), (runtime / ChannelName()).string());
    EXPECT_EQ(InstanceChannelAddress(false), (runtime / ChannelName()).string());
    EXPECT_TRUE(fs::is_empty(temporary)) << "no folder of our own is needed";
}

TEST_F(InstanceChannelPlace, RuntimeFolderUnsetOrUnsafe_GivesWayToAnOwnPrivateFolder) {
    struct Row {
        const char *name;
        // Sets $XDG_RUNTIME_DIR, or leaves it unset, and makes what it names.
        void (*prepare)(const fs::path &root);
    };
    const Row rows[] = {
        {"unset", [](const fs::path &) {}},
        {"empty", [](const fs::path &) { setenv("XDG_RUNTIME_DIR", "", 1); }},
        {"a relative path",
         [](const fs::path &root) {
             fs::create_directory(root / "relative");
             fs::permissions(root / "relative", Private);
             setenv("XDG_RUNTIME_DIR", "relative", 1);
         }},
        {"a folder that does not exist",
         [](const fs::path &root) { setenv("XDG_RUNTIME_DIR", (root / "absent").c_str(), 1); }},
        {"a folder open to its group",
         [](const fs::path &root) {
             fs::create_directory(root / "runtime");
             fs::permissions(root / "runtime", OpenToGroup);
             setenv("XDG_RUNTIME_DIR", (root / "runtime").c_str(), 1);
         }},
        {"a folder others may pass through",
         [](const fs::path &root) {
             fs::create_directory(root / "runtime");
             fs::permissions(root / "runtime", OpenToOthers);
             setenv("XDG_RUNTIME_DIR", (root / "runtime").c_str(), 1);
         }},
        {"a link to a private folder",
         [](const fs::path &root) {
             fs::create_directory(root / "target");
             fs::permissions(root / "target", Private);
             fs::create_directory_symlink(root / "target", root / "runtime");
             setenv("XDG_RUNTIME_DIR", (root / "runtime").c_str(), 1);
         }},
        {"a plain file",
         [](const fs::path &root) {
             std::ofstream(root / "runtime") << "not a folder";
             fs::permissions(root / "runtime", fs::perms::owner_read | fs::perms::owner_write);
             setenv("XDG_RUNTIME_DIR", (root / "runtime").c_str(), 1);
         }},
    };
    const fs::path saved = fs::current_path();
    int count = 0;
    for (const Row &row : rows) {
        // Short names, so that the socket's path stays within what an address can hold.
        const fs::path root = Folder("row" + std::to_string(++count), Private);
        const fs::path temporary = root / "tmp";
        fs::create_directory(temporary);
        fs::current_path(root); // where a relative $XDG_RUNTIME_DIR would lead
        unsetenv("XDG_RUNTIME_DIR");
        row.prepare(root);
        setenv("TMPDIR", (temporary.string() + "/").c_str(), 1);

        const fs::path own = OwnTemporaryFolder(temporary);
        EXPECT_EQ(InstanceChannelAddress(false), "") << row.name << ": only the calendar makes it";
        EXPECT_FALSE(fs::exists(own)) << row.name;
        EXPECT_EQ(InstanceChannelAddress(true), (own / ChannelName()).string()) << row.name;
        EXPECT_TRUE(fs::is_directory(fs::symlink_status(own))) << row.name;
        EXPECT_EQ(PermissionsOf(own), Private) << row.name;
        EXPECT_EQ(InstanceChannelAddress(false), (own / ChannelName()).string()) << row.name;
        if (fs::exists(root / "target")) {
            EXPECT_TRUE(fs::is_empty(root / "target")) << row.name;
        }
    }
    fs::current_path(saved);
}

TEST_F(InstanceChannelPlace, WhateverElseHoldsTheOwnFolderName_IsLeftAloneAndNoChannelIsGiven) {
    struct Row {
        const char *name;
        void (*plant)(const fs::path &own, const fs::path &root);
    };
    const Row rows[] = {
        {"a plain file",
         [](const fs::path &own, const fs::path &) { std::ofstream(own) << "planted"; }},
        {"a link to a private folder",
         [](const fs::path &own, const fs::path &root) {
             fs::create_directory(root / "target");
             fs::permissions(root / "target", Private);
             fs::create_directory_symlink(root / "target", own);
         }},
        {"a link to nothing",
         [](const fs::path &own, const fs::path &root) {
             fs::create_directory_symlink(root / "target", own);
         }},
        {"a folder open to its group",
         [](const fs::path &own, const fs::path &) {
             fs::create_directory(own);
             fs::permissions(own, OpenToGroup);
         }},
        {"a folder others may pass through",
         [](const fs::path &own, const fs::path &) {
             fs::create_directory(own);
             fs::permissions(own, OpenToOthers);
         }},
    };
    int count = 0;
    for (const Row &row : rows) {
        // Short names, so that the socket's path stays within what an address can hold.
        const fs::path root = Folder("row" + std::to_string(++count), Private);
        const fs::path temporary = root / "tmp";
        fs::create_directory(temporary);
        const fs::path own = OwnTemporaryFolder(temporary);
        row.plant(own, root);
        const fs::file_status before = fs::symlink_status(own);
        setenv("TMPDIR", temporary.c_str(), 1);

        EXPECT_EQ(InstanceChannelAddress(true), "") << row.name;
        EXPECT_EQ(InstanceChannelAddress(false), "") << row.name;
        EXPECT_EQ(fs::symlink_status(own).type(), before.type()) << row.name;
        EXPECT_EQ(fs::symlink_status(own).permissions(), before.permissions()) << row.name;
        if (fs::is_regular_file(fs::symlink_status(own))) {
            EXPECT_EQ(ReadText(own), "planted") << row.name;
        }
        if (fs::is_directory(fs::symlink_status(own))) {
            EXPECT_TRUE(fs::is_empty(own)) << row.name;
        }
        // The link's target is neither made nor used.
        if (fs::is_symlink(fs::symlink_status(own))) {
            EXPECT_TRUE(!fs::exists(root / "target") || fs::is_empty(root / "target")) << row.name;
        }
    }
}

TEST_F(InstanceChannelPlace, FoldersOfAnotherUser_AreNeverUsed) {
    if (geteuid() != 0)
        GTEST_SKIP() << "only root can give a folder to another user";
    const fs::path runtime = Folder("runtime", Private);
    ASSERT_EQ(chown(runtime.c_str(), OtherUser, OtherUser), 0);
    const fs::path temporary = Folder("tmp", Private);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    setenv("TMPDIR", temporary.c_str(), 1);
    const fs::path own = OwnTemporaryFolder(temporary);
    EXPECT_EQ(InstanceChannelAddress(true), (own / ChannelName()).string())
        << "the runtime folder of another user is passed over";

    ASSERT_EQ(chown(own.c_str(), OtherUser, OtherUser), 0);
    EXPECT_EQ(InstanceChannelAddress(true), "") << "so is an own folder given to another user";
    EXPECT_TRUE(fs::is_empty(own));
}

TEST_F(InstanceChannelPlace, AddressTooLongForASocket_GivesNoChannel) {
    const fs::path runtime = Folder(std::string(120, 'r'), Private);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    EXPECT_EQ(InstanceChannelAddress(true), "");
}

TEST(PeerIsCurrentUser, TheOtherEndOfOurOwnSocketPair_IsUs) {
    int ends[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
    EXPECT_TRUE(PeerIsCurrentUser(ends[0]));
    close(ends[0]);
    close(ends[1]);
    EXPECT_FALSE(PeerIsCurrentUser(ends[0])) << "a closed descriptor vouches for nobody";
}

#endif
