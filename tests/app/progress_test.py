"""The progress line of a long run: drawn on standard error when it is a
terminal (a pseudo-terminal here), out of the way of warnings, erased at the
end; never written when standard error is not a terminal.

The run is made long without using the processor: the input is a named pipe
whose writer pauses in the middle of the relation section.

Usage: progress_test.py PROGRAM
"""
import os
import pty
import subprocess
import sys
import tempfile
import threading
import time

PROGRAM = sys.argv[1]
RULES = b"p(X)<-e(X)\nq(X)<-e(X),X\n\ne(a)\n1\n"
REST = b"2\n"
PAUSE = 1.6  # seconds: more than the second before the line is first drawn
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def feed(fifo):
    with open(fifo, "wb") as pipe:
        pipe.write(RULES)
        pipe.flush()
        time.sleep(PAUSE)
        pipe.write(REST)


def warning(workdir):
    """How the warning about the rule on line 2 starts: the input's name."""
    return os.path.join(workdir, "input.txt").encode() + b":2:"


def run_slowly(workdir, stderr):
    """Runs the program on the paused pipe; returns its exit status."""
    fifo = os.path.join(workdir, "input.txt")
    if not os.path.exists(fifo):
        os.mkfifo(fifo)
    writer = threading.Thread(target=feed, args=(fifo,))
    writer.start()
    status = subprocess.call([PROGRAM, "-q", fifo, os.path.join(workdir, "output.txt")],
                             stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=stderr,
                             timeout=60)
    writer.join()
    with open(os.path.join(workdir, "output.txt"), "rb") as output:
        check(output.read().endswith(b"q(X)\n\n"), "the output file is complete")
    return status


def read_all(master):
    data = b""
    while True:
        try:
            chunk = os.read(master, 4096)
        except OSError:  # the terminal's other end closed
            break
        if not chunk:
            break
        data += chunk
    return data


def shown(line):
    """What a terminal shows of a line written with carriage returns and
    backspaces: a line drawn and erased again leaves only spaces."""
    cells, column = bytearray(), 0
    for byte in line:
        if byte == 0x0D:
            column = 0
        elif byte == 0x08:
            column = max(0, column - 1)
        else:
            cells[column:column + 1] = bytes([byte])
            column += 1
    return bytes(cells)


def on_terminal(workdir):
    master, slave = pty.openpty()
    status = []
    runner = threading.Thread(target=lambda: status.append(run_slowly(workdir, slave)))
    runner.start()
    runner.join()
    os.close(slave)
    seen = read_all(master)
    os.close(master)
    check(status == [0], "exit status 0 on a terminal")
    check(b"\rlevezet: beolvasas" in seen, "the line names the reading phase: %r" % seen)
    drawn = seen.find(b"\rlevezet:")
    warned = seen.find(warning(workdir))
    check(0 <= drawn < warned, "the line was drawn before the warning: %r" % seen)
    # The warning starts a line of its own: the progress line was erased before it.
    check(seen[warned - 1:warned] == b"\r", "the line is erased before a warning: %r" % seen)
    check(seen.count(b"\rlevezet:") <= PAUSE * 10 + 5, "at most ten lines a second")
    check(not seen.rstrip(b" \r\n\x08").endswith(b"sor"), "the line is erased at the end")
    tail = seen[seen.rfind(b"\n") + 1:]
    check(shown(tail).strip(b" ") == b"", "nothing is left after the last line: %r" % tail)


def off_terminal(workdir):
    with open(os.path.join(workdir, "stderr.txt"), "wb") as stderr:
        status = run_slowly(workdir, stderr)
    with open(os.path.join(workdir, "stderr.txt"), "rb") as stderr:
        written = stderr.read()
    check(status == 0, "exit status 0 without a terminal")
    check(written.startswith(warning(workdir)) and b"levezet:" not in written
          and b"\r" not in written, "only the warning without a terminal: %r" % written)


with tempfile.TemporaryDirectory() as terminal_dir, tempfile.TemporaryDirectory() as file_dir:
    on_terminal(terminal_dir)
    off_terminal(file_dir)

for failure in failures:
    print("FAILED:", failure)
sys.exit(1 if failures else 0)
