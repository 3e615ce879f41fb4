#!/usr/bin/env python3
"""Converts a one-day national timetable snapshot (CSV) into the timetable source format
(docs/timetable-source.md), so that lanzhou-timetable-build can turn it into the four tables.

    convert.py <realdata-dir> <output-dir> [--day 20240705] [--station-list station_20240820.csv]

Reads, under <realdata-dir>:
  cr2024/derived/stops_<day>.csv   one row per stop of every train running that day
  cr2024/derived/trains_<day>.csv  one row per train (checked against the stop rows)
  citygroups/samecity.csv          stations of one city, one group per line
  stations/<station-list>          the station list: name in column 1, initials in column 4

Writes <output-dir>/{stations.txt, groups.txt, classes.txt, lines/network.txt, trains/*.txt}.
The input is third-party data without a licence: write the output into a build folder only.

What the snapshot lacks is filled in as follows:
- Distances and fares are unknown: every stop gets km 0 and every fare column "-".
- Trains are written as explicit stop rows with the real times. The builder wants every station
  on some line, so one line file lists all stations (km posts 0, 1, 2, ... in stations.txt
  order); it only satisfies that rule, no train refers to it.
- Groups: the format numbers groups 1..159 without 51-59 and 101-109, 141 numbers in all, and a
  station may be in one group only. Groups with fewer than two stations of the timetable match
  nothing beyond the name itself and are dropped; of the rest, the 141 whose stations have the
  most stop rows are kept, in the order of samecity.csv, and a station already taken by an earlier
  kept group is left out of later ones.
- Initials come from the station list when they have one letter per character; otherwise each
  character takes the initial it has most often in the list's names, then its reading's initial
  from the GB2312 pinyin order, then a short table of rarer characters. A character none of these
  know stops the conversion.
"""

import argparse
import collections
import csv
import os
import re
import sys

# Numbers a group may carry.
GROUP_NUMBERS = [n for n in range(1, 160) if not (51 <= n <= 59 or 101 <= n <= 109)]

# The GB2312 level-1 characters are sorted by pinyin: the first code of each initial's range.
GB2312_INITIALS = [
    (0xB0A1, "A"), (0xB0C5, "B"), (0xB2C1, "C"), (0xB4EE, "D"), (0xB6EA, "E"), (0xB7A2, "F"),
    (0xB8C1, "G"), (0xB9FE, "H"), (0xBBF7, "J"), (0xBFA6, "K"), (0xC0AC, "L"), (0xC2E8, "M"),
    (0xC4C3, "N"), (0xC5B6, "O"), (0xC5BE, "P"), (0xC6DA, "Q"), (0xC8BB, "R"), (0xC8F6, "S"),
    (0xCBFA, "T"), (0xCDDA, "W"), (0xCEF4, "X"), (0xD1B9, "Y"), (0xD4D1, "Z"),
]
GB2312_LEVEL1_END = 0xD7F9

# Characters outside GB2312 level 1 that occur in place names, with their place-name reading.
RARE_INITIALS = {
    "叆": "A", "贲": "B", "氡": "D", "泔": "G", "鄠": "H", "峧": "J", "砬": "L", "碛": "Q",
    "犍": "Q", "佟": "T", "崴": "W", "榭": "X",
}

# Train classes (NType) by the letter a train number starts with; numbers without a letter are
# 普快 below 6000 and 普客 from there.
CLASS_BY_LETTER = {"D": 1, "G": 2, "C": 3, "Z": 4, "T": 5, "Y": 5, "K": 6, "S": 10}

CLASSES_TXT = """\
# Train classes of the converted timetable. The snapshot has no distances or fares, so every
# stop is written with km 0 and fare "-"; speeds and rates below are never used for times (the
# trains list their real times) and only satisfy the class rules.
class 1  conventional 140 high-speed 200 dwell 2 sells P1 rate 0.3097 0.3715
class 2  conventional 160 high-speed 300 dwell 2 sells P1 rate 0.4600 0.7360
class 3  conventional 140 high-speed 220 dwell 1 sells P1 rate 0.3097 0.3715
class 4  conventional 112 dwell 6 sells P1
class 5  conventional 98  dwell 5 sells P1
class 6  conventional 82  dwell 5 sells P1
class 8  conventional 62  dwell 4 sells P1
class 10 conventional 52  dwell 2 sells P1
class 11 conventional 46  dwell 2 sells P1
"""


class ConvertError(Exception):
    pass


def read_csv(path):
    with open(path, encoding="utf-8-sig", newline="") as f:
        return list(csv.reader(f))


def read_dicts(path):
    with open(path, encoding="utf-8-sig", newline="") as f:
        return list(csv.DictReader(f))


def clean_name(text):
    """Station names sometimes carry padding spaces ("厦 门")."""
    return re.sub(r"\s+", "", text)


