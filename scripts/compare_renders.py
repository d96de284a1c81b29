#!/usr/bin/env python3
"""Compares the drawings two builds wrote (the txr batch of scripts/windows-check.sh): one-bit
BMP files byte for byte apart from the row padding bits the format leaves undefined, other BMP
files byte for byte, text files line for line (Windows ends its lines with CR LF).
Usage: compare_renders.py EXPECTED_DIR ACTUAL_DIR; exits 1 when a file differs or is missing."""
import os
import struct
import sys

HEADER = 62  # file header, info header and two-colour table of a one-bit BMP


def first_difference(expected, actual):
    """None when the two one-bit BMP files agree, else what differs first."""
    if expected[:HEADER] != actual[:HEADER]:
        at = next(i for i in range(min(len(expected), len(actual), HEADER))
                  if expected[i] != actual[i]) if len(expected) >= HEADER else 0
        return f"headers differ at byte {at}"
    width, height = struct.unpack_from("<ii", expected, 18)
    stride = (width + 31) // 32 * 4
    if len(expected) != len(actual) or len(expected) < HEADER + stride * height:
        return f"sizes differ: {len(expected)} and {len(actual)} bytes"
    whole, rest = divmod(width, 8)
    for row in range(height):
        start = HEADER + row * stride
        a = expected[start:start + stride]
        b = actual[start:start + stride]
        if a[:whole] != b[:whole] or (rest and (a[whole] ^ b[whole]) & (0xFF00 >> rest) & 0xFF):
            x = next((i * 8 + bit for i in range(whole + (1 if rest else 0)) for bit in range(8)
                      if i * 8 + bit < width and ((a[i] ^ b[i]) >> (7 - bit)) & 1), 0)
            return f"dot ({x}, {height - 1 - row}) differs"
    return None


def one_bit(data):
    return len(data) >= 30 and data[:2] == b"BM" and struct.unpack_from("<H", data, 28)[0] == 1


def problem_with(name, expected, actual):
    if name.endswith(".txt"):
        same = expected.replace(b"\r\n", b"\n") == actual.replace(b"\r\n", b"\n")
        return None if same else "texts differ"
    if one_bit(expected):
        return first_difference(expected, actual)
    return None if expected == actual else "bytes differ"


def main():
    expected_dir, actual_dir = sys.argv[1], sys.argv[2]
    names = sorted(set(os.listdir(expected_dir)) | set(os.listdir(actual_dir)))
    names = [n for n in names if n.endswith((".bmp", ".txt"))]
    failures = 0
    for name in names:
        paths = [os.path.join(expected_dir, name), os.path.join(actual_dir, name)]
        if not all(os.path.isfile(p) for p in paths):
            print(f"{name}: written by one build only")
            failures += 1
            continue
        expected, actual = (open(p, "rb").read() for p in paths)
        problem = problem_with(name, expected, actual)
        if problem:
            print(f"{name}: {problem}")
            failures += 1
    print(f"{len(names) - failures} passed, {failures} failed")
    return 1 if failures or not names else 0


if __name__ == "__main__":
    sys.exit(main())
