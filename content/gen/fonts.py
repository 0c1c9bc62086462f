"""Bakes the fonts listed in content/fonts/fonts.txt with our font baker.

usage: fonts.py FONTBAKE LIST DATADIR   (writes DATADIR/fonts/<name>.txt and <name>.png)
A tint is written into the descriptor, so a coloured variant shares nothing but its face with the white one.
A line may end in `outline R G B A`: the glyphs then get a one-pixel rim of that colour, drawn as four copies of the
main layer shifted by a pixel each way beneath it, so light letters stay readable on a light button as well.
The outline's colour multiplies the colour the text is drawn in. `rim TR TG TB TA OR OG OB OA` instead works the rim's
colour out of the text's own, channel by channel: TX x colour / 255 + OX. Negative TX turn it about, so one font gives
light text a dark rim and dark text a light one, and both read on the dark boards.
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
        for word, count in (("outline", 4), ("rim", 8)):
            if word in tint:
                i = tint.index(word)
                tint, outline = tint[:i], tint[i + 1:]
                if len(outline) != count:
                    sys.exit("fonts.py: %s: %s needs %d numbers" % (name, word, count))
                rim_colour = "Tint %s;\n" % " ".join(outline) if word == "outline" else \
                    "Tint %s;\nTone %s;\n" % (" ".join(outline[:4]), " ".join(outline[4:]))
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
