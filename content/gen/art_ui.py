"""Ember Cook's interface art: frames, buttons, cursors, lamps, icons, stars, hint bubbles and HUD pieces."""
import math

from svg import *


CHALK = ("#34483e", "#1c2621")


def map_bottom(w=800, h=160):
    """The strip along the map's bottom: the chef's words run to 10 pixels from the screen's right edge, so the
    board runs on past both edges, framed only above and below."""
    s = Svg(w, h)
    s.add(rect(-30, 3, w + 60, h - 8, 22, fill=s.grad(WALNUT_L, WALNUT), extra='filter="%s"' % s.shadow(3, 2.5)))
    s.add(rect(-30, 14, w + 60, h - 30, 14, fill=s.grad(CHALK[0], CHALK[1], 0, 0, 0.3, 1), sw=2))
    s.add(ellipse(w * 0.35, h * 0.3, w * 0.25, h * 0.12, fill="#ffffff", stroke=None, extra='opacity="0.015"'))
    for i in range(4):
        y = 8 + i * 2
        s.add(path("M0 %d Q %d %d %d %d" % (y, w / 2, y - 2, w, y), stroke="#ffffff", sw=1, extra='opacity="0.18"'))
    return s


def panel(w, h, title_band=True, inner=CHALK, celebrate=False, gloomy=False, bottom_margin=0):
    """A walnut frame round a chalkboard: every dialog and window of the game. Texts on it are drawn light.
    bottom_margin leaves clear room under the frame: a window resting on the screen's bottom edge then stops short
    of it."""
    s = Svg(w, h + bottom_margin)
    s.add(rect(3, 3, w - 8, h - 8, 22, fill=s.grad(WALNUT_L, WALNUT), extra='filter="%s"' % s.shadow(3, 2.5)))
    s.add(rect(14, 14, w - 30, h - 30, 14, fill=s.grad(inner[0], inner[1], 0, 0, 0.3, 1), sw=2))
    # Chalk dust: a faint smear so the board does not look like flat paint.
    s.add(ellipse(w * 0.35, h * 0.3, w * 0.25, h * 0.12, fill="#ffffff", stroke=None, extra='opacity="0.015"'))
    # Wood grain: a few soft strokes on the frame.
    for i in range(4):
        y = 8 + i * 2
        s.add(path("M30 %d Q %d %d %d %d" % (y, w / 2, y - 2, w - 30, y), stroke="#ffffff", sw=1,
                   extra='opacity="0.18"'))
    if title_band:
        s.add(rect(w / 2 - w * 0.3, 0, w * 0.6, 10, 5, fill=s.grad(EMBER_L, EMBER), sw=2))
    if celebrate:
        # Laurel of little stars along the top of the board for a won day.
        # Stars in the two top corners, clear of the centred heading.
        for i in range(3):
            for x in (36 + i * 26, w - 36 - i * 26):
                s.add(poly(star_points(x, 38 + i * 5, 10 - i * 1.5, 4.5 - i * 0.6), fill=s.radial(CHEESE_L, "#e08a10"),
                           sw=1.2))
    if gloomy:
        # A curl of smoke over a closed day.
        s.add(path("M%d 60 q-20 -20 0 -36 q20 -16 0 -32" % (w - 70), stroke="#8a8a8a", sw=5, extra='opacity="0.5"'))
        s.add(path("M%d 66 q-14 -16 0 -28" % (w - 100), stroke="#8a8a8a", sw=4, extra='opacity="0.4"'))
    # Corner studs.
    for cx, cy in ((9, 9), (w - 13, 9), (9, h - 13), (w - 13, h - 13)):
        s.add(circle(cx, cy, 3.2, fill=s.radial(CHEESE_L, "#b07a1e"), sw=1.2))
    return s


def button(w, h, state):
    top, bottom = {"normal": (EMBER_L, EMBER), "over": ("#ffd27a", "#ff8a2a"),
                   "down": ("#d9541a", "#f07a2a"), "disabled": ("#cbbba5", "#9e8d78")}[state]
    s = Svg(w, h)
    dy = 2 if state == "down" else 0
    s.add(rect(3, 5, w - 6, h - 8, h / 2 - 4, fill=INK, stroke=None, extra='opacity="0.35"'))
    s.add(rect(2, 2 + dy, w - 6, h - 8, (h - 8) / 2, fill=s.grad(top, bottom, 0, 0, 0, 1)))
    if state != "down":
        s.add(rect(10, 5 + dy, w - 22, (h - 8) * 0.35, (h - 8) * 0.2, fill="#ffffff", stroke=None,
                   extra='opacity="0.3"'))
    return s


