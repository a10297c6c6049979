#!/usr/bin/env python3
"""Bad values and damaged decks, each made by one or two edits of a sound deck folder: every run
must end with its message (stops: status 0) and keep
the user's files; stops known while reading must write nothing at all.
    bad_decks.py <vetrix> <sound case folder>"""
import os, shutil, subprocess, sys, tempfile

B, M, I = "Basparam.txt", "Mesh.txt", "IniFile.txt"
SOLVE = "T F 1 1.0 -1\n1 0 0 1 0\n2.0 0.5 1.0 1.5 0.5"
# (edits, expected status, a line the screen or standard error must hold, stops while reading)
CASES = {
    # bad values
    "ndof_empty": ([(M, "*NODAL DOFs\n1", "*NODAL DOFs\n,,")], 0,
                   " Mesh.txt, *NODAL DOFs: NDof 0 must be at least 1", True),
    "dimen_zero": ([(M, "*DIMEN\n2", "*DIMEN\n0")], 0, " Mesh.txt, *DIMEN: NDim 0 must be at least 1", True),
    "update_flag_lowest": ([(B, "'TEMPERATURE'\n0 0\n*Coupling", "'TEMPERATURE'\n-2147483648 0\n*Coupling")], 0,
                           " Basparam.txt, *SubStep 1: coordinate update flag -2147483648 of coordinate 1"
                           " is outside -1..1", True),
    "dt_zero": ([(B, "0.05 0.0 0.325", "0.0 0.0 0.325")], 0,
                " Basparam.txt, *TimeStep: DT 0.0000000000000000 must be positive", True),
    "dt_lost_in_rounding": ([(B, "0.05 0.0 0.325", "1 1e20 1.0000000000001e20")], 0,
                            " Basparam.txt, *TimeStep: DT 1.0000000000000000 does not advance the time"
                            " 1.0000000000000999E+020", True),
    "dt_too_small": ([(B, "0.05 0.0 0.325", "1e-300 0 1")], 0, " Basparam.txt, *TimeStep: DT"
                     " 1.0000000000000000E-300 needs more than 2147483646 steps from 0.0000000000000000"
                     " to 1.0000000000000000", True),
    "tfinal_inf": ([(B, "0.05 0.0 0.325", "0.05 0.0 inf")], 0,
                   ' Basparam.txt, *TimeStep  [DT, Tini, tfinal], line 7: "inf" is not a finite number', True),
    "coordinate_nan": ([(M, "0.5 0.5\n", "0.5 NaN\n")], 0,
                       ' Mesh.txt, *COORDINATES, line 13: "NaN" is not a finite number', True),
    "lfil_negative": ([(B, "T F 1 1.0 -1\n", "T F 1 1.0 100\n10 1e-8 20 -3 1e-4\n")], 0,
                      " Basparam.txt, *SubStep 1: lfil -3 is negative", True),
    "krylov_negative": ([(B, "T F 1 1.0 -1\n", "T F 1 1.0 107\n10 1e-8 -5 10 1e-4\n")], 0,
                        " Basparam.txt, *SubStep 1: krylov -5 is negative", True),
    "itmaxsol_zero": ([(B, "T F 1 1.0 -1\n", "T F 1 1.0 107\n0 1e-300 20 0 0.9\n")], 0,
                      " ->TARN Iterative Solver did not converge in          50 attempts:"
                      " the linear system is not solved", False),
    "system_not_finite": ([(B, SOLVE, SOLVE.replace("2.0 0.5 1.0 1.5", "1e300 0.5 1.0 1e300"))], 0,
                          " NOT A FINITE VALUE IN THE SYSTEM OF SUBSTEP           1 EQUATION           2"
                          " NODE           2 DOF           1", False),
    "solution_not_finite": ([(B, SOLVE, SOLVE.replace("2.0 0.5 1.0 1.5 0.5", "1 1e-300 1e-300 1e300 1"))], 0,
                            " NOT A FINITE VALUE IN THE SOLUTION OF SUBSTEP           1 EQUATION           2"
                            " NODE           2 DOF           1", False),
    "code1_in_3d": ([(M, "*DIMEN\n2", "*DIMEN\n3"), (M, "*ELEMENT GROUPS", "0 0 0 0 0 0 0 0 0 0 0 0\n*ELEMENT GROUPS"),
                     (B, "'TEMPERATURE'\n0 0\n", "'TEMPERATURE'\n0 0 0\n"),
                     (B, "'TEMPERATURE'\n0 0\n", "'TEMPERATURE'\n0 0 0\n")],
                    0, " Basparam.txt, *SubStep 1: element code 1 of type 1 needs NDim 2, the mesh has NDim 3", True),
    "code1_on_quads": ([(M, "1 12 Tri3", "1 6 Quad4"), (M, "1 2 6\n1 6 5\n", "1 2 6 5\n")], 0,
                       " Basparam.txt, *SubStep 1: element code 1 of type 1 needs 3 nodes per element,"
                       " element 1 has 4", True),
    "ncommon_short": ([(B, "\n1 5\n", "\n1 3\n")], 0,
                      " Basparam.txt, *SubStep 1: element code 1 of type 1 reads 5 common parameters, NCommon is 3",
                      True),
    "nodes_beyond_file": ([(M, "*COORDINATES\n12", "*COORDINATES\n2000000000")], 0,
                          " Mesh.txt, *COORDINATES: NodT 2000000000 is more than the file holds", True),
    "elements_beyond_file": ([(M, "1 12 Tri3", "1 2000000000 Tri3")], 0,
                             " Mesh.txt, *ELEMENT GROUPS: NelT 2000000000 is more than the file holds", True),
    "output_nodes_beyond_file": ([(B, "*NodeOutputControl\n0", "*NodeOutputControl\n2000000000")], 0,
                                 " Basparam.txt, *NodeOutputControl: NNodesOut 2000000000 is more than the file holds",
                                 True),
    # damaged decks: the run goes on after a warning
    "group_line_left": ([(M, "1 12 Tri3\n", "1 12 Tri3\n2 4 Seg2\n")], 0,
                        " WARNING, Mesh.txt, *ELEMENT GROUPS: line 23 is not read: 2 4 Seg2", False),
    "substep_header_deleted": ([(B, "*Coupling", "T F 1 1.0 -1\n*Coupling")], 0,
                               " WARNING, Basparam.txt, *SubStep 1: line 30 is not read: T F 1 1.0 -1", False),
    "restart_from_bigger_mesh": ([(I, "*Initial Conditions\n", "*Initial Conditions\n0 0 0 0\n0 0 0 0\n")], 0,
                                 " WARNING, IniFile.txt holds 32 values, the mesh needs 24", False),
    "dof_name_cut_short": ([(B, "F 1 1.0 2\n1.0\n1.0e-6\n'TEMPERATURE'", "T 3 1.0 2\n1.0\n1.0e-6\n/")], 0,
                           " " + " " * 16 + "  0.000E+00        0.100E-05       0", False),
    "carriage_return_and_blanks": ([(M, "*DIMEN\n2\n", "*DIMEN\n2\r  \n")], 0,
                                   " Writing IniFile.txt for restart", False),
}


