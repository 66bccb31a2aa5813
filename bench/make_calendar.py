#!/usr/bin/env python3
"""Writes one large calendar twice: as Quorva's events file and as calcurse's apts file.

The calendar: N one-time events on distinct dates spread evenly from 1 January 1900 (to the
end of 2199 while N fits those years' days; a larger N takes as many years more as it needs),
and every weekly, monthly, yearly and n-th weekday key there is. Each text has 2 to 12 words
of letters and digits only, so that the two agendas can be compared word for word: no comma
(Quorva joins a day's events with ", "), no backslash, no line break. The same seed gives
the same files byte for byte.

A repeating Quorva key holds on every date that matches it; its calcurse event repeats from
the first such date on or after 1 January 1900:
  weekly W      {1W} from the first such weekday
  monthly D     {1M} from January 1900; calcurse skips months without day D, as Quorva does
  yearly M/D    {1Y} from 1900 (2/29 from 1904); only leap years have 2/29, in both
  n-th weekday  {1Y wK mM}: K = 7 * N + weekday (0 = Sunday) for the N-th, -(7 + weekday)
                for the last; from its first date, as calcurse refuses a rule whose start
                is not one of its dates
"""

import argparse
import calendar
import datetime
import random
import sys

FIRST_DAY = datetime.date(1900, 1, 1)
USUAL_LAST_DAY = datetime.date(2199, 12, 31)

WORDS = (
    "dentist meeting with Anna bring the card call mother birthday party at noon garden club "
    "pay rent train 815 lunch Bob review budget school play doctor visit plumber car service "
    "book club gym swim lesson piano tax return flight to Lisbon pick up parcel vote dinner "
    "Grandma haircut concert tickets renew passport team offsite water plants yoga"
).split()


def event_text(rng):
    return " ".join(rng.choice(WORDS) for _ in range(rng.randint(2, 12)))


def last_day_for(count):
    """The end of 2199, or the end of the first later year that gives count distinct days."""
    last = USUAL_LAST_DAY
    while (last - FIRST_DAY).days + 1 < count:
        if last.year == 9999:
            raise SystemExit(f"make_calendar: {count} events do not fit 1900..9999 one a day")
        last = datetime.date(last.year + 1, 12, 31)
    return last


def sunday_based(date):
    """Weekday with 0 = Sunday .. 6 = Saturday (calcurse's numbers; Quorva's are one more)."""
    return (date.weekday() + 1) % 7


def nth_weekday(year, month, n, weekday):
    """The n-th (0: last) weekday (0 = Sunday) of the month, or None when it has none."""
    days = [d for d in range(1, calendar.monthrange(year, month)[1] + 1)
            if sunday_based(datetime.date(year, month, d)) == weekday]
    if n == 0:
        return datetime.date(year, month, days[-1])
    return datetime.date(year, month, days[n - 1]) if n <= len(days) else None


def make(count, seed):
    """Returns the five kinds' lists of (key, text, apts line) and the last one-time date."""
    rng = random.Random(seed)
    last = last_day_for(count)
    span = (last - FIRST_DAY).days + 1
    once = []
    for i in range(count):
        date = FIRST_DAY + datetime.timedelta(days=i * span // count)
        text = event_text(rng)
        once.append((f"{date.month}/{date.day}/{date.year}", text,
                     f"{date:%m/%d/%Y} [1] {text}"))

    weekly = []
    for weekday in range(1, 8):  # Quorva: 1 = Sunday
        start = FIRST_DAY + datetime.timedelta(days=(weekday - 1 - sunday_based(FIRST_DAY)) % 7)
        text = event_text(rng)
        weekly.append((weekday, text, f"{start:%m/%d/%Y} [1] {{1W}} {text}"))

    monthly = []
    for day in range(1, 32):
        text = event_text(rng)
        monthly.append((day, text, f"01/{day:02d}/1900 [1] {{1M}} {text}"))

    yearly = []
    for month in range(1, 13):
        for day in range(1, calendar.monthrange(2024, month)[1] + 1):
            start = datetime.date(1904 if (month, day) == (2, 29) else 1900, month, day)
            text = event_text(rng)
            yearly.append((f"{month}/{day}", text, f"{start:%m/%d/%Y} [1] {{1Y}} {text}"))

    nweekdayly = []
    for n in range(0, 6):
        for weekday in range(1, 8):
            for month in range(1, 13):
                year = 1900
                while (start := nth_weekday(year, month, n, weekday - 1)) is None:
                    year += 1
                code = 7 * n + weekday - 1 if n else -(7 + weekday - 1)
                text = event_text(rng)
                nweekdayly.append((f"{n}/{weekday}/{month}", text,
                                   f"{start:%m/%d/%Y} [1] {{1Y w{code} m{month}}} {text}"))
    return once, weekly, monthly, yearly, nweekdayly, last


def ini_text(sections):
    """Quorva's events file: sections in the fixed order, keys as the program sorts them
    (integers ascending, texts byte-wise), CR LF line ends."""
    out = []
    for name, entries in sections:
        out.append(f"[{name}]\r\n")
        for key, text, _ in sorted(entries, key=lambda e: e[0] if isinstance(e[0], int)
                                   else e[0].encode()):
            out.append(f"{key}={text}\r\n")
    return "".join(out)


def apts_text(once, repeating):
    """calcurse's apts file in the order calcurse saves it: repeating events, then one-time
    events, each by start date and then text."""
    lines = sorted(repeating, key=lambda line: (line[6:10], line[0:5], line.split("} ", 1)[1]))
    lines += [line for _, _, line in once]
    return "".join(line + "\n" for line in lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--events", type=int, default=100000, help="one-time events")
    parser.add_argument("--seed", type=int, default=20261209)
    parser.add_argument("--ini", required=True, help="Quorva events file to write")
    parser.add_argument("--apts", required=True, help="calcurse apts file to write")
    args = parser.parse_args()
    if args.events < 1:
        parser.error("--events must be 1 or more")

    once, weekly, monthly, yearly, nweekdayly, last = make(args.events, args.seed)
    sections = [("Once", once), ("Weekly", weekly), ("Monthly", monthly), ("Yearly", yearly),
                ("NWeekdayly", nweekdayly)]
    with open(args.ini, "w", encoding="ascii", newline="") as f:
        f.write(ini_text(sections))
    repeating = [line for _, entries in sections[1:] for _, _, line in entries]
    with open(args.apts, "w", encoding="ascii", newline="") as f:
        f.write(apts_text(once, repeating))
    print(f"{len(once)} one-time events on distinct dates {FIRST_DAY:%m/%d/%Y}.."
          f"{last:%m/%d/%Y}, {len(weekly)} weekly, {len(monthly)} monthly, {len(yearly)} "
          f"yearly, {len(nweekdayly)} n-th weekday")


if __name__ == "__main__":
    sys.exit(main())
