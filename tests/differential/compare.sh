#!/usr/bin/env bash
# Differential run: random programs (tests/differential/generate.py) through two
# levezet binaries, the current one and a reference one, comparing the output
# file, standard output, standard error (warnings about the input left out)
# and exit status byte for byte (control bytes on the console compared as newer
# builds write them, escaped).
#
#   compare.sh [--reference COMMIT_OR_BINARY] [--current COMMIT_OR_BINARY]
#              [--programs N] [--seed S] [--first K] [--jobs J] [--timeout SECONDS]
#              [--inputs FOLDER]
#
# A commit is built in a detached worktree (Release, target levezet only) and
# the binary kept in ${TMPDIR:-/tmp}/levezet-reference-<full hash>/levezet, so
# later runs do not build it again. --current defaults to build/levezet.
# Program K of seed S is the same in every run: --first K --programs 1 runs it
# alone. --inputs runs the files of FOLDER (all of them) instead of programs
# generated. J lanes (default 2) run batches of programs side by side. A run is
# stopped after SECONDS (default 10).
#
# Exit status: 0 when every program agreed, 1 at the first difference (the
# program is kept and printed with what differed), 2 on a usage or build
# error, 77 when the reference commit is not in the repository (a shallow
# clone, say).
set -euo pipefail

# The reference: the commit before the code was rearranged so that each
# concept has one home (the diagnostics and the relation section in input/,
# one listener for the evaluation's events, one row primitive), without a
# change of bytes.
reference_commit=4804008
default_seed=20251208
batch_size=250
run_timeout=10

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
generator="$root/tests/differential/generate.py"

usage() {
  sed -n '2,19s/^# \{0,1\}//p' "${BASH_SOURCE[0]}" >&2
  exit 2
}

reference=$reference_commit
current=$root/build/levezet
programs=2000
inputs=""
seed=$default_seed
first=1
jobs=2
while [ $# -gt 0 ]; do
  case $1 in
    --reference) reference=${2:?}; shift 2 ;;
    --current) current=${2:?}; shift 2 ;;
    --programs) programs=${2:?}; shift 2 ;;
    --inputs) inputs=${2:?}; shift 2 ;;
    --seed) seed=${2:?}; shift 2 ;;
    --first) first=${2:?}; shift 2 ;;
    --jobs) jobs=${2:?}; shift 2 ;;
    --timeout) run_timeout=${2:?}; shift 2 ;;
    -h | --help) usage ;;
    *) echo "compare.sh: unknown argument $1" >&2; usage ;;
  esac
done
if [ -n "$inputs" ]; then
  [ -d "$inputs" ] || { echo "compare.sh: --inputs takes a folder" >&2; exit 2; }
  inputs=$(cd "$inputs" && pwd)
  programs=$(find "$inputs" -maxdepth 1 -type f | wc -l)
fi
case $programs$first$jobs$run_timeout in
  *[!0-9]*) echo "compare.sh: --programs, --first, --jobs and --timeout take numbers" >&2; exit 2 ;;
esac
[ "$jobs" -ge 1 ] || jobs=1

