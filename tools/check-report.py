#!/usr/bin/env python3
"""check-report.py REPORT [KEY=VALUE ...]

Checks a run report of KIV.exe -report against docs/report.schema.json and
then the expectations given: outcomes=a,b,... (the printers' outcomes in
order), errors=a,b,... (their error codes, "-" for none), and any top-level
key (exitCode=4, mode=2, checkOnly=false). Prints what differs; exit 1 then.
"""
import json
import os
import sys

import jsonschema


def main(argv):
    if len(argv) < 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    schema_path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "docs",
                               "report.schema.json")
    with open(schema_path, encoding="utf-8") as f:
        schema = json.load(f)
    try:
        with open(argv[1], encoding="utf-8") as f:
            report = json.load(f)
    except (OSError, ValueError) as e:
        print(f"check-report: {argv[1]}: {e}")
        return 1
    problems = [f"schema: {'/'.join(map(str, e.absolute_path))}: {e.message}"
                for e in jsonschema.Draft7Validator(schema).iter_errors(report)]
    if not problems and report["start"] > report["end"]:
        problems.append(f"start {report['start']} is after end {report['end']}")
    printers = report.get("printers", []) if isinstance(report, dict) else []
    for item in argv[2:]:
        key, _, want = item.partition("=")
        if key == "outcomes":
            got = ",".join(p.get("outcome", "?") for p in printers)
        elif key == "errors":
            got = ",".join(p.get("errorCode") or "-" for p in printers)
        else:
            got = json.dumps(report.get(key)).strip('"')
        if got != want:
            problems.append(f"{key}: {got}, expected {want}")
    for p in problems:
        print(f"check-report: {argv[1]}: {p}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
