#include "IcsImport.h"

#include "IcsContentLines.h"
#include "IcsExpansion.h"
#include "IcsReading.h"
#include "Pool.h"

#include <libical/ical.h>

#include <algorithm>
#include <ctime>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <set>

using namespace std::chrono;
using namespace IcsReading;

namespace {

// The events file keeps a text of up to 4096 characters whole and cuts a longer one to its
// first 4095; the store's line break, CR LF, counts as two.
constexpr std::size_t MaxTextLength = 4096;

using Component = std::unique_ptr<icalcomponent, decltype(&icalcomponent_free)>;

// "event 3 (\"Dentist\")": the event's place in the file and its summary or UID.
std::string EventName(icalcomponent *event, int index) {
    std::string label = Text(icalcomponent_get_summary(event));
    if (label.empty())
        label = Text(icalcomponent_get_uid(event));
    return "event " + std::to_string(index) + (label.empty() ? "" : " (\"" + Shown(label) + "\")");
}

// The first problem the parser recorded among the component's own properties, if any. Two
// are no problem: a property name it does not know (iCalendar readers ignore those) and an
// empty value (the property is dropped, which is what it said).
std::optional<std::string> ParseProblem(icalcomponent *component) {
    for (icalproperty *error = icalcomponent_get_first_property(component, ICAL_XLICERROR_PROPERTY);
         error; error = icalcomponent_get_next_property(component, ICAL_XLICERROR_PROPERTY)) {
        const std::string problem = Text(icalproperty_get_xlicerror(error));
        if (problem.rfind("No value for ", 0) != 0 &&
            problem.rfind("Parse error in property name", 0) != 0)
            return problem;
    }
    return std::nullopt;
}

// Trims as the store's setters do, and brings every line break to CR LF.
std::string StoreText(const std::string &text) {
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            result += "\r\n";
        } else {
            result.push_back(text[i]);
        }
    }
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    const auto first = std::find_if_not(result.begin(), result.end(), blank);
    const auto last = std::find_if_not(result.rbegin(), result.rend(), blank).base();
    return first < last ? std::string(first, last) : std::string();
}

// SUMMARY is the first line and DESCRIPTION the rest; a DESCRIPTION that already starts
// with the SUMMARY line (as the calendar's own export writes it) is the whole text.
std::string EventText(icalcomponent *event) {
    const std::string summary = Text(icalcomponent_get_summary(event));
    const std::string description = Text(icalcomponent_get_description(event));
    if (description.empty())
        return StoreText(summary);
    if (summary.empty() || description == summary || description.rfind(summary + "\n", 0) == 0 ||
        description.rfind(summary + "\r\n", 0) == 0)
        return StoreText(description);
    return StoreText(summary + "\n" + description);
}

// The wall-clock time of an instant in this computer's time zone; dates and floating times
// (no zone) are kept as they are written.
icaltimetype LocalTime(const icaltimetype &time) {
    if (time.is_date || !time.zone)
        return time;
    const std::time_t instant = icaltime_as_timet_with_zone(time, time.zone);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &instant);
#else
    localtime_r(&instant, &local);
#endif
    icaltimetype result = icaltime_null_time();
    result.year = local.tm_year + 1900;
    result.month = local.tm_mon + 1;
    result.day = local.tm_mday;
    result.hour = local.tm_hour;
    result.minute = local.tm_min;
    result.second = local.tm_sec;
    return result;
}

sys_days Day(const icaltimetype &time) {
    return sys_days{year{time.year} / time.month / time.day};
}

// A timed event's text starts with its local start time, "9:05 " or "14:30 ".
std::string WithTime(const icaltimetype &local, const std::string &text) {
    if (local.is_date)
        return text;
    const std::string minute = (local.minute < 10 ? "0" : "") + std::to_string(local.minute);
    return std::to_string(local.hour) + ":" + minute + " " + text;
}

bool HasAny(icalcomponent *event, icalproperty_kind kind) {
    return icalcomponent_get_first_property(event, kind) != nullptr;
}

