#!/usr/bin/env python3
"""Builds a benchmark tree shaped like a real one, the same on every machine.

deep:  100,000 files in 5,000 folders, 1 to 8 deep, spread unevenly (a few
       folders hold many files, most hold few).
share: 65,000 files in 5,300 folders, shaped like a system's shared-data
       folder: one folder of 18,000 files, a documentation folder of 2,000
       small package folders, and the rest in an uneven tree 1 to 9 deep.

SCALE divides every count (for a quick look)."""
import os
import random
import sys


def spread(rng, folders, files, names):
    """Puts `files` files into `folders`, unevenly (Pareto weights)."""
    weights = [rng.paretovariate(1.2) for _ in folders]
    for i, folder in enumerate(rng.choices(folders, weights=weights, k=files)):
        names[folder].append(f"{'f' * rng.randint(1, 12)}{i:06d}.{rng.choice(('dat', 'txt', 'gz', 'png'))}")


def tree(rng, root, count, max_depth, paths, depth_of):
    """Adds `count` folders below `root`, each under a random earlier folder
    that is less than `max_depth` deep."""
    open_folders = [root]
    for n in range(count):
        parent = rng.choice(open_folders)
        path = os.path.join(parent, f"d{n:05d}{'x' * rng.randint(0, 8)}")
        depth_of[path] = depth_of[parent] + 1
        paths.append(path)
        if depth_of[path] < max_depth:
            open_folders.append(path)


def main():
    if len(sys.argv) < 3:
        sys.exit("usage: gen_shaped_tree.py ROOT deep|share [SCALE]")
    root, shape = sys.argv[1], sys.argv[2]
    scale = int(sys.argv[3]) if len(sys.argv) > 3 else 1
    rng = random.Random(7)
    depth_of = {root: 0}
    names = {}
    folders = []
    if shape == "deep":
        tree(rng, root, 5000 // scale, 8, folders, depth_of)
        for f in [root] + folders:
            names[f] = []
        spread(rng, [root] + folders, 100000 // scale, names)
    elif shape == "share":
        big = os.path.join(root, "zz-icons")
        doc = os.path.join(root, "doc")
        packages = [os.path.join(doc, f"package-{n:04d}") for n in range(2000 // scale)]
        depth_of[doc] = 1
        tree(rng, root, (5300 - 2000 - 2) // scale, 9, folders, depth_of)
        for f in [root, big, doc] + packages + folders:
            names[f] = []
        names[big] = [f"icon-{n:05d}.png" for n in range(18000 // scale)]
        for p in packages:
            names[p] = ["copyright"] + (["changelog.gz"] if rng.random() < 0.7 else [])
        placed = sum(len(v) for v in names.values())
        spread(rng, folders, 65000 // scale - placed, names)
    else:
        sys.exit(f"unknown shape {shape}")
    block = os.urandom(1 << 14)
    for folder, files in names.items():
        os.makedirs(folder, exist_ok=True)
        for name in files:
            with open(os.path.join(folder, name), "wb") as f:
                f.write(block[: rng.randint(256, 8192)])


if __name__ == "__main__":
    main()
