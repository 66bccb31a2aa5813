#include "Pool.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <initializer_list>

using namespace std::chrono;

const std::array<std::string, 13> MonthNames = {
    "",     "January", "February",  "March",   "April",    "May",     "June",
    "July", "August",  "September", "October", "November", "December"};
const std::array<std::string, 8> DayNames = {"",          "Sunday",   "Monday", "Tuesday",
                                             "Wednesday", "Thursday", "Friday", "Saturday"};

TEvents Events;
TMonths Months{};
TSelection Selection;
TReminders Reminders;

namespace {

constexpr sys_days DateTimeEpoch = sys_days{1899y / December / 30};
constexpr int MinYear = 1;
constexpr int MaxYear = 9999;

// Removes every leading and trailing character with a code of 32 or less.
std::string TrimControls(const std::string &text) {
    const auto isControl = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isControl(text[begin]))
        ++begin;
    while (end > begin && isControl(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

template <typename Map, typename Key>
void StoreOrRemove(Map &map, Key &&key, const std::string &text) {
    std::string trimmed = TrimControls(text);
    if (trimmed.empty())
        map.erase(key);
    else
        map.insert_or_assign(std::forward<Key>(key), std::move(trimmed));
}

template <typename Map, typename Key> std::string Lookup(const Map &map, const Key &key) {
    const auto found = map.find(key);
    return found == map.end() ? std::string() : std::string(found->second);
}

// Builds "a/b" or "a/b/c" in place; the short keys fit the string's own buffer.
std::string JoinKey(std::initializer_list<int> parts) {
    char buffer[48];
    char *end = buffer;
    for (const int part : parts) {
        if (end != buffer)
            *end++ = '/';
        end = std::to_chars(end, buffer + sizeof buffer, part).ptr;
    }
    return std::string(buffer, end);
}

std::string YearlyKey(int month, int day) {
    return JoinKey({month, day});
}

std::string NWeekdaylyKey(int n, int weekday, int month) {
    return JoinKey({n, weekday, month});
}

// Reads a field of one to maxDigits decimal digits.
bool ReadDigits(std::string_view &text, std::size_t maxDigits, int &value) {
    std::size_t length = 0;
    while (length < text.size() && length < maxDigits + 1 && text[length] >= '0' &&
           text[length] <= '9')
        ++length;
    if (length == 0 || length > maxDigits)
        return false;
    std::from_chars(text.data(), text.data() + length, value);
    text.remove_prefix(length);
    return true;
}

bool ReadSeparator(std::string_view &text) {
    if (text.empty() || text.front() != '/')
        return false;
    text.remove_prefix(1);
    return true;
}

// The text of key, empty when there is none.
template <typename Map, typename Key> std::string_view Find(const Map &map, const Key &key) {
    const auto found = map.find(key);
    return found == map.end() ? std::string_view() : std::string_view(found->second);
}

} // namespace

TDateTime ToDateTime(sys_days day) {
    return static_cast<TDateTime>((day - DateTimeEpoch).count());
}

sys_days ToSysDays(TDateTime value) {
    // Values beyond any calendar date (or not numbers at all) are held to the epoch's range
    // instead of overflowing the conversion.
    constexpr double Limit = 1e8;
    const double whole = std::isfinite(value) ? std::clamp(std::floor(value), -Limit, Limit) : 0.0;
    return DateTimeEpoch + days{static_cast<int>(whole)};
}

TDateTime EncodeDate(int year, int month, int day) {
    return ToDateTime(sys_days{std::chrono::year{year} / month / day});
}

year_month_day DecodeDate(TDateTime value) {
    return year_month_day{ToSysDays(value)};
}

bool IsValidDate(int month, int day, int year) {
    if (year < MinYear || year > MaxYear || month < 1 || month > 12 || day < 1 || day > 31)
        return false;
    return (std::chrono::year{year} / month / day).ok();
}

int DayOfWeek(int month, int day, int year) {
    return static_cast<int>(weekday{sys_days{std::chrono::year{year} / month / day}}.c_encoding()) +
           1;
}

int DaysInMonth(int month, int year) {
    return static_cast<int>(static_cast<unsigned>((std::chrono::year{year} / month / last).day()));
}

std::string FormatDate(int month, int day, int year) {
    return JoinKey({month, day, year});
}

// Accepts exactly month/day/year: month and day of one or two digits (a leading zero is
// tolerated, as hand-edited files have them), the year of four digits. Blanks, signs, a
// missing or two-digit year are refused: guessing a century would keep an event on a date
// the user never meant.
bool ParseDate(std::string_view text, int &month, int &day, int &year) {
    std::string_view rest(text);
    int m = 0, d = 0, y = 0;
    if (!ReadDigits(rest, 2, m) || !ReadSeparator(rest) || !ReadDigits(rest, 2, d) ||
        !ReadSeparator(rest) || rest.size() != 4 || !ReadDigits(rest, 4, y) || !rest.empty())
        return false;
    if (!IsValidDate(m, d, y))
        return false;
    month = m;
    day = d;
    year = y;
    return true;
}

TEvents::TEvents() {
    Clear();
}

std::string TEvents::GetOnce(int month, int day, int year) const {
    return Lookup(Once, FormatDate(month, day, year));
}

std::string TEvents::GetWeekly(int weekday) const {
    return Lookup(Weekly, weekday);
}

std::string TEvents::GetMonthly(int day) const {
    return Lookup(Monthly, day);
}

std::string TEvents::GetYearly(int month, int day) const {
    return Lookup(Yearly, YearlyKey(month, day));
}

std::string TEvents::GetNWeekdayly(int n, int weekday, int month) const {
    return Lookup(NWeekdayly, NWeekdaylyKey(n, weekday, month));
}

void TEvents::SetOnce(int month, int day, int year, const std::string &text) {
    StoreOrRemove(Once, FormatDate(month, day, year), text);
}

void TEvents::SetWeekly(int weekday, const std::string &text) {
    StoreOrRemove(Weekly, std::int32_t{weekday}, text);
}

void TEvents::SetMonthly(int day, const std::string &text) {
    StoreOrRemove(Monthly, std::int32_t{day}, text);
}

void TEvents::SetYearly(int month, int day, const std::string &text) {
    StoreOrRemove(Yearly, YearlyKey(month, day), text);
}

void TEvents::SetNWeekdayly(int n, int weekday, int month, const std::string &text) {
    StoreOrRemove(NWeekdayly, NWeekdaylyKey(n, weekday, month), text);
}

void TEvents::Clear() {
    Once.clear();
    Weekly.clear();
    Monthly.clear();
    Yearly.clear();
    NWeekdayly.clear();
}

std::string TEvents::EventsOfDate(int month, int day, int year,
                                  const std::string &separator) const {
    const int weekday = DayOfWeek(month, day, year);
    const int nth = (day + 6) / 7;
    const std::string_view parts[] = {
        Find(Once, FormatDate(month, day, year)),
        Find(Weekly, weekday),
        Find(Monthly, day),
        Find(Yearly, YearlyKey(month, day)),
        Find(NWeekdayly, NWeekdaylyKey(nth, weekday, month)),
        // Only the last occurrence of its weekday in the month is also "the last".
        DaysInMonth(month, year) < day + 7 ? Find(NWeekdayly, NWeekdaylyKey(0, weekday, month))
                                           : std::string_view(),
    };
    std::size_t size = 0;
    for (const std::string_view part : parts)
        if (!part.empty())
            size += part.size() + separator.size();
    std::string result;
    if (size == 0)
        return result;
    result.reserve(size);
    for (const std::string_view part : parts)
        if (!part.empty())
            result.append(part).append(separator);
    result.resize(size - separator.size());
    return result;
}

TReminders TEvents::BuildReminders(int days, sys_days today) const {
    TReminders reminders;
    // The walk stops at the last date a TDateTime can name.
    const sys_days lastDay = sys_days{std::chrono::year{MaxYear} / December / 31};
    for (int k = 0; k <= days && today + std::chrono::days{k} <= lastDay; ++k) {
        const sys_days date = today + std::chrono::days{k};
        const year_month_day ymd{date};
        const std::string text = EventsOfDate(static_cast<int>(static_cast<unsigned>(ymd.month())),
                                              static_cast<int>(static_cast<unsigned>(ymd.day())),
                                              static_cast<int>(ymd.year()), ", ");
        if (!text.empty())
            reminders.emplace_hint(reminders.end(), ToDateTime(date), text);
    }
    return reminders;
}

void TEvents::AddEaster() {
    for (int y = 1980; y <= 2099; ++y) {
        const int g = y % 19;
        const int c = y / 100;
        const int h = (c - c / 4 - (8 * c + 13) / 25 + 19 * g + 15) % 30;
        const int i = h - (h / 28) * (1 - (h / 28) * (29 / (h + 1)) * ((21 - g) / 11));
        const int j = (y + y / 4 + i + 2 - c + c / 4) % 7;
        const int l = i - j;
        const int month = 3 + (l + 40) / 44;
        const int day = l + 28 - 31 * (month / 4);
        const std::string key = FormatDate(month, day, y);
        const auto found = Once.find(key);
        if (found == Once.end())
            Once.insert_or_assign(key, "Easter");
        else if (found->second.find("Easter") == std::string_view::npos)
            Once.insert_or_assign(key, "Easter\r\n" + std::string(found->second));
    }
}

void FillMonths(TMonths &months, const TEvents &events, sys_days today) {
    const year_month first =
        year_month_day{today}.year() / year_month_day{today}.month() - std::chrono::months{1};
    for (std::size_t i = 0; i < months.size(); ++i) {
        const year_month ym = first + std::chrono::months{static_cast<int>(i)};
        TMonth &record = months[i];
        record.Month = static_cast<int>(static_cast<unsigned>(ym.month()));
        record.Year = static_cast<int>(ym.year());
        record.MonthName = MonthNames[static_cast<std::size_t>(record.Month)];
        record.Day.fill(0);
        record.HasEvents.fill(false);
        const auto column = static_cast<int>(weekday{sys_days{ym / 1}}.c_encoding());
        const int length = DaysInMonth(record.Month, record.Year);
        for (int d = 1; d <= length; ++d) {
            const auto cell = static_cast<std::size_t>(column + d - 1);
            record.Day[cell] = d;
            record.HasEvents[cell] =
                !events.EventsOfDate(record.Month, d, record.Year, "\n").empty();
        }
    }
}

// Reads the number as the decimal text a previous run recorded ("1.10" is 1.1); a text that
// is not a number counts as 0 and so asks for the seeding.
bool NeedsEasterSeeding(const std::string &recordedVersion) {
    std::string_view text(recordedVersion);
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= 32)
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32)
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    double value = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        value = 0;
    return std::trunc(value * 10) < 16;
}
