"""Ember Cook's food art: the six toppings, the special pieces, pizzas of every size, snacks and boxes."""
import math
import random

from svg import *

PIECE = 48


def _piece(draw):
    s = Svg(PIECE, PIECE)
    s.add('<g filter="%s">' % s.shadow(2, 1.3))
    draw(s)
    s.add("</g>")
    return s


def mushroom(s, x=0, y=0, k=1.0):
    def t(px, py):
        return x + px * k, y + py * k
    s.add(path("M%.1f %.1f L%.1f %.1f Q%.1f %.1f %.1f %.1f L%.1f %.1f Z" % (*t(18, 26), *t(16, 41), *t(24, 45),
                                                                            *t(32, 41), *t(30, 26)),
               fill=s.grad(CREAM, DOUGH), sw=OUTLINE * k))
    s.add(path("M%.1f %.1f Q%.1f %.1f %.1f %.1f Q%.1f %.1f %.1f %.1f Q%.1f %.1f %.1f %.1f Z" % (
        *t(4, 28), *t(5, 5), *t(24, 4), *t(43, 5), *t(44, 28), *t(24, 33), *t(4, 28)),
        fill=s.radial("#c98a58", "#7a4422", 0.35, 0.25, 0.9), sw=OUTLINE * k))
    for cx, cy, r in ((15, 15, 3.2), (27, 11, 2.5), (33, 20, 2.8)):
        s.add(circle(*t(cx, cy), r * k, fill=CREAM, stroke=None, extra='opacity="0.85"'))


def cheese(s):
    s.add(poly([(4, 38), (44, 38), (44, 22), (10, 10)], fill=s.grad(CHEESE_L, "#e8a41a")))
    s.add(poly([(10, 10), (44, 22), (44, 26), (10, 14)], fill="#ffffff", stroke=None, extra='opacity="0.3"'))
    for cx, cy, r in ((18, 28, 3.5), (32, 31, 2.5), (37, 25, 2), (25, 21, 2)):
        s.add(circle(cx, cy, r, fill="#d39014", sw=1.2))


def pepper(s):
    s.add(path("M24 9 Q24 3 29 2", stroke=BASIL, sw=4))
    s.add(path("M14 14 Q24 6 34 14 Q42 22 36 36 Q31 46 24 45 Q17 46 12 36 Q6 22 14 14 Z",
               fill=s.radial(BASIL_L, "#2e6b22", 0.35, 0.25, 0.9)))
    s.add(path("M24 13 Q21 28 24 44", stroke="#2e6b22", sw=1.5))
    s.add(path("M16 18 Q13 24 15 31", stroke="#ffffff", sw=2.5, extra='opacity="0.45"'))


def tomato(s):
    s.add(circle(24, 25, 19, fill=s.radial(TOMATO_L, "#a81f18", 0.35, 0.3, 0.9)))
    s.add(circle(24, 25, 13, fill="#f28b78", sw=1.2))
    for i in range(5):
        a = math.radians(i * 72 - 90)
        s.add(ellipse(24 + 8 * math.cos(a), 25 + 8 * math.sin(a), 2.6, 1.6, fill=CHEESE_L, sw=1,
                      extra='transform="rotate(%d %.1f %.1f)"' % (i * 72, 24 + 8 * math.cos(a),
                                                                  25 + 8 * math.sin(a))))
    s.add(circle(24, 25, 3, fill=TOMATO, stroke=None))


def pineapple(s):
    s.add(path("M24 13 L18 3 L24 8 L30 2 L28 13 Z", fill=BASIL, sw=2))
    s.add(rect(9, 12, 30, 33, 9, fill=s.grad(CHEESE_L, "#e0a020")))
    for i in range(-2, 4):
        s.add(path("M%d 12 L%d 45" % (9 + i * 10, 29 + i * 10), stroke="#b07a10", sw=1.3,
                   extra='clip-path="url(#pc)"'))
        s.add(path("M%d 12 L%d 45" % (39 - i * 10, 19 - i * 10), stroke="#b07a10", sw=1.3,
                   extra='clip-path="url(#pc)"'))
    s.add('<clipPath id="pc"><rect x="9" y="12" width="30" height="33" rx="9"/></clipPath>')
    s.add(rect(9, 12, 30, 33, 9))


def shrimp(s):
    s.add(path("M36 10 Q46 22 38 36 Q30 46 16 42 Q8 38 10 31 L18 31 Q20 36 27 34 Q33 30 31 22 Q29 16 24 15 Z",
               fill=s.radial("#ffc0a8", "#f0703c", 0.35, 0.3, 0.9)))
    for a, b in (("31 22", "38 20"), ("31 28", "38 30"), ("24 33", "27 39")):
        s.add(path("M%s L%s" % (a, b), stroke="#b84a22", sw=1.5))
    s.add(path("M10 31 L4 27 L6 35 L10 33", fill="#f0703c", sw=2))
    s.add(circle(33, 15, 1.8, fill=INK, stroke=None))
    s.add(path("M36 10 Q40 4 45 4", stroke=INK, sw=1.2))