def main(exe, sound):
    failed = []
    for name, (edits, status, line, at_reading) in CASES.items():
        work = tempfile.mkdtemp()
        try:
            for f in (B, M, I, "Param.txt"):
                shutil.copy(os.path.join(sound, f), work)
            for f, old, new in edits:
                path = os.path.join(work, f)
                text = open(path, newline="").read()
                assert old in text, (name, old)
                open(path, "w", newline="").write(text.replace(old, new, 1))
            before = {f: open(os.path.join(work, f), "rb").read() for f in (B, M, I, "Param.txt")}
            r = subprocess.run([exe], cwd=work, stdin=subprocess.DEVNULL, capture_output=True, timeout=60)
            out = (r.stdout + r.stderr).decode("latin-1")
            problems = []
            if r.returncode != status:
                problems.append(f"status {r.returncode}, expected {status}")
            if line not in (l.rstrip() for l in out.splitlines()):
                problems.append(f"no line {line!r}")
            if "\0" in out:
                problems.append("NUL bytes on the screen")
            # the decks are the user's (IniFile.txt is rewritten at output steps)
            kept = [f for f in before if f != I or at_reading]
            written = sorted(set(os.listdir(work)) - set(before))
            if at_reading and written:
                problems.append(f"wrote {written}")
            for f in kept:
                if open(os.path.join(work, f), "rb").read() != before[f]:
                    problems.append(f"{f} changed")
            if problems:
                failed.append(name)
                print(f"{name}: " + "; ".join(problems) + "\n" + out[-1500:])
        finally:
            shutil.rmtree(work)
    print(f"{len(CASES) - len(failed)} of {len(CASES)} cases as expected")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(os.path.abspath(sys.argv[1]), sys.argv[2]))