tmp_root=${TMPDIR:-/tmp}
work=$(mktemp -d "$tmp_root/levezet-differential.XXXXXX")
worktree=""
cleanup() {
  if [ -n "$worktree" ]; then
    git -C "$root" worktree remove --force "$worktree" >/dev/null 2>&1 || true
  fi
  rm -rf "$work" || true
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Sets `resolved` to the path of a levezet binary for ARGUMENT: an executable
# file as it is, otherwise a commit, built once and cached. Exits 77 when the
# reference is a commit the repository does not have, 2 when the current
# binary is neither.
resolve_binary() {  # resolve_binary ARGUMENT WHAT
  local argument=$1 what=$2 hash cache log
  if [ -f "$argument" ] && [ -x "$argument" ]; then
    resolved=$(cd "$(dirname "$argument")" && pwd)/$(basename "$argument")
    return
  fi
  if ! hash=$(git -C "$root" rev-parse --verify --quiet "$argument^{commit}" 2>/dev/null); then
    if [ "$what" = current ] || [[ $argument == */* ]]; then
      echo "compare.sh: the $what binary $argument is no executable file nor a commit" >&2
      exit 2
    fi
    if [ "$(git -C "$root" rev-parse --is-shallow-repository 2>/dev/null)" = true ]; then
      echo "compare.sh: SKIPPED: the $what commit $argument is not in this shallow clone;" \
        "fetch the history (git fetch --unshallow) to run the differential test" >&2
    else
      echo "compare.sh: SKIPPED: the $what commit $argument is not in the repository at $root" >&2
    fi
    exit 77
  fi
  cache=$tmp_root/levezet-reference-$hash
  mkdir -p "$cache"
  # One build at a time per commit, also across concurrent runs.
  exec 9>"$cache/lock"
  flock 9
  if [ ! -x "$cache/levezet" ]; then
    echo "building levezet at ${hash:0:12} ($what) ..." >&2
    local started=$SECONDS
    worktree=$work/source-$hash
    log=$work/build-$hash.log
    if ! (git -C "$root" worktree add --detach "$worktree" "$hash" && cd "$worktree" &&
      cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DLEVEZET_TESTS=OFF &&
      cmake --build build -j2 --target levezet) >"$log" 2>&1; then
      tail -n 40 "$log" >&2
      echo "compare.sh: building levezet at $hash failed" >&2
      exit 2
    fi
    cp "$worktree/build/levezet" "$cache/levezet.partial"
    mv "$cache/levezet.partial" "$cache/levezet"
    git -C "$root" worktree remove --force "$worktree" >/dev/null 2>&1
    worktree=""
    echo "built in $((SECONDS - started)) s: $cache/levezet" >&2
  fi
  exec 9>&-
  resolved=$cache/levezet
}

resolve_binary "$reference" reference
reference_binary=$resolved
resolve_binary "$current" current
current_binary=$resolved
echo "reference: $reference_binary"
echo "current:   $current_binary"
echo "seed $seed, programs $first to $((first + programs - 1))"

# Standard error without the warnings about the input, which say more in
# newer builds: the one-line form of older ones, and the FILE:LINE:COLUMN form
# with its input line and caret line, and the line that counts those left out.
drop_warnings() {
  awk '
    skip > 0 { skip--; next }
    /^Figyelmeztetes: / { next }
    /^input\.txt: meg [0-9]+ figyelmeztetes/ { next }
    /^input\.txt:[0-9]+:[0-9]+: figyelmeztetes: / { skip = 2; next }
    /^input\.txt:[0-9]+: figyelmeztetes: / { skip = 1; next }
    { print }'
}

# Control bytes written as newer builds show text of the input on the console
# (\x1b); for a newer build's text, which has none left, nothing changes.
escape_controls() {
  perl -pe 's/([\x00-\x08\x0b-\x1f\x7f\x80-\x9f])/sprintf("\\x%02x", ord($1))/ge'
}

# Runs BINARY on input.txt in the fresh folder CASE/run, leaving there out.txt
# (if written) and in CASE the files stdout, stderr and status; sets `status`.
# Other files a run leaves (a temporary output file, named at random, after a
# run that was stopped) are renamed left-over.1, left-over.2, ... so that
# both sides' can be compared.
run_case() {  # run_case BINARY CASE
  local file left_over=0
  status=0
  cd "$2/run"
  timeout "$run_timeout" "$1" input.txt out.txt </dev/null >../stdout 2>../stderr || status=$?
  cd "$work"
  drop_warnings <"$2/stderr" | escape_controls >"$2/stderr.kept"
  mv "$2/stderr.kept" "$2/stderr"
  escape_controls <"$2/stdout" >"$2/stdout.kept"
  mv "$2/stdout.kept" "$2/stdout"
  printf '%s\n' "$status" >"$2/status"
  for file in "$2"/run/.[!.]* "$2"/run/*; do
    case ${file##*/} in
      input.txt | out.txt | '.[!.]*' | '*') ;;
      *) left_over=$((left_over + 1)); mv "$file" "$2/run/left-over.$left_over" ;;
    esac
  done
}

