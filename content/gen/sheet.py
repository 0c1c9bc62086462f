"""Contact sheets: one PNG per group with every picture at its real size and its id beneath it.

usage: sheet.py DATADIR OUTDIR   (reads DATADIR/properties/resources.xml and the pictures under DATADIR)
Run by hand after changing the art; the sheets are committed so a reviewer sees the whole set at a glance.
"""
import base64
import os
import re
import struct
import subprocess
import sys
import tempfile

import art


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    return struct.unpack(">II", head[16:24])


def sheet(entries, out_png, title, width=1600):
    x, y, row_h = 10, 40, 0
    parts = []
    for rid, path in entries:
        w, h = png_size(path)
        caption = "%s %dx%d" % (rid, w, h)
        cell_w = max(w, int(len(caption) * 6.8)) + 14
        if x + cell_w > width and x > 10:
            x, y, row_h = 10, y + row_h + 30, 0
        data = base64.b64encode(open(path, "rb").read()).decode()
        parts.append('<rect x="%d" y="%d" width="%d" height="%d" fill="#d8d0c8"/>' % (x, y, w, h))
        parts.append('<image x="%d" y="%d" width="%d" height="%d" href="data:image/png;base64,%s"/>' % (x, y, w, h, data))
        parts.append('<text x="%d" y="%d" font-family="DejaVu Sans" font-size="11" fill="#222">%s</text>'
                     % (x, y + h + 13, caption))
        x += cell_w
        row_h = max(row_h, h)
    total_h = y + row_h + 30
    svg = ('<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d"><rect width="100%%" height="100%%" '
           'fill="#f4f0ea"/><text x="10" y="26" font-family="DejaVu Sans" font-size="18" font-weight="bold">%s</text>'
           '%s</svg>' % (width, total_h, title, "".join(parts)))
    with tempfile.NamedTemporaryFile("w", suffix=".svg", delete=False) as f:
        f.write(svg)
    subprocess.run(["rsvg-convert", "-o", out_png, f.name], check=True)
    os.unlink(f.name)


def parse_font(path):
    """The glyph table of a baked font descriptor: char -> (rect, advance, offset), plus its image and tint."""
    text = open(path, encoding="latin-1").read()
    glyphs, tint, image, height = {}, None, None, 20

    def chars_of(q):
        return q.replace('""', '"').replace("\\\\", "\\")

    for stmt in re.finditer(r'(\w+)\s+"((?:[^"]|"")*)"\s*\((.*?)\);\n', text, re.S):
        word, chars, body = stmt.group(1), chars_of(stmt.group(2)), stmt.group(3)
        nums = [list(map(int, t.split())) for t in re.findall(r"\(([-\d ]+)\)", body)] or \
            [[int(v)] for v in body.split()]
        for c, n in zip(chars, nums):
            g = glyphs.setdefault(c, {})
            g[word] = n
    m = re.search(r'Image "([^"]+)"', text)
    image = os.path.join(os.path.dirname(path), m.group(1))
    m = re.search(r"Tint (\d+) (\d+) (\d+)", text)
    if m:
        tint = tuple(int(v) / 255 for v in m.groups())
    m = re.search(r"Metrics (\d+) \d+ (\d+)", text)
    if m:
        height = int(m.group(2))
    return glyphs, image, tint, height


def font_sheet(datadir, fonts, out_png, sample):
    parts, y = [], 50
    for rid, rel in fonts:
        glyphs, image, tint, height = parse_font(os.path.join(datadir, rel))
        w, h = png_size(image)
        data = base64.b64encode(open(image, "rb").read()).decode()
        filt = ""
        if tint:
            filt = ' filter="url(#t%s)"' % rid
            parts.append('<filter id="t%s"><feColorMatrix type="matrix" values="%f 0 0 0 0 0 %f 0 0 0 0 0 %f 0 0 0 0 0 1 0"/>'
                         '</filter>' % (rid, tint[0], tint[1], tint[2]))
        parts.append('<text x="10" y="%d" font-family="DejaVu Sans" font-size="12" fill="#ddd">%s (%s)</text>'
                     % (y - 6, rid, rel))
        for line in sample:
            x = 10
            parts.append("<g%s>" % filt)
            for c in line:
                g = glyphs.get(c)
                if not g:
                    x += 6
                    continue
                gx, gy, gw, gh = g["Glyphs"]
                ox, oy = g["Offsets"]
                if gw > 0:
                    parts.append('<svg x="%d" y="%d" width="%d" height="%d" viewBox="%d %d %d %d">'
                                 '<image width="%d" height="%d" href="data:image/png;base64,%s"/></svg>'
                                 % (x + ox, y + oy, gw, gh, gx, gy, gw, gh, w, h, data))
                x += g["Advances"][0]
            parts.append("</g>")
            y += height + 6
        y += 24
    svg = ('<svg xmlns="http://www.w3.org/2000/svg" width="900" height="%d"><rect width="100%%" height="100%%" '
           'fill="#24302a"/><text x="10" y="26" font-family="DejaVu Sans" font-size="18" font-weight="bold" '
           'fill="#fff">Group Init: fonts (as baked, on the dialog board)</text>%s</svg>' % (y, "".join(parts)))
    with tempfile.NamedTemporaryFile("w", suffix=".svg", delete=False) as f:
        f.write(svg)
    subprocess.run(["rsvg-convert", "-o", out_png, f.name], check=True)
    os.unlink(f.name)


def main(datadir, outdir):
    os.makedirs(outdir, exist_ok=True)
    text = open(os.path.join(datadir, "properties", "resources.xml")).read()
    groups = {}
    current = None
    for line in text.splitlines():
        m = re.search(r'<Resources id="([^"]+)"', line)
        if m:
            current = m.group(1)
        m = re.search(r'<Image id="([^"]+)" path="([^"]+)"', line)
        if m:
            groups.setdefault(current, []).append((m.group(1), os.path.join(datadir, m.group(2) + ".png")))
    font_sheet(datadir, art.FONTS, os.path.join(outdir, "sheet_init_fonts.png"),
               ["Ember Cook: Day 12 - $1,250 - Yes / No / OK / Continue",
                "The quick brown fox bakes 3 pizzas: 4x3, 5x5 & \"Margherita\"!"])
    big = lambda e: png_size(e[1])[0] >= 600
    sheet(groups["Init"] + groups["TitleScreen"], os.path.join(outdir, "sheet_init_titlescreen.png"),
          "Groups Init and TitleScreen")
    sheet([e for e in groups["Game"] if not big(e)], os.path.join(outdir, "sheet_game.png"), "Group Game")
    sheet([e for e in groups["Game"] if big(e)], os.path.join(outdir, "sheet_game_screens.png"),
          "Group Game: screens and frames", 1640)
    art.build_list()
    files = [(p, os.path.join(datadir, p + ".png")) for p, _ in art.FILES]
    sheet([e for e in files if "/persons/" in e[0]], os.path.join(outdir, "sheet_customers.png"),
          "Customers (images/persons)", 1400)
    sheet([e for e in files if "/persons/" not in e[0] and not big(e)], os.path.join(outdir, "sheet_gameplay.png"),
          "Pictures loaded by path: toppings, pizzas, objects, buildings, logos")
    sheet([e for e in files if big(e)], os.path.join(outdir, "sheet_backgrounds.png"), "Level backgrounds", 1640)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: sheet.py DATADIR OUTDIR")
    main(*sys.argv[1:])
