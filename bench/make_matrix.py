#!/usr/bin/env python3
"""Seeded random data matrix for simplex-cli: make_matrix.py ROWS COLUMNS DENSITY SEED > file.

Cells are present with probability DENSITY and then hold an abundance from 1 to 9."""
import random
import sys


def main():
    rows, cols, density, seed = int(sys.argv[1]), int(sys.argv[2]), float(sys.argv[3]), int(sys.argv[4])
    r = random.Random(seed)
    out = sys.stdout
    out.write(f"random matrix {rows} x {cols}, density {density}, seed {seed}\n{rows} {cols}\n")
    for _ in range(rows):
        out.write(" ".join(str(r.randint(1, 9)) if r.random() < density else "0" for _ in range(cols)))
        out.write("\n")


if __name__ == "__main__":
    main()
