#!/usr/bin/env python3
"""Composes a page of the skin roughly as the program paints it, to look at the
artwork with its captions without running the program.

    python3 tools/skingen/preview.py [--skin DIR] [--lang en|cn]
                                     [--page main|advanced|color|menu|warning]
                                     [--hover N] out.png

The default settings of profile 1 are shown (buttons Left/Right/Middle/
Forward/Back/DPI, all DPI stages on, stage 1 active). Fonts are stand-ins for
the program's Consolas and SimSun.
"""

import argparse
import os
import sys

from PIL import Image, ImageDraw, ImageFont

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import skin_description as D  # noqa: E402

MONO = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"
WHITE, YELLOW, RED, GREY = (255, 255, 255), (255, 255, 0), (255, 0, 0), (128, 128, 128)


def read_layout(path):
    text = open(path, "rb").read().decode("utf-16")
    sections, current = {}, None
    for line in text.splitlines():
        if line.startswith("["):
            current = sections.setdefault(line.strip("[]"), {})
        elif "=" in line and current is not None:
            k, v = line.split("=", 1)
            current[int(k)] = v
    return sections


def entries(section, count):
    out = []
    for i in range(count):
        f = (section.get(i, "") + ",,,,,,").split(",")
        out.append(((int(f[0] or 0), int(f[1] or 0), int(f[2] or 0), int(f[3] or 0)), f[4]))
    return out


def band(target, source, rect):
    x, y, w, h = rect
    if w > 0 and h > 0:
        target.paste(source.crop((x, y, x + w, y + h)), (x, y))


def text_font(lang, size=13):
    return ImageFont.truetype(MONO if lang == "en" else D.FONTS["cjk"], size)


def centred(draw, rect, text, fnt, colour):
    x, y, w, h = rect
    l, t, r, b = draw.textbbox((0, 0), text, font=fnt)
    draw.text((x + (w - (r - l)) // 2 - l, y + (h - (b - t)) // 2 - t), text, font=fnt, fill=colour)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    p = argparse.ArgumentParser()
    p.add_argument("--skin", default=os.path.join(here, "..", "..", "data", "skins"))
    p.add_argument("--lang", default="en", choices=("en", "cn"))
    p.add_argument("--page", default="main",
                   choices=("main", "advanced", "color", "menu", "warning"))
    p.add_argument("--hover", type=int, default=255)
    p.add_argument("out")
    a = p.parse_args()
    skin = a.skin
    folder, suffix = ("INI_EN", "_en") if a.lang == "en" else ("INI_CN", "")
    load = lambda name: Image.open(os.path.join(skin, name)).convert("RGB")  # noqa: E731
    fnt = text_font(a.lang)
    main_ini = read_layout(os.path.join(skin, folder, f"skin_main{suffix}.ini"))
    labels = main_ini["FUN_STRING"]

    if a.page in ("menu", "warning"):
        if a.page == "menu":
            img = load("menu_normal.jpg")
            ih = img.size[1] // 10
            if a.hover != 255:
                band(img, load("menu_over.jpg"), (0, (a.hover - 1) * ih, img.size[0], ih))
            d = ImageDraw.Draw(img)
            for row in range(1, 11):
                centred(d, (0, (row - 1) * ih, img.size[0], ih), labels[row], fnt,
                        RED if row == a.hover else WHITE)
        else:
            warn = entries(read_layout(os.path.join(
                skin, folder, f"LBWarning{suffix}.ini"))["BUTTONPOS"], 3)
            img = load("warning_normal.jpg")
            if a.hover in (1, 2):
                band(img, load("warning_over.jpg"), warn[a.hover - 1][0])
            d = ImageDraw.Draw(img)
            for rect, caption in warn:
                centred(d, rect, caption, fnt, RED)
        img.save(a.out)
        return 0

    main_entries = entries(main_ini["BUTTONPOS"], 99)
    names = {"main": ("main_normal.jpg", "main_over.jpg", "main_down.jpg"),
             "advanced": ("advanced_normal.jpg", "advanced_over.jpg", "advanced_down.jpg"),
             "color": ("color_normal_pink.jpg", "color_over_red.jpg", "color_down_purple.jpg")}
    normal, over, down = (load(n) for n in names[a.page])
    hover_main = a.hover if a.page == "main" else 255
    page_entries = main_entries
    if a.page == "advanced":
        page_entries = entries(read_layout(os.path.join(
            skin, folder, f"skin_advance{suffix}.ini"))["BUTTONPOS"], 51)
    elif a.page == "color":
        page_entries = entries(read_layout(os.path.join(
            skin, folder, f"skin_color{suffix}.ini"))["BUTTONPOS"], 13)
    if a.hover != 255 and a.hover < len(page_entries):
        band(normal, over, page_entries[a.hover][0])

    if a.page == "main":
        band(normal, down, main_entries[80][0])
        slider = load("dpi_slider.jpg")
        for n, value in enumerate((0, 1, 2, 4)):
            x, y, w, h = main_entries[60 + 5 * n + value][0]
            normal.paste(slider.crop((0, 0, w, h)), (x, y))
            band(normal, down, main_entries[46 + n][0])
        band(normal, down, main_entries[41][0])
        band(normal, down, main_entries[36][0])
        if 25 <= hover_main <= 30:
            band(normal, over, main_entries[hover_main + 65][0])
    elif a.page == "advanced":
        for i in (8 + 4, 18 + 2, 7):
            band(normal, down, page_entries[i][0])
        x, y, w, h = page_entries[30][0]
        band(normal, down, (x, y, 50 * w // 300, h))
    else:
        band(normal, down, page_entries[0][0])
    tab = {"main": 9, "advanced": 10, "color": 11}[a.page]
    for i in range(20):
        if i == 4 or i == tab or (i == 18 and a.lang == "en") or (i == 17 and a.lang == "cn"):
            band(normal, down, main_entries[i][0])

    d = ImageDraw.Draw(normal)
    defaults = {25: 1, 26: 2, 27: 3, 28: 5, 29: 4, 30: 6}
    slots = {"main": 54, "advanced": 71, "color": 33}[a.page]
    small = text_font(a.lang, 10 if a.lang == "en" else 12)
    for i in range(slots):
        if a.page == "main" and 25 <= i <= 30:
            x, y, w, h = main_entries[i][0]
            text = labels[defaults[i]]
            l, t, r, b = d.textbbox((0, 0), text, font=fnt)
            d.text((x + 5 - l, y + (h - (b - t)) // 2 - t), text, font=fnt,
                   fill=RED if i == hover_main else WHITE)
        elif i < 20 or a.page == "main":
            colour = YELLOW if i == 1 else WHITE
            f = fnt
            if a.page == "main" and 50 <= i <= 53:
                colour, f = RED, small
            centred(d, main_entries[i][0], main_entries[i][1], f, colour)
        elif a.page == "advanced":
            rect, caption = page_entries[i - 20]
            caption = {4: "Record" if a.lang == "en" else "录制", 43: "[↓]3", 44: "[↑]3",
                       33: "50ms"}.get(i - 20, caption)
            centred(d, rect, caption, fnt, RED if i - 20 == a.hover else WHITE)
        else:
            rect, caption = page_entries[i - 20]
            centred(d, rect, "1200" if i - 20 == 9 else caption, fnt, WHITE)
    mask = load("main_mask.jpg").convert("L").point(lambda v: 255 if v <= 100 else 0)
    out = Image.new("RGB", normal.size, (255, 0, 255))
    out.paste(normal, (0, 0), mask)
    out.save(a.out)
    return 0


if __name__ == "__main__":
    sys.exit(main())
