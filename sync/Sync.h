#pragma once
// Two-way synchronisation of the events file with one CalDAV calendar.
//
// Each entry of the store (kind and key) is compared three ways: its text in the store now,
// the text the server's events give it now (several events on one key are one text, their
// texts on lines of their own, in the order of their names), and both as they were after the
// last sync (the sync state). A side that changed since then passes its text to the other; a
// side that did not change takes the other's. When both changed differently neither wins: the
// entry gets both texts, the store's first, with a marker line between, on both sides. So a
// sync deletes on one side only what was deleted on the other since the last sync, and a
// download that fails changes nothing anywhere.

#include "CalDav.h"
#include "Pool.h"

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

// The line between the store's text and the server's when both changed.
inline constexpr char ConflictMarker[] = "--- changed on the server ---";

// What a server resource gave at the last sync.
struct TSyncItem {
    std::string Etag;
    std::string Data;     // its iCalendar text
    bool ReadOnly = false; // it repeats unlike any kind: its one-time entries are not sent back
    std::vector<std::pair<std::string, std::string>> Entries; // entry key -> text
};

// Both sides of an entry after the last sync.
struct TSyncBase {
    std::string Local, Server;
};

struct TSyncState {
    std::string CalendarId;                   // random, made at the first sync
    std::string Token;                        // the server's sync-token, where it gives one
    std::map<std::string, TSyncItem> Items;   // by href
    std::map<std::string, TSyncBase> Bases;   // by entry key ("O 3/10/2025", "W 2", ...)
};

// The state as a text and back; a text that is not a state reads as false.
std::string StateText(const TSyncState &state);
bool ParseState(const std::string &text, TSyncState &state);

struct TSyncResult {
    int Sent = 0, Received = 0, Conflicts = 0, Deleted = 0;
    std::vector<std::string> Skipped; // server resources that could not be read, and why
    // Server texts the events file holds only in part: "3/7/2027: text cut at 4096 characters"
    std::vector<std::string> Cut;
    std::vector<std::string> Plan;    // with a dry run: what would be done, a line each
    std::string Summary() const;      // "sync: 3 sent, 5 received, 1 conflict kept, 0 deleted"
};

struct TSyncSettings {
    std::string EventsFile;
    std::string StateFile;
    // The calendar's wipe period in months (0: off): the one-time events it drops as too old
    // are its own housekeeping, never deletions to pass on to the server.
    int WipeMonths = 0;
    bool DryRun = false;
    std::chrono::sys_days Today;
    std::chrono::sys_seconds Now;
};

// One sync; another one of the same state file waits a moment, then gives up with a
// QuorvaError. Throws TCalDavError when the server cannot be used and QuorvaError when the
// events file or the state cannot be read or written; in both cases nothing was deleted
// anywhere, and the next sync completes what this one began.
TSyncResult Synchronize(TCalDav &server, const TSyncSettings &settings);
