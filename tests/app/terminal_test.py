"""The console speaks the terminal's encoding: on a pseudo-terminal under a
UTF-8 locale, prompts, diagnostics and explanations of a Latin-2 input come in
UTF-8, and facts typed in UTF-8 find Latin-2 tuples; under the C locale, and in
pipes, the Latin-2 bytes come as they are. A UTF-8 input speaks UTF-8
everywhere. On a terminal a failure message ends with a line feed.

Usage: terminal_test.py PROGRAM
"""
import locale
import os
import pty
import select
import subprocess
import sys
import tempfile
import time

PROGRAM = os.path.abspath(sys.argv[1])
# Latin-2: the second rule names no relation (a diagnostic quoting its line),
# and the tuple 'é' gives the fact.
LATIN2 = b"p(X)<-e(X)\nq(X)<-\xe9l(X)\n\ne(a)\n'\xe9'\n"
DIAGNOSTIC = b"nincs '\xe9l' nevu relacio\nq(X)<-\xe9l(X)\n"
PROMPT = "Adja meg az input file nevét!".encode("iso8859_2")
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def on_terminal(arguments, locale, typed=b"x\n"):
    """Standard output and error of a run on one pseudo-terminal, together;
    a run that takes more than 30 seconds is stopped."""
    master, slave = pty.openpty()
    env = {"PATH": os.environ.get("PATH", "/usr/bin"), "LC_ALL": locale}
    process = subprocess.Popen([PROGRAM, *arguments], stdin=slave, stdout=slave, stderr=slave,
                               env=env)
    os.close(slave)
    os.write(master, typed)
    seen = b""
    deadline = time.monotonic() + 30
    while True:
        if not select.select([master], [], [], max(0, deadline - time.monotonic()))[0]:
            process.kill()
            break
        try:
            data = os.read(master, 4096)
        except OSError:  # the terminal closed with the program's end
            break
        if not data:
            break
        seen += data
    process.wait(timeout=30)
    os.close(master)
    return seen.replace(b"\r\n", b"\n"), process.returncode


def in_pipes(arguments, locale):
    env = {"PATH": os.environ.get("PATH", "/usr/bin"), "LC_ALL": locale}
    done = subprocess.run([PROGRAM, *arguments], input=b"\n", capture_output=True, env=env,
                          timeout=30)
    return done.stdout + done.stderr, done.returncode


def utf8(latin2):
    return latin2.decode("iso8859_2").encode("utf-8")


def main():
    try:
        locale.setlocale(locale.LC_CTYPE, "C.UTF-8")
    except locale.Error:
        print("terminal: SKIPPED: no C.UTF-8 locale on this machine")
        return 77
    with tempfile.TemporaryDirectory() as work:
        os.chdir(work)
        with open("latin2.txt", "wb") as saved:
            saved.write(LATIN2)
        with open("utf8.txt", "wb") as saved:
            saved.write(utf8(LATIN2))
        fact = ["--explain", "e('é')"]  # typed in UTF-8, as argv comes

        seen, _ = on_terminal([], "C.UTF-8", b"latin2.txt out.txt\nx\n")
        check(utf8(PROMPT) in seen, "a UTF-8 terminal gets the prompt in UTF-8")
        seen, _ = on_terminal([], "C", b"latin2.txt out.txt\nx\n")
        check(PROMPT in seen, "a C locale terminal gets the prompt in Latin-2")

        explained = b"--- levezetes ---\ne('\xe9')\n  bemenet, 5. sor\n"
        seen, _ = on_terminal(["-q", *fact, "latin2.txt", "out.txt"], "C.UTF-8")
        check(utf8(explained) in seen, "a UTF-8 fact explains a Latin-2 tuple, in UTF-8")
        check(utf8(DIAGNOSTIC) in seen, "a UTF-8 terminal gets diagnostics in UTF-8")
        seen, _ = in_pipes(["-q", *fact, "latin2.txt", "out.txt"], "C.UTF-8")
        check(explained in seen and DIAGNOSTIC in seen, "pipes get the same in Latin-2")
        seen, _ = on_terminal(["-q", *fact, "latin2.txt", "out.txt"], "C")
        check(b"nem eleme" in seen, "under the C locale a UTF-8 fact is taken as its bytes")
        with open("out.txt", "rb") as output:
            check(output.read().startswith(LATIN2[:20]), "the output file stays Latin-2")

        seen, _ = on_terminal(["-q", *fact, "utf8.txt", "out.txt"], "C")
        check(utf8(explained) in seen, "a UTF-8 input speaks UTF-8 on any terminal")

        seen, status = on_terminal(["-q", "missing.txt", "out.txt"], "C.UTF-8")
        check(status == 1 and seen.endswith(b"missing.txt\n"), "a failure ends its line on a tty")
        seen, _ = in_pipes(["-q", "missing.txt", "out.txt"], "C.UTF-8")
        check(seen.endswith(b"missing.txt"), "in a pipe a failure message is as before")
    for failure in failures:
        print("FAIL", failure)
    print("terminal: " + ("%d failed" % len(failures) if failures else "all checks passed"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
