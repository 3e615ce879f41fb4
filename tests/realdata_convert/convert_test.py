#!/usr/bin/env python3
"""Tests of tools/realdata-convert/convert.py on small invented snapshots in the layout of the
real one: the converted source must pass lanzhou-timetable-build, keep the times, and follow the
format's rules for groups, initials and station order.

    LANZHOU_TIMETABLE_BUILD=<builder> python3 convert_test.py
"""

import csv
import io
import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools", "realdata-convert"))
import convert  # noqa: E402

STOP_COLUMNS = ["train_no", "train_code", "train_code_full", "date_spec", "flag", "seq",
                "station_code", "station_name", "arr_time", "dep_time", "arr_day", "dep_day",
                "elapsed_min", "elapsed_hm", "run_min_from_prev", "dwell_min"]
TRAIN_COLUMNS = ["train_no", "train_code", "train_code_full", "date_spec", "flag", "n_stops",
                 "from_station", "to_station", "dep_time", "arr_time", "arr_day", "total_min"]
DAY = "20240705"


def minutes(clock):
    return int(clock[:2]) * 60 + int(clock[3:])


class Snapshot:
    """An invented snapshot folder: trains as (code, [(station, arr, dep)]), elapsed minutes
    computed from the clocks unless given as a fourth item."""

    def __init__(self, root):
        self.root = root
        self.trains = []
        self.groups = []
        self.station_rows = []

    def train(self, code, stops):
        self.trains.append((code, stops))

    def write(self):
        stop_rows, train_rows = [], []
        for n, (code, stops) in enumerate(self.trains):
            train_no = f"{n:06d}{code[:6]:0<6}"
            start = minutes(stops[0][2])
            day = 0
            last = start
            for seq, stop in enumerate(stops, 1):
                station, arr, dep = stop[:3]
                elapsed = None
                for clock in (arr, dep):
                    if clock:
                        value = minutes(clock) + day * 1440
                        if value < last:
                            day += 1
                            value += 1440
                        last = value
                        if elapsed is None:
                            elapsed = value - start
                if len(stop) > 3:
                    elapsed = stop[3]
                stop_rows.append([train_no, code.split("/")[0], code, "", "", seq, "", station,
                                  arr, dep, "", "", elapsed if seq > 1 else "", "", "", ""])
            train_rows.append([train_no, code.split("/")[0], code, "", "", len(stops),
                               stops[0][0], stops[-1][0], stops[0][2], stops[-1][1], "", ""])
        self._csv(f"cr2024/derived/stops_{DAY}.csv", STOP_COLUMNS, stop_rows, bom=True)
        self._csv(f"cr2024/derived/trains_{DAY}.csv", TRAIN_COLUMNS, train_rows, bom=True)
        self._csv("citygroups/samecity.csv", None, self.groups)
        self._csv("stations/station_20240820.csv", None, self.station_rows, bom=True)

    def _csv(self, relative, header, rows, bom=False):
        path = os.path.join(self.root, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        out = io.StringIO()
        writer = csv.writer(out, lineterminator="\n")
        if header:
            writer.writerow(header)
        writer.writerows(rows)
        with open(path, "w", encoding="utf-8-sig" if bom else "utf-8", newline="") as f:
            f.write(out.getvalue())


def listed(name, initials, code="XXX"):
    """A station list row: key, name, code, pinyin, initials, index, city code, city, time,
    base64 name."""
    return [initials.lower(), name, code, "", initials.lower(), "0", "0000", name, "", ""]


def read_table(path):
    """Data rows of a built table text (GBK, CR LF), as lists of field texts."""
    with open(path, encoding="gbk", newline="") as f:
        lines = f.read().split("\r\n")
    start = next(i for i, line in enumerate(lines) if line == '"@@TABLEDEF END@@"') + 2
    return [next(csv.reader([line]))[:-1] for line in lines[start:] if line]


class ConvertTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.snapshot = Snapshot(os.path.join(self.tmp.name, "realdata"))
        self.out = os.path.join(self.tmp.name, "source")
        self.tables = os.path.join(self.tmp.name, "tables")

    def tearDown(self):
        self.tmp.cleanup()

    def convert(self):
        self.snapshot.write()
        return convert.convert(self.snapshot.root, self.out, DAY, "station_20240820.csv")

    def build(self):
        builder = os.environ["LANZHOU_TIMETABLE_BUILD"]
        result = subprocess.run([builder, self.out, self.tables], capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stderr)

    def source_lines(self, relative):
        with open(os.path.join(self.out, relative), encoding="utf-8") as f:
            return [line for line in f.read().split("\n") if line and not line.startswith("#")]


class TrainsTest(ConvertTest):
    def test_stop_rows_keep_real_times_across_midnight(self):
        s = self.snapshot
        s.station_rows = [listed("北京", "BJ"), listed("天津", "TJ"), listed("济南", "JN"),
                          listed("上海", "SH")]
        s.train("K1234/1", [("北京", "", "22:10"), ("天津", "23:40", "23:50"),
                            ("济南", "02:05", "02:05"), ("上海", "09:30", "")])
        s.train("G1", [("北京", "", "07:00"), ("上海", "11:29", "")])
        s.train("4170/67", [("天津", "", "08:00"), ("济南", "10:00", "")])
        self.assertEqual(self.convert(), (3, 8, 4, 0))
        self.build()

        rows = read_table(os.path.join(self.tables, "strain.txt"))
        by_train = {}
        for row in rows:
            by_train.setdefault(row[0], []).append(row)
        self.assertEqual(sorted(by_train), ["4170/4167", "G1", "K1234/K1231"])
        k = by_train["K1234/K1231"]
        # ID, station, stop no, arrival, departure, elapsed, km, fares
        self.assertEqual([r[1:6] for r in k], [
            ["北京", "1", "", "22:10", "0"],
            ["天津", "2", "23:40", "23:50", "1:30"],
            ["济南", "3", "02:05", "02:05", "3:55"],
            ["上海", "4", "09:30", "", "11:20"],
        ])
        self.assertTrue(all(r[6] == "0" for r in k))
        self.assertEqual(k[0][7:], ["", "", "", ""])
        self.assertTrue(all(r[7:] == ["-", "-", "-", "-"] for r in k[1:]))

        trains = {row[0]: row for row in read_table(os.path.join(self.tables, "slist.txt"))}
        self.assertEqual(trains["G1"][1], "2")            # G trains are 高速动车
        self.assertEqual(trains["K1234/K1231"][1], "6")
        self.assertEqual(trains["4170/4167"][1], "8")

    def test_snapshot_elapsed_that_the_clocks_do_not_give_is_an_error(self):
        s = self.snapshot
        s.station_rows = [listed("北京", "BJ"), listed("上海", "SH")]
        # 26 hours on the way: the clocks alone show 2 hours, so the rows cannot carry it.
        s.train("Z99", [("北京", "", "08:00"), ("上海", "10:00", "", 26 * 60)])
        with self.assertRaisesRegex(convert.ConvertError, "Z99.*120 min.*1560 min"):
            self.convert()

    def test_stop_rows_and_train_rows_must_agree(self):
        s = self.snapshot
        s.station_rows = [listed("北京", "BJ"), listed("上海", "SH")]
        s.train("G1", [("北京", "", "07:00"), ("上海", "11:29", "")])
        s.write()
        path = os.path.join(s.root, "cr2024/derived", f"trains_{DAY}.csv")
        with open(path, encoding="utf-8-sig") as f:
            text = f.read()
        with open(path, "w", encoding="utf-8") as f:
            f.write(text.replace(",2,北京,", ",3,北京,"))
        with self.assertRaisesRegex(convert.ConvertError, "2 stop rows, train row says 3"):
            convert.convert(s.root, self.out, DAY, "station_20240820.csv")

    def test_train_numbers_written_in_full(self):
        self.assertEqual(convert.full_train_id("K1234/1"), "K1234/K1231")
        self.assertEqual(convert.full_train_id("4170/67"), "4170/4167")
        self.assertEqual(convert.full_train_id("T5/T6"), "T5/T6")
        self.assertEqual(convert.full_train_id("G1"), "G1")
        with self.assertRaises(convert.ConvertError):
            convert.full_train_id("K12/345")

    def test_reused_output_folder_loses_old_train_files(self):
        s = self.snapshot
        s.station_rows = [listed("北京", "BJ"), listed("上海", "SH")]
        s.train("T1", [("北京", "", "07:00"), ("上海", "19:00", "")])
        self.convert()
        self.snapshot.trains = [("G1", [("北京", "", "07:00"), ("上海", "11:29", "")])]
        self.convert()
        self.assertEqual(sorted(os.listdir(os.path.join(self.out, "trains"))), ["g.txt"])
        self.build()


class StationsTest(ConvertTest):
    def test_initials_from_list_then_by_character(self):
        s = self.snapshot
        s.station_rows = [
            listed("北京", "BJ"),
            listed("长沙", "CS"),
            listed("温州北", "YJ"),     # initials that do not fit the name: not used
            listed("温州", "WZ"),
            listed("重庆", "CQ"),
            listed("重庆北", "CQB"),
            listed("重阳", "ZY"),       # 重 is read C more often in the list
        ]
        # 温州北 from its characters; 沙重 unknown to the list, 沙 and 重 from its names;
        # 鼓楼 from the GB2312 order of its characters; 犍为 from the table of rare ones.
        names = ["北京", "长沙", "温州北", "温州", "重庆", "重庆北", "重阳", "沙重", "鼓楼", "犍为"]
        s.train("K1", [(n, "" if i == 0 else f"{10 + i:02d}:00", f"{10 + i:02d}:01"
                        if i < len(names) - 1 else "") for i, n in enumerate(names)])
        self.convert()
        self.build()
        initials = dict(line.split() for line in self.source_lines("stations.txt"))
        self.assertEqual(initials, {
            "北京": "BJ", "长沙": "CS", "温州北": "WZB", "温州": "WZ", "重庆": "CQ",
            "重庆北": "CQB", "重阳": "ZY", "沙重": "SC", "鼓楼": "GL", "犍为": "QW"})

    def test_unknown_character_stops_the_conversion(self):
        s = self.snapshot
        s.station_rows = [listed("北京", "BJ")]
        s.train("K1", [("北京", "", "10:00"), ("䶮山", "11:00", "")])
        with self.assertRaisesRegex(convert.ConvertError, "no initial known for 䶮"):
            self.convert()

    def test_order_by_first_initial_then_station_list(self):
        s = self.snapshot
        s.station_rows = [listed("北京", "BJ"), listed("上海", "SH"), listed("北京南", "BJN"),
                          listed("安阳", "AY"), listed("保定", "BD")]
        s.train("G1", [("保定", "", "06:00"), ("北京南", "07:00", "07:05"),
                       ("白城", "08:00", "08:05"), ("上海", "12:00", "12:05"),
                       ("安阳", "16:00", "16:05"), ("北京", "20:00", "")])
        self.convert()
        self.build()
        order = [line.split()[0] for line in self.source_lines("stations.txt")]
        self.assertEqual(order, ["安阳", "北京", "北京南", "保定", "白城", "上海"])
        self.assertEqual([r[0] for r in read_table(os.path.join(self.tables, "spy.txt"))], order)
        line = self.source_lines("lines/network.txt")
        self.assertEqual(line[2:], [f"{km} {name}" for km, name in enumerate(order)])


class GroupsTest(ConvertTest):
    def test_groups_fit_the_numbers_the_format_allows(self):
        s = self.snapshot
        chars = "安北长大东丰广海江金兰龙南平青山太天西新阳云章中"
        names = [a + b for a in chars for b in chars if a != b][:300]
        s.station_rows = []
        # 150 groups of two stations; each has one train through both, the last nine three.
        for g in range(150):
            pair = names[2 * g:2 * g + 2]
            s.groups.append([pair[0], " " + pair[1]])  # padding spaces are dropped
            for k in range(3 if g >= 141 else 1):
                s.train(f"K{g * 10 + k}", [(pair[0], "", "08:00"), (pair[1], "09:00", "")])
        # Stations in no timetable train, and a second group for a taken station.
        s.groups.append(["王府", "白云"])
        s.groups.append([names[0], names[4]])
        # Initials from the GB2312 order, as no list row names them.
        trains, stops, stations, groups = self.convert()
        self.build()
        self.assertEqual((trains, stations, groups), (150 + 9 * 2, 300, 141))

        lines = self.source_lines("groups.txt")
        numbers = [int(line.split(":")[0]) for line in lines]
        self.assertEqual(numbers, [n for n in range(1, 160)
                                   if not (51 <= n <= 59 or 101 <= n <= 109)])
        kept = [line.split()[1:] for line in lines]
        # The nine heavier groups and the first 132 of the others, in file order.
        expected = [names[2 * g:2 * g + 2] for g in list(range(132)) + list(range(141, 150))]
        self.assertEqual(kept, expected)

        sm = read_table(os.path.join(self.tables, "sm.txt"))
        self.assertEqual(sm[:2], [[names[0], "1"], [names[1], "1"]])
        self.assertEqual(sm[-1], [names[299], "159"])

    def test_station_stays_in_its_first_group(self):
        s = self.snapshot
        s.station_rows = [listed("北京", "BJ"), listed("北京南", "BJN"), listed("清河", "QH"),
                          listed("上海", "SH")]
        s.groups = [["北京", "北京南", "清河"], ["清河", "上海"], ["北京南", "上海"]]
        s.train("G1", [("北京南", "", "07:00"), ("清河", "07:30", "07:32"),
                       ("北京", "08:00", "08:02"), ("上海", "12:00", "")])
        self.convert()
        self.build()
        self.assertEqual(self.source_lines("groups.txt"), ["1: 北京 北京南 清河"])


if __name__ == "__main__":
    unittest.main()
