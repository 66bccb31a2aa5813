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
// when it is closed after a change. Names of sections and values match without regard to
// ASCII case, as in the registry.

#include "SettingsStore.h"

#include <filesystem>
#include <vector>

class TRegFileStore : public TSettingsStore {
public:
    // A missing file is an empty store. A file that exists but cannot be read is an empty
    // store too, but one that refuses to be saved, so that it never overwrites settings it
    // could not see.
    TRegFileStore(std::filesystem::path path, std::string rootKey);
    ~TRegFileStore() override;

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
    struct TSection {
        std::string Name;
        std::vector<TNamedValue> Values;
    };

    void Load();
    void ParseLine(const std::string &line, TSection *&current);
    std::string Serialise() const;
    TSection *FindSection(const std::string &name);
    TSection &SectionFor(const std::string &name);
    void Put(const std::string &section, const std::string &name, TStoredValue value);

    std::filesystem::path Path;
    std::string RootKey;
    std::vector<TSection> Sections;
    std::string LoadError;
    bool Changed = false;
    bool Closed = false;
};

// Where the file backend keeps the store of `rootKey`: "Software\Ostrune\Quorva" becomes
// $XDG_CONFIG_HOME/Ostrune/Quorva.reg.
std::filesystem::path RegFilePathFor(const std::string &rootKey);
