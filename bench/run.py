#!/usr/bin/env python3
"""Benchmark: levezet against sqlite3 (and sort -u) on generated workloads.

Python 3 standard library only.  Needs /usr/bin/time (Debian package `time`)
and sqlite3 (Debian package `sqlite3`).  See bench/README.md.
"""

import argparse
import hashlib
import json
import math
import os
import platform
import random
import shutil
import signal
import statistics
import subprocess
import sys
import threading
import time

GEN_VERSION = "2"  # bump when the generators change, so cached data is redone
REPO_ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TIME_BIN = "/usr/bin/time"
INSTALL_HINT = "apt-get install -y sqlite3 time"
ALL_WORKLOADS = ["W1", "W2", "W3", "W4", "W5a", "W5b", "W6p", "W6r", "W7"]

# Targets at --scale 1: (max ratio levezet/sqlite3, max peak MiB, max ratio levezet/sort)
TARGETS = {
    "W1": (0.15, 33, 0.6),
    "W2": (0.10, 32, None),
    "W3": (0.65, 47, None),
    "W4": (0.20, 62, None),
    "W5a": (0.11, 47, None),
    "W5b": (0.13, 107, None),
}


# --------------------------------------------------------------------------
# Workload generation
# --------------------------------------------------------------------------

def scaled(n, scale, minimum=1):
    return max(minimum, int(round(n * scale)))


def distinct_edges(rng, count, nodes):
    """`count` distinct random edges (u, v), u != v, on nodes 0..nodes-1."""
    count = min(count, nodes * (nodes - 1))
    seen = set()
    edges = []
    while len(edges) < count:
        u = rng.randrange(nodes)
        v = rng.randrange(nodes)
        if u == v or (u, v) in seen:
            continue
        seen.add((u, v))
        edges.append((u, v))
    return edges


def int_lines(rows):
    return [",".join(str(v) for v in row) for row in rows]


def make_words(rng, count, syllables, parts_min, parts_max):
    """`count` distinct capitalised ASCII words built from syllables."""
    words = set()
    out = []
    while len(out) < count:
        w = "".join(rng.choice(syllables)
                    for _ in range(rng.randint(parts_min, parts_max)))
        w = w.capitalize()
        if w not in words:
            words.add(w)
            out.append(w)
    return out


SYLLABLES = ["ba", "be", "bo", "ka", "ke", "ko", "la", "le", "lo", "ma",
             "me", "mi", "na", "ne", "no", "ra", "re", "ro", "sa", "se",
             "si", "ta", "te", "to", "va", "ve", "zo", "za", "cs", "gy",
             "ny", "sz", "dor", "tor", "gal", "ver", "mar", "kan", "bel"]


def gen_w1(rng, scale):
    n = scaled(1_000_000, scale, 2)
    distinct = n - n // 10
    seen = set()
    rows = []
    while len(rows) < distinct:
        t = (rng.randrange(1_000_000), rng.randrange(1_000_000))
        if t not in seen:
            seen.add(t)
            rows.append(t)
    rows += [rng.choice(rows) for _ in range(n - distinct)]
    rng.shuffle(rows)
    t_lines = int_lines(rows)
    return {
        "rules": ["one(X)<-seed(X)"],
        "relations": [
            {"decl": "t(a,b)", "table": "t", "cols": ["a", "b"],
             "lines": t_lines, "csv": t_lines},
            {"decl": "seed(x)", "table": "seed", "cols": ["x"],
             "lines": ["1"], "csv": ["1"]},
        ],
        "indexes": [],
        # (levezet relation name, sqlite result file, SQL, strip quotes)
        "queries": [
            ("t", "res_t.txt", "SELECT DISTINCT a, b FROM t ORDER BY a, b;", False),
            ("one", "res_one.txt", "SELECT DISTINCT x FROM seed ORDER BY x;", False),
        ],
        "main": "t",
        "sort_input": "t.csv",
        "input_tuples": n + 1,
        "note": f"t: {n} tuples ({distinct} distinct), seed: 1 tuple",
    }


def gen_w2(rng, scale):
    nodes = scaled(50_000, scale, 10)
    edges = distinct_edges(rng, scaled(200_000, scale, 10), nodes)
    lines = int_lines(edges)
    return {
        "rules": ["path2(X,Z)<-edge(X,Y),edge(Y,Z)"],
        "relations": [
            {"decl": "edge(from,to)", "table": "edge", "cols": ["src", "dst"],
             "lines": lines, "csv": lines},
        ],
        "indexes": [],
        "queries": [
            ("path2", "res_path2.txt",
             "SELECT DISTINCT a.src, b.dst FROM edge AS a JOIN edge AS b "
             "ON a.dst = b.src ORDER BY 1, 2;", False),
        ],
        "main": "path2",
        "input_tuples": len(edges),
        "note": f"edge: {len(edges)} distinct edges on {nodes} nodes",
    }


