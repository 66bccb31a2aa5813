#include "IniFile.h"

#include <algorithm>
#include <cstring>

namespace {

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The positions of text without its surrounding blanks, as [begin, end).
std::pair<std::size_t, std::size_t> TrimmedRange(std::string_view text, std::size_t begin,
                                                 std::size_t end) {
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return {begin, end};
}

// A section header is "[name]" after optional blanks; anything after the bracket is ignored.
bool ParseHeader(std::string_view line, std::string &name) {
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

// The length of the first line of text, up to its CR or LF (memchr is far faster than a
// search for either character at once).
std::size_t LineLength(std::string_view text) {
    const void *lf = std::memchr(text.data(), '\n', text.size());
    const std::size_t limit =
        lf ? static_cast<std::size_t>(static_cast<const char *>(lf) - text.data()) : text.size();
    const void *cr = std::memchr(text.data(), '\r', limit);
    return cr ? static_cast<std::size_t>(static_cast<const char *>(cr) - text.data()) : limit;
}

std::size_t HashNoCase(std::string_view key) {
    std::size_t hash = 14695981039346656037ull;
    for (const char c : key)
        hash = (hash ^ static_cast<unsigned char>(LowerAscii(c))) * 1099511628211ull;
    return hash;
}

// Finds the first entry with a key equal to a given one, without copying keys: an open
// addressing table of entry positions, sized for the section once.
class FirstKeyIndex {
public:
    explicit FirstKeyIndex(std::size_t count) {
        std::size_t capacity = 16;
        while (capacity < count * 2)
            capacity *= 2;
        slots_.assign(capacity, Empty);
    }
    // The position of the first of entries[0 .. position] with entries[position]'s key.
    std::size_t FindOrAdd(std::size_t position, const std::vector<IniFile::Entry> &entries) {
        const std::string_view key = entries[position].Key;
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t slot = HashNoCase(key) & mask;; slot = (slot + 1) & mask) {
            if (slots_[slot] == Empty) {
                slots_[slot] = position;
                return position;
            }
            if (EqualsNoCase(entries[slots_[slot]].Key, key))
                return slots_[slot];
        }
    }

private:
    static constexpr std::size_t Empty = static_cast<std::size_t>(-1);
    std::vector<std::size_t> slots_;
};

} // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return LowerAscii(x) == LowerAscii(y);
           });
}

IniFile::Line IniFile::ParseLine(std::string_view text) {
    Line line;
    line.Text = text;
    const auto equals = text.find('=');
    const auto [first, last] = TrimmedRange(text, 0, text.size());
    // Offsets are 32 bits wide: a longer line is kept but never read.
    if (equals == std::string_view::npos || first == last || text[first] == ';' ||
        text.size() > UINT32_MAX)
        return line;
    const auto [keyBegin, keyEnd] = TrimmedRange(text, 0, equals);
    if (keyBegin == keyEnd)
        return line;
    const auto [valueBegin, valueEnd] = TrimmedRange(text, equals + 1, text.size());
    line.IsEntry = true;
    line.KeyBegin = static_cast<std::uint32_t>(keyBegin);
    line.KeyLength = static_cast<std::uint32_t>(keyEnd - keyBegin);
    line.ValueBegin = static_cast<std::uint32_t>(valueBegin);
    line.ValueLength = static_cast<std::uint32_t>(valueEnd - valueBegin);
    return line;
}

IniFile::Line IniFile::MakeEntry(std::string_view key, std::string_view value) {
    std::string &text = written_->emplace_back();
    text.reserve(key.size() + 1 + value.size());
    text.append(key).append(1, '=').append(value);
    return ParseLine(text);
}

// Calls visit(line) for each line of text, a byte-order mark at the start skipped.
template <typename Visit> static void ForEachLine(std::string_view rest, Visit &&visit) {
    // A byte-order mark is no part of the first line: the first header must still be read.
    if (rest.starts_with("\xEF\xBB\xBF"))
        rest.remove_prefix(3);
    while (!rest.empty()) {
        const std::size_t end = LineLength(rest);
        const auto line = rest.substr(0, end);
        if (end == rest.size())
            rest = {};
        else
            rest.remove_prefix(
                end +
                ((rest[end] == '\r' && end + 1 < rest.size() && rest[end + 1] == '\n') ? 2 : 1));
        visit(line);
    }
}

IniFile IniFile::FromText(std::string text) {
    IniFile file;
    file.source_ = std::make_shared<const std::string>(std::move(text));
    const std::string_view all(*file.source_);
    std::string name;
    // First the number of lines of each section, so that each gets its room at once: growing
    // a large section by doubling would touch (and fault in) twice its memory.
    std::vector<std::size_t> counts(1, 0);
    ForEachLine(all, [&](std::string_view line) {
        const auto first = line.find_first_not_of(" \t");
        if (first != std::string_view::npos && line[first] == '[' && ParseHeader(line, name))
            counts.push_back(0);
        else
            ++counts.back();
    });
    file.sections_.reserve(counts.size());
    file.sections_.emplace_back();
    file.sections_.back().Lines.reserve(counts[0]);
    ForEachLine(all, [&](std::string_view line) {
        if (ParseHeader(line, name)) {
            file.sections_.push_back(Section{name, std::string(line), {}});
            file.sections_.back().Lines.reserve(counts[file.sections_.size() - 1]);
        } else {
            file.sections_.back().Lines.push_back(ParseLine(line));
        }
    });
    return file;
}

