// Feeds arbitrary bytes to the events-file loader, then saves what it kept and loads it again.
// Besides crashes, leaks and hangs this catches a writer and reader that disagree: once a store
// has been through one save, every further save and load must give the same store back.

#include "FuzzTempFolder.h"
#include "Pool.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

using namespace std::chrono;

namespace {

bool SameStore(const TEvents &a, const TEvents &b) {
    return a.Once == b.Once && a.Weekly == b.Weekly && a.Monthly == b.Monthly &&
           a.Yearly == b.Yearly && a.NWeekdayly == b.NWeekdayly;
}

TEvents SavedAndLoaded(const TEvents &events, const std::string &path) {
    events.SaveToIni(path);
    TEvents loaded;
    loaded.LoadFromIni(path, 0, sys_days{});
    return loaded;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    // The first byte picks the wipe period, so dropping old one-time events is fuzzed too.
    const int wipeMonths = size > 0 ? data[0] % 4 : 0;
    const sys_days today = year{2025} / March / 10;
    const std::string text(reinterpret_cast<const char *>(data), size);

    TEvents events;
    events.LoadFromIniText(text, wipeMonths, today);
    events.GetWeekly(2);
    events.EventsOfDate(3, 10, 2025, "\r\n");
    events.BuildReminders(3, today);

    const std::string path = (FuzzTempFolder() / "quorva.ini").string();
    // Saving over the fuzzed text itself also exercises the writer's keeping of other sections.
    {
        std::FILE *file = std::fopen(path.c_str(), "wb");
        if (!file)
            std::abort();
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
    }
    const TEvents once = SavedAndLoaded(events, path);
    const TEvents twice = SavedAndLoaded(once, path);
    if (!SameStore(once, twice))
        std::abort();
    return 0;
}
