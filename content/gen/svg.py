"""Small vector vocabulary shared by the art scripts: one outline weight, top-left light, soft drop shadows."""
import itertools
import math

# Ids are unique across every document, so that one picture can be pasted into another.
_ids = itertools.count()

INK = "#3a2316"        # dark walnut outline, the one line colour of the game
OUTLINE = 2.5          # the one outline weight
EMBER = "#f26b1d"
EMBER_L = "#ffb347"
TOMATO = "#d8342a"
TOMATO_L = "#ff6b57"
BASIL = "#4f9a3a"
BASIL_L = "#8fd16a"
DOUGH = "#f6e3b4"
DOUGH_D = "#d9a864"
WALNUT = "#5a3720"
WALNUT_L = "#8a5a36"
CHEESE = "#f7c948"
CHEESE_L = "#fff0a0"
CREAM = "#fff7e6"
SKY = "#9fd3e8"
SLATE = "#2f4858"


class Svg:
    """An SVG document being written: gradients and filters are declared once and named by content."""

    def __init__(self, w, h):
        self.w, self.h = w, h
        self.defs = {}
        self.body = []

    def grad(self, c1, c2, x1=0, y1=0, x2=0.7, y2=1):
        key = ("lin", c1, c2, x1, y1, x2, y2)
        if key not in self.defs:
            gid = "g%d" % next(_ids)
            self.defs[key] = (gid, '<linearGradient id="%s" x1="%s" y1="%s" x2="%s" y2="%s">'
                                   '<stop offset="0" stop-color="%s"/><stop offset="1" stop-color="%s"/>'
                                   '</linearGradient>' % (gid, x1, y1, x2, y2, c1, c2))
        return "url(#%s)" % self.defs[key][0]

    def radial(self, c1, c2, cx=0.35, cy=0.3, r=0.8, a2=1.0):
        key = ("rad", c1, c2, cx, cy, r, a2)
        if key not in self.defs:
            gid = "g%d" % next(_ids)
            self.defs[key] = (gid, '<radialGradient id="%s" cx="%s" cy="%s" r="%s">'
                                   '<stop offset="0" stop-color="%s"/><stop offset="1" stop-color="%s" '
                                   'stop-opacity="%s"/></radialGradient>' % (gid, cx, cy, r, c1, c2, a2))
        return "url(#%s)" % self.defs[key][0]

    def shadow(self, d=2.0, blur=1.4, alpha=0.45):
        key = ("shadow", d, blur, alpha)
        if key not in self.defs:
            fid = "f%d" % next(_ids)
            self.defs[key] = (fid, '<filter id="%s" x="-30%%" y="-30%%" width="160%%" height="160%%">'
                                   '<feGaussianBlur in="SourceAlpha" stdDeviation="%s"/>'
                                   '<feOffset dx="%s" dy="%s" result="o"/>'
                                   '<feComponentTransfer><feFuncA type="linear" slope="%s"/></feComponentTransfer>'
                                   '<feMerge><feMergeNode/><feMergeNode in="SourceGraphic"/></feMerge></filter>'
                           % (fid, blur, d * 0.6, d, alpha))
        return "url(#%s)" % self.defs[key][0]

    def blur(self, s):
        key = ("blur", s)
        if key not in self.defs:
            fid = "f%d" % next(_ids)
            self.defs[key] = (fid, '<filter id="%s" x="-50%%" y="-50%%" width="200%%" height="200%%">'
                                   '<feGaussianBlur stdDeviation="%s"/></filter>' % (fid, s))
        return "url(#%s)" % self.defs[key][0]

    def clip_rect(self, x, y, w, h, r=0):
        """A clip path of one rounded rectangle, for clip-path="url(#...)"."""
        key = ("clip", x, y, w, h, r)
        if key not in self.defs:
            cid = "c%d" % next(_ids)
            self.defs[key] = (cid, '<clipPath id="%s"><rect x="%s" y="%s" width="%s" height="%s" rx="%s"/>'
                                   '</clipPath>' % (cid, x, y, w, h, r))
        return "url(#%s)" % self.defs[key][0]

    def add(self, *parts):
        self.body.extend(parts)
        return self

    def text(self):
        defs = "".join(v[1] for v in self.defs.values())
        return ('<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 %d %d">'
                '<defs>%s</defs>%s</svg>\n' % (self.w, self.h, self.w, self.h, defs, "".join(self.body)))


def attrs(fill=None, stroke=INK, sw=OUTLINE, extra=""):
    s = ""
    s += ' fill="%s"' % (fill if fill else "none")
    if stroke:
        s += ' stroke="%s" stroke-width="%s" stroke-linejoin="round" stroke-linecap="round"' % (stroke, sw)
    return s + (" " + extra if extra else "")


def rect(x, y, w, h, r=0, fill=None, stroke=INK, sw=OUTLINE, extra=""):
    return '<rect x="%.1f" y="%.1f" width="%.1f" height="%.1f" rx="%.1f"%s/>' % (x, y, w, h, r,
                                                                               attrs(fill, stroke, sw, extra))


def circle(cx, cy, r, fill=None, stroke=INK, sw=OUTLINE, extra=""):
    return '<circle cx="%.1f" cy="%.1f" r="%.1f"%s/>' % (cx, cy, r, attrs(fill, stroke, sw, extra))


def ellipse(cx, cy, rx, ry, fill=None, stroke=INK, sw=OUTLINE, extra=""):
    return '<ellipse cx="%.1f" cy="%.1f" rx="%.1f" ry="%.1f"%s/>' % (cx, cy, rx, ry, attrs(fill, stroke, sw, extra))


def path(d, fill=None, stroke=INK, sw=OUTLINE, extra=""):
    return '<path d="%s"%s/>' % (d, attrs(fill, stroke, sw, extra))


def poly(points, fill=None, stroke=INK, sw=OUTLINE, extra="", closed=True):
    pts = " ".join("%.1f,%.1f" % p for p in points)
    tag = "polygon" if closed else "polyline"
    return '<%s points="%s"%s/>' % (tag, pts, attrs(fill, stroke, sw, extra))


def group(parts, extra=""):
    return "<g %s>%s</g>" % (extra, "".join(parts))


def label(x, y, s, size=16, fill=CREAM, anchor="middle", weight="bold", family="DejaVu Sans", stroke=None, sw=3):
    st = ""
    if stroke:
        st = ' stroke="%s" stroke-width="%s" paint-order="stroke" stroke-linejoin="round"' % (stroke, sw)
    s = s.replace("&", "&amp;").replace("<", "&lt;")
    return ('<text x="%.1f" y="%.1f" font-family="%s" font-size="%s" font-weight="%s" fill="%s" '
            'text-anchor="%s"%s>%s</text>' % (x, y, family, size, weight, fill, anchor, st, s))


def star_points(cx, cy, r1, r2, n=5, rot=-90):
    pts = []
    for i in range(n * 2):
        r = r1 if i % 2 == 0 else r2
        a = math.radians(rot + i * 180 / n)
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


def gloss(s, x, y, w, h, r):
    """The top-left highlight every raised surface gets."""
    return rect(x + w * 0.12, y + h * 0.1, w * 0.6, h * 0.28, r, fill=s.grad("#ffffff", "#ffffff", 0, 0, 0, 1),
                stroke=None, extra='opacity="0.28"')
