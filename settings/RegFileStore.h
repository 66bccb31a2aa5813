#pragma once
// The settings store as one file in the registry export format ("REGEDIT4"), so that strings
// and 32-bit numbers keep their types exactly as the registry keeps them:
//
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\Software\Ostrune\Quorva\Preferences]
//   "bMinToTray"="1"
//   "iRemThreshold"=dword:00000002
//
// The whole file is read when the store is opened and written back, whole and atomically,
// when it is closed after a change, always as above: REGEDIT4, UTF-8, LF. Names of sections
// and values match without regard to ASCII case, as in the registry.
//
// The reader also takes what the registry editor exports and what other editors make of the
// file: the header "Windows Registry Editor Version 5.00", UTF-16 in either byte order after
// its byte-order mark, a UTF-8 byte-order mark, and lines ending in CR LF, LF or CR alone.

#include "SettingsStore.h"

#include <filesystem>
#include <optional>
#include <unordered_map>
#include <vector>

class TRegFileStore : public TSettingsStore {
public:
    // A missing file is an empty store. A file that exists but cannot be read is an empty
    // store too, but one that refuses to be saved, so that it never overwrites settings it
    // could not see.
    //
    // A file that can be read but is not understood at all (it holds something other than
    // blanks, yet neither a header line nor a line opening a key) is moved to "<file>.bad",
    // replacing an older one, and the store starts empty; TakeNotice() then tells the user.
    // When the move fails the store refuses to be saved, as above.
    TRegFileStore(std::filesystem::path path, std::string rootKey);
    ~TRegFileStore() override;

    // The message about the file last set aside, or empty when none was since the last call;
    // each message is given once. Shared by all stores of the process.
    static std::string TakeNotice();

    void DeleteValue(const std::string &section, const std::string &name) override;
    bool SectionExists(const std::string &section) override;
    void Close() override;

protected:
    std::optional<TStoredValue> Get(const std::string &section, const std::string &name) override;
    void PutText(const std::string &section, const std::string &name,
                 const std::string &text) override;
    void PutNumber(const std::string &section, const std::string &name,
                   std::uint32_t number) override;

private:
    struct TNamedValue {
        std::string Name;
        TStoredValue Value;
    };
    // A section's values in the order they were first stored, each found through its name in
    // lower case, so that a file of any size is read and written in one pass. A deleted value
    // leaves an empty place behind rather than moving the ones after it.
    struct TSection {
        std::string Name;
        std::vector<std::optional<TNamedValue>> Values;
        std::unordered_map<std::string, std::size_t> Places;
    };

    void Load();
    void SetAside();
    void ParseLine(const std::string &line, TSection *&current);
    std::string Serialise() const;
    TSection *FindSection(const std::string &name);
    TSection &SectionFor(const std::string &name);
    static void Put(TSection &section, const std::string &name, TStoredValue value);

    std::filesystem::path Path;
    std::string RootKey;
    // In the order first seen; SectionPlaces finds each by its name in lower case.
    std::vector<TSection> Sections;
    std::unordered_map<std::string, std::size_t> SectionPlaces;
    std::string LoadError;
    bool Changed = false;
    bool Closed = false;
};

// Where the file backend keeps the store of `rootKey`: "Software\Ostrune\Quorva" becomes
// $XDG_CONFIG_HOME/Ostrune/Quorva.reg.
std::filesystem::path RegFilePathFor(const std::string &rootKey);