def cursor(kind):
    s = Svg(32, 32)
    if kind == "pointer":
        s.add(poly([(2, 2), (2, 24), (8, 19), (12, 28), (16, 26), (12, 17), (20, 17)], fill=s.grad(CREAM, DOUGH),
                   extra='filter="%s"' % s.shadow(1.5, 1)))
    elif kind in ("hand", "dragging"):
        if kind == "hand":
            fingers = path("M10 16 L10 4 Q12 1.5 14 4 L14 13 L14 9 Q16 7 18 9 L18 14 L18 10.5 Q20 9 22 10.5 L22 15 "
                           "L22 12.5 Q24 11 26 12.5 L26 21 Q26 29 18 29 L15 29 Q10 29 7 23 L3 17 Q4 14 7 15 Z",
                           fill=s.grad(CREAM, DOUGH), extra='filter="%s"' % s.shadow(1.5, 1))
        else:
            fingers = path("M7 14 Q8 10 11 11 Q12 8 15 9 Q16 7 19 8.5 Q21 7.5 23 9.5 Q26 10 26 14 L26 21 "
                           "Q26 29 18 29 L15 29 Q9 29 7 22 Z", fill=s.grad(CREAM, DOUGH),
                           extra='filter="%s"' % s.shadow(1.5, 1))
        s.add(fingers)
    else:
        # The beam hugs the left edge: the cursor image is drawn with its corner at the pointer.
        beam = "M2 3 Q7 3 7 7 Q7 3 12 3 M7 7 L7 23 M2 27 Q7 27 7 23 Q7 27 12 27 M4 15 L10 15"
        s.add(path(beam, stroke=INK, sw=4.5))
        s.add(path(beam, stroke=CREAM, sw=2))
    return s


def lamp(color_on, on, shape):
    s = Svg(8, 8)
    c1, c2 = (color_on[0], color_on[1]) if on else ("#8a7a68", "#4a3c30")
    if shape == "circle":
        s.add(circle(4, 4, 3.3, fill=s.radial(c1, c2, 0.35, 0.3, 0.8), sw=1))
    elif shape == "diamond":
        s.add(poly([(4, 0.6), (7.4, 4), (4, 7.4), (0.6, 4)], fill=s.radial(c1, c2), sw=1))
    elif shape == "square":
        s.add(rect(0.8, 0.8, 6.4, 6.4, 1.2, fill=s.radial(c1, c2), sw=1))
    else:
        s.add(poly(star_points(4, 4.3, 3.8, 1.8), fill=s.radial(c1, c2), sw=0.8))
    return s


def star(kind, size=16):
    s = Svg(size, size)
    c = size / 2
    pts = star_points(c, c + 0.5, c - 1, c * 0.45)
    if kind == "empty":
        s.add(poly(pts, fill="#6b5a48", sw=1.2, extra='fill-opacity="0.6"'))
    else:
        s.add(poly(pts, fill=s.radial(CHEESE_L, "#e89a10", 0.35, 0.3, 0.8), sw=1.2))
        if kind == "half":
            s.add('<clipPath id="halfstar"><rect x="%d" y="0" width="%d" height="%d"/></clipPath>' % (c, c, size))
            s.add(poly(pts, fill="#6b5a48", sw=1.2, extra='clip-path="url(#halfstar)"'))
    return s


def icon(kind):
    s = Svg(64, 64)
    s.add(circle(32, 32, 28, fill=s.radial(EMBER_L, EMBER, 0.35, 0.3, 0.8),
                 extra='filter="%s"' % s.shadow(2, 1.5)))
    w = CREAM
    if kind == "continue":
        s.add(poly([(24, 17), (47, 32), (24, 47)], fill=w))
    elif kind == "restart":
        s.add(path("M44 24 A14 14 0 1 0 46 36", stroke=w, sw=6))
        s.add(poly([(38, 16), (50, 22), (40, 30)], fill=w, sw=2))
    elif kind == "menu":
        for y in (21, 32, 43):
            s.add(rect(18, y - 3, 28, 6, 3, fill=w, sw=2))
    elif kind == "options":
        s.add(circle(32, 32, 13, fill=w))
        for i in range(8):
            a = math.radians(i * 45)
            s.add(circle(32 + 15 * math.cos(a), 32 + 15 * math.sin(a), 4, fill=w, sw=2))
        s.add(circle(32, 32, 5, fill=EMBER, sw=2))
    else:  # how
        s.add(label(32, 45, "?", 36, fill=w, stroke=INK, sw=3, family="DejaVu Serif"))
    return s


