#!/usr/bin/env python3
"""Runs vetrix on a few hundred damaged copies of the shipped deck folders (fixed seed: the same
copies every time). Whatever the damage, a run must end by itself within the time limit and not
by a signal, leave Basparam.txt and Mesh.txt as they were, and leave IniFile.txt either as it was
or as a complete restart file.
    mutated_decks.py <vetrix> <repository root> [copies]"""
import glob, os, random, re, shutil, subprocess, sys, tempfile

DECKS = ("Basparam.txt", "Mesh.txt", "Param.txt", "IniFile.txt")
# values that users and damaged files produce: zero, negative, huge, not finite, empty
ODD = ["0", "-1", "-2147483648", "2147483647", "2000000000", "1e308", "-1e-308", "nan", "inf",
       "/", ",,", "3*", "''", "1.5", "T", "x"]
NUMBER = re.compile(rb"[-+]?(\d+\.?\d*|\.\d+)([eEdD][-+]?\d+)?")
LIMIT = 10  # seconds per run


def mutate(text, rng):
    lines = text.split(b"\n")
    kind = rng.randrange(6)
    if kind == 0:  # one number becomes an odd value
        numbers = list(NUMBER.finditer(text))
        if numbers:
            m = rng.choice(numbers)
            return text[:m.start()] + rng.choice(ODD).encode() + text[m.end():]
    if kind == 1 and len(lines) > 1:  # a line deleted
        del lines[rng.randrange(len(lines))]
    elif kind == 2:  # a line doubled
        i = rng.randrange(len(lines))
        lines.insert(i, lines[i])
    elif kind == 3 and len(lines) > 2:  # two neighbouring lines swapped
        i = rng.randrange(len(lines) - 1)
        lines[i], lines[i + 1] = lines[i + 1], lines[i]
    elif kind == 4:  # cut short
        return text[:rng.randrange(len(text) + 1)]
    elif kind == 5:  # carriage returns, blanks and tabs at line ends
        lines = [l + rng.choice([b"\r", b"\r  ", b"\t", b""]) for l in lines]
    return b"\n".join(lines)


def complete_restart(text):
    # "*Initial Conditions", value lines, then the "*Time" line and its two numbers
    tail = text.rstrip(b"\n").split(b"\n")
    return (text.startswith(b"*Initial Conditions\n") and len(tail) >= 2 and
            tail[-2].startswith(b"*Time") and len(tail[-1].split()) == 2)


def main(exe, root, copies=300):
    sources = [d for d in sorted(glob.glob(f"{root}/tests/decks/*") + glob.glob(f"{root}/examples/*"))
               if all(os.path.isfile(os.path.join(d, f)) for f in DECKS)]
    rng = random.Random(20261206)
    failures = 0
    for n in range(copies):
        source = rng.choice(sources)
        work = tempfile.mkdtemp()
        try:
            decks = {f: open(os.path.join(source, f), "rb").read() for f in DECKS}
            for _ in range(rng.choice((1, 1, 2))):
                f = rng.choice(DECKS)
                decks[f] = mutate(decks[f], rng)
            for f, text in decks.items():
                open(os.path.join(work, f), "wb").write(text)
            problem = None
            try:
                r = subprocess.run([exe], cwd=work, stdin=subprocess.DEVNULL,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=LIMIT)
                if r.returncode < 0:
                    problem = f"killed by signal {-r.returncode}"
                elif r.returncode not in (0, 2, 3):
                    problem = f"status {r.returncode}: {r.stderr.decode(errors='replace').strip()}"
            except subprocess.TimeoutExpired:
                problem = f"still running after {LIMIT} s"
            after = {f: open(os.path.join(work, f), "rb").read() for f in DECKS}
            for f in ("Basparam.txt", "Mesh.txt"):
                if not problem and after[f] != decks[f]:
                    problem = f"{f} changed"
            if not problem and after["IniFile.txt"] != decks["IniFile.txt"] and \
                    not complete_restart(after["IniFile.txt"]):
                problem = "IniFile.txt left incomplete"
            if problem:
                failures += 1
                keep = os.path.join(tempfile.gettempdir(), f"vetrix-mutation-{n}")
                shutil.rmtree(keep, ignore_errors=True)
                shutil.copytree(work, keep)
                for f, text in decks.items():
                    open(os.path.join(keep, f), "wb").write(text)
                print(f"copy {n} of {os.path.basename(source)}: {problem} (decks kept in {keep})")
        finally:
            shutil.rmtree(work)
    print(f"{copies - failures} of {copies} damaged copies ended in order")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(os.path.abspath(sys.argv[1]), sys.argv[2], *map(int, sys.argv[3:4])))
