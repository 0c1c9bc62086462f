"""Ember Cook's twelve customers: one friendly figure each, drawn in six poses (waiting, angry, paying)."""
from svg import *

W, H = 150, 200
POSES = ["wait1", "wait2", "angry1", "angry2", "pay1", "pay2"]

# Each customer: skin, hair colour, hair style, top colour, trouser colour, height (0..1), width, accessory.
PEOPLE = {
    "cowboy":     dict(skin="#e8b08a", hair="#6a4026", style="short", top="#c8642a", legs="#3a5a8a", tall=1.0,
                       wide=1.1, hat="brim"),
    "ballplayer": dict(skin="#b07a50", hair="#2a1a10", style="short", top="#ffffff", legs="#3a6ab0", tall=0.98,
                       wide=1.1, hat="cap", stripe=TOMATO),
    "girl":       dict(skin="#ffd0b0", hair="#e8a040", style="pigtails", top="#f07aa0", legs="#7a5ab0", tall=0.72,
                       wide=0.85, hat=None),
    "madam":      dict(skin="#f4c8a8", hair="#3a2a40", style="bun", top="#7a3a6a", legs="#7a3a6a", tall=0.96,
                       wide=1.0, hat="flower", dress=True),
    "grandmam":   dict(skin="#f0c0a0", hair="#e0e0e8", style="bun", top="#6a8ab0", legs="#5a6a80", tall=0.85,
                       wide=1.1, hat=None, glasses=True, dress=True),
    "turist":     dict(skin="#ffc8a0", hair="#c87a3a", style="short", top="#4fb0a0", legs="#e8d8a8", tall=0.95,
                       wide=1.2, hat="sunhat", camera=True),
    "diver":      dict(skin="#c89070", hair="#1a1a1a", style="short", top="#2a2a3a", legs="#2a2a3a", tall=0.95,
                       wide=1.0, hat="mask", stripe="#ffd000"),
    "bunny":      dict(skin="#ffd8c0", hair="#f0f0f0", style="short", top="#f4f0ec", legs="#f4f0ec", tall=0.7,
                       wide=0.95, hat="ears"),
    "alien":      dict(skin="#8fd16a", hair="#8fd16a", style="bald", top="#8a6ad0", legs="#5a4a9a", tall=0.88,
                       wide=1.0, hat="antennae"),
    "boy":        dict(skin="#d89a70", hair="#3a2010", style="spiky", top="#3a8ad0", legs="#5a4a3a", tall=0.7,
                       wide=0.9, hat=None),
    "superman":   dict(skin="#f0b890", hair="#2a1a10", style="quiff", top="#2a9a6a", legs="#2a9a6a", tall=1.05,
                       wide=1.25, hat=None, cape=EMBER, emblem=True),
    "boomgirl":   dict(skin="#a86a48", hair="#2a1010", style="afro", top="#ffd000", legs="#2a2a3a", tall=0.9,
                       wide=0.95, hat="phones", boombox=True),
}


def head_top(name):
    """Where the top of the head sits in the picture, before any lift."""
    t = PEOPLE[name]["tall"]
    return 196 - 114 * t - 2 * (24 if t > 0.8 else 22) + 4


def crate_lift(name):
    """How far a short customer stands raised: the head a little below a grown-up's, still clear of the one in
    front, and the bunny's ears clear of the chin of the one behind."""
    return round(head_top(name) - head_top("cowboy")) - 8 if PEOPLE[name]["tall"] < 0.8 else 0