TOPPINGS = {"grib": lambda s: mushroom(s), "chees": cheese, "paprika": pepper, "pomedor": tomato,
            "ananas": pineapple, "krevetca": shrimp}


def topping(name):
    return _piece(TOPPINGS[name])


def bomb():
    def d(s):
        s.add(circle(22, 27, 16, fill=s.radial("#6a6a7a", "#1a1a24", 0.35, 0.3, 0.9)))
        s.add(rect(17, 7, 10, 7, 2, fill="#4a4a55", sw=2))
        s.add(path("M22 7 Q24 1 32 3", stroke=WALNUT, sw=2.5))
        s.add(ellipse(16, 21, 4, 2.5, fill="#ffffff", stroke=None, extra='opacity="0.35" transform="rotate(-35 16 21)"'))
    return _piece(d)


def battery_piece():
    def d(s):
        s.add(rect(10, 8, 28, 36, 6, fill=s.grad("#7fe0ff", "#1c7fb8")))
        s.add(rect(18, 3, 12, 6, 2, fill="#9aa", sw=2))
        s.add(poly([(26, 12), (16, 28), (23, 28), (20, 40), (32, 22), (25, 22), (28, 12)], fill=CHEESE_L, sw=1.6))
    return _piece(d)


def ice_cream(size=44):
    s = Svg(size, size)
    k = size / 44.0
    s.add('<g transform="scale(%.3f)" filter="%s">' % (k, s.shadow(2, 1.3)))
    s.add(poly([(12, 21), (32, 21), (22, 42)], fill=s.grad("#e9b46a", "#b47a36")))
    s.add(path("M15 25 L27 36 M29 25 L18 36", stroke="#8a5a26", sw=1.2))
    s.add(circle(16, 17, 8, fill=s.radial("#ffd1e0", "#f07aa0")))
    s.add(circle(28, 17, 8, fill=s.radial("#fff6d8", "#e8d090")))
    s.add(circle(22, 10, 8, fill=s.radial("#a86a4a", "#5a321a")))
    s.add(circle(22, 2.5, 2.4, fill=TOMATO, sw=1.2))
    s.add("</g>")
    return s


# Snacks: garlic bread (2 x 1), garden salad (2 x 2), breadsticks (3 x 1).
def garlic_bread(w, h):
    s = Svg(w, h)
    k = h / 35.0
    s.add('<g filter="%s">' % s.shadow(1.5, 1))
    s.add(rect(2, h * 0.2, w - 5, h * 0.62, h * 0.3, fill=s.grad("#f3c77e", "#c07a34")))
    for i in range(max(2, int(w / (14 * k)))):
        x = 6 * k + i * 12 * k
        if x > w - 10 * k:
            break
        s.add(path("M%.1f %.1f L%.1f %.1f" % (x + 4 * k, h * 0.3, x, h * 0.72), stroke="#9a5a22", sw=1.5))
        s.add(circle(x + 5 * k, h * 0.45, 1.6 * k, fill=BASIL, stroke=None))
    s.add("</g>")
    return s


def salad(w, h):
    s = Svg(w, h)
    k = w / 35.0
    s.add('<g transform="scale(%.3f)" filter="%s">' % (k, s.shadow(1.2, 0.8)))
    s.add(path("M3 17 Q17 15 32 17 Q31 31 17.5 32 Q4 31 3 17 Z", fill=s.grad(CREAM, "#d9c8a8")))
    for cx, cy, c in ((10, 14, BASIL_L), (17, 11, BASIL), (25, 13, BASIL_L), (14, 16, TOMATO), (22, 16, CHEESE),
                      (28, 16, BASIL)):
        s.add(circle(cx, cy, 4, fill=c, sw=1))
    s.add(path("M3 17 Q17 15 32 17", stroke=INK, sw=OUTLINE / k * 0.9))
    s.add("</g>")
    return s


def breadsticks(w, h):
    s = Svg(w, h)
    k = h / 35.0
    s.add('<g filter="%s">' % s.shadow(1.5, 1))
    for i, y in enumerate((0.3, 0.5, 0.7)):
        s.add(rect(3 + i * 2 * k, h * y - 3 * k, w - 8 - i * 4 * k, 6 * k, 3 * k, fill=s.grad("#f7d8a0", "#c98a48"),
                   sw=1.6))
    s.add(rect(w * 0.4, h * 0.2, 6 * k, h * 0.6, 2, fill=TOMATO, sw=1.5))
    s.add("</g>")
    return s


