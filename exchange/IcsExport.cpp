#include "IcsExport.h"

#include "Pool.h"

#include <libical/ical.h>

#include <array>
#include <charconv>
#include <ctime>
#include <memory>
#include <optional>

using namespace std::chrono;

namespace {

// Recurring entries start here: no calendar holding them needs anything earlier.
constexpr year FirstYear{1980};
// A fifth weekday of a month and a 29th of February both come back within 28 years.
constexpr int YearsToSearch = 400;

const std::array<const char *, 8> DayCodes = {"", "SU", "MO", "TU", "WE", "TH", "FR", "SA"};

using Calendar = std::unique_ptr<icalcomponent, decltype(&icalcomponent_free)>;

// One VEVENT to write: everything the kind decides.
struct Occurrence {
    std::string Uid;
    sys_days Start;
    std::string Rule; // empty for a one-time entry
};

// Reads a key of `count` plain decimal numbers joined by "/" exactly as the store forms it
// (no leading zeros, no signs), since only such keys are ever looked up.
bool ReadKey(const std::string &key, std::size_t count, std::array<int, 3> &values) {
    std::string rebuilt;
    const char *at = key.data();
    const char *end = key.data() + key.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) {
            if (at == end || *at != '/')
                return false;
            ++at;
        }
        const auto [next, error] = std::from_chars(at, end, values[i]);
        if (error != std::errc() || values[i] < 0)
            return false;
        at = next;
        rebuilt += (i > 0 ? "/" : "") + std::to_string(values[i]);
    }
    return at == end && rebuilt == key;
}

// "Nth weekday" keys and rules share the weekday numbering 1 = Sunday .. 7 = Saturday.
weekday Weekday(int number) {
    return weekday{static_cast<unsigned>(number - 1)};
}

std::string Uid(const std::string &kind, const std::string &key) {
    std::string uid = kind + "-" + key + "@quorva";
    for (char &c : uid)
        if (c == '/')
            c = '-';
    return uid;
}

std::optional<Occurrence> OnceOccurrence(std::string_view key) {
    int month = 0, day = 0, year = 0;
    if (!ParseDate(key, month, day, year) || FormatDate(month, day, year) != key)
        return std::nullopt;
    return Occurrence{Uid("once", std::string(key)), sys_days{std::chrono::year{year} / month / day}, {}};
}

std::optional<Occurrence> WeeklyOccurrence(int key) {
    if (key < 1 || key > 7)
        return std::nullopt;
    const sys_days first{FirstYear / January / 1};
    return Occurrence{Uid("weekly", std::to_string(key)), first + (Weekday(key) - weekday{first}),
                      std::string("FREQ=WEEKLY;BYDAY=") + DayCodes[key]};
}

// Every day 1 .. 31 occurs in January of the first year.
std::optional<Occurrence> MonthlyOccurrence(int key) {
    if (key < 1 || key > 31)
        return std::nullopt;
    return Occurrence{Uid("monthly", std::to_string(key)), sys_days{FirstYear / January / key},
                      "FREQ=MONTHLY;BYMONTHDAY=" + std::to_string(key)};
}

std::optional<Occurrence> YearlyOccurrence(const std::string &key) {
    std::array<int, 3> v{};
    if (!ReadKey(key, 2, v) || v[0] < 1 || v[0] > 12 || v[1] < 1 || v[1] > 31)
        return std::nullopt;
    for (int i = 0; i < YearsToSearch; ++i) {
        const year_month_day date{FirstYear + years{i}, month(v[0]), day(v[1])};
        if (date.ok())
            return Occurrence{Uid("yearly", key), sys_days{date},
                              "FREQ=YEARLY;BYMONTH=" + std::to_string(v[0]) +
                                  ";BYMONTHDAY=" + std::to_string(v[1])};
    }
    return std::nullopt;
}

// The n-th (0 = last) given weekday of the month in a year, when that year has one.
std::optional<sys_days> NthWeekday(year y, int n, int weekdayNumber, int monthNumber) {
    const month m(monthNumber);
    if (n == 0)
        return sys_days{year_month_weekday_last{y, m, weekday_last{Weekday(weekdayNumber)}}};
    const year_month_weekday date{y, m, Weekday(weekdayNumber)[n]};
    if (!date.ok())
        return std::nullopt;
    return sys_days{date};
}

