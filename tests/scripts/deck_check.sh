#!/usr/bin/env bash
# "vetrix --check CASE" on every end-to-end case, started from another folder: status 1 for the
# cases whose run stops before its first output, 0 for the others; not one file made, changed or
# touched, in the case or in the working folder; the screen text is the run's own up to that
# point (then one closing line for sound decks). Then a stop in the set-up itself, and command
# lines that are refused.
#   deck_check.sh <vetrix> <repository root>
set -u
exe=$1
root=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
mkdir "$work/cwd"
mask() { sed -E 's/(Elapsed Time in Secs =) *[-+0-9.E]+ */\1 <t>/' "$@"; }
listing() { (cd "$1" && find . -printf '%p %y %s %m %T@\n' | sort && find . -type f -exec sha1sum {} + | sort); }

# check <case folder> <expected status> <expected screen file or ""> <expected stderr file or "">
check() {
  local case=$1 want=$2 screen=$3 errors=$4 name status
  name=$(basename "$case")
  listing "$case" >"$work/before"
  (cd "$work/cwd" && "$exe" --check "$case" </dev/null >"$work/out" 2>"$work/err")
  status=$?
  listing "$case" >"$work/after"
  if [ "$status" != "$want" ]; then echo "$name: status $status, expected $want"; fail=1; fi
  if ! cmp -s "$work/before" "$work/after" || [ -n "$(ls -A "$work/cwd")" ]; then
    echo "$name: files written:"; diff "$work/before" "$work/after"; ls -A "$work/cwd"; fail=1
    rm -rf "${work:?}/cwd"/*
  fi
  if [ -n "$screen" ] && ! diff <(mask "$screen") <(mask "$work/out") >"$work/diff"; then
    echo "$name: screen differs from the run's:"; head -n 20 "$work/diff"; fail=1
  fi
  if [ -n "$errors" ] && ! cmp -s "$errors" "$work/err"; then
    echo "$name: standard error differs:"; cat "$work/err"; fail=1
  fi
}

for dir in "$root"/tests/decks/* "$root"/tests/stops/*; do
  [ -d "$dir/expected" ] || continue
  name=$(basename "$dir")
  case=$work/cases/$name
  mkdir -p "$case"
  find "$dir" -maxdepth 1 -type f ! -name stdin ! -name stdin.closed -exec cp -p {} "$case"/ \;
  # the run got past the set-up when its screen (or log file) shows the initial output
  if grep -qs "Output Initial Values" "$dir"/expected/*; then want=0; else want=1; fi
  screen=$work/screen.$name errors=""
  if grep -qs "SCREEN OUTPUT REDIRECTED" "$dir"/expected/*; then
    screen=""  # the run's screen went to a log file; the check's stays on the terminal
  elif [ "$want" = 0 ]; then
    sed '/^ Output Initial Values/,$d' "$dir/expected/stdout" >"$screen"
    echo " Check finished: the decks are sound and no file was written" >>"$screen"
  else
    cp "$dir/expected/stdout" "$screen"
    errors=$dir/expected/stderr
    [ -f "$errors" ] || errors=/dev/null
  fi
  check "$case" "$want" "$screen" "$errors"
done

# a stop in the set-up: a factor fill that no integer index can address
case=$work/cases/setup_stop
cp -rp "$root/tests/decks/krylov_gmres_progress" "$case"
rm -rf "$case/expected"
sed -i 's/^200 1e-08 10 3 0.01$/200 1e-08 10 2000000000 0.01/' "$case/Basparam.txt"
grep -q 2000000000 "$case/Basparam.txt" || { echo "setup_stop: deck not changed"; fail=1; }
check "$case" 1 "" ""
grep -q "ALLOCATION ERROR" "$work/out" || { echo "setup_stop: no allocation error"; fail=1; }

# refused command lines in a sound case: one line on standard error, status 2, nothing written
case=$work/cases/heat_transient
listing "$case" >"$work/before"
for args in "--bogus" "-x" "a b" "$case/Mesh.txt" "$work/none" "--check --x"; do
  # shellcheck disable=SC2086
  (cd "$case" && "$exe" $args </dev/null >"$work/out" 2>"$work/err")
  status=$?
  if [ "$status" != 2 ] || [ -s "$work/out" ] || [ "$(wc -l <"$work/err")" != 1 ]; then
    echo "arguments '$args': status $status"; cat "$work/out" "$work/err"; fail=1
  fi
done
listing "$case" >"$work/after"
cmp -s "$work/before" "$work/after" || { echo "a refused command line wrote a file"; fail=1; }

[ $fail = 0 ] && echo "deck check: all cases as expected"
exit $fail
