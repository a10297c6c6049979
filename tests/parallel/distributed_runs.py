#!/usr/bin/env python3
"""Whole runs of the PETSc build on one and on two processes.

usage: distributed_runs.py VETRIX MPIEXEC REPOSITORY

1. Agreement: test decks with some substeps switched to solver type 200 (eps 1e-13) agree with
   the same decks solved by type -1 to the nine digits DataOut.txt carries; the runs on one and
   on two processes write the same DataOut.txt (values below the ninth digit of the largest are
   round-off and may differ) and the same screen text, save the iteration counts of the solver
   (its preconditioner depends on how the rows are split) and the residuals at round-off level
   that in-house solvers of later substeps print.
2. A deck without type 200 under mpirun behaves as its pinned serial run.
3. A solve that cannot converge is repeated at most 50 times, then the run stops in order.
4. The multigrid preconditioner is built at every solve, or once with -ksp_reuse_preconditioner.
5. Wrong iteration values of type 200 are refused where they are read.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

VETRIX, MPIEXEC, REPO = (os.path.abspath(a) for a in sys.argv[1:4])
DECKS = os.path.join(REPO, "tests", "decks")
EXAMPLES = os.path.join(REPO, "examples")
failures = []

# (case, folder, substeps switched to 200); the others keep their own solver types
AGREEMENT = [
    ("heat", os.path.join(DECKS, "heat_transient"), [1]),
    ("mixed", os.path.join(DECKS, "krylov_substeps"), [2, 3]),       # sym F and sym T
    ("nonlinear", os.path.join(DECKS, "relaxed_substeps"), [1]),     # iterated substep
    ("quadratic", os.path.join(EXAMPLES, "poisson-quadratic"), [1]),
    ("bem", os.path.join(EXAMPLES, "laplace-bem"), [1]),             # sym F, full blocks
]


def with_solver(text, substeps, solver, values):
    """Basparam.txt text with the given substeps set to solver and read 2 set to values."""
    lines = text.split("\n")
    out, count, i = [], 0, 0
    while i < len(lines):
        out.append(lines[i])
        if lines[i].startswith("*SubStep"):
            count += 1
            if count in substeps:
                head = lines[i + 1].split()
                old = int(head[4])
                out.append(" ".join(head[:4] + [str(solver)]))
                i += 2 if (1 <= old <= 6 or old >= 100) else 1  # drop the old read 2
                if values:
                    out.append(values)
        i += 1
    return "\n".join(out)


def run(folder, procs, args=(), env=None):
    cmd = [VETRIX, *args] if procs == 1 else [MPIEXEC, "-n", str(procs), "--oversubscribe",
                                             VETRIX, *args]
    return subprocess.run(cmd, cwd=folder, stdin=subprocess.DEVNULL, capture_output=True,
                          text=True, timeout=300, env=env)


def prepared(work, name, source, substeps, solver, values):
    folder = os.path.join(work, name)
    shutil.copytree(source, folder, ignore=shutil.ignore_patterns("expected", "*.md"))
    path = os.path.join(folder, "Basparam.txt")
    with open(path) as f:
        text = f.read()
    with open(path, "w") as f:
        f.write(with_solver(text, substeps, solver, values))
    return folder


def data_values(path):
    """Every nodal value of DataOut.txt (the line after each *Time record is its header)."""
    values, header = [], False
    with open(path) as f:
        for line in f:
            if not header and not line.startswith("*"):
                values += [float(v.replace("E", "e")) for v in line.split()]
            header = line.startswith("*Time")
    return values


def masked_data(text, top):
    """DataOut.txt text with the values below the ninth digit of the largest one set to zero."""
    def small(m):
        return " +0.00000000E+000" if abs(float(m.group(0).replace("E", "e"))) < 1e-9 * top \
            else m.group(0)
    return re.sub(r" [-+]\d\.\d{8}E[-+]\d{3}", small, text)


def masked(text):
    text = re.sub(r"(Elapsed Time in Secs =) *[-+0-9.E]+ *", r"\1 <t>", text)
    return re.sub(r" in \d+ iterations", " in <n> iterations", text)


def check(case, ok, why):
    if not ok:
        failures.append(f"{case}: {why}")
    return ok


def agreement(work):
    for case, source, substeps in AGREEMENT:
        ref = prepared(work, case + "_ref", source, substeps, -1, "")
        done = run(ref, 1)
        if not check(case, done.returncode == 0, f"type -1 run failed: {done.stderr}"):
            continue
        want = data_values(os.path.join(ref, "DataOut.txt"))
        top = max(abs(v) for v in want)
        outputs = {}
        for procs in (1, 2):
            folder = prepared(work, f"{case}_{procs}", source, substeps, 200, "300 1e-13")
            done = run(folder, procs)
            if not check(f"{case} on {procs}", done.returncode == 0 and "PETSc KSP" in done.stdout,
                         f"status {done.returncode}: {done.stderr}{done.stdout[-400:]}"):
                break
            with open(os.path.join(folder, "DataOut.txt")) as f:
                outputs[procs] = (f.read(), masked(done.stdout))
            got = data_values(os.path.join(folder, "DataOut.txt"))
            diff = max(abs(a - b) for a, b in zip(got, want)) if len(got) == len(want) else None
            check(f"{case} on {procs}", diff is not None and diff <= 1e-9 * top,
                  f"differs from type -1 by {diff} (largest value {top})")
        if len(outputs) == 2:
            check(case, masked_data(outputs[1][0], top) == masked_data(outputs[2][0], top),
                  "DataOut.txt differs on 1 and 2 processes")
            # the in-house solvers of later substeps print residuals down to round-off
            check(case, case == "mixed" or outputs[1][1] == outputs[2][1],
                  "screen differs on 1 and 2 processes")


def serial_deck_under_mpirun(work):
    source = os.path.join(DECKS, "heat_transient")
    folder = os.path.join(work, "plain")
    shutil.copytree(source, folder, ignore=shutil.ignore_patterns("expected"))
    done = run(folder, 2)
    with open(os.path.join(source, "expected", "stdout")) as f:
        want = f.read()
    check("plain deck", masked(done.stdout) == masked(want) and done.returncode == 0,
          "screen under mpirun differs from the serial run")
    for name in ("DataOut.txt", "IniFile.txt"):
        with open(os.path.join(source, "expected", name)) as f, \
                open(os.path.join(folder, name)) as g:
            check("plain deck", f.read() == g.read(), f"{name} under mpirun differs")


def bounded_retries(work):
    for procs in (1, 2):
        folder = prepared(work, f"stuck_{procs}", os.path.join(DECKS, "heat_transient"), [1],
                          200, "1 1e-30")
        done = run(folder, procs)
        lines = done.stdout.rstrip("\n").split("\n")
        check(f"retries on {procs}", done.returncode == 0 and lines[-1] ==
              " ->PETSc KSP did not converge in          50 attempts: the linear system is not solved"
              and "Attempted          49\n" in done.stdout and "Attempted          50" not in done.stdout,
              f"status {done.returncode}, last line {lines[-1]!r}")


def preconditioner_reuse(work):
    folder = os.path.join(work, "reuse")
    subprocess.run([sys.executable, os.path.join(REPO, "bench", "make_b1_deck.py"), "16", folder,
                    "--solver", "200", "--steps", "4"], check=True, stdout=subprocess.DEVNULL)
    counts = []
    for options in ([], ["-ksp_reuse_preconditioner"]):
        done = run(folder, 2, options + ["-log_view"])
        built = re.findall(r"^PCSetUp_GAMG\+ +(\d+)", done.stdout, re.M)
        counts.append(int(built[0]) if built else None)
    check("reuse", counts == [4, 1], f"multigrid set-ups in 4 steps, anew and kept: {counts}")


def refused_values(work):
    for values, message in (("0 1e-8", "*SubStep 1: itmaxsol 0 must be at least 1"),
                            ("10 1.5", "*SubStep 1: eps 1.5000000000000000 must lie between 0 and 1")):
        folder = prepared(work, "refused", os.path.join(DECKS, "heat_transient"), [1], 200, values)
        done = run(folder, 1)
        check("refused", done.returncode == 0 and done.stdout.endswith(
            f" Basparam.txt, {message}\n"), f"{values}: {done.stdout[-200:]}")
        shutil.rmtree(folder)


def main():
    env_ok = shutil.which(MPIEXEC) or os.path.exists(MPIEXEC)
    if not env_ok:
        print(f"no {MPIEXEC}")
        return 1
    with tempfile.TemporaryDirectory() as work:
        for part in (agreement, serial_deck_under_mpirun, bounded_retries, preconditioner_reuse,
                     refused_values):
            part(work)
    for line in failures:
        print(line)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