def checkbox():
    s = Svg(56, 28)
    for i in range(2):
        x = i * 28
        s.add(rect(x + 3, 3, 22, 22, 5, fill=s.grad(CREAM, DOUGH), extra='filter="%s"' % s.shadow(1.5, 1)))
        if i == 1:
            s.add(path("M%d 14 L%d 20 L%d 7" % (x + 8, x + 13, x + 22), stroke=BASIL, sw=4.5))
    return s


def slider_track():
    # Narrow enough that the options dialog's two volume sliders stand side by side inside it.
    s = Svg(150, 16)
    s.add(rect(2, 4, 146, 8, 4, fill=s.grad(WALNUT, WALNUT_L, 0, 0, 0, 1), sw=2))
    return s


def slider_thumb():
    s = Svg(20, 28)
    s.add(rect(2, 2, 15, 23, 6, fill=s.grad(EMBER_L, EMBER), extra='filter="%s"' % s.shadow(1.5, 1)))
    for y in (10, 14, 18):
        s.add(path("M7 %d L12 %d" % (y, y), stroke=INK, sw=1.2))
    return s


def hint_panel():
    # The words are wrapped into x 12 to 272 of the picture (its width less 40) and centred on x 142: the panel is
    # centred there too, so the words keep the same room from the note's left and right edges.
    s = Svg(300, 180)
    s.add(rect(1, 3, 283, 172, 18, fill=s.grad(WALNUT_L, WALNUT), extra='filter="%s"' % s.shadow(2.5, 2)))
    # A paper note for the hint's dark green words, over a chalk strip that carries the white check box caption
    # and the button.
    s.add(rect(6, 9, 272, 160, 13, fill=s.grad(CHALK[0], CHALK[1], 0, 0, 0.3, 1), sw=1.5))
    s.add(rect(6, 9, 272, 114, 13, fill=s.grad(CREAM, DOUGH), sw=1.5))
    return s


def hint_arrow(kind):
    if kind == "left":       # hangs below the panel, its point at (5, 39)
        s = Svg(40, 44)
        s.add(poly([(10, 0), (34, 0), (5, 39)], fill=s.grad(WALNUT_L, WALNUT)))
    elif kind == "left_up":  # stands above the panel, its point at (1, 3)
        s = Svg(40, 40)
        s.add(poly([(1, 3), (36, 40), (12, 40)], fill=s.grad(WALNUT_L, WALNUT)))
    else:                    # hangs below the panel, its point at (45, 40)
        s = Svg(48, 44)
        s.add(poly([(10, 0), (36, 0), (45, 40)], fill=s.grad(WALNUT_L, WALNUT)))
    return s


def clock_strip(cel, cels, small=False):
    s = Svg(cel * cels, cel)
    r = cel / 2 - 4
    for i in range(cels):
        cx, cy = i * cel + cel / 2, cel / 2 + 1
        frac = i / (cels - 1)
        s.add(circle(cx, cy, r, fill=s.radial(CREAM, DOUGH, 0.35, 0.3, 0.9), sw=OUTLINE if not small else 1.8))
        if frac > 0:
            a = 2 * math.pi * frac
            large = 1 if frac > 0.5 else 0
            col = BASIL if frac < 0.5 else (EMBER if frac < 0.8 else TOMATO)
            if frac >= 1:
                s.add(circle(cx, cy, r - 3, fill=col, stroke=None, extra='opacity="0.85"'))
            else:
                ex, ey = cx + (r - 3) * math.sin(a), cy - (r - 3) * math.cos(a)
                s.add(path("M%.1f %.1f L%.1f %.1f A%.1f %.1f 0 %d 1 %.1f %.1f Z" %
                           (cx, cy, cx, cy - r + 3, r - 3, r - 3, large, ex, ey), fill=col, stroke=None,
                           extra='opacity="0.85"'))
        if not small:
            for k in range(12):
                a = math.radians(k * 30)
                s.add(path("M%.1f %.1f L%.1f %.1f" % (cx + (r - 5) * math.sin(a), cy - (r - 5) * math.cos(a),
                                                      cx + (r - 2) * math.sin(a), cy - (r - 2) * math.cos(a)),
                           stroke=INK, sw=1.5))
            s.add(rect(cx - 6, cy - r - 5, 12, 6, 2, fill=EMBER, sw=1.8))
        hand = 2 * math.pi * frac
        s.add(path("M%.1f %.1f L%.1f %.1f" % (cx, cy, cx + (r - 6) * math.sin(hand), cy - (r - 6) * math.cos(hand)),
                   stroke=INK, sw=2.5 if not small else 1.8))
        s.add(circle(cx, cy, 2.2 if not small else 1.5, fill=INK, stroke=None))
    return s


