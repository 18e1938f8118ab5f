#!/usr/bin/env python3
"""How the time of a run grows with the number of rules: programs of N
rules for N = 10^4, 10^5 and 10^6 (by default) of three shapes, each run once
per binary under /usr/bin/time -v, with a table of wall time, CPU time and
peak memory, and per binary the growth from one size to the next.

- heads:    r0(X)<-e(X), r1(X)<-e(X), ...: N relations of one rule each.
- chain:    c{N-1}(X)<-c{N-2}(X), ..., c1(X)<-c0(X), c0(X)<-e(X): a chain
            written last to first, so that no rule can go before the next line.
- cycles:   r{i}(X)<-e(X) and r{i}(X)<-r{i}(X),e(X): N/2 heads, each its own
            recursive group.

e(x) holds three tuples. Every output is checked: each derived relation holds
those three tuples. Python 3 standard library only; see bench/README.md.
"""

import argparse
import os
import sys

sys.dont_write_bytecode = True  # keep bench/ free of __pycache__
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import run  # noqa: E402  (measure, levezet_blocks, inside, REPO_ROOT)

BASE = "\ne(x)\n1\n2\n3\n"
SHAPES = ("heads", "chain", "cycles")


def program(shape, rules):
    """The input file's text and the names of the relations it derives."""
    if shape == "heads":
        names = [f"r{i}" for i in range(rules)]
        lines = [f"{name}(X)<-e(X)" for name in names]
    elif shape == "chain":
        names = [f"c{i}" for i in range(rules)]
        lines = [f"c{i}(X)<-c{i - 1}(X)" for i in range(rules - 1, 0, -1)] + ["c0(X)<-e(X)"]
    else:
        names = [f"r{i}" for i in range(rules // 2)]
        lines = [line for name in names
                 for line in (f"{name}(X)<-e(X)", f"{name}(X)<-{name}(X),e(X)")]
    return "\n".join(lines) + "\n" + BASE, names


def check(path, names):
    try:
        blocks = run.levezet_blocks(path)
    except OSError:
        return "no output"
    wrong = [name for name in names if blocks.get(name) != b"1\n2\n3\n"]
    return f"MISMATCH: {len(wrong)} relations, e.g. {wrong[0]}" if wrong else "ok"


def growth(times, sizes):
    """Time per rule at each size over that at the first: 1 when linear."""
    first = times[0]
    return ["-" if t is None or first is None or first == 0 else
            f"{(t / s) / (first / sizes[0]):.2f}" for t, s in zip(times, sizes)]


def main():
    ap = argparse.ArgumentParser(description="Growth of levezet's time with the number of rules.")
    ap.add_argument("--levezet", default=os.path.join(run.REPO_ROOT, "build", "levezet"))
    ap.add_argument("--baseline", help="a second levezet binary, run on the same inputs")
    ap.add_argument("--sizes", default="10000,100000,1000000",
                    help="numbers of rules, comma-separated (default 10000,100000,1000000)")
    ap.add_argument("--only", default=",".join(SHAPES), help="shapes to run (default all)")
    ap.add_argument("--timeout", type=float, default=120,
                    help="seconds before a run is killed and reported as timeout (default 120)")
    ap.add_argument("--workdir", default="/tmp/levezet-bench/scaling",
                    help="folder for inputs and outputs; not inside the repository")
    args = ap.parse_args()
    if run.inside(args.workdir, run.REPO_ROOT):
        ap.error(f"--workdir {args.workdir} is inside the repository")
    sizes = [int(size) for size in args.sizes.split(",")]
    binaries = [("levezet", os.path.abspath(args.levezet))]
    if args.baseline:
        binaries.append(("baseline", os.path.abspath(args.baseline)))
    for _, binary in binaries:
        if not (os.path.isfile(binary) and os.access(binary, os.X_OK)):
            print(f"levezet binary not found (or not executable): {binary}", file=sys.stderr)
            return 2
    wdir = os.path.abspath(args.workdir)
    os.makedirs(os.path.join(wdir, "out"), exist_ok=True)

    rows = []
    for shape in args.only.split(","):
        times = {label: [] for label, _ in binaries}
        for size in sizes:
            text, names = program(shape, size)
            input_path = os.path.join(wdir, f"{shape}-{size}.txt")
            with open(input_path, "w", encoding="ascii", newline="\n") as f:
                f.write(text)
            row = [shape, size]
            for label, binary in binaries:
                out_path = os.path.join(wdir, "out", f"{shape}-{size}.{label}.txt")
                if os.path.exists(out_path):
                    os.remove(out_path)
                res = run.measure([binary, "-q", input_path, out_path], wdir, os.devnull,
                                  os.devnull, os.path.join(wdir, "out", f"{label}.stderr"),
                                  args.timeout)
                cpu = (res["user"] or 0) + (res["sys"] or 0)
                if res["timeout"]:
                    row += [f">{args.timeout:g}", "-", "-", "timeout"]
                    times[label].append(None)
                else:
                    verdict = check(out_path, names) if res["rc"] == 0 else f"exit {res['rc']}"
                    row += [f"{res['wall']:.2f}", f"{cpu:.2f}", f"{res['rss']:.0f}", verdict]
                    times[label].append(cpu)
                print(" ".join(str(cell) for cell in row), flush=True)
            rows.append(row)
        for label, _ in binaries:
            print(f"{shape} {label}: CPU time per rule against {sizes[0]} rules: "
                  + ", ".join(f"{s}: {g}" for s, g in zip(sizes, growth(times[label], sizes))))

    header = ["shape", "rules"]
    for label, _ in binaries:
        header += [f"{label} s", "CPU s", "MiB", "check"]
    print()
    print("| " + " | ".join(header) + " |")
    print("|" + "---|" * len(header))
    for row in rows:
        print("| " + " | ".join(str(cell) for cell in row) + " |")
    return 0


if __name__ == "__main__":
    sys.exit(main())
