#pragma once
// A fresh settings store for each test, so that no test sees another's settings or the user's:
// a temporary $XDG_CONFIG_HOME for the registry-file backend, and on Windows a temporary key
// that stands in for the current user's registry hive.

#include <gtest/gtest.h>

#include "SettingsStore.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdio>
#include <cstring>
#endif

class TempConfigHome : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device random;
        Root = std::filesystem::temp_directory_path() /
               ("quorva-" + std::to_string(random()) + std::to_string(random()));
        ASSERT_TRUE(std::filesystem::create_directories(Root));
        Saved = Remember("XDG_CONFIG_HOME");
        SavedHome = Remember("HOME");
        SetEnv("XDG_CONFIG_HOME", ConfigHome().string());
#ifdef _WIN32
        SandboxName = "Software\\Quorva test " + Root.filename().string();
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, SandboxName.c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &Sandbox, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, Sandbox), ERROR_SUCCESS);
#endif
    }

    void TearDown() override {
#ifdef _WIN32
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        if (Sandbox) {
            RegDeleteTreeA(Sandbox, nullptr);
            RegCloseKey(Sandbox);
            RegDeleteKeyA(HKEY_CURRENT_USER, SandboxName.c_str());
        }
#endif
        Restore("XDG_CONFIG_HOME", Saved);
        Restore("HOME", SavedHome);
        std::error_code ignored;
        std::filesystem::remove_all(Root, ignored);
    }

    std::filesystem::path ConfigHome() const {
        return Root / "config";
    }
    std::filesystem::path StoreFile() const {
        return ConfigHome() / "Ostrune" / "Quorva.reg";
    }

    static void WriteText(const std::filesystem::path &path, const std::string &text) {
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }

    static std::string ReadText(const std::filesystem::path &path) {
        std::ifstream file(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }

    static void SetEnv(const char *name, const std::string &value) {
#ifdef _WIN32
        ::_putenv_s(name, value.c_str());
#else
        ::setenv(name, value.c_str(), 1);
#endif
    }

    static void UnsetEnv(const char *name) {
#ifdef _WIN32
        ::_putenv_s(name, ""); // an empty value removes the variable
#else
        ::unsetenv(name);
#endif
    }

    static std::string Header(const std::string &section) {
        return "[HKEY_CURRENT_USER\\" + std::string(QuorvaSettingsKey) + "\\" + section + "]";
    }

    // A store holding only `lines`, in the registry export format, under the given section of
    // the program's key; further header lines in `lines` start further sections.
    void WriteStore(const std::string &section, const std::string &lines) const {
#ifdef _WIN32
        RegDeleteTreeA(HKEY_CURRENT_USER, QuorvaSettingsKey);
        std::istringstream in(Header(section) + "\n" + lines);
        std::string line;
        std::string current;
        while (std::getline(in, line)) {
            if (line.rfind("[HKEY_CURRENT_USER\\", 0) == 0) {
                current = line.substr(19, line.size() - 20); // inside "[HKEY_CURRENT_USER\\...]"
                HKEY key = nullptr;
                ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, current.c_str(), 0, nullptr, 0,
                                          KEY_ALL_ACCESS, nullptr, &key, nullptr),
                          ERROR_SUCCESS);
                RegCloseKey(key);
            } else if (!line.empty()) {
                PutRegistryLine(current, line);
            }
        }
#else
        WriteText(StoreFile(), "REGEDIT4\n\n" + Header(section) + "\n" + lines);
#endif
    }

    // The values of a section as the export format writes them, one "name"=value line each; the
    // registry keeps no order, so compare them as a LineSet.
    std::string SectionText(const std::string &section) const {
#ifdef _WIN32
        HKEY key = nullptr;
        const std::string path = std::string(QuorvaSettingsKey) + "\\" + section;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &key) !=
            ERROR_SUCCESS) {
            return {};
        }
        std::string text;
        for (DWORD index = 0;; ++index) {
            char name[256];
            DWORD nameSize = sizeof name;
            BYTE data[1024];
            DWORD dataSize = sizeof data;
            DWORD type = 0;
            if (RegEnumValueA(key, index, name, &nameSize, nullptr, &type, data, &dataSize) !=
                ERROR_SUCCESS) {
                break;
            }
            text += Quoted(name) + "=" + ValueText(type, data, dataSize) + "\n";
        }
        RegCloseKey(key);
        return text;