# Prints what differs between the two sides of program NUMBER and keeps the
# program with both sides' observables.
report_difference() {  # report_difference NUMBER PROGRAM CURRENT_CASE REFERENCE_CASE
  local number=$1 program=$2 current_case=$3 reference_case=$4 kept
  kept=$(mktemp -d "$tmp_root/levezet-differential-difference-$seed-$number.XXXXXX")
  cp "$program" "$kept/input.txt"
  cp -r "$current_case" "$kept/current"
  cp -r "$reference_case" "$kept/reference"
  echo
  echo "DIFFERENCE: seed $seed, program $number"
  echo "again: tests/differential/compare.sh --reference $reference --current $current" \
    "--seed $seed --first $number --programs 1"
  echo "--- program ($(wc -c <"$program") bytes; cat -v)"
  cat -v "$program"
  echo
  echo "--- program (base64)"
  base64 "$program"
  local current_status reference_status
  current_status=$(cat "$current_case/status")
  reference_status=$(cat "$reference_case/status")
  if [ "$current_status" != "$reference_status" ]; then
    echo "--- exit status: reference $reference_status, current $current_status"
  fi
  local name left right
  for name in run/out.txt stdout stderr; do
    left=$reference_case/$name
    right=$current_case/$name
    if [ -e "$left" ] || [ -e "$right" ]; then
      [ -e "$left" ] || left=/dev/null
      [ -e "$right" ] || right=/dev/null
      if ! cmp -s "$left" "$right"; then
        echo "--- ${name#run/} differs (reference, then current; cat -v)"
        diff -a -u --label "reference ${name#run/}" --label "current ${name#run/}" \
          "$left" "$right" | cat -v | head -n 200 || true
      fi
    fi
  done
  local extra
  extra=$(diff -r -q "$reference_case/run" "$current_case/run" | grep -v 'out\.txt' || true)
  [ -z "$extra" ] || printf -- '--- files left in the run folders differ\n%s\n' "$extra"
  echo "--- kept in $kept (input.txt; for each side run/, stdout, stderr, status)"
}

# Programs START to START + COUNT - 1 as FOLDER/NNNNNNN.txt: generated, or
# with --inputs the files of that folder in name order.
make_programs() {  # make_programs START COUNT FOLDER
  if [ -z "$inputs" ]; then
    python3 "$generator" --seed "$seed" --first "$1" --count "$2" --out "$3"
    return
  fi
  mkdir -p "$3"
  local number=$1 file
  while IFS= read -r file; do
    cp "$file" "$3/$(printf '%07d' "$number").txt"
    number=$((number + 1))
  done < <(find "$inputs" -maxdepth 1 -type f | LC_ALL=C sort | tail -n "+$1" | head -n "$2")
}

