#!/usr/bin/env python3
"""Random Latin-2 programs (generate.py) saved as UTF-8 read as the text they are.

For each program, its Latin-2 bytes are run with --encoding latin2 and its
UTF-8 form without options. The UTF-8 run's output file and standard output
must be the UTF-8 form of the Latin-2 run's, its exit status the same, and its
standard error the UTF-8 form of the other's, with each diagnostic's column
counting the bytes of the UTF-8 file up to the same character.

Usage: utf8_saved.py PROGRAM GENERATOR [COUNT] [SEED]
"""
import os
import re
import subprocess
import sys
import tempfile

PROGRAM, GENERATOR = os.path.abspath(sys.argv[1]), sys.argv[2]
COUNT = int(sys.argv[3]) if len(sys.argv) > 3 else 500
SEED = sys.argv[4] if len(sys.argv) > 4 else "utf8-20251210"
COLUMN = re.compile(rb"^(input\.txt:([0-9]+):)([0-9]+):", re.MULTILINE)


def run(folder, options):
    """Exit status, output file, standard output and standard error of one run."""
    output = os.path.join(folder, "out.txt")
    if os.path.exists(output):
        os.remove(output)
    done = subprocess.run([PROGRAM, "-q", *options, "input.txt", "out.txt"], cwd=folder,
                          stdin=subprocess.DEVNULL, capture_output=True, timeout=60)
    written = open(output, "rb").read() if os.path.exists(output) else None
    return done.returncode, written, done.stdout, done.stderr


def utf8(data):
    return None if data is None else data.decode("iso8859_2").encode("utf-8")


def utf8_columns(err, latin2):
    """The Latin-2 run's standard error, its columns moved to the UTF-8 file's bytes."""
    lines = latin2.split(b"\n")

    def moved(match):
        number, column = int(match.group(2)), int(match.group(3))
        line = lines[number - 1] if 0 < number <= len(lines) else b""
        cut = min(column - 1, len(line))
        column = len(utf8(line[:cut])) + column - cut
        return match.group(1) + str(column).encode() + b":"

    return COLUMN.sub(moved, err)


def main():
    compared = 0
    with tempfile.TemporaryDirectory() as work:
        programs = os.path.join(work, "programs")
        subprocess.run([sys.executable, GENERATOR, "--seed", SEED, "--count", str(COUNT),
                        "--out", programs], check=True)
        for name in sorted(os.listdir(programs)):
            latin2 = open(os.path.join(programs, name), "rb").read()
            if all(byte < 0x80 for byte in latin2):
                continue  # the same bytes either way
            sides = []
            for text, options in ((latin2, ["--encoding", "latin2"]), (utf8(latin2), [])):
                folder = os.path.join(work, "run")
                os.makedirs(folder, exist_ok=True)
                with open(os.path.join(folder, "input.txt"), "wb") as saved:
                    saved.write(text)
                sides.append(run(folder, options))
            (status, output, out, err), (status8, output8, out8, err8) = sides
            expected = (status, utf8(output), utf8(out), utf8(utf8_columns(err, latin2)))
            if expected != (status8, output8, out8, err8):
                print(f"program {name} (seed {SEED}) differs when saved as UTF-8:")
                for what, want, got in zip(("status", "output", "stdout", "stderr"), expected,
                                           (status8, output8, out8, err8)):
                    if want != got:
                        print(f"--- {what}: expected\n{want!r}\n--- got\n{got!r}")
                return 1
            compared += 1
    print(f"{compared} programs with bytes past ASCII compared in both encodings, no difference")
    return 0


if __name__ == "__main__":
    sys.exit(main())
