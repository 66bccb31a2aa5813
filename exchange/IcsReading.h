#pragma once
// What the parts of the iCalendar import share: the entries a reading gives, its state, and the
// helpers that name texts and dates in messages. For the importer's own files only.

#include "IcsImport.h"

#include <libical/ical.h>

#include <chrono>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace IcsReading {

// One entry to add: the kind, the integers of its key, its text (CR LF line breaks).
struct Entry {
    TIcsKind EntryKind = KindOnce;
    int A = 0, B = 0, C = 0; // Once: month, day, year; NWeekdayly: n, weekday, month
    std::string Text;
};

using Instant = std::tuple<int, int, int, int, int, int>;

Instant Fields(const icaltimetype &time);

// Dates and times a series leaves out: EXDATE, EXRULE and the instances that events of their
// own (RECURRENCE-ID) replace. An excluded date takes out every instance on its day.
struct Exclusions {
    std::set<std::tuple<int, int, int>> Days;
    std::set<Instant> Times;

    void Add(const icaltimetype &time);
    bool Has(const icaltimetype &time) const;
};

// What the reading of the whole file gives, before the store is touched.
struct Reading {
    std::vector<Entry> Entries;
    TIcsImport Result;
    std::chrono::sys_days Today;
    // By UID, the instances of a series that events of their own (RECURRENCE-ID) replace.
    std::map<std::string, Exclusions> Replaced;
    long long Steps = 0; // libical's steps through the rules read so far
};

std::string Text(const char *value);

// The first line of a text, shortened to 40 characters, to name it in a message.
std::string Shown(const std::string &text);

int Count(const short *values, int size);

// A date as the program writes it, whether or not it exists: "2/30/2027".
std::string DateText(const icaltimetype &time);

std::string DateText(std::chrono::sys_days day);

bool RealDate(const icaltimetype &time);

// Why a date or time that libical took is still none of this calendar's: libical reads
// 20270230 and 20271345 as dates and T256199 as a time.
std::optional<std::string> TimeProblem(const icaltimetype &time);

} // namespace IcsReading
