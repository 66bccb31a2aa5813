#include "Sync.h"

#include "FileIo.h"
#include "IcsExport.h"
#include "IcsImport.h"

#include <libical/ical.h>

#include <algorithm>
#include <memory>
#include <random>
#include <set>
#include <system_error>
#include <sstream>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

// --- the store's entries by key -----------------------------------------------------------

// Every entry of the store: "O M/D/YYYY", "W weekday", "M day", "Y M/D", "N N/W/M".
std::map<std::string, std::string> LocalEntries(const TEvents &events) {
    std::map<std::string, std::string> entries;
    for (const auto &[key, text] : events.Once)
        entries.emplace("O " + std::string(key), text);
    for (const auto &[key, text] : events.Weekly)
        entries.emplace("W " + std::to_string(key), text);
    for (const auto &[key, text] : events.Monthly)
        entries.emplace("M " + std::to_string(key), text);
    for (const auto &[key, text] : events.Yearly)
        entries.emplace("Y " + key, text);
    for (const auto &[key, text] : events.NWeekdayly)
        entries.emplace("N " + key, text);
    return entries;
}

std::string Trimmed(const std::string &text) {
    const auto control = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    std::size_t begin = 0, end = text.size();
    while (begin < end && control(text[begin]))
        ++begin;
    while (end > begin && control(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

bool ParseNumber(const std::string &text, std::int32_t &number) {
    try {
        std::size_t used = 0;
        number = std::stoi(text, &used);
        return used == text.size();
    } catch (const std::exception &) {
        return false;
    }
}

std::string EntryText(const TEvents &events, const std::string &entry) {
    const std::string key = entry.substr(2);
    std::int32_t number = 0;
    const auto find = [](const auto &map, const auto &k) {
        const auto found = map.find(k);
        return found == map.end() ? std::string() : std::string(found->second);
    };
    switch (entry[0]) {
    case 'O': return find(events.Once, key);
    case 'W': return ParseNumber(key, number) ? find(events.Weekly, number) : std::string();
    case 'M': return ParseNumber(key, number) ? find(events.Monthly, number) : std::string();
    case 'Y': return find(events.Yearly, key);
    case 'N': return find(events.NWeekdayly, key);
    }
    return {};
}

// Sets the entry as the store's setters do: trimmed, and removed when nothing is left.
void SetEntry(TEvents &events, const std::string &entry, const std::string &text) {
    const std::string key = entry.substr(2);
    const std::string trimmed = Trimmed(text);
    std::int32_t number = 0;
    const auto store = [&trimmed](auto &map, const auto &k) {
        if (trimmed.empty())
            map.erase(k);
        else
            map.insert_or_assign(k, trimmed);
    };
    switch (entry[0]) {
    case 'O': store(events.Once, key); break;
    case 'W': if (ParseNumber(key, number)) store(events.Weekly, number); break;
    case 'M': if (ParseNumber(key, number)) store(events.Monthly, number); break;
    case 'Y': store(events.Yearly, key); break;
    case 'N': store(events.NWeekdayly, key); break;
    }
}

// --- texts as lines ----------------------------------------------------------------------

std::vector<std::string> Lines(const std::string &text) {
    std::vector<std::string> lines;
    if (text.empty())
        return lines;
    std::size_t start = 0;
    while (true) {
        const auto end = text.find("\r\n", start);
        lines.push_back(text.substr(start, end - start));
        if (end == std::string::npos)
            break;
        start = end + 2;
    }
    return lines;
}

std::string Joined(const std::vector<std::string> &lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i)
        text += (i == 0 ? "" : "\r\n") + lines[i];
    return text;
}

// The same lines, in any order: the two sides agree, whichever order the server's events
// come in.
bool SameLines(const std::string &a, const std::string &b) {
    std::vector<std::string> left = Lines(a), right = Lines(b);
    std::sort(left.begin(), left.end());
    std::sort(right.begin(), right.end());
    return left == right;
}

// Removes the lines of block from lines where they stand together; false when they do not.
bool TakeRun(std::vector<std::string> &lines, const std::vector<std::string> &block) {
    if (block.empty())
        return true;
    const auto found = std::search(lines.begin(), lines.end(), block.begin(), block.end());
    if (found == lines.end())
        return false;
    lines.erase(found, found + static_cast<std::ptrdiff_t>(block.size()));
    return true;
}

// --- iCalendar ---------------------------------------------------------------------------

using Component = std::unique_ptr<icalcomponent, decltype(&icalcomponent_free)>;

Component Parse(const std::string &ics) {
    return Component(icalparser_parse_string(ics.c_str()), &icalcomponent_free);
}

std::string Serialised(icalcomponent *component) {
    char *text = icalcomponent_as_ical_string_r(component);
    std::string result = text ? text : "";
    icalmemory_free_buffer(text);
    return result;
}

std::string WithLineFeeds(const std::string &text) {
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            result += text[i];
    return result;
}

// What a server resource gives the store: its entries, as import-ics maps them; leftOut gets
// what of it could not be read.
TSyncItem MapItem(const std::string &etag, const std::string &data, std::chrono::sys_days today,
                  std::vector<std::string> *leftOut = nullptr,
                  std::vector<std::string> *cut = nullptr) {
    TSyncItem item;
    item.Etag = etag;
    item.Data = data;
    TEvents events;
    const TIcsImport imported = ImportIcs(data, events, today);
    if (leftOut)
        *leftOut = imported.LeftOut;
    if (cut)
        *cut = imported.Cut;
    for (auto &entry : LocalEntries(events))
        item.Entries.push_back(std::move(entry));
    item.ReadOnly = imported.Expanded > 0 || item.Entries.size() != 1;
    return item;
}

// Every event of the calendar says text: its first line the SUMMARY, the rest the
// DESCRIPTION (none for one line), as import-ics reads them back. Another device that edits
// the summary then changes just that line.
void SetEventText(icalcomponent *calendar, const std::string &text) {
    const std::vector<std::string> lines = Lines(text);
    const std::string summary = lines.empty() ? std::string() : lines.front();
    const std::string description = WithLineFeeds(
        Joined(std::vector<std::string>(lines.size() > 1 ? lines.begin() + 1 : lines.end(),
                                        lines.end())));
    for (icalcomponent *event = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT);
         event; event = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT)) {
        icalcomponent_set_summary(event, summary.c_str());
        while (icalproperty *old =
                   icalcomponent_get_first_property(event, ICAL_DESCRIPTION_PROPERTY)) {
            icalcomponent_remove_property(event, old);
            icalproperty_free(old);
        }
        if (!description.empty())
            icalcomponent_add_property(event, icalproperty_new_description(description.c_str()));
    }
}

