#!/usr/bin/env python3
"""Builds a benchmark tree: N files of random sizes spread over D directories
(nested two levels deep), optionally plus a few large files."""
import os
import random
import sys


def main():
    if len(sys.argv) < 6:
        sys.exit("usage: gen_tree.py ROOT DIRS FILES MIN_BYTES MAX_BYTES [BIG_FILES BIG_MIB]")
    root, dirs, files, lo, hi = sys.argv[1], *map(int, sys.argv[2:6])
    big, big_mib = (int(sys.argv[6]), int(sys.argv[7])) if len(sys.argv) > 7 else (0, 0)
    rng = random.Random(42)
    block = os.urandom(1 << 16)
    top = max(1, int(dirs ** 0.5))
    paths = []
    for d in range(dirs):
        p = os.path.join(root, f"d{d % top:03d}", f"s{d:05d}")
        os.makedirs(p, exist_ok=True)
        paths.append(p)
    for i in range(files):
        size = rng.randint(lo, hi)
        with open(os.path.join(paths[i % dirs], f"f{i:06d}.dat"), "wb") as f:
            f.write(block[:size] if size <= len(block) else block * (size // len(block)) + block[: size % len(block)])
    chunk = os.urandom(1 << 20)
    for b in range(big):
        with open(os.path.join(root, f"big{b:02d}.bin"), "wb") as f:
            for _ in range(big_mib):
                f.write(chunk)


if __name__ == "__main__":
    main()
