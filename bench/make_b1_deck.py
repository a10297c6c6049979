#!/usr/bin/env python3
"""Writes the B1 deck: transient heat on the unit square, N x N squares cut into 2 linear triangles.

rho = c = k = 1, source Q = 1, u = 0 on the whole boundary and initially, DT = 0.01, 20 steps,
theta = 1, output at step 0 and step 20, one substep. The linear-triangle heat element (code 1)
gets its 3x3 coupling matrix explicitly in slot 1.

usage: make_b1_deck.py N OUTDIR [--solver TYPE] [--itmax K --eps E --krylov M --lfil F --tolpre T]
                       [--steps S] [--unsym] [--renumbering K] [--shuffle SEED]

--unsym stores the lower triangle of the (symmetric) matrix apart from the upper one.
--shuffle SEED numbers the grid nodes in a random order (the same one for the coordinates, the
incidences, the Dirichlet data and the initial values), which leaves a bandwidth of the order
of the node count for the renumbering to remove.
"""
import argparse
import os
import random


def write_lines(path, lines):
    with open(path, "w") as f:
        f.write("\n".join(lines))
        f.write("\n")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("N", type=int)
    ap.add_argument("outdir")
    ap.add_argument("--solver", type=int, default=-1)
    ap.add_argument("--itmax", type=int, default=1000)
    ap.add_argument("--eps", type=float, default=1e-10)
    ap.add_argument("--krylov", type=int, default=30)
    ap.add_argument("--lfil", type=int, default=10)
    ap.add_argument("--tolpre", type=float, default=1e-3)
    ap.add_argument("--steps", type=int, default=20)
    ap.add_argument("--unsym", action="store_true")
    ap.add_argument("--renumbering", type=int, default=0)
    ap.add_argument("--shuffle", type=int, default=None, metavar="SEED")
    a = ap.parse_args()
    n = a.N
    os.makedirs(a.outdir, exist_ok=True)
    nodes = (n + 1) * (n + 1)
    h = 1.0 / n

    # new[k]: file number of grid node k (0-based grid index, row by row from the origin)
    new = list(range(1, nodes + 1))
    if a.shuffle is not None:
        random.Random(a.shuffle).shuffle(new)
    old = [0] * nodes  # old[f - 1]: grid node with file number f
    for k, f in enumerate(new):
        old[f - 1] = k

    mesh = ["*NODAL DOFs", "1", "*DIMEN", "2", "*COORDINATES", str(nodes)]
    mesh += [f"{(k % (n + 1)) * h:.12g} {(k // (n + 1)) * h:.12g}" for k in old]
    mesh += ["*ELEMENT GROUPS", "1", f"1 {2 * n * n} Tri3", "*INCIDENCE"]
    for j in range(n):
        for i in range(n):
            n00 = j * (n + 1) + i
            n10, n01 = n00 + 1, n00 + n + 1
            n11 = n01 + 1
            mesh.append(f"{new[n00]} {new[n10]} {new[n11]}")
            mesh.append(f"{new[n00]} {new[n11]} {new[n01]}")
    mesh += ["*ELEMENT TYPE", "1", "*ELEMENT MAT", "1", "*DIRICHLET CONDITIONS"]
    kinds = []
    for k in old:
        i, j = k % (n + 1), k // (n + 1)
        kinds.append("-1" if i in (0, n) or j in (0, n) else "1")
    mesh += [" ".join(kinds[k:k + 20]) for k in range(0, len(kinds), 20)]
    mesh += [" ".join(["0.0"] * len(kinds[k:k + 20])) for k in range(0, len(kinds), 20)]
    write_lines(os.path.join(a.outdir, "Mesh.txt"), mesh)

    t = a.solver
    if t in (-3, -2, -1, 0):  # direct types take no values
        solver_values = []
    elif t in (1, 2, 3, 200):
        solver_values = [f"{a.itmax} {a.eps}"]
    elif t in (4, 5, 6):
        solver_values = [f"{a.itmax} {a.eps} {a.krylov}"]
    else:
        solver_values = [f"{a.itmax} {a.eps} {a.krylov} {a.lfil} {a.tolpre}"]
    steps = a.steps
    control = [
        "*Param Write Switch", "0",
        "*Initial Time", "0",
        "*TimeStep  [DT, Tini, tfinal]", f"0.01 0.0 {0.01 * steps - 0.005:.6g}",
        "*OutputControl  [NPrint, NOut]", f"{steps} {steps}",
        "*NodeOutputControl", "0",
        "*ElementLibraryControl  [NTypes, NCommon]", "1 5",
        "*Renumbering", str(a.renumbering),
        "*StepContinuationControl", "F 1 1.0 1", "1.0", "1.0", "'TEMPERATURE'", "0 0",
        "*SubStep 1", f"{'F' if a.unsym else 'T'} F 1 1.0 {t}", *solver_values,
        "1 0 0 1 0",
        "1.0 1.0 1.0 1.0 1.0",
        "1.0", "1.0e-6", "'TEMPERATURE'", "0 0",
        "*Coupling Matrices", "1", "1 1 1", "1 1 1", "1 1 1",
    ]
    write_lines(os.path.join(a.outdir, "Basparam.txt"), control)
    write_lines(os.path.join(a.outdir, "Param.txt"),
                ["*Parameter Groups", "1", "*Real Parameters", "0", "*Integer Parameters", "0"])
    ini = ["*Initial Conditions"] + ["0.0"] * nodes
    write_lines(os.path.join(a.outdir, "IniFile.txt"), ini)


if __name__ == "__main__":
    main()
