#!/usr/bin/env python3
"""Every linear solver type on one heat deck agrees with the direct solution.

usage: solver_agreement.py VETRIX MAKE_B1_DECK

The deck is the transient heat problem on a 16 x 16 square mesh (225 unknowns, three steps,
diagonally dominant, so that Gauss-Seidel converges), written once with the matrix stored as
symmetric and once with its lower triangle kept apart. Each solver type runs in a scratch folder;
the values of DataOut.txt must match the run of type -1 within the solver's tolerance eps relative
to the largest value (plus the rounding of the nine printed digits); the other direct types
(0, and the sparse -2 and -3) within that rounding alone. Gauss-Seidel stops on a
relative change of 1e-8 per sweep whatever eps says, so it is held to 1e-6.
"""
import os
import subprocess
import sys
import tempfile

EPS = 1e-6
ITERATIVE = [1, 2, 3, 4, 5, 6] + list(range(100, 111))


def data_values(path):
    """All reals of DataOut.txt (one per line below each *Time record)."""
    values = []
    with open(path) as f:
        for line in f:
            items = line.split()
            if len(items) == 1 and not line.startswith("*"):
                values.append(float(items[0].replace("E", "e")))
    return values


def run(vetrix, make_deck, work, solver, unsym):
    folder = os.path.join(work, f"{'u' if unsym else 's'}{solver}")
    cmd = [sys.executable, make_deck, "16", folder, "--solver", str(solver), "--steps", "3",
           "--eps", str(EPS), "--itmax", "500", "--krylov", "20", "--lfil", "5"]
    if unsym:
        cmd.append("--unsym")
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL)
    done = subprocess.run([vetrix], cwd=folder, stdin=subprocess.DEVNULL, capture_output=True,
                          text=True, timeout=120)
    if done.returncode != 0:
        return None, f"exit status {done.returncode}: {done.stderr.strip()}"
    return data_values(os.path.join(folder, "DataOut.txt")), ""


def main():
    vetrix, make_deck = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    failures = []
    with tempfile.TemporaryDirectory() as work:
        for unsym in (False, True):
            reference, why = run(vetrix, make_deck, work, -1, unsym)
            if reference is None or len(reference) != 2 * 17 * 17:
                print(f"direct solve failed ({why})")
                return 1
            top = max(abs(v) for v in reference)
            for solver in [0, -2, -3] + ITERATIVE:
                values, why = run(vetrix, make_deck, work, solver, unsym)
                rel = 0.0 if solver <= 0 else (1e-6 if solver == 1 else 10 * EPS)
                bound = rel * top + 1e-10
                if values is None or len(values) != len(reference):
                    failures.append(f"type {solver} unsym={unsym}: no result ({why})")
                    continue
                diff = max(abs(a - b) for a, b in zip(values, reference))
                if diff > bound:
                    failures.append(f"type {solver} unsym={unsym}: max difference {diff:.3e} "
                                    f"above {bound:.3e}")
    for line in failures:
        print(line)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
