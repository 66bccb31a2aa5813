#pragma once
// A user's edit of one entry, applied to the store as it is when the edit is saved: another
// program (a sync, an import, a text editor) may have changed the same entry meanwhile.

#include <string>

// The line between the user's text and the other program's in a text that keeps both.
inline constexpr char ChangedElsewhereMarker[] = "--- changed by another program ---";

struct TEntryEdit {
    std::string Before; // the text the user started from
    std::string After;  // the text the user saved
    std::string Kept;   // the text a conflict left, once there was one
    // Both texts together would not fit the events file: it keeps the other program's text,
    // and the user's is to be shown again for the user to decide.
    bool TooLong = false;
};

// The entry's text after the edit, given its text now: the user's text where the entry is as
// the user found it (or already holds the user's text); both texts, the user's first, then
// the marker line, then the other, where the entry changed meanwhile; the other's text alone
// (TooLong) where both would pass the events file's limit. A text deleted on one side and
// changed on the other keeps the change. Applying the same edit again (a save retried) gives
// the same text; conflict tells whether both changed.
std::string ApplyEntryEdit(TEntryEdit &edit, const std::string &current, bool &conflict);
