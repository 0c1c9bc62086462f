"""Ember Cook's scenes and devices: kitchens, the map, title, shop, the chef, the machines and the particles."""
import math
import random

from svg import *
import art_food
import world


def burner(state):
    """A stove cell. Unlit: a calm dark ring. Lit: the whole cell glows ember red to orange, with a ring of flame
    tongues round the edge, so it reads at a glance even with a piece sitting on it (pieces cover the middle)."""
    s = Svg(49, 49)
    if state == "off":
        s.add(rect(0.5, 0.5, 48, 48, 4, fill=s.grad("#4a4a52", "#26262c", 0, 0, 0, 1), stroke="#1a1a1e", sw=1))
        s.add(circle(24.5, 24.5, 15, stroke="#5a5a62", sw=3), circle(24.5, 24.5, 8, stroke="#5a5a62", sw=2.5))
        return s
    hot = state == "onon"
    edge, mid, core = ("#ffd23a", "#ff8a1a", "#7a1e0c") if hot else ("#ff9a2a", "#e8501a", "#5a160a")
    # The plate itself glows: bright at the edges and corners, darker under the piece so it stays readable.
    s.add(rect(0.5, 0.5, 48, 48, 4, fill=s.radial(core, edge, 0.5, 0.5, 0.75), stroke="#7a2a0c", sw=1))
    s.add(circle(24.5, 24.5, 22, fill=s.radial(core, mid, 0.5, 0.5, 0.5, 0.0), stroke=None))
    # Flame tongues all round the ring, pointing out into the corners and edges.
    tip = "#fff3b0" if hot else "#ffe27a"
    for i in range(12):
        a = math.radians(i * 30 + 15)
        ca, sa = math.cos(a), math.sin(a)
        r0, r1 = 16.5, 23.5 if i % 3 else 22
        bx, by = 24.5 + r0 * ca, 24.5 + r0 * sa
        px, py = 24.5 + r1 * ca, 24.5 + r1 * sa
        nx, ny = -sa * 3.2, ca * 3.2
        s.add(path("M%.1f %.1f Q%.1f %.1f %.1f %.1f Q%.1f %.1f %.1f %.1f Z" % (
            bx + nx, by + ny, bx + nx * 0.6 + (px - bx) * 0.6, by + ny * 0.6 + (py - by) * 0.6, px, py,
            bx - nx * 0.6 + (px - bx) * 0.6, by - ny * 0.6 + (py - by) * 0.6, bx - nx, by - ny),
            fill=s.grad(tip, mid, 0, 0, 0, 1), stroke="#a8320e", sw=0.8))
    s.add(circle(24.5, 24.5, 16, stroke="#ffe9a0" if hot else "#ffc04a", sw=2.5))
    return s


def hole():
    s = Svg(49, 49)
    s.add(rect(2, 2, 45, 45, 6, fill=s.radial("#1a1a1e", "#3a3a42", 0.5, 0.5, 0.7), stroke="#1a1a1e", sw=1.5))
    s.add(path("M10 14 L20 22 L16 30 L26 38", stroke="#5a5a62", sw=1.5))
    return s


def coffee_machine(state):
    s = Svg(110, 120)
    body = s.grad("#c7ccd4", "#7b818a") if state != "disable" else s.grad("#a8a098", "#6e6660")
    s.add(rect(8, 6, 94, 110, 12, fill=body, extra='filter="%s"' % s.shadow(2.5, 2)))
    s.add(rect(16, 14, 78, 24, 6, fill=s.grad(TOMATO_L, TOMATO) if state != "disable" else "#8a7a70"))
    s.add(label(55, 31, "ESPRESSO", 11, fill=CREAM))
    s.add(rect(40, 44, 30, 14, 3, fill="#3a3a42"))
    s.add(path("M50 58 L50 64 M60 58 L60 64", stroke="#3a3a42", sw=3))
    s.add(rect(24, 92, 62, 8, 3, fill="#3a3a42"))
    # The gauge window sits where the game draws the filling (56, 65 from the corner).
    s.add(rect(54, 63, 16, 54, 4, fill="#2a1a10", sw=1.5))
    if state == "ready":
        s.add(circle(24, 50, 6, fill=s.radial(BASIL_L, BASIL), sw=1.5))
        for i in range(3):
            s.add(path("M%d 40 q-4 -6 0 -12 q4 -6 0 -12" % (84 + i * 6), stroke="#ffffff", sw=2,
                       extra='opacity="0.8"'))
    else:
        s.add(circle(24, 50, 6, fill="#5a5a62", sw=1.5))
    if state == "disable":
        s.add(path("M30 70 L80 100 M80 70 L30 100", stroke=TOMATO, sw=4, extra='opacity="0.7"'))
    return s


def cup():
    s = Svg(36, 36)
    s.add(path("M6 12 L28 12 L26 30 Q17 34 8 30 Z", fill=s.grad(CREAM, "#d8c8b0"), extra='filter="%s"' % s.shadow()))
    s.add(path("M28 15 Q35 16 33 22 Q31 26 27 25", stroke=INK, sw=2.2))
    s.add(ellipse(17, 12, 11, 3, fill="#5b2e12", sw=1.6))
    s.add(path("M13 8 q-2 -3 0 -6 M20 8 q-2 -3 0 -6", stroke="#ffffff", sw=1.5, extra='opacity="0.8"'))
    return s


def akkum(state):
    s = Svg(96, 90)
    case = s.grad("#4f6f86", "#23384a") if state != "disable" else s.grad("#8a8078", "#5a524c")
    s.add(rect(4, 14, 86, 70, 10, fill=case, extra='filter="%s"' % s.shadow(2.5, 2)))
    s.add(rect(16, 6, 14, 10, 3, fill="#9aa4ae", sw=2), rect(62, 6, 14, 10, 3, fill="#9aa4ae", sw=2))
    # Lamp bed: the ten charge lamps are drawn by the game between (10, 21) and (63, 40).
    s.add(rect(6, 17, 70, 30, 6, fill="#16222c", sw=1.5))
    s.add(poly([(52, 52), (40, 68), (48, 68), (44, 80), (60, 62), (52, 62), (56, 52)],
               fill=CHEESE_L if state == "ready" else (EMBER if state == "normal" else "#8a7a70"), sw=1.8))
    if state == "ready":
        s.add(rect(4, 14, 86, 70, 10, stroke=CHEESE_L, sw=3, extra='opacity="0.9"'))
    return s


def plate(state):
    s = Svg(120, 80)
    s.add(rect(6, 20, 108, 52, 8, fill=s.grad("#6a6a72", "#2e2e34") if state != "disable" else "#7a726a",
               extra='filter="%s"' % s.shadow(2, 1.5)))
    for i in range(4):
        for j in range(2):
            s.add(circle(22 + i * 25, 34 + j * 24, 8, stroke=EMBER if state != "disable" else "#9a8a80", sw=2.5))
    s.add(rect(20, 6, 80, 14, 5, fill=s.grad(WALNUT_L, WALNUT)))
    return s


def plate_food():
    s = Svg(110, 80)
    s.add(rect(6, 34, 98, 40, 8, fill=s.grad(WALNUT_L, WALNUT), extra='filter="%s"' % s.shadow(2, 1.5)))
    s.add(path("M10 34 Q55 6 100 34", fill=s.grad("#e8f4ff", "#b8d0e0"), sw=2, extra='fill-opacity="0.6"'))
    fb = art_food.garlic_bread(44, 22)
    s.defs.update(fb.defs)
    s.add('<g transform="translate(14 22)">', *fb.body, "</g>")
    ic = art_food.ice_cream(28)
    s.defs.update(ic.defs)
    s.add('<g transform="translate(62 8)">', *ic.body, "</g>")
    return s


