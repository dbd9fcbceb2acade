#!/usr/bin/env python3
"""Sums what each input file puts into the exe, from a GNU ld link map (-Wl,-Map,FILE): the
sizes of its sections that were kept, biggest first. Section sizes before the file alignment of
the PE sections, so they add up to a little less than the exe.

    link_map_sizes.py MAP [COUNT]
"""

import collections
import re
import sys

# " .text          0x00401000       0x1a4 libfoo.a(bar.o)", the name alone on the line before
# when it is too long to share one.
INPUT_SECTION = re.compile(r"^ (\.\S+)?\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$")
NAME_ALONE = re.compile(r"^ (\.\S+)\s*$")


def sizes(lines):
    start = next(i for i, line in enumerate(lines) if line.startswith("Linker script and memory map"))
    totals = collections.Counter()
    section = None
    for line in lines[start:]:
        alone = NAME_ALONE.match(line)
        if alone:
            section = alone.group(1)
            continue
        match = INPUT_SECTION.match(line)
        name = match and (match.group(1) or section)
        section = None
        if not name or name.startswith((".debug", ".stab")) or int(match.group(2), 16) == 0:
            continue  # discarded (address 0) or not loaded
        source = match.group(4)
        archive, _, member = source.partition("(")
        totals[archive.rsplit("/", 1)[-1] + (f"({member}" if member else "")] += int(match.group(3), 16)
    return totals


def main():
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 15
    with open(sys.argv[1]) as map_file:
        totals = sizes(map_file.read().splitlines())
    for source, size in totals.most_common(count):
        print(f"{size:8d}  {source}")
    print(f"{sum(totals.values()):8d}  in all")


if __name__ == "__main__":
    main()
