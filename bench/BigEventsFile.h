#pragma once
// A large, realistic events file for the benchmarks: one-time events on 100,000 distinct dates
// between 1900 and 2199 and every possible weekly, monthly, yearly and n-th weekday key.

#include "Pool.h"

#include <random>
#include <string>

namespace bench {

// A text of 20 to 200 characters; one in ten has several lines.
inline std::string RandomEventText(std::mt19937 &random) {
    static const std::string words[] = {"Dentist", "meeting", "with",  "Anna",   "bring",
                                        "the",     "card",    "call",  "mother", "birthday",
                                        "party",   "at",      "noon",  "garden", "club",
                                        "pay",     "rent",    "train", "8:15"};
    const std::size_t length = std::uniform_int_distribution<std::size_t>(20, 200)(random);
    const bool multiLine = std::uniform_int_distribution<int>(0, 9)(random) == 0;
    std::string text;
    while (text.size() < length) {
        if (!text.empty())
            text +=
                (multiLine && std::uniform_int_distribution<int>(0, 4)(random) == 0) ? "\r\n" : " ";
        text += words[std::uniform_int_distribution<std::size_t>(0, std::size(words) - 1)(random)];
    }
    text.resize(length);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32)
        text.back() = '.';
    return text;
}

// Fills events with count one-time events and every repeating key, the same ones on every call.
inline void FillBigStore(TEvents &events, int count = 100000) {
    using namespace std::chrono;
    std::mt19937 random(20261209);
    events.Clear();
    const sys_days first = sys_days{1900y / January / 1};
    const int span = (sys_days{2199y / December / 31} - first).count() + 1;
    // count of the span's days, spread evenly.
    for (int i = 0; i < count; ++i) {
        const year_month_day date{
            first + days{static_cast<int>(static_cast<long long>(i) * span / count)}};
        events.SetOnce(static_cast<int>(static_cast<unsigned>(date.month())),
                       static_cast<int>(static_cast<unsigned>(date.day())),
                       static_cast<int>(date.year()), RandomEventText(random));
    }
    for (int weekday = 1; weekday <= 7; ++weekday)
        events.SetWeekly(weekday, RandomEventText(random));
    for (int day = 1; day <= 31; ++day)
        events.SetMonthly(day, RandomEventText(random));
    for (int month = 1; month <= 12; ++month)
        for (int day = 1; day <= DaysInMonth(month, 2024); ++day)
            events.SetYearly(month, day, RandomEventText(random));
    for (int n = 0; n <= 5; ++n)
        for (int weekday = 1; weekday <= 7; ++weekday)
            for (int month = 1; month <= 12; ++month)
                events.SetNWeekdayly(n, weekday, month, RandomEventText(random));
}

} // namespace bench
