#!/usr/bin/env python3
"""Checks every motion file in a folder and lists the ones the motion check flags."""
import pathlib
import sys

import velmora

folder = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")
arm = velmora.Arm()  # def.ini and velmora.ini, found as the program finds them
flagged = 0
for path in sorted(folder.glob("*.KMO")):
    try:
        report = velmora.check(velmora.Motion.load(str(path), arm))
    except ValueError as error:
        print(f"{path.name}: cannot read ({error})")
        flagged += 1
        continue
    state = "ok" if report["flagged"] == 0 else f"{report['flagged']} flagged"
    print(f"{path.name}: {report['poses']} poses, {report['duration_ms'] / 1000:.1f} s, {state}")
    for line in report["lines"] if report["flagged"] else []:
        print("   ", line)
    flagged += report["flagged"] != 0
sys.exit(1 if flagged else 0)
