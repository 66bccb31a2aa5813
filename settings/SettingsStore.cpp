#include "SettingsStore.h"

#include <charconv>

#ifdef _WIN32
#include "RegistryStore.h"
#else
#include "RegFileStore.h"
#include "XdgFiles.h"
#endif

namespace {

// Only an optional minus and decimal digits that fit in 32 bits count as an integer.
std::optional<int> ParseDecimal(const std::string &text) {
    int value = 0;
    const char *first = text.data();
    const char *last = first + text.size();
    auto [end, error] = std::from_chars(first, last, value);
    if (text.empty() || error != std::errc() || end != last) {
        return std::nullopt;
    }
    return value;
}

} // namespace

bool TSettingsStore::ReadBool(const std::string &section, const std::string &name,
                              bool defaultValue) {
    return ReadInteger(section, name, defaultValue ? 1 : 0) != 0;
}

int TSettingsStore::ReadInteger(const std::string &section, const std::string &name,
                                int defaultValue) {
    const std::optional<TStoredValue> stored = Get(section, name);
    if (!stored) {
        return defaultValue;
    }
    switch (stored->Kind) {
    case TStoredValue::TKind::Number:
        return static_cast<int>(stored->Number);
    case TStoredValue::TKind::Text:
        return ParseDecimal(stored->Text).value_or(defaultValue);
    case TStoredValue::TKind::Other:
        break;
    }
    return defaultValue;
}

std::string TSettingsStore::ReadString(const std::string &section, const std::string &name,
                                       const std::string &defaultValue) {
    const std::optional<TStoredValue> stored = Get(section, name);
    if (!stored || stored->Kind != TStoredValue::TKind::Text) {
        return defaultValue;
    }
    return stored->Text;
}

void TSettingsStore::WriteBool(const std::string &section, const std::string &name, bool value) {
    PutText(section, name, value ? "1" : "0");
}

void TSettingsStore::WriteInteger(const std::string &section, const std::string &name, int value) {
    const std::optional<TStoredValue> stored = Get(section, name);
    if (stored && stored->Kind == TStoredValue::TKind::Text) {
        PutText(section, name, std::to_string(value));
    } else {
        PutNumber(section, name, static_cast<std::uint32_t>(value));
    }
}

void TSettingsStore::WriteString(const std::string &section, const std::string &name,
                                 const std::string &value) {
    PutText(section, name, value);
}

std::unique_ptr<TSettingsStore> OpenSettingsStore(const std::string &rootKey) {
#ifdef _WIN32
    return std::make_unique<TRegistryStore>(rootKey);
#else
    return std::make_unique<TRegFileStore>(RegFilePathFor(rootKey), rootKey);
#endif
}

std::string TakeSettingsNotice() {
#ifdef _WIN32
    return {};
#else
    return TRegFileStore::TakeNotice();
#endif
}
