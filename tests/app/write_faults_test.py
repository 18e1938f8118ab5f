"""Runs whose surroundings fail or get in the way: standard output or error
that cannot be written, signals in the middle of a run, a limit on the size
of files, and outputs that are another user's file or long names. The
output is committed whatever becomes of the console, what could not be
written ends the run with status 1, and nothing is left beside the output.

Usage: write_faults_test.py PROGRAM IO_FAULTS_LIBRARY
"""
import os
import resource
import signal
import subprocess
import sys
import tempfile
import time

PROGRAM = os.path.realpath(sys.argv[1])
FAULTS = os.path.realpath(sys.argv[2])
STDOUT_FAILED = b"Nem tudtam irni a szabvanyos kimenetre!!"
CHAIN = 2000
RULES = b"reach(Y)<-e(0,Y)\nreach(Z)<-reach(Y),e(Y,Z)\n\ne(a,b)\n"
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def environment(**extra):
    env = dict(os.environ, **extra)
    if "LD_PRELOAD" in extra:  # a sanitizer runtime wants to come first otherwise
        env["ASAN_OPTIONS"] = env.get("ASAN_OPTIONS", "") + ":verify_asan_link_order=0"
    return env


def run(args, **options):
    options.setdefault("stdin", subprocess.DEVNULL)
    options.setdefault("stdout", subprocess.DEVNULL)
    options.setdefault("stderr", subprocess.PIPE)
    return subprocess.run([PROGRAM, "-q"] + args, timeout=120, check=False, **options)


def read(name):
    """The file's bytes, None when there is none."""
    try:
        with open(name, "rb") as file:
            return file.read()
    except FileNotFoundError:
        return None


def write(name, data):
    with open(name, "wb") as file:
        file.write(data)


def left_over(folder, *expected):
    return sorted(set(os.listdir(folder)) - {"chain.txt", "expected.txt", "out.txt"} -
                  set(expected))


def console_failures(expected):
    """Standard output closed early, full or closed, and standard error full:
    status 1 and a message, the output file written all the same."""
    explain = ["--explain", f"reach({CHAIN - 10})", "chain.txt", "out.txt"]
    write("out.txt", b"old\n")
    reader = subprocess.Popen([PROGRAM, "-q"] + explain, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE)
    reader.stdout.readline()
    reader.stdout.close()  # the explanation is far longer than a pipe holds
    error = reader.stderr.read()
    check(reader.wait(timeout=120) == 1, "closed pipe: status 1")
    check(error.endswith(STDOUT_FAILED), f"closed pipe: message, got {error[-80:]!r}")
    check(read("out.txt") == expected, "closed pipe: output written")
    with open("/dev/full", "wb") as full:
        for what, out in (("full", full), ("closed", None)):
            write("out.txt", b"old\n")
            closing = (lambda: os.close(1)) if out is None else None
            done = run(explain, stdout=out or subprocess.DEVNULL, preexec_fn=closing)
            check(done.returncode == 1, f"{what} stdout: status 1, got {done.returncode}")
            check(done.stderr == STDOUT_FAILED, f"{what} stdout: message, got {done.stderr!r}")
            check(read("out.txt") == expected, f"{what} stdout: output written")
        write("out.txt", b"old\n")
        write("warned.txt", b"p(X)<-e(X\n\ne(a)\n1\n")
        done = run(["warned.txt", "out.txt"], stderr=full)
        check(done.returncode == 1, "full stderr: status 1")
        check(read("out.txt").startswith(b"p(X)<-e(X\n"), "full stderr: output written")
        os.remove("warned.txt")


def paused_writing(process, name):
    """Waits until `process` stands still in its first write to the output."""
    for _ in range(1200):
        if os.path.exists("writing") or process.poll() is not None:
            break
        time.sleep(0.05)
    check(os.path.exists("writing"), f"{name}: paused while writing")
    if os.path.exists("writing"):
        os.remove("writing")


