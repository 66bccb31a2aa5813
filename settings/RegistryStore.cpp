#ifdef _WIN32

#include "RegistryStore.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <system_error>
#include <vector>

namespace {

// Names and texts are UTF-8, as the rest of the program keeps them; the registry's narrow
// functions would read them in the ANSI code page, so everything goes through the wide ones.
std::wstring Wide(const std::string &text) {
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    std::wstring wide(
        static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0)),
        L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), static_cast<int>(wide.size()));
    return wide;
}

std::string Utf8(const std::wstring &wide) {
    if (wide.empty()) {
        return {};
    }
    const int size = static_cast<int>(wide.size());
    std::string text(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, wide.data(), size,
                                                                  nullptr, 0, nullptr, nullptr)),
                     '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, text.data(), static_cast<int>(text.size()),
                        nullptr, nullptr);
    return text;
}

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
    OpenResult = RegCreateKeyExW(HKEY_CURRENT_USER, Wide(RootKey).c_str(), 0, nullptr, 0,
                                 KEY_ALL_ACCESS, nullptr, &Root, nullptr);
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
        RegOpenKeyExW(Root, Wide(section).c_str(), 0, KEY_QUERY_VALUE, &key.Key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    const std::wstring wideName = Wide(name);
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key.Key, wideName.c_str(), nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::vector<BYTE> data(size + sizeof(wchar_t));
    if (RegQueryValueExW(key.Key, wideName.c_str(), nullptr, &type, data.data(), &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    TStoredValue value;
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        value.Kind = TStoredValue::TKind::Text;
        std::wstring text(size / sizeof(wchar_t), L'\0');
        std::memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));
        // The stored size counts the terminating zero, when the writer stored one.
        text.resize(std::min(text.find(L'\0'), text.size()));
        value.Text = Utf8(text);
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
    LONG result = RegCreateKeyExW(Root, Wide(section).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                  nullptr, &key.Key, nullptr);
    if (result != ERROR_SUCCESS) {
        Fail("create the key", section, result);
    }
    result = RegSetValueExW(key.Key, Wide(name).c_str(), 0, type, data, size);
    if (result != ERROR_SUCCESS) {
        Fail("write the value \"" + name + "\"", section, result);
    }
}

void TRegistryStore::PutText(const std::string &section, const std::string &name,
                             const std::string &text) {
    const std::wstring wide = Wide(text);
    Put(section, name, REG_SZ, reinterpret_cast<const BYTE *>(wide.c_str()),
        static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
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
    LONG result = RegOpenKeyExW(Root, Wide(section).c_str(), 0, KEY_SET_VALUE, &key.Key);
    if (result == ERROR_FILE_NOT_FOUND) {
        return;
    }
    if (result == ERROR_SUCCESS) {
        result = RegDeleteValueW(key.Key, Wide(name).c_str());
    }
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) {
        Fail("delete the value \"" + name + "\"", section, result);
    }
}

bool TRegistryStore::SectionExists(const std::string &section) {
    TKeyHolder key;
    if (!Root ||
        RegOpenKeyExW(Root, Wide(section).c_str(), 0, KEY_QUERY_VALUE, &key.Key) != ERROR_SUCCESS) {
        return false;
    }
    DWORD valueCount = 0;
    return RegQueryInfoKeyW(key.Key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                            &valueCount, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
           valueCount > 0;
}

#endif
