#!/usr/bin/env python3
"""Writes a triangle OBJ (plain "v x y z" and "f a b c" lines, 1-based) in the other formats:
binary STL, ASCII STL, binary PLY, ASCII PLY, ASCII PLY with every value on a line of its
own (line feeds as the only separators), and OFF. Coordinates of the text formats are copied
as text; the binary formats hold them as 32-bit floats.
  bench/convert_formats.py IN.obj OUTSTEM   (writes OUTSTEM.bin.stl, OUTSTEM.ascii.stl, ...)"""
import struct
import sys


def main():
    src, stem = sys.argv[1], sys.argv[2]
    pos, tris = [], []
    with open(src) as f:
        for line in f:
            if line.startswith("v "):
                pos.append(line.split()[1:4])
            elif line.startswith("f "):
                a, b, c = line.split()[1:4]
                tris.append((int(a) - 1, int(b) - 1, int(c) - 1))
    nv, nf = len(pos), len(tris)
    fpos = [tuple(float(x) for x in p) for p in pos]

    with open(stem + ".bin.stl", "wb") as out:
        out.write(b"binary STL".ljust(80, b" ") + struct.pack("<I", nf))
        rec = struct.Struct("<12fH")
        out.write(b"".join(rec.pack(0, 0, 0, *fpos[a], *fpos[b], *fpos[c], 0) for a, b, c in tris))

    with open(stem + ".ascii.stl", "w") as out:
        out.write("solid shape\n")
        for a, b, c in tris:
            out.write(" facet normal 0 0 0\n  outer loop\n   vertex %s\n   vertex %s\n   vertex %s\n"
                      "  endloop\n endfacet\n" % (" ".join(pos[a]), " ".join(pos[b]), " ".join(pos[c])))
        out.write("endsolid shape\n")

    def ply_header(fmt):
        return ("ply\nformat %s 1.0\nelement vertex %d\nproperty float x\nproperty float y\n"
                "property float z\nelement face %d\nproperty list uchar int vertex_indices\n"
                "end_header\n" % (fmt, nv, nf))

    with open(stem + ".bin.ply", "wb") as out:
        out.write(ply_header("binary_little_endian").encode())
        vrec, frec = struct.Struct("<3f"), struct.Struct("<B3i")
        out.write(b"".join(vrec.pack(*p) for p in fpos))
        out.write(b"".join(frec.pack(3, *t) for t in tris))

    with open(stem + ".ascii.ply", "w") as out:
        out.write(ply_header("ascii"))
        out.writelines("%s\n" % " ".join(p) for p in pos)
        out.writelines("3 %d %d %d\n" % t for t in tris)

    with open(stem + ".lf.ply", "w") as out:
        out.write(ply_header("ascii"))
        out.writelines("%s\n" % "\n".join(p) for p in pos)
        out.writelines("3\n%d\n%d\n%d\n" % t for t in tris)

    with open(stem + ".off", "w") as out:
        out.write("OFF\n%d %d 0\n" % (nv, nf))
        out.writelines("%s\n" % " ".join(p) for p in pos)
        out.writelines("3 %d %d %d\n" % t for t in tris)


if __name__ == "__main__":
    main()
