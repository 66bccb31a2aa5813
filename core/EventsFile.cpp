// The events file: how the five containers of a TEvents map onto the sections of an INI file.
#include "FileIo.h"
#include "IniFile.h"
#include "Pool.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <filesystem>

#ifndef _WIN32
#include <sys/stat.h>
#endif

using namespace std::chrono;

namespace {

constexpr std::size_t MaxValueLength = EventTextLimit;
constexpr std::string_view SectionOnce = "Once";
constexpr std::string_view SectionWeekly = "Weekly";
constexpr std::string_view SectionMonthly = "Monthly";
constexpr std::string_view SectionYearly = "Yearly";
constexpr std::string_view SectionNWeekdayly = "NWeekdayly";

// A text over the limit keeps its first 4095 characters; one of exactly 4096 is kept whole.
// Where the cut would split a UTF-8 character, the whole character goes: a half of it would
// read back as a stray Windows-1252 character.
std::string_view CutToLimit(std::string_view text) {
    if (text.size() <= MaxValueLength)
        return text;
    std::size_t cut = MaxValueLength - 1;
    std::size_t lead = cut;
    while (lead > 0 && cut - lead < 3 && (static_cast<unsigned char>(text[lead]) & 0xC0) == 0x80)
        --lead;
    const auto first = static_cast<unsigned char>(text[lead]);
    const std::size_t length = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC2 ? 2 : 1;
    if (lead < cut && first >= 0xC2 && first <= 0xF4 && lead + length > cut)
        cut = lead;
    return text.substr(0, cut);
}

// Plain decimal with an optional sign that fits 32 bits; anything else is not a weekday or
// day key. Hexadecimal and blanks are refused so that a hand-made key is never misread.
bool ParseIntegerKey(std::string_view key, std::int32_t &value) {
    if (!key.empty() && key.front() == '+')
        key.remove_prefix(1);
    if (key.empty())
        return false;
    const auto [end, error] = std::from_chars(key.data(), key.data() + key.size(), value);
    return error == std::errc() && end == key.data() + key.size();
}

// Appends the text as one value: every line break becomes backslash n.
void AppendEncoded(std::string &out, std::string_view text) {
    const std::string_view cut = CutToLimit(text);
    for (std::size_t i = 0; i < cut.size(); ++i) {
        const char c = cut[i];
        if (c != '\r' && c != '\n') {
            out.push_back(c);
            continue;
        }
        // CR LF and LF CR are one break each; so is a lone CR or LF.
        const char partner = c == '\r' ? '\n' : '\r';
        if (i + 1 < cut.size() && cut[i + 1] == partner)
            ++i;
        out.append("\\n");
    }
}

std::string Decode(std::string_view value) {
    std::string_view rest = CutToLimit(value);
    std::string text;
    text.reserve(rest.size() + 8);
    // Copies the stretches between backslashes whole; only "\\n" is rewritten.
    for (auto slash = rest.find('\\'); slash != std::string_view::npos; slash = rest.find('\\')) {
        text.append(rest.substr(0, slash));
        if (slash + 1 < rest.size() && rest[slash + 1] == 'n') {
            text.append("\r\n");
            rest.remove_prefix(slash + 2);
        } else {
            text.push_back('\\');
            rest.remove_prefix(slash + 1);
        }
    }
    text.append(rest);
    return text;
}

// Writes a container as a section at the end of the file's text; nothing for an empty one.
// Equivalent to writing each key into the just erased section, without looking each key up.
template <typename Map>
void AppendSection(std::string &out, std::string_view section, const Map &map) {
    if (map.empty())
        return;
    out.append(1, '[').append(section).append("]\r\n");
    for (const auto &[key, text] : map) {
        if constexpr (std::is_same_v<typename Map::key_type, std::string>)
            out.append(key);
        else
            out.append(std::to_string(key));
        out.push_back('=');
        AppendEncoded(out, text);
        out.append("\r\n");
    }
}

// Room for the five sections' text, so that it is built without growing.
std::size_t EstimatedSize(const TEvents &events) {
    std::size_t size = 100;
    const auto add = [&size](const auto &map) {
        for (const auto &entry : map)
            size += entry.second.size() + 16;
    };
    add(events.Once);
    add(events.Weekly);
    add(events.Monthly);
    add(events.Yearly);
    add(events.NWeekdayly);
    return size;
}

} // namespace

