#pragma once
// A small private-profile (INI) file: sections of "key=value" lines, read in one pass.
//
// Contract:
// - Section and key names match without regard to ASCII case; bytes are kept as they are
//   (no code-page conversion, NUL bytes included).
// - Lines end at CR, LF or CR LF; blanks and tabs around keys and values are not part of them;
//   quotes around a value are part of it.
// - A UTF-8 byte-order mark at the start is skipped (and not written back).
// - Sections with the same name are read as one, in file order: of two equal keys the first
//   is the one read, so a later copy adds only the keys an earlier one lacks. Writing goes to
//   the first copy; erasing a section erases every copy.
// - Lines that are neither headers nor "key=value" are kept where they are and never read.
// - Values are read whole, whatever their length.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class IniFile {
public:
    struct Entry {
        std::string_view Key;
        std::string_view Value;
    };

    // Parses text; never fails: anything unreadable becomes a kept but unread line.
    static IniFile FromText(std::string text);

    // Keys of the section in file order, duplicates included.
    std::vector<std::string> Keys(std::string_view section) const;
    // The value of the first occurrence of key in section, or fallback.
    std::string Read(std::string_view section, std::string_view key,
                     std::string_view fallback) const;
    // Every key of the section in file order, each with the value Read would return for it.
    // One pass over the section, however many keys it has.
    std::vector<Entry> ReadSection(std::string_view section) const;
    // Calls visit(key, value) for every entry of the section in file order, repeated keys
    // included, without building anything: for readers that keep only a few of many entries.
    template <typename Visit> void ForEachEntry(std::string_view section, Visit &&visit) const {
        for (const Section *found : FindAll(section))
            for (const Line &line : found->Lines)
                if (line.IsEntry)
                    visit(line.Key(), line.Value());
    }

    // Calls visit(section, key, value) for every entry of text in file order, section being
    // the name in the header above it (entries before any header are not visited). Reads
    // text as FromText does, without building anything: for readers of one large file.
    using EntryVisitor =
        std::function<void(std::string_view section, std::string_view key, std::string_view value)>;
    static void ScanEntries(std::string_view text, const EntryVisitor &visit);
    // The text FromText(text) with those sections erased would write (every line ended by
    // CR LF), in one pass and without parsing the lines it keeps.
    static std::string TextWithoutSections(std::string_view text,
                                           std::initializer_list<std::string_view> sections);
    // Entries of one section in file order, each given the value of the first entry with the
    // same key: what Read returns for it.
    static void UseFirstValues(std::vector<Entry> &entries);

    void EraseSection(std::string_view section);
    // Replaces the value of the key's first occurrence, or appends the key to the section
    // (creating the section at the end of the file).
    void Write(std::string_view section, std::string_view key, std::string_view value);

    // The whole file, every line ended by CR LF.
    std::string ToText() const;

private:
    // A line is a piece of the parsed text or of a text the file wrote itself; both stores
    // keep their addresses for the file's whole life.
    struct Line {
        std::string_view Text;
        std::uint32_t KeyBegin = 0, KeyLength = 0, ValueBegin = 0, ValueLength = 0;
        bool IsEntry = false;
        std::string_view Key() const { return Text.substr(KeyBegin, KeyLength); }
        std::string_view Value() const { return Text.substr(ValueBegin, ValueLength); }
    };
    struct Section {
        std::string Name;
        std::string Header; // the header line as written; empty for the lines before any header
        std::vector<Line> Lines;
    };

    static Line ParseLine(std::string_view text);
    Line MakeEntry(std::string_view key, std::string_view value);
    std::size_t FindIndex(std::string_view name) const; // 0 when absent
    std::vector<const Section *> FindAll(std::string_view name) const; // in file order
    std::size_t FindOrAdd(std::string_view name);

    // The parsed text and the lines written since; shared so that lines pointing into them
    // survive copies and moves (a deque never moves its elements when it grows).
    std::shared_ptr<const std::string> source_;
    std::shared_ptr<std::deque<std::string>> written_ = std::make_shared<std::deque<std::string>>();
    std::vector<Section> sections_;
};

bool EqualsNoCase(std::string_view a, std::string_view b);
