#!/usr/bin/env bash
# The console dialogue, the exit status and the file handling of whole runs.
# Usage: dialogue_test.sh PATH_TO_PROGRAM
set -u
program=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failures=0

check() {  # check NAME EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then
    printf 'FAIL %s\n  expected: %q\n  actual:   %q\n' "$1" "$2" "$3"
    failures=$((failures + 1))
  fi
}

input_prompt=$(printf 'Adja meg az input file nev\xE9t!')
output_prompt=$(printf 'Adja meg az output file nev\xE9t!')
output_only_prompt=$(printf 'Adja meg az output file nev\xE9t is!')
success='A program sikeresen lefutott. Egy gomb, es az enter leutesevel kilephet.'

printf 'p(X)<-e(X)\n\ne(a)\n1\n' > inputkteszt.txt
printf 'p(X)<-e(X)\n\ne(a)\n1\n\np(X)\n1\n\n' > expected.txt

# No arguments, standard input at its end: both prompts, both defaults.
out=$("$program" </dev/null); status=$?
check "no-args stdout" "$input_prompt"$'\n'"$output_prompt"$'\n'"$success" "$out"
check "no-args status" 0 "$status"
check "no-args output" "$(cat expected.txt)" "$(cat outputk.txt)"

# One argument: only the output prompt, the default output name kept.
rm -f outputk.txt
out=$("$program" inputkteszt.txt </dev/null); status=$?
check "one-arg stdout" "$output_only_prompt"$'\n'"$success" "$out"
check "one-arg output" "$(cat expected.txt)" "$(cat outputk.txt)"

# Two or more arguments: no prompt; a third argument changes nothing.
out=$("$program" inputkteszt.txt two.txt extra </dev/null); status=$?
check "two-args stdout" "$success" "$out"
check "two-args output" "$(cat expected.txt)" "$(cat two.txt)"

# Names typed on the console are whitespace-delimited words.
cp inputkteszt.txt typed.txt
out=$(printf '  typed.txt   typed-out.txt\nx\n' | "$program"); status=$?
check "typed names" "$(cat expected.txt)" "$(cat typed-out.txt 2>/dev/null)"

# A missing input: message, status 1, no success, the output left alone.
printf 'old\n' > kept.txt
out=$("$program" missing.txt kept.txt </dev/null 2>err.txt); status=$?
check "missing-input stdout" "" "$out"
check "missing-input stderr" "Nem tudtam megnyitni az inputfile-t!! missing.txt" "$(cat err.txt)"
check "missing-input status" 1 "$status"
check "missing-input kept output" "old" "$(cat kept.txt)"
"$program" . kept.txt </dev/null 2>err.txt; status=$?
check "folder-input status" 1 "$status"

# The output naming the input, directly, through a link or a hard link.
ln -s inputkteszt.txt link.txt
ln inputkteszt.txt hard.txt
for same in inputkteszt.txt ./inputkteszt.txt link.txt hard.txt; do
  "$program" inputkteszt.txt "$same" </dev/null 2>err.txt >/dev/null; status=$?
  check "same-file $same stderr" "Az input es az output file ugyanaz!! $same" "$(cat err.txt)"
  check "same-file $same status" 1 "$status"
done
check "same-file input intact" "$(printf 'p(X)<-e(X)\n\ne(a)\n1')" "$(cat inputkteszt.txt)"

# An output in a missing folder, and a write error.
"$program" inputkteszt.txt nofolder/out.txt </dev/null 2>err.txt >/dev/null; status=$?
check "missing-folder stderr" "Nem tudtam megnyitni az outputfile-t!! nofolder/out.txt" "$(cat err.txt)"
check "missing-folder status" 1 "$status"
if [ -w /dev/full ]; then
  out=$("$program" inputkteszt.txt /dev/full </dev/null 2>err.txt); status=$?
  check "full-disk stderr" "Nem tudtam kiirni az outputfile-t!! /dev/full" "$(cat err.txt)"
  check "full-disk status" 1 "$status"
  check "full-disk stdout" "" "$out"
fi

# Permission bits: an existing file keeps its own, a new one gets 0664 less the umask.
printf 'old\n' > private.txt
chmod 0600 private.txt
"$program" inputkteszt.txt private.txt </dev/null >/dev/null
check "kept mode" 600 "$(stat -c %a private.txt)"
check "kept mode content" "$(cat expected.txt)" "$(cat private.txt)"
(umask 0022 && "$program" inputkteszt.txt new.txt </dev/null >/dev/null)
check "new mode" 644 "$(stat -c %a new.txt)"