def wall_tiles(s, w, h, c1, c2, size=40):
    s.add(rect(0, 0, w, h, 0, fill=c1, stroke=None))
    for y in range(0, h, size):
        for x in range(0, w, size):
            if (x // size + y // size) % 2 == 0:
                s.add(rect(x, y, size, size, 0, fill=c2, stroke=None))


def window_view(s, n, x, y, w, h):
    """A window on the kitchen wall, and what each pizzeria sees through it: a town, the harbour, the vineyard
    hills, the mountains in snow, the desert at sunset, the city at night."""
    clip = s.clip_rect(x, y, w, h, 6)
    rnd = random.Random(100 + n)
    view = []
    kind = (n - 1) % 6
    skies = [("#8fd0ea", "#e8f6ff"), ("#7cc4e8", "#d8f0fa"), ("#f6b36b", "#ffe6b0"), ("#a8c8e8", "#eef4fa"),
             ("#f08a4b", "#ffd27a"), ("#1b2a4a", "#40507a")]
    view.append(rect(x, y, w, h, 0, fill=s.grad(*skies[kind], 0, 0, 0, 1), stroke=None))
    ground = y + h * 0.68
    if kind == 0:  # a little town: roofs and a church tower
        view.append(circle(x + w * 0.78, y + h * 0.2, 7, fill=CHEESE_L, stroke=None))
        for i, (bx, bw, bh, col) in enumerate(((0.02, 0.3, 0.34, "#e8c8a0"), (0.3, 0.24, 0.46, "#f0dcc0"),
                                                (0.52, 0.26, 0.3, "#e0b890"), (0.76, 0.3, 0.4, "#f4e0c8"))):
            bx, bw, bh = x + w * bx, w * bw, h * bh
            view.append(rect(bx, y + h - bh, bw, bh, 0, fill=col, sw=1.5))
            view.append(poly([(bx - 3, y + h - bh), (bx + bw / 2, y + h - bh - 12), (bx + bw + 3, y + h - bh)],
                             fill=TOMATO, sw=1.5))
            view.append(rect(bx + bw * 0.35, y + h - bh * 0.7, bw * 0.3, bh * 0.22, 1, fill=SKY, sw=1))
    elif kind == 1:  # the harbour: sea, a sailing boat and a lighthouse
        view.append(rect(x, ground - 6, w, h, 0, fill=s.grad("#3f8fc0", "#1f5f8a", 0, 0, 0, 1), stroke=None))
        for k in range(4):
            wy = ground + 4 + k * 8
            view.append(path("M%.1f %.1f q6 -3 12 0 t12 0 t12 0 t12 0 t12 0 t12 0 t12 0 t12 0" % (x - 4 + k * 5, wy),
                             stroke="#ffffff", sw=1, extra='opacity="0.5"'))
        bx = x + w * 0.32
        view.append(path("M%.1f %.1f L%.1f %.1f L%.1f %.1f L%.1f %.1f Z" % (bx - 14, ground, bx + 14, ground,
                                                                             bx + 10, ground + 7, bx - 10, ground + 7),
                         fill=WALNUT_L, sw=1.5))
        view.append(poly([(bx, ground - 2), (bx, ground - 30), (bx + 14, ground - 4)], fill=CREAM, sw=1.5))
        lx = x + w * 0.8
        view.append(poly([(lx - 6, ground), (lx - 4, ground - 40), (lx + 4, ground - 40), (lx + 6, ground)],
                         fill=CREAM, sw=1.5))
        for k in range(3):
            view.append(rect(lx - 5.5 + k * 0.6, ground - 34 + k * 11, 11 - k * 1.2, 5, 0, fill=TOMATO, stroke=None))
        view.append(rect(lx - 5, ground - 48, 10, 8, 1, fill=CHEESE_L, sw=1.5))
    elif kind == 2:  # vineyard hills at golden hour
        view.append(circle(x + w * 0.25, y + h * 0.42, 10, fill="#fff2c0", stroke=None))
        for layer, (col, base) in enumerate((("#b8c46a", 0.55), ("#8aa848", 0.7), ("#6a8a38", 0.84))):
            d = "M%.1f %.1f" % (x, y + h)
            for i in range(0, 9):
                px = x + w * i / 8
                d += " L%.1f %.1f" % (px, y + h * base + 6 * math.sin(i * 1.3 + layer))
            d += " L%.1f %.1f Z" % (x + w, y + h)
            view.append(path(d, fill=col, stroke=None))
        for r in range(3):
            for c in range(7):
                view.append(circle(x + 6 + c * w / 7 + (r % 2) * 5, y + h * (0.76 + r * 0.08), 2.2, fill="#5a3a6a",
                                   stroke=None))
        view.append(rect(x + w * 0.62, y + h * 0.48, 16, 12, 0, fill=CREAM, sw=1.2))
        view.append(poly([(x + w * 0.62 - 2, y + h * 0.48), (x + w * 0.62 + 8, y + h * 0.4),
                          (x + w * 0.62 + 18, y + h * 0.48)], fill=TOMATO, sw=1.2))
    elif kind == 3:  # mountains in snow, pines
        for (px, ph, pw) in ((0.3, 0.62, 0.5), (0.72, 0.72, 0.6)):
            cx, top = x + w * px, y + h * (1 - ph)
            view.append(poly([(cx - w * pw / 2, y + h), (cx, top), (cx + w * pw / 2, y + h)], fill="#8a9ab0", sw=1.5))
            view.append(poly([(cx - 9, top + 12), (cx, top), (cx + 9, top + 12), (cx + 3, top + 9), (cx - 3, top + 13)],
                             fill="#ffffff", stroke=None))
        view.append(rect(x, y + h * 0.85, w, h * 0.15, 0, fill="#f4f8fb", stroke=None))
        for k in range(5):
            tx = x + 8 + k * w / 5 + rnd.uniform(-3, 3)
            view.append(poly([(tx - 6, y + h * 0.92), (tx, y + h * 0.7), (tx + 6, y + h * 0.92)], fill="#2f6a4a",
                             sw=1))
    elif kind == 4:  # desert at sunset: dunes, a cactus, a low sun
        view.append(circle(x + w * 0.7, y + h * 0.55, 14, fill="#fff0b0", stroke=None, extra='opacity="0.9"'))
        for layer, (col, base) in enumerate((("#e8b070", 0.66), ("#d89858", 0.8))):
            d = "M%.1f %.1f" % (x, y + h)
            for i in range(0, 9):
                d += " L%.1f %.1f" % (x + w * i / 8, y + h * base + 5 * math.sin(i * 0.9 + layer * 2))
            d += " L%.1f %.1f Z" % (x + w, y + h)
            view.append(path(d, fill=col, stroke=None))
        cx, cy = x + w * 0.28, y + h * 0.9
        view.append(rect(cx - 4, cy - 36, 8, 36, 4, fill=BASIL, sw=1.5))
        view.append(path("M%.1f %.1f q-10 0 -10 -12" % (cx - 4, cy - 18), stroke=BASIL, sw=5))
        view.append(path("M%.1f %.1f q9 0 9 -10" % (cx + 4, cy - 24), stroke=BASIL, sw=5))
    else:  # the city at night: a moon, stars and lit windows
        view.append(circle(x + w * 0.2, y + h * 0.2, 8, fill="#fff6d0", stroke=None))
        view.append(circle(x + w * 0.2 + 4, y + h * 0.2 - 2, 7, fill="#1b2a4a", stroke=None))
        for k in range(9):
            view.append(circle(x + rnd.uniform(4, w - 4), y + rnd.uniform(4, h * 0.45), 1.1, fill="#ffffff",
                               stroke=None))
        bx = x
        while bx < x + w:
            bw, bh = rnd.uniform(12, 22), rnd.uniform(h * 0.3, h * 0.62)
            view.append(rect(bx, y + h - bh, bw, bh, 0, fill="#26324a", stroke="#101828", sw=1))
            for wy in range(int(y + h - bh + 5), int(y + h - 4), 8):
                for wx in range(int(bx + 3), int(bx + bw - 4), 6):
                    if rnd.random() < 0.45:
                        view.append(rect(wx, wy, 3, 4, 0, fill=CHEESE_L, stroke=None))
            bx += bw + 1
    s.add(group(view, 'clip-path="%s"' % clip))
    # Frame, cross bars and a sill.
    s.add(rect(x, y, w, h, 6, stroke=WALNUT, sw=6))
    s.add(rect(x, y, w, h, 6, stroke=INK, sw=1.5))
    s.add(path("M%.1f %.1f L%.1f %.1f M%.1f %.1f L%.1f %.1f" % (x + w / 2, y, x + w / 2, y + h, x, y + h * 0.45,
                                                                  x + w, y + h * 0.45), stroke=WALNUT, sw=4))
    s.add(rect(x - 8, y + h - 2, w + 16, 9, 3, fill=s.grad(WALNUT_L, WALNUT, 0, 0, 0, 1), sw=2))


def kitchen_bg(n):
    """Level background n: a warm kitchen wall with the wood-fired oven behind the queue, the stove slab under
    the board and a walnut counter along the bottom. Each pizzeria has its own wall, oven and decoration."""
    palettes = [("#f3dfc1", "#ecd3ae", "#8fc0d8"), ("#e8e2c8", "#ddd6b6", "#a8d8a0"), ("#f1d4c4", "#e8c0ac", "#f0c070"),
                ("#dce6ea", "#cbd9df", "#f5b48a"), ("#efe0b8", "#e4d19e", "#c8a8e0"), ("#e6d0d8", "#dabdc8", "#9fd3e8")]
    bricks = ["#b5553a", "#a8643e", "#9a4a36", "#8a6a5a", "#b0703a", "#a04040"][(n - 1) % 6]
    t1, t2, accent = palettes[(n - 1) % len(palettes)]
    rnd = random.Random(n)
    s = Svg(800, 600)
    wall_tiles(s, 800, 600, t1, t2)
    s.add(rect(0, 0, 800, 600, 0, fill=s.grad("#ffffff", "#000000", 0, 0, 0, 1), stroke=None,
               extra='opacity="0.12"'))
    # The wood-fired oven: a brick dome with a glowing mouth, behind the customers' queue.
    s.add(path("M14 445 L14 250 Q14 150 122 140 Q230 150 230 250 L230 445 Z", fill=s.grad(bricks, "#5a2a1a"),
               sw=3))
    for row in range(8):
        y = 170 + row * 34
        for col in range(5):
            x = 22 + col * 44 + (22 if row % 2 else 0)
            if 18 < x < 212:
                s.add(rect(x, y, 40, 30, 4, fill="#ffffff", stroke=None, extra='opacity="0.07"'))
    s.add(path("M52 445 L52 330 Q52 270 122 266 Q192 270 192 330 L192 445 Z", fill="#1e0f08", sw=3))
    s.add(path("M62 445 L62 340 Q62 286 122 282 Q182 286 182 340 L182 445 Z",
               fill=s.radial(EMBER_L, "#7a2208", 0.5, 0.95, 0.8)))
    for i in range(7):
        x = 75 + i * 16 + rnd.uniform(-4, 4)
        s.add(path("M%.1f 445 Q%.1f 420 %.1f %.1f Q%.1f 420 %.1f 445 Z" % (x - 9, x - 6, x, 400 - rnd.uniform(0, 30),
                                                                          x + 6, x + 9),
                   fill=s.grad(CHEESE_L, EMBER, 0, 0, 0, 1), stroke=None, extra='opacity="0.9"'))
    # The pizzeria's number on a brass plaque hung on the wall above the oven's right shoulder: the queue's mood
    # meters run down the oven front beside the faces and the order bubbles beside them, and this is the one place
    # next to the oven that no customer, meter or bubble ever covers.
    s.add(path("M178 112 L204 99 L230 112", stroke=INK, sw=1.5), circle(204, 99, 2.5, fill="#8a8a90", sw=1))
    s.add(rect(174, 110, 60, 22, 6, fill=s.grad(CHEESE, "#b07a10"), sw=2))
    s.add(label(204, 126, "No.%d" % n, 13, fill=INK))
    # A window of the pizzeria's own, left of the clock.
    window_view(s, n, 14, 16, 96, 104)
    # Hanging lamps over the board.
    for x in (330, 505, 680):
        s.add(path("M%d 0 L%d 16" % (x, x), stroke=INK, sw=2))
        s.add(path("M%d 16 L%d 16 L%d 30 L%d 30 Z" % (x - 10, x + 10, x + 18, x - 18), fill=accent, sw=2))
    # Board backing: a dark stone slab, so broken burners read as holes in the stove.
    s.add(rect(250, 40, 510, 412, 14, fill=s.grad("#5a4a40", "#2a201a", 0, 0, 0, 1), stroke=INK, sw=3))
    s.add(rect(250, 40, 510, 412, 14, stroke="#8a6a50", sw=1, extra='opacity="0.5"'))
    for i in range(6):
        x, y = rnd.uniform(270, 740), rnd.uniform(60, 430)
        s.add(ellipse(x, y, rnd.uniform(10, 30), rnd.uniform(6, 14), fill="#000000", stroke=None,
                      extra='opacity="0.12"'))
    # Herbs and a pepper string on the wall right of the slab.
    s.add(path("M775 60 Q780 130 772 200", stroke=BASIL, sw=2.5))
    for k in range(6):
        y = 75 + k * 22
        s.add(ellipse(775 + (4 if k % 2 else -4), y, 4, 9, fill=TOMATO if n % 2 else BASIL_L, sw=1.5))
    # Counter: customers stand behind it, devices sit on it.
    s.add(rect(0, 445, 800, 155, 0, fill=s.grad(WALNUT_L, "#3a2316", 0, 0, 0, 1), stroke=None))
    s.add(rect(0, 445, 800, 12, 0, fill=s.grad("#b07a4a", WALNUT, 0, 0, 0, 1), stroke=INK, sw=2))
    for x in range(0, 800, 100):
        s.add(path("M%d 462 L%d 600" % (x + 40, x + 30), stroke="#2a180c", sw=1.5, extra='opacity="0.5"'))
    # Quiet panel under the goal and profit texts.
    s.add(rect(500, 510, 190, 82, 12, fill="#2a180c", stroke=None, extra='opacity="0.55"'))
    return s


def pantry_bg(n):
    """The kitchen of pizzeria n on a picture-hunt day: the stove slab gives way to the pantry, warm plank walls
    with three shelves, where the things to find lie among jars and pots drawn quieter than they are."""
    s = kitchen_bg(n)
    rnd = random.Random(200 + n)
    x0, y0, w, h = 250, 40, 510, 412
    s.add(rect(x0, y0, w, h, 14, fill=s.grad("#b98a5a", "#8a5e38", 0, 0, 0, 1), stroke=INK, sw=3))
    for k in range(1, 9):
        x = x0 + k * w / 9
        s.add(path("M%.1f %.1f L%.1f %.1f" % (x, y0 + 4, x, y0 + h - 4), stroke="#6a4428", sw=1.5, extra='opacity="0.5"'))
    for k in range(14):
        s.add(ellipse(rnd.uniform(x0 + 20, x0 + w - 20), rnd.uniform(y0 + 20, y0 + h - 20), rnd.uniform(3, 8), 2,
                      fill="#5a3a20", stroke=None, extra='opacity="0.25"'))
    # Soft light from the lamps above.
    for x in (330, 505, 680):
        s.add(ellipse(x, y0 + 30, 90, 60, fill=s.radial("#fff2d0", "#fff2d0", 0.5, 0.5, 0.5, 0.0), stroke=None,
                      extra='opacity="0.35"'))
    jar_colours = [("#e8f4ff", TOMATO), ("#e8f4ff", CHEESE), ("#e8f4ff", BASIL_L), ("#f0e0c0", "#b06a30"),
                   ("#e8f4ff", "#8a5aa8")]
    for shelf_y in (172, 282, 392):
        # The shelf board and its brackets.
        s.add(rect(x0 + 8, shelf_y, w - 16, 12, 3, fill=s.grad(WALNUT_L, WALNUT, 0, 0, 0, 1), sw=2))
        for bx in (x0 + 40, x0 + w / 2, x0 + w - 40):
            s.add(path("M%.1f %.1f L%.1f %.1f L%.1f %.1f Z" % (bx - 6, shelf_y + 12, bx + 6, shelf_y + 12, bx - 6,
                                                              shelf_y + 30), fill=WALNUT, sw=1.5))
        # A few jars and pots, small and a little faded, so that the things to find stand out from them.
        x = x0 + 24 + rnd.uniform(0, 30)
        while x < x0 + w - 40:
            kind = rnd.choice(["jar", "jar", "pot", "bottle"])
            glass, filling = rnd.choice(jar_colours)
            if kind == "jar":
                jw, jh = rnd.uniform(18, 26), rnd.uniform(22, 32)
                s.add(rect(x, shelf_y - jh, jw, jh, 5, fill=glass, sw=1.5, extra='opacity="0.55"'))
                s.add(rect(x + 2, shelf_y - jh * 0.6, jw - 4, jh * 0.6 - 2, 3, fill=filling, stroke=None,
                           extra='opacity="0.45"'))
                s.add(rect(x - 1, shelf_y - jh - 5, jw + 2, 6, 2, fill=TOMATO, sw=1.2, extra='opacity="0.6"'))
            elif kind == "pot":
                jw = rnd.uniform(26, 34)
                s.add(path("M%.1f %.1f L%.1f %.1f L%.1f %.1f L%.1f %.1f Z" % (x, shelf_y - 20, x + jw, shelf_y - 20,
                                                                              x + jw - 4, shelf_y, x + 4, shelf_y),
                           fill="#c0603a", sw=1.5, extra='opacity="0.55"'))
                s.add(rect(x - 2, shelf_y - 24, jw + 4, 5, 2, fill="#d8784a", sw=1.2, extra='opacity="0.55"'))
            else:
                jw = 12
                s.add(path("M%.1f %.1f L%.1f %.1f L%.1f %.1f L%.1f %.1f L%.1f %.1f L%.1f %.1f Z"
                           % (x, shelf_y, x, shelf_y - 24, x + 4, shelf_y - 30, x + 4, shelf_y - 38, x + 8, shelf_y - 38,
                              x + 8, shelf_y - 30), fill="#4a8a5a", sw=1.2, extra='opacity="0.5"'))
            x += jw + rnd.uniform(34, 70)
    # A string of garlic and a braid of peppers hang from the top corners.
    s.add(path("M%.1f %.1f Q%.1f %.1f %.1f %.1f" % (x0 + 30, y0 + 6, x0 + 36, y0 + 60, x0 + 28, y0 + 110),
               stroke=BASIL, sw=2))
    for k in range(4):
        s.add(ellipse(x0 + 30 + (3 if k % 2 else -3), y0 + 30 + k * 22, 6, 7, fill=CREAM, sw=1.2,
                      extra='opacity="0.7"'))
    s.add(rect(x0, y0, w, h, 14, stroke=INK, sw=3))
    return s


def sky_and_hills(s, w, h):
    s.add(rect(0, 0, w, h, 0, fill=s.grad("#8fd0ea", "#fbe6c0", 0, 0, 0, 1), stroke=None))
    rnd = random.Random(3)
    for layer, (col, base, amp) in enumerate((("#9cc27a", 260, 50), ("#7fb35e", 330, 40), ("#5f9a48", 420, 30))):
        d = "M0 %d" % h
        for x in range(0, w + 40, 40):
            d += " L%d %.1f" % (x, base + amp * math.sin(x / (90 + layer * 40) + layer) + rnd.uniform(-6, 6))
        d += " L%d %d Z" % (w, h)
        s.add(path(d, fill=col, stroke=None))


def tree(s, x, y, k=1.0):
    s.add(rect(x - 3 * k, y - 4 * k, 6 * k, 14 * k, 2, fill=WALNUT, sw=1.5))
    s.add(circle(x, y - 12 * k, 12 * k, fill=s.radial(BASIL_L, BASIL), sw=1.8))


def map_image():
    w, h = world.MAP_W, world.MAP_H
    s = Svg(w, h)
    sky_and_hills(s, w, h)
    # Sea at the far right, a river from the hills down to the bottom edge, fields in between.
    s.add(path("M1480 600 Q1500 420 1600 380 L1600 600 Z", fill=s.grad("#6ec0e0", "#2a7aa8"), stroke=None))
    river = "M760 170 Q700 260 790 330 Q880 400 820 480 Q780 540 830 600"
    s.add(path(river, stroke="#2a7aa8", sw=26), path(river, stroke="#7cc8e8", sw=18))
    rnd = random.Random(11)
    # The drawn road comes in from the left edge; the days start a little way along it.
    t0 = -(world.ROAD_X0 + 30) / (w - world.ROAD_X0 - 140)
    road_pts = [world.road(t0 + (1 - t0) * i / 800) for i in range(801)]

    def clear_of_road(x, y, margin):
        return min((x - px) ** 2 + (y - py) ** 2 for px, py in road_pts + world.pizzeria_points()) >= margin ** 2

    field_colours = ["#b8d86a", "#e8d070", "#9cc860", "#d8c060", "#a8d078"]
    for _ in range(40):
        x, y = rnd.uniform(40, w - 120), rnd.uniform(200, 560)
        if not clear_of_road(x, y, 70):
            continue
        fw, fh = rnd.uniform(60, 110), rnd.uniform(28, 44)
        s.add(rect(x - fw / 2, y - fh / 2, fw, fh, 8, fill=rnd.choice(field_colours), sw=1.5,
                   extra='opacity="0.85" transform="rotate(%d %.1f %.1f)"' % (rnd.randint(-12, 12), x, y)))
        for k in range(1, 4):
            s.add(path("M%.1f %.1f L%.1f %.1f" % (x - fw / 2 + 6, y - fh / 2 + k * fh / 4, x + fw / 2 - 6,
                                                  y - fh / 2 + k * fh / 4), stroke="#6a8a30", sw=1,
                       extra='opacity="0.5" transform="rotate(0)"'))
    # Farmhouses along the way.
    for _ in range(26):
        x, y = rnd.uniform(40, w - 60), rnd.uniform(190, 560)
        if not clear_of_road(x, y, 55):
            continue
        roof = rnd.choice([TOMATO, "#a84a2a", WALNUT_L])
        s.add(rect(x - 9, y - 6, 18, 13, 1.5, fill=CREAM, sw=1.5), poly([(x - 12, y - 5), (x, y - 15), (x + 12, y - 5)],
                                                                         fill=roof, sw=1.5))
    for _ in range(140):
        x, y = rnd.uniform(20, w - 20), rnd.uniform(170, 560)
        # Trees keep clear of the road and of the building plots.
        if not clear_of_road(x, y, 45):
            continue
        tree(s, x, y, rnd.uniform(0.6, 1.1))
    # The road.
    pts = [world.road(t0 + (1 - t0) * i / 400) for i in range(401)]
    d = "M%.1f %.1f " % pts[0] + " ".join("L%.1f %.1f" % p for p in pts[1:])
    s.add(path(d, stroke=INK, sw=22), path(d, stroke="#e8cf9a", sw=17), path(d, stroke="#ffffff", sw=2,
                                                                             extra='stroke-dasharray="10 12" opacity="0.7"'))
    # Building plots where the pizzerias will rise: dug earth inside a picket fence, with a sign.
    for x, y in world.pizzeria_points():
        building_plot(s, x, y + 26)
    # Clouds cover the map's top edge so the drifting cloud sprites blend in.
    for i in range(12):
        s.add(ellipse(70 + i * 135, 10, 80, 26, fill="#ffffff", stroke=None, extra='opacity="0.6"'))
    return s


def building_plot(s, x, y):
    """A plot waiting for its pizzeria, centred on (x, y): the building later covers its middle, the fence stays."""
    rx, ry = 58, 17
    s.add(ellipse(x, y, rx + 4, ry + 3, fill="#000000", stroke=None, extra='opacity="0.18"'))
    s.add(ellipse(x, y, rx, ry, fill=s.radial("#d8b482", "#a8804e", 0.5, 0.4, 0.7), sw=1.5))
    for k in (-8, 0, 8):
        half = rx * math.sqrt(max(0.0, 1 - (k / ry) ** 2)) - 10
        s.add(path("M%.1f %.1f L%.1f %.1f" % (x - half, y + k, x + half, y + k), stroke="#8a6238", sw=1.5,
                   extra='stroke-dasharray="6 4"'))

    def picket(a):
        px, py = x + (rx + 2) * math.cos(a), y + (ry + 2) * math.sin(a)
        s.add(path("M%.1f %.1f L%.1f %.1f" % (px, py, px, py - 11), stroke=INK, sw=3.2),
              path("M%.1f %.1f L%.1f %.1f" % (px, py - 1, px, py - 10), stroke=CREAM, sw=1.6))
    # Back half of the fence, its rail, then the front half over the earth.
    angles = [math.radians(i * 20) for i in range(18)]
    for a in angles:
        if math.sin(a) < 0:
            picket(a)
    for dy in (4, 8):
        s.add(ellipse(x, y - dy, rx + 2, ry + 2, stroke=INK, sw=2.6, extra='opacity="0.9"'))
        s.add(ellipse(x, y - dy, rx + 2, ry + 2, stroke="#f0e0c0", sw=1.2))
    for a in angles:
        if math.sin(a) >= 0:
            picket(a)
    # The sign on its post, to the right of the plot: a pizza slice on a board.
    sx, sy = x + rx - 4, y - 30
    s.add(path("M%.1f %.1f L%.1f %.1f" % (sx, sy, sx, y + 6), stroke=INK, sw=4),
          path("M%.1f %.1f L%.1f %.1f" % (sx, sy, sx, y + 5), stroke=WALNUT_L, sw=2))
    s.add(rect(sx - 15, sy - 13, 30, 20, 3, fill=s.grad(CREAM, DOUGH), sw=1.8))
    s.add(poly([(sx - 9, sy - 8), (sx + 9, sy - 8), (sx, sy + 4)], fill=CHEESE, sw=1.4),
          path("M%.1f %.1f L%.1f %.1f" % (sx - 9, sy - 8, sx + 9, sy - 8), stroke="#c8862a", sw=2.6),
          circle(sx - 2, sy - 4, 1.6, fill=TOMATO, stroke=None), circle(sx + 3, sy - 3, 1.4, fill=TOMATO, stroke=None))


def building(n, w=120, h=110):
    """Pizzeria number n: each one a little grander than the last."""
    s = Svg(w, h)
    walls = ["#f6e3b4", "#f2c9a0", "#e8d8c8", "#f0d090", "#f4c4b4", "#fff0d0"][n - 1]
    roof = [TOMATO, "#a84a2a", BASIL, EMBER, "#7a3a6a", TOMATO][n - 1]
    s.add('<g filter="%s">' % s.shadow(2, 1.5))
    s.add(rect(14, 40, 92, 64, 4, fill=s.grad(CREAM, walls)))
    s.add(poly([(6, 44), (60, 8), (114, 44)], fill=s.grad(roof, INK, 0, 0, 0, 2)))
    s.add("</g>")
    s.add(rect(50, 70, 20, 34, 3, fill=WALNUT))
    s.add(rect(22, 56, 20, 16, 3, fill=s.grad(SKY, "#ffffff")), rect(78, 56, 20, 16, 3, fill=s.grad(SKY, "#ffffff")))
    s.add(rect(30, 44, 60, 12, 3, fill=EMBER, sw=1.5))
    s.add(label(60, 54, "PIZZA", 9, fill=CREAM))
    for i in range(n - 1):
        s.add(poly(star_points(12 + i * 10, 100, 4, 1.8), fill=CHEESE, sw=0.8))
    s.add(rect(84, 14, 10, 20, 2, fill="#8a6a5a", sw=2))
    return s


def pizzeria_picture(n):
    # Small enough that the day's heading above it on the level's opening card stays clear of its frame.
    s = Svg(150, 100)
    sky_and_hills(s, 150, 100)
    b = building(n)
    s.defs.update(b.defs)
    s.add('<g transform="translate(34.5 20) scale(0.676)">', *b.body, "</g>")
    return s


def chef_head(s, x, y, k=1.0, mood="happy"):
    """Chef Brace: round face, big moustache, tall hat."""
    s.add(path("M%.1f %.1f L%.1f %.1f Q%.1f %.1f %.1f %.1f Q%.1f %.1f %.1f %.1f Q%.1f %.1f %.1f %.1f L%.1f %.1f Z" % (
        x - 22 * k, y - 20 * k, x - 26 * k, y - 52 * k, x - 34 * k, y - 72 * k, x - 10 * k, y - 70 * k,
        x, y - 88 * k, x + 10 * k, y - 70 * k, x + 34 * k, y - 72 * k, x + 26 * k, y - 52 * k, x + 22 * k, y - 20 * k),
        fill=s.grad("#ffffff", "#e6e0d6")))
    s.add(circle(x, y, 26 * k, fill=s.radial("#ffd9b8", "#e8a07a", 0.35, 0.3, 0.9)))
    s.add(circle(x - 9 * k, y - 5 * k, 3 * k, fill=INK, stroke=None), circle(x + 9 * k, y - 5 * k, 3 * k, fill=INK,
                                                                             stroke=None))
    s.add(circle(x, y + 4 * k, 5 * k, fill="#e8806a", sw=1.5))
    s.add(path("M%.1f %.1f Q%.1f %.1f %.1f %.1f Q%.1f %.1f %.1f %.1f Q%.1f %.1f %.1f %.1f Q%.1f %.1f %.1f %.1f Z" % (
        x, y + 8 * k, x - 10 * k, y + 4 * k, x - 22 * k, y + 12 * k, x - 10 * k, y + 16 * k, x, y + 11 * k,
        x + 10 * k, y + 16 * k, x + 22 * k, y + 12 * k, x + 10 * k, y + 4 * k, x, y + 8 * k),
        fill="#5a3a26", sw=1.5))
    if mood == "happy":
        s.add(path("M%.1f %.1f Q%.1f %.1f %.1f %.1f" % (x - 8 * k, y + 17 * k, x, y + 23 * k, x + 8 * k, y + 17 * k),
                   stroke=INK, sw=2))


def map_chef():
    s = Svg(190, 200)
    s.add(path("M30 200 Q32 128 95 120 Q158 128 160 200 Z", fill=s.grad("#ffffff", "#e0dad0")))
    s.add(path("M95 124 L95 200", stroke="#c8c0b4", sw=2))
    for y in (140, 160, 180):
        s.add(circle(104, y, 3.5, fill=TOMATO, sw=1.2))
    s.add(path("M70 124 L95 140 L120 124", fill=TOMATO, sw=2))
    chef_head(s, 95, 95, 1.15)
    return s


def chef_walker():
    s = Svg(36, 56)
    s.add(ellipse(18, 51, 10, 3, fill="#000000", stroke=None, extra='opacity="0.3"'))
    s.add(path("M13 49 L14 40 M23 49 L22 40", stroke=INK, sw=3.5))
    s.add(rect(9, 28, 18, 15, 5, fill=s.grad("#ffffff", "#d8d0c4"), sw=2))
    chef_head(s, 18, 22, 0.3)
    return s


def title_screen():
    s = Svg(800, 600)
    sky_and_hills(s, 800, 600)
    # Evening sun and a few clouds; bunting strung from the pizzeria to the menu board.
    s.add(circle(430, 120, 46, fill=s.radial("#fff4c0", EMBER_L, 0.5, 0.5, 0.6), stroke=None, extra='opacity="0.9"'))
    for cx, cy, k in ((120, 70, 1.0), (330, 40, 0.7), (10, 200, 0.6)):
        c = cloud(int(160 * k), int(70 * k), int(cx))
        s.defs.update(c.defs)
        s.add('<g transform="translate(%d %d)">' % (cx, cy), *c.body, "</g>")
    s.add(path("M300 330 Q400 380 505 300", stroke=INK, sw=1.5))
    for i in range(9):
        t = (i + 0.5) / 9
        x = (1 - t) ** 2 * 300 + 2 * (1 - t) * t * 400 + t ** 2 * 505
        y = (1 - t) ** 2 * 330 + 2 * (1 - t) * t * 380 + t ** 2 * 300
        s.add(poly([(x - 7, y), (x + 7, y), (x, y + 14)], fill=(TOMATO, CREAM, BASIL)[i % 3], sw=1.2))
    # The first pizzeria, big, at the left; a quiet board for the menu on the right.
    b = building(1, 120, 110)
    s.defs.update(b.defs)
    s.add('<g transform="translate(60 250) scale(2.6)">', *b.body, "</g>")
    chef = map_chef()
    s.defs.update(chef.defs)
    s.add('<g transform="translate(318 424) scale(0.9)">', *chef.body, "</g>")
    # The menu board for the welcome line and the buttons.
    s.add(rect(505, 30, 270, 315, 18, fill=s.grad("#34483e", "#1c2621", 0, 0, 0.3, 1), stroke=WALNUT, sw=8,
               extra='fill-opacity="0.92" filter="%s"' % s.shadow(3, 2)))
    # Pizza on a peel in the foreground.
    p = art_food.pizza(3, 3, 49, seed=3)
    s.defs.update(p.defs)
    s.add(rect(560, 540, 220, 16, 8, fill=s.grad(WALNUT_L, WALNUT)), '<g transform="translate(606 458) scale(0.9)">',
          *p.body, "</g>")
    return s


def load_screen():
    s = Svg(800, 600)
    s.add(rect(0, 0, 800, 600, 0, fill=s.radial("#7a3a1a", "#1e0f08", 0.5, 0.45, 0.75), stroke=None))
    # Embers drifting up from an oven mouth.
    s.add(path("M200 600 L200 470 Q400 330 600 470 L600 600 Z", fill=s.grad("#2a1a10", "#120a06", 0, 0, 0, 1),
               stroke=INK, sw=4))
    s.add(path("M250 600 L250 500 Q400 400 550 500 L550 600 Z", fill=s.radial(EMBER_L, "#8a2a0a", 0.5, 0.9, 0.7)))
    rnd = random.Random(5)
    for _ in range(60):
        x, y = rnd.uniform(100, 700), rnd.uniform(260, 600)
        s.add(circle(x, y, rnd.uniform(1, 3.5), fill=rnd.choice((EMBER_L, CHEESE_L, EMBER)), stroke=None,
                     extra='opacity="%.2f"' % rnd.uniform(0.4, 0.9)))
    # A dark band keeps the loading text readable.
    s.add(rect(150, 420, 500, 48, 24, fill="#000000", stroke=None, extra='opacity="0.55"'))
    return s


# Where the shop panel shows each recipe (x, y, width, height), and where the devices stand.
RECIPE_AREAS = [(216, 194, 98, 71), (336, 194, 112, 71), (471, 194, 114, 71), (610, 194, 126, 71),
                (207, 304, 119, 73), (337, 302, 117, 75), (460, 294, 137, 83), (598, 294, 160, 83)]
DEVICE_CENTRES = [(215, 480), (365, 490), (520, 495), (665, 490)]


def shop_screen():
    s = Svg(800, 600)
    wall_tiles(s, 800, 600, "#5a3720", "#523220", 50)
    s.add(rect(20, 20, 760, 560, 20, fill=s.grad("#34483e", "#1c2621", 0, 0, 0.3, 1), sw=4))
    # Title plaque (the title is centred on 265, 57) and the till (money right-aligned at 510, 78).
    s.add(rect(140, 36, 250, 32, 12, fill=s.grad(EMBER, "#a8400e"), sw=2))
    s.add(rect(400, 56, 120, 30, 10, fill="#000000", sw=1.5, extra='fill-opacity="0.35"'))
    # Recipe cards pinned to the board, each its own size, on a corkboard.
    # The board holds the cards and the stars under the lower row (to y 393).
    s.add(rect(190, 150, 580, 252, 14, fill=s.grad("#c9a068", "#a87a48", 0, 0, 0, 1), sw=2.5))
    for i in range(40):
        x, y = 200 + (i * 53) % 560, 160 + (i * 37) % 220
        s.add(circle(x, y, 1.2, fill="#7a5028", stroke=None, extra='opacity="0.6"'))
    for i, (x, y, w, h) in enumerate(RECIPE_AREAS):
        # Inside the card's area (the areas of neighbours touch), reaching down to the price's baseline.
        s.add(rect(x + 3, y, w - 6, h + 3, 8, fill=s.grad(CREAM, DOUGH, 0, 0, 0, 1),
                   extra='filter="%s"' % s.shadow(2, 1.5)))
        s.add(circle(x + w / 2, y - 1, 3.5, fill=TOMATO, sw=1.2))
    # Left side: the chef's chalk menu of the day.
    s.add(rect(36, 150, 140, 240, 10, fill="#000000", sw=1.5, extra='fill-opacity="0.15"'))
    for k in range(6):
        s.add(path("M52 %d L%d %d" % (186 + k * 32, 150 + (k * 37) % 20, 186 + k * 32), stroke="#ffffff", sw=2,
                   extra='opacity="0.18"'))
    # Equipment shelf: the devices stand on it, their lamps and captions just below.
    s.add(rect(40, 440, 720, 120, 14, fill="#000000", sw=2, extra='fill-opacity="0.2"'))
    s.add(rect(120, 512, 600, 8, 3, fill=s.grad(WALNUT_L, WALNUT), sw=1.5))
    for x, y in DEVICE_CENTRES:
        s.add(ellipse(x, 512, 52, 6, fill="#000000", stroke=None, extra='opacity="0.25"'))
    return s


# The large panel (IMAGE_MONITOR): 640 wide, its frame 544 high with 12 clear below it.
MONITOR_W, MONITOR_H = 640, 556
# The how-to-play pages write their words at fixed places of that panel (x across, y down): the three headings
# centred on x 155, 360 and 565 from y 85; two notes right-aligned to x 445 at y 326 and 375; a caption centred on
# x 155 from y 385. The first page's picture is centred on the panel, so its own point (x, y) lies at panel point
# (x + HELP1_X, y + HELP1_Y).
HELP1_W, HELP1_H = 600, 380
HELP1_X, HELP1_Y = MONITOR_W // 2 - HELP1_W // 2, MONITOR_H // 2 - HELP1_H // 2


def _merge(s, part):
    # Takes over the gradients and filters of a part drawn into s: the part names them afresh, so a gradient both
    # already use keeps s's own name as well (an update would drop it and leave s's shapes unpainted).
    for key, value in part.defs.items():
        if key in s.defs and s.defs[key][0] != value[0]:
            key = (key, value[0])
        s.defs[key] = value


def _help_panel(s, cx, top, w, h):
    # A small chalkboard in a walnut frame, centred on x = cx of the board.
    x = cx - HELP1_X - w / 2
    s.add(rect(x, top - HELP1_Y, w, h, 10, fill=s.grad(WALNUT_L, WALNUT), sw=2))
    s.add(rect(x + 6, top - HELP1_Y + 6, w - 12, h - 12, 7, fill="#3e4e46", sw=1.5))
    return x, top - HELP1_Y


def help_page1():
    s = Svg(HELP1_W, HELP1_H)
    # Line up toppings: a column of three tomatoes and a neighbour swapped in, under the first heading and above
    # the caption that explains it (centred on x 155, caption from y 385).
    x, y = _help_panel(s, 155, 110, 110, 266)
    for k in range(3):
        t = art_food.topping("pomedor")
        _merge(s, t)
        s.add('<g transform="translate(%d %d)">' % (x + 33, y + 20 + k * 50), *t.body, "</g>")
    s.add(path("M%d %d l0 150" % (x + 55, y + 20), stroke=CHEESE_L, sw=3, extra='opacity="0.7"'))
    t = art_food.topping("chees")
    _merge(s, t)
    s.add('<g transform="translate(%d %d)">' % (x + 33, y + 190), *t.body, "</g>")
    s.add(path("M%d %d l0 -14 l-5 6 m5 -6 l5 6" % (x + 55, y + 250), stroke=EMBER_L, sw=3))
    # Bake on the burners: a pizza on four lit burners (centred on x 360).
    x, y = _help_panel(s, 360, 110, 122, 200)
    for k in range(4):
        b = burner("on")
        _merge(s, b)
        s.add('<g transform="translate(%d %d)">' % (x + 12 + (k % 2) * 49, y + 40 + (k // 2) * 49), *b.body, "</g>")
    p = art_food.pizza(2, 2, 49, seed=1)
    _merge(s, p)
    s.add('<g transform="translate(%d %d)" opacity="0.95">' % (x + 12, y + 40), *p.body, "</g>")
    # Serve the customers: the boxed pizza and a happy face (centred on x 565).
    x, y = _help_panel(s, 565, 110, 106, 200)
    bx = art_food.box("ready")
    _merge(s, bx)
    s.add('<g transform="translate(%d %d) scale(0.85)">' % (x + 14, y + 116), *bx.body, "</g>")
    chef_head(s, x + 53, y + 78, 0.75)
    # The notes' pictures, right of the notes (from x 452): a lit burner, and a pizza on one.
    b = burner("on")
    _merge(s, b)
    s.add('<g transform="translate(%d %d) scale(0.9)">' % (452 - HELP1_X, 326 - HELP1_Y), *b.body, "</g>")
    b = burner("onon")
    _merge(s, b)
    s.add('<g transform="translate(%d %d) scale(0.9)">' % (452 - HELP1_X, 375 - HELP1_Y), *b.body, "</g>")
    p = art_food.pizza(1, 1, 49, seed=2)
    _merge(s, p)
    s.add('<g transform="translate(%d %d) scale(0.9)">' % (452 - HELP1_X, 375 - HELP1_Y), *p.body, "</g>")
    return s


def help_page2():
    # The snack counter's picture: the heading "Snack counter" and its words stand to its right (from x 137 plus
    # half its width), so it shows what the counter serves. Small enough that the lines keep clear of the disc.
    s = Svg(160, 160)
    s.add('<g transform="scale(0.8)">')
    s.add(circle(100, 100, 94, fill=s.radial("#fff7e6", "#f0dcb4"), sw=2))
    fb = art_food.garlic_bread(70, 35)
    _merge(s, fb)
    s.add('<g transform="translate(30 110)">', *fb.body, "</g>")
    ic = art_food.ice_cream(64)
    _merge(s, ic)
    s.add('<g transform="translate(104 48)">', *ic.body, "</g>")
    sl = art_food.salad(60, 50)
    _merge(s, sl)
    s.add('<g transform="translate(36 40)">', *sl.body, "</g>")
    s.add("</g>")
    return s


def logo(w, h, big=True):
    s = Svg(w, h)
    k = w / 520.0
    s.add('<g transform="scale(%.3f)">' % k)
    s.add(path("M40 150 Q260 190 480 150 L470 188 Q260 220 50 188 Z", fill=s.grad(TOMATO_L, TOMATO), sw=3))
    s.add('<text x="260" y="122" font-family="DejaVu Serif" font-style="italic" font-weight="bold" font-size="68" '
          'fill="%s" stroke="%s" stroke-width="8" paint-order="stroke" stroke-linejoin="round" '
          'text-anchor="middle">Ember Cook</text>' % (s.grad(CHEESE_L, EMBER, 0, 0, 0, 1), INK))
    s.add(label(260, 182, "PIZZA KITCHEN", 22, fill=CREAM))
    for i in range(3):
        s.add(path("M%d 40 q-8 -12 0 -22 q8 -10 0 -18" % (60 + i * 12), stroke=EMBER, sw=4))
    s.add("</g>")
    return s


def studio_logo():
    s = Svg(360, 200)
    s.add(circle(180, 80, 56, fill=s.radial(EMBER_L, "#b0400a"), extra='filter="%s"' % s.shadow(2, 2)))
    s.add(path("M180 40 Q205 75 192 100 Q186 88 180 92 Q174 80 168 100 Q155 75 180 40 Z", fill=CHEESE_L, sw=2))
    s.add(label(180, 175, "HEARTH WORKS", 28, fill=CREAM, stroke=INK, sw=4))
    return s


def particle(kind):
    if kind == "sparkle":
        s = Svg(16, 16)
        s.add(poly(star_points(8, 8, 7.5, 2, 4, -90), fill=s.radial("#ffffff", CHEESE_L, 0.5, 0.5, 0.6), stroke=None))
    elif kind == "smoke":
        s = Svg(32, 32)
        s.add(circle(16, 16, 14, fill=s.radial("#ffffff", "#ffffff", 0.5, 0.5, 0.5, 0.0), stroke=None))
    elif kind == "pop":
        s = Svg(16, 16)
        s.add(circle(8, 8, 7, fill=s.radial("#ffffff", EMBER_L, 0.5, 0.5, 0.6, 0.2), stroke=None))
    elif kind == "spark":
        s = Svg(12, 12)
        s.add(circle(6, 6, 5.5, fill=s.radial("#ffffff", "#7fe0ff", 0.5, 0.5, 0.6, 0.0), stroke=None))
        s.add(path("M6 1 L6 11 M1 6 L11 6", stroke="#e8fbff", sw=1.2))
    elif kind == "heart":
        s = Svg(20, 18)
        s.add(path("M10 16 Q1 10 2 5 Q3 1 7 1.5 Q9 2 10 5 Q11 2 13 1.5 Q17 1 18 5 Q19 10 10 16 Z",
                   fill=s.radial("#ff9aa8", TOMATO), sw=1.5))
    else:  # tools: a little hammer
        s = Svg(24, 24)
        s.add(path("M6 20 L15 11", stroke=WALNUT, sw=4.5))
        s.add(rect(11, 3, 12, 7, 1.5, fill="#9aa4ae", sw=1.8, extra='transform="rotate(45 17 6.5)"'))
    return s


def cloud(w, h, seed):
    s = Svg(w, h)
    rnd = random.Random(seed)
    blobs = []
    for i in range(5):
        cx = w * (0.2 + 0.15 * i)
        blobs.append(ellipse(cx, h * 0.55 + rnd.uniform(-6, 6), w * 0.16, h * rnd.uniform(0.25, 0.4),
                             fill="#ffffff", stroke=None))
    s.add('<g filter="%s" opacity="0.92">' % s.blur(1.2), *blobs, "</g>")
    return s


def goal_picture(expert):
    s = Svg(96, 96)
    if expert:
        s.add(poly(star_points(48, 50, 44, 20), fill=s.radial(CHEESE_L, "#e08a10"), extra='filter="%s"' % s.shadow()))
        s.add(poly(star_points(48, 50, 24, 11), fill="#fff6c0", stroke=None))
    else:
        s.add(circle(48, 48, 40, fill=s.radial(BASIL_L, BASIL), extra='filter="%s"' % s.shadow()))
        s.add(path("M28 50 L42 64 L68 34", stroke=CREAM, sw=9))
    return s


def expert_prize():
    s = Svg(96, 110)
    s.add(poly([(30, 0), (48, 30), (66, 0), (78, 0), (56, 40), (40, 40), (18, 0)], fill=s.grad(TOMATO_L, TOMATO), sw=2))
    s.add(circle(48, 68, 36, fill=s.radial(CHEESE_L, "#c87a10"), extra='filter="%s"' % s.shadow()))
    s.add(circle(48, 68, 27, stroke="#a86a10", sw=2))
    s.add(poly(star_points(48, 70, 18, 8), fill=CREAM, sw=1.8))
    return s


OBJECTS = {}


def hunt_object(name):
    s = Svg(64, 64)
    s.add('<g filter="%s">' % s.shadow(2, 1.3))
    if name == "spoon":
        s.add(rect(29, 24, 6, 36, 3, fill=s.grad(WALNUT_L, WALNUT)), ellipse(32, 16, 11, 13, fill=s.grad("#d8a870", WALNUT)))
    elif name == "whisk":
        s.add(rect(28, 40, 8, 22, 3, fill=TOMATO))
        for dx in (-12, -6, 0, 6, 12):
            s.add(path("M32 42 Q%d 14 32 4" % (32 + dx * 1.6), stroke="#8a949e", sw=2))
    elif name == "rollingpin":
        s.add(rect(4, 26, 10, 12, 4, fill=WALNUT), rect(50, 26, 10, 12, 4, fill=WALNUT),
              rect(13, 21, 38, 22, 8, fill=s.grad("#f0c890", "#c08850")))
    elif name == "grater":
        s.add(poly([(18, 8), (46, 8), (54, 58), (10, 58)], fill=s.grad("#e0e6ec", "#8a949e")))
        for y in range(18, 54, 8):
            for x in range(20, 46, 8):
                s.add(circle(x + (y - 18) * 0.08, y, 1.6, fill=INK, stroke=None))
    elif name == "peppermill":
        s.add(path("M22 60 L42 60 L40 30 Q48 22 40 14 L24 14 Q16 22 24 30 Z", fill=s.grad(WALNUT_L, "#3a2316")))
        s.add(circle(32, 8, 5, fill=WALNUT))
    elif name == "mitt":
        s.add(path("M16 60 L16 24 Q16 8 30 8 Q44 8 44 24 L44 34 Q54 28 56 36 Q56 44 44 50 L44 60 Z",
                   fill=s.grad(TOMATO_L, TOMATO)))
        s.add(rect(14, 52, 32, 10, 3, fill=CREAM))
    elif name == "ladle":
        s.add(path("M40 6 Q46 6 44 12 L36 40", stroke="#8a949e", sw=5), path("M14 40 Q14 60 30 60 Q46 60 46 40 Z",
                                                                              fill=s.grad("#e0e6ec", "#8a949e")))
    elif name == "garlic":
        s.add(path("M32 8 Q36 20 46 28 Q60 44 44 58 L20 58 Q4 44 18 28 Q28 20 32 8 Z", fill=s.grad("#ffffff", "#e8dcc8")))
        s.add(path("M32 20 Q26 40 30 58 M32 20 Q40 40 36 58", stroke="#c8b89a", sw=1.5))
    elif name == "tomatocan":
        s.add(rect(14, 10, 36, 48, 5, fill=s.grad("#e0e6ec", "#8a949e")), rect(14, 20, 36, 28, 2, fill=TOMATO))
        s.add(circle(32, 34, 8, fill=TOMATO_L, sw=1.5))
    else:  # basil
        for a in (-40, 0, 40):
            s.add(ellipse(32, 24, 9, 18, fill=s.grad(BASIL_L, BASIL), extra='transform="rotate(%d 32 44)"' % a))
        s.add(path("M32 44 L32 60", stroke=BASIL, sw=3))
    s.add("</g>")
    return s
