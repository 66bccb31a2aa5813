#include "EditMerge.h"

#include "Pool.h"

std::string ApplyEntryEdit(TEntryEdit &edit, const std::string &current, bool &conflict) {
    conflict = false;
    if (current == edit.Before || current == edit.After)
        return edit.After;
    if (!edit.Kept.empty() && current == edit.Kept)
        return edit.Kept;
    // Changed here and elsewhere since the user started from Before.
    if (edit.After.empty())
        return current; // deleted here, changed there: the change stays
    if (current.empty())
        return edit.After; // changed here, deleted there
    conflict = true;
    std::string both = edit.After + "\r\n" + ChangedElsewhereMarker + "\r\n" + current;
    if (both.size() > EventTextLimit) {
        edit.TooLong = true; // the file would cut the other's text: it stays as it is
        return current;
    }
    edit.Kept = std::move(both);
    return edit.Kept;
}