def stopped(signal_number, moment):
    """A run ended by a signal while reading its input (a pipe that stalls) or
    while writing its output (into a named temporary file): it ends as the
    signal ends it, with the old output and nothing else left."""
    write("out.txt", b"old\n")
    name = f"{signal.Signals(signal_number).name} while {moment}"
    if moment == "reading":
        os.mkfifo("fifo.txt")
        process = subprocess.Popen([PROGRAM, "-q", "fifo.txt", "out.txt"])
        with open("fifo.txt", "wb") as fifo:  # opens once the program reads it
            fifo.write(RULES + b"1,2\n")
            fifo.flush()
            time.sleep(0.2)
            process.send_signal(signal_number)
            status = process.wait(timeout=60)
        os.remove("fifo.txt")
    else:
        env = environment(LD_PRELOAD=FAULTS, IO_FAULT_PAUSE_WRITE="writing",
                          IO_FAULT_NO_TMPFILE="1")
        process = subprocess.Popen([PROGRAM, "-q", "chain.txt", "out.txt"], env=env)
        paused_writing(process, name)
        check(len(left_over(".")) == 1, f"{name}: a temporary file while writing")
        process.send_signal(signal_number)
        status = process.wait(timeout=60)
    check(status == -signal_number, f"{name}: ended by the signal, got {status}")
    check(read("out.txt") == b"old\n", f"{name}: old output kept")
    check(left_over(".") == [], f"{name}: nothing left, found {left_over('.')}")


def killed_while_writing():
    """KILL cannot be caught: an unnamed temporary file is what leaves nothing."""
    write("out.txt", b"old\n")
    env = environment(LD_PRELOAD=FAULTS, IO_FAULT_PAUSE_WRITE="writing")
    process = subprocess.Popen([PROGRAM, "-q", "chain.txt", "out.txt"], env=env)
    paused_writing(process, "KILL")
    process.kill()
    process.wait(timeout=60)
    check(read("out.txt") == b"old\n", "KILL: old output kept")
    check(left_over(".") == [], f"KILL: nothing left, found {left_over('.')}")


def too_large():
    """A file beyond the size limit is a write error with its message."""
    write("out.txt", b"old\n")
    limit = lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (8192, 8192))
    done = run(["chain.txt", "out.txt"], preexec_fn=limit)
    check(done.returncode == 1, f"ulimit -f: status 1, got {done.returncode}")
    check(done.stderr == b"Nem tudtam kiirni az outputfile-t!! out.txt",
          f"ulimit -f: message, got {done.stderr!r}")
    check(read("out.txt") == b"old\n", "ulimit -f: old output kept")
    check(left_over(".") == [], f"ulimit -f: nothing left, found {left_over('.')}")


def replaced_as_set(expected):
    """What the user set stays: another user's file keeps its owner, group and
    mode when root writes it, and a name as long as a name may be is written
    (the temporary name beside it is no longer)."""
    if os.geteuid() == 0:
        write("theirs.txt", b"old\n")
        os.chown("theirs.txt", 65534, 65534)
        os.chmod("theirs.txt", 0o600)
        run(["chain.txt", "theirs.txt"])
        status = os.stat("theirs.txt")
        check((status.st_uid, status.st_gid, status.st_mode & 0o7777) == (65534, 65534, 0o600),
              "root over another user's file: owner, group and mode kept")
        check(read("theirs.txt") == expected, "root over another user's file: written")
        os.remove("theirs.txt")
    for length in (248, 255):
        name = "x" * length
        done = run(["chain.txt", name])
        check(done.returncode == 0 and read(name) == expected,
              f"an output name of {length} bytes: {done.stderr!r}")
        if os.path.exists(name):
            os.remove(name)


def main():
    with tempfile.TemporaryDirectory() as folder:
        os.chdir(folder)
        write("chain.txt", RULES + b"".join(b"%d,%d\n" % (i, i + 1) for i in range(CHAIN)))
        run(["chain.txt", "expected.txt"])
        expected = read("expected.txt")
        console_failures(expected)
        for signal_number in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
            for moment in ("reading", "writing"):
                stopped(signal_number, moment)
        killed_while_writing()
        too_large()
        replaced_as_set(expected)
        os.chdir("/")
    for failure in failures:
        print("FAIL", failure)
    if failures:
        sys.exit(1)
    print("write faults: all checks passed")


main()
