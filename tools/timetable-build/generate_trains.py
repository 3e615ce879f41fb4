#!/usr/bin/env python3
"""Writes the generated trains of the shipped sample timetable.

    tools/timetable-build/generate_trains.py [resources/timetable]

Reads the network (stations.txt, groups.txt, lines/) and the hand-written train files, and
writes trains/gen_local.txt and trains/gen_long.txt: an all-stations local train each way over
every line (so every station is served), the trains of the trunk corridors between the big
cities (CORRIDORS), and long-distance trains of every class between major stations along
shortest routes. Seeded: the same network gives the same files, which are committed as part of
the source; rerun only to regenerate the sample.

Numbering follows the railway's conventions: a letter for the class (G high-speed, D and C
multiple units, Z, T and K expresses, digits alone for the slow trains), odd numbers one way and
even numbers the other, the return working of a corridor train taking the next even number
(G1 out, G2 back). No two generated trains leave a station in the same minute, nor leave the
first station of a hand-written train at its departure, and the trains of a corridor leave their
city at least five minutes apart.
"""
import heapq
import math
import pathlib
import random
import sys

SEED = 20110815
# Running days of the long-distance trains, drawn from a generator of their own so that adding
# them changed nothing else: (share, days) in the notation of docs/timetable-source.md, the rest
# daily. Weekend trains out on Friday and back on Sunday, alternate-day trains, summer extras.
DAYS_SEED = SEED + 1
DAY_PATTERNS = [(0.05, 'w57'), (0.02, '单'), (0.02, '双'), (0.04, '240710-0825')]
MAX_STOPS = 60
LOCAL_CHUNK = 40

# Per class: how many long-distance trains (outbound + return), the km band of their runs, the
# chance to stop at an ordinary and at a major station, and the departure window in hours. The
# corridor trains below come on top; together they keep the sample at about 4,150 trains.
LONG_CLASSES = {
    1: dict(count=856, km=(120, 1400), ordinary=0.16, major=0.5, window=(6, 20), hs=True),
    2: dict(count=286, km=(300, 2300), ordinary=0.1, major=0.45, window=(6, 19), hs=True),
    3: dict(count=20, km=(40, 300), ordinary=0.5, major=0.8, window=(6, 21), hs=True),
    4: dict(count=38, km=(900, 2600), ordinary=0.0, major=0.1, window=(17, 23), hs=False),
    5: dict(count=280, km=(500, 2600), ordinary=0.06, major=0.4, window=(14, 23), hs=False),
    6: dict(count=888, km=(300, 3800), ordinary=0.08, major=0.48, window=(5, 23), hs=False),
    7: dict(count=240, km=(200, 2500), ordinary=0.16, major=0.6, window=(5, 23), hs=False),
    8: dict(count=308, km=(120, 1500), ordinary=0.3, major=0.7, window=(5, 23), hs=False),
    9: dict(count=240, km=(150, 1800), ordinary=0.25, major=0.7, window=(5, 23), hs=False),
}
# Number pools per (prefix, class): numbers of the real numbering plan for the class.
POOLS = {
    1: ('D', range(101, 9998)),
    2: ('G', range(11, 9998)),
    3: ('C', range(2001, 9998)),
    4: ('Z', range(1, 95)),
    5: ('T', range(1, 398)),
    6: ('K', range(1, 9998)),
    7: ('K', range(1, 9998)),
    8: ('', range(1044, 5998)),
    9: ('', range(1044, 5998)),
    10: ('', range(6001, 7598)),
    11: ('', range(6001, 7598)),
}
# A few trains with the rarer prefixes: (prefix, class, count).
RARE = [('Y', 5, 6), ('L', 5, 3), ('L', 8, 4), ('L', 9, 12), ('L', 11, 2)]