def gb2312_initial(ch):
    try:
        code = int.from_bytes(ch.encode("gb2312"), "big")
    except UnicodeEncodeError:
        return None
    if code < GB2312_INITIALS[0][0] or code > GB2312_LEVEL1_END:
        return None
    letter = None
    for start, initial in GB2312_INITIALS:
        if code >= start:
            letter = initial
    return letter


def valid_initials(initials, name):
    return len(initials) == len(name) and re.fullmatch(r"[A-HJ-TW-Z]+", initials) is not None


class Initials:
    """Initials of station names: the list's own where usable, else character by character."""

    def __init__(self, station_rows):
        self.listed = {}
        self.by_char = collections.defaultdict(collections.Counter)
        for row in station_rows:
            if len(row) < 5:
                continue
            name, initials = clean_name(row[1]), row[4].strip().upper()
            if not valid_initials(initials, name):
                continue
            self.listed.setdefault(name, initials)
            for ch, letter in zip(name, initials):
                self.by_char[ch][letter] += 1

    def char_initial(self, ch):
        if self.by_char.get(ch):
            # The most frequent reading; ties go to the letter first in the alphabet.
            counts = self.by_char[ch]
            return min(counts, key=lambda letter: (-counts[letter], letter))
        return gb2312_initial(ch) or RARE_INITIALS.get(ch)

    def of(self, name):
        if name in self.listed:
            return self.listed[name]
        letters = [self.char_initial(ch) for ch in name]
        unknown = [ch for ch, letter in zip(name, letters) if letter is None]
        if unknown:
            raise ConvertError(f"no initial known for {''.join(unknown)} (station {name})")
        return "".join(letters)


def full_train_id(code):
    """12306 abbreviates a second number to its changed tail ("K1234/1", "4170/67"); the
    timetable writes both numbers in full ("K1234/K1231")."""
    parts = code.split("/")
    out = [parts[0]]
    for tail in parts[1:]:
        prev = out[-1]
        if tail and not tail.isdigit():
            out.append(tail)  # already a whole number
            continue
        digits = re.search(r"\d+$", prev)
        if not digits or len(tail) > len(digits.group()):
            raise ConvertError(f"cannot expand train number {code}")
        out.append(prev[: len(prev) - len(tail)] + tail)
    return "/".join(out)


def train_class(train_id):
    first = train_id[0]
    if first.isdigit():
        number = int(re.match(r"\d+", train_id).group())
        return 8 if number < 6000 else 11
    if first not in CLASS_BY_LETTER:
        raise ConvertError(f"no class for train number {train_id}")
    return CLASS_BY_LETTER[first]


def clock_minutes(text):
    return int(text[:2]) * 60 + int(text[3:])


def elapsed_by_rule(stops):
    """Elapsed minutes at each stop as the builder counts them from explicit rows: a day passes
    whenever a time is earlier than the one before it."""
    start = last = None
    out = []
    for arr, dep in stops:
        at = None
        for clock in (arr, dep):
            if not clock:
                continue
            value = clock_minutes(clock)
            if start is None:
                start = last = value
            else:
                value += last - last % 1440
                if value < last:
                    value += 1440
                last = value
            if at is None:
                at = value - start
        out.append(at)
    return out


def read_trains(stop_rows, train_rows):
    """Trains in file order: (id, [(station, arr, dep, elapsed_min)])."""
    by_no = collections.OrderedDict()
    for row in stop_rows:
        by_no.setdefault(row["train_no"], []).append(row)
    listed = {row["train_no"]: row for row in train_rows}
    trains = []
    ids = set()
    for train_no, rows in by_no.items():
        rows.sort(key=lambda r: int(r["seq"]))
        head = listed.get(train_no)
        if head is None:
            raise ConvertError(f"train {train_no} has stops but no train row")
        if int(head["n_stops"]) != len(rows):
            raise ConvertError(f"train {train_no}: {len(rows)} stop rows, train row says "
                               f"{head['n_stops']}")
        train_id = full_train_id(rows[0]["train_code_full"])
        if train_id in ids:
            raise ConvertError(f"train number {train_id} twice")
        ids.add(train_id)
        stops = [(clean_name(r["station_name"]), r["arr_time"], r["dep_time"],
                  int(r["elapsed_min"] or 0)) for r in rows]
        trains.append((train_id, stops))
    missing = set(listed) - set(by_no)
    if missing:
        raise ConvertError(f"{len(missing)} train rows without stops, e.g. {sorted(missing)[0]}")
    return trains


def check_times(train_id, stops):
    """The snapshot's elapsed minutes must be what the builder will compute from the clocks."""
    if len(stops) < 2 or stops[0][1] or not stops[0][2]:
        raise ConvertError(f"train {train_id}: needs a first stop with a departure only and a "
                           "second stop")
    computed = elapsed_by_rule([(arr, dep) for _, arr, dep, _ in stops])
    for (station, arr, dep, elapsed), mine in zip(stops[1:], computed[1:]):
        if mine is None:
            raise ConvertError(f"train {train_id}: stop {station} has no time")
        if mine != elapsed:
            raise ConvertError(f"train {train_id}: at {station} the clocks give {mine} min, the "
                               f"snapshot {elapsed} min")


