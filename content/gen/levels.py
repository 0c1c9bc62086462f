"""Writes levels/levels.xml and levels/map.xml: the 70 days of Ember Cook and where they sit on the map.

usage: levels.py OUTDIR   (writes OUTDIR/levels/levels.xml and OUTDIR/levels/map.xml)
Every level spells out every value, so that no day depends on which day was played before it.
"""
import os
import random
import sys

import world

# The map loader adds this to every point's y; the file stores y without it.
MAP_Y_SHIFT = 85


def person_weights(level):
    weights = []
    for kind, debut in enumerate(world.CUSTOMER_DEBUT):
        if level < debut:
            weights.append(0)
        elif level == debut and debut > 2:
            weights.append(80)  # exactly 80 introduces the type with its tip window
        else:
            weights.append(10 + (kind * 7 + level * 3) % 25)
    return weights


def dish_weights(level):
    base = [100, 80, 70, 60, 50, 40, 35, 30]
    # Later days lean towards the bigger recipes the player has had time to buy.
    shift = min(1.0, level / 60)
    return [max(10, round(w * (1 - shift * 0.5) + shift * 20 * k)) for k, w in enumerate(base)]


def background(level):
    # A picture-hunt day is played in the pizzeria's pantry, where the things to find lie on the shelves.
    room = "bg_pantry" if level in world.HUNT_LEVELS else "bg_pizzeria"
    return "%s%d" % (room, world.pizzeria_of(level) + 1)