bool IsWiped(sys_days date, int wipeMonths, sys_days today) {
    return wipeMonths > 0 && (today - date).count() >= 31LL * wipeMonths + 31;
}

std::string EncodeEventText(const std::string &text) {
    std::string value;
    value.reserve(std::min(text.size(), MaxValueLength) + 8);
    AppendEncoded(value, text);
    return value;
}

std::string DecodeEventText(const std::string &value) {
    return Decode(value);
}

void TEvents::LoadFromIni(const std::string &path, int wipeMonths, sys_days today) {
    std::string text;
    std::string reason;
    bool missing = false;
    if (!ReadWholeFile(path, text, reason, missing)) {
        if (!missing)
            throw QuorvaError("Unable to read " + path + ": " + reason);
        text.clear();
    }
    LoadFromIniText(std::move(text), wipeMonths, today);
}

// The number of lines of text, at least: enough room for every entry of its sections.
std::size_t CountLines(std::string_view text) {
    std::size_t lines = 1;
    for (const char *at = text.data(), *end = text.data() + text.size();
         (at = static_cast<const char *>(std::memchr(at, '\n', static_cast<std::size_t>(end - at))));
         ++at)
        ++lines;
    return lines;
}

void TEvents::LoadFromIniText(std::string text, int wipeMonths, sys_days today,
                              std::optional<sys_days> onlyOnceFrom,
                              std::optional<sys_days> onlyOnceTo) {
    // The one-time events refer to the file's text, which they keep; the other sections are
    // small and copied.
    const auto file = std::make_shared<const std::string>(std::move(text));
    TOnceMap once;
    once.StartLoad(file, onlyOnceFrom || onlyOnceTo ? 0 : CountLines(*file));
    std::vector<IniFile::Entry> weekly, monthly, yearly, nth;
    IniFile::ScanEntries(*file, [&](std::string_view section, std::string_view key,
                                    std::string_view value) {
        if (EqualsNoCase(section, SectionOnce)) {
            // Keys that are no date, or dates not kept, go whatever their text; of the others
            // the first one's text counts, as for every key (a date is digits and slashes,
            // so equal keys are equal bytes).
            int month = 0, day = 0, year = 0;
            if (!ParseDate(key, month, day, year))
                return;
            const sys_days date{std::chrono::year{year} / month / day};
            if (IsWiped(date, wipeMonths, today) || (onlyOnceFrom && date < *onlyOnceFrom) ||
                (onlyOnceTo && date > *onlyOnceTo))
                return;
            if (value.find('\\') == std::string_view::npos)
                once.LoadEntry(key, CutToLimit(value));
            else
                once.LoadEntry(key, Decode(value));
        } else if (EqualsNoCase(section, SectionWeekly)) {
            weekly.push_back({key, value});
        } else if (EqualsNoCase(section, SectionMonthly)) {
            monthly.push_back({key, value});
        } else if (EqualsNoCase(section, SectionYearly)) {
            yearly.push_back({key, value});
        } else if (EqualsNoCase(section, SectionNWeekdayly)) {
            nth.push_back({key, value});
        }
    });
    once.FinishLoad();
    Clear();
    Once = std::move(once);
    for (auto &[entries, map] : {std::pair{&weekly, &Weekly}, std::pair{&monthly, &Monthly}}) {
        IniFile::UseFirstValues(*entries);
        for (const auto &[key, value] : *entries) {
            std::int32_t number = 0;
            if (!value.empty() && ParseIntegerKey(key, number))
                map->insert_or_assign(map->end(), number, Decode(value));
        }
    }
    for (auto &[entries, map] : {std::pair{&yearly, &Yearly}, std::pair{&nth, &NWeekdayly}}) {
        IniFile::UseFirstValues(*entries);
        for (const auto &[key, value] : *entries)
            if (!value.empty())
                map->insert_or_assign(map->end(), std::string(key), Decode(value));
    }
}