def order_stations(names_in_use, station_rows, initials):
    """stations.txt order: by first initial; within a letter the station list's order, then
    stations the list does not have, in order of first use."""
    list_order = {}
    for row in station_rows:
        if len(row) > 1:
            list_order.setdefault(clean_name(row[1]), len(list_order))
    first_use = {name: i for i, name in enumerate(names_in_use)}
    keyed = []
    for name in names_in_use:
        code = initials.of(name)
        rank = (0, list_order[name]) if name in list_order else (1, first_use[name])
        keyed.append((code[0], rank, name, code))
    keyed.sort()
    return [(name, code) for _, _, name, code in keyed]


def choose_groups(group_rows, stop_count):
    """Numbered groups as the format allows them (see the module comment)."""
    groups = []
    for index, row in enumerate(group_rows):
        names = []
        for raw in row:
            name = clean_name(raw)
            if name in stop_count and name not in names:
                names.append(name)
        if len(names) >= 2:
            weight = sum(stop_count[n] for n in names)
            groups.append((weight, index, names))
    kept = sorted(groups, key=lambda g: (-g[0], g[1]))[: len(GROUP_NUMBERS)]
    kept.sort(key=lambda g: g[1])
    taken = set()
    out = []
    for _, _, names in kept:
        names = [n for n in names if n not in taken]
        if len(names) < 2:
            continue
        taken.update(names)
        out.append(names)
    return [(number, names) for number, names in zip(GROUP_NUMBERS, out)]


def train_file_name(train_id):
    first = train_id[0]
    return ("num" if first.isdigit() else first.lower()) + ".txt"


def write_text(path, lines):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write("".join(line + "\n" for line in lines))


def convert(realdata, out, day, station_list):
    derived = os.path.join(realdata, "cr2024", "derived")
    stop_rows = read_dicts(os.path.join(derived, f"stops_{day}.csv"))
    train_rows = read_dicts(os.path.join(derived, f"trains_{day}.csv"))
    group_rows = read_csv(os.path.join(realdata, "citygroups", "samecity.csv"))
    station_rows = read_csv(os.path.join(realdata, "stations", station_list))

    trains = read_trains(stop_rows, train_rows)
    for train_id, stops in trains:
        check_times(train_id, stops)

    stop_count = collections.Counter()
    names_in_use = []
    for _, stops in trains:
        for station, *_ in stops:
            if station not in stop_count:
                names_in_use.append(station)
            stop_count[station] += 1

    initials = Initials(station_rows)
    stations = order_stations(names_in_use, station_rows, initials)
    groups = choose_groups(group_rows, stop_count)

    # A reused output folder must not keep train or line files of an earlier run.
    for folder in ("trains", "lines"):
        path = os.path.join(out, folder)
        if os.path.isdir(path):
            for entry in os.listdir(path):
                if entry.endswith(".txt"):
                    os.remove(os.path.join(path, entry))

    header = f"# Converted by tools/realdata-convert/convert.py from the {day} snapshot."
    write_text(os.path.join(out, "stations.txt"),
               [header] + [f"{name} {code}" for name, code in stations])
    write_text(os.path.join(out, "groups.txt"),
               [header] + [f"{number}: {' '.join(names)}" for number, names in groups])
    write_text(os.path.join(out, "classes.txt"), [CLASSES_TXT.rstrip("\n")])
    write_text(os.path.join(out, "lines", "network.txt"),
               [header, "line 全国车站", "kind conventional"] +
               [f"{km} {name}" for km, (name, _) in enumerate(stations)])

    files = collections.OrderedDict()
    for train_id, stops in sorted(trains):
        lines = files.setdefault(train_file_name(train_id), [header])
        lines += ["", f"train {train_id}", f"class {train_class(train_id)}"]
        for i, (station, arr, dep, _) in enumerate(stops):
            fares = "" if i == 0 else " p1=-"
            lines.append(f"stop {station} {arr or '-'} {dep or '-'} 0{fares}")
    for name, lines in files.items():
        write_text(os.path.join(out, "trains", name), lines)

    return len(trains), sum(len(s) for _, s in trains), len(stations), len(groups)


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("realdata")
    parser.add_argument("output")
    parser.add_argument("--day", default="20240705")
    parser.add_argument("--station-list", default="station_20240820.csv")
    args = parser.parse_args(argv)
    try:
        trains, stops, stations, groups = convert(args.realdata, args.output, args.day,
                                                  args.station_list)
    except (ConvertError, OSError, KeyError, ValueError) as e:
        print(f"convert.py: {e}", file=sys.stderr)
        return 1
    print(f"convert.py: {trains} trains, {stops} stops, {stations} stations, {groups} groups")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