def arrow(direction, size=32):
    s = Svg(size, size)
    pts = [(16, 3), (29, 16), (21, 16), (21, 29), (11, 29), (11, 16), (3, 16)]
    rot = {"up": 0, "right": 90, "down": 180, "left": 270}[direction]
    s.add(poly(pts, fill=s.grad(CHEESE_L, EMBER), extra='transform="rotate(%d 16 16)" filter="%s"'
               % (rot, s.shadow(1.5, 1))))
    return s


def map_arrow():
    s = Svg(32, 40)
    s.add(poly([(10, 2), (22, 2), (22, 20), (30, 20), (16, 37), (2, 20), (10, 20)], fill=s.grad(TOMATO_L, TOMATO),
               extra='filter="%s"' % s.shadow(1.5, 1)))
    return s


def map_point(kind):
    s = Svg(24, 24)
    fills = {"open": (CREAM, DOUGH_D), "complete": (BASIL_L, BASIL), "expert": (CHEESE_L, "#e89a10"),
             "select": (EMBER_L, EMBER)}[kind]
    s.add(circle(12, 12, 9, fill=s.radial(*fills), extra='filter="%s"' % s.shadow(1.5, 1)))
    if kind == "complete":
        s.add(path("M7.5 12 L11 15.5 L16.5 8.5", stroke=INK, sw=2.2))
    elif kind == "expert":
        s.add(poly(star_points(12, 12.5, 6, 2.7), fill=CREAM, sw=1.2))
    elif kind == "select":
        s.add(circle(12, 12, 4, fill=CREAM, sw=1.5))
    return s


def line_blue():
    s = Svg(560, 6)
    s.add(rect(1, 1, 558, 4, 2, fill=s.grad(WALNUT, EMBER, 0, 0, 1, 0), stroke=None))
    return s


def under_shop_line():
    s = Svg(100, 6)
    s.add(rect(0, 1, 100, 4, 2, fill=s.grad(WALNUT, WALNUT_L, 0, 0, 0, 1), stroke=None))
    return s


def loader_bar():
    s = Svg(400, 20)
    s.add(rect(2, 2, 396, 16, 8, fill=s.grad(EMBER_L, EMBER, 0, 0, 0, 1)))
    return s


def loader_c():
    s = Svg(24, 24)
    s.add(circle(12, 12, 9, fill=s.radial(EMBER_L, EMBER)))
    return s


def sold():
    s = Svg(96, 40)
    s.add(rect(4, 4, 88, 32, 6, fill=TOMATO, stroke=TOMATO, sw=1, extra='opacity="0.2" transform="rotate(-8 48 20)"'))
    s.add(rect(4, 4, 88, 32, 6, stroke=TOMATO, sw=3, extra='transform="rotate(-8 48 20)"'))
    s.add('<text x="48" y="28" font-family="DejaVu Sans" font-size="20" font-weight="bold" fill="%s" '
          'text-anchor="middle" transform="rotate(-8 48 20)">OWNED</text>' % TOMATO)
    return s


def attention():
    s = Svg(24, 40)
    s.add(path("M12 3 Q19 3 18 9 L15 26 L9 26 L6 9 Q5 3 12 3 Z", fill=s.grad(TOMATO_L, TOMATO),
               extra='filter="%s"' % s.shadow(1.5, 1)))
    s.add(circle(12, 33, 4, fill=s.grad(TOMATO_L, TOMATO)))
    return s


def select_frame():
    s = Svg(52, 52)
    for (x, y, dx, dy) in ((3, 3, 1, 1), (49, 3, -1, 1), (3, 49, 1, -1), (49, 49, -1, -1)):
        d = "M%d %d L%d %d L%d %d" % (x, y + 12 * dy, x, y, x + 12 * dx, y)
        s.add(path(d, stroke=INK, sw=6))
        s.add(path(d, stroke=CHEESE_L, sw=3))
    return s


