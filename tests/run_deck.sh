#!/usr/bin/env bash
# Runs vetrix on one test case in a scratch folder and compares what it wrote with expected/.
#   case/            the input decks (every file beside expected/ is copied)
#   case/stdin       optional standard input (otherwise an empty one)
#   case/stdin.closed   marker: the run starts with its standard input closed
#   case/expected/status   exit status (0 when absent)
#   case/expected/stdout   screen text; elapsed-time figures are masked before comparing
#   case/expected/stderr   standard error text
#   case/expected/<file>   any other file the run must leave, compared byte for byte
set -u
exe=$1
case_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
find "$case_dir" -maxdepth 1 -type f ! -name stdin ! -name stdin.closed -exec cp {} "$work"/ \;
stdin=/dev/null
[ -f "$case_dir/stdin" ] && stdin="$case_dir/stdin"
if [ -f "$case_dir/stdin.closed" ]; then
  (cd "$work" && "$exe" <&- >stdout.out 2>stderr.out)
else
  (cd "$work" && "$exe" <"$stdin" >stdout.out 2>stderr.out)
fi
status=$?
# Elapsed times differ from run to run: their figure (and its field's trailing blanks) is masked.
mask() { sed -E 's/(Elapsed Time in Secs =) *[-+0-9.E]+ */\1 <t>/' "$1"; }
fail=0
want_status=0
[ -f "$case_dir/expected/status" ] && want_status=$(cat "$case_dir/expected/status")
if [ "$status" != "$want_status" ]; then
  echo "exit status $status, expected $want_status"
  echo "--- stdout"; cat "$work/stdout.out"; echo "--- stderr"; cat "$work/stderr.out"
  fail=1
fi
for f in "$case_dir"/expected/*; do
  [ -f "$f" ] || continue
  name=$(basename "$f")
  case "$name" in
    status) continue ;;
    stdout) got="$work/stdout.out" ;;
    stderr) got="$work/stderr.out" ;;
    *) got="$work/$name" ;;
  esac
  if [ ! -f "$got" ]; then
    echo "missing output file $name"; fail=1; continue
  fi
  if ! diff -u <(mask "$f") <(mask "$got") >"$work/diff.out"; then
    echo "difference in $name:"; head -n 60 "$work/diff.out"; fail=1
  fi
done
exit $fail