# A link as the output is written through; the link stays a link.
printf 'old\n' > target.txt
ln -s target.txt out-link.txt
"$program" inputkteszt.txt out-link.txt </dev/null >/dev/null
check "link still a link" "out-link.txt" "$(find . -maxdepth 1 -type l -name out-link.txt -printf '%f')"
check "link target written" "$(cat expected.txt)" "$(cat target.txt)"

# A link to nothing gets its target, and stays a link.
ln -s missing-target.txt dangling.txt
"$program" inputkteszt.txt dangling.txt </dev/null >/dev/null; status=$?
check "dangling link status" 0 "$status"
check "dangling link stays a link" "dangling.txt" "$(find . -maxdepth 1 -type l -name dangling.txt -printf '%f')"
check "dangling link target written" "$(cat expected.txt)" "$(cat missing-target.txt 2>/dev/null)"

# No temporary file is left behind by any of the runs above.
check "no temporaries" "" "$(find . -name '.*.??????' -printf '%f ')"

# The output written to a pipe.
# (Read to the end: a reader that quits early would end the run by SIGPIPE.)
piped=$("$program" inputkteszt.txt /dev/stdout </dev/null | cat)
check "pipe output" "p(X)<-e(X)" "${piped:0:10}"

# Options. Help and version: exit 0, nothing asked, read or written, no wait
# (standard input stays open: a run that waited would be stopped by timeout).
rm -f outputk.txt
out=$(timeout 3 "$program" --help < <(sleep 5 2>/dev/null)); status=$?
check "help status" 0 "$status"
check "help first line" "Hasznalat: levezet [kapcsolok] [inputfile [outputfile]]" "${out%%$'\n'*}"
check "help writes nothing" "" "$(find . -name outputk.txt)"
out=$(timeout 3 "$program" -h inputkteszt.txt out.txt < <(sleep 5 2>/dev/null)); status=$?
check "-h status" 0 "$status"
check "-h writes nothing" "" "$(find . -name out.txt)"
out=$(timeout 3 "$program" -V < <(sleep 5 2>/dev/null)); status=$?
check "version" "0 levezet" "$status ${out% *}"

# Unknown options and misplaced ones: a message naming it, status 2, no file.
out=$("$program" --nope inputkteszt.txt out.txt </dev/null 2>err.txt); status=$?
check "unknown status" 2 "$status"
check "unknown stderr" $'levezet: ismeretlen kapcsolo: --nope\nLasd: levezet --help' "$(cat err.txt)"
check "unknown stdout" "" "$out"
check "unknown writes nothing" "" "$(find . -name out.txt)"
out=$("$program" -q --explain </dev/null 2>err.txt); status=$?
check "explain without fact" $'2 levezet: a --explain kapcsolo utan hianyzik a teny\nLasd: levezet --help' \
  "$status $(cat err.txt)"
check "explain without fact writes nothing" "" "$out$(find . -name outputk.txt)"

# --explain: the derivation on standard output, before the success message.
out=$("$program" --explain 'p(1)' --explain 'p(2)' inputkteszt.txt explained.txt </dev/null)
check "explain stdout" $'--- levezetes ---\np(1)\n  szabaly, 1. sor: p(X)<-e(X)\n  kotesek: X=1\n  e(1)\n    bemenet, 4. sor\np(2): nem eleme a relacionak\n'"$success" "$out"
check "explain output" "$(cat expected.txt)" "$(cat explained.txt)"

# A derivation 6,000 steps deep: explained without deep recursion; lines more
# than 50 steps deep start with their depth, so the text grows linearly.
{ printf 'reach(Y)<-e(0,Y)\nreach(Z)<-reach(Y),e(Y,Z)\n\ne(a,b)\n'; seq 0 5999 | awk '{print $1","$1+1}'; } > deep.txt
"$program" -q --explain 'reach(6000)' deep.txt deep-out.txt > deep-explained.txt; status=$?
check "deep explanation" "0 30001" "$status $(wc -l < deep-explained.txt)"
check "deep explanation bottom" "18003:[6001] bemenet, 5. sor" "$(grep -n '^\[6001\]' deep-explained.txt)"
check "deep explanation size" "yes" "$([ "$(wc -c < deep-explained.txt)" -lt 1000000 ] && echo yes)"

