#!/usr/bin/env python3
"""Independent model of the labelled results of a table run ("pairs.csv", "summary.csv").

Reads a table with names (python's csv module), compares its rows (orientation 1) or its
columns (orientation 0) and writes the two files from the documented rules: counts of shared
and unshared descriptors, S, R and D and the triangle position in 4-byte reals (each
expression in double, rounded once when stored), the percentages of the console table, and
every real as the shortest text that reads back to the same 4-byte real.

    table_results_oracle.py TABLE ORIENTATION OUT_DIR [--double-sums]

--double-sums keeps the five pair sums in double precision instead of 4-byte reals.
"""
import csv
import math
import os
import struct
import sys


def f32(x):
    return struct.unpack("<f", struct.pack("<f", x))[0]


def shortest(x):
    if math.isnan(x):
        return "NaN"
    if math.isinf(x):
        return "Inf" if x > 0 else "-Inf"
    for digits in range(1, 10):
        text = "%.*g" % (digits, x)
        if f32(float(text)) == x:
            return text


def cell(text):
    if any(c in text for c in ',"\r\n') or text[:1] == " " or text[-1:] == " ":
        return '"' + text.replace('"', '""') + '"'
    return text


def main():
    table_path, orientation, out_dir = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    double_sums = "--double-sums" in sys.argv[4:]
    with open(table_path, newline="", encoding="utf-8-sig") as f:
        rows = [r for r in csv.reader(f) if any(c.strip() for c in r)]
    header, body = rows[0], rows[1:]
    if len(body[0]) == len(header) + 1:
        header = [""] + header
    values = [[f32(float(c)) if c.strip() else 0.0 for c in r[1:]] for r in body]
    if orientation:
        names, objects = [r[0] for r in body], values
    else:
        names, objects = header[1:], [list(col) for col in zip(*values)]
    height, width = f32(1.225), f32(1.1546)
    add = (lambda s, v: s + v) if double_sums else (lambda s, v: f32(s + v))
    s_sum = r_sum = d_sum = anti_sum = ident_sum = 0.0
    lines = ["object_1,object_2,shared,only_1,only_2,S,R,D,x,y"]
    for j in range(len(objects)):
        for k in range(j + 1, len(objects)):
            p, q = objects[j], objects[k]
            a = sum(1 for u, v in zip(p, q) if u > 0 and v > 0)
            b = sum(1 for u, v in zip(p, q) if u > 0 and not v > 0)
            c = sum(1 for u, v in zip(p, q) if v > 0 and not u > 0)
            t, d = f32(a + b + c), f32(abs(b - c))
            s, r, dd = f32(a / t), f32((t - a - d) / t), f32(d / t)
            y, ds = f32(r * height), f32(dd + s)
            w = (height - y) * width
            x = f32((math.sqrt(2.0) - w) / 2.0 + w * s / ds) if ds > 0 else f32(math.sqrt(2.0) / 2.0)
            lines.append(",".join([cell(names[j]), cell(names[k]), str(a), str(b), str(c)] +
                                  [shortest(v) for v in (s, r, dd, x, y)]))
            s_sum, r_sum, d_sum = add(s_sum, s), add(r_sum, r), add(d_sum, dd)
            if not a > 0:
                anti_sum = add(anti_sum, dd)
            if a > 0 and b == c:
                ident_sum = add(ident_sum, s + dd)
    pairs = len(lines) - 1
    share = lambda v: f32(100.0 * v / pairs)
    combined = lambda v: f32(v * 100.0 / pairs)
    cells = [v for o in objects for v in o]
    triples = {tuple(line.split(",")[5:8]) for line in lines[1:]}
    summary = [("input", cell(os.path.basename(table_path))), ("orientation", str(1 if orientation else 0)),
               ("objects", str(len(objects))), ("descriptors", str(len(objects[0]))), ("pairs", str(pairs)),
               ("positions", str(len(triples))),
               ("matrix_fill", shortest(f32(100.0 * sum(v > 0 for v in cells) / len(cells))))]
    summary += [(key, shortest(v)) for key, v in [
        ("S", share(s_sum)), ("R", share(r_sum)), ("D", share(d_sum)), ("R+D", combined(r_sum + d_sum)),
        ("S+R", combined(r_sum + s_sum)), ("anti_nestedness", share(anti_sum)),
        ("S+D-anti", combined(d_sum + s_sum - anti_sum)), ("richness_identity", share(ident_sum)),
        ("S+D-anti-rident", combined(d_sum + s_sum - anti_sum - ident_sum))]]
    with open(os.path.join(out_dir, "pairs.csv"), "w", newline="\n", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")
    with open(os.path.join(out_dir, "summary.csv"), "w", newline="\n", encoding="utf-8") as f:
        f.write("measure,value\n" + "".join(f"{k},{v}\n" for k, v in summary))


if __name__ == "__main__":
    main()
