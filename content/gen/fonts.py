"""Bakes the fonts listed in content/fonts/fonts.txt with our font baker.

usage: fonts.py FONTBAKE LIST DATADIR   (writes DATADIR/fonts/<name>.txt and <name>.png)
A tint is written into the descriptor, so a coloured variant shares nothing but its face with the white one.
A line may end in `outline R G B A`: the glyphs then get a one-pixel rim of that colour, drawn as four copies of the
main layer shifted by a pixel each way beneath it, so light letters stay readable on a light button as well.
The rim's tint multiplies the colour the text is drawn in. `halo R G B A` instead gives a rim of that colour whatever
the text's colour (the drawing colour is cleared and the halo's added), so dark lettering reads on a dark board.
"""
import os
import subprocess
import sys


def main(fontbake, listing, datadir):
    outdir = os.path.join(datadir, "fonts")
    os.makedirs(outdir, exist_ok=True)
    for line in open(listing):
        line = line.split("#", 1)[0].split()
        if not line:
            continue
        name, face, pixels, tint = line[0], line[1], line[2], line[3:]
        outline = None
        rim_colour = None
        for word in ("outline", "halo"):
            if word in tint:
                i = tint.index(word)
                tint, outline = tint[:i], tint[i + 1:]
                if len(outline) != 4:
                    sys.exit("fonts.py: %s: %s needs r g b a" % (name, word))
                r, g, b, a = outline
                rim_colour = "Tint %s;\n" % " ".join(outline) if word == "outline" else \
                    "Tint 0 0 0 %s;\nTone %s %s %s 0;\n" % (a, r, g, b)
        if not os.path.exists(face):
            sys.exit("fonts.py: %s is missing (install the font package named in content/CREDITS)" % face)
        out = os.path.join(outdir, name)
        subprocess.run([fontbake, face, pixels, out], check=True, stdout=subprocess.DEVNULL)
        if tint and tint != ["-"]:
            text = open(out + ".txt", encoding="latin-1").read()
            text = text.replace('Layer "Main";\n', 'Layer "Main";\nTint %s;\n' % " ".join(tint), 1)
            open(out + ".txt", "w", encoding="latin-1").write(text)
        if outline:
            text = open(out + ".txt", encoding="latin-1").read()
            head, main = text.split('Layer "Main";\n', 1)
            # The main layer without its own tint: each rim layer is tinted with the outline colour instead.
            body = "".join(line for line in main.splitlines(True) if not line.startswith("Tint "))
            rims = "".join('Layer "Rim%d";\n%sOffset %d %d;\nBaseOrder -1;\n%s' % (k, rim_colour, dx, dy, body)
                           for k, (dx, dy) in enumerate(((-1, 0), (1, 0), (0, -1), (0, 1))))
            open(out + ".txt", "w", encoding="latin-1").write(head + 'Layer "Main";\n' + main + rims)


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit("usage: fonts.py FONTBAKE LIST DATADIR")
    main(*sys.argv[1:])