def pizza(cw, ch, cell=49, seed=0):
    """A pizza covering cw x ch board cells: crust, sauce, cheese and a scatter of the six toppings."""
    w, h = cw * cell, ch * cell
    s = Svg(w, h)
    rnd = random.Random(seed * 100 + cw * 10 + ch)
    r = min(w, h) * 0.45
    s.add(rect(3, 3, w - 7, h - 7, r, fill=s.grad("#f2c98a", "#c8843e"), extra='filter="%s"' % s.shadow(2, 1.5)))
    s.add(rect(9, 9, w - 19, h - 19, r * 0.85, fill=s.radial(TOMATO_L, "#b8281e", 0.4, 0.35, 0.9), sw=1.5))
    s.add(rect(12, 12, w - 25, h - 25, r * 0.8, fill=s.radial("#fff2b0", "#f3c648", 0.4, 0.35, 0.9), stroke=None,
               extra='opacity="0.92"'))
    # Toppings land on a jittered grid so that large pizzas stay evenly covered.
    step = 22
    nx, ny = max(1, int((w - 30) / step)), max(1, int((h - 30) / step))
    for iy in range(ny):
        for ix in range(nx):
            x = 16 + (ix + 0.5) * (w - 32) / nx + rnd.uniform(-4, 4)
            y = 16 + (iy + 0.5) * (h - 32) / ny + rnd.uniform(-4, 4)
            kind = rnd.randrange(4)
            if kind == 0:
                s.add(circle(x, y, 5.5, fill="#c0282a", sw=1.2))
                s.add(circle(x - 1.5, y - 1.5, 1.5, fill="#ff8a80", stroke=None))
            elif kind == 1:
                s.add(path("M%.1f %.1f q4 -6 8 0" % (x - 4, y + 2), stroke="#2e6b22", sw=3))
            elif kind == 2:
                s.add(ellipse(x, y, 4.5, 3.5, fill="#9a6a4a", sw=1.2))
            else:
                s.add(path("M%.1f %.1f l3 -3 l3 3" % (x - 3, y), stroke=BASIL, sw=2.2))
    s.add(ellipse(w * 0.3, h * 0.25, w * 0.15, h * 0.06, fill="#ffffff", stroke=None,
                  extra='opacity="0.25" transform="rotate(-20 %.1f %.1f)"' % (w * 0.3, h * 0.25)))
    return s


def small_pizza(cw, ch):
    """Shelf picture: the same pizza at a bit over half size, fitted into 96 px across. Small orders thus look
    smaller on the shelf, and the 2x2 one stays clear of the cheese above it on the how-to-play page."""
    big = 49
    k = min(0.57, 92.0 / (max(cw, ch) * big))
    w, h = int(cw * big * k) + 4, int(ch * big * k) + 4
    inner = pizza(cw, ch, big, seed=7)
    s = Svg(w, h)
    s.defs = inner.defs
    s.add('<g transform="translate(2 2) scale(%.4f)">' % k, *inner.body, "</g>")
    return s


def box(stage):
    """Packing a pizza: open base (2), half-closed (3), base waiting for its lid (4B), the lid (4T), done."""
    s = Svg(100, 64)
    base = s.grad("#e9c58c", "#b8864a", 0, 0, 0, 1)
    if stage in ("2", "3", "4B"):
        s.add(poly([(6, 40), (94, 40), (86, 60), (14, 60)], fill=base, extra='filter="%s"' % s.shadow(1.5, 1)))
        s.add(rect(12, 34, 76, 10, 2, fill="#f6dcae"))
    if stage == "2":
        s.add(poly([(10, 38), (90, 38), (98, 6), (2, 6)], fill=s.grad("#f6dcae", "#d9a864"), sw=2))
    if stage == "3":
        s.add(poly([(10, 38), (90, 38), (94, 20), (6, 20)], fill=s.grad("#f6dcae", "#d9a864"), sw=2))
    if stage in ("4T", "ready", "plain"):
        s.add(rect(6, 22 if stage != "plain" else 28, 88, 34, 4, fill=base, extra='filter="%s"' % s.shadow(1.5, 1)))
        s.add(rect(6, 22 if stage != "plain" else 28, 88, 10, 3, fill="#f6dcae"))
        if stage == "ready":
            s.add(circle(50, 42, 9, fill=TOMATO, sw=1.5))
            s.add(path("M45 42 L49 46 L56 38", stroke=CREAM, sw=2.2))
            s.add(path("M20 30 L80 30", stroke=TOMATO, sw=2))
        else:
            s.add(label(50, 48 if stage != "plain" else 54, "EMBER", 10, fill=TOMATO))
    return s