# Routes of the trunk corridors, as the trains really run them: (line, from, to) segments.
ROUTES = {
    '京沪高铁': [('京沪高铁', '北京南', '上海虹桥')],
    '京沪高铁至上海站': [('京沪高铁', '北京南', '昆山南'), ('沪宁城际', '昆山南', '上海')],
    '京沪线': [('京沪线', '北京', '上海')],
    '京广高铁': [('京广高铁', '北京西', '广州南')],
    '京广线': [('京广线', '北京西', '广州')],
    '京广郑西高铁': [('京广高铁', '北京西', '郑州东'), ('郑州东联络线', '郑州东', '巩义南'),
                     ('郑西高铁', '巩义南', '西安北')],
    '京广陇海线': [('京广线', '北京西', '郑州'), ('陇海线', '郑州', '西安')],
    '沪昆武广高铁': [('沪杭高铁', '上海虹桥', '杭州东'), ('杭长高铁', '杭州东', '长沙南'),
                     ('京广高铁', '长沙南', '广州南')],
    '沪昆京广线': [('沪杭线', '上海南', '杭州'), ('浙赣线', '杭州', '株洲'),
                   ('京广线', '株洲', '广州')],
    '沪渝蓉高铁': [('京沪高铁', '上海虹桥', '蚌埠南'), ('合蚌客专', '蚌埠南', '合肥'),
                   ('合武铁路', '合肥', '汉口'), ('汉十高铁', '汉口', '襄阳东'),
                   ('郑万高铁', '襄阳东', '万州北'), ('渝万高铁', '万州北', '重庆北'),
                   ('成渝客专', '重庆北', '成都东')],
    '宁西襄渝线': [('京沪线', '上海', '南京'), ('宁西线', '南京', '南阳'), ('焦柳线', '南阳', '襄阳'),
                   ('襄渝线', '襄阳', '达州'), ('达成线', '达州', '成都')],
    '广深线': [('广深线', '广州东', '深圳')],
    '广深线广州站': [('广深线', '广州', '深圳')],
    '广深港高铁': [('广深港高铁', '广州南', '深圳北')],
    '广深港高铁至福田': [('广深港高铁', '广州南', '福田')],
    '京哈高铁': [('京津城际', '北京南', '天津'), ('津秦高铁', '天津', '秦皇岛'),
                 ('秦沈客专', '秦皇岛', '沈阳北'), ('哈大高铁', '沈阳北', '哈尔滨西')],
    '京哈线': [('京哈线', '北京', '哈尔滨')],
}