def common_attrs(level, kind):
    p = world.pizzeria_of(level)
    step = level - world.first_level(p)
    time = 120 + 5 * p if kind == "" else (90 if kind == "Inlay" else 100)
    goal = 120 + level * 28 + p * 40
    if kind == "Inlay":
        goal = 60 + level * 4
    if kind == "PixelHunt":
        # A search pays its prices and the seconds left, about 110 however well it goes: the goal stays below that.
        goal = 50 + level * 3 // 4
    return {
        "Num": level, "Time": time, "Goal": goal, "ExpertGoal": goal * 3 // 2,
        "LightWeight": 0 if level <= 3 else min(30, 8 + level // 3),
        "BreakPlate": 0 if level <= 6 else min(12, 2 + level // 7),
        "TipsCount": 4 if level <= 4 else (5 if level <= 30 or step < 6 else 6),
        "WaitFirstPerson": 0, "Background": background(level), "Type": kind,
    }


def attrs(d):
    return " ".join('%s="%s"' % (k, v) for k, v in d.items())


def pack_stage(items, columns):
    """Places the stage's pieces on shelves of a board `columns` wide, starting so that cell (4, 4) is covered.
    Returns the 8 row masks (top row first) or None when the pieces do not fit."""
    grid = [[0] * columns for _ in range(8)]
    x, top, shelf = 2, 5, 0
    for w, h in items:
        if x + w > columns:
            x, top, shelf = 2, top - shelf, 0
        if top - h + 1 < 0:
            return None
        for r in range(top - h + 1, top + 1):
            for c in range(x, x + w):
                grid[r][c] = 1
        x += w
        shelf = max(shelf, h)
    return ["".join(str(v) for v in grid[row]) for row in range(7, -1, -1)]


INLAY_STAGES = [
    # (dish type, snack) per customer, three stages per level; grows with the day.
    [[(0, -1), (1, -1)], [(1, 0), (0, -1)], [(2, -1), (0, 2)]],
    [[(1, -1), (0, 0)], [(2, -1), (1, -1)], [(3, 1), (0, -1)]],
    [[(2, -1), (1, 2)], [(3, -1), (0, 0), (1, -1)], [(4, -1), (1, 1)]],
    [[(3, -1), (2, 0)], [(4, -1), (1, -1)], [(5, -1), (0, 2)]],
    [[(4, -1), (0, 1)], [(5, -1), (1, -1)], [(6, -1), (2, 0)]],
    [[(5, -1), (1, 0)], [(6, -1), (2, -1)], [(7, -1), (0, 2)]],
]


def inlay_body(level, index):
    out = []
    for stage in INLAY_STAGES[index]:
        items = []
        for dish, snack in stage:
            items.append(world.DISHES[dish])
            if snack >= 0:
                items.append(world.SNACKS[snack])
        items.sort(key=lambda wh: -wh[1])
        rows = pack_stage(items, 10)
        assert rows is not None, (level, stage)
        out.append('    <Board SX="10" %s/>' % " ".join('r%d="%s"' % (i + 1, r) for i, r in enumerate(rows)))
    for stage in INLAY_STAGES[index]:
        out.append("    <Persons>")
        for k, (dish, snack) in enumerate(stage):
            out.append('      <Person Type="%d" Pizza="%d" Snack="%d"/>' % (k, dish, snack))
        out.append("    </Persons>")
    return out


def hunt_body(level, index):
    rnd = random.Random(level)
    names = list(world.HUNT_OBJECTS)
    rnd.shuffle(names)
    picks = names[: 5 + index // 2] + ["money", "money", "light"]
    out = []
    # Spread over the kitchen picture on a loose grid so that nothing hides completely behind the counter.
    spots = [(x, y) for y in (150, 260, 370) for x in (90, 230, 370, 510, 650, 760)]
    rnd.shuffle(spots)
    for name, (x, y) in zip(picks, spots):
        # Large enough to be seen at once among the pantry's jars; later hunts hide them a little smaller.
        scale = round(rnd.uniform(0.85, 1.2) - 0.03 * index, 2)
        if name == "light":
            scale = round(rnd.uniform(2.5, 3.5), 2)  # the charge lamp is an 8-pixel picture: shown large enough to find
        rot = rnd.choice([0, 0, 15, -20, 35, -40, 90])
        flip = -1 if rnd.random() < 0.2 else 1
        out.append('    <Object Pic="%s" x="%d" y="%d" rot="%d" w="%.2f" h="%.2f"/>'
                   % (name, x + rnd.randint(-25, 25), y + rnd.randint(-20, 20), rot, scale * flip, scale))
    return out


def level_xml(level):
    kind = "Inlay" if level in world.INLAY_LEVELS else ("PixelHunt" if level in world.HUNT_LEVELS else "")
    lines = ["  <Level %s>" % attrs(common_attrs(level, kind))]
    lines.append("    <DishWeights %s/>" % " ".join('W%d="%d"' % (i + 1, w) for i, w in enumerate(dish_weights(level))))
    lines.append("    <PersonWeights %s/>" % " ".join('P%d="%d"' % (i + 1, w)
                                                    for i, w in enumerate(person_weights(level))))
    prob = 0 if level < 3 else min(300, 60 + level * 4)
    lines.append('    <FoodWants TimeCheck="100" Prob="%d" TimeCount="0"/>' % prob)
    if kind == "Inlay":
        lines += inlay_body(level, sorted(world.INLAY_LEVELS).index(level))
    elif kind == "PixelHunt":
        lines += hunt_body(level, sorted(world.HUNT_LEVELS).index(level))
    else:
        lines.append('    <Board SX="8"/>')
    lines.append("  </Level>")
    return lines


def main(outdir):
    os.makedirs(os.path.join(outdir, "levels"), exist_ok=True)
    out = ['<?xml version="1.0" encoding="utf-8"?>',
           "<!-- Ember Cook's 70 days (generated by content/gen/levels.py: edit that, not this). -->",
           "<PizzaLevels>"]
    for level in range(1, world.LEVELS + 1):
        out += level_xml(level)
    out.append("</PizzaLevels>")
    with open(os.path.join(outdir, "levels", "levels.xml"), "w") as f:
        f.write("\n".join(out) + "\n")

    m = ['<?xml version="1.0" encoding="utf-8"?>',
         "<!-- Ember Cook map (generated by content/gen/levels.py). Point y values are 85 above the map pixel. -->",
         "<Map>", "  <Levels>"]
    for x, y in world.level_points():
        m.append('    <Point x="%d" y="%d"/>' % (x, y - MAP_Y_SHIFT))
    m += ["  </Levels>", "  <Pizzerias>"]
    for x, y in world.pizzeria_points():
        m.append('    <PizzeriaPoint PizzeriaX="%d" PizzeriaY="%d"/>' % (x, y - MAP_Y_SHIFT))
    m += ["  </Pizzerias>", "  <Pictures>"]
    for p, (x, y) in enumerate(world.pizzeria_points()):
        # The finished building rises over its plot on the pizzeria's first day.
        m.append('    <PizzeriaPicure x="%d" y="%d" Pizzeria="%d" Level="%d" Image="images/map/building%d" '
                 'xSin="0" ySin="0"/>' % (x - 60, y - 70, p, world.first_level(p), p + 1))
    m += ["  </Pictures>", "</Map>"]
    with open(os.path.join(outdir, "levels", "map.xml"), "w") as f:
        f.write("\n".join(m) + "\n")


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: levels.py OUTDIR")
    main(sys.argv[1])
