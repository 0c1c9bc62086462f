"""Builds every picture of Ember Cook from its vector source and writes the resource manifest.

usage: art.py DATADIR SVGDIR [--jobs N]
  writes DATADIR/images/**.png (through rsvg-convert), DATADIR/characters/*_anime.xml and
  DATADIR/properties/resources.xml; the SVG sources are kept in SVGDIR for inspection.
"""
import concurrent.futures
import os
import subprocess
import sys

import art_food as F
import art_people as P
import art_scene as S
import art_ui as U
import world

# (group, id, path without extension, svg factory, extra manifest attributes)
RES = []
FILES = []  # (path, svg factory): pictures the game loads by path


def img(group, rid, path, make, extra=""):
    RES.append((group, rid, path, make, extra))


def build_list():
    g = "Init"
    for kind, rid in (("dragging", "DRAGGING"), ("hand", "HAND"), ("pointer", "POINTER"), ("text", "TEXT")):
        img(g, "IMAGE_CUSTOM_" + rid, "images/cursors/" + kind, lambda k=kind: U.cursor(k))
    g = "TitleScreen"
    img(g, "IMAGE_LOADER_BAR", "images/ui/loader_bar", U.loader_bar)
    img(g, "IMAGE_LOADER_C", "images/ui/loader_c", U.loader_c)
    img(g, "IMAGE_LOAD_SCREEN", "images/screens/loading", S.load_screen)
    g = "Game"
    ui = "images/ui/"
    img(g, "IMAGE_AKKUM", "images/devices/battery", lambda: S.akkum("normal"))
    img(g, "IMAGE_AKKUM_DISABLE", "images/devices/battery_locked", lambda: S.akkum("disable"))
    img(g, "IMAGE_AKKUM_LIGHT", "images/particles/spark", lambda: S.particle("spark"))
    img(g, "IMAGE_AKKUM_READY", "images/devices/battery_ready", lambda: S.akkum("ready"))
    for d in ("down", "left", "right", "up"):
        img(g, "IMAGE_ARROW_" + d.upper(), ui + "arrow_" + d, lambda d=d: U.arrow(d))
    img(g, "IMAGE_ATTENTION", ui + "attention", U.attention)
    for st, suffix in (("normal", ""), ("down", "_DOWN"), ("over", "_OVER")):
        img(g, "IMAGE_BIGBUTTON" + suffix, ui + "bigbutton_" + st, lambda st=st: U.button(200, 56, st))
    img(g, "IMAGE_BOMB", "images/gameplay/bomb", F.bomb)
    img(g, "IMAGE_BOX", "images/boxes/box", lambda: F.box("plain"))
    for st in ("2", "3", "4B", "4T"):
        img(g, "IMAGE_BOX" + st, "images/boxes/box" + st.lower(), lambda st=st: F.box(st))
    img(g, "IMAGE_BOX_READY", "images/boxes/box_ready", lambda: F.box("ready"))
    for st in ("off", "on", "onon"):
        img(g, "IMAGE_BURNER_" + st.upper(), "images/gameplay/burner_" + st, lambda st=st: S.burner(st))
    img(g, "IMAGE_CHECKBOX", ui + "checkbox", U.checkbox, 'cols="2"')
    img(g, "IMAGE_CLOCK", ui + "clock", lambda: U.clock_strip(72, 12), 'cols="12"')
    img(g, "IMAGE_CLOCK_SMALL", ui + "clock_small", lambda: U.clock_strip(32, 8, True), 'cols="8"')
    img(g, "IMAGE_CLOSED", ui + "closed", U.closed_sign)
    img(g, "IMAGE_CLOUDLET", ui + "cloudlet", lambda: U.cloudlet(110, 80))
    img(g, "IMAGE_CLOUDLET_SMALL", ui + "cloudlet_small", lambda: U.cloudlet(60, 62))
    img(g, "IMAGE_COFE_CUP", "images/devices/cup", S.cup)
    img(g, "IMAGE_COFE_MAC", "images/devices/coffee", lambda: S.coffee_machine("normal"))
    img(g, "IMAGE_COFE_MAC_DISABLE", "images/devices/coffee_locked", lambda: S.coffee_machine("disable"))
    img(g, "IMAGE_COFE_MAC_READY", "images/devices/coffee_ready", lambda: S.coffee_machine("ready"))
    img(g, "IMAGE_COFE_PR", "images/devices/coffee_gauge", U.coffee_gauge)
    img(g, "IMAGE_EXPERT_GOAL", ui + "expert_goal", lambda: S.goal_picture(True))
    img(g, "IMAGE_EXPERT_PRIZE", ui + "expert_prize", S.expert_prize)
    for m in ("bad", "fine", "good"):
        img(g, "IMAGE_FACE_" + m.upper(), ui + "face_" + m, lambda m=m: U.face(m))
    img(g, "IMAGE_FOOD1", "images/snacks/garlicbread", lambda: F.garlic_bread(35, 35))
    img(g, "IMAGE_FOOD1_BIG", "images/snacks/garlicbread_big", lambda: F.garlic_bread(98, 49))
    img(g, "IMAGE_FOOD2", "images/snacks/salad", lambda: F.salad(35, 35))
    img(g, "IMAGE_FOOD2_BIG", "images/snacks/salad_big", lambda: F.salad(98, 98))
    img(g, "IMAGE_FOOD3", "images/snacks/breadsticks", lambda: F.breadsticks(35, 35))
    img(g, "IMAGE_FOOD3_BIG", "images/snacks/breadsticks_big", lambda: F.breadsticks(147, 49))
    img(g, "IMAGE_FOOD4", "images/snacks/icecream", lambda: F.ice_cream(44))
    img(g, "IMAGE_FOOD4_BIG", "images/snacks/icecream_big", lambda: F.ice_cream(98))
    img(g, "IMAGE_GAME_OVER_WND", ui + "gameover_window",
        lambda: U.panel(640, S.MONITOR_H - 12, inner=("#4a3430", "#241816"), gloomy=True, bottom_margin=12))
    img(g, "IMAGE_GOAL", ui + "goal", lambda: S.goal_picture(False))
    img(g, "IMAGE_HELP_PAGE1", "images/screens/help1", S.help_page1)
    img(g, "IMAGE_HELP_PAGE2", "images/screens/help2", S.help_page2)
    img(g, "IMAGE_HOLE", "images/gameplay/hole", S.hole)
    for k in ("continue", "how", "menu", "options", "restart"):
        img(g, "IMAGE_ICON_" + k.upper(), ui + "icon_" + k, lambda k=k: U.icon(k))
    img(g, "IMAGE_LIGHT_OFF", ui + "lamp_light_off", lambda: U.lamp(("#bff4ff", "#1c9fd8"), False, "star"))
    img(g, "IMAGE_LIGHT_ON", ui + "lamp_light_on", lambda: U.lamp(("#bff4ff", "#1c9fd8"), True, "star"))
    img(g, "IMAGE_LINE_BLUE", ui + "line", U.line_blue)
    img(g, "IMAGE_LM_ON", "images/gameplay/batterypiece", F.battery_piece)
    img(g, "IMAGE_MAP", "images/map/map", S.map_image)
    img(g, "IMAGE_MAP_ARROW", "images/map/arrow", U.map_arrow)
    img(g, "IMAGE_MAP_BOTTOM", "images/map/bottom", U.map_bottom)
    img(g, "IMAGE_MAP_CHEF", "images/map/chef", S.map_chef)
    img(g, "IMAGE_MAP_POINT", "images/map/point", lambda: U.map_point("open"))
    img(g, "IMAGE_MAP_POINT_COMPLETE", "images/map/point_complete", lambda: U.map_point("complete"))
    img(g, "IMAGE_MAP_POINT_CURRENT", "images/map/chef_walker", S.chef_walker)
    img(g, "IMAGE_MAP_POINT_EXPERT", "images/map/point_expert", lambda: U.map_point("expert"))
    img(g, "IMAGE_MAP_POINT_SELECT", "images/map/point_select", lambda: U.map_point("select"))
    img(g, "IMAGE_MONEY", ui + "money", U.money_label)
    img(g, "IMAGE_MONEY_OFF", ui + "lamp_money_off", lambda: U.lamp((U.CHEESE_L, "#d8961a"), False, "circle"))
    img(g, "IMAGE_MONEY_ON", ui + "lamp_money_on", lambda: U.lamp((U.CHEESE_L, "#d8961a"), True, "circle"))
    img(g, "IMAGE_MONEY_OVER", ui + "money_over", U.money_label)
    # The large panel's board reaches y 528: the lowest buttons laid on it end at 520 (how-to-play) and 514 (shop).
    # The tally and the lost day's window are sized like it and drawn from their own pictures: same size.
    img(g, "IMAGE_MONITOR", ui + "monitor", lambda: U.panel(640, S.MONITOR_H - 12, bottom_margin=12))
    img(g, "IMAGE_MONITOR_SMALL", ui + "monitor_small", lambda: U.panel(420, 300))
    for m in ("bad", "fine", "good"):
        img(g, "IMAGE_MOOD_" + m.upper(), ui + "mood_" + m, lambda m=m: U.mood_bar(m))
    for n in range(1, 7):
        img(g, "IMAGE_PIZZERIA%d" % n, "images/pizzerias/pizzeria%d" % n, lambda n=n: S.pizzeria_picture(n))
    img(g, "IMAGE_PLATE", "images/devices/plate", lambda: S.plate("normal"))
    img(g, "IMAGE_PLATE_DISABLE", "images/devices/plate_locked", lambda: S.plate("disable"))
    img(g, "IMAGE_PLATE_FOOD", "images/devices/snackcounter", S.plate_food)
    img(g, "IMAGE_RAMKA", ui + "picture_frame", U.ramka)
    img(g, "IMAGE_RAMKA_LEFT", ui + "board_side_left", U.ramka_side)
    img(g, "IMAGE_RAMKA_RIGHT", ui + "board_side_right", U.ramka_side)
    img(g, "IMAGE_SELECT", ui + "select", U.select_frame)
    img(g, "IMAGE_SHOP", "images/screens/shop", S.shop_screen)
    img(g, "IMAGE_SLIDER_THUMB", ui + "slider_thumb", U.slider_thumb)
    img(g, "IMAGE_SLIDER_TRACK", ui + "slider_track", U.slider_track)
    img(g, "IMAGE_SMBUTTON", ui + "button", lambda: U.button(140, 44, "normal"))
    img(g, "IMAGE_SMBUTTON100", ui + "button100", lambda: U.button(100, 40, "normal"))
    img(g, "IMAGE_SMBUTTON100_DISABLED", ui + "button100_disabled", lambda: U.button(100, 40, "disabled"))
    img(g, "IMAGE_SMBUTTON100_OVER", ui + "button100_over", lambda: U.button(100, 40, "over"))
    img(g, "IMAGE_SMBUTTON_DISABLED", ui + "button_disabled", lambda: U.button(140, 44, "disabled"))
    img(g, "IMAGE_SMBUTTON_DOWN", ui + "button_down", lambda: U.button(140, 44, "down"))
    img(g, "IMAGE_SMBUTTON_OVER", ui + "button_over", lambda: U.button(140, 44, "over"))
    img(g, "IMAGE_SMILE_OFF", ui + "lamp_smile_off", lambda: U.lamp((U.BASIL_L, U.BASIL), False, "circle"))
    img(g, "IMAGE_SMILE_ON", ui + "lamp_smile_on", lambda: U.lamp((U.BASIL_L, U.BASIL), True, "circle"))
    img(g, "IMAGE_SOLD", ui + "sold", U.sold)
    for k in ("empty", "full", "half"):
        img(g, "IMAGE_STAR_" + k.upper(), ui + "star_" + k, lambda k=k: U.star(k))
    img(g, "IMAGE_TIME_OFF", ui + "lamp_time_off", lambda: U.lamp((U.EMBER_L, U.EMBER), False, "diamond"))
    img(g, "IMAGE_TIME_ON", ui + "lamp_time_on", lambda: U.lamp((U.EMBER_L, U.EMBER), True, "diamond"))
    img(g, "IMAGE_TITLE", "images/screens/title", S.title_screen)
    img(g, "IMAGE_TITLE_BOX", ui + "title_box", lambda: U.panel(300, 260, False))
    img(g, "IMAGE_UNDER_SHOP_LINE", ui + "under_line", U.under_shop_line)
    img(g, "IMAGE_W_HINT", ui + "hint", U.hint_panel)
    img(g, "IMAGE_W_HINT_ARROW_LEFT", ui + "hint_arrow_left", lambda: U.hint_arrow("left"))
    img(g, "IMAGE_W_HINT_ARROW_LEFT_UP", ui + "hint_arrow_left_up", lambda: U.hint_arrow("left_up"))
    img(g, "IMAGE_W_HINT_ARROW_RIGHT", ui + "hint_arrow_right", lambda: U.hint_arrow("right"))
    img(g, "IMAGE_W_LEVEL_COMPLETE", ui + "levelcomplete_window",
        lambda: U.panel(640, S.MONITOR_H - 12, inner=("#35503a", "#1a2a1e"), celebrate=True, bottom_margin=12))
    for n, (w, h) in enumerate(((160, 70), (130, 60), (190, 80)), 1):
        img(g, "IM_BONUS_CLOUD%d" % n, "images/particles/cloud%d" % n, lambda w=w, h=h, n=n: S.cloud(w, h, n))
    img(g, "IM_BONUS_HART", "images/particles/heart", lambda: S.particle("heart"))
    img(g, "IM_BONUS_INSTR", "images/particles/hammer", lambda: S.particle("tools"))
    img(g, "IM_BONUS_PARTICLE1", "images/particles/sparkle", lambda: S.particle("sparkle"))
    img(g, "IM_BONUS_PARTICLE2", "images/particles/smoke", lambda: S.particle("smoke"))
    img(g, "IM_BONUS_PARTICLE3", "images/particles/pop", lambda: S.particle("pop"))

    for name in F.TOPPINGS:
        FILES.append(("images/gameplay/" + name, lambda n=name: F.topping(n)))
    for w in range(2, 6):
        for h in range(2, 6):
            FILES.append(("images/gameplay/pizza/%dx%d" % (w, h), lambda w=w, h=h: F.pizza(w, h)))
    for w, h in world.DISHES:
        FILES.append(("images/gameplay/pizza/%dx%dsmall" % (w, h), lambda w=w, h=h: F.small_pizza(w, h)))
    for n in range(1, 7):
        FILES.append(("images/gameplay/bg_pizzeria%d" % n, lambda n=n: S.kitchen_bg(n)))
        FILES.append(("images/gameplay/bg_pantry%d" % n, lambda n=n: S.pantry_bg(n)))
        FILES.append(("images/map/building%d" % n, lambda n=n: S.building(n)))
    for name in world.HUNT_OBJECTS:
        FILES.append(("images/objects/" + name, lambda n=name: S.hunt_object(n)))
    for name in world.CUSTOMERS:
        for pose in P.POSES:
            FILES.append(("images/persons/%s/%s" % (name, pose), lambda n=name, p=pose: P.person(n, p)))
    FILES.append(("images/logos/studio", S.studio_logo))
    FILES.append(("images/logos/gamelogo", lambda: S.logo(520, 200)))
    FILES.append(("images/logos/gamelogo_small", lambda: S.logo(300, 116)))


