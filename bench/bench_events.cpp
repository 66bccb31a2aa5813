// Speed of the event store on a file of about 100,000 entries.
// "bench_events --write-events-file PATH" only writes that file (for timing quorva-cli).
#include "BigEventsFile.h"
#include "Pool.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <iostream>

using namespace std::chrono;

namespace {

const sys_days BenchToday = sys_days{2026y / December / 9};

const std::string &BigFile() {
    static const std::string path = [] {
        const auto file = std::filesystem::temp_directory_path() / "quorva-bench-big.ini";
        TEvents events;
        bench::FillBigStore(events);
        events.SaveToIni(file.string());
        return file.string();
    }();
    return path;
}

const TEvents &BigStore() {
    static const TEvents events = [] {
        TEvents loaded;
        loaded.LoadFromIni(BigFile(), 0, BenchToday);
        return loaded;
    }();
    return events;
}

void LoadFromIni(benchmark::State &state) {
    const std::string &path = BigFile();
    for (auto _ : state) {
        TEvents events;
        events.LoadFromIni(path, 0, BenchToday);
        benchmark::DoNotOptimize(events.Once.size());
    }
    state.counters["entries"] = static_cast<double>(BigStore().Once.size());
}
BENCHMARK(LoadFromIni)->Unit(benchmark::kMillisecond);

void SaveToIni(benchmark::State &state) {
    const TEvents &events = BigStore();
    const std::string path =
        (std::filesystem::temp_directory_path() / "quorva-bench-save.ini").string();
    events.SaveToIni(path);
    for (auto _ : state)
        events.SaveToIni(path);
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
    std::filesystem::remove(path);
}
BENCHMARK(SaveToIni)->Unit(benchmark::kMillisecond);

void FillMonthsOfBigStore(benchmark::State &state) {
    const TEvents &events = BigStore();
    TMonths months{};
    for (auto _ : state) {
        FillMonths(months, events, BenchToday);
        benchmark::DoNotOptimize(months);
    }
}
BENCHMARK(FillMonthsOfBigStore)->Unit(benchmark::kMicrosecond);

void BuildRemindersFourteenDays(benchmark::State &state) {
    const TEvents &events = BigStore();
    for (auto _ : state)
        benchmark::DoNotOptimize(events.BuildReminders(14, BenchToday));
}
BENCHMARK(BuildRemindersFourteenDays)->Unit(benchmark::kMicrosecond);

// Arg 1: consecutive days, as the month view and the month cache ask; arg 37: days five weeks
// apart across three centuries, so that almost every lookup misses the processor's caches.
void EventsOfDate(benchmark::State &state) {
    const TEvents &events = BigStore();
    const days step{state.range(0)};
    sys_days date = sys_days{1990y / January / 1};
    for (auto _ : state) {
        const year_month_day ymd{date};
        benchmark::DoNotOptimize(
            events.EventsOfDate(static_cast<int>(static_cast<unsigned>(ymd.month())),
                                static_cast<int>(static_cast<unsigned>(ymd.day())),
                                static_cast<int>(ymd.year()), ", "));
        date += step;
        if (date > sys_days{2190y / January / 1})
            date = sys_days{1990y / January / 1};
    }
}
BENCHMARK(EventsOfDate)->Arg(1)->Arg(37)->Unit(benchmark::kNanosecond);

} // namespace

int main(int argc, char **argv) {
    if (argc == 3 && std::strcmp(argv[1], "--write-events-file") == 0) {
        TEvents events;
        bench::FillBigStore(events);
        events.SaveToIni(argv[2]);
        std::cout << "wrote " << argv[2] << "\n";
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove(BigFile());
    return 0;
}