// A resource of our own for one entry: the export's event under the calendar's UID.
std::string OwnResource(const std::string &entry, const std::string &text, const std::string &uid,
                        std::chrono::sys_seconds now) {
    TEvents one;
    SetEntry(one, entry, text);
    const TIcsExport exported = ExportIcs(one, now);
    if (!exported.LeftOut.empty())
        return {};
    Component calendar = Parse(exported.Text);
    if (!calendar)
        return {};
    icalcomponent *event = icalcomponent_get_first_component(calendar.get(), ICAL_VEVENT_COMPONENT);
    if (!event)
        return {};
    icalcomponent_set_uid(event, uid.c_str());
    SetEventText(calendar.get(), EntryText(one, entry));
    return Serialised(calendar.get());
}

// The resource with its events saying text, everything else kept. A timed event's text
// starts with its time, which is no part of the summary.
std::string ChangedResource(const std::string &data, const std::string &oldText,
                            const std::string &text) {
    Component calendar = Parse(data);
    if (!calendar)
        return {};
    icalcomponent *first = icalcomponent_get_first_component(calendar.get(), ICAL_VEVENT_COMPONENT);
    if (!first)
        return {};
    std::string newText = text;
    if (const char *summary = icalcomponent_get_summary(first); summary && *summary) {
        const auto at = oldText.find(summary);
        if (at != std::string::npos && at > 0 && newText.starts_with(oldText.substr(0, at)))
            newText.erase(0, at);
    }
    SetEventText(calendar.get(), newText);
    return Serialised(calendar.get());
}