SOUNDS_TITLE = ["SOUND_CONTINUE"]
SOUNDS_GAME = ["SOUND_APPEAR_BOMB", "SOUND_APPEAR_ICECREAM", "SOUND_BOMB", "SOUND_BUY", "SOUND_CLICK",
               "SOUND_COFFEE_READY", "SOUND_EXPERT_GOAL", "SOUND_GET_MONEY", "SOUND_GIVE_COFFEE",
               "SOUND_LEVEL_COMPLETE", "SOUND_LEVEL_FAILED", "SOUND_LIGHTING", "SOUND_LM_WORKING", "SOUND_MAIN_GOAL",
               "SOUND_MATCH", "SOUND_MATCH4", "SOUND_MATCH5", "SOUND_MOVE", "SOUND_NEW_PERSON", "SOUND_PERSON_ANGRY",
               "SOUND_PERSON_GOT_FOOD", "SOUND_PERSON_LEAVE", "SOUND_PERSON_WANT_FOOD", "SOUND_PIZZA_READY",
               "SOUND_PUT_PIZZA", "SOUND_SELECT", "SOUND_TAKE_ICECREEM", "SOUND_TAKE_LM", "SOUND_TAKE_PIZZA",
               "SOUND_TIME_IS_UP"]
FONTS = [("FONT_BUTTON", "fonts/button.txt"), ("FONT_BUTTON_SMALL", "fonts/button_small.txt"),
         ("FONT_DEFAULT", "fonts/default.txt"), ("FONT_DEFAULT_BLUE", "fonts/default_blue.txt"),
         ("FONT_SIMPLE", "fonts/simple.txt"), ("FONT_TEST", "fonts/test.txt")]


