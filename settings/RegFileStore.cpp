#ifndef _WIN32

#include "RegFileStore.h"

#include "XdgFiles.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <utility>

namespace fs = std::filesystem;

namespace {

constexpr char HiveName[] = "HKEY_CURRENT_USER";

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(const std::string &a, const std::string &b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return LowerAscii(x) == LowerAscii(y);
           });
}

// The key a name is found by: matches under EqualsNoCase() are exactly the equal keys.
std::string Folded(const std::string &name) {
    std::string key = name;
    std::transform(key.begin(), key.end(), key.begin(), LowerAscii);
    return key;
}

bool StartsWithNoCase(const std::string &text, const std::string &prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

std::string Trimmed(const std::string &text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// Quotes a name or string value: backslash and double quote are escaped as regedit does; line
// breaks, which a registry string may hold but a line may not, become \n and \r.
std::string Quoted(const std::string &text) {
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out + '"';
}

// Reads a quoted text starting at line[pos] and leaves pos after its closing quote; false for
// anything else, including an escape that Quoted() never writes.
bool ParseQuoted(const std::string &line, std::size_t &pos, std::string &out) {
    if (pos >= line.size() || line[pos] != '"') {
        return false;
    }
    out.clear();
    for (++pos; pos < line.size(); ++pos) {
        const char c = line[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++pos == line.size()) {
            return false;
        }
        switch (line[pos]) {
        case '\\':
            out += '\\';
            break;
        case '"':
            out += '"';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        default:
            return false;
        }
    }
    return false;
}

// "dword:" is followed by one to eight hexadecimal digits; regedit writes exactly eight.
std::optional<std::uint32_t> ParseDword(const std::string &text) {
    const std::string prefix = "dword:";
    if (!StartsWithNoCase(text, prefix)) {
        return std::nullopt;
    }
    const std::string digits = text.substr(prefix.size());
    if (digits.empty() || digits.size() > 8 ||
        digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(std::stoul(digits, nullptr, 16));
}

// The first line of an export, in its older and its newer form.
bool IsHeader(const std::string &line) {
    return EqualsNoCase(line, "REGEDIT4") ||
           EqualsNoCase(line, "Windows Registry Editor Version 5.00");
}

// A line that opens a key of any hive, ours or not.
bool OpensKey(const std::string &line) {
    return StartsWithNoCase(line, "[HKEY_");
}

void AppendUtf8(std::string &out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// UTF-16 after a two-byte byte-order mark, as UTF-8; a lone surrogate or an odd last byte
// becomes U+FFFD.
std::string Utf16ToUtf8(const std::string &bytes, bool bigEndian) {
    const auto unit = [&](std::size_t i) {
        const auto first = static_cast<unsigned char>(bytes[i]);
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        return static_cast<char32_t>(bigEndian ? (first << 8 | second) : (second << 8 | first));
    };
    std::string out;
    for (std::size_t i = 2; i < bytes.size(); i += 2) {
        if (i + 1 == bytes.size()) {
            AppendUtf8(out, 0xFFFD);
            break;
        }
        char32_t c = unit(i);
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes.size()) {
            const char32_t low = unit(i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        AppendUtf8(out, (c >= 0xD800 && c < 0xE000) ? char32_t(0xFFFD) : c);
    }
    return out;
}

// The file's text as UTF-8: UTF-16 in either byte order when a byte-order mark says so (the
// registry editor exports UTF-16 LE), otherwise the bytes as they are, less a UTF-8 mark.
std::string DecodedText(const std::string &bytes) {
    if (bytes.starts_with("\xFF\xFE")) {
        return Utf16ToUtf8(bytes, false);
    }
    if (bytes.starts_with("\xFE\xFF")) {
        return Utf16ToUtf8(bytes, true);
    }
    return bytes.starts_with("\xEF\xBB\xBF") ? bytes.substr(3) : bytes;
}

std::string &PendingNotice() {
    static std::string notice;
    return notice;
}

std::string DwordText(std::uint32_t number) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "dword:%08x", static_cast<unsigned>(number));
    return buffer;
}

} // namespace

TRegFileStore::TRegFileStore(fs::path path, std::string rootKey)
    : Path(std::move(path)), RootKey(std::move(rootKey)) {
    Load();
}

TRegFileStore::~TRegFileStore() {
    try {
        Close();
    } catch (const SettingsError &) {
        // A destructor cannot report; callers that care call Close() themselves.
    }
}

void TRegFileStore::Load() {
    std::error_code error;
    if (Path.empty() || !fs::exists(Path, error)) {
        return;
    }
    if (!fs::is_regular_file(Path, error)) {
        LoadError = "not a regular file";
        return;
    }
    std::ifstream file(Path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (!file.is_open() || file.bad()) {
        LoadError = "cannot be read";
        return;
    }
    const std::string text = DecodedText(bytes);
    bool understood = false;
    TSection *current = nullptr;
    // Lines end at CR LF, LF or a lone CR, whichever system wrote the file.
    for (std::size_t begin = 0; begin < text.size();) {
        const std::size_t end = std::min(text.find_first_of("\r\n", begin), text.size());
        const std::string line = Trimmed(text.substr(begin, end - begin));
        understood = understood || IsHeader(line) || OpensKey(line);
        ParseLine(line, current);
        begin = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    if (!understood && text.find_first_not_of(" \t\r\n") != std::string::npos) {
        SetAside();
    }
}

// Moves a file with content but nothing of the export format out of the way, so that the next
// save cannot overwrite it. A link is moved as it is, its target untouched.
void TRegFileStore::SetAside() {
    fs::path aside = Path;
    aside += ".bad";
    std::error_code error;
    fs::rename(Path, aside, error);
    if (error) {
        LoadError = "cannot be understood and cannot be set aside (" + error.message() + ")";
        return;
    }
    PendingNotice() = "The settings file " + Path.string() + " could not be read; it was kept as " +
                      aside.string() + " and the defaults are used.";
}

std::string TRegFileStore::TakeNotice() {
    return std::exchange(PendingNotice(), {});
}

// One line of the file: a section header, a value of the current section, or something this
// store does not understand (the REGEDIT4 line, comments, other keys, other value types),
// which is skipped.
void TRegFileStore::ParseLine(const std::string &line, TSection *&current) {
    if (line.starts_with('[')) {
        const std::string prefix = std::string(HiveName) + '\\' + RootKey + '\\';
        const std::string key = line.ends_with(']') ? line.substr(1, line.size() - 2) : "";
        const std::string section = key.substr(std::min(prefix.size(), key.size()));
        const bool ours = StartsWithNoCase(key, prefix) && !section.empty() &&
                          section.find('\\') == std::string::npos;
        current = ours ? &SectionFor(section) : nullptr;
        return;
    }
    std::size_t pos = 0;
    std::string name;
    if (!current || !ParseQuoted(line, pos, name) || pos >= line.size() || line[pos] != '=') {
        return;
    }
    const std::string data = line.substr(pos + 1);
    TStoredValue value;
    std::size_t dataPos = 0;
    if (ParseQuoted(data, dataPos, value.Text) && dataPos == data.size()) {
        value.Kind = TStoredValue::TKind::Text;
    } else if (const auto number = ParseDword(data)) {
        value.Kind = TStoredValue::TKind::Number;
        value.Number = *number;
    } else {
        return;
    }
    Put(*current, name, std::move(value));
}

std::string TRegFileStore::Serialise() const {
    std::string out = "REGEDIT4\n";
    for (const TSection &section : Sections) {
        if (section.Places.empty()) {
            continue;
        }
        out += "\n[" + std::string(HiveName) + '\\' + RootKey + '\\' + section.Name + "]\n";
        for (const std::optional<TNamedValue> &value : section.Values) {
            if (!value) {
                continue;
            }
            out += Quoted(value->Name);
            out += '=';
            out += value->Value.Kind == TStoredValue::TKind::Number ? DwordText(value->Value.Number)
                                                                    : Quoted(value->Value.Text);
            out += '\n';
        }
    }
    return out + '\n';
}

TRegFileStore::TSection *TRegFileStore::FindSection(const std::string &name) {
    const auto found = SectionPlaces.find(Folded(name));
    return found == SectionPlaces.end() ? nullptr : &Sections[found->second];
}

TRegFileStore::TSection &TRegFileStore::SectionFor(const std::string &name) {
    const auto [place, added] = SectionPlaces.try_emplace(Folded(name), Sections.size());
    if (added) {
        Sections.push_back(TSection{name, {}, {}});
    }
    return Sections[place->second];
}

// A name already in the section keeps its place and its spelling and takes the new value.
void TRegFileStore::Put(TSection &section, const std::string &name, TStoredValue value) {
    const auto [place, added] = section.Places.try_emplace(Folded(name), section.Values.size());
    if (added) {
        section.Values.emplace_back(TNamedValue{name, std::move(value)});
    } else {
        section.Values[place->second]->Value = std::move(value);
    }
}

std::optional<TStoredValue> TRegFileStore::Get(const std::string &section,
                                               const std::string &name) {
    const TSection *found = FindSection(section);
    if (!found) {
        return std::nullopt;
    }
    const auto place = found->Places.find(Folded(name));
    if (place == found->Places.end()) {
        return std::nullopt;
    }
    return found->Values[place->second]->Value;
}

void TRegFileStore::PutText(const std::string &section, const std::string &name,
                            const std::string &text) {
    Put(SectionFor(section), name, TStoredValue{TStoredValue::TKind::Text, text, 0});
    Changed = true;
}

void TRegFileStore::PutNumber(const std::string &section, const std::string &name,
                              std::uint32_t number) {
    Put(SectionFor(section), name, TStoredValue{TStoredValue::TKind::Number, {}, number});
    Changed = true;
}

void TRegFileStore::DeleteValue(const std::string &section, const std::string &name) {
    TSection *found = FindSection(section);
    if (!found) {
        return;
    }
    const auto place = found->Places.find(Folded(name));
    if (place == found->Places.end()) {
        return;
    }
    found->Values[place->second].reset();
    found->Places.erase(place);
    Changed = true;
}

bool TRegFileStore::SectionExists(const std::string &section) {
    const TSection *found = FindSection(section);
    return found && !found->Places.empty();
}

void TRegFileStore::Close() {
    if (Closed) {
        return;
    }
    Closed = true;
    if (!Changed) {
        return;
    }
    if (!LoadError.empty()) {
        throw SettingsError("Unable to save the settings: " + Path.string() + " " + LoadError +
                            ", and it is left as it is");
    }
    WriteFileAtomically(Path, Serialise());
}

fs::path RegFilePathFor(const std::string &rootKey) {
    const fs::path base = XdgConfigHome();
    if (base.empty()) {
        return {};
    }
    std::string relative = rootKey;
    const std::string software = "Software\\";
    if (StartsWithNoCase(relative, software)) {
        relative.erase(0, software.size());
    }
    fs::path path = base;
    std::istringstream parts(relative);
    for (std::string part; std::getline(parts, part, '\\');) {
        if (!part.empty()) {
            path /= part;
        }
    }
    return path == base ? path / "Settings.reg" : path += ".reg";
}

#endif
