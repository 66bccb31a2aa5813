#pragma once
// The settings store in the current user's registry. Every change goes to the registry at
// once; sections are subkeys of the root key, opened for each operation and closed after it.
// Names and texts are UTF-8; they are stored as the registry's own (UTF-16) strings.

#ifdef _WIN32

#include "SettingsStore.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

class TRegistryStore : public TSettingsStore {
public:
    // Opens the root key, creating it with any missing parents. When that fails, reads give
    // their defaults and writes throw.
    explicit TRegistryStore(std::string rootKey);
    ~TRegistryStore() override;

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
    void Put(const std::string &section, const std::string &name, DWORD type, const BYTE *data,
             DWORD size);
    [[noreturn]] void Fail(const std::string &what, const std::string &section, LONG code) const;

    std::string RootKey;
    HKEY Root = nullptr;
    LONG OpenResult = ERROR_SUCCESS;
};

#endif
