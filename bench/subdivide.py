#!/usr/bin/env python3
"""Midpoint subdivision of an OBJ mesh, for large test meshes of a real shape.

    bench/subdivide.py IN.obj OUT LEVELS

Each level cuts every triangle into four at the midpoints of its sides; a side's midpoint
is made once and shared by both triangles on it, so a closed surface stays closed. OUT is
written as binary STL when it ends in .stl, else as OBJ. IN holds "v x y z" and "f a b c"
lines (1-based, or negative); other lines are skipped, polygons are cut into fans.
"""
import struct
import sys


def read_obj(path):
    verts, tris = [], []
    with open(path) as f:
        for line in f:
            p = line.split()
            if not p:
                continue
            if p[0] == "v":
                verts.append((float(p[1]), float(p[2]), float(p[3])))
            elif p[0] == "f":
                idx = [int(c.split("/")[0]) for c in p[1:]]
                idx = [i - 1 if i > 0 else len(verts) + i for i in idx]
                for k in range(1, len(idx) - 1):
                    tris.append((idx[0], idx[k], idx[k + 1]))
    return verts, tris


def split(verts, tris):
    mid = {}

    def m(a, b):
        key = (a, b) if a < b else (b, a)
        i = mid.get(key)
        if i is None:
            pa, pb = verts[a], verts[b]
            i = len(verts)
            verts.append(((pa[0] + pb[0]) / 2, (pa[1] + pb[1]) / 2, (pa[2] + pb[2]) / 2))
            mid[key] = i
        return i

    out = []
    for a, b, c in tris:
        ab, bc, ca = m(a, b), m(b, c), m(c, a)
        out += [(a, ab, ca), (ab, b, bc), (ca, bc, c), (ab, bc, ca)]
    return out


def write(path, verts, tris):
    if path.lower().endswith(".stl"):
        with open(path, "wb") as f:
            f.write(b"subdivided".ljust(80, b" "))
            f.write(struct.pack("<I", len(tris)))
            pack = struct.Struct("<12fH").pack
            for a, b, c in tris:
                f.write(pack(0, 0, 0, *verts[a], *verts[b], *verts[c], 0))
    else:
        with open(path, "w") as f:
            f.writelines("v %.7g %.7g %.7g\n" % v for v in verts)
            f.writelines("f %d %d %d\n" % (a + 1, b + 1, c + 1) for a, b, c in tris)


def main():
    if len(sys.argv) != 4:
        sys.exit("usage: subdivide.py IN.obj OUT LEVELS")
    verts, tris = read_obj(sys.argv[1])
    for _ in range(int(sys.argv[3])):
        tris = split(verts, tris)
    write(sys.argv[2], verts, tris)


if __name__ == "__main__":
    main()
