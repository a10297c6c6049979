#!/usr/bin/env bash
# A file-size limit that the restart file cannot fit: the run ends with a runtime failure that
# names IniFile.txt and the reason (no death by signal), the old IniFile.txt is left whole and
# no temporary file stays behind. DataOut.txt (one level) fits the limit, IniFile.txt (two
# levels) does not.
#   restart_write_failure.sh <vetrix> <repository root>
set -u
exe=$1
root=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0

python3 "$root/bench/make_b1_deck.py" 6 "$work" --steps 2 >/dev/null
# two solution levels: 49 more initial values, NTimeLevels 2
sed -i '/^\*StepContinuationControl/{n;s/.*/F 1 1.0 2/}' "$work/Basparam.txt"
for _ in $(seq 49); do echo 0.0; done >>"$work/IniFile.txt"
cp "$work/IniFile.txt" "$work/old_ini"

screen=$(cd "$work" && ulimit -f 1 && "$exe" </dev/null 2>stderr.out)
status=$?
[ "$status" = 2 ] || { echo "exit status $status, expected 2"; fail=1; }
[ "$(cat "$work/stderr.out")" = "vetrix: cannot write IniFile.txt: File too large" ] ||
  { echo "standard error:"; cat "$work/stderr.out"; fail=1; }
grep -qx ' Error writing IniFile.txt, the restart file is not saved' <<<"$screen" ||
  { echo "screen message missing"; fail=1; }
cmp -s "$work/IniFile.txt" "$work/old_ini" || { echo "IniFile.txt changed"; fail=1; }
[ "$(grep -sc '^\*Time$' "$work/DataOut.txt")" = 1 ] || { echo "DataOut.txt record missing"; fail=1; }
if ls "$work" | grep -q '\.tmp\.'; then echo "temporary file left: $(ls "$work")"; fail=1; fi
exit $fail
