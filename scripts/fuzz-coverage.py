#!/usr/bin/env python3
"""Line and branch coverage of a fuzz target's reader, from llvm-cov export.

    fuzz-coverage.py EXPORT.json ROOT SOURCES...

Each SOURCE is a path relative to ROOT, or "PATH=REGEX": then only the
functions of that file whose names match REGEX are counted (a file that
holds several readers, of which the target tests one). Whole files take
llvm-cov's own summary; chosen functions are counted the way llvm-cov counts
lines (from the file's segments, over the lines the functions span) and
branches (two outcomes each, instantiations of one template counted once).
Prints "LINES% BRANCHES%".
"""
import json
import os
import re
import sys


def line_stats(segments, spans):
    """Mapped and executed lines within spans, as llvm-cov's line iterator sees them."""
    by_line = {}
    for s in segments:
        by_line.setdefault(s[0], []).append(s)
    if not segments:
        return 0, 0
    mapped = covered = 0
    wrapped = None
    last = max(end for _, end in spans) if spans else 0
    index = 0
    ordered = sorted(segments, key=lambda s: (s[0], s[1]))
    for line in range(1, last + 1):
        starting = by_line.get(line, [])
        inside = any(a <= line <= b for a, b in spans)
        if inside:
            entries = [s for s in starting if s[3] and s[4] and not s[5]]
            skipped = bool(starting) and not starting[0][3] and starting[0][4]
            is_mapped = not skipped and ((wrapped is not None and wrapped[3]) or entries)
            if is_mapped:
                count = wrapped[2] if wrapped is not None else 0
                for s in entries:
                    count = max(count, s[2])
                mapped += 1
                covered += count > 0
        while index < len(ordered) and ordered[index][0] <= line:
            wrapped = ordered[index]
            index += 1
    return mapped, covered


def main():
    export, root, sources = sys.argv[1], sys.argv[2], sys.argv[3:]
    data = json.load(open(export))["data"][0]
    files = {os.path.realpath(f["filename"]): f for f in data["files"]}
    lines = lines_hit = branches = branches_hit = 0
    for source in sources:
        path, _, pattern = source.partition("=")
        full = os.path.realpath(os.path.join(root, path))
        record = files.get(full)
        if record is None:
            # Not linked into the target: nothing of it to count.
            continue
        if not pattern:
            summary = record["summary"]
            lines += summary["lines"]["count"]
            lines_hit += summary["lines"]["covered"]
            branches += summary["branches"]["count"]
            branches_hit += summary["branches"]["covered"]
            continue
        chosen = re.compile(pattern)
        spans = []
        outcomes = {}
        for function in data["functions"]:
            names = [os.path.realpath(n) for n in function["filenames"]]
            if names[0] != full or not chosen.search(function["name"]):
                continue
            own = [r for r in function["regions"] if names[r[5]] == full]
            if own:
                spans.append((min(r[0] for r in own), max(r[2] for r in own)))
            for b in function["branches"]:
                if names[b[6]] != full:
                    continue
                key = tuple(b[:4])
                seen = outcomes.get(key, (0, 0))
                outcomes[key] = (max(seen[0], b[4]), max(seen[1], b[5]))
        mapped, hit = line_stats(record["segments"], spans)
        lines += mapped
        lines_hit += hit
        branches += 2 * len(outcomes)
        branches_hit += sum((t > 0) + (f > 0) for t, f in outcomes.values())
    print("%.2f%% %.2f%%" % (100.0 * lines_hit / lines if lines else 0,
                             100.0 * branches_hit / branches if branches else 0))


if __name__ == "__main__":
    main()
