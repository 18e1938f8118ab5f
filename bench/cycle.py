#!/usr/bin/env python3
"""A cycle of one-rule heads: h0(X)<-h1(X), h1(X)<-h2(X), ..., h{N-1}(X)<-h0(X),
fed by h0(X)<-base(X) and a few base(x) tuples.  Every head ends up holding the
base tuples; the whole cycle is one recursive group of N relations.

Writes the input file and, with --levezet, times one run under /usr/bin/time -v
and checks that every head holds the base tuples.  Python 3 standard library
only; see bench/README.md.
"""

import argparse
import os
import sys

sys.dont_write_bytecode = True  # keep bench/ free of __pycache__
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import run  # noqa: E402  (measure, levezet_blocks, inside, REPO_ROOT)


def cycle_input(heads, tuples, base_last):
    cycle = [f"h{i}(X)<-h{(i + 1) % heads}(X)" for i in range(heads)]
    base_rule = "h0(X)<-base(X)"
    rules = cycle + [base_rule] if base_last else [base_rule] + cycle
    base = [str(v) for v in range(1, tuples + 1)]
    return "\n".join(rules) + "\n\n" + "\n".join(["base(x)"] + base) + "\n"


def expected_body(tuples):
    # tuples sorted byte by byte, as levezet writes them
    return "".join(sorted(f"{v}\n" for v in range(1, tuples + 1))).encode("ascii")


def check(path, heads, tuples):
    """Notes on what differs from every head holding the base tuples."""
    try:
        blocks = run.levezet_blocks(path)
    except OSError:
        return ["no output file"]
    want = expected_body(tuples)
    notes = []
    missing = [f"h{i}" for i in range(heads) if f"h{i}" not in blocks]
    wrong = [f"h{i}" for i in range(heads)
             if f"h{i}" in blocks and blocks[f"h{i}"] != want]
    if missing:
        notes.append(f"MISMATCH: {len(missing)} head(s) missing, e.g. {missing[0]}")
    if wrong:
        notes.append(f"MISMATCH: {len(wrong)} head(s) without exactly the base "
                     f"tuples, e.g. {wrong[0]}")
    return notes


def main():
    ap = argparse.ArgumentParser(description="Cycle of one-rule heads for levezet.")
    ap.add_argument("--heads", type=int, default=20000,
                    help="relations in the cycle (default 20000)")
    ap.add_argument("--tuples", type=int, default=3,
                    help="tuples of base(x) (default 3)")
    ap.add_argument("--base-last", action="store_true",
                    help="write h0(X)<-base(X) after the cycle instead of before it")
    ap.add_argument("--workdir", default="/tmp/levezet-bench/cycle",
                    help="folder for the input and output (default "
                         "/tmp/levezet-bench/cycle; not inside the repo)")
    ap.add_argument("--levezet", metavar="PATH",
                    help="run this binary once on the input, timed and checked")
    ap.add_argument("--timeout", type=float, default=120,
                    help="seconds before the run is killed (default 120)")
    args = ap.parse_args()
    if args.heads < 1 or args.tuples < 1:
        ap.error("--heads and --tuples must be at least 1")
    if run.inside(args.workdir, run.REPO_ROOT):
        ap.error(f"--workdir {args.workdir} is inside the repository; "
                 "choose a folder outside it")

    wdir = os.path.abspath(args.workdir)
    name = f"cycle-{args.heads}-{args.tuples}" + ("-baselast" if args.base_last else "")
    input_path = os.path.join(wdir, name + ".txt")
    os.makedirs(os.path.join(wdir, "out"), exist_ok=True)
    with open(input_path, "w", encoding="ascii", newline="\n") as f:
        f.write(cycle_input(args.heads, args.tuples, args.base_last))
    print(f"input: {input_path} ({args.heads} heads, {args.tuples} base tuples)")
    if not args.levezet:
        return 0

    levezet = os.path.abspath(args.levezet)
    if not (os.path.isfile(levezet) and os.access(levezet, os.X_OK)):
        print(f"levezet binary not found (or not executable): {levezet}",
              file=sys.stderr)
        return 2
    out_path = os.path.join(wdir, "out", name + ".out.txt")
    try:
        os.remove(out_path)
    except FileNotFoundError:
        pass
    res = run.measure([levezet, input_path, out_path], wdir, os.devnull,
                      os.path.join(wdir, "out", name + ".stdout"),
                      os.path.join(wdir, "out", name + ".stderr"), args.timeout)
    rss = f"{res['rss']:.1f} MiB" if res["rss"] is not None else "? MiB"
    cpu = (f", user {res['user']:.2f} s, sys {res['sys']:.2f} s"
           if res["user"] is not None and res["sys"] is not None else "")
    if res["timeout"]:
        print(f"TIMEOUT: killed after {res['wall']:.1f} s (limit {args.timeout:g} s), "
              f"peak {rss}")
        return 1
    print(f"{levezet}: {res['wall']:.3f} s wall{cpu}, peak {rss}, exit {res['rc']}")
    notes = check(out_path, args.heads, args.tuples) if res["rc"] == 0 else [
        f"exit status {res['rc']}; see {os.path.join(wdir, 'out', name + '.stderr')}"]
    for note in notes:
        print(note)
    if not notes:
        print("check: ok (every head holds the base tuples)")
    return 1 if notes else 0


if __name__ == "__main__":
    sys.exit(main())