# The trunk corridors between big cities, with the daily trains each way that a traveller finds
# there. The counts are our own round figures, set from what is publicly known about each
# corridor (timetable summaries, news of timetable changes), not taken from any timetable:
#   (class, prefix, number blocks, trains each way, [(route, weight)], timing)
# Timing: 'day' trains run within the day; 'night' trains leave in the evening and arrive in
# the morning where their running time allows; 'sleeper' are overnight multiple units, run at a
# slower speed so that they arrive in the morning.
# Numbers: odd leaving the first city of the pair, even towards it; the low G numbers go to the
# trunk expresses, D7xx and D9xx to overnight multiple units, C7xxx to the 广深 intercity trains.
CORRIDORS = [
    # 北京-上海: the busiest high-speed line in the country; about 40 through G trains a day each
    # way between the two cities, a few overnight D sleepers, and the classic Z and T expresses
    # and one slow train on the old 京沪线. Aim: 38 G + 3 D + 1 Z + 2 T + 1 = 45 each way.
    ('北京', '上海', [
        (2, 'G', [(1, 44), (101, 140)], 38, [('京沪高铁', 34), ('京沪高铁至上海站', 4)], 'day'),
        (1, 'D', [(701, 720)], 3, [('京沪高铁', 1)], 'sleeper'),
        (4, 'Z', [(1, 94)], 1, [('京沪线', 1)], 'night'),
        (5, 'T', [(101, 120)], 2, [('京沪线', 1)], 'night'),
        (8, '', [(1461, 1470)], 1, [('京沪线', 1)], 'night'),
    ]),
    # 北京-广州: over 2,000 km; a dozen-odd daytime G trains (8 to 10 hours), overnight D
    # sleepers, and the Z, T and K expresses of the old 京广线 (20 to 30 hours). Aim: 13 G + 3 D
    # + 2 Z + 2 T + 3 K = 23 each way.
    ('北京', '广州', [
        (2, 'G', [(61, 99)], 13, [('京广高铁', 1)], 'day'),
        (1, 'D', [(901, 930)], 3, [('京广高铁', 1)], 'sleeper'),
        (4, 'Z', [(1, 94)], 2, [('京广线', 1)], 'night'),
        (5, 'T', [(1, 40)], 2, [('京广线', 1)], 'night'),
        (6, 'K', [(1, 999)], 3, [('京广线', 1)], 'night'),
    ]),
    # 北京-西安: G trains through 郑州东 in about five hours, some twenty a day; Z, T and K trains
    # overnight on the 京广 and 陇海 lines. Aim: 18 G + 1 D + 2 Z + 2 T + 3 K = 26 each way.
    ('北京', '西安', [
        (2, 'G', [(651, 699)], 18, [('京广郑西高铁', 1)], 'day'),
        (1, 'D', [(311, 330)], 1, [('京广郑西高铁', 1)], 'sleeper'),
        (4, 'Z', [(1, 94)], 2, [('京广陇海线', 1)], 'night'),
        (5, 'T', [(41, 80)], 2, [('京广陇海线', 1)], 'night'),
        (6, 'K', [(1, 999)], 3, [('京广陇海线', 1)], 'night'),
    ]),
    # 上海-广州: G trains by 杭州, 南昌 and 长沙 (7 to 8 hours), about ten a day, overnight D
    # sleepers, and expresses on the old 沪昆 and 京广 lines. Aim: 10 G + 3 D + 1 Z + 1 T + 4 K
    # = 19 each way.
    ('上海', '广州', [
        (2, 'G', [(1301, 1340)], 10, [('沪昆武广高铁', 1)], 'day'),
        (1, 'D', [(931, 960)], 3, [('沪昆武广高铁', 1)], 'sleeper'),
        (4, 'Z', [(1, 94)], 1, [('沪昆京广线', 1)], 'night'),
        (5, 'T', [(81, 120)], 1, [('沪昆京广线', 1)], 'night'),
        (6, 'K', [(1, 999)], 4, [('沪昆京广线', 1)], 'night'),
    ]),
    # 上海-成都: a long way up the 长江; a handful of G trains (ten hours and more), overnight D
    # sleepers, and K trains of more than a day. Aim: 5 G + 3 D + 1 T + 3 K = 12 each way.
    ('上海', '成都', [
        (2, 'G', [(1951, 1990)], 5, [('沪渝蓉高铁', 1)], 'day'),
        (1, 'D', [(351, 380)], 3, [('沪渝蓉高铁', 1)], 'sleeper'),
        (5, 'T', [(121, 160)], 1, [('宁西襄渝线', 1)], 'night'),
        (6, 'K', [(1, 999)], 3, [('宁西襄渝线', 1)], 'night'),
    ]),
    # 广州-深圳: a commuter corridor; the 广深 intercity trains leave every quarter of an hour
    # or so from early morning to late evening, and G trains on the 广深港 line add more. Aim:
    # 36 C + 6 D + 16 G = 58 each way.
    ('广州', '深圳', [
        (3, 'C', [(7001, 7299)], 36, [('广深线', 7), ('广深线广州站', 2)], 'day'),
        (1, 'D', [(7001, 7099)], 6, [('广深线', 1)], 'day'),
        (2, 'G', [(6501, 6599)], 16, [('广深港高铁', 3), ('广深港高铁至福田', 1)], 'day'),
    ]),
    # 北京-哈尔滨: G trains of five to seven hours, overnight D sleepers, and the Z, T and K
    # trains of the 京哈线. Aim: 7 G + 3 D + 2 Z + 2 T + 3 K = 17 each way.
    ('北京', '哈尔滨', [
        (2, 'G', [(901, 940)], 7, [('京哈高铁', 1)], 'day'),
        (1, 'D', [(25, 40)], 3, [('京哈高铁', 1)], 'sleeper'),
        (4, 'Z', [(1, 94)], 2, [('京哈线', 1)], 'night'),
        (5, 'T', [(161, 200)], 2, [('京哈线', 1)], 'night'),
        (6, 'K', [(1, 999)], 3, [('京哈线', 1)], 'night'),
    ]),
]
# Chance to stop at a city's main station (the first of its group, or a city alias), at another
# major station (grouped, or a junction) and at an ordinary station, per class. A quarter of the
# G, D and C trains of a corridor are expresses, and the overnight multiple units stop little.
CORRIDOR_STOPS = {1: (0.6, 0.4, 0.15), 2: (0.55, 0.3, 0.05), 3: (0.6, 0.5, 0.4),
                  4: (0.15, 0.0, 0.0), 5: (0.45, 0.05, 0.01), 6: (0.9, 0.5, 0.12),
                  8: (1.0, 0.6, 0.3)}
