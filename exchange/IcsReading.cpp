#include "IcsReading.h"

#include "Pool.h"

using namespace std::chrono;

namespace IcsReading {

Instant Fields(const icaltimetype &time) {
    return {time.year, time.month, time.day, time.hour, time.minute, time.second};
}

void Exclusions::Add(const icaltimetype &time) {
    if (time.is_date)
        Days.emplace(time.year, time.month, time.day);
    else
        Times.insert(Fields(time));
}

bool Exclusions::Has(const icaltimetype &time) const {
    return Days.count({time.year, time.month, time.day}) > 0 || Times.count(Fields(time)) > 0;
}

std::string Text(const char *value) {
    return value ? value : "";
}

std::string Shown(const std::string &text) {
    const std::string line = text.substr(0, text.find_first_of("\r\n"));
    if (line.size() <= 40)
        return line;
    std::size_t length = 40;
    while (length > 0 && (static_cast<unsigned char>(line[length]) & 0xC0) == 0x80)
        --length;
    return line.substr(0, length) + "...";
}

int Count(const short *values, int size) {
    int count = 0;
    while (count < size && values[count] != ICAL_RECURRENCE_ARRAY_MAX)
        ++count;
    return count;
}

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
    // The events file keeps four-digit years: an entry of the year 250 would be written and
    // never read back.
    return time.year >= 1000 && IsValidDate(time.month, time.day, time.year);
}

std::optional<std::string> TimeProblem(const icaltimetype &time) {
    if (!RealDate(time))
        return DateText(time) + " is not a date";
    if (!time.is_date && (time.hour > 23 || time.minute > 59 || time.second > 60))
        return DateText(time) + " " + std::to_string(time.hour) + ":" +
               (time.minute < 10 ? "0" : "") + std::to_string(time.minute) +
               " is not a time of day";
    return std::nullopt;
}

} // namespace IcsReading