// --- the state's text --------------------------------------------------------------------

std::string Escaped(const std::string &text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
        case '\\': escaped += "\\\\"; break;
        case '\t': escaped += "\\t"; break;
        case '\r': escaped += "\\r"; break;
        case '\n': escaped += "\\n"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

bool Unescaped(const std::string &text, std::string &out) {
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size())
            return false;
        switch (text[i]) {
        case '\\': out += '\\'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case 'n': out += '\n'; break;
        default: return false;
        }
    }
    return true;
}

std::vector<std::string> Fields(const std::string &line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        const auto tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos)
            return fields;
        start = tab + 1;
    }
}

constexpr char StateHeader[] = "quorva-sync-state 1";

std::string NewCalendarId() {
    std::random_device random;
    std::string id;
    for (int i = 0; i < 4; ++i) {
        char part[9];
        std::snprintf(part, sizeof part, "%08x", static_cast<unsigned>(random()));
        id += part;
    }
    return id;
}

// "quorva-ID-O-3-10-2025": the UID (and file name) of the calendar's own event for an entry.
std::string OwnName(const std::string &calendarId, const std::string &entry) {
    std::string name = "quorva-" + calendarId + "-" + entry;
    for (char &c : name)
        if (c == ' ' || c == '/')
            c = '-';
    return name;
}

} // namespace

std::string StateText(const TSyncState &state) {
    std::string text = std::string(StateHeader) + "\n";
    text += "calendar\t" + Escaped(state.CalendarId) + "\n";
    if (!state.Token.empty())
        text += "token\t" + Escaped(state.Token) + "\n";
    for (const auto &[href, item] : state.Items) {
        text += "item\t" + Escaped(href) + "\t" + Escaped(item.Etag) + "\t" +
                (item.ReadOnly ? "1" : "0") + "\t" + Escaped(item.Data) + "\n";
        for (const auto &[entry, entryText] : item.Entries)
            text += "entry\t" + Escaped(href) + "\t" + Escaped(entry) + "\t" + Escaped(entryText) +
                    "\n";
    }
    for (const auto &[entry, base] : state.Bases)
        text += "base\t" + Escaped(entry) + "\t" + Escaped(base.Local) + "\t" +
                Escaped(base.Server) + "\n";
    return text;
}

bool ParseState(const std::string &text, TSyncState &state) {
    state = {};
    std::istringstream lines(text);
    std::string line;
    if (!std::getline(lines, line) || line != StateHeader)
        return false;
    while (std::getline(lines, line)) {
        if (line.empty())
            continue;
        std::vector<std::string> fields = Fields(line);
        std::vector<std::string> values(fields.size());
        for (std::size_t i = 1; i < fields.size(); ++i)
            if (!Unescaped(fields[i], values[i]))
                return false;
        if (fields[0] == "calendar" && fields.size() == 2) {
            state.CalendarId = values[1];
        } else if (fields[0] == "token" && fields.size() == 2) {
            state.Token = values[1];
        } else if (fields[0] == "item" && fields.size() == 5) {
            TSyncItem &item = state.Items[values[1]];
            item.Etag = values[2];
            item.ReadOnly = values[3] == "1";
            item.Data = values[4];
        } else if (fields[0] == "entry" && fields.size() == 4 && state.Items.contains(values[1]) &&
                   values[2].size() > 2) {
            state.Items[values[1]].Entries.emplace_back(values[2], values[3]);
        } else if (fields[0] == "base" && fields.size() == 4 && values[1].size() > 2) {
            state.Bases[values[1]] = {values[2], values[3]};
        } else {
            return false;
        }
    }
    return !state.CalendarId.empty();
}

std::string TSyncResult::Summary() const {
    return "sync: " + std::to_string(Sent) + " sent, " + std::to_string(Received) +
           " received, " + std::to_string(Conflicts) +
           (Conflicts == 1 ? " conflict kept, " : " conflicts kept, ") + std::to_string(Deleted) +
           " deleted";
}