EXPRESS_STOPS = (0.3, 0.05, 0.0)
EXPRESS_SHARE = 0.25
SLEEPER_STOPS = (0.25, 0.0, 0.0)
# Longer stands of the conventional expresses at the big stations they call at, in minutes.
BIG_STATION_DWELL = (8, 10, 12)
# Overnight trains arrive between these times, in minutes after midnight.
MORNING = (6 * 60, 10 * 60 + 30)
# Running time, in hours, that sleeper multiple units take for their whole run.
SLEEPER_HOURS = 10.5


def fields(path):
    for raw in path.read_text(encoding='utf-8').splitlines():
        out = []
        for f in raw.split():
            if f.startswith('#'):
                break
            out.append(f)
        if out:
            yield out


def read_network(root):
    stations = [f[0] for f in fields(root / 'stations.txt')]
    grouped = {}
    for f in fields(root / 'groups.txt'):
        for s in f[1:]:
            grouped[s] = f[0]
    lines = []
    for path in sorted((root / 'lines').glob('*.txt')):
        name, kind, rows = None, None, []
        for f in fields(path):
            if f[0] == 'line':
                name = f[1]
            elif f[0] == 'kind':
                kind = f[1]
            else:
                rows.append((int(f[0]), f[1]))
        lines.append((name, kind == 'high-speed', rows))
    return stations, grouped, lines


def read_classes(root):
    """Per class: (conventional km/h, high-speed km/h, dwell minutes), as the builder runs them."""
    classes = {}
    for f in fields(root / 'classes.txt'):
        conventional = int(f[f.index('conventional') + 1])
        high = int(f[f.index('high-speed') + 1]) if 'high-speed' in f else conventional
        classes[int(f[1])] = (conventional, high, int(f[f.index('dwell') + 1]))
    return classes


def hand_written(root):
    """Blocks of the hand-written train files, each a list of field lists."""
    blocks = []
    for path in sorted((root / 'trains').glob('*.txt')):
        if path.name.startswith('gen_'):
            continue
        for f in fields(path):
            if f[0] == 'train':
                blocks.append([])
            if blocks:
                blocks[-1].append(f)
    return blocks


def reserved_numbers(blocks):
    """Numbers used by the hand-written trains, which the generator must not reuse."""
    used = set()
    for block in blocks:
        for f in block:
            if f[0] == 'train' or f[0] == 'return':
                used.update(f[1].split('/'))
    return used


def minutes_of(text):
    return int(text[:2]) * 60 + int(text[3:])


def reserved_departures(blocks, departures):
    """The hand-written trains keep their departures; generated trains leave at other minutes."""
    for block in blocks:
        route = [f for f in block if f[0] == 'route']
        rows = [f for f in block if f[0] == 'stop']
        for f in block:
            if f[0] == 'depart' and route:
                departures.take(route[0][2], minutes_of(f[1]))
            elif f[0] == 'return' and route:
                departures.take(route[-1][-1], minutes_of(f[3]))
        if rows:
            departures.take(rows[0][1], minutes_of(rows[0][3]))


class Departures:
    """Departure minutes at every station: one train a minute at a station, and the trains of a
    corridor leaving their city at least CORRIDOR_GAP minutes apart."""
    CORRIDOR_GAP = 5

    def __init__(self):
        self.all = {}
        self.corridor = {}

    def take(self, station, minute):
        self.all.setdefault(station, set()).add(minute % 1440)

    def place(self, plan, minute, corridor=False):
        """The free minute nearest `minute` for a train leaving its stops at the offsets of
        `plan` [(station, minutes after the first departure)]; takes its departures."""
        origin = plan[0][0]
        near = self.corridor.setdefault(origin, set())
        for step in range(0, 1440):
            for m in ((minute + step) % 1440, (minute - step) % 1440):
                if any((m + offset) % 1440 in self.all.get(station, ())
                       for station, offset in plan):
                    continue
                if corridor and any(min(abs(m - n), 1440 - abs(m - n)) < self.CORRIDOR_GAP
                                    for n in near):
                    continue
                for station, offset in plan:
                    self.take(station, m + offset)
                if corridor:
                    near.add(m)
                return m
        raise SystemExit('no departure minute left at %s' % origin)


