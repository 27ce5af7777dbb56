"""The fleet's table and summary from the adreca fact of every host.

`hosts | adreca_fleet(hostvars)` reads, for each host, the result of the
setup task registered as `adreca_gathered` and returns

  {"csv": text, "summary": text}

Hosts come in the natural order of their names. Every host is in each of
them, whatever became of it: a host that could not
be read (unreachable, or its fact gathering failed), a host without the fact
(the package is not installed) and a host whose fact says why the report gave
nothing have one CSV line each, with the reason in the error column."""

import csv
import io
import re

CSV_FIELDS = ["host", "way", "address", "status", "error", "adapter"]
NO_REASON = "no reasons given"


def _plain(value):
    """Ansible's lazy variables as plain dicts and lists."""
    if isinstance(value, dict) or hasattr(value, "items"):
        return {key: _plain(item) for key, item in value.items()}
    if isinstance(value, (list, tuple)):
        return [_plain(item) for item in value]
    return value


def _fact_of(gathered):
    """The adreca fact in a setup result: Linux's ansible_local.adreca, or
    Windows' ansible_adreca; None when the host has none."""
    facts = gathered.get("ansible_facts") or {}
    local = facts.get("ansible_local") or facts.get("local") or {}
    if "adreca" in local:
        return local["adreca"]
    return facts.get("ansible_adreca", facts.get("adreca"))


def _error_text(row):
    error = row.get("error")
    if not error:
        return ""
    return f"error {error.get('number')}: {error.get('description', '')}"


def _shown(row):
    """What the row's address box shows, an error standing for itself."""
    return _error_text(row) if row.get("error") else row.get("address", "")


def _neutral(text):
    """A spreadsheet reads a cell that begins with one of these as a formula."""
    return "'" + text if text[:1] in ("=", "+", "-", "@", "\t", "\r") else text


def _groups(rows, agreement):
    """The report's agreement groups, or, where it gives none, groups of the
    ways that show the same text, each without a reason."""
    if isinstance(agreement, list):
        return [(group.get("ways") or [], group.get("reason") or NO_REASON) for group in agreement]
    groups = {}
    for row in rows:
        groups.setdefault(_shown(row), []).append(row.get("way"))
    return [(ways, NO_REASON) for ways in groups.values()]


def _classify(host, gathered):
    """One host's state, rows and reasons."""
    entry = {"host": host, "state": None, "rows": [], "detail": "", "reasons": [], "groups": []}
    if not gathered:
        entry.update(state="unreadable", detail="no fact gathering result")
    elif gathered.get("unreachable"):
        entry.update(state="unreadable", detail="unreachable: " + str(gathered.get("msg", "")).strip())
    elif gathered.get("failed"):
        entry.update(state="unreadable", detail="fact gathering failed: " + str(gathered.get("msg", "")).strip())
    else:
        fact = _fact_of(gathered)
        if fact is None:
            entry.update(state="no_fact", detail="no adreca fact: adreca-report is not installed")
        elif not isinstance(fact, dict):
            entry.update(state="report_failed", detail=f"the adreca fact is no report: {fact}")
        elif fact.get("error") or not fact.get("rows"):
            entry.update(state="report_failed", detail=fact.get("error") or "the report gave no rows",
                         exit_status=fact.get("exit_status"))
        else:
            rows = list(fact["rows"])
            groups = _groups(rows, fact.get("agreement"))
            entry.update(state="read", rows=rows, exit_status=fact.get("exit_status"), groups=groups,
                         reasons=sorted({reason for _, reason in groups}), disagree=len(groups) > 1)
    return entry


def _csv(entries):
    out = io.StringIO()
    writer = csv.writer(out, lineterminator="\r\n")
    writer.writerow(CSV_FIELDS)
    for entry in entries:
        if not entry["rows"]:
            writer.writerow([entry["host"], "", "", "", _neutral(entry["detail"]), ""])
        for row in entry["rows"]:
            adapter = row.get("adapter") or {}
            writer.writerow([entry["host"], row.get("way", ""), row.get("address", ""), row.get("status", ""),
                             _neutral(_error_text(row)), _neutral(adapter.get("name") or "")])
    return out.getvalue()


def _counted(hosts):
    return f"{len(hosts)} host{'' if len(hosts) == 1 else 's'}"


def _summary(entries):
    read = [e for e in entries if e["state"] == "read"]
    agree = [e["host"] for e in read if not e["disagree"]]
    disagree = [e for e in read if e["disagree"]]
    exit_one = [e for e in read if e.get("exit_status") == 1]
    no_fact = [e["host"] for e in entries if e["state"] == "no_fact"]
    failed = [e for e in entries if e["state"] == "report_failed"]
    unreadable = [e for e in entries if e["state"] == "unreadable"]
    by_reasons = {}
    for entry in disagree:
        by_reasons.setdefault(tuple(entry["reasons"]), []).append(entry["host"])

    lines = [f"adreca-report on {_counted(entries)}: {len(read)} reported, {len(agree)} where the ways agree, "
             f"{len(disagree)} where they disagree, {len(exit_one)} whose report exited 1, "
             f"{len(no_fact)} without the package, {len(failed)} whose report failed, "
             f"{len(unreadable)} not read"]
    lines.append(f"ways agree ({_counted(agree)}): {', '.join(agree) or '-'}")
    lines.append(f"ways disagree ({_counted(disagree)}):")
    for reasons, hosts in by_reasons.items():
        lines.append(f"  {' '.join(f'[{reason}]' for reason in reasons)} ({_counted(hosts)}): {', '.join(hosts)}")
    lines.append(f"report exited 1 ({_counted(exit_one)}):")
    for entry in exit_one:
        problems = [f"{row.get('way')} {_error_text(row) or 'found no address'}" for row in entry["rows"]
                    if row.get("error") or row.get("address") == "-----"]
        lines.append(f"  {entry['host']}: {'; '.join(problems)}")
    lines.append(f"without the package ({_counted(no_fact)}): {', '.join(no_fact) or '-'}")
    lines.append(f"report failed ({_counted(failed)}):")
    lines.extend(f"  {entry['host']}: {entry['detail']}" for entry in failed)
    lines.append(f"not read ({_counted(unreadable)}):")
    lines.extend(f"  {entry['host']}: {entry['detail']}" for entry in unreadable)
    return "\n".join(lines) + "\n"


def _host_order(host):
    """Host names in natural order: ws-2 before ws-10."""
    return [int(part) if part.isdigit() else part for part in re.split(r"(\d+)", host)]


def adreca_fleet(hosts, hostvars):
    entries = [_classify(host, _plain(hostvars[host].get("adreca_gathered") or {}))
               for host in sorted(hosts, key=_host_order)]
    return {"csv": _csv(entries), "summary": _summary(entries)}


class FilterModule:
    def filters(self):
        return {"adreca_fleet": adreca_fleet}
