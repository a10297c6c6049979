#!/usr/bin/env bash
# Kills a run that rewrites IniFile.txt and Param.txt at every step, at pseudo-random moments
# (fixed seed, a few seconds in all). After every kill both files must be complete: the one the
# run started from or one the run wrote, never a cut one. A kill during a rewrite may leave the
# temporary file of that moment (<name>.tmp.XXXXXX) beside the file, never more than one.
#   restart_survives_kills.sh <vetrix> <repository root>
set -u
exe=$1
root=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0

n=60
nodes=$(((n + 1) * (n + 1)))
python3 "$root/bench/make_b1_deck.py" $n "$work" --steps 1000 >/dev/null
sed -i -e '/^\*OutputControl/{n;s/.*/1000 1/}' -e '/^\*Param W/{n;s/.*/1/}' "$work/Basparam.txt"

# Prints what is wrong with the restart and parameter files, nothing when both are complete.
check() {
  python3 - "$nodes" <<'PY'
import sys
nodes = int(sys.argv[1])
def numbers(line, count):
    fields = line.split()
    if len(fields) != count:
        return False
    try:
        [float(f) for f in fields]
    except ValueError:
        return False
    return True
text = open("IniFile.txt").read()
lines = text.split("\n")
if not text.endswith("\n") or lines[0] != "*Initial Conditions":
    print("IniFile.txt: cut or without its keyword")
else:
    values, tail = lines[1:1 + nodes], lines[1 + nodes:-1]
    if len(values) != nodes or not all(numbers(v, 1) for v in values):
        print("IniFile.txt: %d value lines of %d" % (len(values), nodes))
    elif tail and (tail[:2] != ["", "*Time   [ T , DT ]"] or len(tail) != 3 or not numbers(tail[2], 2)):
        print("IniFile.txt: time lines damaged")
params = open("Param.txt").read().split("\n")
if params[:-1] not in (["*Parameter Groups", "1", "*Real Parameters", "0", "*Integer Parameters", "0"],
                       ["*Parameter Groups", "           1", "*Real Parameters", "       0",
                        "*Integer Parameters", "       0"]):
    print("Param.txt damaged: %r" % params)
PY
}

RANDOM=20261206
for kill in $(seq 10); do
  rm -f "$work"/*.tmp.* "$work/DataOut.txt"
  (cd "$work" && exec "$exe" </dev/null >/dev/null 2>&1) &
  pid=$!
  # the moments lie in the time loop: after the first output (a loaded machine may take a
  # while to get there), then up to 0.3 s on
  for _ in $(seq 200); do [ -e "$work/DataOut.txt" ] && break; sleep 0.05; done
  sleep "$(printf '0.%03d' $((RANDOM % 300)))"
  kill -KILL $pid 2>/dev/null
  wait $pid 2>/dev/null
  problem=$(cd "$work" && check)
  [ -z "$problem" ] || { echo "kill $kill: $problem"; fail=1; }
  temps=$(ls "$work" | grep -c '\.tmp\.')
  [ "$temps" -le 1 ] || { echo "kill $kill: $temps temporary files left"; fail=1; }
done
exit $fail
