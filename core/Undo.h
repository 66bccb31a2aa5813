#pragma once
// The user's last changes of the store, each with enough of the store as it was to put it back.

#include "Pool.h"

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TUndoHistory {
public:
    static constexpr std::size_t Depth = 20; // older changes are forgotten

    // Before the day editor's save: the five entries that apply to the date (month, day,
    // year, weekday and occurrence n; n = 0 for the last) as they stand now.
    void RecordDate(const TEvents &events, int month, int day, int year, int weekday, int n,
                    std::string caption);
    // Before a change of the whole store (New): all of it, taken over rather than copied.
    void RecordWhole(TEvents events, std::string caption);

    bool Empty() const { return steps_.empty(); }
    // What the next Undo puts back, as the menu names it; empty when there is nothing.
    std::string Caption() const;
    // Puts back the last recorded state and forgets it. False when there was nothing.
    bool Undo(TEvents &events);

    // The last recorded state, taken out of the history, as a change to apply to a store
    // (setting entries back; applying it twice does no more than once). Empty when there is
    // nothing to undo.
    std::function<void(TEvents &)> TakeLast();

private:
    // One entry of one container: its key and its text, or none when it was absent.
    struct Entry {
        int Kind = 0; // 0 Once, 1 Weekly, 2 Monthly, 3 Yearly, 4 NWeekdayly
        std::string Key;
        std::int32_t Number = 0;
        std::optional<std::string> Text;
    };
    struct Step {
        std::string Caption;
        std::vector<Entry> Entries;
        std::shared_ptr<const TEvents> Whole;
    };
    void push(Step step);
    static void Apply(const Step &step, TEvents &events);
    std::deque<Step> steps_;
};
