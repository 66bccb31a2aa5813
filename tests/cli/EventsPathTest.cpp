#include "EventsPath.h"
#include "ScopedEnvironment.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

// Permission bits bind every user but the superuser, who can write anywhere.
bool PermissionsBind() {
#ifdef _WIN32
    return true;
#else
    return ::geteuid() != 0;
#endif
}

} // namespace

TEST(DefaultEventsFilePath, IsBesideTheExecutableWhenItsFolderIsWritable) {
    TempFolder folder;
    const fs::path exeDir = folder.Path() / "bin";
    fs::create_directories(exeDir);
    ScopedEnvironment data("XDG_DATA_HOME", folder.File("data"));
    EXPECT_EQ(DefaultEventsFilePath(exeDir), (exeDir / "quorva.ini").string());
    TempFolder::Write((exeDir / "quorva.ini").string(), "[Weekly]\r\n2=Gym\r\n");
    EXPECT_EQ(DefaultEventsFilePath(exeDir), (exeDir / "quorva.ini").string());
    EXPECT_FALSE(fs::exists(folder.Path() / "data"));
}

TEST(DefaultEventsFilePath, MovesToTheDataFolderWhenTheExecutablesFolderCannotBeWritten) {
    TempFolder folder;
    ScopedEnvironment data("XDG_DATA_HOME", folder.File("data"));
    const std::string redirected = (folder.Path() / "data" / "Quorva" / "quorva.ini").string();
    EXPECT_EQ(DefaultEventsFilePath(folder.Path() / "missing"), redirected);
    EXPECT_TRUE(fs::is_directory(folder.Path() / "data" / "Quorva"));

    if (!PermissionsBind())
        GTEST_SKIP() << "the superuser can write every folder and file";
    const fs::path exeDir = folder.Path() / "bin";
    fs::create_directories(exeDir);
    TempFolder::Write((exeDir / "quorva.ini").string(), "");
    fs::permissions(exeDir / "quorva.ini", fs::perms::owner_write, fs::perm_options::remove);
    EXPECT_EQ(DefaultEventsFilePath(exeDir), redirected) << "read-only file";
    // Windows refuses to delete a read-only file.
    fs::permissions(exeDir / "quorva.ini", fs::perms::owner_write, fs::perm_options::add);
    fs::remove(exeDir / "quorva.ini");
#ifndef _WIN32
    // A folder's read-only attribute does not stop writing in it on Windows.
    fs::permissions(exeDir, fs::perms::owner_write, fs::perm_options::remove);
    EXPECT_EQ(DefaultEventsFilePath(exeDir), redirected) << "read-only folder";
#endif
}

TEST(DefaultEventsFilePath, UsesTheHomeFolderWhenNoDataFolderIsSet) {
    TempFolder folder;
    ScopedEnvironment data("XDG_DATA_HOME", "");
    ScopedEnvironment home("HOME", folder.Path().string());
    EXPECT_EQ(DefaultEventsFilePath(folder.Path() / "missing"),
              (folder.Path() / ".local" / "share" / "Quorva" / "quorva.ini").string());
}
