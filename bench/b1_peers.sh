#!/usr/bin/env bash
# Whole B1 runs of vetrix with solver types 107 (GMRES(30)) and 100 (CG), block ILUT lfil 10,
# tolpre 1e-3, eps 1e-8, next to a peer script run in the same session, one after the other
# (interleaved, REPS rounds). Prints wall and processor seconds, peak memory and max u.
#
# usage: b1_peers.sh VETRIX PEER_SCRIPT [N ...]      (default N: 200 400; REPS=1 by default)
#   PEER_SCRIPT is run as: /usr/bin/python3 PEER_SCRIPT N MODE --out last [options]
set -u
exe=$(realpath "$1")
peer=$(realpath "$2")
shift 2
sizes=${*:-"200 400"}
reps=${REPS:-1}
here=$(dirname "$(realpath "$0")")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

timed() {  # label command...: one line "label wall user+sys peakMB"
    local label=$1
    shift
    /usr/bin/time -f "%e %U %S %M" -o "$work/time" "$@" >"$work/out" 2>&1
    read -r wall user sys mem <"$work/time"
    printf "%-34s wall %7.2f s  cpu %7.2f s  %6.0f MB" "$label" "$wall" \
        "$(echo "$user + $sys" | bc)" "$(echo "$mem / 1024" | bc)"
}

max_u() {  # largest value of the last record of DataOut.txt
    awk '/^\*Time/{m=-1e300; next} NF==1{v=$1; sub(/E/,"e",v); if (v+0>m) m=v+0} END{printf "%.7f", m}' "$1"
}

for N in $sizes; do
    for t in 107 100; do
        python3 "$here/make_b1_deck.py" "$N" "$work/d$N-$t" --solver $t --eps 1e-8 --itmax 1000 \
            --krylov 30 --lfil 10 --tolpre 1e-3 >/dev/null
    done
    for ((r = 1; r <= reps; ++r)); do
        for t in 107 100; do
            (cd "$work/d$N-$t" && timed "vetrix N=$N type $t" "$exe")
            echo "  max u $(max_u "$work/d$N-$t/DataOut.txt")"
        done
        for mode in "gmres_ilu" "gmres_ilu --reassemble --precond-every-step" "cg_ilu" \
            "cg_ilu --reassemble --precond-every-step"; do
            # shellcheck disable=SC2086
            (cd "$work" && timed "peer N=$N $mode" /usr/bin/python3 "$peer" "$N" $mode --out last)
            echo "  $(grep -o 'iters=[0-9]* umax=[0-9.]*' "$work/out")"
        done
    done
done