def person(name, pose):
    p = PEOPLE[name]
    s = Svg(W, H)
    angry = pose.startswith("angry")
    paying = pose.startswith("pay")
    bob = 2 if pose in ("wait2", "angry2", "pay2") else 0
    cx = 62
    feet = 196
    body_h = 70 * p["tall"]
    leg_h = 44 * p["tall"]
    head_r = 24 if p["tall"] > 0.8 else 22
    # The queue places are 100 pixels apart, so the customer in front covers everything of the one behind below
    # about its chin: the children stand on a crate, which lifts their heads to the grown-ups' height.
    lift = crate_lift(name)
    s.add(ellipse(cx, feet - 1, 36, 4, fill="#000000", stroke=None, extra='opacity="0.25"'))
    if lift:
        s.add(rect(cx - 34, feet - lift, 68, lift - 2, 4, fill=s.grad(WALNUT_L, WALNUT, 0, 0, 0, 1)))
        s.add(path("M%.1f %.1f L%.1f %.1f M%.1f %.1f L%.1f %.1f" % (cx - 30, feet - lift + 4, cx + 30, feet - 6,
                                                                   cx + 30, feet - lift + 4, cx - 30, feet - 6),
                   stroke=INK, sw=2, extra='opacity="0.45"'))
        feet -= lift
    hip = feet - leg_h
    shoulder = hip - body_h + bob
    head_y = shoulder - head_r + 4
    bw = 30 * p["wide"]
    if p.get("cape"):
        s.add(path("M%.1f %.1f L%.1f %.1f L%.1f %.1f L%.1f %.1f Z" % (cx - bw, shoulder + 6, cx - bw - 16, feet - 20,
                                                                     cx + bw + 10, feet - 20, cx + bw, shoulder + 6),
                   fill=s.grad(p["cape"], TOMATO)))
    # Legs and shoes.
    if p.get("dress"):
        s.add(path("M%.1f %.1f L%.1f %.1f L%.1f %.1f L%.1f %.1f Z" % (cx - bw * 0.8, hip - 20, cx - bw * 1.2, feet - 12,
                                                                     cx + bw * 1.2, feet - 12, cx + bw * 0.8, hip - 20),
                   fill=s.grad(p["top"], INK, 0, 0, 0, 2.5)))
        s.add(path("M%.1f %.1f L%.1f %.1f M%.1f %.1f L%.1f %.1f" % (cx - 9, feet - 12, cx - 9, feet - 4, cx + 9,
                                                                   feet - 12, cx + 9, feet - 4), stroke=p["skin"], sw=5))
    else:
        for dx in (-11, 11):
            s.add(rect(cx + dx - 8, hip - 2, 16, leg_h - 4, 5, fill=s.grad(p["legs"], INK, 0, 0, 0, 3)))
    for dx in (-12, 12):
        s.add(ellipse(cx + dx, feet - 5, 11, 5, fill=WALNUT if name != "diver" else "#ffd000", sw=2))
    # Torso.
    s.add(rect(cx - bw, shoulder, bw * 2, body_h + 4, 14, fill=s.grad(p["top"], INK, 0, 0, 0.3, 3)))
    if p.get("stripe"):
        s.add(path("M%.1f %.1f L%.1f %.1f" % (cx - bw + 4, shoulder + 20, cx + bw - 4, shoulder + 20),
                   stroke=p["stripe"], sw=5))
    if p.get("emblem"):
        s.add(poly([(cx, shoulder + 12), (cx + 11, shoulder + 22), (cx, shoulder + 34), (cx - 11, shoulder + 22)],
                   fill=CHEESE, sw=2))
        s.add(label(cx, shoulder + 28, "C", 11, fill=TOMATO))
    # Arms: at the sides while waiting, fists up when angry, one hand held out with a coin when paying.
    if paying:
        s.add(path("M%.1f %.1f Q%.1f %.1f %.1f %.1f" % (cx + bw - 4, shoulder + 10, cx + bw + 24, shoulder + 20,
                                                        cx + bw + 34, shoulder + 2 - bob * 3), stroke=INK, sw=13))
        s.add(path("M%.1f %.1f Q%.1f %.1f %.1f %.1f" % (cx + bw - 4, shoulder + 10, cx + bw + 24, shoulder + 20,
                                                        cx + bw + 34, shoulder + 2 - bob * 3), stroke=p["top"], sw=8))
        s.add(circle(cx + bw + 36, shoulder - 2 - bob * 3, 7, fill=p["skin"], sw=2))
        s.add(circle(cx + bw + 40, shoulder - 14 - bob * 3, 7, fill=s.radial(CHEESE_L, "#d89a1a"), sw=1.8))
    elif angry:
        for side in (-1, 1):
            # Fists up beside the head rather than out to the sides: at the back of the queue a wide customer's
            # fist would reach the order bubble beside it.
            hx = cx + side * (bw + 2)
            s.add(path("M%.1f %.1f L%.1f %.1f" % (cx + side * (bw - 4), shoulder + 10, hx, shoulder - 6 - bob * 2),
                       stroke=INK, sw=13), path("M%.1f %.1f L%.1f %.1f" % (cx + side * (bw - 4), shoulder + 10, hx,
                                                                           shoulder - 6 - bob * 2), stroke=p["top"], sw=8))
            s.add(circle(hx, shoulder - 8 - bob * 2, 7, fill=p["skin"], sw=2))
    else:
        for side in (-1, 1):
            top_x, top_y = cx + side * (bw - 3), shoulder + 8
            end_x, end_y = cx + side * (bw + 6), shoulder + 6 + body_h * 0.72 - bob
            s.add(path("M%.1f %.1f Q%.1f %.1f %.1f %.1f" % (top_x, top_y, cx + side * (bw + 9), top_y + body_h * 0.3,
                                                            end_x, end_y), stroke=INK, sw=13))
            s.add(path("M%.1f %.1f Q%.1f %.1f %.1f %.1f" % (top_x, top_y, cx + side * (bw + 9), top_y + body_h * 0.3,
                                                            end_x, end_y), stroke=p["top"], sw=8))
            s.add(circle(end_x, end_y + 3, 6.5, fill=p["skin"], sw=2))
    if p.get("boombox"):
        # Held in front at the hip: carried at the side it stuck out into the order bubble of the place ahead.
        bx = cx - 22
        s.add(rect(bx, hip - 30 + bob, 44, 26, 5, fill="#5a5a6a"), circle(bx + 11, hip - 17 + bob, 7, fill="#2a2a3a",
                                                                         sw=2),
              circle(bx + 33, hip - 17 + bob, 7, fill="#2a2a3a", sw=2))
    if p.get("camera"):
        s.add(rect(cx - 12, shoulder + 18, 24, 16, 3, fill="#3a3a42"), circle(cx, shoulder + 26, 5, fill=SKY, sw=1.5))
        s.add(path("M%.1f %.1f L%.1f %.1f L%.1f %.1f" % (cx - 12, shoulder + 20, cx, shoulder + 2, cx + 12,
                                                         shoulder + 20), stroke=INK, sw=1.5))
    # Neck and collar.
    s.add(rect(cx - 7, head_y + head_r - 8, 14, 14, 4, fill=p["skin"], sw=2))
    s.add(path("M%.1f %.1f L%.1f %.1f L%.1f %.1f" % (cx - 12, shoulder + 1, cx, shoulder + 10, cx + 12, shoulder + 1),
               fill=CREAM if p["top"] != "#ffffff" else "#d8d8e0", sw=2))
    # Head.
    hy = head_y
    skin = p["skin"]
    if p["style"] == "afro":
        s.add(circle(cx, hy - 6, head_r + 12, fill=p["hair"]))
    if p["style"] == "pigtails":
        s.add(circle(cx - head_r - 4, hy + 2, 9, fill=p["hair"]), circle(cx + head_r + 4, hy + 2, 9, fill=p["hair"]))
    if p["style"] == "bun":
        s.add(circle(cx, hy - head_r - 4, 10, fill=p["hair"]))
    if p.get("hat") == "ears":
        for dx in (-10, 10):
            s.add(ellipse(cx + dx, hy - head_r - 16, 7, 20, fill="#f4f0ec", extra='transform="rotate(%d %.1f %.1f)"'
                          % (dx, cx + dx, hy - head_r)))
            s.add(ellipse(cx + dx, hy - head_r - 14, 3, 13, fill="#ffb0c0", stroke=None,
                          extra='transform="rotate(%d %.1f %.1f)"' % (dx, cx + dx, hy - head_r)))
    if p.get("hat") == "antennae":
        for dx in (-12, 12):
            s.add(path("M%.1f %.1f L%.1f %.1f" % (cx + dx * 0.5, hy - head_r + 2, cx + dx, hy - head_r - 16), sw=2))
            s.add(circle(cx + dx, hy - head_r - 18, 4, fill=CHEESE_L, sw=1.5))
    if name not in ("alien", "bunny"):
        s.add(circle(cx - head_r + 1, hy + 2, 5, fill=skin, sw=2), circle(cx + head_r - 1, hy + 2, 5, fill=skin, sw=2))
    s.add(ellipse(cx, hy, head_r, head_r * (1.1 if name == "alien" else 1.0), fill=s.radial(skin, skin, 0.35, 0.3, 0.9)))
    if p["style"] in ("short", "bun", "pigtails", "spiky", "quiff"):
        d = "M%.1f %.1f Q%.1f %.1f %.1f %.1f Q%.1f %.1f %.1f %.1f" % (cx - head_r, hy - 2, cx - head_r, hy - head_r - 6,
                                                                     cx, hy - head_r - 4, cx + head_r,
                                                                     hy - head_r - 6, cx + head_r, hy - 2)
        if p["style"] == "spiky":
            d += " L%.1f %.1f L%.1f %.1f L%.1f %.1f L%.1f %.1f Z" % (cx + 10, hy - head_r + 4, cx + 4, hy - head_r - 12,
                                                                  cx - 6, hy - head_r + 2, cx - 16, hy - head_r - 10)
        elif p["style"] == "quiff":
            d += " Q%.1f %.1f %.1f %.1f Q%.1f %.1f %.1f %.1f Z" % (cx + 10, hy - head_r + 10, cx, hy - head_r + 6,
                                                                  cx + 18, hy - head_r - 16, cx - head_r, hy - 2)
        else:
            d += " Q%.1f %.1f %.1f %.1f Z" % (cx, hy - head_r + 10, cx - head_r, hy - 2)
        s.add(path(d, fill=p["hair"]))
    # Face; anger flushes it red over the skin's own tone.
    if angry:
        s.add(ellipse(cx, hy + 2, head_r - 2, head_r - 4, fill="#ff3a2a", stroke=None, extra='opacity="0.35"'))
    eye_y = hy - 2
    if name == "alien":
        s.add(ellipse(cx - 9, eye_y, 6, 8, fill=INK, stroke=None), ellipse(cx + 9, eye_y, 6, 8, fill=INK, stroke=None))
        s.add(circle(cx - 7, eye_y - 3, 2, fill="#ffffff", stroke=None), circle(cx + 11, eye_y - 3, 2, fill="#ffffff",
                                                                               stroke=None))
    else:
        blink = pose == "wait2"
        for dx in (-8, 8):
            if blink:
                s.add(path("M%.1f %.1f L%.1f %.1f" % (cx + dx - 3, eye_y, cx + dx + 3, eye_y), stroke=INK, sw=2))
            else:
                s.add(ellipse(cx + dx, eye_y, 4.2, 5, fill="#ffffff", sw=1.4))
                s.add(circle(cx + dx + 0.6, eye_y + 0.8, 2.6, fill=INK, stroke=None))
                s.add(circle(cx + dx + 1.4, eye_y - 0.4, 0.9, fill="#ffffff", stroke=None))
        if not angry and not paying:
            s.add(circle(cx - 14, hy + 7, 3.5, fill="#ff8a8a", stroke=None, extra='opacity="0.35"'),
                  circle(cx + 14, hy + 7, 3.5, fill="#ff8a8a", stroke=None, extra='opacity="0.35"'))
        if angry:
            s.add(path("M%.1f %.1f L%.1f %.1f M%.1f %.1f L%.1f %.1f" % (cx - 13, eye_y - 9, cx - 4, eye_y - 5,
                                                                       cx + 13, eye_y - 9, cx + 4, eye_y - 5), sw=2.5))
    if p.get("glasses"):
        s.add(circle(cx - 8, eye_y, 6, sw=1.8), circle(cx + 8, eye_y, 6, sw=1.8))
    if p.get("hat") == "mask":
        s.add(rect(cx - 17, eye_y - 9, 34, 16, 7, fill="#9fd3e8", sw=2.5, extra='fill-opacity="0.55"'))
        s.add(path("M%.1f %.1f Q%.1f %.1f %.1f %.1f" % (cx + 17, eye_y, cx + 30, eye_y - 20, cx + 22, hy - head_r - 14),
                   stroke="#ffd000", sw=4))
    mouth_y = hy + 10
    if angry:
        s.add(path("M%.1f %.1f Q%.1f %.1f %.1f %.1f" % (cx - 8, mouth_y + 3, cx, mouth_y - 4, cx + 8, mouth_y + 3),
                   sw=2.5))
        # Steam puffs over an angry head.
        for i, dx in enumerate((-head_r - 6, head_r + 6)):
            s.add(path("M%.1f %.1f q-4 -6 0 -10 q4 -5 0 -10" % (cx + dx, hy - head_r + bob * 3), stroke="#ffffff",
                       sw=3))
    elif paying:
        s.add(path("M%.1f %.1f Q%.1f %.1f %.1f %.1f Z" % (cx - 9, mouth_y - 1, cx, mouth_y + 11, cx + 9, mouth_y - 1),
                   fill="#8a2a20", sw=2))
        s.add(circle(cx - 14, mouth_y - 3, 4, fill="#ff8a8a", stroke=None, extra='opacity="0.6"'),
              circle(cx + 14, mouth_y - 3, 4, fill="#ff8a8a", stroke=None, extra='opacity="0.6"'))
    else:
        s.add(path("M%.1f %.1f Q%.1f %.1f %.1f %.1f" % (cx - 7, mouth_y, cx, mouth_y + 5, cx + 7, mouth_y), sw=2.2))
    # Hats.
    hat = p.get("hat")
    top = hy - head_r
    if hat == "brim":
        s.add(ellipse(cx, top + 6, head_r + 16, 6, fill="#8a5a30"),
              path("M%.1f %.1f Q%.1f %.1f %.1f %.1f Q%.1f %.1f %.1f %.1f Z" % (cx - 16, top + 4, cx - 16, top - 18, cx,
                                                                              top - 14, cx + 16, top - 18, cx + 16,
                                                                              top + 4), fill="#a06a3a"))
    elif hat == "cap":
        s.add(path("M%.1f %.1f Q%.1f %.1f %.1f %.1f Z" % (cx - head_r, top + 10, cx, top - 16, cx + head_r, top + 10),
                   fill=TOMATO), path("M%.1f %.1f L%.1f %.1f" % (cx, top + 8, cx + head_r + 16, top + 10), stroke=INK,
                                      sw=6), path("M%.1f %.1f L%.1f %.1f" % (cx, top + 8, cx + head_r + 14, top + 10),
                                                  stroke=TOMATO, sw=3))
    elif hat == "sunhat":
        s.add(ellipse(cx, top + 6, head_r + 18, 7, fill="#f0d890"),
              path("M%.1f %.1f Q%.1f %.1f %.1f %.1f Z" % (cx - 16, top + 5, cx, top - 16, cx + 16, top + 5),
                   fill="#f0d890"), path("M%.1f %.1f L%.1f %.1f" % (cx - 15, top + 1, cx + 15, top + 1),
                                         stroke=TOMATO, sw=3))
    elif hat == "flower":
        s.add(circle(cx + head_r - 4, top + 4, 6, fill=TOMATO_L, sw=1.5), circle(cx + head_r - 4, top + 4, 2.2,
                                                                                 fill=CHEESE, stroke=None))
    elif hat == "phones":
        s.add(path("M%.1f %.1f Q%.1f %.1f %.1f %.1f" % (cx - head_r - 6, hy, cx, top - 24, cx + head_r + 6, hy),
                   stroke=INK, sw=4))
        s.add(rect(cx - head_r - 12, hy - 8, 10, 18, 4, fill=TOMATO), rect(cx + head_r + 2, hy - 8, 10, 18, 4,
                                                                           fill=TOMATO))
    return s


