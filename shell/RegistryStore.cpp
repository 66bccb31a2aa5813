#ifdef _WIN32

#include "RegistryStore.h"

#include <cstring>
#include <system_error>
#include <vector>

namespace {

// Closes a key when it goes out of scope.
struct TKeyHolder {
    HKEY Key = nullptr;
    ~TKeyHolder() {
        if (Key) {
            RegCloseKey(Key);
        }
    }
};

} // namespace

TRegistryStore::TRegistryStore(std::string rootKey) : RootKey(std::move(rootKey)) {
    OpenResult = RegCreateKeyExA(HKEY_CURRENT_USER, RootKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                 nullptr, &Root, nullptr);
    if (OpenResult != ERROR_SUCCESS) {
        Root = nullptr;
    }
}

TRegistryStore::~TRegistryStore() {
    Close();
}

void TRegistryStore::Close() {
    if (Root) {
        RegCloseKey(Root);
        Root = nullptr;
    }
}

void TRegistryStore::Fail(const std::string &what, const std::string &section, LONG code) const {
    const std::string key =
        "HKEY_CURRENT_USER\\" + RootKey + (section.empty() ? "" : "\\") + section;
    throw SettingsError("Unable to " + what + " in " + key + ": " +
                        std::system_category().message(static_cast<int>(code)));
}

std::optional<TStoredValue> TRegistryStore::Get(const std::string &section,
                                                const std::string &name) {
    TKeyHolder key;
    if (!Root ||
        RegOpenKeyExA(Root, section.c_str(), 0, KEY_QUERY_VALUE, &key.Key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key.Key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::vector<BYTE> data(size + 1);
    if (RegQueryValueExA(key.Key, name.c_str(), nullptr, &type, data.data(), &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    TStoredValue value;
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        value.Kind = TStoredValue::TKind::Text;
        value.Text.assign(reinterpret_cast<const char *>(data.data()), size);
        // The stored size counts the terminating zero, when the writer stored one.
        value.Text.resize(value.Text.find('\0') == std::string::npos ? value.Text.size()
                                                                     : value.Text.find('\0'));
    } else if (type == REG_DWORD && size == sizeof(DWORD)) {
        value.Kind = TStoredValue::TKind::Number;
        std::memcpy(&value.Number, data.data(), sizeof(DWORD));
    }
    return value;
}

void TRegistryStore::Put(const std::string &section, const std::string &name, DWORD type,
                         const BYTE *data, DWORD size) {
    if (!Root) {
        Fail("open the key", "", OpenResult);
    }
    TKeyHolder key;
    LONG result = RegCreateKeyExA(Root, section.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                  &key.Key, nullptr);
    if (result != ERROR_SUCCESS) {
        Fail("create the key", section, result);
    }
    result = RegSetValueExA(key.Key, name.c_str(), 0, type, data, size);
    if (result != ERROR_SUCCESS) {
        Fail("write the value \"" + name + "\"", section, result);
    }
}

void TRegistryStore::PutText(const std::string &section, const std::string &name,
                             const std::string &text) {
    Put(section, name, REG_SZ, reinterpret_cast<const BYTE *>(text.c_str()),
        static_cast<DWORD>(text.size() + 1));
}

void TRegistryStore::PutNumber(const std::string &section, const std::string &name,
                               std::uint32_t number) {
    const DWORD data = number;
    Put(section, name, REG_DWORD, reinterpret_cast<const BYTE *>(&data), sizeof data);
}

void TRegistryStore::DeleteValue(const std::string &section, const std::string &name) {
    if (!Root) {
        Fail("open the key", "", OpenResult);
    }
    TKeyHolder key;
    LONG result = RegOpenKeyExA(Root, section.c_str(), 0, KEY_SET_VALUE, &key.Key);
    if (result == ERROR_FILE_NOT_FOUND) {
        return;
    }
    if (result == ERROR_SUCCESS) {
        result = RegDeleteValueA(key.Key, name.c_str());
    }
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) {
        Fail("delete the value \"" + name + "\"", section, result);
    }
}

bool TRegistryStore::SectionExists(const std::string &section) {
    TKeyHolder key;
    if (!Root ||
        RegOpenKeyExA(Root, section.c_str(), 0, KEY_QUERY_VALUE, &key.Key) != ERROR_SUCCESS) {
        return false;
    }
    DWORD valueCount = 0;
    return RegQueryInfoKeyA(key.Key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                            &valueCount, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
           valueCount > 0;
}

#endif