namespace {

// The text the server's events give each entry: their texts joined, in href order.
std::map<std::string, std::string> ServerTexts(const std::map<std::string, TSyncItem> &items) {
    std::map<std::string, std::string> texts;
    for (const auto &[href, item] : items)
        for (const auto &[entry, text] : item.Entries) {
            std::string &joined = texts[entry];
            joined += (joined.empty() ? "" : "\r\n") + text;
        }
    return texts;
}

class TSyncRun {
public:
    TSyncRun(TCalDav &server, const TSyncSettings &settings) : server_(server), settings_(settings) {}

    TSyncResult Run() {
        ReadState();
        const TEvents local = ReadLocal();
        ReadServer();
        const std::map<std::string, std::string> localTexts = LocalEntries(local);
        const std::map<std::string, std::string> serverTexts = ServerTexts(items_);
        std::set<std::string> keys;
        for (const auto &[entry, text] : localTexts)
            keys.insert(entry);
        for (const auto &[entry, text] : serverTexts)
            keys.insert(entry);
        for (const auto &[entry, base] : state_.Bases)
            keys.insert(entry);
        for (const std::string &entry : keys) {
            const auto l = localTexts.find(entry);
            const auto s = serverTexts.find(entry);
            Decide(entry, l == localTexts.end() ? std::string() : l->second,
                   s == serverTexts.end() ? std::string() : s->second);
        }
        if (settings_.DryRun)
            return result_;
        WriteLocal();
        SaveState();
        return result_;
    }

private:
    struct TLocalChange {
        std::string Expected, Text;
    };

    // The events file as it is now. One that cannot be read, or is missing where the calendar
    // has met the server before, is never taken for an empty calendar, which would delete every
    // event on the server: the sync ends here. Before the first meeting there is nothing to
    // delete, and a file still to be made is made from the server's events.
    TEvents ReadLocal() {
        std::string text, reason;
        bool missing = false;
        localExisted_ = ReadWholeFile(settings_.EventsFile, text, reason, missing);
        if (!localExisted_ && (!missing || !state_.Bases.empty()))
            throw QuorvaError("Unable to read " + settings_.EventsFile + ": " + reason);
        TEvents local;
        local.LoadFromIniText(std::move(text), 0, settings_.Today);
        return local;
    }

    // Whether the calendar dropped this entry as an old one-time event of its own accord.
    bool WipedHere(const std::string &entry) const {
        int month = 0, day = 0, year = 0;
        return entry.starts_with("O ") &&
               ParseDate(std::string_view(entry).substr(2), month, day, year) &&
               IsWiped(std::chrono::sys_days{std::chrono::year{year} / month / day},
                       settings_.WipeMonths, settings_.Today);
    }

    void ReadState() {
        std::string text, reason;
        bool missing = false;
        if (!ReadWholeFile(settings_.StateFile, text, reason, missing)) {
            if (!missing)
                throw QuorvaError("Unable to read " + settings_.StateFile + ": " + reason);
        } else if (!ParseState(text, state_)) {
            throw QuorvaError("Unable to read " + settings_.StateFile +
                              ": it is not a sync state; move it away and sync again");
        }
        if (state_.CalendarId.empty())
            state_.CalendarId = NewCalendarId();
    }

