#!/usr/bin/env bash
# Runs decks with and without node renumbering: DataOut.txt and IniFile.txt must come out the
# same byte for byte (they list the nodes in the input numbering), and only the renumbered run
# prints the bandwidth report.
#   renumbering_keeps_results.sh <vetrix> <repository root>
set -u
exe=$1
root=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0

# deck folder, number of start-node candidates
mkdir -p "$work/b1" "$work/bem"
python3 "$root/bench/make_b1_deck.py" 6 "$work/b1" --shuffle 11 --steps 2 --solver 100 \
  --eps 1e-13 >/dev/null
python3 "$root/bench/make_bem_deck.py" write "$work/bem" --shape disc --segments 12 \
  --solution x2-y2 >/dev/null
decks=("$root/tests/renumber/two_substeps 5" "$root/examples/heat-plate 3" "$work/b1 3"
       "$work/bem 2")

for entry in "${decks[@]}"; do
  read -r deck k <<<"$entry"
  name=$(basename "$deck")
  for r in 0 "$k"; do
    run=$work/$name.$r
    mkdir -p "$run"
    cp "$deck"/*.txt "$run"/
    sed -i "/^\*Renumbering/{n;s/.*/$r/}" "$run/Basparam.txt"
    (cd "$run" && "$exe" </dev/null >screen.txt 2>&1) || { echo "$name: run failed"; fail=1; }
  done
  plain=$work/$name.0 renum=$work/$name.$k
  for f in DataOut.txt IniFile.txt; do
    cmp -s "$plain/$f" "$renum/$f" || { echo "$name: $f differs"; diff "$plain/$f" "$renum/$f" | head; fail=1; }
  done
  [ "$(grep -c '^ Initial BandWidth ' "$renum/screen.txt")" = 3 ] &&
    [ "$(grep -c '^ BandWidth ' "$renum/screen.txt")" = $((k + 1)) ] &&
    grep -q '^ Renum End$' "$renum/screen.txt" || { echo "$name: bandwidth report missing"; fail=1; }
  ! grep -q 'BandWidth\|Renum' "$plain/screen.txt" || { echo "$name: report without renumbering"; fail=1; }
done
exit $fail
