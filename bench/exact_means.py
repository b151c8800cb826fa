#!/usr/bin/env python3
"""Exact mean percentages of a data matrix, computed apart from the program, and a check of the
table the program printed against them.

    exact_means.py DATA ORIENTATION TRANSCRIPT [TOLERANCE]

DATA is a matrix file in the plain layout written by make_matrix.py (title, dimensions, one row
per line, blank-separated numbers). Every pair's a, b, c come from the presence bits; the sums
of S, R, D and the rest are kept as exact fractions over the pairs' counts. Prints each
percentage, the printed value and their difference; exits 1 when one differs by more than
TOLERANCE points (default 0.001)."""
import sys
from collections import Counter
from fractions import Fraction

LABELS = [
    ("S", "S   SIMILARITY"),
    ("R", "R   SPECIES REPLACEMENT"),
    ("D", "D   RICHNESS DIFFERENCE"),
    ("R+D", "R+D BETA DIVERSITY"),
    ("S+R", "S+R RICHNESS AGREEMENT"),
    ("anti", "ANTI-NESTEDNESS FRACTION"),
    ("S+D-anti", "S+D-ANTI NESTEDNESS"),
    ("rident", "RICHNESS IDENTITY FRACTION"),
    ("S+D-anti-rident", "S+D-ANTI-RIDENT NESTEDNESS"),
]


def objects_of(path, orientation):
    """Presence of every descriptor in every object, one integer of bits per object."""
    with open(path) as fh:
        fh.readline()
        n_rows, n_cols = map(int, fh.readline().split()[:2])
        rows = [[float(v) > 0.0 for v in fh.readline().split()[:n_cols]] for _ in range(n_rows)]
    if orientation != 0:
        return [sum(1 << i for i, p in enumerate(row) if p) for row in rows]
    return [sum(1 << r for r in range(n_rows) if rows[r][c]) for c in range(n_cols)]


def pair_counts(objects):
    """How many pairs have each (a, b, c)."""
    richness = [x.bit_count() for x in objects]
    counts = Counter()
    for j, x in enumerate(objects):
        rj = richness[j]
        # a and the second object's richness, packed in one integer per pair.
        codes = Counter(((x & y).bit_count() << 20) | rk for y, rk in zip(objects[j + 1:], richness[j + 1:]))
        for code, n in codes.items():
            a, rk = code >> 20, code & 0xFFFFF
            counts[(a, rj - a, rk - a)] += n
    return counts


def exact_percentages(counts):
    total = sum(counts.values())
    s = r = d = anti = rident = Fraction(0)
    for (a, b, c), n in counts.items():
        t = a + b + c
        fs, fr, fd = Fraction(a, t), Fraction(2 * min(b, c), t), Fraction(abs(b - c), t)
        s, r, d = s + n * fs, r + n * fr, d + n * fd
        if a == 0:
            anti += n * fd
        if a > 0 and b == c:
            rident += n * (fs + fd)
    mean = lambda v: float(100 * v / total)
    return total, {"S": mean(s), "R": mean(r), "D": mean(d), "R+D": mean(r + d), "S+R": mean(s + r),
                   "anti": mean(anti), "S+D-anti": mean(s + d - anti), "rident": mean(rident),
                   "S+D-anti-rident": mean(s + d - anti - rident)}


def printed_percentages(transcript):
    values = {}
    for line in open(transcript, encoding="latin-1"):
        text = line.strip()
        for key, label in LABELS:
            if text.startswith(label):
                values[key] = float(text[len(label):])
    return values


def main():
    data, orientation, transcript = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    tolerance = float(sys.argv[4]) if len(sys.argv) > 4 else 0.001
    total, exact = exact_percentages(pair_counts(objects_of(data, orientation)))
    printed = printed_percentages(transcript)
    print(f"{total} pairs")
    print(f"{'':16} {'exact mean':>12} {'printed':>10} {'difference':>11}")
    worst = 0.0
    for key, _ in LABELS:
        diff = abs(printed[key] - exact[key])
        worst = max(worst, diff)
        print(f"{key:16} {exact[key]:12.6f} {printed[key]:10.4f} {diff:11.6f}")
    print(f"largest difference {worst:.6f} points (tolerance {tolerance})")
    sys.exit(0 if worst <= tolerance else 1)


if __name__ == "__main__":
    main()