void TEvents::WipeOnce(int wipeMonths, sys_days today) {
    if (wipeMonths <= 0)
        return;
    Once.erase_if([&](std::string_view key) {
        int month = 0, day = 0, year = 0;
        return ParseDate(key, month, day, year) &&
               IsWiped(sys_days{std::chrono::year{year} / month / day}, wipeMonths, today);
    });
}

void TEvents::SaveToIni(const std::string &path) const {
    std::string text;
    std::string reason;
    bool missing = false;
    if (!ReadWholeFile(path, text, reason, missing) && !missing)
        throw QuorvaError("Unable to write to " + path + ": " + reason);
    if (!missing && !IsWritableFile(path))
        throw QuorvaError("Unable to write to " + path + ": " +
                          std::make_error_code(std::errc::permission_denied).message());
    // The previous file stays at hand as a backup. A backup that cannot be written does not
    // stop the save: the save itself keeps the old file whole until the new one is complete.
    if (!missing) {
        std::string ignored;
        ReplaceFileAtomically(ResolveLinks(path) + ".bak", text, ignored, path);
    }
    std::string content = IniFile::TextWithoutSections(
        text, {SectionOnce, SectionWeekly, SectionMonthly, SectionYearly, SectionNWeekdayly});
    text = std::string();
    content.reserve(content.size() + EstimatedSize(*this));
    AppendSection(content, SectionOnce, Once);
    AppendSection(content, SectionWeekly, Weekly);
    AppendSection(content, SectionMonthly, Monthly);
    AppendSection(content, SectionYearly, Yearly);
    AppendSection(content, SectionNWeekdayly, NWeekdayly);
    if (!ReplaceFileAtomically(path, content, reason))
        throw QuorvaError("Unable to write to " + path + ": " + reason);
}

TFileStamp StampOf(const std::string &path) {
    TFileStamp stamp;
    std::error_code ec;
    const std::filesystem::path file = PathFromUtf8(ResolveLinks(path));
    const auto status = std::filesystem::status(file, ec);
    if (ec || !std::filesystem::exists(status))
        return stamp;
    stamp.Exists = true;
    stamp.Size = std::filesystem::file_size(file, ec);
    stamp.Modified = std::filesystem::last_write_time(file, ec).time_since_epoch().count();
#ifndef _WIN32
    struct stat info {};
    if (::stat(file.c_str(), &info) == 0)
        stamp.Id = static_cast<std::uint64_t>(info.st_ino);
#endif
    return stamp;
}

void UpdateEventsFile(const std::string &path, TEvents &events, int wipeMonths, sys_days today,
                      const std::function<void(TEvents &)> &change, TFileStamp &stamp) {
    UpdateEventsFileIfChanged(
        path, events, wipeMonths, today,
        [&change](TEvents &store) {
            change(store);
            return true;
        },
        stamp);
}

bool UpdateEventsFileIfChanged(const std::string &path, TEvents &events, int wipeMonths,
                               sys_days today, const std::function<bool(TEvents &)> &change,
                               TFileStamp &stamp) {
    const TFileLock lock(path, LockWaitMilliseconds);
    if (lock.Busy()) {
        change(events);
        throw QuorvaError("Unable to write to " + path +
                          ": another program kept it locked for writing");
    }
    // Another writer may have changed the file since it was last read or written here: its
    // changes are read first, and this change applied on top of them.
    if (StampOf(path) != stamp) {
        std::string text, reason;
        bool missing = false;
        if (!ReadWholeFile(path, text, reason, missing) && !missing) {
            change(events);
            throw QuorvaError("Unable to read " + path + ": " + reason);
        }
        TEvents current;
        current.LoadFromIniText(std::move(text), wipeMonths, today);
        events = std::move(current);
    }
    if (!change(events))
        return false;
    RemoveStaleTemporaries(path);
    RemoveStaleTemporaries(ResolveLinks(path) + ".bak");
    events.SaveToIni(path);
    stamp = StampOf(path);
    return true;
}