def ramka_side():
    s = Svg(3, 398)
    s.add(rect(0, 0, 3, 398, 0, fill=s.grad(WALNUT_L, INK, 0, 0, 1, 0), stroke=None))
    return s


def ramka():
    # Frames the 150x100 pizzeria picture.
    s = Svg(158, 108)
    s.add(rect(3, 3, 150, 100, 10, stroke=WALNUT, sw=8, extra='filter="%s"' % s.shadow(2, 1.5)))
    s.add(rect(3, 3, 150, 100, 10, stroke=CHEESE, sw=2))
    return s


def closed_sign():
    # Hung over the clock, it ends above the day's name written under the clock (from y 80 of the screen).
    s = Svg(170, 78)
    s.add(path("M40 2 L85 18 L130 2", stroke=INK, sw=2))
    s.add(rect(6, 16, 158, 56, 12, fill=s.grad(TOMATO_L, TOMATO), extra='filter="%s"' % s.shadow(2, 1.5)))
    s.add(rect(13, 22, 144, 44, 8, stroke=CREAM, sw=2))
    s.add(label(85, 54, "CLOSED", 25, fill=CREAM, stroke=INK, sw=3))
    s.add(circle(85, 18, 3, fill=CHEESE))
    return s


def cloudlet(w, h):
    s = Svg(w, h)
    cx, cy = w / 2, h / 2 - 4
    s.add(path("M%.1f %.1f Q %.1f %.1f %.1f %.1f Q %.1f %.1f %.1f %.1f Q %.1f %.1f %.1f %.1f Q %.1f %.1f %.1f %.1f "
               "L %.1f %.1f L %.1f %.1f Q %.1f %.1f %.1f %.1f Z" % (
                   w * 0.18, cy + h * 0.2, 2, cy - h * 0.05, w * 0.2, cy - h * 0.3, w * 0.35, 4, cx + w * 0.05,
                   h * 0.13, w * 0.8, 3, w * 0.84, cy - h * 0.12, w - 2, cy + h * 0.18, w * 0.72, cy + h * 0.32,
                   w * 0.3, cy + h * 0.34, w * 0.12, h - 3, w * 0.1, cy + h * 0.3, w * 0.18, cy + h * 0.2),
               fill=s.grad("#ffffff", CREAM), extra='filter="%s"' % s.shadow(1.5, 1.2)))
    return s


def face(mood):
    s = Svg(28, 25)
    col = {"good": (BASIL_L, BASIL), "fine": (CHEESE_L, "#e8a41a"), "bad": (TOMATO_L, TOMATO)}[mood]
    s.add(circle(14, 12.5, 10.5, fill=s.radial(*col), sw=1.8))
    s.add(circle(10.2, 10, 1.5, fill=INK, stroke=None), circle(17.8, 10, 1.5, fill=INK, stroke=None))
    mouth = {"good": "M8.5 14.5 Q14 20 19.5 14.5", "fine": "M9 16 L19 16", "bad": "M8.5 18.5 Q14 13 19.5 18.5"}[mood]
    s.add(path(mouth, stroke=INK, sw=1.8))
    return s


def mood_bar(mood):
    s = Svg(64, 25)
    col = {"good": (BASIL_L, BASIL), "fine": (CHEESE_L, "#e8a41a"), "bad": (TOMATO_L, TOMATO)}[mood]
    s.add(rect(31, 4, 32, 17, 5, fill=s.grad(col[0], col[1], 0, 0, 0, 1), sw=1.8))
    s.add(rect(34, 6, 26, 5, 2.5, fill="#ffffff", stroke=None, extra='opacity="0.35"'))
    return s


def coffee_gauge():
    s = Svg(12, 50)
    s.add(rect(1, 1, 10, 48, 4, fill=s.grad("#c98b4a", "#5b2e12", 0, 0, 0, 1), sw=1.5))
    return s


def money_label():
    s = Svg(40, 30)
    for i, y in enumerate((20, 15, 10)):
        s.add(ellipse(20 - i, y, 13, 5.5, fill=s.grad(CHEESE_L, "#d8961a", 0, 0, 0, 1), sw=1.6))
    s.add(label(19, 14, "$", 9, fill="#8a5a10"))
    return s