class Runs:
    """Running times of a train over its route, computed exactly as the builder computes them,
    so that the generator knows when a train leaves each of its stops."""

    def __init__(self, lines, classes):
        self.lines = {name: (hs, rows) for name, hs, rows in lines}
        self.classes = classes

    def expand(self, route):
        """Route stations of (line, from, to) segments: [(name, km from the origin, whether the
        line that leads to it is high-speed)]."""
        stations = [(route[0][1], 0, False)]
        for line, a, b in route:
            hs, rows = self.lines[line]
            names = [r[1] for r in rows]
            i, j = names.index(a), names.index(b)
            step = 1 if j > i else -1
            for k in range(i + step, j + step, step):
                km = stations[-1][1] + abs(rows[k][0] - rows[k - step][0])
                stations.append((rows[k][1], km, hs))
        return stations

    def plan(self, route, stops, ntype, speed=None, dwell_at=None):
        """[(stop, minutes from the first departure to the departure there)] for every stop
        but the last, and the minutes to the arrival at the last stop."""
        conventional, high, dwell = self.classes[ntype]
        stations = self.expand(route)
        exact = [0.0]
        for (_, km0, _), (_, km1, hs) in zip(stations, stations[1:]):
            exact.append(exact[-1] + (km1 - km0) * 60.0 / (speed or (high if hs else conventional)))
        at, j = [], 0
        for name in stops:
            while stations[j][0] != name:
                j += 1
            at.append(j)
            j += 1
        plan, stood, run = [], 0, 0
        for k, i in enumerate(at):
            run = 0 if k == 0 else math.floor(exact[i] + 0.5) + stood
            if k == len(at) - 1:
                break
            stand = 0 if k == 0 else (dwell_at or {}).get(stops[k], dwell)
            plan.append((stops[k], run + stand))
            stood += stand
        return plan, run


