#!/usr/bin/env python3
"""Fails when a part includes a part it must not reach.

The parts from the ground up; each may include only the parts listed for it
(and itself). The station library never includes the agent, and the simulator
shares nothing with the library.
"""
import pathlib
import re
import subprocess
import sys

ALLOWED = {
    "platform": [],
    "bridge": ["platform"],
    "stationlib/link": ["platform", "bridge"],
    # The archive decoder fills the public record types of the interface.
    "stationlib/data": ["platform", "stationlib/link", "stationlib/api"],
    "stationlib/api": ["platform", "stationlib/link", "stationlib/data"],
    "agent/core": ["platform"],
    "agent/catalogue": ["platform", "agent/core"],
    "agent/acquisition": ["platform", "agent/core", "agent/catalogue"],
    "agent/images": ["platform", "agent/core"],
    "agent/families": ["platform", "agent/core", "agent/catalogue", "agent/acquisition",
                       "agent/images"],
    "agent/history": ["platform", "agent/core", "agent/catalogue", "agent/acquisition",
                      "agent/images", "agent/families"],
    "agent/publication": ["platform", "agent/core"],
    "agent/app": ["platform", "agent/core", "agent/catalogue", "agent/acquisition",
                  "agent/images", "agent/families", "agent/history", "agent/publication"],
    "tools/console-sim": [],
    "tools/imagegen": ["platform", "agent/core", "agent/images"],
}
# The library's public header holds the vocabulary of its exports (codes, data identifiers,
# records): the link and the agent may include that one file of stationlib/api, nothing else.
PUBLIC_HEADER = "stationlib/api/OrbiskPro.h"
PUBLIC_HEADER_READERS = ("stationlib/link", "agent/")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def part_of(path):
    for part in sorted(ALLOWED, key=len, reverse=True):
        if path == part or path.startswith(part + "/"):
            return part
    return None


def main():
    root = pathlib.Path(__file__).resolve().parent.parent
    files = subprocess.run(["git", "ls-files", "*.cc", "*.h"], cwd=root, check=True,
                           capture_output=True, text=True).stdout.split()
    faults = []
    for name in files:
        part = part_of(name)
        if part is None:
            continue
        for included in INCLUDE.findall((root / name).read_text(encoding="utf-8")):
            target = part_of(included)
            if included == PUBLIC_HEADER and part.startswith(PUBLIC_HEADER_READERS):
                continue
            if target is not None and target != part and target not in ALLOWED[part]:
                faults.append(f"{name}: {part} includes {included}")
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
