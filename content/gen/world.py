"""Ember Cook's world in numbers: the road across the map, the pizzerias on it and the 70 working days."""
import math

LEVELS = 70
PIZZERIAS = 6
MAP_W, MAP_H = 1600, 600

INLAY_LEVELS = {5, 17, 29, 41, 53, 65}
HUNT_LEVELS = {9, 21, 33, 45, 57, 69}
# Customer types in file order; the shop and the tip windows number them the same way.
CUSTOMERS = ["cowboy", "ballplayer", "girl", "madam", "grandmam", "turist",
             "diver", "bunny", "alien", "boy", "superman", "boomgirl"]
# The day each customer type first walks in (0 = from the start); that day shows its tip window.
CUSTOMER_DEBUT = [0, 0, 0, 3, 7, 11, 15, 20, 26, 32, 40, 48]
# Dish sizes in recipe order (cells).
DISHES = [(2, 2), (3, 2), (3, 3), (4, 2), (4, 3), (4, 4), (5, 3), (5, 5)]
SNACKS = [(2, 1), (2, 2), (3, 1)]
HUNT_OBJECTS = ["spoon", "whisk", "rollingpin", "grater", "peppermill", "mitt", "ladle", "garlic", "tomatocan", "basil"]


def pizzeria_of(level):
    """The pizzeria a level is played in: the first holds days 1-10, then twelve days each, the last from 59 on."""
    return 0 if level <= 10 else min(PIZZERIAS - 1, (level - 11) // 12 + 1)


def first_level(pizzeria):
    return 1 if pizzeria == 0 else 11 + (pizzeria - 1) * 12


# Where the road's first day lies: the map opens scrolled to its left edge, so the chef on that day stands well inside
# the view (a walker is 36 pixels wide) even while the opening story pans the map a little.
ROAD_X0 = 190


def road(t):
    """Point on the road at t in 0..1, in map pixels: it winds left to right between the hills.
    Values of t below 0 lead the road on to the map's left edge."""
    x = ROAD_X0 + t * (MAP_W - ROAD_X0 - 140)
    y = 330 + 120 * math.sin(t * math.pi * 5.2 + 0.4) + 40 * math.sin(t * math.pi * 13.0)
    return x, y


def _arc_samples(n=4000):
    pts = [road(i / n) for i in range(n + 1)]
    lengths = [0.0]
    for a, b in zip(pts, pts[1:]):
        lengths.append(lengths[-1] + math.dist(a, b))
    return pts, lengths


def level_points():
    """The 70 level markers, evenly spaced along the road, with a wider gap before each new pizzeria."""
    pts, lengths = _arc_samples()
    total = lengths[-1]
    # Slots: one per level plus one extra gap slot per pizzeria change, so towns read as groups.
    slots = []
    s = 0.0
    for level in range(1, LEVELS + 1):
        if level > 1 and pizzeria_of(level) != pizzeria_of(level - 1):
            s += 1.6
        slots.append(s)
        s += 1.0
    out = []
    j = 0
    for slot in slots:
        target = total * (0.01 + 0.98 * slot / slots[-1])
        while j < len(lengths) - 1 and lengths[j] < target:
            j += 1
        out.append((round(pts[j][0]), round(pts[j][1])))
    return out


def pizzeria_points():
    """Each pizzeria stands beside the road, above or below its first day's marker."""
    lv = level_points()
    out = []
    for p in range(PIZZERIAS):
        x, y = lv[first_level(p) - 1]
        dy = -95 if y > 300 else 95
        out.append((x + 10, y + dy))
    return out
