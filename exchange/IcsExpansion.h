#pragma once
// The bounded expansion of an import: the dates of an event's rules, extra dates and
// exclusions within the import's window, and the time zones libical would expand, each held
// to the limits in IcsImport.h.

#include "IcsReading.h"

#include <set>
#include <string>
#include <vector>

namespace IcsReading {

// The event's dates from two days before today to two days after the end of the expansion,
// in its own time zone and in order: DTSTART, the RRULE and RDATE dates, less the EXRULE and
// EXDATE ones and those that events of their own replace. The margin holds the dates whose
// local day falls in the window. A date that is no date is left out and named.
std::vector<icaltimetype> Instances(icalcomponent *event, const std::string &name,
                                    const icaltimetype &start, const Exclusions *replaced,
                                    Reading &reading);

// The TZID parameters anywhere below the component: the time zones its times may be read in.
void CollectZoneNames(icalcomponent *component, std::set<std::string> &names);

// Refuses a time zone that libical would expand beyond bounds when it converts an event's
// time: it expands every change rule of the zone from the rule's start on into the 26th
// century, all at once. So each rule must be yearly, as every real zone's is, and the rules of
// the zones the events name may give IcsMaxZoneChanges changes in all.
void CheckTimeZones(icalcomponent *component, const std::set<std::string> &used, int &changes);

} // namespace IcsReading