// Weekday number 1 = Sunday .. 7 = Saturday of a date.
int WeekdayOf(const icaltimetype &time) {
    return static_cast<int>(weekday{Day(time)}.c_encoding()) + 1;
}

// The key of the kind whose occurrences are exactly the rule's, with start on one of them.
std::optional<Entry> KindOfRule(const icalrecurrencetype &rule, const icaltimetype &start) {
    if (rule.count != 0 || !icaltime_is_null_time(rule.until) || rule.interval != 1 ||
        Count(rule.by_second, ICAL_BY_SECOND_SIZE) || Count(rule.by_minute, ICAL_BY_MINUTE_SIZE) ||
        Count(rule.by_hour, ICAL_BY_HOUR_SIZE) || Count(rule.by_year_day, ICAL_BY_YEARDAY_SIZE) ||
        Count(rule.by_week_no, ICAL_BY_WEEKNO_SIZE) ||
        Count(rule.by_set_pos, ICAL_BY_SETPOS_SIZE) || rule.rscale)
        return std::nullopt;
    const int days = Count(rule.by_day, ICAL_BY_DAY_SIZE);
    const int monthDays = Count(rule.by_month_day, ICAL_BY_MONTHDAY_SIZE);
    const int months = Count(rule.by_month, ICAL_BY_MONTH_SIZE);
    const int weekdayNumber = WeekdayOf(start);
    const bool onWeekday =
        days == 0 || (days == 1 && icalrecurrencetype_day_position(rule.by_day[0]) == 0 &&
                      icalrecurrencetype_day_day_of_week(rule.by_day[0]) == weekdayNumber);
    const bool onMonthDay = monthDays == 0 || (monthDays == 1 && rule.by_month_day[0] == start.day);
    const bool inMonth = months == 0 || (months == 1 && rule.by_month[0] == start.month);
    if (rule.freq == ICAL_WEEKLY_RECURRENCE && onWeekday && monthDays == 0 && months == 0)
        return Entry{KindWeekly, weekdayNumber, 0, 0, {}};
    if (rule.freq == ICAL_MONTHLY_RECURRENCE && days == 0 && onMonthDay && months == 0)
        return Entry{KindMonthly, start.day, 0, 0, {}};
    if (rule.freq != ICAL_YEARLY_RECURRENCE || !inMonth)
        return std::nullopt;
    if (days == 0 && onMonthDay)
        return Entry{KindYearly, start.month, start.day, 0, {}};
    if (days != 1 || monthDays != 0 || months != 1 ||
        icalrecurrencetype_day_day_of_week(rule.by_day[0]) != weekdayNumber)
        return std::nullopt;
    // The start must be the n-th (or the last) such weekday of its month.
    const int position = icalrecurrencetype_day_position(rule.by_day[0]);
    const int daysInMonth = DaysInMonth(start.month, start.year);
    if (position >= 1 && position <= 5 && (start.day + 6) / 7 == position)
        return Entry{KindNWeekdayly, position, weekdayNumber, start.month, {}};
    if (position == -1 && start.day + 7 > daysInMonth)
        return Entry{KindNWeekdayly, 0, weekdayNumber, start.month, {}};
    return std::nullopt;
}

// The kind of an event with no RRULE or exactly one that a kind holds, and nothing that adds
// or removes instances; none when the event needs expanding.
std::optional<Entry> KindOf(icalcomponent *event, const icaltimetype &start) {
    if (HasAny(event, ICAL_RDATE_PROPERTY) || HasAny(event, ICAL_EXDATE_PROPERTY) ||
        HasAny(event, ICAL_EXRULE_PROPERTY))
        return std::nullopt;
    const icaltimetype local = LocalTime(start);
    icalproperty *rrule = icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY);
    if (!rrule)
        return Entry{KindOnce, local.month, local.day, local.year, {}};
    // A time zone that moves the start to another day would move every instance with it.
    if (icalcomponent_get_next_property(event, ICAL_RRULE_PROPERTY) || Day(local) != Day(start))
        return std::nullopt;
    return KindOfRule(icalproperty_get_rrule(rrule), start);
}

