#include "Undo.h"

#include <utility>

namespace {

template <typename Map, typename Key>
std::optional<std::string> Find(const Map &map, const Key &key) {
    const auto found = map.find(key);
    if (found == map.end())
        return std::nullopt;
    return std::string(found->second);
}

// Puts an entry back exactly as it was: no trimming, since a text read from the file may
// carry blanks the setters would remove.
template <typename Map, typename Key>
void Restore(Map &map, const Key &key, const std::optional<std::string> &text) {
    if (text)
        map.insert_or_assign(key, *text);
    else
        map.erase(key);
}

} // namespace

void TUndoHistory::RecordDate(const TEvents &events, int month, int day, int year, int weekday,
                              int n, std::string caption) {
    Step step;
    step.Caption = std::move(caption);
    const std::string once = FormatDate(month, day, year);
    const std::string yearly = std::to_string(month) + '/' + std::to_string(day);
    const std::string nth =
        std::to_string(n) + '/' + std::to_string(weekday) + '/' + std::to_string(month);
    step.Entries.push_back({0, once, 0, Find(events.Once, once)});
    step.Entries.push_back({1, {}, weekday, Find(events.Weekly, weekday)});
    step.Entries.push_back({2, {}, day, Find(events.Monthly, day)});
    step.Entries.push_back({3, yearly, 0, Find(events.Yearly, yearly)});
    step.Entries.push_back({4, nth, 0, Find(events.NWeekdayly, nth)});
    push(std::move(step));
}

void TUndoHistory::RecordWhole(TEvents events, std::string caption) {
    push({std::move(caption), {}, std::make_shared<const TEvents>(std::move(events))});
}

void TUndoHistory::push(Step step) {
    steps_.push_back(std::move(step));
    while (steps_.size() > Depth)
        steps_.pop_front();
}

std::string TUndoHistory::Caption() const {
    return steps_.empty() ? std::string() : steps_.back().Caption;
}

bool TUndoHistory::Undo(TEvents &events) {
    const auto change = TakeLast();
    if (!change)
        return false;
    change(events);
    return true;
}

std::function<void(TEvents &)> TUndoHistory::TakeLast() {
    if (steps_.empty())
        return {};
    auto step = std::make_shared<const Step>(std::move(steps_.back()));
    steps_.pop_back();
    return [step](TEvents &events) { Apply(*step, events); };
}

void TUndoHistory::Apply(const Step &step, TEvents &events) {
    if (step.Whole) {
        events = *step.Whole;
        return;
    }
    for (const Entry &entry : step.Entries) {
        switch (entry.Kind) {
        case 0:
            Restore(events.Once, entry.Key, entry.Text);
            break;
        case 1:
            Restore(events.Weekly, entry.Number, entry.Text);
            break;
        case 2:
            Restore(events.Monthly, entry.Number, entry.Text);
            break;
        case 3:
            Restore(events.Yearly, entry.Key, entry.Text);
            break;
        default:
            Restore(events.NWeekdayly, entry.Key, entry.Text);
            break;
        }
    }
}
