#!/usr/bin/python3
"""Another device on the CalDAV server: an independent client (python3-caldav, python3-icalendar)
that the sync tests use to change the calendar on the server and to read it back.

Usage: peer.py URL USER PASSWORD COMMAND [ARGS]
  make-calendar NAME             creates the calendar collection URL/NAME/
  add UID YYYYMMDD SUMMARY [RRULE]   adds an all-day event
  add-timed UID YYYYMMDDTHHMMSS SUMMARY   adds a timed event (floating time)
  set-summary UID SUMMARY        changes an event's summary, every other property kept
  delete UID                     deletes an event
  put-raw NAME FILE              stores FILE's text as resource NAME, unread
  dump                           each event as "UID<TAB>SUMMARY<TAB>DESCRIPTION", sorted
  count                          the number of resources
  agenda FROM DAYS               the expansion of every event: each day with something on it
                                 as "YYYY-MM-DD<TAB>words", the day's words sorted (a timed
                                 event's words start with its time, "9:15")
"""
import sys
from datetime import date, datetime, timedelta

import caldav
import icalendar


def calendar(url, user, password):
    client = caldav.DAVClient(url, username=user or None, password=password or None)
    return caldav.Calendar(client=client, url=url)


def find(cal, uid):
    return cal.event_by_uid(uid)


def main():
    url, user, password, command, *args = sys.argv[1:]
    if command == "make-calendar":
        client = caldav.DAVClient(url, username=user or None, password=password or None)
        response = client.mkcalendar(url.rstrip("/") + "/" + args[0] + "/")
        if response.status not in (200, 201):
            sys.exit("peer.py: MKCALENDAR answered %d" % response.status)
        return
    cal = calendar(url, user, password)
    if command in ("add", "add-timed"):
        uid, start, summary = args[:3]
        event = icalendar.Event()
        event.add("uid", uid)
        event.add("dtstamp", datetime(2026, 12, 1, 12, 0, 0))
        if command == "add":
            event.add("dtstart", datetime.strptime(start, "%Y%m%d").date())
        else:
            event.add("dtstart", datetime.strptime(start, "%Y%m%dT%H%M%S"))
            event.add("location", "Room 4")
        event.add("summary", summary)
        if len(args) > 3:
            event.add("rrule", icalendar.vRecur.from_ical(args[3]))
        wrapper = icalendar.Calendar()
        wrapper.add("prodid", "-//peer//EN")
        wrapper.add("version", "2.0")
        wrapper.add_component(event)
        cal.save_event(wrapper.to_ical().decode())
    elif command == "set-summary":
        uid, summary = args
        found = find(cal, uid)
        parsed = icalendar.Calendar.from_ical(found.data)
        for component in parsed.walk("VEVENT"):
            component["summary"] = icalendar.vText(summary)
        found.data = parsed.to_ical().decode()
        found.save()
    elif command == "delete":
        find(cal, args[0]).delete()
    elif command == "put-raw":
        name, path = args
        with open(path, encoding="utf-8") as source:
            text = source.read()
        response = cal.client.put(str(cal.url).rstrip("/") + "/" + name, text,
                                  {"Content-Type": "text/calendar; charset=utf-8"})
        if response.status >= 300:
            sys.exit("peer.py: PUT answered %d" % response.status)
    elif command == "dump":
        rows = []
        for event in cal.events():
            for component in icalendar.Calendar.from_ical(event.data).walk("VEVENT"):
                rows.append("\t".join([str(component.get("uid", "")),
                                       str(component.get("summary", "")),
                                       str(component.get("description", "")).replace("\n", "|"),
                                       str(component.get("location", ""))]))
        print("\n".join(sorted(rows)))
    elif command == "count":
        print(len(cal.events()))
    elif command == "agenda":
        # Expanded here by dateutil, independently of the server and of the calendar.
        from dateutil.rrule import rrulestr
        first = datetime.strptime(args[0], "%Y-%m-%d").date()
        last = first + timedelta(days=int(args[1]))
        days = {}
        for event in cal.events():
            for component in icalendar.Calendar.from_ical(event.data).walk("VEVENT"):
                if str(component.get("status", "")) == "CANCELLED":
                    continue
                start = component.decoded("dtstart")
                timed = isinstance(start, datetime)
                base = start.replace(tzinfo=None) if timed else datetime.combine(start, datetime.min.time())
                if "rrule" in component:
                    rule = rrulestr(component["rrule"].to_ical().decode(), dtstart=base)
                    dates = rule.between(datetime.combine(first, datetime.min.time()),
                                         datetime.combine(last, datetime.max.time()), inc=True)
                else:
                    dates = [base] if first <= base.date() <= last else []
                for when in dates:
                    words = days.setdefault(when.date(), [])
                    if timed:
                        words.append("%d:%02d" % (when.hour, when.minute))
                    words += str(component.get("summary", "")).split()
                    words += str(component.get("description", "")).split()
        for day in sorted(days):
            print(day.isoformat() + "\t" + " ".join(sorted(days[day])))
    else:
        sys.exit("peer.py: unknown command " + command)


if __name__ == "__main__":
    main()