# Quiet: no prompt, no success message, no wait; missing names take the defaults.
out=$(timeout 3 "$program" -q < <(sleep 5 2>/dev/null)); status=$?
check "quiet status" 0 "$status"
check "quiet stdout" "" "$out"
check "quiet defaults" "$(cat expected.txt)" "$(cat outputk.txt 2>/dev/null)"
rm -f outputk.txt
out=$(timeout 3 "$program" --quiet inputkteszt.txt < <(sleep 5 2>/dev/null)); status=$?
check "quiet one name" "0 $(cat expected.txt)" "$status $(cat outputk.txt 2>/dev/null)"

# "--" ends the options; after a file name, and "-" alone, are file names.
cp inputkteszt.txt ./-q
out=$("$program" -- -q dash-out.txt </dev/null); status=$?
check "double dash" "0 $success" "$status $out"
out=$("$program" inputkteszt.txt -w </dev/null); status=$?
check "option after a name is a name" "0 $(cat expected.txt)" "$status $(cat ./-w 2>/dev/null)"

# No warnings: the same run, standard error empty; failures still speak.
printf 'p(X)<-e(X\n\ne(a)\n1\n' > warn.txt
"$program" warn.txt warn-out.txt </dev/null >/dev/null 2>err.txt
check "warning shown" "warn.txt:1:3: figyelmeztetes: " "$(head -c 30 err.txt)"
"$program" -w warn.txt warn-out2.txt </dev/null >/dev/null 2>err.txt
check "warning hidden" "" "$(cat err.txt)"
check "warning hidden output" "$(cat warn-out.txt)" "$(cat warn-out2.txt)"
"$program" -w -q missing.txt x.txt 2>err.txt; status=$?
check "failure still said" "1 Nem tudtam megnyitni az inputfile-t!! missing.txt" "$status $(cat err.txt)"

# Trace: a report on standard error naming every rule line with its rows, the
# rounds and tuples of each recursive member; the output file as without it.
printf 'p2(X,Z)<-e2(X,Y),e2(Y,Z)\ntc(X,Y)<-e2(X,Y)\ntc(X,Z)<-tc(X,Y),e2(Y,Z)\n\ne2(a,b)\n1,2\n2,3\n3,4\n' > trace.txt
"$program" -q trace.txt trace-plain.txt 2>/dev/null
"$program" --trace -q trace.txt trace-out.txt 2>err.txt; status=$?
check "trace status" 0 "$status"
check "trace output unchanged" "$(cat trace-plain.txt)" "$(cat trace-out.txt)"
check "trace order" "  2. rekurziv csoport: tc" "$(grep -F '2. rekurziv' err.txt)"
check "trace rule 1" "  1. sor: 2 sort adott 1 kiertekelesben" "$(grep -o '^  1\. sor: [^,]*' err.txt)"
check "trace rule 3" "3. sor: " "$(grep -o '3\. sor: ' err.txt)"
check "trace member" "; tc 6 sor" "$(grep -o '; tc [0-9]* sor' err.txt)"
check "trace times" "idok: beolvasas" "$(grep -o '^idok: beolvasas' err.txt)"
# A rule that reads its own head twice, over a declared relation: each slice
# of new rows is one more evaluation, its rows counted apart.
printf 'tc(X,Z)<-tc(X,Y),tc(Y,Z)\n\ntc(a,b)\n1,2\n2,3\n3,4\n4,5\n' > doubly.txt
"$program" --trace -q doubly.txt doubly-out.txt 2>err.txt
check "trace doubly recursive rule" "  1. sor: 11 sort adott 5 kiertekelesben" "$(grep -o '^  1\. sor: [^,]*' err.txt)"
check "trace doubly recursive group" "  tc: 3 kor; tc 10 sor" "$(grep '^  tc: ' err.txt)"
# A member declared twice is evaluated by plain rounds, which count their rounds too.
printf 'tc(X,Y)<-e2(X,Y)\ntc(X,Z)<-tc(X,Y),e2(Y,Z)\n\ne2(a,b)\n1,2\n2,3\n\ntc(a,b)\n9,9\n\ntc(a,b)\n8,8\n' > rounds.txt
"$program" --trace -q rounds.txt rounds-out.txt 2>err.txt
check "trace plain rounds" "  tc: 2 kor" "$(grep -o '^  tc: [0-9]* kor' err.txt)"

if [ "$failures" -ne 0 ]; then
  echo "$failures failed"
  exit 1
fi
echo "dialogue: all checks passed"