    // The server's resources now: those unchanged since the last sync as they were, the
    // others fetched. Any failure ends the sync here, before anything was changed.
    void ReadServer() {
        const std::vector<TCalDavItem> listed = Listing();
        std::vector<std::string> changed;
        std::map<std::string, std::string> etags;
        for (const TCalDavItem &item : listed) {
            etags[item.Href] = item.Etag;
            const auto known = state_.Items.find(item.Href);
            if (known != state_.Items.end() && !item.Etag.empty() && known->second.Etag == item.Etag)
                items_[item.Href] = known->second;
            else
                changed.push_back(item.Href);
        }
        const std::vector<TCalDavItem> fetched = server_.Fetch(changed);
        std::set<std::string> arrived;
        for (const TCalDavItem &item : fetched) {
            if (!etags.contains(item.Href))
                continue;
            arrived.insert(item.Href);
            try {
                std::vector<std::string> leftOut, cut;
                items_[item.Href] = MapItem(item.Etag, item.Data, settings_.Today, &leftOut, &cut);
                for (const std::string &what : leftOut)
                    result_.Skipped.push_back(item.Href + ": " + what);
                result_.Cut.insert(result_.Cut.end(), cut.begin(), cut.end());
            } catch (const std::exception &error) {
                result_.Skipped.push_back(item.Href + ": " + error.what());
                KeepAsItWas(item.Href);
            }
        }
        // Listed but not delivered (gone, or changing, meanwhile): as it was, until next time.
        for (const std::string &href : changed)
            if (!arrived.contains(href))
                KeepAsItWas(href);
    }

    // The server's resources and their ETags: what changed since the last sync's token, where
    // the server keeps tokens (a request or two whatever the calendar's size), else a full
    // listing.
    std::vector<TCalDavItem> Listing() {
        std::vector<TCalDavItem> changed;
        std::vector<std::string> removed;
        token_ = state_.Token;
        if (!token_.empty() && server_.Changes(token_, changed, removed)) {
            std::map<std::string, std::string> current;
            for (const auto &[href, item] : state_.Items)
                current[href] = item.Etag;
            for (const std::string &href : removed)
                current.erase(href);
            for (const TCalDavItem &item : changed)
                current[item.Href] = item.Etag;
            std::vector<TCalDavItem> listed;
            for (const auto &[href, etag] : current)
                listed.push_back({href, etag, {}});
            return listed;
        }
        // No token, or one the server no longer takes: the URL is checked to be a calendar
        // (a token it once gave says so already) and read in full.
        server_.CheckCalendar();
        token_.clear();
        if (server_.Changes(token_, changed, removed))
            return changed;
        token_.clear();
        return server_.List();
    }

    // The token to keep: past this sync's own writes when the server says nothing else changed
    // meanwhile (so the next sync does not fetch them again), else the one it started from.
    std::string NextToken() {
        if (token_.empty() || written_.empty())
            return token_;
        std::string next = token_;
        std::vector<TCalDavItem> changed;
        std::vector<std::string> removed;
        try {
            if (!server_.Changes(next, changed, removed))
                return token_;
        } catch (const TCalDavError &) {
            return token_;
        }
        for (const std::string &href : removed)
            if (!written_.contains(href) || items_.contains(href))
                return token_;
        for (const TCalDavItem &item : changed) {
            const auto ours = items_.find(item.Href);
            // Only our own write, as we stored it: a server that gave no ETag for it may have
            // changed it, or another client may have written it since.
            if (!written_.contains(item.Href) || ours == items_.end() ||
                ours->second.Etag.empty() || ours->second.Etag != item.Etag)
                return token_;
        }
        return next;
    }

    void KeepAsItWas(const std::string &href) {
        const auto known = state_.Items.find(href);
        if (known != state_.Items.end()) {
            items_[href] = known->second;
            items_[href].Etag.clear(); // fetched again next time
        } else {
            // New and not read: kept with no ETag and no entries, so that the next sync asks
            // for it again even where the server's token has moved past it.
            items_[href] = TSyncItem{};
        }
    }

