#!/usr/bin/env python3
"""Writes the generated trains of the shipped sample timetable.

    tools/timetable-build/generate_trains.py [resources/timetable]

Reads the network (stations.txt, groups.txt, lines/) and the hand-written train files, and
writes trains/gen_local.txt and trains/gen_long.txt: an all-stations local train each way over
every line (so every station is served), and long-distance trains of every class between major
stations along shortest routes. Seeded: the same network gives the same files, which are
committed as part of the source; rerun only to regenerate the sample.
"""
import heapq
import pathlib
import random
import sys

SEED = 20110815
MAX_STOPS = 60
LOCAL_CHUNK = 40

# Per class: how many long-distance trains (outbound + return), the km band of their runs, the
# chance to stop at an ordinary and at a major station, and the departure window in hours.
LONG_CLASSES = {
    1: dict(count=860, km=(120, 1400), ordinary=0.2, major=0.55, window=(6, 20), hs=True),
    2: dict(count=500, km=(300, 2300), ordinary=0.1, major=0.45, window=(6, 19), hs=True),
    3: dict(count=70, km=(40, 300), ordinary=0.5, major=0.8, window=(6, 21), hs=True),
    4: dict(count=54, km=(900, 2600), ordinary=0.0, major=0.1, window=(17, 23), hs=False),
    5: dict(count=300, km=(500, 2600), ordinary=0.06, major=0.4, window=(14, 23), hs=False),
    6: dict(count=920, km=(300, 3800), ordinary=0.12, major=0.5, window=(5, 23), hs=False),
    7: dict(count=240, km=(200, 2500), ordinary=0.2, major=0.6, window=(5, 23), hs=False),
    8: dict(count=310, km=(120, 1500), ordinary=0.35, major=0.7, window=(5, 23), hs=False),
    9: dict(count=240, km=(150, 1800), ordinary=0.3, major=0.7, window=(5, 23), hs=False),
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
    grouped = set()
    for f in fields(root / 'groups.txt'):
        grouped.update(f[1:])
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


def reserved_numbers(root):
    """Numbers used by the hand-written trains, which the generator must not reuse."""
    used = set()
    for path in sorted((root / 'trains').glob('*.txt')):
        if path.name.startswith('gen_'):
            continue
        for f in fields(path):
            if f[0] == 'train' or f[0] == 'return':
                used.update(f[1].split('/'))
    return used


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
        bases = pool[:]
        if len(bases) > 1:
            self.rng.shuffle(bases)
        for base in bases[:2000]:
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


def direction_changes(segments):
    dirs = []
    for _, down in segments:
        if not dirs or dirs[-1] != down:
            dirs.append(down)
    return dirs[:4]


def clock(rng, window):
    lo, hi = window
    minute = rng.randrange(lo * 60, hi * 60, 5) + rng.choice([0, 1, 2, 3, 4])
    return '%02d:%02d' % (minute // 60 % 24, minute % 60)


def write_train(out, tid, ntype, route, stops, depart, back_id, back_depart):
    out.append('train %s' % tid)
    out.append('class %d' % ntype)
    parts = ['%s %s %s' % seg for seg in route]
    for i in range(0, len(parts), 3):
        out.append('route ' + ' '.join(parts[i:i + 3]))
    if stops == 'all':
        out.append('stops all')
    else:
        for i in range(0, len(stops), 12):
            out.append('stops ' + ' '.join(stops[i:i + 12]))
    out.append('depart %s' % depart)
    out.append('return %s depart %s' % (back_id, back_depart))
    out.append('')


def local_trains(rng, numbers, lines, out):
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
            write_train(out, tid, ntype, [(name, rows[a][1], rows[b][1])], 'all',
                        clock(rng, window), back, clock(rng, window))
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


def long_trains(rng, numbers, lines, grouped, out):
    graphs = {hs: build_graph(lines, hs) for hs in (True, False)}
    degree = {}
    for name, hs, rows in lines:
        for _, s in rows:
            degree[s] = degree.get(s, 0) + 1
    ends = {rows[0][1] for _, _, rows in lines} | {rows[-1][1] for _, _, rows in lines}
    majors = {s for s in degree if degree[s] > 1 or s in grouped or s in ends}
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
            write_train(out, tid, ntype, route, stops, clock(rng, cfg['window']), back,
                        clock(rng, cfg['window']))
            made += 1
            count += 2
    return count


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else 'resources/timetable')
    rng = random.Random(SEED)
    stations, grouped, lines = read_network(root)
    numbers = Numbers(rng, reserved_numbers(root))
    header = ['# Generated by tools/timetable-build/generate_trains.py (seed %d); part of the' % SEED,
              '# authored sample timetable. Edit by hand or regenerate; format in',
              '# docs/timetable-source.md.', '']
    local = list(header)
    n_local = local_trains(rng, numbers, lines, local)
    long = list(header)
    n_long = long_trains(rng, numbers, lines, grouped, long)
    (root / 'trains' / 'gen_local.txt').write_text('\n'.join(local), encoding='utf-8')
    (root / 'trains' / 'gen_long.txt').write_text('\n'.join(long), encoding='utf-8')
    print('generated %d local and %d long-distance trains' % (n_local, n_long))


if __name__ == '__main__':
    main()
