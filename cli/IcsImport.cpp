#include "IcsImport.h"

#include "CommandLine.h"
#include "FileIo.h"
#include "Pool.h"
#include "RunningCopy.h"

#include <libical/ical.h>

#include <algorithm>
#include <cctype>
#include <ctime>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <tuple>

using namespace std::chrono;

namespace {

enum Kind { KindOnce, KindWeekly, KindMonthly, KindYearly, KindNWeekdayly };

// One entry to add: the kind, the integers of its key, its text (CR LF line breaks).
struct Entry {
    Kind EntryKind = KindOnce;
    int A = 0, B = 0, C = 0; // Once: month, day, year; NWeekdayly: n, weekday, month
    std::string Text;
};

// A generous bound on the instances walked for one rule, against rules that never end soon.
constexpr int MaxInstances = 500000;

using Component = std::unique_ptr<icalcomponent, decltype(&icalcomponent_free)>;

std::string Upper(std::string text) {
    for (char &c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string LineError(int line, const std::string &problem) {
    return "line " + std::to_string(line) + ": " + problem;
}

// What the content-line check remembers between lines.
struct LineCheck {
    std::vector<std::string> Open; // names of the components begun and not yet ended
    bool Started = false;
};

// Checks one unfolded content line: NAME[;PARAMS]:VALUE, BEGIN and END properly nested.
void CheckContentLine(const std::string &line, int number, LineCheck &check) {
    std::size_t nameEnd = 0;
    while (nameEnd < line.size() &&
           (std::isalnum(static_cast<unsigned char>(line[nameEnd])) || line[nameEnd] == '-'))
        ++nameEnd;
    const std::string shown = "\"" + line.substr(0, 40) + (line.size() > 40 ? "...\"" : "\"");
    if (nameEnd == 0 || nameEnd == line.size() || (line[nameEnd] != ':' && line[nameEnd] != ';') ||
        line.find(':') == std::string::npos)
        throw QuorvaError(LineError(number, shown + " is not an iCalendar line"));
    const std::string name = Upper(line.substr(0, nameEnd));
    const std::string value = Upper(line.substr(line.find(':') + 1));
    if (check.Open.empty() && (name != "BEGIN" || value != "VCALENDAR"))
        throw QuorvaError(LineError(number, check.Started ? shown + " follows END:VCALENDAR"
                                                          : "the file does not start with "
                                                            "BEGIN:VCALENDAR"));
    check.Started = true;
    if (name == "BEGIN") {
        check.Open.push_back(value);
    } else if (name == "END") {
        if (check.Open.back() != value)
            throw QuorvaError(LineError(number, "END:" + value + " where END:" + check.Open.back() +
                                                    " was expected"));
        check.Open.pop_back();
    }
}

// Walks the physical lines, joining folded ones, so that a damaged or foreign file is named
// by its first bad line before anything is read from it.
void CheckContentLines(const std::string &text) {
    LineCheck check;
    std::string logical;
    int logicalStart = 0;
    int number = 0;
    std::size_t at = text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && (line.front() == ' ' || line.front() == '\t') && !logical.empty()) {
            logical += line.substr(1);
            continue;
        }
        if (!logical.empty())
            CheckContentLine(logical, logicalStart, check);
        logical = line;
        logicalStart = number;
    }
    if (!logical.empty())
        CheckContentLine(logical, logicalStart, check);
    if (!check.Started)
        throw QuorvaError("the file holds no iCalendar data");
    if (!check.Open.empty())
        throw QuorvaError(LineError(number, "the file ends before END:" + check.Open.back()));
}

std::string Text(const char *value) {
    return value ? value : "";
}

// "event 3 (\"Dentist\")": the event's place in the file and its summary or UID.
std::string EventName(icalcomponent *event, int index) {
    std::string label = Text(icalcomponent_get_summary(event));
    if (label.empty())
        label = Text(icalcomponent_get_uid(event));
    return "event " + std::to_string(index) + (label.empty() ? "" : " (\"" + label + "\")");
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

int Count(const short *values, int size) {
    int count = 0;
    while (count < size && values[count] != ICAL_RECURRENCE_ARRAY_MAX)
        ++count;
    return count;
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

using Instant = std::tuple<int, int, int, int, int, int>;

Instant Fields(const icaltimetype &time) {
    return {time.year, time.month, time.day, time.hour, time.minute, time.second};
}

// The instances of one rule from start up to the day stop.
std::vector<icaltimetype> RuleInstances(const icalrecurrencetype &rule, const icaltimetype &start,
                                        const icaltimetype &stop) {
    std::vector<icaltimetype> instances;
    icalrecur_iterator *iterator = icalrecur_iterator_new(rule, start);
    if (!iterator)
        return instances;
    for (int i = 0; i < MaxInstances; ++i) {
        const icaltimetype next = icalrecur_iterator_next(iterator);
        if (icaltime_is_null_time(next) || icaltime_compare_date_only(next, stop) > 0)
            break;
        instances.push_back(next);
    }
    icalrecur_iterator_free(iterator);
    return instances;
}

// The event's instances up to the day stop, in its own time zone: DTSTART, the RRULE and
// RDATE instances, less the EXRULE and EXDATE ones and those that other events replace.
std::vector<icaltimetype> Instances(icalcomponent *event, const icaltimetype &start,
                                    const icaltimetype &stop, std::vector<icaltimetype> excluded) {
    std::vector<icaltimetype> instances{start};
    for (icalproperty *p = icalcomponent_get_first_property(event, ICAL_ANY_PROPERTY); p;
         p = icalcomponent_get_next_property(event, ICAL_ANY_PROPERTY)) {
        const icalproperty_kind kind = icalproperty_isa(p);
        if (kind == ICAL_RRULE_PROPERTY || kind == ICAL_EXRULE_PROPERTY) {
            const auto found =
                RuleInstances(kind == ICAL_RRULE_PROPERTY ? icalproperty_get_rrule(p)
                                                          : icalproperty_get_exrule(p),
                              start, stop);
            auto &target = kind == ICAL_RRULE_PROPERTY ? instances : excluded;
            target.insert(target.end(), found.begin(), found.end());
        } else if (kind == ICAL_RDATE_PROPERTY) {
            const icaldatetimeperiodtype rdate = icalproperty_get_rdate(p);
            instances.push_back(icaltime_is_null_time(rdate.time) ? rdate.period.start
                                                                  : rdate.time);
        } else if (kind == ICAL_EXDATE_PROPERTY) {
            excluded.push_back(icalproperty_get_exdate(p));
        }
    }
    const auto isExcluded = [&excluded](const icaltimetype &time) {
        return std::any_of(excluded.begin(), excluded.end(), [&time](const icaltimetype &ex) {
            return ex.is_date ? Day(ex) == Day(time) : Fields(ex) == Fields(time);
        });
    };
    std::erase_if(instances, isExcluded);
    std::sort(instances.begin(), instances.end(),
              [](const icaltimetype &a, const icaltimetype &b) { return Fields(a) < Fields(b); });
    instances.erase(std::unique(instances.begin(), instances.end(),
                                [](const icaltimetype &a, const icaltimetype &b) {
                                    return Fields(a) == Fields(b);
                                }),
                    instances.end());
    return instances;
}

icaltimetype IcsDate(sys_days day) {
    const year_month_day ymd{day};
    icaltimetype date = icaltime_null_date();
    date.year = static_cast<int>(ymd.year());
    date.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
    date.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
    return date;
}

// What the reading of the whole file gives, before the store is touched.
struct Reading {
    std::vector<Entry> Entries;
    TIcsImport Result;
    // By UID, the instances of a series that events of their own (RECURRENCE-ID) replace.
    std::map<std::string, std::vector<icaltimetype>> Replaced;
};

// One-time entries for the instances that fall from today to the end of the expansion.
void AddInstances(const std::vector<icaltimetype> &instances, const std::string &text,
                  sys_days today, Reading &reading) {
    for (const icaltimetype &instance : instances) {
        const icaltimetype local = LocalTime(instance);
        if (Day(local) < today || Day(local) > reading.Result.ExpandedTo)
            continue;
        reading.Entries.push_back(
            Entry{KindOnce, local.month, local.day, local.year, WithTime(local, text)});
        ++reading.Result.ExpandedEntries;
    }
}

void Expand(icalcomponent *event, const icaltimetype &start, const std::string &text,
            sys_days today, Reading &reading) {
    ++reading.Result.Expanded;
    const auto replaced = reading.Replaced.find(Text(icalcomponent_get_uid(event)));
    // A day's margin: an instance's local date may come after its date in its own zone.
    AddInstances(Instances(event, start, IcsDate(reading.Result.ExpandedTo + days{1}),
                           replaced == reading.Replaced.end() ? std::vector<icaltimetype>{}
                                                              : replaced->second),
                 text, today, reading);
}

bool ReplacesAnInstance(icalcomponent *event) {
    return HasAny(event, ICAL_RECURRENCEID_PROPERTY);
}

void ReadEvent(icalcomponent *event, int index, sys_days today, Reading &reading) {
    if (const auto problem = ParseProblem(event))
        throw QuorvaError(EventName(event, index) + ": " + *problem);
    const icaltimetype start = icalcomponent_get_dtstart(event);
    if (icaltime_is_null_time(start) || !icaltime_is_valid_time(start))
        throw QuorvaError(EventName(event, index) + " has no readable start (DTSTART)");
    const std::string text = EventText(event);
    if (text.empty() || icalcomponent_get_status(event) == ICAL_STATUS_CANCELLED) {
        reading.Result.LeftOut.push_back(
            EventName(event, index) + (text.empty() ? ": it has no text" : ": it was cancelled"));
        return;
    }
    // One moved or changed instance of a series belongs with the series' expansion.
    if (ReplacesAnInstance(event)) {
        AddInstances({start}, text, today, reading);
        return;
    }
    const bool hasReplacedInstances = reading.Replaced.count(Text(icalcomponent_get_uid(event)));
    if (auto entry = KindOf(event, start); entry && !hasReplacedInstances) {
        entry->Text = WithTime(LocalTime(start), text);
        reading.Entries.push_back(*entry);
        return;
    }
    Expand(event, start, text, today, reading);
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
    const year_month last{year_month_day{today}.year() / year_month_day{today}.month() +
                          months{12}};
    reading.Result.ExpandedTo = sys_days{last / std::chrono::last};
    const std::vector<icalcomponent *> calendars = Calendars(root.get());
    for (icalcomponent *calendar : calendars) {
        if (const auto problem = ParseProblem(calendar))
            throw QuorvaError("calendar: " + *problem);
        for (icalcomponent *event : Events(calendar))
            if (ReplacesAnInstance(event))
                reading.Replaced[Text(icalcomponent_get_uid(event))].push_back(
                    icalcomponent_get_recurrenceid(event));
    }
    int index = 0;
    for (icalcomponent *calendar : calendars)
        for (icalcomponent *event : Events(calendar))
            ReadEvent(event, ++index, today, reading);
    return reading;
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

// Adds the entry's text on a new line unless the entry already says it; true when it did.
bool Merge(TEvents &events, const Entry &entry) {
    const std::string existing = Get(events, entry);
    if (existing.find(entry.Text) != std::string::npos)
        return false;
    Set(events, entry, existing.empty() ? entry.Text : existing + "\r\n" + entry.Text);
    return true;
}

std::string Counted(int count, const std::string &one, const std::string &many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

} // namespace

bool TIcsImport::Changed() const {
    return std::any_of(Added.begin(), Added.end(), [](int count) { return count > 0; });
}

TIcsImport ImportIcs(const std::string &icsText, TEvents &events, sys_days today) {
    Reading reading = ReadCalendar(icsText, today);
    for (const Entry &entry : reading.Entries)
        if (Merge(events, entry))
            ++reading.Result.Added[entry.EntryKind];
    return reading.Result;
}

std::string ImportIcsUsage() {
    return "Usage: quorva-cli import-ics ICSFILE [--file PATH]\n"
           "Adds the events of an iCalendar file (RFC 5545) to the events file PATH, which\n"
           "defaults to the calendar's own. Repeating events that the calendar cannot repeat\n"
           "become one-time events up to the end of the month a year from today. Close the\n"
           "calendar first: it would overwrite the imported events at its next save.\n";
}

int RunImportIcs(const std::vector<std::string> &args, sys_days today,
                 const std::string &defaultFile, std::ostream &out, std::ostream &err) {
    TCommandLine commandLine;
    std::string problem = ParseCommandLine(args, {"--file"}, 1, commandLine);
    if (problem.empty() && !commandLine.Help && commandLine.Arguments.empty())
        problem = "import-ics needs the iCalendar file to read";
    if (!problem.empty()) {
        err << "quorva-cli: " << problem << "\n";
        return ExitBadArgument;
    }
    if (commandLine.Help) {
        out << ImportIcsUsage();
        return ExitOk;
    }
    if (CalendarIsRunning()) {
        err << "quorva-cli: the calendar is running; close it and import again (it would "
               "overwrite the imported events at its next save)\n";
        return ExitCannotRead;
    }
    const std::string icsFile = commandLine.Arguments.front();
    const std::string path = commandLine.Option("--file").value_or(defaultFile);
    std::string icsText, reason;
    bool missing = false;
    if (!ReadWholeFile(icsFile, icsText, reason, missing)) {
        err << "quorva-cli: cannot read " << icsFile << ": " << reason << "\n";
        return ExitCannotRead;
    }
    TEvents events;
    TIcsImport result;
    try {
        // Under the events file's lock, on top of the file as it is then: another import (or
        // the calendar) writing at the same moment waits, and neither loses the other's events.
        TFileStamp unread; // never matches an existing file: it is read under the lock
        UpdateEventsFileIfChanged(
            path, events, 0, today,
            [&](TEvents &current) {
                try {
                    result = ImportIcs(icsText, current, today);
                } catch (const QuorvaError &error) {
                    throw QuorvaError("cannot import " + icsFile + ": " + error.what());
                }
                return result.Changed();
            },
            unread);
        for (const std::string &event : result.LeftOut)
            err << "quorva-cli: left out " << event << "\n";
    } catch (const QuorvaError &error) {
        err << "quorva-cli: " << error.what() << "; nothing was written\n";
        return ExitCannotRead;
    }
    const auto &added = result.Added;
    out << "Added " << added[KindOnce] << " one-time, " << added[KindWeekly] << " weekly, "
        << added[KindMonthly] << " monthly, " << added[KindYearly] << " yearly and "
        << added[KindNWeekdayly] << " n-th weekday entries to " << path << ".\n";
    if (result.Expanded > 0) {
        const year_month_day to{result.ExpandedTo};
        out << "Expanded " << Counted(result.Expanded, "repeating event", "repeating events")
            << " into " << Counted(result.ExpandedEntries, "one-time entry", "one-time entries")
            << " up to "
            << FormatDate(static_cast<int>(static_cast<unsigned>(to.month())),
                          static_cast<int>(static_cast<unsigned>(to.day())),
                          static_cast<int>(to.year()))
            << ".\n";
    }
    return ExitOk;
}