    void Decide(const std::string &entry, const std::string &local, const std::string &server) {
        const auto base = state_.Bases.find(entry);
        const bool known = base != state_.Bases.end();
        if (known && local.empty() && !base->second.Local.empty() && WipedHere(entry)) {
            // Gone here by the wipe: the server keeps its event, and the state what it knew,
            // so that neither side counts it as deleted. Gone there too, it is forgotten.
            if (!server.empty())
                unsettled_.insert(entry);
            SettleBase(entry, local);
            return;
        }
        const bool localChanged = known ? local != base->second.Local : !local.empty();
        const bool serverChanged = known ? server != base->second.Server : !server.empty();
        if ((!localChanged && !serverChanged) || SameLines(local, server)) {
            SettleBase(entry, local);
            return;
        }
        if (!known && !local.empty() && !server.empty()) {
            // Both sides had the entry before they ever met: nothing was changed against the
            // other, so both texts are kept, the store's first, without a marker.
            std::vector<std::string> lines = Lines(local);
            for (const std::string &line : Lines(server))
                if (std::find(lines.begin(), lines.end(), line) == lines.end())
                    lines.push_back(line);
            const std::string both = Joined(lines);
            if (both != local)
                ++result_.Received;
            if (!SameLines(both, server))
                ++result_.Sent;
            Take(entry, local, both);
            Send(entry, both);
            return;
        }
        if (localChanged && !serverChanged) {
            ++(local.empty() ? result_.Deleted : result_.Sent);
            Send(entry, local);
        } else if (!localChanged) {
            ++(server.empty() ? result_.Deleted : result_.Received);
            Take(entry, local, server);
        } else {
            // Changed on both sides since the last sync: neither wins silently.
            ++result_.Conflicts;
            if (local.empty()) {
                Take(entry, local, server);
            } else if (server.empty()) {
                Send(entry, local);
            } else {
                const std::string both = local + "\r\n" + ConflictMarker + "\r\n" + server;
                Take(entry, local, both);
                Send(entry, both);
            }
        }
    }

    void SettleBase(const std::string &entry, const std::string &local) {
        finalLocal_[entry] = local;
    }

    void Take(const std::string &entry, const std::string &local, const std::string &text) {
        if (settings_.DryRun) {
            result_.Plan.push_back("receive " + entry.substr(2) + ": " +
                                   (text.empty() ? "delete" : Lines(text).front()));
            return;
        }
        localChanges_[entry] = {local, text};
        finalLocal_[entry] = Trimmed(text);
    }

    // Brings the server's events on entry to text: the events whose text is still there stay,
    // a changed block goes to its event, events whose text is gone are deleted, new lines
    // become a new event. Events that repeat unlike any kind are never changed from here.
    void Send(const std::string &entry, const std::string &text) {
        finalLocal_.try_emplace(entry, text);
        std::vector<std::string> remaining = Lines(Trimmed(text));
        std::vector<std::string> unmatched;
        for (const auto &[href, item] : items_)
            for (const auto &[key, block] : item.Entries)
                if (key == entry && !TakeRun(remaining, Lines(block)) && !item.ReadOnly)
                    unmatched.push_back(href);
        std::string leftover = Joined(remaining);
        for (const std::string &href : unmatched) {
            if (!leftover.empty()) {
                Change(entry, href, leftover);
                leftover.clear();
            } else {
                Remove(entry, href);
            }
        }
        if (!leftover.empty())
            Create(entry, leftover);
    }

    void Create(const std::string &entry, const std::string &text) {
        std::string name = OwnName(state_.CalendarId, entry);
        for (int n = 2; items_.contains(server_.HrefFor(name + ".ics")); ++n)
            name = OwnName(state_.CalendarId, entry) + "-" + std::to_string(n);
        const std::string href = server_.HrefFor(name + ".ics");
        const std::string data = OwnResource(entry, text, name, settings_.Now);
        if (data.empty()) {
            result_.Skipped.push_back(entry.substr(2) + ": no event can hold this entry");
            unsettled_.insert(entry);
            return;
        }
        Write(entry, href, data, {});
    }

    void Change(const std::string &entry, const std::string &href, const std::string &text) {
        const TSyncItem &item = items_.at(href);
        const std::string data = ChangedResource(item.Data, item.Entries.front().second, text);
        if (data.empty()) {
            unsettled_.insert(entry);
            return;
        }
        Write(entry, href, data, item.Etag);
    }

    void Write(const std::string &entry, const std::string &href, const std::string &data,
               const std::string &etag) {
        if (settings_.DryRun) {
            result_.Plan.push_back((etag.empty() ? "create " : "change ") + href);
            return;
        }
        std::string newEtag;
        written_.insert(href);
        if (server_.Put(href, data, etag, newEtag) == TCalDav::TWrite::Changed) {
            unsettled_.insert(entry); // changed on the server meanwhile: the next sync sees it
            return;
        }
        try {
            items_[href] = MapItem(newEtag, data, settings_.Today);
        } catch (const std::exception &) {
            items_[href].Etag.clear();
        }
    }

