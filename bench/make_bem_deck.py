#!/usr/bin/env python3
"""Laplace boundary-element decks (straight constant segments) and their errors.

  make_bem_deck.py write OUTDIR --shape square|disc --segments N --solution NAME [--solver T]
                   [--renumbering K]
  make_bem_deck.py error DIR --solution NAME   max and rms errors of u and q after a run
  make_bem_deck.py reference DIR   largest difference from a dense solve of the same equations

The boundary is a closed polygon of N segments run counter-clockwise, so the segment normal
(t_y, -t_x)/L points out of the domain: the unit square [0,1]^2 (N a multiple of 4) or the
regular N-gon inscribed in the circle of radius 0.5 about (0.5, 0.5). A radius of 1 would be the
degenerate scale of the logarithmic kernel, where the single-layer matrix is singular.

Node i is the first vertex of segment i (i -> i+1, N -> 1) and carries its potential u (slot 1)
and outward flux q = du/dn (slot 2). Segments 1 .. N/2 have u prescribed, the others q, both
from the harmonic function NAME at the segment midpoint; the solver finds the other value.
Element type 1 (Seg2, code 103): one self element per segment. Element type 2 (Quad4, code
101): one mutual element per pair of segments i < j, nodes (i, i+1, j, j+1). Both coupling
matrices are given explicitly (order 8 = 2 dofs x 4 nodes).
"""
import argparse
import math
import os

# name: (u, grad u)
SOLUTIONS = {
    "x": (lambda x, y: x, lambda x, y: (1.0, 0.0)),
    "x2-y2": (lambda x, y: x * x - y * y, lambda x, y: (2.0 * x, -2.0 * y)),
    "expcos": (lambda x, y: math.exp(x) * math.cos(y),
               lambda x, y: (math.exp(x) * math.cos(y), -math.exp(x) * math.sin(y))),
}


def polygon(shape, n):
    if shape == "square":
        if n % 4:
            raise SystemExit("square needs a multiple of 4 segments")
        m = n // 4
        pts = [(k / m, 0.0) for k in range(m)] + [(1.0, k / m) for k in range(m)]
        pts += [(1.0 - k / m, 1.0) for k in range(m)] + [(0.0, 1.0 - k / m) for k in range(m)]
        return pts
    return [(0.5 + 0.5 * math.cos(2 * math.pi * k / n), 0.5 + 0.5 * math.sin(2 * math.pi * k / n))
            for k in range(n)]


def segment_data(pts, solution):
    """Midpoint, outward normal, exact u and q of every segment."""
    u, grad = SOLUTIONS[solution]
    n = len(pts)
    out = []
    for i in range(n):
        (ax, ay), (bx, by) = pts[i], pts[(i + 1) % n]
        tx, ty = bx - ax, by - ay
        length = math.hypot(tx, ty)
        nx, ny = ty / length, -tx / length
        mx, my = 0.5 * (ax + bx), 0.5 * (ay + by)
        gx, gy = grad(mx, my)
        out.append((u(mx, my), gx * nx + gy * ny))
    return out


def write_lines(path, lines):
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")