def gen_w3(rng, scale):
    n = scaled(1_000_000, scale, 2)
    rows = [(rng.randrange(1_000_000), rng.randrange(1_000_000), rng.randrange(20))
            for _ in range(n)]
    lines = int_lines(rows)
    return {
        "rules": ["q(X,Y)<-r(X,Y,Z),Z=7,X<Y"],
        "relations": [
            {"decl": "r(x,y,z)", "table": "r", "cols": ["x", "y", "z"],
             "lines": lines, "csv": lines},
        ],
        "indexes": [],
        # X<Y compares integer values in levezet; the columns stay TEXT here.
        "queries": [
            ("q", "res_q.txt",
             "SELECT DISTINCT x, y FROM r WHERE z = '7' "
             "AND CAST(x AS INTEGER) < CAST(y AS INTEGER) ORDER BY x, y;", False),
        ],
        "main": "q",
        "input_tuples": n,
        "note": f"r: {n} tuples",
    }


def gen_w4(rng, scale):
    persons = scaled(300_000, scale, 2)
    towns = scaled(20_000, scale, 2)
    firsts = make_words(rng, 150, SYLLABLES, 2, 3)
    lasts = make_words(rng, 2000, SYLLABLES, 2, 4)
    countries = make_words(rng, 200, SYLLABLES, 3, 4)
    person_rows = [(p, rng.choice(firsts) + "_" + rng.choice(lasts))
                   for p in range(persons)]
    rng.shuffle(person_rows)
    lives = []
    for p in range(persons):
        lives.append((p, rng.randrange(towns)))
    extra = rng.sample(range(persons), persons // 10)
    for p in extra:
        t = rng.randrange(towns)
        while towns > 1 and t == lives[p][1]:
            t = rng.randrange(towns)
        lives.append((p, t))
    rng.shuffle(lives)
    town_rows = [(t, rng.choice(countries)) for t in range(towns)]
    rng.shuffle(town_rows)
    return {
        "rules": ["r(N,C)<-person(P,N),livesIn(P,T),town(T,C)"],
        "relations": [
            {"decl": "person(pid,name)", "table": "person", "cols": ["pid", "name"],
             "lines": [f"{p},'{n}'" for p, n in person_rows],
             "csv": [f"{p},{n}" for p, n in person_rows]},
            {"decl": "livesIn(person,town)", "table": "livesIn",
             "cols": ["person", "town"],
             "lines": int_lines(lives), "csv": int_lines(lives)},
            {"decl": "town(tid,country)", "table": "town", "cols": ["tid", "country"],
             "lines": [f"{t},'{c}'" for t, c in town_rows],
             "csv": [f"{t},{c}" for t, c in town_rows]},
        ],
        "indexes": [],
        "queries": [
            ("r", "res_r.txt",
             "SELECT DISTINCT p.name, t.country FROM person AS p "
             "JOIN livesIn AS l ON l.person = p.pid "
             "JOIN town AS t ON t.tid = l.town ORDER BY 1, 2;", True),
        ],
        "main": "r",
        "input_tuples": persons + len(lives) + towns,
        "note": f"person: {persons}, livesIn: {len(lives)}, town: {towns}",
    }


TC_RULES = ["tc(X,Y)<-edge(X,Y)", "tc(X,Z)<-tc(X,Y),edge(Y,Z)"]
TC_SQL = ("WITH RECURSIVE tc(x, y) AS ("
          "SELECT src, dst FROM edge "
          "UNION "
          "SELECT tc.x, edge.dst FROM tc JOIN edge ON edge.src = tc.y) "
          "SELECT DISTINCT x, y FROM tc ORDER BY x, y;")


def tc_workload(edges, note):
    lines = int_lines(edges)
    return {
        "rules": list(TC_RULES),
        "relations": [
            {"decl": "edge(from,to)", "table": "edge", "cols": ["src", "dst"],
             "lines": lines, "csv": lines},
        ],
        "indexes": ["CREATE INDEX edge_src ON edge(src);"],
        "queries": [("tc", "res_tc.txt", TC_SQL, False)],
        "main": "tc",
        "input_tuples": len(edges),
        "note": note,
    }


def w5_nodes(scale):
    # The closure grows with the square of the node count: scale the nodes by
    # sqrt(scale) so that the result size follows the scale like elsewhere.
    return max(3, int(round(2000 * math.sqrt(scale))))


def gen_w5a(rng, scale):
    nodes = w5_nodes(scale)
    edges = [(i, i + 1) for i in range(nodes - 1)]
    rng.shuffle(edges)
    return tc_workload(edges, f"edge: chain of {nodes} nodes, {len(edges)} edges")


def gen_w5b(rng, scale):
    nodes = w5_nodes(scale)
    edges = distinct_edges(rng, 3 * nodes, nodes)
    return tc_workload(edges, f"edge: {len(edges)} distinct edges on {nodes} nodes")


W6_PATH3 = (["path3(X,W)<-edge(X,Y),edge(Y,Z),edge(Z,W)"],
            ("path3", "res_path3.txt",
             "SELECT DISTINCT a.src, c.dst FROM edge AS a "
             "JOIN edge AS b ON b.src = a.dst "
             "JOIN edge AS c ON c.src = b.dst ORDER BY 1, 2;", False))
# X<50 compares integer values in levezet; the columns stay TEXT here.
W6_REACH = (["reach(X,Y)<-edge(X,Y),X<50", "reach(X,Z)<-reach(X,Y),edge(Y,Z)"],
            ("reach", "res_reach.txt",
             "WITH RECURSIVE reach(x, y) AS ("
             "SELECT src, dst FROM edge WHERE CAST(src AS INTEGER) < 50 "
             "UNION "
             "SELECT reach.x, edge.dst FROM reach JOIN edge ON edge.src = reach.y) "
             "SELECT DISTINCT x, y FROM reach ORDER BY x, y;", False))


def w6_workload(rng, scale, parts):
    # A three-step join and a recursive reach from the nodes below 50, on the
    # same edges: W6 runs both in one program, W6p and W6r one each.  Same
    # density as W2's graph scaled up, so path3 and reach both grow linearly
    # with the scale.
    nodes = scaled(300_000, scale, 60)
    edges = distinct_edges(rng, scaled(1_000_000, scale, 10), nodes)
    lines = int_lines(edges)
    return {
        "rules": [rule for rules, _query in parts for rule in rules],
        "relations": [
            {"decl": "edge(from,to)", "table": "edge", "cols": ["src", "dst"],
             "lines": lines, "csv": lines},
        ],
        "indexes": ["CREATE INDEX edge_src ON edge(src);"],
        "queries": [query for _rules, query in parts],
        "main": [query[0] for _rules, query in parts],
        "input_tuples": len(edges),
        "note": f"edge: {len(edges)} distinct edges on {nodes} nodes",
    }


def gen_w6(rng, scale):
    return w6_workload(rng, scale, [W6_PATH3, W6_REACH])


def gen_w6p(rng, scale):
    return w6_workload(rng, scale, [W6_PATH3])


def gen_w6r(rng, scale):
    return w6_workload(rng, scale, [W6_REACH])


def w7_height(scale):
    # samegen of a complete binary tree of height h has (4^h - 1) / 3 tuples:
    # the height moves by log4(scale), so the result size follows the scale
    # within a factor of two (the height is whole, so it moves in steps of 4x).
    return max(2, int(round(13 + math.log(scale, 4))))


def samegen_count(height):
    return (4 ** height - 1) // 3


def gen_w7(rng, scale):
    h = w7_height(scale)
    n = 2 ** h - 1
    leftmost, rightmost = 2 ** (h - 1), n  # first and last leaf
    node_lines = [str(i) for i in range(1, n + 1)]
    parent_lines = [f"{c},{c // 2}" for c in range(2, n + 1)]
    rng.shuffle(node_lines)
    rng.shuffle(parent_lines)
    samegen_sql = ("CREATE TABLE samegen AS WITH RECURSIVE sg(x, y) AS ("
                   "SELECT x, x FROM node "
                   "UNION "
                   "SELECT a.c, b.c FROM sg "
                   "JOIN parent AS a ON a.p = sg.x "
                   "JOIN parent AS b ON b.p = sg.y) "
                   "SELECT x, y FROM sg;")
    return {
        "rules": [f"query()<-samegen({leftmost},{rightmost})",
                  "samegen(X,X)<-node(X)",
                  "samegen(X,Y)<-parent(X,A),samegen(A,B),parent(Y,B)"],
        "relations": [
            {"decl": "node(x)", "table": "node", "cols": ["x"],
             "lines": node_lines, "csv": node_lines},
            {"decl": "parent(c,p)", "table": "parent", "cols": ["c", "p"],
             "lines": parent_lines, "csv": parent_lines},
        ],
        "indexes": ["CREATE INDEX parent_p ON parent(p);"],
        "setup": [samegen_sql],
        # query() holds the empty tuple when the two leaves are of one
        # generation: one empty line in both outputs.
        "queries": [
            ("samegen", "res_samegen.txt",
             "SELECT x, y FROM samegen ORDER BY x, y;", False),
            ("query", "res_query.txt",
             f"SELECT DISTINCT '' FROM samegen WHERE x = '{leftmost}' "
             f"AND y = '{rightmost}';", False),
        ],
        "main": "samegen",
        "expect": {"samegen": samegen_count(h), "query": 1},
        "input_tuples": n + len(parent_lines),
        "note": f"complete binary tree of height {h}: node: {n}, "
                f"parent: {len(parent_lines)}; samegen({leftmost},{rightmost}); "
                f"{samegen_count(h)} samegen tuples expected",
    }


GENERATORS = {"W1": gen_w1, "W2": gen_w2, "W3": gen_w3, "W4": gen_w4,
              "W5a": gen_w5a, "W5b": gen_w5b, "W6": gen_w6, "W6p": gen_w6p,
              "W6r": gen_w6r, "W7": gen_w7}
# Workloads made from another's random numbers, so that they share its data.
DATA_OF = {"W6p": "W6", "W6r": "W6"}


def write_lines(path, lines):
    with open(path, "w", encoding="ascii", newline="\n") as f:
        if lines:
            f.write("\n".join(lines))
            f.write("\n")


def sqlite_script(wl):
    out = [".bail on", ".mode csv"]
    for rel in wl["relations"]:
        cols = ", ".join(f"{c} TEXT" for c in rel["cols"])
        out.append(f"CREATE TABLE {rel['table']}({cols});")
        out.append(f".import {rel['table']}.csv {rel['table']}")
    out += wl["indexes"]
    out += wl.get("setup", [])  # statements whose result several queries read
    out += [".mode list", '.separator , "\\n"', ".headers off"]
    for _name, res_file, sql, _strip in wl["queries"]:
        out.append(f".output out/{res_file}")
        out.append(sql)
    out.append(".output stdout")
    return "\n".join(out) + "\n"


def generate(name, scale, seed, wdir):
    """Generate workload `name` into `wdir` unless it is there already."""
    meta_path = os.path.join(wdir, "meta.json")
    stamp = {"gen_version": GEN_VERSION, "scale": scale, "seed": seed}
    if os.path.exists(meta_path):
        with open(meta_path) as f:
            meta = json.load(f)
        if meta.get("stamp") == stamp:
            return meta
    os.makedirs(os.path.join(wdir, "out"), exist_ok=True)
    rng = random.Random(f"{seed}-{DATA_OF.get(name, name)}")
    wl = GENERATORS[name](rng, scale)
    # levezet input: rules, empty line, relation blocks separated by empty lines
    with open(os.path.join(wdir, "input.txt"), "w", encoding="ascii",
              newline="\n") as f:
        f.write("\n".join(wl["rules"]) + "\n\n")
        blocks = []
        for rel in wl["relations"]:
            blocks.append("\n".join([rel["decl"]] + rel["lines"]) + "\n")
        f.write("\n".join(blocks))
    for rel in wl["relations"]:
        write_lines(os.path.join(wdir, rel["table"] + ".csv"), rel["csv"])
    with open(os.path.join(wdir, "query.sql"), "w", encoding="ascii") as f:
        f.write(sqlite_script(wl))
    meta = {
        "stamp": stamp,
        "name": name,
        "note": wl["note"],
        "rules": wl["rules"],
        "input_tuples": wl["input_tuples"],
        "queries": [[q[0], q[1], q[3]] for q in wl["queries"]],
        "main": wl["main"],
        "expect": wl.get("expect", {}),
        "sort_input": wl.get("sort_input"),
    }
    with open(meta_path, "w") as f:
        json.dump(meta, f, indent=1)
    return meta


# --------------------------------------------------------------------------
# Running and measuring
# --------------------------------------------------------------------------

def measure(cmd, cwd, stdin_path, stdout_path, stderr_path, timeout, env=None):
    """Run `cmd` under /usr/bin/time -v; return a dict with wall s, RSS MiB, status."""
    time_file = os.path.join(cwd, "out", "time.txt")
    full = [TIME_BIN, "-v", "-o", time_file] + cmd
    with open(stdin_path, "rb") as fin, open(stdout_path, "wb") as fout, \
            open(stderr_path, "wb") as ferr:
        start = time.perf_counter()
        proc = subprocess.Popen(full, cwd=cwd, stdin=fin, stdout=fout, stderr=ferr,
                                env=env, start_new_session=True)
        # A blocking wait (Popen.wait with a timeout polls, which would round
        # the times); a timer kills the run's own process group when too slow.
        killed = threading.Event()

        def kill():
            killed.set()
            try:
                os.killpg(proc.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        timer = threading.Timer(timeout, kill)
        timer.start()
        try:
            rc = proc.wait()
        finally:
            timer.cancel()
        wall = time.perf_counter() - start
        timed_out = killed.is_set()
    rss_kib = user = system = None
    try:
        with open(time_file) as f:
            for line in f:
                line = line.strip()
                value = line.rsplit(":", 1)[-1].strip()
                if line.startswith("Maximum resident set size (kbytes):"):
                    rss_kib = int(value)
                elif line.startswith("User time (seconds):"):
                    user = float(value)
                elif line.startswith("System time (seconds):"):
                    system = float(value)
    except (OSError, ValueError):
        pass
    return {"wall": wall, "rss": rss_kib / 1024 if rss_kib is not None else None,
            "user": user, "sys": system, "rc": rc, "timeout": timed_out}


def tail(path, n=400):
    try:
        with open(path, "rb") as f:
            data = f.read()
        return data[-n:].decode("utf-8", "replace").strip()
    except OSError:
        return ""


def run_workload(meta, wdir, args, levezet, baseline=None):
    outdir = os.path.join(wdir, "out")
    os.makedirs(outdir, exist_ok=True)
    tools = {
        "levezet": dict(
            cmd=[levezet, os.path.join(wdir, "input.txt"),
                 os.path.join(outdir, "levezet.txt")],
            stdin=os.devnull, env=None, outputs=["levezet.txt"]),
    }
    if baseline:
        tools["baseline"] = dict(
            cmd=[baseline, os.path.join(wdir, "input.txt"),
                 os.path.join(outdir, "baseline.txt")],
            stdin=os.devnull, env=None, outputs=["baseline.txt"])
    tools.update({
        "sqlite3": dict(
            cmd=[args.sqlite3, "-batch", ":memory:"],
            stdin=os.path.join(wdir, "query.sql"), env=None,
            outputs=[q[1] for q in meta["queries"]]),
    })
    if meta.get("sort_input"):
        env = dict(os.environ, LC_ALL="C")
        tools["sort"] = dict(
            cmd=["sort", "-u", "--parallel=1", "-o", os.path.join(outdir, "sort.txt"),
                 os.path.join(wdir, meta["sort_input"])],
            stdin=os.devnull, env=env, outputs=["sort.txt"])
    results = {t: [] for t in tools}
    order = list(tools)
    for r in range(args.runs):
        # alternate the tools, and rotate who goes first from run to run
        k = r % len(order)
        for tool in order[k:] + order[:k]:
            cfg = tools[tool]
            for out in cfg["outputs"]:  # never check a stale file
                try:
                    os.remove(os.path.join(outdir, out))
                except FileNotFoundError:
                    pass
            res = measure(cfg["cmd"], wdir, cfg["stdin"],
                          os.path.join(outdir, f"{tool}.stdout"),
                          os.path.join(outdir, f"{tool}.stderr"),
                          args.timeout, cfg["env"])
            results[tool].append(res)
            status = ("TIMEOUT" if res["timeout"] else
                      ("ok" if res["rc"] == 0 else f"exit {res['rc']}"))
            rss = f"{res['rss']:.1f} MiB" if res["rss"] is not None else "? MiB"
            cpu = (f"user {res['user']:.2f} s, sys {res['sys']:.2f} s"
                   if res["user"] is not None and res["sys"] is not None else "")
            print(f"  {meta['name']:4} run {r + 1}/{args.runs}  {tool:8} "
                  f"{res['wall']:8.3f} s  {rss:>11}  {status:7} {cpu}", flush=True)
            if res["timeout"] or res["rc"] != 0:
                msg = tail(os.path.join(outdir, f"{tool}.stderr"))
                if msg:
                    print("      stderr: " + msg.replace("\n", "\n      "), flush=True)
            elif tool.startswith("levezet") and os.path.getsize(
                    os.path.join(outdir, f"{tool}.stderr")) > 0:
                # The workloads are well formed: a diagnostic is a fault.
                res["rc"] = "diagnostics"
                print("      diagnostics on a well-formed workload: "
                      + tail(os.path.join(outdir, f"{tool}.stderr")), flush=True)
    return results


def summarise(runs):
    ok = [r for r in runs if r["rc"] == 0 and not r["timeout"]]
    if not ok:
        bad = runs[0] if runs else None
        why = "timeout" if bad and bad["timeout"] else (
            f"exit {bad['rc']}" if bad else "not run")
        return {"ok": False, "why": why, "runs": runs}
    rss = [r["rss"] for r in ok if r["rss"] is not None]
    return {"ok": len(ok) == len(runs), "why": None if len(ok) == len(runs)
            else f"{len(runs) - len(ok)} failed run(s)",
            "median": statistics.median(r["wall"] for r in ok),
            "rss": max(rss) if rss else None, "runs": runs}


# --------------------------------------------------------------------------
# Checking results
# --------------------------------------------------------------------------

def levezet_blocks(path):
    """Map relation name -> tuple bytes (lines, each ending in \\n) of its block."""
    with open(path, "rb") as f:
        data = f.read()
    blocks = {}
    # the echoed rules end at the first empty line
    if data.startswith(b"\n"):
        pos = 1
    else:
        e = data.find(b"\n\n")
        if e < 0:
            return blocks
        pos = e + 2
    n = len(data)
    while pos < n:
        if data[pos:pos + 1] == b"\n":  # stray empty line
            pos += 1
            continue
        h = data.find(b"\n", pos)
        if h < 0:
            h = n
        header = data[pos:h]
        name = header.split(b"(", 1)[0].decode("utf-8", "replace").strip()
        if header.endswith(b"()"):
            # No attributes: the only possible tuple is an empty line, so the
            # block is the header, then one empty line per tuple, then the
            # empty line that ends every block.
            k = h + 1
            while k < n and data[k:k + 1] == b"\n":
                k += 1
            blocks[name] = b"\n" * max(0, k - (h + 1) - 1)
            pos = k
            continue
        e = data.find(b"\n\n", h)
        if e < 0:
            body = data[h + 1:]
            pos = n
        else:
            body = data[h + 1:e + 1]
            pos = e + 2
        blocks[name] = body  # derived blocks come after declared ones: last wins
    return blocks


def digest(body):
    return hashlib.sha256(body).hexdigest(), body.count(b"\n")


def check(meta, wdir, outputs=(("levezet", "levezet.txt"),)):
    """Compare each (tool, output file) in `outputs` with sqlite's result (and
    sort's, and the closed-form counts where the workload has them); return
    (rows sqlite3 gave for the main relations, notes)."""
    outdir = os.path.join(wdir, "out")
    notes = []
    closed = meta.get("expect") or {}
    wanted = {}  # relation -> (hash, rows) of sqlite3's result
    for name, res_file, _strip in meta["queries"]:
        try:
            with open(os.path.join(outdir, res_file), "rb") as f:
                wanted[name] = digest(f.read())
        except OSError:
            notes.append(f"sqlite3 wrote no {res_file}")
            continue
        if name in closed and wanted[name][1] != closed[name]:
            notes.append(f"MISMATCH: sqlite3 gave {wanted[name][1]} rows for {name}, "
                         f"the closed form {closed[name]}")
    mains = meta["main"] if isinstance(meta["main"], list) else [meta["main"]]
    main_rows = (sum(wanted[m][1] for m in mains)
                 if all(m in wanted for m in mains) else None)
    sort_result = None
    if meta.get("sort_input"):
        try:
            with open(os.path.join(outdir, "sort.txt"), "rb") as f:
                sort_result = digest(f.read())
        except OSError:
            notes.append("sort wrote no output")
    for tool, out_file in outputs:
        try:
            blocks = levezet_blocks(os.path.join(outdir, out_file))
        except OSError:
            notes.append(f"{tool} wrote no output file; nothing to compare")
            continue
        for name, _res_file, strip_quotes in meta["queries"]:
            if name not in wanted and name not in closed:
                continue
            if name not in blocks:
                have = (f"sqlite3: {wanted[name][1]} rows" if name in wanted
                        else f"expected: {closed[name]} tuples")
                notes.append(f"MISMATCH: relation {name} missing from {tool}'s output "
                             f"({have})")
                continue
            body = blocks[name]
            if strip_quotes:
                body = body.replace(b"'", b"")
            lev_hash, lev_rows = digest(body)
            if name in closed and lev_rows != closed[name]:
                notes.append(f"MISMATCH: {name} has {lev_rows} tuples in {tool}'s "
                             f"output, the closed form gives {closed[name]}")
            if name in wanted:
                sql_hash, sql_rows = wanted[name]
                if lev_rows != sql_rows:
                    notes.append(f"MISMATCH: {name} has {lev_rows} tuples in {tool}'s "
                                 f"output, sqlite3 gave {sql_rows} rows")
                elif lev_hash != sql_hash:
                    notes.append(f"warning: {name} in {tool}'s output has the same "
                                 f"count ({lev_rows}) but different tuples or order "
                                 f"than sqlite3")
        first = meta["queries"][0][0]
        if sort_result is not None and first in blocks:
            sort_hash, sort_rows = sort_result
            lev_hash, lev_rows = digest(blocks[first])
            if lev_rows != sort_rows:
                notes.append(f"MISMATCH: {first} has {lev_rows} tuples in {tool}'s "
                             f"output, sort -u gave {sort_rows} lines")
            elif lev_hash != sort_hash:
                notes.append(f"warning: {first} in {tool}'s output differs from "
                             f"sort -u's lines (same count {lev_rows})")
        del blocks
    return main_rows, notes


# --------------------------------------------------------------------------
# Report
# --------------------------------------------------------------------------

def fmt(v, form, width):
    return (format(v, form) if v is not None else "-").rjust(width)


def ratio(a, b):
    if not a or not b or not a["ok"] or not b["ok"] or not b["median"]:
        return None
    return a["median"] / b["median"]


def paired_ratio(a, b):
    """Median of the run-by-run ratios a/b: run r of each was taken in the same
    turn, so a drift of the machine's speed moves both sides of a pair."""
    if not a or not b or not a["ok"] or not b["ok"]:
        return None
    pairs = [x["wall"] / y["wall"] for x, y in zip(a["runs"], b["runs"]) if y["wall"]]
    return statistics.median(pairs) if pairs else None


def rss_ratio(a, b):
    if not a or not b or not a["ok"] or not b["ok"] or not a["rss"] or not b["rss"]:
        return None
    return a["rss"] / b["rss"]


def machine_info(args, levezet):
    cpu = platform.processor() or "?"
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    cpu = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    try:
        ver = subprocess.run([args.sqlite3, "--version"], capture_output=True,
                             text=True).stdout.split()[0]
    except (OSError, IndexError):
        ver = "?"
    return {"cpu": cpu, "cores": os.cpu_count(), "kernel": platform.release(),
            "sqlite3": ver, "levezet": levezet,
            "baseline": os.path.abspath(args.baseline) if args.baseline else None,
            "scale": args.scale,
            "runs": args.runs, "seed": args.seed,
            "date": time.strftime("%Y-%m-%d %H:%M:%S")}


def report(rows, info, scale):
    print()
    print(f"machine: {info['cpu']}, {info['cores']} cores, kernel {info['kernel']}; "
          f"sqlite3 {info['sqlite3']}")
    print(f"scale {scale}, {info['runs']} run(s) per tool, seed {info['seed']}; "
          "time = median wall seconds of the whole process, "
          "MiB = highest peak RSS over the runs")
    with_base = any("baseline" in row for row in rows)
    base_head = (f"{'baseline':>8}{'MiB':>7} {'lev/base':>8} {'MiB/base':>8} | "
                 if with_base else "")
    head = (f"{'':5}{'input':>9}{'derived':>9} | {'levezet':>8}{'MiB':>7}"
            f"{'us/tup':>9} | {base_head}{'sqlite3':>8}{'MiB':>7} {'lev/sql':>7} | "
            f"{'sort -u':>8}{'MiB':>7} {'lev/sort':>8} | check")
    print()
    print(head)
    print("-" * len(head))
    for row in rows:
        lev, sql, srt = row["levezet"], row["sqlite3"], row.get("sort")
        us = (lev["median"] / row["input_tuples"] * 1e6
              if lev["ok"] and row["input_tuples"] else None)

        def cell(s, w1=8, w2=7):
            if s is None:
                return " " * (w1 + w2)
            if "median" not in s:
                return s["why"][:w1 + w2].rjust(w1 + w2)
            return fmt(s["median"], ".3f", w1) + fmt(s["rss"], ".1f", w2)
        r_sql = ratio(lev, sql)
        r_sort = ratio(lev, srt) if srt else None
        check_txt = "ok" if not row["notes"] else "SEE BELOW"
        base_cells = ""
        if with_base:
            base = row.get("baseline")
            base_cells = (f"{cell(base)} {fmt(paired_ratio(lev, base), '.3f', 8)} "
                          f"{fmt(rss_ratio(lev, base), '.3f', 8)} | ")
        print(f"{row['name']:5}{row['input_tuples']:>9}"
              f"{fmt(row['rows'], 'd', 9)} | {cell(lev)}{fmt(us, '.2f', 9)} | "
              f"{base_cells}{cell(sql)} {fmt(r_sql, '.3f', 7)} | "
              f"{cell(srt)} {fmt(r_sort, '.3f', 8) if srt else ' ' * 8} | {check_txt}")
    print()
    print("input = input tuples, derived = rows of the result sqlite3 wrote "
          "(W1: the distinct tuples of t; W6: path3 and reach together),")
    print("us/tup = levezet's microseconds per input tuple; lev/sql and lev/sort = "
          "levezet's median time divided by the other's (below 1: levezet is faster).")
    if with_base:
        print(f"baseline = {info.get('baseline')}; lev/base = the median of the run-by-run "
              "ratios of levezet's time to the baseline's (paired), MiB/base = "
              "levezet's peak memory divided by the baseline's.")
    for row in rows:
        for note in row["notes"]:
            print(f"{row['name']}: {note}")

    if not any(row["name"] in TARGETS for row in rows):
        return
    print()
    print("targets (they apply at --scale 1"
          + ("" if scale == 1 else f"; this run is at --scale {scale}, "
             "so the verdicts are only indicative") + "):")
    for row in rows:
        t = TARGETS.get(row["name"])
        if not t:
            continue
        lev = row["levezet"]
        r_sql = ratio(lev, row["sqlite3"])
        parts = []

        def verdict(value, limit, unit):
            if value is None:
                return f"- (target <= {limit}{unit})"
            shown = f"{value:.1f}" if unit == " MiB" else f"{value:.3f}"
            return (f"{shown}{unit} <= {limit}{unit} "
                    + ("met" if value <= limit else "MISSED"))
        parts.append("lev/sql " + verdict(r_sql, t[0], "x"))
        parts.append("peak " + verdict(lev.get("rss"), t[1], " MiB"))
        if t[2] is not None:
            parts.append("lev/sort " + verdict(ratio(lev, row.get("sort")), t[2], "x"))
        print(f"  {row['name']:4} " + ";  ".join(parts))


# --------------------------------------------------------------------------

def inside(path, root):
    path, root = os.path.realpath(path), os.path.realpath(root)
    return path == root or path.startswith(root.rstrip(os.sep) + os.sep)


def main():
    ap = argparse.ArgumentParser(
        description="Benchmark levezet against sqlite3 (and sort -u for W1).")
    ap.add_argument("--scale", type=float, default=1.0,
                    help="size factor for every workload (1 = full size; "
                         "0.1 for a quick run)")
    ap.add_argument("--runs", type=int, default=3,
                    help="runs per tool and workload (default 3)")
    ap.add_argument("--levezet", default=os.path.join(REPO_ROOT, "build", "levezet"),
                    help="levezet binary (default: build/levezet in the repo)")
    ap.add_argument("--baseline", default=None, metavar="PATH",
                    help="a second levezet binary, run as one more tool taking turns "
                         "with the others and compared with --levezet")
    ap.add_argument("--sqlite3", default="sqlite3", help="sqlite3 binary")
    ap.add_argument("--workdir", default="/tmp/levezet-bench",
                    help="folder for generated data and outputs "
                         "(default /tmp/levezet-bench; not inside the repo)")
    ap.add_argument("--seed", type=int, default=4242, help="random seed (default 4242)")
    ap.add_argument("--only", default=",".join(ALL_WORKLOADS),
                    help="comma-separated workloads to run (default: all)")
    ap.add_argument("--timeout", type=float, default=900,
                    help="seconds before one run is killed (default 900)")
    ap.add_argument("--generate-only", action="store_true",
                    help="only generate the workloads, run nothing")
    args = ap.parse_args()

    names = [w.strip() for w in args.only.split(",") if w.strip()]
    unknown = [w for w in names if w not in GENERATORS]
    if unknown:
        ap.error(f"unknown workload(s): {', '.join(unknown)}; "
                 f"choose from {', '.join(GENERATORS)}")
    if args.scale <= 0:
        ap.error("--scale must be positive")
    if args.runs < 1:
        ap.error("--runs must be at least 1")
    if inside(args.workdir, REPO_ROOT):
        ap.error(f"--workdir {args.workdir} is inside the repository; "
                 "choose a folder outside it")

    levezet = os.path.abspath(args.levezet)
    baseline = os.path.abspath(args.baseline) if args.baseline else None
    if not args.generate_only:
        if not (os.path.isfile(levezet) and os.access(levezet, os.X_OK)):
            print(f"levezet binary not found (or not executable): {levezet}\n"
                  "Build it first, or pass its path with --levezet PATH. "
                  "Nothing was run.", file=sys.stderr)
            return 2
        if baseline and not (os.path.isfile(baseline) and os.access(baseline, os.X_OK)):
            print(f"baseline binary not found (or not executable): {baseline}\n"
                  "Nothing was run.", file=sys.stderr)
            return 2
        missing = []
        if not (os.path.isfile(TIME_BIN) and os.access(TIME_BIN, os.X_OK)):
            missing.append(f"{TIME_BIN} (package time)")
        if shutil.which(args.sqlite3) is None:
            missing.append(f"{args.sqlite3} (package sqlite3)")
        if shutil.which("sort") is None:
            missing.append("sort (package coreutils)")
        if missing:
            print("missing: " + ", ".join(missing) + "\n"
                  f"install with: {INSTALL_HINT}   (as root, after apt-get update)",
                  file=sys.stderr)
            return 2

    data_root = os.path.join(os.path.abspath(args.workdir),
                             f"scale-{args.scale:g}-seed-{args.seed}")
    metas = {}
    for name in names:
        wdir = os.path.join(data_root, name)
        t0 = time.perf_counter()
        metas[name] = generate(name, args.scale, args.seed, wdir)
        print(f"{name}: {metas[name]['note']}  [{wdir}, "
              f"{time.perf_counter() - t0:.1f} s]", flush=True)
    if args.generate_only:
        return 0

    info = machine_info(args, levezet)
    rows = []
    for name in names:
        wdir = os.path.join(data_root, name)
        print(f"{name}: running", flush=True)
        res = run_workload(metas[name], wdir, args, levezet, baseline)
        outputs = [("levezet", "levezet.txt")]
        if baseline:
            outputs.append(("baseline", "baseline.txt"))
        main_rows, notes = check(metas[name], wdir, outputs)
        row = {"name": name, "input_tuples": metas[name]["input_tuples"],
               "rows": main_rows}
        for tool, runs in res.items():
            row[tool] = summarise(runs)
            if not row[tool]["ok"]:
                notes.insert(0, f"{tool} failed ({row[tool]['why']}); see "
                                f"{os.path.join(wdir, 'out', tool + '.stderr')}")
        row["notes"] = notes
        rows.append(row)

    report(rows, info, args.scale)
    out_json = os.path.join(data_root, "results.json")
    with open(out_json, "w") as f:
        json.dump({"info": info, "workloads": rows}, f, indent=1)
    print(f"\nraw figures: {out_json}")
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except KeyboardInterrupt:
        print("\ninterrupted", file=sys.stderr)
        sys.exit(130)
