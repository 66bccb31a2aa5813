#pragma once
// A fresh $XDG_CONFIG_HOME for each test, so that no test sees another's files or the user's.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>

class TempConfigHome : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "quorva-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        Root = pattern;
        Saved = Remember("XDG_CONFIG_HOME");
        SavedHome = Remember("HOME");
        ::setenv("XDG_CONFIG_HOME", ConfigHome().c_str(), 1);
    }

    void TearDown() override {
        Restore("XDG_CONFIG_HOME", Saved);
        Restore("HOME", SavedHome);
        std::error_code ignored;
        std::filesystem::remove_all(Root, ignored);
    }

    std::filesystem::path ConfigHome() const { return Root / "config"; }
    std::filesystem::path StoreFile() const { return ConfigHome() / "Ostrune" / "Quorva.reg"; }

    static void WriteText(const std::filesystem::path &path, const std::string &text) {
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }

    static std::string ReadText(const std::filesystem::path &path) {
        std::ifstream file(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }

    // A store file holding `lines` under the given section of the program's key.
    void WriteStore(const std::string &section, const std::string &lines) const {
        WriteText(StoreFile(), "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Ostrune\\Quorva\\" +
                                   section + "]\n" + lines);
    }

    std::filesystem::path Root;

private:
    static std::optional<std::string> Remember(const char *name) {
        const char *value = std::getenv(name);
        return value ? std::optional<std::string>(value) : std::nullopt;
    }

    static void Restore(const char *name, const std::optional<std::string> &value) {
        if (value) {
            ::setenv(name, value->c_str(), 1);
        } else {
            ::unsetenv(name);
        }
    }

    std::optional<std::string> Saved;
    std::optional<std::string> SavedHome;
};