def write_deck(a):
    pts = polygon(a.shape, a.segments)
    n = len(pts)
    data = segment_data(pts, a.solution)
    os.makedirs(a.outdir, exist_ok=True)
    pairs = [(i, j) for i in range(1, n + 1) for j in range(i + 1, n + 1)]
    nxt = lambda i: i % n + 1
    mesh = [f"Laplace boundary elements: {a.shape}, {n} segments, exact solution {a.solution}",
            "*NODAL DOFs", "2", "*DIMEN", "2", "*COORDINATES", str(n)]
    mesh += [f"{x:.17g} {y:.17g}" for x, y in pts]
    mesh += ["*ELEMENT GROUPS", "2", f"1 {n} Seg2", f"2 {len(pairs)} Quad4", "*INCIDENCE"]
    mesh += [f"{i} {nxt(i)}" for i in range(1, n + 1)]
    mesh += [f"{i} {nxt(i)} {j} {nxt(j)}" for i, j in pairs]
    mesh += ["*ELEMENT TYPE", "1", "2", "*ELEMENT MAT", "1", "1", "*DIRICHLET CONDITIONS"]
    u_given = [i < n // 2 for i in range(n)]
    mesh += ["-1 1" if g else "1 -1" for g in u_given]
    mesh += [f"{uq[0]:.17g} 0" if g else f"0 {uq[1]:.17g}" for g, uq in zip(u_given, data)]
    write_lines(os.path.join(a.outdir, "Mesh.txt"), mesh)

    self_c = [[1 if i < 2 and j < 2 else 0 for j in range(8)] for i in range(8)]
    mutual_c = [[1 if (i < 2 and 4 <= j < 6) or (4 <= i < 6 and j < 2) else 0 for j in range(8)]
                for i in range(8)]
    t = a.solver
    solver_values = {True: [], False: ["200 1.0e-12 30 20 1.0e-4"]}[t in (-1, 0)]
    if t in (1, 2, 3):
        solver_values = ["400 1.0e-12"]
    elif t in (4, 5, 6):
        solver_values = ["400 1.0e-12 30"]
    control = [
        "Laplace boundary elements, one step: self elements code 103, mutual elements code 101.",
        "*Param Write Switch", "0",
        "*Initial Time", "0",
        "*TimeStep  [DT, Tini, tfinal]", "1.0 0.0 0.5",
        "*OutputControl  [NPrint, NOut]", "1 1",
        "*NodeOutputControl", "0",
        "*ElementLibraryControl  [NTypes, NCommon]", "2 1",
        "*Renumbering", str(a.renumbering),
        "*StepContinuationControl", "F 1 1.0 1", "1.0 1.0", "1.0 1.0", "'U' 'Q'", "0 0",
        "*SubStep 1  [sym, iterative, maxiter, relaxation, solver]", f"F F 1 1.0 {t}",
        *solver_values,
        "103 0 0 1 0      ! type 1: self influence of a segment, coupling slot 1",
        "101 0 0 2 0      ! type 2: mutual influence of two segments, slot 2",
        "0.0", "0.0",
        "1.0 1.0", "1.0 1.0", "'U' 'Q'", "0 0",
        "*Coupling Matrices   (8 x 8, row by row: u and q of the first segment's node couple "
        "with themselves, and with u and q of the second segment's node)",
        "1", *[" ".join(map(str, r)) for r in self_c],
        "2", *[" ".join(map(str, r)) for r in mutual_c],
    ]
    write_lines(os.path.join(a.outdir, "Basparam.txt"), control)
    write_lines(os.path.join(a.outdir, "Param.txt"),
                ["*Parameter Groups", "1", "*Real Parameters", "0", "*Integer Parameters", "0"])
    write_lines(os.path.join(a.outdir, "IniFile.txt"), ["*Initial Conditions"] + ["0 0"] * n)


def read_keyword_block(lines, key):
    for k, line in enumerate(lines):
        if line.startswith(key):
            return k + 1
    raise SystemExit(f"{key} not found")


def read_deck_and_result(outdir):
    """Vertices, prescribed flags and values from Mesh.txt; the last record of DataOut.txt."""
    with open(os.path.join(outdir, "Mesh.txt")) as f:
        mesh = f.read().splitlines()
    k = read_keyword_block(mesh, "*COORDINATES")
    n = int(mesh[k].split()[0])
    pts = [tuple(map(float, mesh[k + 1 + i].split()[:2])) for i in range(n)]
    k = read_keyword_block(mesh, "*DIRICHLET")
    kinds = [tuple(map(int, mesh[k + i].split()[:2])) for i in range(n)]
    given = [tuple(map(float, mesh[k + n + i].split()[:2])) for i in range(n)]
    with open(os.path.join(outdir, "DataOut.txt")) as f:
        out = f.read().splitlines()
    last = max(i for i, line in enumerate(out) if line.startswith("*Time"))
    values = [tuple(float(v) for v in out[last + 2 + i].split()) for i in range(n)]
    return pts, kinds, given, values


def errors(outdir, solution):
    """Largest and length-weighted root-mean-square errors of the computed u and q against the
    exact segment-midpoint values: max_u, max_q, rms_u, rms_q."""
    pts, kinds, _, values = read_deck_and_result(outdir)
    exact = segment_data(pts, solution)
    n = len(pts)
    lengths = [math.dist(pts[i], pts[(i + 1) % n]) for i in range(n)]
    res = []
    for slot in (0, 1):
        errs = [(abs(v[slot] - e[slot]), ln) for v, e, kd, ln in zip(values, exact, kinds, lengths)
                if kd[slot] > 0]
        res.append((max((er for er, _ in errs), default=0.0),
                    math.sqrt(sum(er * er * ln for er, ln in errs) / sum(ln for _, ln in errs))))
    return res[0][0], res[1][0], res[0][1], res[1][1]


def influence(p, a, b):
    """Double-layer (F) and single-layer (G) integrals of segment a -> b seen from p."""
    tx, ty = b[0] - a[0], b[1] - a[1]
    length = math.hypot(tx, ty)
    nx, ny = ty / length, -tx / length
    h = nx * (a[0] - p[0]) + ny * (a[1] - p[1])
    ta = nx * (a[1] - p[1]) - ny * (a[0] - p[0])
    tb = nx * (b[1] - p[1]) - ny * (b[0] - p[0])
    theta = math.atan2(abs(h) * length, ta * tb + h * h)
    f = -math.copysign(1.0, h if h != 0 else 1.0) * theta / (2 * math.pi)
    ra, rb = math.dist(a, p), math.dist(b, p)
    g = (length - theta * abs(h) + ta * math.log(ra) - tb * math.log(rb)) / (2 * math.pi)
    return f, g


def reference(outdir):
    """Solves the collocation system 1/2 u_i + sum F_ij u_j - sum G_ij q_j = 0 of the deck by
    dense Gaussian elimination; returns the largest difference from the computed unknowns,
    relative to the unknown (DataOut.txt holds 8 significant digits)."""
    pts, kinds, given, values = read_deck_and_result(outdir)
    n = len(pts)
    seg = [(pts[i], pts[(i + 1) % n]) for i in range(n)]
    mids = [((a[0] + b[0]) / 2, (a[1] + b[1]) / 2) for a, b in seg]
    rows = []
    for i in range(n):
        row = [0.0] * (n + 1)  # unknown of segment j in column j, right-hand side last
        for j in range(n):
            f, g = influence(mids[i], *seg[j]) if i != j else (0.5, influence(mids[i], *seg[j])[1])
            cu, cq = f, -g
            if kinds[j][0] < 0:  # u known: its term moves to the right-hand side
                row[j], row[n] = cq, row[n] - cu * given[j][0]
            else:
                row[j], row[n] = cu, row[n] - cq * given[j][1]
        rows.append(row)
    for c in range(n):
        piv = max(range(c, n), key=lambda r: abs(rows[r][c]))
        rows[c], rows[piv] = rows[piv], rows[c]
        for r in range(c + 1, n):
            m = rows[r][c] / rows[c][c]
            for k in range(c, n + 1):
                rows[r][k] -= m * rows[c][k]
    x = [0.0] * n
    for c in reversed(range(n)):
        x[c] = (rows[c][n] - sum(rows[c][k] * x[k] for k in range(c + 1, n))) / rows[c][c]
    got = [values[j][1 if kinds[j][0] < 0 else 0] for j in range(n)]
    return max(abs(x[j] - got[j]) / max(abs(x[j]), 1e-30) for j in range(n))


def main():
    ap = argparse.ArgumentParser()
    sub = ap.add_subparsers(dest="cmd", required=True)
    w = sub.add_parser("write")
    w.add_argument("outdir")
    w.add_argument("--shape", choices=["square", "disc"], default="square")
    w.add_argument("--segments", type=int, default=16)
    w.add_argument("--solution", choices=sorted(SOLUTIONS), default="x2-y2")
    w.add_argument("--solver", type=int, default=-1)
    w.add_argument("--renumbering", type=int, default=0)
    e = sub.add_parser("error")
    e.add_argument("outdir")
    e.add_argument("--solution", choices=sorted(SOLUTIONS), default="x2-y2")
    r = sub.add_parser("reference")
    r.add_argument("outdir")
    a = ap.parse_args()
    if a.cmd == "write":
        write_deck(a)
    elif a.cmd == "error":
        print(" ".join(f"{v:.6e}" for v in errors(a.outdir, a.solution)))
    else:
        print(f"{reference(a.outdir):.3e}")


if __name__ == "__main__":
    main()
