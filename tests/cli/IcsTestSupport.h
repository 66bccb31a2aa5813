#pragma once
// What the iCalendar tests share: a store of every kind and reading an exported calendar back.

#include "Pool.h"

#include <libical/ical.h>

#include <chrono>
#include <map>
#include <set>
#include <string>

// A store with every kind and the keys where calendars differ most: each weekday, days 29 to
// 31, 2/29, the fifth and the last weekday, and a text of two lines.
inline TEvents EveryKindStore() {
    TEvents events;
    for (int weekday = 1; weekday <= 7; ++weekday)
        events.SetWeekly(weekday, "W" + std::to_string(weekday));
    events.SetWeekly(3, "Choir\r\nBring the scores, and; tea");
    for (int day : {1, 15, 28, 29, 30, 31})
        events.SetMonthly(day, "M" + std::to_string(day));
    for (auto [month, day] : {std::pair{1, 1}, {2, 28}, {2, 29}, {3, 1}, {7, 4}, {12, 31}})
        events.SetYearly(month, day, "Y" + std::to_string(month) + "-" + std::to_string(day));
    for (int n = 0; n <= 5; ++n)
        for (int weekday = 1; weekday <= 7; ++weekday)
            for (int month : {1, 2, 5, 8, 11, 12})
                events.SetNWeekdayly(n, weekday, month,
                                     "N" + std::to_string(n) + "-" + std::to_string(weekday) + "-" +
                                         std::to_string(month));
    for (auto [month, day, year] :
         {std::tuple{2, 29, 2024}, {12, 31, 2028}, {6, 15, 2026}, {1, 1, 1975}})
        events.SetOnce(month, day, year,
                       "O" + std::to_string(month) + "-" + std::to_string(day) + "-" +
                           std::to_string(year));
    return events;
}

// LF line breaks, as iCalendar text has them, back to the store's CR LF.
inline std::string WithCrLf(const std::string &text) {
    std::string result;
    for (char c : text) {
        if (c == '\n')
            result.push_back('\r');
        result.push_back(c);
    }
    return result;
}

inline std::chrono::sys_days DayOf(const icaltimetype &time) {
    return std::chrono::sys_days{std::chrono::year{time.year} / time.month / time.day};
}

// For each event of an iCalendar text, by its DESCRIPTION, the days from first to last on
// which libical's own recurrence expansion puts it.
inline std::map<std::string, std::set<std::chrono::sys_days>>
ExpandWithLibical(const std::string &ics, std::chrono::sys_days first, std::chrono::sys_days last) {
    std::map<std::string, std::set<std::chrono::sys_days>> days;
    icalcomponent *calendar = icalparser_parse_string(ics.c_str());
    for (icalcomponent *event = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT);
         event; event = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT)) {
        auto &eventDays = days[WithCrLf(icalcomponent_get_description(event))];
        const icaltimetype start = icalcomponent_get_dtstart(event);
        icalproperty *rule = icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY);
        if (!rule) {
            if (DayOf(start) >= first && DayOf(start) <= last)
                eventDays.insert(DayOf(start));
            continue;
        }
        icalrecur_iterator *iterator = icalrecur_iterator_new(icalproperty_get_rrule(rule), start);
        for (icaltimetype next = icalrecur_iterator_next(iterator);
             !icaltime_is_null_time(next) && DayOf(next) <= last;
             next = icalrecur_iterator_next(iterator))
            if (DayOf(next) >= first)
                eventDays.insert(DayOf(next));
        icalrecur_iterator_free(iterator);
    }
    icalcomponent_free(calendar);
    return days;
}
