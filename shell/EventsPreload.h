#pragma once
// The events file read on a worker thread while the windows are built: a large calendar is
// then in memory by the time the main window needs it, at no cost to the start.

#include "Pool.h"

#include <exception>
#include <string>
#include <thread>

class TEventsPreload {
public:
    ~TEventsPreload();
    // Starts reading the file at path, every one-time event kept (the wipe setting is not
    // known yet).
    void Start(const std::string &path);
    // Waits for the read of path and moves its store into events and what it read into
    // stamp; rethrows the read's failure. False, with nothing changed, when no read of path
    // was started (or it was taken already): the caller reads the file itself.
    bool Take(const std::string &path, TEvents &events, TFileStamp &stamp);

private:
    std::string path_;
    std::thread worker_;
    TEvents events_;
    TFileStamp stamp_;
    std::exception_ptr failure_;
};

// The program's one preload, started by main before the windows exist.
extern TEventsPreload EventsPreload;
