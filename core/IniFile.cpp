#include "IniFile.h"

#include <algorithm>
#include <unordered_map>

namespace {

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The positions of text without its surrounding blanks, as [begin, end).
std::pair<std::size_t, std::size_t> TrimmedRange(std::string_view text, std::size_t begin,
                                                 std::size_t end)
{
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return {begin, end};
}

// A section header is "[name]" after optional blanks; anything after the bracket is ignored.
bool ParseHeader(std::string_view line, std::string& name)
{
    const auto [begin, end] = TrimmedRange(line, 0, line.size());
    if (begin == end || line[begin] != '[')
        return false;
    const auto close = line.find(']', begin + 1);
    if (close == std::string_view::npos)
        return false;
    const auto [nameBegin, nameEnd] = TrimmedRange(line, begin + 1, close);
    name.assign(line.substr(nameBegin, nameEnd - nameBegin));
    return true;
}

std::string LowerKey(std::string_view key)
{
    std::string lower(key);
    std::transform(lower.begin(), lower.end(), lower.begin(), LowerAscii);
    return lower;
}

} // namespace

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(),
                      [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

IniFile::Line IniFile::ParseLine(std::string_view text)
{
    Line line;
    line.Text.assign(text);
    const auto equals = text.find('=');
    const auto [first, last] = TrimmedRange(text, 0, text.size());
    if (equals == std::string_view::npos || first == last || text[first] == ';')
        return line;
    const auto [keyBegin, keyEnd] = TrimmedRange(text, 0, equals);
    if (keyBegin == keyEnd)
        return line;
    const auto [valueBegin, valueEnd] = TrimmedRange(text, equals + 1, text.size());
    line.IsEntry = true;
    line.KeyBegin = keyBegin;
    line.KeyLength = keyEnd - keyBegin;
    line.ValueBegin = valueBegin;
    line.ValueLength = valueEnd - valueBegin;
    return line;
}

IniFile::Line IniFile::MakeEntry(std::string_view key, std::string_view value)
{
    Line line;
    line.Text.reserve(key.size() + 1 + value.size());
    line.Text.append(key).append(1, '=').append(value);
    line.IsEntry = true;
    line.KeyLength = key.size();
    line.ValueBegin = key.size() + 1;
    line.ValueLength = value.size();
    return line;
}

IniFile IniFile::FromText(std::string text)
{
    IniFile file;
    file.sections_.emplace_back();
    std::string_view rest(text);
    std::string name;
    while (!rest.empty()) {
        const auto end = rest.find_first_of("\r\n");
        const auto line = rest.substr(0, end);
        if (end == std::string_view::npos)
            rest = {};
        else
            rest.remove_prefix(end + ((rest[end] == '\r' && end + 1 < rest.size()
                                       && rest[end + 1] == '\n') ? 2 : 1));
        if (ParseHeader(line, name))
            file.sections_.push_back(Section{name, std::string(line), {}});
        else
            file.sections_.back().Lines.push_back(ParseLine(line));
    }
    return file;
}

std::size_t IniFile::FindIndex(std::string_view name) const
{
    // Slot 0 holds the lines before any header and belongs to no section.
    for (std::size_t i = 1; i < sections_.size(); ++i)
        if (EqualsNoCase(sections_[i].Name, name))
            return i;
    return 0;
}

const IniFile::Section* IniFile::Find(std::string_view name) const
{
    const std::size_t index = FindIndex(name);
    return index == 0 ? nullptr : &sections_[index];
}

std::size_t IniFile::FindOrAdd(std::string_view name)
{
    if (const std::size_t index = FindIndex(name))
        return index;
    if (sections_.empty())
        sections_.emplace_back();
    sections_.push_back(Section{std::string(name), "[" + std::string(name) + "]", {}});
    return sections_.size() - 1;
}

std::vector<std::string> IniFile::Keys(std::string_view section) const
{
    std::vector<std::string> keys;
    if (const Section* found = Find(section))
        for (const Line& line : found->Lines)
            if (line.IsEntry)
                keys.emplace_back(line.Key());
    return keys;
}

std::string IniFile::Read(std::string_view section, std::string_view key,
                          std::string_view fallback) const
{
    if (const Section* found = Find(section))
        for (const Line& line : found->Lines)
            if (line.IsEntry && EqualsNoCase(line.Key(), key))
                return std::string(line.Value());
    return std::string(fallback);
}

std::vector<IniFile::Entry> IniFile::ReadSection(std::string_view section) const
{
    std::vector<Entry> entries;
    const Section* found = Find(section);
    if (!found)
        return entries;
    entries.reserve(found->Lines.size());
    // Keys seen so far, lower-cased, with the index of their first entry.
    std::unordered_map<std::string, std::size_t> first;
    first.reserve(found->Lines.size());
    for (const Line& line : found->Lines) {
        if (!line.IsEntry)
            continue;
        const auto [it, inserted] = first.try_emplace(LowerKey(line.Key()), entries.size());
        entries.push_back({line.Key(), inserted ? line.Value() : entries[it->second].Value});
    }
    return entries;
}

void IniFile::EraseSection(std::string_view section)
{
    std::erase_if(sections_, [&](const Section& s) {
        return !s.Header.empty() && EqualsNoCase(s.Name, section);
    });
    lastAppended_ = 0;
}

void IniFile::Write(std::string_view section, std::string_view key, std::string_view value)
{
    Section& target = sections_[FindOrAdd(section)];
    for (Line& line : target.Lines)
        if (line.IsEntry && EqualsNoCase(line.Key(), key)) {
            line = MakeEntry(line.Key(), value);
            return;
        }
    target.Lines.push_back(MakeEntry(key, value));
}

void IniFile::Append(std::string_view section, std::string_view key, std::string_view value)
{
    if (lastAppended_ == 0 || lastAppended_ >= sections_.size()
        || !EqualsNoCase(sections_[lastAppended_].Name, section))
        lastAppended_ = FindOrAdd(section);
    sections_[lastAppended_].Lines.push_back(MakeEntry(key, value));
}

std::string IniFile::ToText() const
{
    std::size_t size = 0;
    for (const Section& section : sections_) {
        size += section.Header.size() + 2;
        for (const Line& line : section.Lines)
            size += line.Text.size() + 2;
    }
    std::string text;
    text.reserve(size);
    for (const Section& section : sections_) {
        if (!section.Header.empty())
            text.append(section.Header).append("\r\n");
        for (const Line& line : section.Lines)
            text.append(line.Text).append("\r\n");
    }
    return text;
}