# One lane: the batches LANE, LANE + jobs, ... of batch_size programs each.
# Per batch the programs are generated, each laid out twice as
# SIDE/NUMBER/run/input.txt, run through both binaries, and the two trees
# compared at once. Leaves the number of programs compared and of runs that
# timed out in counts-LANE; on a difference writes report-LANE and exits 1.
run_lane() {  # run_lane LANE
  local lane=$1 dir=$work/lane-$1 start count number name compared=0 differing
  local current_status timed_out=""
  for ((start = first + lane * batch_size; start <= last; start += jobs * batch_size)); do
    count=$((last - start + 1))
    [ "$count" -le "$batch_size" ] || count=$batch_size
    rm -rf "$dir"
    make_programs "$start" "$count" "$dir/programs"
    python3 -c '
import os, shutil, sys
folder = sys.argv[1]
for name in os.listdir(folder + "/programs"):
    for side in ("current", "reference"):
        run = "%s/%s/%s/run" % (folder, side, name[:-4])
        os.makedirs(run)
        shutil.copyfile(folder + "/programs/" + name, run + "/input.txt")
' "$dir"
    for ((number = start; number < start + count; number++)); do
      printf -v name '%07d' "$number"
      run_case "$current_binary" "$dir/current/$name"
      current_status=$status
      run_case "$reference_binary" "$dir/reference/$name"
      if [ "$current_status" = 124 ] && [ "$status" = 124 ]; then
        # Both stopped at the time limit: what they wrote so far need not
        # agree, so only the status is compared.
        rm -rf "$dir/current/$name/run" "$dir/reference/$name/run" \
          "$dir/current/$name/stdout" "$dir/reference/$name/stdout" \
          "$dir/current/$name/stderr" "$dir/reference/$name/stderr"
        timed_out+=" $number"
      fi
    done
    if ! diff -r -q "$dir/current" "$dir/reference" >"$dir/differences" 2>&1; then
      # Folder names have seven digits, so the first line names the first
      # program that differs.
      differing=$(sed -n '1s#.*/\(current\|reference\)/\([0-9]\{7\}\).*#\2#p' "$dir/differences")
      if [ -z "$differing" ]; then
        cat "$dir/differences" >&2
        exit 2
      fi
      report_difference "$((10#$differing))" "$dir/programs/$differing.txt" \
        "$dir/current/$differing" "$dir/reference/$differing" >"$work/report-$lane"
      exit 1
    fi
    compared=$((compared + count))
    printf '%s\n' "$compared" >"$work/counts-$lane"
    [ -z "$timed_out" ] || printf '%s\n' "$timed_out" >"$work/timed-out-$lane"
  done
  rm -rf "$dir"
}

started=$SECONDS
last=$((first + programs - 1))
declare -A running=()
for ((lane = 0; lane < jobs; lane++)); do
  run_lane "$lane" &
  running[$!]=$lane
done
failed=0
while [ "${#running[@]}" -gt 0 ]; do
  status=0
  wait -n -p finished "${!running[@]}" || status=$?
  unset "running[$finished]"
  if [ "$status" -ne 0 ] && [ "$failed" -eq 0 ]; then
    failed=$status
    for pid in "${!running[@]}"; do  # the other lanes need not go on
      kill "$pid" 2>/dev/null || true
    done
  fi
done

compared=0
timed_out=""
for ((lane = 0; lane < jobs; lane++)); do
  if [ -f "$work/counts-$lane" ]; then
    read -r lane_compared <"$work/counts-$lane"
    compared=$((compared + lane_compared))
  fi
  if [ -f "$work/timed-out-$lane" ]; then
    read -r numbers <"$work/timed-out-$lane"
    timed_out+=" $numbers"
  fi
done
if [ "$failed" -ne 0 ]; then
  # Of the differences the lanes found, the one of the lowest program number.
  report=""
  lowest=""
  for candidate in "$work"/report-*; do
    [ -e "$candidate" ] || continue
    number=$(sed -n 's/^DIFFERENCE: seed .*, program \([0-9]*\)$/\1/p' "$candidate")
    if [ -z "$lowest" ] || [ "$number" -lt "$lowest" ]; then
      lowest=$number
      report=$candidate
    fi
  done
  if [ -z "$report" ]; then
    echo "compare.sh: a lane stopped with status $failed before finding a difference" >&2
    exit 2
  fi
  cat "$report"
  echo "$compared programs compared in full batches before the difference ($((SECONDS - started)) s)"
  exit 1
fi
echo "$compared programs compared, no difference ($((SECONDS - started)) s)"
if [ -n "$timed_out" ]; then
  echo "note: on both sides these programs ran into the ${run_timeout} s limit, so only" \
    "their exit status was compared:$timed_out"
fi
