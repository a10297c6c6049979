#!/usr/bin/env bash
# Restart round trip: a run of k steps followed by a second run that starts from the IniFile.txt
# the first one wrote (with "*Initial Time" 1) must end where one run of the combined length
# ends. The restart file carries 8 significant digits, so the two final files may differ by one
# unit in the last written digit; the step count and the time must agree exactly.
#   restart_roundtrip.sh <vetrix> <deck folder> <first tfinal>
# The deck's Basparam.txt holds "*Initial Time" 0 and its expected/IniFile.txt the combined run.
set -u
exe=$1
deck=$2
first_tfinal=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/first" "$work/second"
cp "$deck"/*.txt "$work/first"/
cp "$deck"/*.txt "$work/second"/
# first run: the same deck stopped early
awk -v t="$first_tfinal" 'p { $3 = t; p = 0 } /^\*TimeStep/ { p = 1 } { print }' \
  "$deck/Basparam.txt" >"$work/first/Basparam.txt"
(cd "$work/first" && "$exe" </dev/null >stdout.out 2>&1) || { echo "first run failed"; exit 1; }
# second run: continues from the restart file, start time taken from it
cp "$work/first/IniFile.txt" "$work/second/IniFile.txt"
awk 'p { $0 = "1"; p = 0 } /^\*Init/ { p = 1 } { print }' \
  "$deck/Basparam.txt" >"$work/second/Basparam.txt"
(cd "$work/second" && "$exe" </dev/null >stdout.out 2>&1) || { echo "second run failed"; exit 1; }
# Lines must agree token by token: texts exactly, numbers within one unit of their last digit.
awk '
  function ulp(s,   m, e) {  # one unit in the last digit of a number written as [+-]0.dddE+eee
    m = s; sub(/[eE].*/, "", m); sub(/^[-+]?[0-9]*\./, "", m)
    e = s; if (!sub(/^[^eE]*[eE]/, "", e)) e = 0
    return 10 ^ (e - length(m))
  }
  NR == FNR { want[FNR] = $0; n = FNR; next }
  {
    got = $0; line = FNR
    if (line > n) { print "extra line " line ": " got; bad = 1; next }
    nw = split(want[line], w); ng = split(got, g)
    if (nw != ng) { print "line " line ": " got " / expected " want[line]; bad = 1; next }
    for (i = 1; i <= nw; i++) {
      if (w[i] == g[i]) continue
      if (w[i] ~ /^[-+]?[0-9.]+[eE][-+]?[0-9]+$/ && g[i] ~ /^[-+]?[0-9.]+[eE][-+]?[0-9]+$/ &&
          (w[i] - g[i] <= ulp(w[i]) * 1.0001 && g[i] - w[i] <= ulp(w[i]) * 1.0001)) continue
      print "line " line ": " got " / expected " want[line]; bad = 1; break
    }
  }
  END { if (FNR != n) { print "line count " FNR ", expected " n; bad = 1 }; exit bad }
' "$deck/expected/IniFile.txt" "$work/second/IniFile.txt" || exit 1
# the time line exactly
if [ "$(tail -n 1 "$work/second/IniFile.txt")" != "$(tail -n 1 "$deck/expected/IniFile.txt")" ]; then
  echo "time line differs: $(tail -n 1 "$work/second/IniFile.txt")"; exit 1
fi
