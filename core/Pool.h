#pragma once
// The event store and the calendar vocabulary every other layer uses.
// Standard library only: no Qt, no platform calls, no hidden "today".

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "OnceMap.h"

// Months are 1 = January .. 12 = December, weekdays 1 = Sunday .. 7 = Saturday.
// Slot 0 of both tables is empty and never used.
extern const std::array<std::string, 13> MonthNames;
extern const std::array<std::string, 8> DayNames;

// The one exception type of the core; what() is the message shown to the user.
class QuorvaError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Days since 1899-12-30; the fraction is the time of day.
using TDateTime = double;

TDateTime ToDateTime(std::chrono::sys_days day);
std::chrono::sys_days ToSysDays(TDateTime value); // drops the time of day
TDateTime EncodeDate(int year, int month, int day);
std::chrono::year_month_day DecodeDate(TDateTime value);

bool IsValidDate(int month, int day, int year);
int DayOfWeek(int month, int day, int year); // 1 = Sunday .. 7 = Saturday
int DaysInMonth(int month, int year);

// "M/D/YYYY" without leading zeros, the program's one date format.
std::string FormatDate(int month, int day, int year);
// Reads "M/D/YYYY" (leading zeros tolerated); false for anything that is not a real date.
bool ParseDate(std::string_view text, int &month, int &day, int &year);
// Whether a one-time event on date is dropped by a load with wipeMonths (0: none are).
bool IsWiped(std::chrono::sys_days date, int wipeMonths, std::chrono::sys_days today);

// An ordered map from a whole day to the text of everything planned on it.
using TReminders = std::map<TDateTime, std::string>;

struct TMonth {
    int Month = 0;
    int Year = 0;
    std::string MonthName;
    std::array<int, 42> Day{};
    std::array<bool, 42> HasEvents{};
};
using TMonths = std::array<TMonth, 13>;

struct TSelection {
    int ShownMonth = 0;
    int Month = 0;
    int Year = 0;
    int Day = 0;
    int Weekday = 0;
    int Nth = 0;
};

class TEvents {
public:
    TEvents();

    // The five containers, walked in this order by the events file writer.
    TOnceMap Once;                                 // "M/D/YYYY"
    std::map<std::int32_t, std::string> Weekly;    // weekday 1 .. 7
    std::map<std::int32_t, std::string> Monthly;   // day of month 1 .. 31
    std::map<std::string, std::string> Yearly;     // "M/D"
    std::map<std::string, std::string> NWeekdayly; // "N/W/M", N = 0 for the last

    std::string GetOnce(int month, int day, int year) const;
    std::string GetWeekly(int weekday) const;
    std::string GetMonthly(int day) const;
    std::string GetYearly(int month, int day) const;
    std::string GetNWeekdayly(int n, int weekday, int month) const;

    // Each setter trims characters <= 32 at both ends; an empty result removes the entry.
    void SetOnce(int month, int day, int year, const std::string &text);
    void SetWeekly(int weekday, const std::string &text);
    void SetMonthly(int day, const std::string &text);
    void SetYearly(int month, int day, const std::string &text);
    void SetNWeekdayly(int n, int weekday, int month, const std::string &text);

    void Clear();

    // Replaces the store's content with the events file at path (missing file: stays empty).
    // wipeMonths > 0 drops one-time events 31 * wipeMonths + 31 or more days before today;
    // 0 or less keeps them all. A file that exists but cannot be read throws
    // QuorvaError("Unable to read <path>: <reason>") and leaves the store unchanged, so that a
    // later save cannot overwrite events that were never loaded.
    void LoadFromIni(const std::string &path, int wipeMonths, std::chrono::sys_days today);
    // The same, from the file's text already read. With onlyOnceFrom and onlyOnceTo, one-time
    // events outside that range are not kept: for readers that plan those days only and never
    // save (the agenda), which then hold a fraction of a large file.
    void LoadFromIniText(std::string text, int wipeMonths, std::chrono::sys_days today,
                         std::optional<std::chrono::sys_days> onlyOnceFrom = std::nullopt,
                         std::optional<std::chrono::sys_days> onlyOnceTo = std::nullopt);
    // Drops the one-time events a load with wipeMonths would not have kept: for a store read
    // with 0 before the setting was known.
    void WipeOnce(int wipeMonths, std::chrono::sys_days today);
    // Rewrites the five sections of the file at path, keeping its other sections (an existing
    // file that cannot be read is not overwritten: that too is a failure to write).
    // Crash-safe: a temporary file in the same folder, flushed and renamed over the old one.
    // The file as it was before is kept beside it (beside a link's target) as <name>.bak.
    // Throws QuorvaError("Unable to write to <path>: <reason>") and leaves the old file whole
    // on failure; a read-only file is not replaced.
    void SaveToIni(const std::string &path) const;

    // Seeds "Easter" into the one-time events of 1980 .. 2099; idempotent.
    void AddEaster();

    // Everything planned on a real calendar date, kinds in the fixed order, joined by separator.
    std::string EventsOfDate(int month, int day, int year, const std::string &separator) const;

    // today .. today + days (none when days < 0), only days with something planned.
    TReminders BuildReminders(int days, std::chrono::sys_days today) const;
};

// What a writer last saw of the events file (its link target): enough to tell that another
// program wrote it since (every save makes a new file: another inode, time or size).
struct TFileStamp {
    bool Exists = false;
    std::uintmax_t Size = 0;
    std::int64_t Modified = 0;
    std::uint64_t Id = 0;
    bool operator==(const TFileStamp &) const = default;
};
TFileStamp StampOf(const std::string &path);

// How long a writer waits for another one to finish with the events file.
inline constexpr int LockWaitMilliseconds = 5000;

// One read-modify-write of the events file, as every writer (the windows, import-ics) does
// it: under the file's lock, the file is read again into events unless it is unchanged since
// stamp, change is applied, and the result saved crash-safely; stamp then describes the file
// written. change must be idempotent (set entries to texts), since it may run on a store that
// already holds it. On failure (the lock held by another writer for too long, an unreadable
// file, a failed save) events holds the change all the same and QuorvaError says why.
void UpdateEventsFile(const std::string &path, TEvents &events, int wipeMonths,
                      std::chrono::sys_days today, const std::function<void(TEvents &)> &change,
                      TFileStamp &stamp);
// The same for a change that may find nothing to do: it returns whether it changed the store,
// and the file is written only then. Returns that answer.
bool UpdateEventsFileIfChanged(const std::string &path, TEvents &events, int wipeMonths,
                               std::chrono::sys_days today,
                               const std::function<bool(TEvents &)> &change, TFileStamp &stamp);

// The longest text the events file keeps whole, in bytes (UTF-8).
inline constexpr std::size_t EventTextLimit = 4096;

// Events-file value encoding: line breaks <-> backslash n, cut at 4096 characters.
std::string EncodeEventText(const std::string &text);
std::string DecodeEventText(const std::string &value);

// Rebuilds the 13-month cache: entry 0 is the month before today's, entry 1 today's month.
void FillMonths(TMonths &months, const TEvents &events, std::chrono::sys_days today);

// Whether the version recorded by the previous run asks for the Easter seeding (below 1.6).
bool NeedsEasterSeeding(const std::string &recordedVersion);

// The program's one instance of each; tests build their own.
extern TEvents Events;
extern TMonths Months;
extern TSelection Selection;
extern TReminders Reminders;
