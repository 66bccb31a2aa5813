#include "EventsPreload.h"

TEventsPreload EventsPreload;

TEventsPreload::~TEventsPreload() {
    if (worker_.joinable())
        worker_.join();
}

void TEventsPreload::Start(const std::string &path) {
    if (worker_.joinable())
        return;
    path_ = path;
    worker_ = std::thread([this] {
        try {
            // No today: with nothing wiped, the date is not looked at.
            events_.LoadFromIni(path_, 0, {});
            stamp_ = StampOf(path_);
        } catch (...) {
            failure_ = std::current_exception();
        }
    });
}

bool TEventsPreload::Take(const std::string &path, TEvents &events, TFileStamp &stamp) {
    if (!worker_.joinable())
        return false;
    worker_.join();
    if (path != path_)
        return false;
    if (failure_)
        std::rethrow_exception(std::exchange(failure_, nullptr));
    events = std::move(events_);
    stamp = stamp_;
    return true;
}