    void Remove(const std::string &entry, const std::string &href) {
        if (settings_.DryRun) {
            result_.Plan.push_back("delete " + href);
            return;
        }
        written_.insert(href);
        if (server_.Delete(href, items_.at(href).Etag) == TCalDav::TWrite::Changed) {
            unsettled_.insert(entry);
            return;
        }
        items_.erase(href);
    }

    // Writes what the server gave, on top of the events file as it is now: an entry the user
    // changed since the sync read the file keeps the user's text, for the next sync.
    void WriteLocal() {
        if (localChanges_.empty())
            return;
        TEvents events;
        TFileStamp unread;
        UpdateEventsFileIfChanged(
            settings_.EventsFile, events, 0, settings_.Today,
            [this](TEvents &current) {
                // A file that went away since the sync read it is not made anew with only what
                // the server gave: the next sync, once it is back, completes this one.
                if (localExisted_ && !StampOf(settings_.EventsFile).Exists) {
                    const auto gone = std::make_error_code(std::errc::no_such_file_or_directory);
                    throw QuorvaError("Unable to read " + settings_.EventsFile + ": " +
                                      gone.message());
                }
                bool changed = false;
                for (const auto &[entry, change] : localChanges_) {
                    if (EntryText(current, entry) != change.Expected) {
                        unsettled_.insert(entry);
                        continue;
                    }
                    SetEntry(current, entry, change.Text);
                    // What the file will hold, a text over its limit cut: the next sync must
                    // not take the cut for a change here and send it back over the whole one.
                    finalLocal_[entry] =
                        DecodeEventText(EncodeEventText(EntryText(current, entry)));
                    changed = true;
                }
                return changed;
            },
            unread);
    }

    void SaveState() {
        TSyncState next;
        next.CalendarId = state_.CalendarId;
        next.Token = NextToken();
        next.Items = items_;
        const std::map<std::string, std::string> serverTexts = ServerTexts(items_);
        for (const auto &[entry, local] : finalLocal_) {
            if (unsettled_.contains(entry)) {
                if (const auto old = state_.Bases.find(entry); old != state_.Bases.end())
                    next.Bases.insert(*old);
                continue;
            }
            const auto server = serverTexts.find(entry);
            TSyncBase base{local, server == serverTexts.end() ? std::string() : server->second};
            if (!base.Local.empty() || !base.Server.empty())
                next.Bases[entry] = base;
        }
        std::string reason;
        if (!ReplaceFileAtomically(settings_.StateFile, StateText(next), reason))
            throw QuorvaError("Unable to write to " + settings_.StateFile + ": " + reason);
#ifndef _WIN32
        ::chmod(settings_.StateFile.c_str(), 0600); // it holds the calendar's texts
#endif
    }

    TCalDav &server_;
    const TSyncSettings &settings_;
    TSyncState state_;
    std::map<std::string, TSyncItem> items_; // the server's resources as the sync leaves them
    std::map<std::string, TLocalChange> localChanges_;
    std::map<std::string, std::string> finalLocal_; // each entry's text in the store after
    std::set<std::string> unsettled_; // entries to look at again next time
    bool localExisted_ = false;       // whether the events file was there when the sync read it
    std::string token_;               // the server's sync-token this sync started from
    std::set<std::string> written_;   // hrefs this sync stored or deleted
    TSyncResult result_;
};

} // namespace

TSyncResult Synchronize(TCalDav &server, const TSyncSettings &settings) {
    // One sync of a calendar and events file at a time (a timer's and one started by hand):
    // two at once would each keep a state that misses the other's work.
    const TFileLock lock(settings.StateFile, 2000);
    if (lock.Busy())
        throw QuorvaError("another sync of this calendar is running; try again when it ends");
    return TSyncRun(server, settings).Run();
}
