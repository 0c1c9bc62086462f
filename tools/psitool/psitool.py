#!/usr/bin/env python3
"""psitool: particle effect descriptions in text <-> the game's binary .psi effect files.

usage: psitool.py compile IN.txt OUT.psi
       psitool.py dump IN.psi            (prints the text form; compile(dump(x)) == x for files we write)
       psitool.py build INDIR OUTDIR     (compiles every INDIR/*.txt to OUTDIR/*.psi)

Text form: one setting a line, "name values...", '#' starts a comment. Settings not given are zero.
The binary form is little-endian: a 128-byte header, then optional tagged records.
"""
import os
import struct
import sys

# (name, struct format, byte offset) in header order.
FIELDS = [
    ("sprite_slot", "i", 0), ("rate", "i", 4), ("lifetime", "f", 8), ("life", "ff", 12), ("direction", "f", 20),
    ("spread", "f", 24), ("relative", "B3x", 28), ("speed", "ff", 32), ("gravity", "ff", 40), ("radial", "ff", 48),
    ("tangential", "ff", 56), ("size", "ff", 64), ("size_variation", "f", 72), ("spin", "ff", 76),
    ("spin_variation", "f", 84), ("color_start", "ffff", 88), ("color_end", "ffff", 104),
    ("color_variation", "f", 120), ("alpha_variation", "f", 124),
]
HEADER = 128
TAG_ADDITIVE, TAG_POSITION, TAG_SPRITE = 0, 1, 2
MAX_SPRITE_PATH = 259


class PsiError(Exception):
    pass


def compile_text(text, source="<text>"):
    values = {}
    tags = []
    for number, line in enumerate(text.splitlines(), 1):
        words = line.split("#", 1)[0].split()
        if not words:
            continue
        name, args = words[0], words[1:]
        where = "%s:%d" % (source, number)
        if name == "additive":
            tags.append(struct.pack("<BB", TAG_ADDITIVE, 1 if int(args[0]) else 0))
            continue
        if name == "position":
            tags.append(struct.pack("<Bff", TAG_POSITION, float(args[0]), float(args[1])))
            continue
        if name == "sprite":
            path = " ".join(args).encode()
            if len(path) > MAX_SPRITE_PATH:
                raise PsiError("%s: sprite path longer than %d bytes" % (where, MAX_SPRITE_PATH))
            tags.append(struct.pack("<Bi", TAG_SPRITE, len(path)) + path)
            continue
        field = next((f for f in FIELDS if f[0] == name), None)
        if field is None:
            raise PsiError("%s: unknown setting '%s'" % (where, name))
        want = len(field[1].replace("3x", ""))
        if len(args) != want:
            raise PsiError("%s: '%s' takes %d value(s)" % (where, name, want))
        values[name] = [int(a) if c in "iB" else float(a) for a, c in zip(args, field[1].replace("3x", ""))]
    header = bytearray(HEADER)
    for name, fmt, offset in FIELDS:
        vals = values.get(name, [0] * len(fmt.replace("3x", "")))
        struct.pack_into("<" + fmt, header, offset, *vals)
    return bytes(header) + b"".join(tags)


def dump(data):
    if len(data) < HEADER:
        raise PsiError("file shorter than the %d-byte header" % HEADER)
    lines = []
    for name, fmt, offset in FIELDS:
        vals = struct.unpack_from("<" + fmt, data, offset)
        lines.append(name + " " + " ".join(("%d" % v) if isinstance(v, int) else repr(round(v, 6)) for v in vals))
    pos = HEADER
    while pos < len(data):
        tag = data[pos]
        pos += 1
        if tag == TAG_ADDITIVE:
            lines.append("additive %d" % data[pos])
            pos += 1
        elif tag == TAG_POSITION:
            lines.append("position %r %r" % struct.unpack_from("<ff", data, pos))
            pos += 8
        elif tag == TAG_SPRITE:
            (n,) = struct.unpack_from("<i", data, pos)
            if n < 0 or n > MAX_SPRITE_PATH or pos + 4 + n > len(data):
                raise PsiError("bad sprite path length %d" % n)
            lines.append("sprite " + data[pos + 4:pos + 4 + n].decode("latin-1"))
            pos += 4 + n
        elif tag in (3, 4):
            (n,) = struct.unpack_from("<i", data, pos)
            if n < 0 or pos + 4 + 8 * n > len(data):
                raise PsiError("bad point count %d" % n)
            lines.append("# tag %d with %d points (not kept by this tool)" % (tag, n))
            pos += 4 + 8 * n
        elif tag == 5:
            lines.append("# tag 5 (not kept by this tool)")
            pos += 8
        else:
            lines.append("# tag %d skipped" % tag)
    return "\n".join(lines) + "\n"


def main(argv):
    try:
        if len(argv) == 4 and argv[1] == "compile":
            with open(argv[2]) as f:
                data = compile_text(f.read(), argv[2])
            with open(argv[3], "wb") as f:
                f.write(data)
        elif len(argv) == 3 and argv[1] == "dump":
            with open(argv[2], "rb") as f:
                sys.stdout.write(dump(f.read()))
        elif len(argv) == 4 and argv[1] == "build":
            os.makedirs(argv[3], exist_ok=True)
            for name in sorted(os.listdir(argv[2])):
                if name.endswith(".txt"):
                    src = os.path.join(argv[2], name)
                    with open(src) as f:
                        data = compile_text(f.read(), src)
                    with open(os.path.join(argv[3], name[:-4] + ".psi"), "wb") as f:
                        f.write(data)
        else:
            sys.stderr.write(__doc__)
            return 2
    except (PsiError, ValueError, IndexError, OSError) as e:
        sys.stderr.write("psitool: %s\n" % e)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