std::string Get(const TEvents &events, const Entry &entry) {
    switch (entry.EntryKind) {
    case KindOnce:
        return events.GetOnce(entry.A, entry.B, entry.C);
    case KindWeekly:
        return events.GetWeekly(entry.A);
    case KindMonthly:
        return events.GetMonthly(entry.A);
    case KindYearly:
        return events.GetYearly(entry.A, entry.B);
    case KindNWeekdayly:
        return events.GetNWeekdayly(entry.A, entry.B, entry.C);
    }
    return {};
}

void Set(TEvents &events, const Entry &entry, const std::string &text) {
    switch (entry.EntryKind) {
    case KindOnce:
        events.SetOnce(entry.A, entry.B, entry.C, text);
        break;
    case KindWeekly:
        events.SetWeekly(entry.A, text);
        break;
    case KindMonthly:
        events.SetMonthly(entry.A, text);
        break;
    case KindYearly:
        events.SetYearly(entry.A, entry.B, text);
        break;
    case KindNWeekdayly:
        events.SetNWeekdayly(entry.A, entry.B, entry.C, text);
        break;
    }
}

// The days from today to the end of the expansion on which the calendar shows the entry, as
// the store itself answers for each day.
std::set<sys_days> KindDays(const Entry &entry, const Reading &reading) {
    TEvents only;
    Set(only, entry, "x");
    std::set<sys_days> shown;
    for (sys_days day = reading.Today; day <= reading.Result.ExpandedTo; day += days{1}) {
        const year_month_day date{day};
        if (!only.EventsOfDate(static_cast<int>(static_cast<unsigned>(date.month())),
                               static_cast<int>(static_cast<unsigned>(date.day())),
                               static_cast<int>(date.year()), "")
                 .empty())
            shown.insert(day);
    }
    return shown;
}

// The local days of the instances from today to the end of the expansion.
std::set<sys_days> LocalDays(const std::vector<icaltimetype> &instances, const Reading &reading) {
    std::set<sys_days> shown;
    for (const icaltimetype &instance : instances) {
        const icaltimetype local = LocalTime(instance);
        if (!RealDate(local))
            continue;
        const sys_days day = Day(local);
        if (day >= reading.Today && day <= reading.Result.ExpandedTo)
            shown.insert(day);
    }
    return shown;
}

// One-time entries for the instances whose local day falls from today to the end of the
// expansion.
void AddInstances(const std::string &name, const std::vector<icaltimetype> &instances,
                  const std::string &text, Reading &reading) {
    for (const icaltimetype &instance : instances) {
        const icaltimetype local = LocalTime(instance);
        if (!RealDate(local)) {
            reading.Result.LeftOut.push_back(name + ": " + DateText(local) + " is not a date");
            continue;
        }
        if (Day(local) < reading.Today || Day(local) > reading.Result.ExpandedTo)
            continue;
        if (reading.Result.ExpandedEntries >= IcsMaxExpandedEntries)
            throw QuorvaError("the repeating events give more than " +
                              std::to_string(IcsMaxExpandedEntries) + " one-time entries up to " +
                              DateText(reading.Result.ExpandedTo));
        reading.Entries.push_back(
            Entry{KindOnce, local.month, local.day, local.year, WithTime(local, text)});
        ++reading.Result.ExpandedEntries;
    }
}

bool ReplacesAnInstance(icalcomponent *event) {
    return HasAny(event, ICAL_RECURRENCEID_PROPERTY);
}