def anime_xml(name):
    # Times are in updates (100 a second): a wait loop of about a second so anger shows promptly, a paying
    # flourish of under a second.
    frames = "\n".join('    <Image src="images/persons/%s/%s"/>' % (name, pose) for pose in POSES)
    # Every figure stands on the picture's bottom edge (the children on their crate), so no type needs a vertical
    # shift: the heads of the queue then line up 100 pixels apart, each clear of the customer in front.
    shift = 0
    # The front place starts 50 pixels left of the screen: moving every frame right keeps the whole figure in view
    # and leaves the mood meter and the wish bubble beside the head.
    shift_x = 45
    mood = {"grandmam": 80, "cowboy": 75, "madam": 65, "girl": 55, "bunny": 50, "ballplayer": 50, "boy": 55,
            "turist": 70, "diver": 52, "alien": 68, "superman": 58, "boomgirl": 56}[name]
    return ('<?xml version="1.0" encoding="utf-8"?>\n'
            '<!-- %s: waiting (state 0), angry (state 1) and paying (state 2, played once). -->\n'
            '<PersonAnime MoodDownTime="%d" ShiftX="%d" ShiftY="%d">\n  <Images>\n%s\n  </Images>\n'
            '  <Anime name="wait"> <State img="0" time="60"/> <State img="1" time="8"/> <State img="0" time="40"/> '
            '</Anime>\n'
            '  <Anime name="angry"> <State img="2" time="24"/> <State img="3" time="24"/> </Anime>\n'
            '  <Anime name="pay"> <State img="4" time="20"/> <State img="5" time="20"/> <State img="4" time="20"/> '
            '<State img="5" time="20"/> </Anime>\n'
            '</PersonAnime>\n' % (name, mood, shift_x, shift, frames))
