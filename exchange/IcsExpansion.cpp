#include "IcsExpansion.h"

#include "Pool.h"

#include <algorithm>
#include <memory>

using namespace std::chrono;

namespace IcsReading {

namespace {

// libical expands a time zone's changes up to the year 2582 at the latest; counting them up to
// here counts every change it can make.
constexpr int ZoneChangesEndYear = 2600;

using Iterator = std::unique_ptr<icalrecur_iterator, decltype(&icalrecur_iterator_free)>;

icaltimetype IcsDate(sys_days day) {
    const year_month_day ymd{day};
    icaltimetype date = icaltime_null_date();
    date.year = static_cast<int>(ymd.year());
    date.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
    date.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
    return date;
}

// The first or the last moment of a day in the form (date or date-time) and the time zone of
// an event's start, to bound its dates in its own time.
icaltimetype Bound(sys_days day, const icaltimetype &start, bool endOfDay) {
    icaltimetype bound = IcsDate(day);
    bound.is_date = start.is_date;
    bound.zone = start.zone;
    if (!start.is_date && endOfDay) {
        bound.hour = 23;
        bound.minute = 59;
        bound.second = 59;
    }
    return bound;
}

// Seconds from 1970 to a wall-clock time. Fields out of range are brought into it: this only
// measures how far libical walks.
long long Seconds(const icaltimetype &time) {
    const int month = std::clamp(time.month, 1, 12);
    const int day = std::clamp(time.day, 1, 31);
    const sys_days date = sys_days{year{time.year} / month / 1} + days{day - 1};
    return date.time_since_epoch().count() * 86400LL + time.hour * 3600LL + time.minute * 60LL +
           time.second;
}

// How many periods of a rule's frequency, times its interval, lie from one time to another:
// the steps libical takes from the one to the other.
long long Periods(const icalrecurrencetype &rule, const icaltimetype &from,
                  const icaltimetype &to) {
    const long long seconds = Seconds(to) - Seconds(from);
    if (seconds <= 0)
        return 0;
    long long periods = 0;
    switch (rule.freq) {
    case ICAL_SECONDLY_RECURRENCE:
        periods = seconds;
        break;
    case ICAL_MINUTELY_RECURRENCE:
        periods = seconds / 60;
        break;
    case ICAL_HOURLY_RECURRENCE:
        periods = seconds / 3600;
        break;
    case ICAL_DAILY_RECURRENCE:
        periods = seconds / 86400;
        break;
    case ICAL_WEEKLY_RECURRENCE:
        periods = seconds / (7 * 86400);
        break;
    case ICAL_MONTHLY_RECURRENCE:
        periods = (to.year - from.year) * 12LL + to.month - from.month;
        break;
    default:
        periods = to.year - from.year;
        break;
    }
    return periods / std::max<long long>(rule.interval, 1) + 1;
}

// Whether a BY part of the rule only picks among the periods of its frequency (BYMONTH=2 of a
// daily rule, say), so that one call into libical may walk through any number of periods, up
// to UNTIL, before it finds a date or none. A yearly rule takes a year per step.
bool MaySkipPeriods(const icalrecurrencetype &rule) {
    const bool month = Count(rule.by_month, ICAL_BY_MONTH_SIZE) > 0;
    const bool elsewhere = month || Count(rule.by_week_no, ICAL_BY_WEEKNO_SIZE) > 0 ||
                           Count(rule.by_year_day, ICAL_BY_YEARDAY_SIZE) > 0 ||
                           Count(rule.by_set_pos, ICAL_BY_SETPOS_SIZE) > 0;
    const bool monthDay = Count(rule.by_month_day, ICAL_BY_MONTHDAY_SIZE) > 0;
    const bool weekDay = Count(rule.by_day, ICAL_BY_DAY_SIZE) > 0;
    const bool hour = Count(rule.by_hour, ICAL_BY_HOUR_SIZE) > 0;
    const bool minute = Count(rule.by_minute, ICAL_BY_MINUTE_SIZE) > 0;
    const bool second = Count(rule.by_second, ICAL_BY_SECOND_SIZE) > 0;
    switch (rule.freq) {
    case ICAL_YEARLY_RECURRENCE:
        return false;
    case ICAL_MONTHLY_RECURRENCE:
        return elsewhere || (monthDay && weekDay);
    case ICAL_WEEKLY_RECURRENCE:
        return elsewhere || monthDay;
    case ICAL_DAILY_RECURRENCE:
        return elsewhere || monthDay || weekDay;
    case ICAL_HOURLY_RECURRENCE:
        return elsewhere || monthDay || weekDay || hour;
    case ICAL_MINUTELY_RECURRENCE:
        return elsewhere || monthDay || weekDay || hour || minute;
    default:
        return elsewhere || monthDay || weekDay || hour || minute || second;
    }
}

// The dates of one rule from first to last. libical walks from DTSTART, or straight from
// first when the rule has no COUNT (which counts from DTSTART) and repeats daily or less often
// (its jump is exact only for those); UNTIL is brought forward to last, so that no walk goes on
// past the window. what names the rule in messages: "event 2 (\"Ping\"): its EXRULE".
std::vector<icaltimetype> RuleDates(const icalrecurrencetype &rule, const icaltimetype &start,
                                    const icaltimetype &first, const icaltimetype &last,
                                    const std::string &what, Reading &reading) {
    std::vector<icaltimetype> dates;
    icalrecurrencetype bounded = rule;
    if (icaltime_is_null_time(rule.until) || Fields(last) < Fields(rule.until))
        bounded.until = last;
    const bool jumps = rule.count == 0 && rule.freq >= ICAL_DAILY_RECURRENCE &&
                       rule.freq <= ICAL_YEARLY_RECURRENCE && Fields(start) < Fields(first);
    const icaltimetype from = jumps ? first : start;
    const std::string upTo = " up to " + DateText(reading.Result.ExpandedTo);
    const std::string ruleTooLong =
        what + " takes more than " + std::to_string(IcsMaxRuleSteps) + " steps to expand" + upTo;
    const std::string fileTooLong = "the repeating events take more than " +
                                    std::to_string(IcsMaxFileSteps) + " steps to expand" + upTo;
    // One call may walk all the way to UNTIL without returning: that must fit beforehand.
    if (MaySkipPeriods(rule) && Periods(rule, from, bounded.until) > IcsMaxRuleSteps)
        throw QuorvaError(ruleTooLong);
    Iterator iterator(icalrecur_iterator_new(bounded, start), &icalrecur_iterator_free);
    if (!iterator)
        return dates; // a rule that libical finds can never occur
    if (jumps)
        icalrecur_iterator_set_start(iterator.get(), from);
    long long calls = 0;
    icaltimetype reached = bounded.until;
    for (icaltimetype next = icalrecur_iterator_next(iterator.get()); !icaltime_is_null_time(next);
         next = icalrecur_iterator_next(iterator.get())) {
        ++calls;
        reached = next;
        if (Fields(last) < Fields(next))
            break;
        if (!(Fields(next) < Fields(first))) {
            dates.push_back(next);
            if (dates.size() > IcsMaxEventDates)
                throw QuorvaError(what + " gives more than " + std::to_string(IcsMaxEventDates) +
                                  " dates" + upTo);
        }
        if (calls > IcsMaxRuleSteps)
            throw QuorvaError(ruleTooLong);
        if (reading.Steps + calls > IcsMaxFileSteps)
            throw QuorvaError(fileTooLong);
    }
    // The walk stopped at its last date when COUNT ran out, and otherwise went on to UNTIL.
    if (rule.count == 0 || calls < rule.count)
        reached = bounded.until;
    reading.Steps += std::max(calls, Periods(rule, from, reached));
    if (reading.Steps > IcsMaxFileSteps)
        throw QuorvaError(fileTooLong);
    return dates;
}

// Counts the changes libical would expand from the rules of one time zone into changes.
void CheckTimeZone(icalcomponent *zone, const std::string &tzid, int &changes) {
    const std::string name = "time zone \"" + Shown(tzid) + "\"";
    for (icalcomponent *observance = icalcomponent_get_first_component(zone, ICAL_ANY_COMPONENT);
         observance; observance = icalcomponent_get_next_component(zone, ICAL_ANY_COMPONENT)) {
        icalproperty *startProperty =
            icalcomponent_get_first_property(observance, ICAL_DTSTART_PROPERTY);
        for (icalproperty *p = icalcomponent_get_first_property(observance, ICAL_RRULE_PROPERTY); p;
             p = icalcomponent_get_next_property(observance, ICAL_RRULE_PROPERTY)) {
            const icalrecurrencetype rule = icalproperty_get_rrule(p);
            if (rule.freq != ICAL_YEARLY_RECURRENCE)
                throw QuorvaError(name + ": its changes repeat more often than yearly (FREQ=" +
                                  Text(icalrecur_freq_to_string(rule.freq)) + ")");
            if (!startProperty)
                continue;
            const icaltimetype start = icalproperty_get_dtstart(startProperty);
            if (!RealDate(start))
                throw QuorvaError(name + ": its change on " + DateText(start) + " is not a date");
            icalrecurrencetype bounded = rule;
            const icaltimetype end =
                Bound(sys_days{year{ZoneChangesEndYear} / December / 31}, start, true);
            if (icaltime_is_null_time(rule.until) || Fields(end) < Fields(rule.until))
                bounded.until = end;
            Iterator iterator(icalrecur_iterator_new(bounded, start), &icalrecur_iterator_free);
            if (!iterator)
                continue;
            for (icaltimetype next = icalrecur_iterator_next(iterator.get());
                 !icaltime_is_null_time(next); next = icalrecur_iterator_next(iterator.get()))
                if (++changes > IcsMaxZoneChanges)
                    throw QuorvaError("the time zones hold more than " +
                                      std::to_string(IcsMaxZoneChanges) + " changes");
        }
    }
}

} // namespace

std::vector<icaltimetype> Instances(icalcomponent *event, const std::string &name,
                                    const icaltimetype &start, const Exclusions *replaced,
                                    Reading &reading) {
    const icaltimetype first = Bound(reading.Today - days{2}, start, false);
    const icaltimetype last = Bound(reading.Result.ExpandedTo + days{2}, start, true);
    const auto within = [&first, &last](const icaltimetype &time) {
        return !(Fields(time) < Fields(first)) && !(Fields(last) < Fields(time));
    };
    // Each time once, however many rules give it.
    std::map<Instant, icaltimetype> instances;
    const auto add = [&instances](const icaltimetype &time) {
        instances.emplace(Fields(time), time);
    };
    if (within(start))
        add(start);
    Exclusions excluded;
    for (icalproperty *p = icalcomponent_get_first_property(event, ICAL_ANY_PROPERTY); p;
         p = icalcomponent_get_next_property(event, ICAL_ANY_PROPERTY)) {
        const icalproperty_kind kind = icalproperty_isa(p);
        if (kind == ICAL_RRULE_PROPERTY) {
            for (const icaltimetype &time : RuleDates(icalproperty_get_rrule(p), start, first, last,
                                                      name + ": its RRULE", reading))
                add(time);
        } else if (kind == ICAL_EXRULE_PROPERTY) {
            for (const icaltimetype &time : RuleDates(icalproperty_get_exrule(p), start, first,
                                                      last, name + ": its EXRULE", reading))
                excluded.Add(time);
        } else if (kind == ICAL_RDATE_PROPERTY) {
            const icaldatetimeperiodtype rdate = icalproperty_get_rdate(p);
            const icaltimetype time =
                icaltime_is_null_time(rdate.time) ? rdate.period.start : rdate.time;
            if (icaltime_is_null_time(time))
                continue;
            if (const auto problem = TimeProblem(time))
                reading.Result.LeftOut.push_back(name + ": its RDATE " + *problem);
            else if (within(time))
                add(time);
        } else if (kind == ICAL_EXDATE_PROPERTY) {
            excluded.Add(icalproperty_get_exdate(p));
        }
        if (instances.size() > IcsMaxEventDates)
            throw QuorvaError(name + ": more than " + std::to_string(IcsMaxEventDates) +
                              " dates up to " + DateText(reading.Result.ExpandedTo));
    }
    std::vector<icaltimetype> kept;
    for (const auto &instance : instances)
        if (!excluded.Has(instance.second) && !(replaced && replaced->Has(instance.second)))
            kept.push_back(instance.second);
    return kept;
}

void CollectZoneNames(icalcomponent *component, std::set<std::string> &names) {
    for (icalproperty *p = icalcomponent_get_first_property(component, ICAL_ANY_PROPERTY); p;
         p = icalcomponent_get_next_property(component, ICAL_ANY_PROPERTY))
        for (icalparameter *zone = icalproperty_get_first_parameter(p, ICAL_TZID_PARAMETER); zone;
             zone = icalproperty_get_next_parameter(p, ICAL_TZID_PARAMETER))
            names.insert(Text(icalparameter_get_tzid(zone)));
    for (icalcomponent *c = icalcomponent_get_first_component(component, ICAL_ANY_COMPONENT); c;
         c = icalcomponent_get_next_component(component, ICAL_ANY_COMPONENT))
        CollectZoneNames(c, names);
}

void CheckTimeZones(icalcomponent *component, const std::set<std::string> &used, int &changes) {
    for (icalcomponent *c = icalcomponent_get_first_component(component, ICAL_ANY_COMPONENT); c;
         c = icalcomponent_get_next_component(component, ICAL_ANY_COMPONENT)) {
        if (icalcomponent_isa(c) == ICAL_VTIMEZONE_COMPONENT) {
            icalproperty *tzid = icalcomponent_get_first_property(c, ICAL_TZID_PROPERTY);
            const std::string name = tzid ? Text(icalproperty_get_tzid(tzid)) : "";
            if (used.count(name) > 0)
                CheckTimeZone(c, name, changes);
        }
        CheckTimeZones(c, used, changes);
    }
}

} // namespace IcsReading