// A series becomes an entry of a kind only when the kind holds its rule and shows it on
// exactly its days from today on: a kind has no start, so a series that begins later, or
// whose days some time zone shifts, is expanded instead.
void ReadEvent(icalcomponent *event, int index, Reading &reading) {
    const std::string name = EventName(event, index);
    if (const auto problem = ParseProblem(event))
        throw QuorvaError(name + ": " + *problem);
    const icaltimetype start = icalcomponent_get_dtstart(event);
    if (icaltime_is_null_time(start) || !icaltime_is_valid_time(start))
        throw QuorvaError(name + " has no readable start (DTSTART)");
    const std::string text = EventText(event);
    if (text.empty() || icalcomponent_get_status(event) == ICAL_STATUS_CANCELLED) {
        reading.Result.LeftOut.push_back(
            name + (text.empty() ? ": it has no text" : ": it was cancelled"));
        return;
    }
    if (const auto problem = TimeProblem(start)) {
        reading.Result.LeftOut.push_back(name + ": its start " + *problem);
        return;
    }
    // One moved or changed instance of a series belongs with the series' expansion.
    if (ReplacesAnInstance(event)) {
        AddInstances(name, {start}, text, reading);
        return;
    }
    const auto replaced = reading.Replaced.find(Text(icalcomponent_get_uid(event)));
    const Exclusions *exclusions = replaced == reading.Replaced.end() ? nullptr : &replaced->second;
    std::optional<Entry> entry = exclusions ? std::nullopt : KindOf(event, start);
    if (entry && entry->EntryKind == KindOnce) {
        entry->Text = WithTime(LocalTime(start), text);
        reading.Entries.push_back(*entry);
        return;
    }
    const std::vector<icaltimetype> instances = Instances(event, name, start, exclusions, reading);
    if (entry && LocalDays(instances, reading) == KindDays(*entry, reading)) {
        entry->Text = WithTime(LocalTime(start), text);
        reading.Entries.push_back(*entry);
        return;
    }
    ++reading.Result.Expanded;
    AddInstances(name, instances, text, reading);
}

std::vector<icalcomponent *> Events(icalcomponent *calendar) {
    std::vector<icalcomponent *> events;
    for (icalcomponent *event = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT);
         event; event = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT))
        events.push_back(event);
    return events;
}

// Every VCALENDAR of the parsed file: the root itself, or the children of the parser's
// wrapper when the file holds several.
std::vector<icalcomponent *> Calendars(icalcomponent *root) {
    if (icalcomponent_isa(root) == ICAL_VCALENDAR_COMPONENT)
        return {root};
    std::vector<icalcomponent *> calendars;
    for (icalcomponent *c = icalcomponent_get_first_component(root, ICAL_VCALENDAR_COMPONENT); c;
         c = icalcomponent_get_next_component(root, ICAL_VCALENDAR_COMPONENT))
        calendars.push_back(c);
    return calendars;
}

Reading ReadCalendar(const std::string &icsText, sys_days today) {
    CheckContentLines(icsText);
    Component root(icalparser_parse_string(icsText.c_str()), &icalcomponent_free);
    if (!root)
        throw QuorvaError("the file holds no iCalendar data");
    Reading reading;
    reading.Today = today;
    const year_month last{year_month_day{today}.year() / year_month_day{today}.month() +
                          months{12}};
    reading.Result.ExpandedTo = sys_days{last / std::chrono::last};
    const std::vector<icalcomponent *> calendars = Calendars(root.get());
    for (icalcomponent *calendar : calendars) {
        if (const auto problem = ParseProblem(calendar))
            throw QuorvaError("calendar: " + *problem);
        for (icalcomponent *event : Events(calendar))
            if (ReplacesAnInstance(event))
                reading.Replaced[Text(icalcomponent_get_uid(event))].Add(
                    icalcomponent_get_recurrenceid(event));
    }
    std::set<std::string> zones;
    CollectZoneNames(root.get(), zones);
    int changes = 0;
    CheckTimeZones(root.get(), zones, changes);
    int index = 0;
    for (icalcomponent *calendar : calendars)
        for (icalcomponent *event : Events(calendar))
            ReadEvent(event, ++index, reading);
    return reading;
}

// What merging one entry did to the store.
enum class Merged { AlreadyThere, Added, AddedCut, NoRoom };

// The length of the longest start of text, up to length bytes, that ends between two UTF-8
// characters, so that a cut never leaves half a character.
std::size_t WholeCharacters(const std::string &text, std::size_t length) {
    if (length >= text.size())
        return text.size();
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
        --length;
    return length;
}