#else
        const std::string file = ReadText(StoreFile());
        const std::size_t header = file.find(Header(section) + "\n");
        if (header == std::string::npos) {
            return {};
        }
        const std::size_t begin = file.find('\n', header) + 1;
        const std::size_t end = file.find("\n\n", begin - 1);
        return file.substr(begin, end == std::string::npos ? std::string::npos : end + 1 - begin);
#endif
    }

    static std::multiset<std::string> LineSet(const std::string &text) {
        std::multiset<std::string> lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) {
            lines.insert(line);
        }
        return lines;
    }

    std::filesystem::path Root;

private:
    static std::optional<std::string> Remember(const char *name) {
        const char *value = std::getenv(name);
        return value ? std::optional<std::string>(value) : std::nullopt;
    }

    static void Restore(const char *name, const std::optional<std::string> &value) {
        if (value) {
            SetEnv(name, *value);
        } else {
            UnsetEnv(name);
        }
    }

#ifdef _WIN32
    static std::string Quoted(const std::string &text) {
        std::string out = "\"";
        for (const char c : text) {
            out += c == '\\'   ? "\\\\"
                   : c == '"'  ? "\\\""
                   : c == '\n' ? "\\n"
                   : c == '\r' ? "\\r"
                               : std::string(1, c);
        }
        return out + '"';
    }

    static std::string ValueText(DWORD type, const BYTE *data, DWORD size) {
        if (type == REG_DWORD && size == sizeof(DWORD)) {
            DWORD number = 0;
            std::memcpy(&number, data, sizeof number);
            char hex[16];
            std::snprintf(hex, sizeof hex, "%08lx", static_cast<unsigned long>(number));
            return std::string("dword:") + hex;
        }
        if (type == REG_SZ) {
            return Quoted(std::string(reinterpret_cast<const char *>(data),
                                      size > 0 && data[size - 1] == 0 ? size - 1 : size));
        }
        return "hex(" + std::to_string(type) + "):...";
    }

    // Stores one "name"=value line of the export format: a quoted string, a dword of up to
    // eight hexadecimal digits, or anything else as binary data, which no read can use.
    static void PutRegistryLine(const std::string &key, const std::string &line) {
        const std::size_t equals = line.find("\"=");
        ASSERT_TRUE(line.front() == '"' && equals != std::string::npos) << line;
        const std::string name = line.substr(1, equals - 1);
        const std::string value = line.substr(equals + 2);
        LONG result = ERROR_SUCCESS;
        char *end = nullptr;
        const unsigned long number =
            value.size() > 6 ? std::strtoul(value.c_str() + 6, &end, 16) : 0;
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
            const std::string text = value.substr(1, value.size() - 2);
            result = RegSetKeyValueA(HKEY_CURRENT_USER, key.c_str(), name.c_str(), REG_SZ,
                                     text.c_str(), static_cast<DWORD>(text.size() + 1));
        } else if (_strnicmp(value.c_str(), "dword:", 6) == 0 && value.size() <= 14 && end &&
                   *end == '\0') {
            const DWORD dword = static_cast<DWORD>(number);
            result = RegSetKeyValueA(HKEY_CURRENT_USER, key.c_str(), name.c_str(), REG_DWORD,
                                     &dword, sizeof dword);
        } else {
            result = RegSetKeyValueA(HKEY_CURRENT_USER, key.c_str(), name.c_str(), REG_BINARY,
                                     value.data(), static_cast<DWORD>(value.size()));
        }
        ASSERT_EQ(result, ERROR_SUCCESS) << line;
    }

    std::string SandboxName;
    HKEY Sandbox = nullptr;
#endif

    std::optional<std::string> Saved;
    std::optional<std::string> SavedHome;
};