def hhmm(minute):
    return '%02d:%02d' % (minute // 60 % 24, minute % 60)


class Numbers:
    def __init__(self, rng, reserved):
        self.rng = rng
        self.used = set(reserved)
        # G100x numbers carry a special fare rule; leave them to the hand-written trains.
        self.used.update('G100' + str(i) for i in range(10))
        self.used.add('G100')

    def allocate(self, prefix, pool, directions, max_len=19):
        """Numbers for a train whose route runs in `directions` (True = down the line files,
        odd numbers): one number, or one per change of direction."""
        pool = list(pool)
        bases = self.rng.sample(pool, min(len(pool), 2000)) if len(pool) > 1 else pool
        for base in bases:
            nums, n = [], base
            for i, down in enumerate(directions):
                if i > 0:
                    n += 1
                while (n % 2 == 1) != down:
                    n += 1
                nums.append(prefix + str(n))
            while len('/'.join(nums)) > max_len:
                nums.pop()
            if n > pool[-1] or any(x in self.used for x in nums):
                continue
            self.used.update(nums)
            return '/'.join(nums)
        return None

    def pair(self, prefix, blocks):
        """The lowest free odd number of the blocks and the even number after it."""
        for lo, hi in blocks:
            for n in range(lo + (lo + 1) % 2, hi, 2):
                out, back = prefix + str(n), prefix + str(n + 1)
                if out not in self.used and back not in self.used:
                    self.used.update((out, back))
                    return out, back
        raise SystemExit('number blocks %s%s exhausted' % (prefix, blocks))


def direction_changes(segments):
    dirs = []
    for _, down in segments:
        if not dirs or dirs[-1] != down:
            dirs.append(down)
    return dirs[:4]


def clock(rng, window, departures, plan):
    lo, hi = window
    minute = rng.randrange(lo * 60, hi * 60, 5) + rng.choice([0, 1, 2, 3, 4])
    return hhmm(departures.place(plan, minute))


def backwards(route):
    return [(line, b, a) for line, a, b in reversed(route)]


def running_days(days_rng):
    """Days of one long-distance train and its return working, or None for every day."""
    r = days_rng.random()
    for share, days in DAY_PATTERNS:
        if r < share:
            return days
        r -= share
    return None


def write_train(out, tid, ntype, route, stops, depart, back_id, back_depart, extra=(), days=None):
    out.append('train %s' % tid)
    out.append('class %d' % ntype)
    if days:
        out.append('days %s' % days)
    parts = ['%s %s %s' % seg for seg in route]
    for i in range(0, len(parts), 3):
        out.append('route ' + ' '.join(parts[i:i + 3]))
    if stops == 'all':
        out.append('stops all')
    else:
        for i in range(0, len(stops), 12):
            out.append('stops ' + ' '.join(stops[i:i + 12]))
    out.append('depart %s' % depart)
    out.extend(extra)
    out.append('return %s depart %s' % (back_id, back_depart))
    out.append('')


def local_trains(rng, numbers, departures, runs, lines, out):
    count = 0
    for name, hs, rows in lines:
        chunks, start = [], 0
        while start < len(rows) - 1:
            end = min(start + LOCAL_CHUNK, len(rows) - 1)
            chunks.append((start, end))
            start = end
        for a, b in chunks:
            km = rows[b][0] - rows[a][0]
            if hs:
                ntype = 3 if km <= 300 else 1
            else:
                ntype = 10 if rng.random() < 0.08 else 11
            prefix, pool = POOLS[ntype]
            if not hs and km > 700:
                ntype = 8
                prefix, pool = POOLS[8]
            tid = numbers.allocate(prefix, pool, [True])
            # The return working takes the next even number when it is free.
            n = int(tid[len(prefix):])
            back = (numbers.allocate(prefix, range(n + 1, n + 2), [False]) or
                    numbers.allocate(prefix, pool, [False]))
            window = (6, 20) if hs else (5, 22)
            route = [(name, rows[a][1], rows[b][1])]
            stops = [r[1] for r in rows[a:b + 1]]
            write_train(out, tid, ntype, route, 'all',
                        clock(rng, window, departures, runs.plan(route, stops, ntype)[0]), back,
                        clock(rng, window, departures,
                              runs.plan(backwards(route), stops[::-1], ntype)[0]))
            count += 2
    return count


def corridor_departures(rng, departures, trains, timing):
    """Departure minutes for trains of one class of a corridor, given (plan, running minutes):
    spread over the day for day trains, towards a morning arrival for the overnight ones."""
    n = len(trains)
    out = []
    for i, (plan, run) in enumerate(trains):
        if timing == 'day':
            lo, hi = 6 * 60, min(21 * 60, 23 * 60 + 40 - run)
        else:
            lo = max(17 * 60, MORNING[0] + 1440 - run)
            hi = min(23 * 60 + 30, MORNING[1] + 1440 - run)
            if lo > hi:
                lo, hi = (7 * 60, 22 * 60) if run > 20 * 60 else (19 * 60, 23 * 60)
        minute = lo + (hi - lo) * (2 * i + 1) // (2 * n) + rng.randint(-4, 4)
        out.append(departures.place(plan, min(max(minute, lo), hi), corridor=True))
    return out


def corridor_stops(rng, stations, chances, grouped, cities, degree):
    """Stops of a corridor train: both ends, and no other stop in the cities of its ends, nor two
    stops running in one city."""
    city, major, ordinary = chances
    ends = {grouped.get(stations[0][0]), grouped.get(stations[-1][0])} - {None}
    stops = [stations[0][0]]
    for name, _, _ in stations[1:-1]:
        group = grouped.get(name)
        if group in ends or (group is not None and group == grouped.get(stops[-1])):
            continue
        chance = (city if name in cities else
                  major if group is not None or degree[name] > 1 else ordinary)
        if rng.random() < chance:
            stops.append(name)
    stops.append(stations[-1][0])
    while len(stops) > MAX_STOPS:
        stops = stops[:1] + stops[1:-1:2] + stops[-1:]
    return stops


def corridor_trains(rng, numbers, departures, runs, lines, grouped, cities, out):
    degree = {}
    for _, _, rows in lines:
        for _, s in rows:
            degree[s] = degree.get(s, 0) + 1
    count = 0
    for first_city, second_city, services in CORRIDORS:
        for ntype, prefix, blocks, each_way, routes, timing in services:
            names = [r for r, w in routes for _ in range(w)]
            planned = []
            for _ in range(each_way):
                route = ROUTES[rng.choice(names)]
                stations = runs.expand(route)
                chances = CORRIDOR_STOPS[ntype]
                if timing == 'sleeper':
                    chances = SLEEPER_STOPS
                elif ntype <= 3 and rng.random() < EXPRESS_SHARE:
                    chances = EXPRESS_STOPS
                stops = corridor_stops(rng, stations, chances, grouped, cities, degree)
                speed = None
                if timing == 'sleeper':
                    speed = min(runs.classes[ntype][1], round(stations[-1][1] / SLEEPER_HOURS))
                # Expresses stand longer at the two busiest cities they call at.
                dwell_at = {}
                big = sorted((s for s in stops[1:-1] if s in cities), key=lambda s: -degree[s])
                if ntype >= 4:
                    for s in sorted(big[:2], key=stops.index):
                        dwell_at[s] = rng.choice(BIG_STATION_DWELL)
                extra = ['speed %d' % speed] if speed else []
                extra += ['dwell-at %s %d' % item for item in dwell_at.items()]
                planned.append((route, stops, extra,
                                runs.plan(route, stops, ntype, speed, dwell_at),
                                runs.plan(backwards(route), stops[::-1], ntype, speed)))
            # The return workings run back with the same stops and their own departures.
            outbound = corridor_departures(rng, departures, [p[3] for p in planned], timing)
            back = corridor_departures(rng, departures, [p[4] for p in planned], timing)
            # Numbers follow the order of departure from the first city.
            for minute, (route, stops, extra, _, _), back_minute in sorted(
                    zip(outbound, planned, back), key=lambda x: x[0]):
                tid, back_id = numbers.pair(prefix, blocks)
                write_train(out, tid, ntype, route, stops, hhmm(minute), back_id,
                            hhmm(back_minute), extra)
                count += 2
    return count


def build_graph(lines, hs):
    graph = {}
    for name, line_hs, rows in lines:
        if line_hs != hs:
            continue
        for i in range(len(rows) - 1):
            (k1, a), (k2, b) = rows[i], rows[i + 1]
            graph.setdefault(a, []).append((b, k2 - k1, name, True))
            graph.setdefault(b, []).append((a, k2 - k1, name, False))
    for edges in graph.values():
        edges.sort()
    return graph


def shortest(graph, origin):
    dist, prev, heap = {origin: 0}, {}, [(0, origin)]
    while heap:
        d, node = heapq.heappop(heap)
        if d > dist[node]:
            continue
        for nxt, km, line, down in graph[node]:
            if d + km < dist.get(nxt, 1 << 30):
                dist[nxt] = d + km
                prev[nxt] = (node, line, down)
                heapq.heappush(heap, (d + km, nxt))
    return dist, prev


def route_of(prev, origin, dest):
    """Stations and segments (line, from, to) of the path, merging runs along one line."""
    path, node = [], dest
    while node != origin:
        before, line, down = prev[node]
        path.append((before, node, line, down))
        node = before
    path.reverse()
    stations = [origin] + [p[1] for p in path]
    segments = []
    for a, b, line, down in path:
        if segments and segments[-1][0] == line and segments[-1][3] == down:
            segments[-1][2] = b
        else:
            segments.append([line, a, b, down])
    return stations, segments


def long_trains(rng, numbers, departures, runs, lines, grouped, out):
    days_rng = random.Random(DAYS_SEED)
    graphs = {hs: build_graph(lines, hs) for hs in (True, False)}
    degree = {}
    for name, hs, rows in lines:
        for _, s in rows:
            degree[s] = degree.get(s, 0) + 1
    ends = {rows[0][1] for _, _, rows in lines} | {rows[-1][1] for _, _, rows in lines}
    majors = {s for s in degree if degree[s] > 1 or s in grouped or s in ends}
    # A train between the two cities of a corridor is one of the corridor's own.
    corridor_pairs = {frozenset((grouped[a], grouped[b])) for a, b, _ in CORRIDORS}
    cache = {}
    plan = [(ntype, cfg['count'] // 2, POOLS[ntype]) for ntype, cfg in LONG_CLASSES.items()]
    plan += [(ntype, n, (prefix, POOLS[ntype][1])) for prefix, ntype, n in RARE]
    count = 0
    for ntype, pairs, (prefix, pool) in plan:
        cfg = LONG_CLASSES.get(ntype, LONG_CLASSES[8])
        graph = graphs[cfg['hs']]
        origins = sorted(s for s in majors if s in graph)
        made = 0
        while made < pairs:
            origin = rng.choice(origins)
            if origin not in cache or cache[origin][2] != cfg['hs']:
                cache[origin] = shortest(graph, origin) + (cfg['hs'],)
            dist, prev, _ = cache[origin]
            lo, hi = cfg['km']
            dests = sorted(s for s in origins if lo <= dist.get(s, -1) <= hi)
            if not dests:
                continue
            dest = rng.choice(dests)
            if frozenset((grouped.get(origin), grouped.get(dest))) in corridor_pairs:
                continue
            stations, segments = route_of(prev, origin, dest)
            stops = [s for i, s in enumerate(stations)
                     if i == 0 or i == len(stations) - 1 or
                     rng.random() < (cfg['major'] if s in majors else cfg['ordinary'])]
            while len(stops) > MAX_STOPS:
                stops = stops[:1] + stops[1:-1:2] + stops[-1:]
            dirs = direction_changes([(s[0], s[3]) for s in segments])
            # Most trains keep one number or take a second when they turn; a few take three or
            # four. The Z and T pools are small: one number each.
            keep = 1 if ntype in (4, 5) or rng.random() < 0.5 else 2
            if rng.random() < 0.02:
                keep = 4
            dirs = dirs[:keep]
            tid = numbers.allocate(prefix, pool, dirs)
            back = numbers.allocate(prefix, pool, [not d for d in reversed(dirs)])
            if tid is None or back is None:
                raise SystemExit('number pool exhausted for class %d' % ntype)
            route = [(s[0], s[1], s[2]) for s in segments]
            write_train(out, tid, ntype, route, stops,
                        clock(rng, cfg['window'], departures, runs.plan(route, stops, ntype)[0]),
                        back, clock(rng, cfg['window'], departures,
                                    runs.plan(backwards(route), stops[::-1], ntype)[0]),
                        days=running_days(days_rng))
            made += 1
            count += 2
    return count


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else 'resources/timetable')
    rng = random.Random(SEED)
    stations, grouped, lines = read_network(root)
    classes = read_classes(root)
    heads = {}
    for f in fields(root / 'groups.txt'):
        heads.setdefault(f[0], f[1])
    cities = set(heads.values()) | {f[0] for f in fields(root / 'aliases.txt')}
    blocks = hand_written(root)
    numbers = Numbers(rng, reserved_numbers(blocks))
    departures = Departures()
    reserved_departures(blocks, departures)
    header = ['# Generated by tools/timetable-build/generate_trains.py (seed %d); part of the' % SEED,
              '# authored sample timetable. Edit by hand or regenerate; format in',
              '# docs/timetable-source.md.', '']
    long = list(header)
    # The corridors first: they take the low numbers of their blocks and the departure
    # minutes they want.
    runs = Runs(lines, classes)
    n_corridor = corridor_trains(rng, numbers, departures, runs, lines, grouped, cities, long)
    local = list(header)
    n_local = local_trains(rng, numbers, departures, runs, lines, local)
    n_long = long_trains(rng, numbers, departures, runs, lines, grouped, long)
    (root / 'trains' / 'gen_local.txt').write_text('\n'.join(local), encoding='utf-8')
    (root / 'trains' / 'gen_long.txt').write_text('\n'.join(long), encoding='utf-8')
    print('generated %d local, %d corridor and %d other long-distance trains' %
          (n_local, n_corridor, n_long))


if __name__ == '__main__':
    main()