// Adds the entry's text on a new line unless the entry already says it. What would go past
// the events file's limit is cut here, as the file would cut it, so that the store holds what
// the file will; an existing text is never cut.
Merged Merge(TEvents &events, const Entry &entry) {
    const std::string existing = Get(events, entry);
    if (existing.find(entry.Text) != std::string::npos)
        return Merged::AlreadyThere;
    const std::string separator = existing.empty() ? "" : "\r\n";
    const std::size_t kept = existing.size() + separator.size();
    if (kept + entry.Text.size() <= MaxTextLength) {
        Set(events, entry, existing + separator + entry.Text);
        return Merged::Added;
    }
    if (kept >= MaxTextLength - 1)
        return Merged::NoRoom;
    Set(events, entry,
        existing + separator +
            entry.Text.substr(0, WholeCharacters(entry.Text, MaxTextLength - 1 - kept)));
    // Blanks at the end are trimmed: a cut that kept nothing else added nothing.
    return Get(events, entry) == existing ? Merged::NoRoom : Merged::AddedCut;
}

// How a message names an entry: its date, or when it comes back.
std::string EntryName(const Entry &entry) {
    static const char *const Ordinals[] = {"last", "first", "second", "third", "fourth", "fifth"};
    const auto index = [](int value) { return static_cast<std::size_t>(value); };
    switch (entry.EntryKind) {
    case KindOnce:
        return FormatDate(entry.A, entry.B, entry.C);
    case KindWeekly:
        return "every " + DayNames[index(entry.A)];
    case KindMonthly:
        return "day " + std::to_string(entry.A) + " of every month";
    case KindYearly:
        return "every " + std::to_string(entry.A) + "/" + std::to_string(entry.B);
    case KindNWeekdayly:
        return std::string("the ") + Ordinals[index(entry.A)] + " " + DayNames[index(entry.B)] +
               " of every " + MonthNames[index(entry.C)];
    }
    return {};
}

// An entry whose text the events file's limit cut: the first imported text that found no
// room in it at all, and how many did.
struct CutEntry {
    std::string Name;
    std::string FirstNotAdded;
    int NotAdded = 0;
};

// "3/7/2027: text cut at 4096 characters", naming the texts that found no room at all.
std::string CutMessage(const CutEntry &cut) {
    std::string message =
        cut.Name + ": text cut at " + std::to_string(MaxTextLength) + " characters";
    if (cut.NotAdded > 0)
        message += "; \"" + cut.FirstNotAdded + "\"" +
                   (cut.NotAdded > 1 ? " and " + std::to_string(cut.NotAdded - 1) + " more" : "") +
                   " not added";
    return message;
}

} // namespace

std::string IcsFileTooLarge() {
    return "the file is larger than " + std::to_string(IcsMaxFileBytes / (1024 * 1024)) + " MB";
}

bool TIcsImport::Changed() const {
    return std::any_of(Added.begin(), Added.end(), [](int count) { return count > 0; });
}

TIcsImport ImportIcs(const std::string &icsText, TEvents &events, sys_days today) {
    try {
        Reading reading = ReadCalendar(icsText, today);
        TEvents merged = events;
        std::vector<CutEntry> cuts;
        std::map<std::string, std::size_t> cutAt; // by entry name, its place in cuts
        for (const Entry &entry : reading.Entries) {
            const Merged result = Merge(merged, entry);
            if (result == Merged::Added || result == Merged::AddedCut)
                ++reading.Result.Added[entry.EntryKind];
            if (result != Merged::AddedCut && result != Merged::NoRoom)
                continue;
            const std::string name = EntryName(entry);
            const auto [at, isNew] = cutAt.try_emplace(name, cuts.size());
            if (isNew)
                cuts.push_back(CutEntry{name, {}, 0});
            CutEntry &cut = cuts[at->second];
            if (result == Merged::NoRoom && cut.NotAdded++ == 0)
                cut.FirstNotAdded = Shown(entry.Text);
        }
        for (const CutEntry &cut : cuts)
            reading.Result.Cut.push_back(CutMessage(cut));
        events = std::move(merged);
        return reading.Result;
    } catch (const std::bad_alloc &) {
        throw QuorvaError("not enough memory to read the file");
    }
}