def manifest():
    out = ['<?xml version="1.0" encoding="utf-8"?>',
           "<!-- Ember Cook resources (generated by content/gen/art.py). Image paths carry no extension. -->",
           "<ResourceManifest>"]
    for group in ("Init", "TitleScreen", "Game"):
        out.append('  <Resources id="%s">' % group)
        if group == "Init":
            for rid, p in FONTS:
                out.append('    <Font id="%s" path="%s"/>' % (rid, p))
        for g, rid, p, _, extra in RES:
            if g == group:
                out.append('    <Image id="%s" path="%s"%s/>' % (rid, p, " " + extra if extra else ""))
        for sid in (SOUNDS_TITLE if group == "TitleScreen" else SOUNDS_GAME if group == "Game" else []):
            out.append('    <Sound id="%s" path="sounds/%s"/>' % (sid, sid[6:].lower()))
        out.append("  </Resources>")
    out.append("</ResourceManifest>")
    return "\n".join(out) + "\n"


def render(job):
    path, make, datadir, svgdir = job
    svg_path = os.path.join(svgdir, path + ".svg")
    png_path = os.path.join(datadir, path + ".png")
    os.makedirs(os.path.dirname(svg_path), exist_ok=True)
    os.makedirs(os.path.dirname(png_path), exist_ok=True)
    with open(svg_path, "w") as f:
        f.write(make().text())
    r = subprocess.run(["rsvg-convert", "-o", png_path, svg_path], capture_output=True, text=True)
    if r.returncode != 0:
        return "%s: %s" % (svg_path, r.stderr.strip())
    return None


def main():
    args = sys.argv[1:]
    jobs = 2
    if "--jobs" in args:
        i = args.index("--jobs")
        jobs = int(args[i + 1])
        del args[i:i + 2]
    if len(args) != 2:
        sys.exit("usage: art.py DATADIR SVGDIR [--jobs N]")
    datadir, svgdir = args
    build_list()
    work = [(p, m, datadir, svgdir) for _, _, p, m, _ in RES] + [(p, m, datadir, svgdir) for p, m in FILES]
    with concurrent.futures.ThreadPoolExecutor(max_workers=jobs) as pool:
        errors = [e for e in pool.map(render, work) if e]
    if errors:
        sys.exit("art.py: rsvg-convert failed:\n" + "\n".join(errors))
    os.makedirs(os.path.join(datadir, "properties"), exist_ok=True)
    with open(os.path.join(datadir, "properties", "resources.xml"), "w") as f:
        f.write(manifest())
    os.makedirs(os.path.join(datadir, "characters"), exist_ok=True)
    for name in world.CUSTOMERS:
        with open(os.path.join(datadir, "characters", name + "_anime.xml"), "w") as f:
            f.write(P.anime_xml(name))
    print("art.py: %d pictures" % len(work))


if __name__ == "__main__":
    main()
