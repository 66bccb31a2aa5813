#pragma once
// The per-user settings store: sections of named values under one root key of the current
// user's registry (on Windows) or of a registry-export file (elsewhere). Each value keeps its
// type, a string or a 32-bit number, so the encoding rules below behave the same on both.

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

// The one exception type of the settings; what() is the message shown to the user.
class SettingsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr char QuorvaSettingsKey[] = "Software\\Ostrune\\Quorva";
inline constexpr char WindowsCurrentVersionKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";

// One value as it is stored, before any conversion.
struct TStoredValue {
    enum class TKind { Text, Number, Other };
    TKind Kind = TKind::Other;
    std::string Text;
    std::uint32_t Number = 0;
};

// Reads never fail: a missing section or value, or one of a type the read cannot use, gives the
// default. Writes and deletes throw SettingsError when the store cannot be changed.
class TSettingsStore {
public:
    virtual ~TSettingsStore() = default;

    // Booleans are strings "1"/"0"; a read goes through ReadInteger, so any non-zero number or
    // numeric string is true.
    bool ReadBool(const std::string &section, const std::string &name, bool defaultValue);
    // A number is used as a signed 32-bit value; a string must be a decimal 32-bit integer.
    int ReadInteger(const std::string &section, const std::string &name, int defaultValue);
    std::string ReadString(const std::string &section, const std::string &name,
                           const std::string &defaultValue);

    void WriteBool(const std::string &section, const std::string &name, bool value);
    // Written as a number, unless a string of that name exists: then as its decimal digits,
    // so a value someone stored as text stays text.
    void WriteInteger(const std::string &section, const std::string &name, int value);
    void WriteString(const std::string &section, const std::string &name, const std::string &value);

    // Deleting a value that does not exist is no error.
    virtual void DeleteValue(const std::string &section, const std::string &name) = 0;
    // A section exists only while it holds at least one value.
    virtual bool SectionExists(const std::string &section) = 0;
    // Makes every change permanent; throws SettingsError when that fails. Closing twice is
    // harmless, and a store destroyed without Close() closes itself, ignoring failure.
    virtual void Close() = 0;

protected:
    virtual std::optional<TStoredValue> Get(const std::string &section,
                                            const std::string &name) = 0;
    virtual void PutText(const std::string &section, const std::string &name,
                         const std::string &text) = 0;
    virtual void PutNumber(const std::string &section, const std::string &name,
                           std::uint32_t number) = 0;
};

// Opens the store rooted at `rootKey` (QuorvaSettingsKey, say) of the current user. The
// file backend finds its file from the environment at the time of the call and creates it
// only when something is written.
std::unique_ptr<TSettingsStore> OpenSettingsStore(const std::string &rootKey);

// What the user should be told about the store itself, or empty: on Linux, that a settings
// file which could not be understood was kept aside as "<file>.bad" and the defaults are used.
// Each message is given once; the main window shows it after reading its settings.
std::string TakeSettingsNotice();
