#!/usr/bin/env bash
# A large well-formed program (joins, conditions on int and string columns,
# column numbers, recursion, texts with commas, blanks and Latin-2 letters
# inside their quotes) runs without a word on standard error.
#   well_formed_test.sh PROGRAM
set -eu
program=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 - "$work/input.txt" <<'PY'
import random, sys
random.seed(5)
rules = [
    "path2(X,Z)<-edge(X,Y),edge(Y,Z)",
    "reach(X,Y)<-edge(X,Y),X<50",
    "reach(X,Z)<-reach(X,Y),edge(Y,Z)",
    "named(N,X)<-person(X,N,A),A>=18,N!='Bob'",
    "pair(N,M)<-person(X,N,A),person(Y,M,B),edge(X,Y),$2<$5",
    "same(X)<-edge(X,Y),Y=X",
    "old(X,T)<-person(X,T,A),A>60,T='\xc9va'",
    "lone(X)<-edge(X,Y),X!=Y,X>=0",
]
lines = rules + ["", "edge(from,to)"]
lines += ["%d,%d" % (random.randrange(2000), random.randrange(2000)) for _ in range(30000)]
lines += ["", "person(id,name,age)"]
names = ["'Anna'", "'Bob'", "'\xc9va'", "'\xc1d\xe1m'", "'Kis, P\xe9ter'", "'a b c'", "''"]
# The first line gives the columns their types: no comma inside its text.
lines += ["0,'Anna',30"]
lines += ["%d,%s,%d" % (i, random.choice(names), random.randrange(90)) for i in range(1, 2000)]
with open(sys.argv[1], "wb") as f:
    f.write(("\n".join(lines) + "\n").encode("latin-1"))
PY
cd "$work"
status=0
"$program" -q input.txt output.txt >stdout.txt 2>stderr.txt || status=$?
if [ "$status" != 0 ] || [ -s stderr.txt ]; then
  echo "exit status $status; standard error:"
  head -n 30 stderr.txt
  exit 1
fi
echo "well formed: $(wc -l <output.txt) output lines, nothing on standard error"