std::size_t IniFile::FindIndex(std::string_view name) const {
    // Slot 0 holds the lines before any header and belongs to no section.
    for (std::size_t i = 1; i < sections_.size(); ++i)
        if (EqualsNoCase(sections_[i].Name, name))
            return i;
    return 0;
}

std::vector<const IniFile::Section *> IniFile::FindAll(std::string_view name) const {
    std::vector<const Section *> found;
    for (std::size_t i = 1; i < sections_.size(); ++i)
        if (EqualsNoCase(sections_[i].Name, name))
            found.push_back(&sections_[i]);
    return found;
}

std::size_t IniFile::FindOrAdd(std::string_view name) {
    if (const std::size_t index = FindIndex(name))
        return index;
    if (sections_.empty())
        sections_.emplace_back();
    std::string header;
    header.reserve(name.size() + 2);
    header.append(1, '[').append(name).append(1, ']');
    sections_.push_back(Section{std::string(name), std::move(header), {}});
    return sections_.size() - 1;
}

std::vector<std::string> IniFile::Keys(std::string_view section) const {
    std::vector<std::string> keys;
    for (const Section *found : FindAll(section))
        for (const Line &line : found->Lines)
            if (line.IsEntry)
                keys.emplace_back(line.Key());
    return keys;
}

std::string IniFile::Read(std::string_view section, std::string_view key,
                          std::string_view fallback) const {
    for (const Section *found : FindAll(section))
        for (const Line &line : found->Lines)
            if (line.IsEntry && EqualsNoCase(line.Key(), key))
                return std::string(line.Value());
    return std::string(fallback);
}

std::vector<IniFile::Entry> IniFile::ReadSection(std::string_view section) const {
    std::vector<Entry> entries;
    const auto copies = FindAll(section);
    std::size_t lines = 0;
    for (const Section *found : copies)
        lines += found->Lines.size();
    entries.reserve(lines);
    for (const Section *found : copies)
        for (const Line &line : found->Lines)
            if (line.IsEntry)
                entries.push_back({line.Key(), line.Value()});
    UseFirstValues(entries);
    return entries;
}

void IniFile::UseFirstValues(std::vector<Entry> &entries) {
    if (entries.empty())
        return;
    FirstKeyIndex first(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
        entries[i].Value = entries[first.FindOrAdd(i, entries)].Value;
}

std::string IniFile::TextWithoutSections(std::string_view text,
                                         std::initializer_list<std::string_view> sections) {
    std::string kept;
    kept.reserve(text.size() / 8);
    std::string name;
    bool keep = true; // the lines before any header belong to no section
    ForEachLine(text, [&](std::string_view line) {
        const auto first = line.find_first_not_of(" \t");
        if (first != std::string_view::npos && line[first] == '[' && ParseHeader(line, name))
            keep = std::none_of(sections.begin(), sections.end(),
                                [&name](std::string_view erased) { return EqualsNoCase(name, erased); });
        if (keep)
            kept.append(line).append("\r\n");
    });
    return kept;
}

void IniFile::ScanEntries(std::string_view text, const EntryVisitor &visit) {
    std::string name;
    bool inSection = false;
    ForEachLine(text, [&](std::string_view line) {
        const auto first = line.find_first_not_of(" \t");
        if (first != std::string_view::npos && line[first] == '[' && ParseHeader(line, name)) {
            inSection = true;
            return;
        }
        if (!inSection)
            return;
        const Line parsed = ParseLine(line);
        if (parsed.IsEntry)
            visit(name, parsed.Key(), parsed.Value());
    });
}

void IniFile::EraseSection(std::string_view section) {
    std::erase_if(sections_, [&](const Section &s) {
        return !s.Header.empty() && EqualsNoCase(s.Name, section);
    });
}

void IniFile::Write(std::string_view section, std::string_view key, std::string_view value) {
    Section &target = sections_[FindOrAdd(section)];
    for (Line &line : target.Lines)
        if (line.IsEntry && EqualsNoCase(line.Key(), key)) {
            line = MakeEntry(line.Key(), value);
            return;
        }
    target.Lines.push_back(MakeEntry(key, value));
}

std::string IniFile::ToText() const {
    std::size_t size = 0;
    for (const Section &section : sections_) {
        size += section.Header.size() + 2;
        for (const Line &line : section.Lines)
            size += line.Text.size() + 2;
    }
    std::string text;
    text.reserve(size);
    for (const Section &section : sections_) {
        if (!section.Header.empty())
            text.append(section.Header).append("\r\n");
        for (const Line &line : section.Lines)
            text.append(line.Text).append("\r\n");
    }
    return text;
}
