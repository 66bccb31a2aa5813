#include "IcsImport.h"

#include "CommandLine.h"
#include "FileIo.h"
#include "Pool.h"
#include "RunningCopy.h"

#include <libical/ical.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <ostream>
#include <set>
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

// The events file keeps a text of up to 4096 characters whole and cuts a longer one to its
// first 4095; the store's line break, CR LF, counts as two.
constexpr std::size_t MaxTextLength = 4096;

// libical expands a time zone's changes up to the year 2582 at the latest; counting them up to
// here counts every change it can make.
constexpr int ZoneChangesEndYear = 2600;

using Component = std::unique_ptr<icalcomponent, decltype(&icalcomponent_free)>;
using Iterator = std::unique_ptr<icalrecur_iterator, decltype(&icalrecur_iterator_free)>;

std::string Upper(std::string text) {
    for (char &c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string LineError(int line, const std::string &problem) {
    return "line " + std::to_string(line) + ": " + problem;
}

std::string FileTooLarge() {
    return "the file is larger than " + std::to_string(IcsMaxFileBytes / (1024 * 1024)) + " MB";
}

// What the content-line check remembers between lines.
struct LineCheck {
    std::vector<std::string> Open; // names of the components begun and not yet ended
    bool Started = false;
    long long Values = 0; // the lines so far, and the further items of their lists
};

// Where the value of a line starts: after the first colon outside a quoted parameter value.
// Counts the parameters (their semicolons) on the way.
std::size_t ValueStart(const std::string &line, std::size_t nameEnd, int &parameters) {
    bool quoted = false;
    parameters = 0;
    for (std::size_t i = nameEnd; i < line.size(); ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else if (!quoted && line[i] == ';')
            ++parameters;
        else if (!quoted && line[i] == ':')
            return i + 1;
    }
    return line.size();
}

// The items of a value: one, and one more for each comma that no backslash escapes.
long long ValueItems(const std::string &line, std::size_t valueStart) {
    long long items = 1;
    for (std::size_t i = valueStart; i < line.size(); ++i)
        if (line[i] == ',' && (i == valueStart || line[i - 1] != '\\'))
            ++items;
    return items;
}

// Checks one unfolded content line: NAME[;PARAMS]:VALUE, BEGIN and END properly nested, and
// within the limits on parameters, values and nesting that keep the parser's work bounded.
void CheckContentLine(const std::string &line, int number, LineCheck &check) {
    std::size_t nameEnd = 0;
    while (nameEnd < line.size() &&
           (std::isalnum(static_cast<unsigned char>(line[nameEnd])) || line[nameEnd] == '-'))
        ++nameEnd;
    const std::string shown = "\"" + line.substr(0, 40) + (line.size() > 40 ? "...\"" : "\"");
    if (nameEnd == 0 || nameEnd == line.size() || (line[nameEnd] != ':' && line[nameEnd] != ';') ||
        line.find(':') == std::string::npos)
        throw QuorvaError(LineError(number, shown + " is not an iCalendar line"));
    int parameters = 0;
    const std::size_t valueStart = ValueStart(line, nameEnd, parameters);
    if (parameters > IcsMaxParameters)
        throw QuorvaError(
            LineError(number, "more than " + std::to_string(IcsMaxParameters) + " parameters"));
    check.Values += ValueItems(line, valueStart);
    if (check.Values > IcsMaxValues)
        throw QuorvaError(LineError(number, "the file holds more than " +
                                                std::to_string(IcsMaxValues) + " values"));
    const std::string name = Upper(line.substr(0, nameEnd));
    const bool nests = name == "BEGIN" || name == "END";
    const std::string value = nests ? Upper(line.substr(line.find(':') + 1)) : std::string();
    if (check.Open.empty() && (name != "BEGIN" || value != "VCALENDAR"))
        throw QuorvaError(LineError(number, check.Started ? shown + " follows END:VCALENDAR"
                                                          : "the file does not start with "
                                                            "BEGIN:VCALENDAR"));
    check.Started = true;
    if (name == "BEGIN") {
        if (check.Open.size() >= IcsMaxNesting)
            throw QuorvaError(LineError(number, "components nested deeper than " +
                                                    std::to_string(IcsMaxNesting) + " levels"));
        check.Open.push_back(value);
    } else if (name == "END") {
        if (check.Open.back() != value)
            throw QuorvaError(LineError(number, "END:" + value + " where END:" + check.Open.back() +
                                                    " was expected"));
        check.Open.pop_back();
    }
}

// Walks the physical lines, joining folded ones, so that a damaged, foreign or oversized file
// is named by its first bad line before the parser sees any of it.
void CheckContentLines(const std::string &text) {
    if (text.size() > IcsMaxFileBytes)
        throw QuorvaError(FileTooLarge());
    const std::string tooLong =
        "more than " + std::to_string(IcsMaxLineLength) + " characters in one line";
    LineCheck check;
    std::string logical;
    int logicalStart = 0;
    int number = 0;
    std::size_t at = text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        const std::size_t lineAt = at;
        std::size_t length = end - at;
        if (length > 0 && text[lineAt + length - 1] == '\r')
            --length;
        at = end + 1;
        ++number;
        if (length > 0 && (text[lineAt] == ' ' || text[lineAt] == '\t') && !logical.empty()) {
            if (logical.size() + length - 1 > IcsMaxLineLength)
                throw QuorvaError(LineError(logicalStart, tooLong));
            logical.append(text, lineAt + 1, length - 1);
            continue;
        }
        if (!logical.empty())
            CheckContentLine(logical, logicalStart, check);
        if (length > IcsMaxLineLength)
            throw QuorvaError(LineError(number, tooLong));
        logical.assign(text, lineAt, length);
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

// The first line of a text, shortened to 40 characters, to name it in a message.
std::string Shown(const std::string &text) {
    const std::string line = text.substr(0, text.find_first_of("\r\n"));
    if (line.size() <= 40)
        return line;
    std::size_t length = 40;
    while (length > 0 && (static_cast<unsigned char>(line[length]) & 0xC0) == 0x80)
        --length;
    return line.substr(0, length) + "...";
}

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

// A date as the program writes it, whether or not it exists: "2/30/2027".
std::string DateText(const icaltimetype &time) {
    return FormatDate(time.month, time.day, time.year);
}

std::string DateText(sys_days day) {
    const year_month_day ymd{day};
    return FormatDate(static_cast<int>(static_cast<unsigned>(ymd.month())),
                      static_cast<int>(static_cast<unsigned>(ymd.day())),
                      static_cast<int>(ymd.year()));
}

bool RealDate(const icaltimetype &time) {
    return IsValidDate(time.month, time.day, time.year);
}

// Why a date or time that libical took is still none of this calendar's: libical reads
// 20270230 and 20271345 as dates and T256199 as a time.
std::optional<std::string> TimeProblem(const icaltimetype &time) {
    if (!RealDate(time))
        return DateText(time) + " is not a date";
    if (!time.is_date && (time.hour > 23 || time.minute > 59 || time.second > 60))
        return DateText(time) + " " + std::to_string(time.hour) + ":" +
               (time.minute < 10 ? "0" : "") + std::to_string(time.minute) +
               " is not a time of day";
    return std::nullopt;
}

icaltimetype IcsDate(sys_days day) {
    const year_month_day ymd{day};
    icaltimetype date = icaltime_null_date();
    date.year = static_cast<int>(ymd.year());
    date.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
    date.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
    return date;
}

// The first or the last moment of a day in the form (date or date-time) and the time zone of
// an event's start, to bound its dates in its own time.
icaltimetype Bound(sys_days day, const icaltimetype &start, bool endOfDay) {
    icaltimetype bound = IcsDate(day);
    bound.is_date = start.is_date;
    bound.zone = start.zone;
    if (!start.is_date && endOfDay) {
        bound.hour = 23;
        bound.minute = 59;
        bound.second = 59;
    }
    return bound;
}

// Dates and times a series leaves out: EXDATE, EXRULE and the instances that events of their
// own (RECURRENCE-ID) replace. An excluded date takes out every instance on its day.
struct Exclusions {
    std::set<std::tuple<int, int, int>> Days;
    std::set<Instant> Times;

    void Add(const icaltimetype &time) {
        if (time.is_date)
            Days.emplace(time.year, time.month, time.day);
        else
            Times.insert(Fields(time));
    }
    bool Has(const icaltimetype &time) const {
        return Days.count({time.year, time.month, time.day}) > 0 || Times.count(Fields(time)) > 0;
    }
};

// What the reading of the whole file gives, before the store is touched.
struct Reading {
    std::vector<Entry> Entries;
    TIcsImport Result;
    sys_days Today;
    // By UID, the instances of a series that events of their own (RECURRENCE-ID) replace.
    std::map<std::string, Exclusions> Replaced;
    long long Steps = 0; // libical's steps through the rules read so far
};

// Seconds from 1970 to a wall-clock time. Fields out of range are brought into it: this only
// measures how far libical walks.
long long Seconds(const icaltimetype &time) {
    const int month = std::clamp(time.month, 1, 12);
    const int day = std::clamp(time.day, 1, 31);
    const sys_days date = sys_days{year{time.year} / month / 1} + days{day - 1};
    return date.time_since_epoch().count() * 86400LL + time.hour * 3600LL + time.minute * 60LL +
           time.second;
}

// How many periods of a rule's frequency, times its interval, lie from one time to another:
// the steps libical takes from the one to the other.
long long Periods(const icalrecurrencetype &rule, const icaltimetype &from,
                  const icaltimetype &to) {
    const long long seconds = Seconds(to) - Seconds(from);
    if (seconds <= 0)
        return 0;
    long long periods = 0;
    switch (rule.freq) {
    case ICAL_SECONDLY_RECURRENCE:
        periods = seconds;
        break;
    case ICAL_MINUTELY_RECURRENCE:
        periods = seconds / 60;
        break;
    case ICAL_HOURLY_RECURRENCE:
        periods = seconds / 3600;
        break;
    case ICAL_DAILY_RECURRENCE:
        periods = seconds / 86400;
        break;
    case ICAL_WEEKLY_RECURRENCE:
        periods = seconds / (7 * 86400);
        break;
    case ICAL_MONTHLY_RECURRENCE:
        periods = (to.year - from.year) * 12LL + to.month - from.month;
        break;
    default:
        periods = to.year - from.year;
        break;
    }
    return periods / std::max<long long>(rule.interval, 1) + 1;
}

// Whether a BY part of the rule only picks among the periods of its frequency (BYMONTH=2 of a
// daily rule, say), so that one call into libical may walk through any number of periods, up
// to UNTIL, before it finds a date or none. A yearly rule takes a year per step.
bool MaySkipPeriods(const icalrecurrencetype &rule) {
    const bool month = Count(rule.by_month, ICAL_BY_MONTH_SIZE) > 0;
    const bool elsewhere = month || Count(rule.by_week_no, ICAL_BY_WEEKNO_SIZE) > 0 ||
                           Count(rule.by_year_day, ICAL_BY_YEARDAY_SIZE) > 0 ||
                           Count(rule.by_set_pos, ICAL_BY_SETPOS_SIZE) > 0;
    const bool monthDay = Count(rule.by_month_day, ICAL_BY_MONTHDAY_SIZE) > 0;
    const bool weekDay = Count(rule.by_day, ICAL_BY_DAY_SIZE) > 0;
    const bool hour = Count(rule.by_hour, ICAL_BY_HOUR_SIZE) > 0;
    const bool minute = Count(rule.by_minute, ICAL_BY_MINUTE_SIZE) > 0;
    const bool second = Count(rule.by_second, ICAL_BY_SECOND_SIZE) > 0;
    switch (rule.freq) {
    case ICAL_YEARLY_RECURRENCE:
        return false;
    case ICAL_MONTHLY_RECURRENCE:
        return elsewhere || (monthDay && weekDay);
    case ICAL_WEEKLY_RECURRENCE:
        return elsewhere || monthDay;
    case ICAL_DAILY_RECURRENCE:
        return elsewhere || monthDay || weekDay;
    case ICAL_HOURLY_RECURRENCE:
        return elsewhere || monthDay || weekDay || hour;
    case ICAL_MINUTELY_RECURRENCE:
        return elsewhere || monthDay || weekDay || hour || minute;
    default:
        return elsewhere || monthDay || weekDay || hour || minute || second;
    }
}

// The dates of one rule from first to last. libical walks from DTSTART, or straight from
// first when the rule has no COUNT (which counts from DTSTART) and repeats daily or less often
// (its jump is exact only for those); UNTIL is brought forward to last, so that no walk goes on
// past the window. what names the rule in messages: "event 2 (\"Ping\"): its EXRULE".
std::vector<icaltimetype> RuleDates(const icalrecurrencetype &rule, const icaltimetype &start,
                                    const icaltimetype &first, const icaltimetype &last,
                                    const std::string &what, Reading &reading) {
    std::vector<icaltimetype> dates;
    icalrecurrencetype bounded = rule;
    if (icaltime_is_null_time(rule.until) || Fields(last) < Fields(rule.until))
        bounded.until = last;
    const bool jumps = rule.count == 0 && rule.freq >= ICAL_DAILY_RECURRENCE &&
                       rule.freq <= ICAL_YEARLY_RECURRENCE && Fields(start) < Fields(first);
    const icaltimetype from = jumps ? first : start;
    const std::string upTo = " up to " + DateText(reading.Result.ExpandedTo);
    const std::string ruleTooLong =
        what + " takes more than " + std::to_string(IcsMaxRuleSteps) + " steps to expand" + upTo;
    const std::string fileTooLong = "the repeating events take more than " +
                                    std::to_string(IcsMaxFileSteps) + " steps to expand" + upTo;
    // One call may walk all the way to UNTIL without returning: that must fit beforehand.
    if (MaySkipPeriods(rule) && Periods(rule, from, bounded.until) > IcsMaxRuleSteps)
        throw QuorvaError(ruleTooLong);
    Iterator iterator(icalrecur_iterator_new(bounded, start), &icalrecur_iterator_free);
    if (!iterator)
        return dates; // a rule that libical finds can never occur
    if (jumps)
        icalrecur_iterator_set_start(iterator.get(), from);
    long long calls = 0;
    icaltimetype reached = bounded.until;
    for (icaltimetype next = icalrecur_iterator_next(iterator.get()); !icaltime_is_null_time(next);
         next = icalrecur_iterator_next(iterator.get())) {
        ++calls;
        reached = next;
        if (Fields(last) < Fields(next))
            break;
        if (!(Fields(next) < Fields(first))) {
            dates.push_back(next);
            if (dates.size() > IcsMaxEventDates)
                throw QuorvaError(what + " gives more than " + std::to_string(IcsMaxEventDates) +
                                  " dates" + upTo);
        }
        if (calls > IcsMaxRuleSteps)
            throw QuorvaError(ruleTooLong);
        if (reading.Steps + calls > IcsMaxFileSteps)
            throw QuorvaError(fileTooLong);
    }
    // The walk stopped at its last date when COUNT ran out, and otherwise went on to UNTIL.
    if (rule.count == 0 || calls < rule.count)
        reached = bounded.until;
    reading.Steps += std::max(calls, Periods(rule, from, reached));
    if (reading.Steps > IcsMaxFileSteps)
        throw QuorvaError(fileTooLong);
    return dates;
}

// The event's dates from two days before today to two days after the end of the expansion,
// in its own time zone and in order: DTSTART, the RRULE and RDATE dates, less the EXRULE and
// EXDATE ones and those that events of their own replace. The margin holds the dates whose
// local day falls in the window. A date that is no date is left out and named.
std::vector<icaltimetype> Instances(icalcomponent *event, const std::string &name,
                                    const icaltimetype &start, const Exclusions *replaced,
                                    Reading &reading) {
    const icaltimetype first = Bound(reading.Today - days{2}, start, false);
    const icaltimetype last = Bound(reading.Result.ExpandedTo + days{2}, start, true);
    const auto within = [&first, &last](const icaltimetype &time) {
        return !(Fields(time) < Fields(first)) && !(Fields(last) < Fields(time));
    };
    // Each time once, however many rules give it.
    std::map<Instant, icaltimetype> instances;
    const auto add = [&instances](const icaltimetype &time) {
        instances.emplace(Fields(time), time);
    };
    if (within(start))
        add(start);
    Exclusions excluded;
    for (icalproperty *p = icalcomponent_get_first_property(event, ICAL_ANY_PROPERTY); p;
         p = icalcomponent_get_next_property(event, ICAL_ANY_PROPERTY)) {
        const icalproperty_kind kind = icalproperty_isa(p);
        if (kind == ICAL_RRULE_PROPERTY) {
            for (const icaltimetype &time : RuleDates(icalproperty_get_rrule(p), start, first, last,
                                                      name + ": its RRULE", reading))
                add(time);
        } else if (kind == ICAL_EXRULE_PROPERTY) {
            for (const icaltimetype &time : RuleDates(icalproperty_get_exrule(p), start, first,
                                                      last, name + ": its EXRULE", reading))
                excluded.Add(time);
        } else if (kind == ICAL_RDATE_PROPERTY) {
            const icaldatetimeperiodtype rdate = icalproperty_get_rdate(p);
            const icaltimetype time =
                icaltime_is_null_time(rdate.time) ? rdate.period.start : rdate.time;
            if (icaltime_is_null_time(time))
                continue;
            if (const auto problem = TimeProblem(time))
                reading.Result.LeftOut.push_back(name + ": its RDATE " + *problem);
            else if (within(time))
                add(time);
        } else if (kind == ICAL_EXDATE_PROPERTY) {
            excluded.Add(icalproperty_get_exdate(p));
        }
        if (instances.size() > IcsMaxEventDates)
            throw QuorvaError(name + ": more than " + std::to_string(IcsMaxEventDates) +
                              " dates up to " + DateText(reading.Result.ExpandedTo));
    }
    std::vector<icaltimetype> kept;
    for (const auto &instance : instances)
        if (!excluded.Has(instance.second) && !(replaced && replaced->Has(instance.second)))
            kept.push_back(instance.second);
    return kept;
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

// The TZID parameters anywhere below the component: the time zones its times may be read in.
void CollectZoneNames(icalcomponent *component, std::set<std::string> &names) {
    for (icalproperty *p = icalcomponent_get_first_property(component, ICAL_ANY_PROPERTY); p;
         p = icalcomponent_get_next_property(component, ICAL_ANY_PROPERTY))
        for (icalparameter *zone = icalproperty_get_first_parameter(p, ICAL_TZID_PARAMETER); zone;
             zone = icalproperty_get_next_parameter(p, ICAL_TZID_PARAMETER))
            names.insert(Text(icalparameter_get_tzid(zone)));
    for (icalcomponent *c = icalcomponent_get_first_component(component, ICAL_ANY_COMPONENT); c;
         c = icalcomponent_get_next_component(component, ICAL_ANY_COMPONENT))
        CollectZoneNames(c, names);
}

// Counts the changes libical would expand from the rules of one time zone into changes.
void CheckTimeZone(icalcomponent *zone, const std::string &tzid, int &changes) {
    const std::string name = "time zone \"" + Shown(tzid) + "\"";
    for (icalcomponent *observance = icalcomponent_get_first_component(zone, ICAL_ANY_COMPONENT);
         observance; observance = icalcomponent_get_next_component(zone, ICAL_ANY_COMPONENT)) {
        icalproperty *startProperty =
            icalcomponent_get_first_property(observance, ICAL_DTSTART_PROPERTY);
        for (icalproperty *p = icalcomponent_get_first_property(observance, ICAL_RRULE_PROPERTY); p;
             p = icalcomponent_get_next_property(observance, ICAL_RRULE_PROPERTY)) {
            const icalrecurrencetype rule = icalproperty_get_rrule(p);
            if (rule.freq != ICAL_YEARLY_RECURRENCE)
                throw QuorvaError(name + ": its changes repeat more often than yearly (FREQ=" +
                                  Text(icalrecur_freq_to_string(rule.freq)) + ")");
            if (!startProperty)
                continue;
            const icaltimetype start = icalproperty_get_dtstart(startProperty);
            if (!RealDate(start))
                throw QuorvaError(name + ": its change on " + DateText(start) + " is not a date");
            icalrecurrencetype bounded = rule;
            const icaltimetype end =
                Bound(sys_days{year{ZoneChangesEndYear} / December / 31}, start, true);
            if (icaltime_is_null_time(rule.until) || Fields(end) < Fields(rule.until))
                bounded.until = end;
            Iterator iterator(icalrecur_iterator_new(bounded, start), &icalrecur_iterator_free);
            if (!iterator)
                continue;
            for (icaltimetype next = icalrecur_iterator_next(iterator.get());
                 !icaltime_is_null_time(next); next = icalrecur_iterator_next(iterator.get()))
                if (++changes > IcsMaxZoneChanges)
                    throw QuorvaError("the time zones hold more than " +
                                      std::to_string(IcsMaxZoneChanges) + " changes");
        }
    }
}

// Refuses a time zone that libical would expand beyond bounds when it converts an event's
// time: it expands every change rule of the zone from the rule's start on into the 26th
// century, all at once. So each rule must be yearly, as every real zone's is, and the rules of
// the zones the events name may give IcsMaxZoneChanges changes in all.
void CheckTimeZones(icalcomponent *component, const std::set<std::string> &used, int &changes) {
    for (icalcomponent *c = icalcomponent_get_first_component(component, ICAL_ANY_COMPONENT); c;
         c = icalcomponent_get_next_component(component, ICAL_ANY_COMPONENT)) {
        if (icalcomponent_isa(c) == ICAL_VTIMEZONE_COMPONENT) {
            icalproperty *tzid = icalcomponent_get_first_property(c, ICAL_TZID_PROPERTY);
            const std::string name = tzid ? Text(icalproperty_get_tzid(tzid)) : "";
            if (used.count(name) > 0)
                CheckTimeZone(c, name, changes);
        }
        CheckTimeZones(c, used, changes);
    }
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

std::string Counted(int count, const std::string &one, const std::string &many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// Whether the file at path (UTF-8, as the arguments are) is larger than an import reads, so
// that it is refused before it is read into memory. Anything whose size the system does not
// tell (a pipe) is read, and then measured.
bool TooLargeToRead(const std::string &path) {
    std::filesystem::path file;
#ifdef _WIN32
    try {
        file = std::filesystem::path(std::u8string(path.begin(), path.end()));
    } catch (const std::exception &) {
        return false;
    }
#else
    file = path;
#endif
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error))
        return false;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    return !error && size > IcsMaxFileBytes;
}

} // namespace

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

std::string ImportIcsUsage() {
    return "Usage: quorva-cli import-ics ICSFILE [--file PATH]\n"
           "Adds the events of an iCalendar file (RFC 5545) to the events file PATH, which\n"
           "defaults to the calendar's own. A repeating event becomes a repeating entry when\n"
           "the calendar repeats that entry on exactly its days from today to the end of the\n"
           "month a year from today, and one-time events up to then otherwise. Close the\n"
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
    if (TooLargeToRead(icsFile)) {
        err << "quorva-cli: cannot import " << icsFile << ": " << FileTooLarge()
            << "; nothing was written\n";
        return ExitCannotRead;
    }
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
        for (const std::string &entry : result.Cut)
            err << "quorva-cli: " << entry << "\n";
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
