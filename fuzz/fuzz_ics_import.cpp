// Feeds arbitrary bytes to the iCalendar importer over a store that already holds an entry of
// every kind, one of them near the events file's limit of 4096 characters. Besides crashes,
// leaks, hangs and runaway memory this catches an import that reports what did not happen: a
// refused file must leave the store as it was, the import must say it changed the store exactly
// when it did, and every entry it stored must come back from the events file unchanged, so
// that no text is over the limit and no date one the file cannot hold.

#include "FuzzTempFolder.h"
#include "IcsImport.h"
#include "Pool.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>

using namespace std::chrono;

namespace {

bool SameStore(const TEvents &a, const TEvents &b) {
    return a.Once == b.Once && a.Weekly == b.Weekly && a.Monthly == b.Monthly &&
           a.Yearly == b.Yearly && a.NWeekdayly == b.NWeekdayly;
}

TEvents StartingStore() {
    TEvents events;
    events.SetOnce(3, 7, 2025, std::string(4090, 'x'));
    events.SetWeekly(2, "Gym");
    events.SetMonthly(15, "Pay day");
    events.SetYearly(12, 25, "Christmas");
    events.SetNWeekdayly(0, 2, 5, "Memorial Day");
    return events;
}

// The same keys, and the same texts but for those with a backslash: the events file writes a
// line break as backslash n, so a text that holds those two characters comes back with a break.
template <typename Map> bool KeptWhole(const Map &stored, const Map &loaded) {
    if (stored.size() != loaded.size())
        return false;
    for (auto s = stored.begin(), l = loaded.begin(); s != stored.end(); ++s, ++l)
        if (s->first != l->first ||
            (s->second.find('\\') == std::string::npos && s->second != l->second))
            return false;
    return true;
}

bool KeptWhole(const TEvents &stored, const TEvents &loaded) {
    return KeptWhole(stored.Once, loaded.Once) && KeptWhole(stored.Weekly, loaded.Weekly) &&
           KeptWhole(stored.Monthly, loaded.Monthly) && KeptWhole(stored.Yearly, loaded.Yearly) &&
           KeptWhole(stored.NWeekdayly, loaded.NWeekdayly);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    // The same local times on every machine, so that a finding reproduces anywhere.
    setenv("TZ", "UTC", 1);
    tzset();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const sys_days today = year{2025} / March / 10;
    const std::string text(reinterpret_cast<const char *>(data), size);
    const TEvents before = StartingStore();
    TEvents events = before;
    TIcsImport result;
    try {
        result = ImportIcs(text, events, today);
    } catch (const QuorvaError &) {
        if (!SameStore(events, before))
            std::abort();
        return 0;
    }
    if (result.Changed() == SameStore(events, before))
        std::abort();

    const std::string path = (FuzzTempFolder() / "quorva.ini").string();
    events.SaveToIni(path);
    TEvents loaded;
    loaded.LoadFromIni(path, 0, today);
    if (!KeptWhole(events, loaded))
        std::abort();
    return 0;
}
