#!/usr/bin/env python3
"""Writes docs/routines.md: every routine declared in the headers of src/, the file that defines
it and the first sentence of the comment above its declaration.

    python3 docs/make_routines.py            (from the repository root)
"""
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SRC = os.path.join(ROOT, "src")

# A declaration at namespace scope: return type, name, "(" (templates and qualifiers allowed).
DECL = re.compile(
    r"^(?:template\s*<[^>]*>\s*)?(?:\[\[\w+\]\]\s*)?(?:inline\s+|constexpr\s+|static\s+)*"
    r"(?:const\s+)?[A-Za-z_][\w:<>,\s\*&]*?[\s\*&]([a-z_][A-Za-z0-9_]*)\s*\(")
# The ten reverse-communication solvers share one comment about their work lengths.
OVERRIDES = {
    "cg": "Reverse-communication conjugate gradient (solver type 100)",
    "bcg": "Reverse-communication biconjugate gradient (solver type 101)",
    "dbcg": "Reverse-communication biconjugate gradient with partial pivoting (solver type 102)",
    "cgnr": "Reverse-communication conjugate gradient on the normal equations (solver type 103)",
    "bcgstab": "Reverse-communication BiCGSTAB (solver type 104)",
    "tfqmr": "Reverse-communication transpose-free QMR (solver type 105)",
    "fom": "Reverse-communication restarted full orthogonalisation method (solver type 106)",
    "gmres": "Reverse-communication restarted GMRES (solver type 107)",
    "fgmres": "Reverse-communication restarted flexible GMRES (solver type 108)",
    "dqgmres": "Reverse-communication direct quasi-GMRES (solver type 109)",
}
SKIP = {"if", "for", "while", "switch", "return", "sizeof", "operator", "static_assert"}


def first_sentence(comment_lines):
    text = " ".join(l.strip() for l in comment_lines).strip()
    if not text:
        return ""
    # a sentence ends at a full stop followed by a blank, unless it closes an initial ("E.")
    # or a common abbreviation
    end = len(text)
    for m in re.finditer(r"\.(\s|$)", text):
        word = text[:m.start()].rsplit(" ", 1)[-1]
        if len(word.strip("(")) <= 1 or word.lower() in ("e.g", "i.e", "etc", "cf", "vs"):
            continue
        end = m.start()
        break
    s = text[:end].rstrip(".;: ")
    return s if len(s) <= 160 else s[:157].rsplit(" ", 1)[0] + " ..."


def header_routines(path):
    """(name, purpose) of every free function declared at namespace level in a header."""
    out = []
    comment = []
    depth = 0  # brace depth inside namespace vetrix (0 = namespace level)
    in_ns = False
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    i = 0
    while i < len(lines):
        line = lines[i]
        stripped = line.strip()
        if stripped.startswith("namespace vetrix"):
            in_ns = True
            comment = []
            i += 1
            continue
        if not in_ns:
            i += 1
            continue
        if depth == 0 and stripped.startswith("//"):
            comment.append(stripped[2:])
            i += 1
            continue
        if depth == 0 and stripped.startswith(("struct ", "class ", "enum ", "namespace ")):
            depth += line.count("{") - line.count("}")
            comment = []
            i += 1
            continue
        if depth == 0 and stripped:
            m = DECL.match(stripped)
            if m and m.group(1) not in SKIP and not stripped.startswith(("using", "#", "}")):
                out.append((m.group(1), first_sentence(comment)))
        if stripped and not stripped.startswith("//"):
            # a declaration may run over several lines; only braces change the depth
            depth += line.count("{") - line.count("}")
            if depth < 0:
                depth = 0
            if depth > 0:
                comment = []
        elif not stripped:
            comment = []
        i += 1
    return out


def definition_files(name, cpp_files):
    """The .cpp files that define name (a line with its name and "(" that opens a body)."""
    pat = re.compile(r"^[A-Za-z_].*[\s\*&]" + re.escape(name) + r"\s*\(")
    found = []
    for path in cpp_files:
        with open(path, encoding="utf-8") as f:
            text = f.read().split("\n")
        for k, line in enumerate(text):
            if pat.match(line) and not line.rstrip().endswith(";"):
                # the body opens on this line or within the next few lines
                window = " ".join(text[k:k + 8])
                if "{" in window.split(";")[0]:
                    found.append(path)
                    break
    return found


def file_purpose(path, name):
    """What the first-line comment of a source file says about its routines."""
    with open(path, encoding="utf-8") as f:
        first = f.readline().strip()
    if not first.startswith("//"):
        return ""
    text = first[2:].strip()
    head, sep, tail = text.partition(":")
    return first_sentence([tail]) if sep and name in head else first_sentence([text])


def main():
    headers, cpps = [], []
    for d, _, files in os.walk(SRC):
        for fn in sorted(files):
            p = os.path.join(d, fn)
            (headers if fn.endswith(".hpp") else cpps if fn.endswith(".cpp") else []).append(p)
    headers.sort()
    cpps.sort()
    rows = []
    for h in headers:
        for name, purpose in header_routines(h):
            defs = definition_files(name, cpps) or [h]
            purpose = OVERRIDES.get(name, purpose)
            if not purpose:
                purpose = file_purpose(defs[0], name)
            rel = ", ".join("`" + os.path.relpath(p, ROOT) + "`" for p in defs)
            rows.append((name, rel, os.path.relpath(h, ROOT), purpose))
    seen = set()
    unique = []
    for r in sorted(rows, key=lambda r: (r[0].lower(), r[1])):
        if (r[0], r[1]) in seen:
            continue
        seen.add((r[0], r[1]))
        unique.append(r)
    out = ["# Routine index", "",
           "Every routine declared in the headers under `src/`, the file that defines it and what it "
           "does (from the comment above its declaration). Generated by `python3 docs/make_routines.py`; "
           "regenerate it after changing the sources.", "",
           "| Routine | Defined in | Declared in | Purpose |", "|---|---|---|---|"]
    for name, defs, hdr, purpose in unique:
        out.append("| `%s` | %s | `%s` | %s |" % (name, defs, hdr, purpose.replace("|", "\\|")))
    out.append("")
    out.append("%d routines." % len(unique))
    out.append("")
    dest = os.path.join(ROOT, "docs", "routines.md")
    with open(dest, "w", encoding="utf-8") as f:
        f.write("\n".join(out))
    print("wrote %s (%d routines)" % (dest, len(unique)), file=sys.stderr)


if __name__ == "__main__":
    main()
