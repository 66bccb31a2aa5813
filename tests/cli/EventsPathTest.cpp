#include "EventsPath.h"
#include "ScopedEnvironment.h"
#include "TempFolder.h"
#include "WithoutRoot.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

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

#ifndef _WIN32
    // A folder's read-only attribute does not stop writing in it on Windows. Permission bits
    // bind only a user without root, so the check runs as one.
    const fs::path exeDir = folder.Path() / "bin";
    fs::create_directories(exeDir);
    const std::string result = RunWithoutRoot(folder.Path(), [&]() -> std::string {
        fs::permissions(exeDir, fs::perms::owner_write, fs::perm_options::remove);
        const std::string chosen = DefaultEventsFilePath(exeDir);
        fs::permissions(exeDir, fs::perms::owner_write, fs::perm_options::add);
        return chosen == redirected ? "" : "a read-only folder gave " + chosen;
    });
    if (result.rfind("skip: ", 0) == 0)
        GTEST_SKIP() << result;
    EXPECT_EQ(result, "");
#endif
}

// A save that cannot write the file in use must fail visibly; a second file elsewhere would
// hold edits that the next start never reads.
TEST(DefaultEventsFilePath, KeepsAnExistingFileEvenWhenItCannotBeWritten) {
    TempFolder folder;
    ScopedEnvironment data("XDG_DATA_HOME", folder.File("data"));
    const fs::path exeDir = folder.Path() / "bin";
    fs::create_directories(exeDir);
    const fs::path beside = exeDir / "quorva.ini";
    TempFolder::Write(beside.string(), "[Weekly]\r\n2=Gym\r\n");
    fs::permissions(beside, fs::perms::owner_write, fs::perm_options::remove);
    EXPECT_EQ(DefaultEventsFilePath(exeDir), beside.string()) << "read-only file";
#ifndef _WIN32
    fs::permissions(exeDir, fs::perms::owner_write, fs::perm_options::remove);
    EXPECT_EQ(DefaultEventsFilePath(exeDir), beside.string()) << "read-only folder";
    fs::permissions(exeDir, fs::perms::owner_write, fs::perm_options::add);
#endif
    // Windows refuses to delete a read-only file.
    fs::permissions(beside, fs::perms::owner_write, fs::perm_options::add);
    EXPECT_FALSE(fs::exists(folder.Path() / "data" / "Quorva" / "quorva.ini"));
}

TEST(DefaultEventsFilePath, PrefersTheDataFoldersFileOverAnEmptyExecutableFolder) {
    TempFolder folder;
    ScopedEnvironment data("XDG_DATA_HOME", folder.File("data"));
    const fs::path exeDir = folder.Path() / "bin";
    fs::create_directories(exeDir);
    fs::create_directories(folder.Path() / "data" / "Quorva");
    const fs::path redirected = folder.Path() / "data" / "Quorva" / "quorva.ini";
    TempFolder::Write(redirected.string(), "[Weekly]\r\n2=Gym\r\n");
    EXPECT_EQ(DefaultEventsFilePath(exeDir), redirected.string());
}

TEST(DefaultEventsFilePath, UsesTheHomeFolderWhenNoDataFolderIsSet) {
    TempFolder folder;
    ScopedEnvironment data("XDG_DATA_HOME", "");
    ScopedEnvironment home("HOME", folder.Path().string());
    EXPECT_EQ(DefaultEventsFilePath(folder.Path() / "missing"),
              (folder.Path() / ".local" / "share" / "Quorva" / "quorva.ini").string());
}
