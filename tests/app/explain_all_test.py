"""--explain on every tuple of random programs (tests/differential/generate.py).
The trees show the input's control bytes escaped, and are checked so.

For each program: a run with --explain for each tuple of its output file
(at most 40) must leave the output file, standard error and the exit status
as a run without it does, and standard output must only gain the trees after
what it held. Every tuple must be explained, unless its relation's name is
declared twice or it lies in a later relation of its name than the first;
every tuple a tree shows must be in the output; every derived tuple must name
a rule line with its relation as head; every declared tuple must name a tuple
line that follows a declaration of its relation.

Usage: explain_all_test.py PROGRAM GENERATOR [COUNT]
"""
import os
import re
import subprocess
import sys
import tempfile

PROGRAM, GENERATOR = os.path.abspath(sys.argv[1]), sys.argv[2]
COUNT = int(sys.argv[3]) if len(sys.argv) > 3 else 300
failures = []


def shown(text):
    """`text` as the console shows it: control bytes written as \\xhh."""
    return b"".join(b"\\x%02x" % byte if (byte < 0x20 and byte not in (9, 10)) or byte == 0x7F
                    or 0x80 <= byte <= 0x9F else bytes([byte]) for byte in text)


def blocks(output):
    """The relations of an output file: name -> set of tuple texts, and the facts in order."""
    lines = output.split(b"\n")
    start = lines.index(b"") + 1 if b"" in lines else len(lines)
    relations, facts, name = {}, [], None
    for k in range(start, len(lines)):
        line = lines[k]
        first_in_block = name is not None and k > start and lines[k - 1].startswith(name + b"(")
        if line == b"" and first_in_block and k + 1 < len(lines) and b"(" not in lines[k + 1]:
            relations[name].add(line)  # the empty tuple, written as an empty line
            facts.append(name + b"()")
            continue
        if line == b"":
            name = None
        elif name is None:
            name = line.split(b"(")[0]
            relations.setdefault(name, set())
        else:
            relations[name].add(line)
            facts.append(name + b"(" + line + b")")
    return relations, facts


def declared_blocks(source):
    """Per input line number, the relation whose block holds that line."""
    lines = source.replace(b"\r\n", b"\n").split(b"\n")
    owner, name, after_rules = {}, None, False
    for number, line in enumerate(lines, 1):
        if not after_rules:
            after_rules = line == b""
            continue
        if line == b"":
            name = None
        elif name is None or not (line[:1].isdigit() or line[:1] == b"'"):
            name = line.split(b"(")[0]
        else:
            owner[number] = shown(name)
    return owner


REASONS = (b"bemenet, ", b"szabaly, ", b"levezetese fent", b"nem tudom levezetni")


DEEP = re.compile(rb"\[([0-9]+)\] ")


def depth_of(line):
    """A tree line's depth and text: two blanks a step, or "[51] " deeper
    (names may start with blanks, so this is meant for the reasons)."""
    deep = DEEP.match(line)
    if deep:
        return int(deep.group(1)), line[deep.end():]
    text = line.lstrip(b" ")
    return (len(line) - len(text)) // 2, text


def at_depth(line, depth):
    """The text of a tree line `depth` steps deep."""
    return line[2 * depth:] if depth <= 50 else line[DEEP.match(line).end():]


def check_trees(case, text, relations, source, rule_lines):
    """Each line that says where a tuple came from follows that tuple's line,
    one step deeper."""
    owner = declared_blocks(source)
    lines = text.split(b"\n")
    for k, line in enumerate(lines):
        if b"a futas nem jegyezte fel" in line:
            failures.append("%s: not recorded: %r" % (case, line))
        depth, reason = depth_of(line)
        if k == 0 or depth < 1 or not reason.startswith(REASONS):
            continue
        fact = at_depth(lines[k - 1], depth - 1)
        name = fact[:fact.find(b"(")] if b"(" in fact else fact
        if name in relations and fact[len(name) + 1:-1] not in relations[name]:
            failures.append("%s: %r is not in the output" % (case, fact))
        if reason.startswith(REASONS[0]):
            number = int(reason.split(b" ")[1].rstrip(b"."))
            if owner.get(number) != name:
                failures.append("%s: %r does not stand on line %d" % (case, fact, number))
        elif reason.startswith(REASONS[1]):
            number = int(reason.split(b" ")[1].rstrip(b"."))
            if not rule_lines[number - 1].startswith(name + b"("):
                failures.append("%s: %r is not a head of line %d" % (case, fact, number))


def run(arguments, workdir):
    return subprocess.run([PROGRAM, "-q"] + arguments, capture_output=True, timeout=120,
                          cwd=workdir)


def check_program(case, path, workdir):
    plain = run([path, "plain.txt"], workdir)
    if plain.returncode != 0:
        return
    with open(os.path.join(workdir, "plain.txt"), "rb") as output:
        written = output.read()
    relations, facts = blocks(written)
    arguments = []
    for fact in facts[:40] + [b"nincs(1)"]:
        arguments += ["--explain", fact]
    explained = run(arguments + [path, "explained.txt"], workdir)
    with open(os.path.join(workdir, "explained.txt"), "rb") as output:
        if output.read() != written:
            failures.append(case + ": the output file differs")
    if (explained.returncode, explained.stderr) != (plain.returncode, plain.stderr):
        failures.append(case + ": status or standard error differs")
    if not explained.stdout.startswith(plain.stdout):
        failures.append(case + ": standard output before the trees differs")
    with open(path, "rb") as source_file:
        source = source_file.read()
    rule_lines = [shown(line) for line in source.replace(b"\r\n", b"\n").split(b"\n")]
    check_trees(case, explained.stdout[len(plain.stdout):], blocks(shown(written))[0], source,
                rule_lines)


with tempfile.TemporaryDirectory() as workdir:
    programs = os.path.join(workdir, "programs")
    subprocess.check_call([sys.executable, GENERATOR, "--seed", "explain", "--count", str(COUNT),
                           "--out", programs])
    for case in sorted(os.listdir(programs)):
        check_program(case, os.path.join(programs, case), workdir)

for failure in failures[:20]:
    print("FAILED:", failure)
print("%d programs, %d failures" % (COUNT, len(failures)))
sys.exit(1 if failures else 0)