std::optional<Occurrence> NWeekdaylyOccurrence(const std::string &key) {
    std::array<int, 3> v{};
    if (!ReadKey(key, 3, v) || v[0] > 5 || v[1] < 1 || v[1] > 7 || v[2] < 1 || v[2] > 12)
        return std::nullopt;
    const std::string position = v[0] == 0 ? "-1" : "+" + std::to_string(v[0]);
    for (int i = 0; i < YearsToSearch; ++i)
        if (const auto date = NthWeekday(FirstYear + years{i}, v[0], v[1], v[2]))
            return Occurrence{Uid("nweekdayly", key), *date,
                              "FREQ=YEARLY;BYMONTH=" + std::to_string(v[2]) + ";BYDAY=" + position +
                                  DayCodes[v[1]]};
    return std::nullopt;
}

// The store's CR LF (or any other) line breaks become the LF of iCalendar text.
std::string ToIcsText(const std::string &text) {
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            result.push_back('\n');
        } else {
            result.push_back(text[i]);
        }
    }
    return result;
}

std::string FirstLine(const std::string &text) {
    const std::string lines = ToIcsText(text);
    return lines.substr(0, lines.find('\n'));
}

icaltimetype IcsDate(sys_days date) {
    const year_month_day ymd{date};
    icaltimetype time = icaltime_null_date();
    time.year = static_cast<int>(ymd.year());
    time.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
    time.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
    return time;
}

icalcomponent *Event(const Occurrence &occurrence, const std::string &text,
                     const icaltimetype &stamp) {
    const std::string lines = ToIcsText(text);
    icalcomponent *event = icalcomponent_new_vevent();
    icalcomponent_add_property(event, icalproperty_new_uid(occurrence.Uid.c_str()));
    icalcomponent_add_property(event, icalproperty_new_dtstamp(stamp));
    icalcomponent_add_property(event, icalproperty_new_dtstart(IcsDate(occurrence.Start)));
    if (!occurrence.Rule.empty())
        icalcomponent_add_property(
            event, icalproperty_new_rrule(icalrecurrencetype_from_string(occurrence.Rule.c_str())));
    icalcomponent_add_property(event, icalproperty_new_summary(FirstLine(text).c_str()));
    icalcomponent_add_property(event, icalproperty_new_description(lines.c_str()));
    // Notes on a day do not make anyone busy.
    icalcomponent_add_property(event, icalproperty_new_transp(ICAL_TRANSP_TRANSPARENT));
    return event;
}

// Adds the entry's event, or notes why it is left out.
void AddEntry(icalcomponent *calendar, const std::optional<Occurrence> &occurrence,
              const std::string &kind, const std::string &key, const std::string &text,
              const icaltimetype &stamp, TIcsExport &result) {
    if (occurrence)
        icalcomponent_add_component(calendar, Event(*occurrence, text, stamp));
    else
        result.LeftOut.push_back(kind + " entry " + key + " (\"" + FirstLine(text) + "\")");
}

} // namespace

TIcsExport ExportIcs(const TEvents &events, sys_seconds stamp) {
    TIcsExport result;
    const icaltimetype stampTime =
        icaltime_from_timet_with_zone(static_cast<std::time_t>(stamp.time_since_epoch().count()), 0,
                                      icaltimezone_get_utc_timezone());
    Calendar calendar(icalcomponent_new_vcalendar(), &icalcomponent_free);
    icalcomponent_add_property(calendar.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(calendar.get(),
                               icalproperty_new_prodid("-//Quorva//quorva-cli//EN"));
    for (const auto &[key, text] : events.Once)
        AddEntry(calendar.get(), OnceOccurrence(key), "one-time", std::string(key),
                 std::string(text), stampTime, result);
    for (const auto &[key, text] : events.Weekly)
        AddEntry(calendar.get(), WeeklyOccurrence(key), "weekly", std::to_string(key), text,
                 stampTime, result);
    for (const auto &[key, text] : events.Monthly)
        AddEntry(calendar.get(), MonthlyOccurrence(key), "monthly", std::to_string(key), text,
                 stampTime, result);
    for (const auto &[key, text] : events.Yearly)
        AddEntry(calendar.get(), YearlyOccurrence(key), "yearly", key, text, stampTime, result);
    for (const auto &[key, text] : events.NWeekdayly)
        AddEntry(calendar.get(), NWeekdaylyOccurrence(key), "n-th weekday", key, text, stampTime,
                 result);
    char *text = icalcomponent_as_ical_string_r(calendar.get());
    result.Text = text;
    icalmemory_free_buffer(text);
    return result;
}
