"""The fleet's CSV and summary from made-up setup results: how hosts are
sorted into the summary's sections and grouped by the report's reasons, and
what their CSV lines hold. Run: python3 -m unittest discover deploy/ansible/tests"""

import csv
import io
import pathlib
import sys
import unittest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "filter_plugins"))
import adreca_fleet  # noqa: E402

WAYS = ["WinMgmt", "IpConfig", "NetWksta", "NetBios", "AdaptInfo"]
ALL_BUT_LOOPBACK = "every adapter but loopback"
WITH_IP = "only adapters with an IP address (WinMgmt) or with IPv4 (NetWksta, NetBios)"


def row(way, address, adapter="eth0", error=None):
    if error:
        return {"way": way, "address": "", "status": "", "error": {"number": error[0], "description": error[1]},
                "adapter": None}
    status = "n/a" if way in ("WinMgmt", "IpConfig") else "0"
    return {"way": way, "address": address, "status": status, "error": None,
            "adapter": {"name": adapter} if adapter else None}


def rows(*addresses):
    return [row(way, address) for way, address in zip(WAYS, addresses)]


def linux(fact):
    return {"adreca_gathered": {"ansible_facts": {"ansible_local": {"adreca": fact}}}}


def fact(report_rows, agreement=None, exit_status=0):
    value = {"exit_status": exit_status, "error": None, "rows": report_rows, "agreement": agreement}
    if agreement is None:
        del value["agreement"]
    return value


def group(address, ways, reason):
    return {"address": address, "adapter": "eth0", "ways": ways, "reason": reason}


SPLIT = [group("02-00-00-00-00-01", ["WinMgmt", "NetWksta", "NetBios"], WITH_IP),
         group("02-00-00-00-00-02", ["IpConfig", "AdaptInfo"], ALL_BUT_LOOPBACK)]
A, B = "02-00-00-00-00-01", "02-00-00-00-00-02"

HOSTS = {
    "pc-2": linux(fact(rows(A, B, A, A, B), SPLIT)),
    "pc-10": linux(fact(rows(A, B, A, A, B), SPLIT)),
    "pc-3": linux(fact(rows(A, A, A, A, A), [group(A, WAYS, "every way")])),
    "pc-4": linux(fact(rows(A, B, A, A, A), [group(A, ["WinMgmt"], "first"), group(B, ["IpConfig"], "second"),
                                             group(A, ["NetWksta", "NetBios", "AdaptInfo"], "first")])),
    # Without agreement: grouped by what the boxes show, an error on its own.
    "pc-5": linux(fact([row("WinMgmt", "", error=(94, "Invalid use of Null"))] + rows(A, A, A, A, A)[1:],
                       exit_status=1)),
    "pc-6": linux(fact(rows(A, A, A, A, A))),
    "pc-7": linux(fact(rows(A, "-----", A, A, A), exit_status=1)),
    "pc-8": linux({"exit_status": 3, "error": "adreca-report (exit status 3) printed no JSON report", "rows": [],
                   "agreement": None}),
    "pc-9": {"adreca_gathered": {"ansible_facts": {"ansible_local": {}}}},
    "pc-11": {"adreca_gathered": {"unreachable": True, "msg": "ssh: connect to host: Connection refused"}},
    "pc-12": {"adreca_gathered": {"failed": True, "msg": "python not found"}},
    "win-1": {"adreca_gathered": {"ansible_facts": {"ansible_adreca": fact(rows(A, A, A, A, A))}}},
    "pc-13": linux("error loading fact - output of running /etc/ansible/facts.d/adreca.fact was not utf-8"),
    "pc-14": linux(fact([dict(row(way, A, adapter="=cmd|x"), address=A) for way in WAYS])),
}


def sections(summary):
    found, title = {}, None
    for line in summary.splitlines()[1:]:
        if not line.startswith(" "):
            title = line.partition(" (")[0]
            named = line.partition("): ")[2]
            found[title] = [named] if named and named != "-" else []
        else:
            found[title].append(line.strip())
    return found


class FleetSummaryTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.result = adreca_fleet.adreca_fleet(list(HOSTS), HOSTS)
        cls.sections = sections(cls.result["summary"])
        cls.lines = list(csv.reader(io.StringIO(cls.result["csv"], newline="")))

    def test_sections_name_each_host_where_it_belongs(self):
        cases = [
            ("ways agree", ["pc-3, pc-6, pc-14, win-1"]),
            ("ways disagree", [f"[{ALL_BUT_LOOPBACK}] [{WITH_IP}] (2 hosts): pc-2, pc-10",
                               "[first] [second] (1 host): pc-4",
                               "[no reasons given] (2 hosts): pc-5, pc-7"]),
            ("report exited 1", ["pc-5: WinMgmt error 94: Invalid use of Null", "pc-7: IpConfig found no address"]),
            ("without the package", ["pc-9"]),
            ("report failed", ["pc-8: adreca-report (exit status 3) printed no JSON report",
                               "pc-13: the adreca fact is no report: error loading fact - output of running "
                               "/etc/ansible/facts.d/adreca.fact was not utf-8"]),
            ("not read", ["pc-11: unreachable: ssh: connect to host: Connection refused",
                          "pc-12: fact gathering failed: python not found"]),
        ]
        for title, expected in cases:
            with self.subTest(title):
                self.assertEqual(self.sections.get(title), expected)

    def test_first_line_counts_every_host(self):
        self.assertTrue(self.result["summary"].startswith(
            "adreca-report on 14 hosts: 9 reported, 4 where the ways agree, 5 where they disagree, "
            "2 whose report exited 1, 1 without the package, 2 whose report failed, 2 not read\n"), self.result["summary"])

    def test_csv_has_every_host_in_natural_order(self):
        self.assertEqual(self.lines[0], ["host", "way", "address", "status", "error", "adapter"])
        hosts = list(dict.fromkeys(line[0] for line in self.lines[1:]))
        self.assertEqual(hosts, ["pc-2", "pc-3", "pc-4", "pc-5", "pc-6", "pc-7", "pc-8", "pc-9", "pc-10", "pc-11",
                                 "pc-12", "pc-13", "pc-14", "win-1"])
        self.assertTrue(self.result["csv"].endswith("\r\n"))

    def test_csv_lines(self):
        by_host = {}
        for line in self.lines[1:]:
            by_host.setdefault(line[0], []).append(line[1:])
        cases = [
            ("pc-2", 1, ["IpConfig", B, "n/a", "", "eth0"]),
            ("pc-5", 0, ["WinMgmt", "", "", "error 94: Invalid use of Null", ""]),
            ("pc-7", 1, ["IpConfig", "-----", "n/a", "", "eth0"]),
            ("pc-9", 0, ["", "", "", "no adreca fact: adreca-report is not installed", ""]),
            ("pc-11", 0, ["", "", "", "unreachable: ssh: connect to host: Connection refused", ""]),
            ("win-1", 4, ["AdaptInfo", A, "0", "", "eth0"]),
            # A spreadsheet would read this adapter name as a formula.
            ("pc-14", 0, ["WinMgmt", A, "n/a", "", "'=cmd|x"]),
        ]
        for host, index, expected in cases:
            with self.subTest(host):
                self.assertEqual(by_host[host][index], expected)
        self.assertEqual([len(by_host[h]) for h in ("pc-2", "pc-5", "pc-9", "pc-11")], [5, 5, 1, 1])


if __name__ == "__main__":
    unittest.main()
