// The events file: how the five containers of a TEvents map onto the sections of an INI file.
#include "FileIo.h"
#include "IniFile.h"
#include "Pool.h"

#include <charconv>

using namespace std::chrono;

namespace {

constexpr std::size_t MaxValueLength = 4096;
constexpr std::string_view SectionOnce = "Once";
constexpr std::string_view SectionWeekly = "Weekly";
constexpr std::string_view SectionMonthly = "Monthly";
constexpr std::string_view SectionYearly = "Yearly";
constexpr std::string_view SectionNWeekdayly = "NWeekdayly";

// A text over the limit keeps its first 4095 characters; one of exactly 4096 is kept whole.
std::string_view CutToLimit(std::string_view text)
{
    return text.size() > MaxValueLength ? text.substr(0, MaxValueLength - 1) : text;
}

// Plain decimal with an optional sign that fits 32 bits; anything else is not a weekday or
// day key. Hexadecimal and blanks are refused so that a hand-made key is never misread.
bool ParseIntegerKey(std::string_view key, std::int32_t& value)
{
    if (!key.empty() && key.front() == '+')
        key.remove_prefix(1);
    if (key.empty())
        return false;
    const auto [end, error] = std::from_chars(key.data(), key.data() + key.size(), value);
    return error == std::errc() && end == key.data() + key.size();
}

bool IsWiped(sys_days date, int wipeMonths, sys_days today)
{
    return wipeMonths > 0 && (today - date).count() >= 31LL * wipeMonths + 31;
}

template <typename Map>
void AppendSection(IniFile& file, std::string_view section, const Map& map)
{
    for (const auto& [key, text] : map) {
        if constexpr (std::is_same_v<typename Map::key_type, std::string>)
            file.Append(section, key, EncodeEventText(text));
        else
            file.Append(section, std::to_string(key), EncodeEventText(text));
    }
}

} // namespace

std::string EncodeEventText(const std::string& text)
{
    const std::string_view cut = CutToLimit(text);
    std::string value;
    value.reserve(cut.size() + 8);
    for (std::size_t i = 0; i < cut.size(); ++i) {
        const char c = cut[i];
        if (c != '\r' && c != '\n') {
            value.push_back(c);
            continue;
        }
        // CR LF and LF CR are one break each; so is a lone CR or LF.
        const char partner = c == '\r' ? '\n' : '\r';
        if (i + 1 < cut.size() && cut[i + 1] == partner)
            ++i;
        value.append("\\n");
    }
    return value;
}

std::string DecodeEventText(const std::string& value)
{
    const std::string_view cut = CutToLimit(value);
    std::string text;
    text.reserve(cut.size() + 8);
    for (std::size_t i = 0; i < cut.size(); ++i) {
        if (cut[i] == '\\' && i + 1 < cut.size() && cut[i + 1] == 'n') {
            text.append("\r\n");
            ++i;
        } else {
            text.push_back(cut[i]);
        }
    }
    return text;
}

void TEvents::LoadFromIni(const std::string& path, int wipeMonths, sys_days today)
{
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

void TEvents::LoadFromIniText(std::string text, int wipeMonths, sys_days today)
{
    const IniFile file = IniFile::FromText(std::move(text));
    Clear();
    // Keys come in file order, which is the store's order for a file this program wrote;
    // the hint makes each insertion constant time then.
    for (const auto& [key, value] : file.ReadSection(SectionOnce)) {
        int month = 0, day = 0, year = 0;
        if (value.empty() || !ParseDate(std::string(key), month, day, year))
            continue;
        if (IsWiped(sys_days{std::chrono::year{year} / month / day}, wipeMonths, today))
            continue;
        Once.insert_or_assign(Once.end(), std::string(key), DecodeEventText(std::string(value)));
    }
    for (const auto& [section, map] : {std::pair{SectionWeekly, &Weekly},
                                       std::pair{SectionMonthly, &Monthly}}) {
        for (const auto& [key, value] : file.ReadSection(section)) {
            std::int32_t number = 0;
            if (!value.empty() && ParseIntegerKey(key, number))
                map->insert_or_assign(map->end(), number, DecodeEventText(std::string(value)));
        }
    }
    for (const auto& [section, map] : {std::pair{SectionYearly, &Yearly},
                                       std::pair{SectionNWeekdayly, &NWeekdayly}}) {
        for (const auto& [key, value] : file.ReadSection(section))
            if (!value.empty())
                map->insert_or_assign(map->end(), std::string(key),
                                      DecodeEventText(std::string(value)));
    }
}

void TEvents::SaveToIni(const std::string& path) const
{
    std::string text;
    std::string reason;
    bool missing = false;
    if (!ReadWholeFile(path, text, reason, missing) && !missing)
        throw QuorvaError("Unable to write to " + path);
    IniFile file = IniFile::FromText(std::move(text));
    for (const auto section :
         {SectionOnce, SectionWeekly, SectionMonthly, SectionYearly, SectionNWeekdayly})
        file.EraseSection(section);
    AppendSection(file, SectionOnce, Once);
    AppendSection(file, SectionWeekly, Weekly);
    AppendSection(file, SectionMonthly, Monthly);
    AppendSection(file, SectionYearly, Yearly);
    AppendSection(file, SectionNWeekdayly, NWeekdayly);
    if (!ReplaceFileAtomically(path, file.ToText()))
        throw QuorvaError("Unable to write to " + path);
}
