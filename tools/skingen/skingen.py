#!/usr/bin/env python3
"""Writes the shipped skin from skin_description.py.

    python3 tools/skingen/skingen.py [--out DIR] [--check]

DIR defaults to data/skins of the repository. The layout files of both
languages are written as UTF-16LE with a BOM and CRLF line ends; the pictures
as RGB JPEG (and the warning dialog's mask as a 24-bit BMP). --check writes
into a temporary folder and compares with DIR, exiting 1 when they differ.
Needs Pillow (tools/skingen/install-deps.sh).
"""

import argparse
import filecmp
import os
import sys
import tempfile

from PIL import Image, ImageDraw, ImageFilter, ImageFont

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import skin_description as D  # noqa: E402

P = D.PALETTE

# Layout files: (folder, name) per language and page.
LAYOUT_FILES = {
    "en": {"main": "INI_EN/skin_main_en.ini", "color": "INI_EN/skin_color_en.ini",
           "advance": "INI_EN/skin_advance_en.ini", "warning": "INI_EN/LBWarning_en.ini"},
    "cn": {"main": "INI_CN/skin_main.ini", "color": "INI_CN/skin_color.ini",
           "advance": "INI_CN/skin_advance.ini", "warning": "INI_CN/LBWarning.ini"},
}

ENTRY_COUNTS = {"main": 99, "advance": 51, "color": 13, "warning": 3}
# Last entry index that takes part in hit tests, per table.
HIT_RANGES = {"main": 79, "advance": 37, "color": 4, "warning": 1}
# Entries that lie inside another on purpose (the active-stage marks sit in
# the circles of the stage buttons; only the circles are hit).
VALUE_BUFFER = 259


# ================================================================= layout files
def caption_of(entry, lang):
    return entry.en if lang == "en" else entry.caption_cn


def layout_value(entry, lang):
    x, y, w, h = entry.rect
    return f"{x},{y},{w},{h},{caption_of(entry, lang)},,"


def rect_value(rect):
    x, y, w, h = rect
    return f"{x},{y},{w},{h},,,"


def ini_text(sections):
    lines = []
    for name, items in sections:
        lines.append(f"[{name}]")
        lines.extend(f"{k}={v}" for k, v in items)
        lines.append("")
    return "\r\n".join(lines)


def write_utf16(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(b"\xff\xfe" + text.encode("utf-16-le"))


def buttonpos(table, count, lang):
    return [(str(i), layout_value(table[i], lang)) for i in range(count)]


def layout_files(lang):
    labels = [(str(k), D.LABELS[k][0 if lang == "en" else 1]) for k in range(1, 55)]
    return {
        "main": [("BUTTONPOS", buttonpos(D.MAIN, 99, lang)), ("FUN_STRING", labels)],
        "color": [("BUTTONPOS", buttonpos(D.COLOR, 13, lang))],
        "advance": [("BUTTONPOS", buttonpos(D.ADVANCED, 51, lang)),
                    ("EDIT", [(str(k), rect_value(r)) for k, r in sorted(D.EDIT.items())]),
                    ("MACRODISPLAY",
                     [(str(k), rect_value(r)) for k, r in sorted(D.MACRODISPLAY.items())])],
        "warning": [("BUTTONPOS", buttonpos(D.WARNING, 3, lang))],
    }


# ================================================================= checks
def check_description():
    problems = []
    tables = {"main": D.MAIN, "advance": D.ADVANCED, "color": D.COLOR, "warning": D.WARNING}
    sizes = {"main": D.PAGE_SIZE, "advance": D.PAGE_SIZE, "color": D.PAGE_SIZE,
             "warning": D.WARNING_SIZE}
    for name, table in tables.items():
        count = ENTRY_COUNTS[name]
        if sorted(table) != list(range(count)):
            problems.append(f"{name}: entries must be exactly 0..{count - 1}")
            continue
        width, height = sizes[name]
        for i, e in table.items():
            x, y, w, h = e.rect
            if e.style != "none" and (x < 0 or y < 0 or w <= 0 or h <= 0 or
                                      x + w > width or y + h > height):
                problems.append(f"{name} {i}: {e.rect} outside {width}x{height}")
            for lang in ("en", "cn"):
                text = caption_of(e, lang)
                if "," in text or text != text.strip() or "\n" in text:
                    problems.append(f"{name} {i}: caption {text!r} has a comma or edge blanks")
                if len(layout_value(e, lang)) > VALUE_BUFFER:
                    problems.append(f"{name} {i}: value longer than {VALUE_BUFFER}")
        # Hit-tested entries of one page must not overlap (the frame included).
        hit = [(i, table[i]) for i in range(HIT_RANGES[name] + 1)]
        if name in ("advance", "color"):
            hit += [(f"frame {i}", D.FRAME[i]) for i in range(20)]
        for a in range(len(hit)):
            for b in range(a + 1, len(hit)):
                if overlaps(hit[a][1].rect, hit[b][1].rect):
                    problems.append(f"{name}: {hit[a][0]} and {hit[b][0]} overlap")
    for k in range(1, 55):
        for text in D.LABELS[k]:
            if not text or "," in text or text != text.strip():
                problems.append(f"label {k}: {text!r}")
    for rect in list(D.EDIT.values()) + list(D.MACRODISPLAY.values()):
        x, y, w, h = rect
        if x < 0 or y < 0 or x + w > D.PAGE_SIZE[0] or y + h > D.PAGE_SIZE[1]:
            problems.append(f"control {rect} outside the page")
        # A control over an entry would take its clicks.
        for i in range(HIT_RANGES["advance"] + 1):
            if overlaps(rect, D.ADVANCED[i].rect):
                problems.append(f"control {rect} covers advanced entry {i}")
        for i in range(20):
            if overlaps(rect, D.FRAME[i].rect):
                problems.append(f"control {rect} covers frame entry {i}")
    return problems


def overlaps(r1, r2):
    x1, y1, w1, h1 = r1
    x2, y2, w2, h2 = r2
    if w1 <= 0 or h1 <= 0 or w2 <= 0 or h2 <= 0:
        return False
    return x1 < x2 + w2 and x2 < x1 + w1 and y1 < y2 + h2 and y2 < y1 + h1


# ================================================================= drawing helpers
_font_cache = {}


def font(kind, size):
    key = (kind, size)
    if key not in _font_cache:
        _font_cache[key] = ImageFont.truetype(D.FONTS[kind], size)
    return _font_cache[key]


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def vgradient(img, box, top, bottom, radius=0):
    """Fills box (x0, y0, x1, y1 inclusive-exclusive) with a vertical gradient."""
    x0, y0, x1, y1 = box
    h = max(1, y1 - y0)
    layer = Image.new("RGB", (x1 - x0, h))
    d = ImageDraw.Draw(layer)
    for row in range(h):
        d.line([(0, row), (x1 - x0 - 1, row)], fill=mix(top, bottom, row / max(1, h - 1)))
    mask = Image.new("L", layer.size, 0)
    ImageDraw.Draw(mask).rounded_rectangle([0, 0, layer.size[0] - 1, h - 1], radius, fill=255)
    img.paste(layer, (x0, y0), mask)


def hgradient(img, box, left, right):
    x0, y0, x1, y1 = box
    d = ImageDraw.Draw(img)
    w = max(1, x1 - x0)
    for col in range(w):
        d.line([(x0 + col, y0), (x0 + col, y1 - 1)], fill=mix(left, right, col / max(1, w - 1)))


def box_of(rect):
    x, y, w, h = rect
    return (x, y, x + w, y + h)


def centred_text(draw, centre, text, fnt, fill):
    l, t, r, b = draw.textbbox((0, 0), text, font=fnt)
    draw.text((centre[0] - (r - l) / 2 - l, centre[1] - (b - t) / 2 - t), text, font=fnt, fill=fill)


def panel(img, box, title_bar=False):
    d = ImageDraw.Draw(img)
    x0, y0, x1, y1 = box
    d.rounded_rectangle([x0, y0, x1 - 1, y1 - 1], 6, fill=P["panel"], outline=P["panel_border"])
    if title_bar:
        hgradient(img, (x0 + 8, y0 + 30, x0 + 80, y0 + 32), P["red"], P["panel"])


# ================================================================= entry styles
def raised(img, rect, state, kind="button"):
    x0, y0, x1, y1 = box_of(rect)
    if kind == "accent":
        colours = {"normal": (P["accent_top"], P["accent_bottom"], P["red"]),
                   "over": (mix(P["accent_top"], P["red"], 0.45), P["accent_bottom"], P["red_border"]),
                   "down": (P["down_top"], P["down_bottom"], P["red_border"])}
    else:
        colours = {"normal": (P["button_top"], P["button_bottom"], P["button_border"]),
                   "over": (P["over_top"], P["over_bottom"], P["cyan"]),
                   "down": (P["down_top"], P["down_bottom"], P["red_border"])}
    top, bottom, border = colours[state]
    vgradient(img, (x0, y0, x1, y1), border, border, radius=5)
    vgradient(img, (x0 + 1, y0 + 1, x1 - 1, y1 - 1), top, bottom, radius=4)
    if state != "down":  # a thin light line along the top edge
        ImageDraw.Draw(img).line([(x0 + 5, y0 + 1), (x1 - 6, y0 + 1)],
                                 fill=mix(top, (255, 255, 255), 0.12))


def style_button(img, e, state, ctx):
    raised(img, e.rect, state)


def style_accent(img, e, state, ctx):
    raised(img, e.rect, state, "accent")


def style_tab(img, e, state, ctx):
    x0, y0, x1, y1 = box_of(e.rect)
    d = ImageDraw.Draw(img)
    if state == "normal":
        vgradient(img, (x0, y0, x1, y1), (30, 33, 41), P["header"], radius=4)
    elif state == "over":
        vgradient(img, (x0, y0, x1, y1), P["over_top"], (30, 34, 42), radius=4)
        d.line([(x0 + 4, y1 - 2), (x1 - 5, y1 - 2)], fill=P["cyan"], width=2)
    else:
        vgradient(img, (x0, y0, x1, y1), (52, 24, 30), (30, 18, 22), radius=4)
        d.line([(x0 + 2, y1 - 3), (x1 - 3, y1 - 3)], fill=P["red"], width=3)


def _icon_background(img, e, state, down_colour):
    x0, y0, x1, y1 = box_of(e.rect)
    d = ImageDraw.Draw(img)
    if state == "over":
        d.rounded_rectangle([x0, y0, x1 - 1, y1 - 1], 4, fill=(58, 64, 78))
    elif state == "down":
        d.rounded_rectangle([x0, y0, x1 - 1, y1 - 1], 4, fill=down_colour)
    return d, (x0 + x1) // 2, (y0 + y1) // 2, (P["white"] if state != "normal" else P["decor_text"])


def style_icon_min(img, e, state, ctx):
    d, cx, cy, colour = _icon_background(img, e, state, (80, 88, 104))
    d.line([(cx - 7, cy + 5), (cx + 7, cy + 5)], fill=colour, width=2)


def style_icon_close(img, e, state, ctx):
    d, cx, cy, colour = _icon_background(img, e, state, P["down_top"])
    d.line([(cx - 6, cy - 6), (cx + 6, cy + 6)], fill=colour, width=2)
    d.line([(cx - 6, cy + 6), (cx + 6, cy - 6)], fill=colour, width=2)


def style_link(img, e, state, ctx):
    x0, y0, x1, y1 = box_of(e.rect)
    d = ImageDraw.Draw(img)
    colour = {"normal": (0, 110, 150), "over": P["cyan"], "down": P["red"]}[state]
    d.line([(x0 + 20, y1 - 3), (x1 - 21, y1 - 3)], fill=colour, width=1)
    # a small globe before the caption
    cx, cy = x0 + 10, (y0 + y1) // 2
    d.ellipse([cx - 7, cy - 7, cx + 7, cy + 7], outline=colour, width=1)
    d.ellipse([cx - 3, cy - 7, cx + 3, cy + 7], outline=colour, width=1)
    d.line([(cx - 7, cy), (cx + 7, cy)], fill=colour)


def style_field(img, e, state, ctx):
    x0, y0, x1, y1 = box_of(e.rect)
    d = ImageDraw.Draw(img)
    border = {"normal": P["inset_border"], "over": P["cyan"], "down": P["red_border"]}[state]
    fill = P["inset"] if state != "down" else (34, 14, 18)
    d.rounded_rectangle([x0, y0, x1 - 1, y1 - 1], 4, fill=fill, outline=border)
    ax, ay = x1 - 16, (y0 + y1) // 2
    arrow = P["decor_text"] if state == "normal" else border
    d.polygon([(ax - 5, ay - 2), (ax + 5, ay - 2), (ax, ay + 4)], fill=arrow)
    d.line([(x1 - 30, y0 + 5), (x1 - 30, y1 - 6)], fill=(36, 40, 50))


def _check_box(img, box, state):
    x0, y0, x1, y1 = box
    d = ImageDraw.Draw(img)
    if state == "down":
        d.rounded_rectangle([x0, y0, x1 - 1, y1 - 1], 3, fill=P["red"], outline=P["red_border"])
        w = x1 - x0
        d.line([(x0 + w * 0.22, y0 + w * 0.52), (x0 + w * 0.42, y0 + w * 0.72),
                (x0 + w * 0.78, y0 + w * 0.3)], fill=(255, 255, 255), width=2)
    else:
        border = P["cyan"] if state == "over" else P["inset_border"]
        d.rounded_rectangle([x0, y0, x1 - 1, y1 - 1], 3, fill=P["inset"], outline=border)


def style_check(img, e, state, ctx):
    _check_box(img, box_of(e.rect), state)


def style_check_left(img, e, state, ctx):
    x0, y0, x1, y1 = box_of(e.rect)
    d = ImageDraw.Draw(img)
    if state == "over":
        d.rounded_rectangle([x0, y0, x1 - 1, y1 - 1], 4, outline=(40, 90, 120))
    size = 16
    top = (y0 + y1 - size) // 2
    _check_box(img, (x0 + 6, top, x0 + 6 + size, top + size), state)


def style_radio(img, e, state, ctx):
    x0, y0, x1, y1 = box_of(e.rect)
    d = ImageDraw.Draw(img)
    ring = {"normal": P["inset_border"], "over": P["cyan"], "down": P["red_border"]}[state]
    d.ellipse([x0, y0, x1 - 1, y1 - 1], fill=P["inset"], outline=ring, width=2)


def style_mark(img, e, state, ctx):
    if state != "down":
        return
    x0, y0, x1, y1 = box_of(e.rect)
    d = ImageDraw.Draw(img)
    d.ellipse([x0, y0, x1 - 1, y1 - 1], fill=P["red"])
    d.ellipse([x0 + 3, y0 + 3, x0 + 6, y0 + 6], fill=(255, 150, 150))


def style_step(img, e, state, ctx):
    x0, y0, x1, y1 = box_of(e.rect)
    d = ImageDraw.Draw(img)
    d.rectangle([x0, y0, x1 - 1, y1 - 1], fill=P["track_bg"])
    cy = (y0 + y1) // 2
    d.line([(x0, cy), (x1 - 1, cy)], fill=P["track"], width=2)
    cx = (x0 + x1) // 2
    tick = {"normal": P["track"], "over": P["cyan"], "down": P["red"]}[state]
    d.line([(cx, cy - 6), (cx, cy + 6)], fill=tick, width=2)
    if state == "over":
        d.rounded_rectangle([x0 + 2, y0 + 1, x1 - 3, y1 - 2], 4, outline=(30, 80, 110))


def style_segment(img, e, state, ctx):
    x0, y0, x1, y1 = box_of(e.rect)
    colours = {"normal": ((52, 57, 68), (38, 42, 51)), "over": ((0, 150, 210), (0, 96, 140)),
               "down": (P["down_top"], P["down_bottom"])}
    top, bottom = colours[state]
    vgradient(img, (x0, y0, x1, y1), top, bottom, radius=3)


def style_bar(img, e, state, ctx):
    x0, y0, x1, y1 = box_of(e.rect)
    d = ImageDraw.Draw(img)
    if state == "down":
        hgradient(img, (x0, y0, x1, y1), P["down_bottom"], P["red"])
        d.rectangle([x0, y0, x1 - 1, y1 - 1], outline=P["red_border"])
    else:
        border = P["cyan"] if state == "over" else P["inset_border"]
        d.rectangle([x0, y0, x1 - 1, y1 - 1], fill=P["inset"], outline=border)
        for i in range(1, 6):  # ticks every 50 ms
            tx = x0 + (x1 - x0) * i // 6
            d.line([(tx, y1 - 5), (tx, y1 - 2)], fill=(50, 56, 68))


def style_value(img, e, state, ctx):
    x0, y0, x1, y1 = box_of(e.rect)
    border = P["cyan"] if state == "over" else P["inset_border"]
    ImageDraw.Draw(img).rounded_rectangle([x0, y0, x1 - 1, y1 - 1], 4, fill=P["inset"],
                                          outline=border)


def style_header(img, e, state, ctx):
    x0, y0, x1, y1 = box_of(e.rect)
    hgradient(img, (x0, y1 - 2, x1, y1), P["red"], P["panel"])


def style_caption(img, e, state, ctx):
    pass


def style_none(img, e, state, ctx):
    pass


def style_badge(img, e, state, ctx):
    x0, y0, x1, y1 = box_of(e.rect)
    d = ImageDraw.Draw(img)
    if state == "over":
        d.ellipse([x0, y0, x1 - 1, y1 - 1], fill=(0, 120, 170), outline=P["cyan"], width=2)
        colour = (255, 255, 255)
    else:
        d.ellipse([x0, y0, x1 - 1, y1 - 1], fill=(40, 44, 54), outline=(80, 88, 104), width=2)
        colour = P["decor_text"]
    centred_text(d, ((x0 + x1) / 2, (y0 + y1) / 2), e.en, font("latin_bold", 12), colour)


def style_message(img, e, state, ctx):
    pass


def style_preview(img, e, state, ctx):
    draw_preview_mouse(img, box_of(e.rect), ctx.get("led"))


STYLES = {name[len("style_"):]: fn for name, fn in globals().items() if name.startswith("style_")}


# ================================================================= artwork
def background(size):
    img = Image.new("RGB", size)
    vgradient(img, (0, 0, size[0], size[1]), P["bg_top"], P["bg_bottom"])
    return img


def draw_logo(img):
    d = ImageDraw.Draw(img)
    # a stylised mouse-cursor mark
    d.polygon([(20, 16), (20, 44), (27, 37), (33, 48), (37, 46), (31, 35), (41, 35)],
              fill=P["red"])
    d.text((50, 14), "ZELVAN", font=font("latin_bold", 22), fill=P["white"])
    d.text((52, 40), "泽凡  GAMING", font=font("cjk", 11), fill=P["decor_text"])


def draw_frame(img):
    w, h = img.size
    d = ImageDraw.Draw(img)
    vgradient(img, (0, 0, w, 60), (30, 32, 40), P["header"])
    hgradient(img, (0, 60, w, 62), P["red"], (40, 16, 20))
    draw_logo(img)
    panel(img, (8, 68, 152, 540))
    d.line([(20, 304), (140, 304)], fill=P["panel_border"])
    d.line([(20, 436), (140, 436)], fill=P["panel_border"])
    # bottom bar
    d.line([(8, 548), (w - 9, 548)], fill=P["panel_border"])
    d.rounded_rectangle([0, 0, w - 1, h - 1], 16, outline=P["outline"], width=1)


def draw_mouse_outline(d, box, body, edge):
    x0, y0, x1, y1 = box
    d.rounded_rectangle([x0, y0, x1, y1], (x1 - x0) // 2, fill=body, outline=edge, width=2)


def draw_layout_diagram(img):
    """The main page's mouse seen from above, with the numbers of its buttons."""
    d = ImageDraw.Draw(img)
    x0, y0, x1, y1 = 516, 112, 612, 300
    draw_mouse_outline(d, (x0, y0, x1, y1), (34, 38, 47), (90, 98, 116))
    cx = (x0 + x1) // 2
    d.line([(cx, y0 + 2), (cx, y0 + 78)], fill=(90, 98, 116), width=2)      # button split
    d.line([(x0 + 4, y0 + 80), (x1 - 4, y0 + 80)], fill=(60, 66, 80), width=1)
    d.rounded_rectangle([cx - 6, y0 + 22, cx + 6, y0 + 52], 5, fill=(20, 22, 28),
                        outline=(120, 128, 146))                              # wheel
    d.rounded_rectangle([cx - 5, y0 + 60, cx + 5, y0 + 72], 3, fill=(60, 30, 36),
                        outline=P["red"])                                     # DPI button
    d.rounded_rectangle([x0 - 5, y0 + 92, x0 + 3, y0 + 116], 3, fill=(52, 57, 68),
                        outline=(120, 128, 146))                              # forward
    d.rounded_rectangle([x0 - 5, y0 + 122, x0 + 3, y0 + 146], 3, fill=(52, 57, 68),
                        outline=(120, 128, 146))                              # back
    hgradient(img, (x0 + 20, y1 - 22, x1 - 20, y1 - 19), (40, 16, 20), P["red"])

    def badge(pos, number, anchor):
        bx, by = pos
        d.line([anchor, (bx, by)], fill=(70, 76, 92))
        d.ellipse([bx - 9, by - 9, bx + 9, by + 9], fill=(40, 44, 54), outline=(110, 118, 136))
        centred_text(d, (bx, by), number, font("latin_bold", 11), P["white"])

    badge((x0 + 18, y0 + 40), "1", (x0 + 18, y0 + 40))
    badge((x1 - 18, y0 + 40), "2", (x1 - 18, y0 + 40))
    badge((cx + 26, y0 + 12), "3", (cx + 4, y0 + 30))
    badge((x1 + 10, y0 + 66), "6", (cx + 5, y0 + 66))
    badge((x0 - 20, y0 + 90), "4", (x0 - 4, y0 + 104))
    badge((x0 - 20, y0 + 150), "5", (x0 - 4, y0 + 134))


def draw_dpi_scale(img):
    d = ImageDraw.Draw(img)
    first = D._DPI_STEP_X + D.DPI_STEP[0] // 2
    last = D._DPI_STEP_X + 4 * D._DPI_STEP_PITCH + D.DPI_STEP[0] // 2
    for n in range(4):
        cy = D._DPI_ROW_Y + n * D._DPI_ROW_STEP + D.DPI_STEP[1] // 2
        d.line([(first, cy), (last, cy)], fill=P["track"], width=2)
        colour = D.LED_COLOURS[D.STAGE_COLOURS[n]]
        d.ellipse([322, cy - 4, 330, cy + 4], fill=colour)
    for pos, label in enumerate(D.DPI_POSITION_LABELS):
        cx = D._DPI_STEP_X + pos * D._DPI_STEP_PITCH + D.DPI_STEP[0] // 2
        centred_text(d, (cx, 381), label, font("latin_bold", 11), P["decor_text"])


def draw_main_decor(img):
    panel(img, (166, 68, 476, 330))
    panel(img, (484, 68, 636, 330))
    panel(img, (642, 68, 786, 330))
    d = ImageDraw.Draw(img)
    d.line([(652, 176), (776, 176)], fill=P["panel_border"])
    panel(img, (166, 336, 786, 538))
    d.rectangle([330, 394, 690, 532], fill=P["track_bg"])
    draw_layout_diagram(img)
    draw_dpi_scale(img)


def draw_control_frame(img, rect):
    x0, y0, x1, y1 = box_of(rect)
    d = ImageDraw.Draw(img)
    d.rectangle([x0 - 2, y0 - 2, x1 + 1, y1 + 1], outline=P["inset_border"])
    d.rectangle([x0 - 1, y0 - 1, x1, y1], fill=(0, 0, 0))


def draw_advanced_decor(img):
    panel(img, (166, 68, 566, 538))
    panel(img, (576, 68, 786, 420))
    for rect in list(D.EDIT.values()) + list(D.MACRODISPLAY.values()):
        draw_control_frame(img, rect)
    d = ImageDraw.Draw(img)
    d.line([(586, 178), (774, 178)], fill=P["panel_border"])
    d.line([(586, 262), (774, 262)], fill=P["panel_border"])
    d.line([(586, 382), (774, 382)], fill=P["panel_border"])


def draw_preview_mouse(img, box, led):
    """A large mouse with its light strip and logo lit in the LED colour."""
    x0, y0, x1, y1 = box
    d = ImageDraw.Draw(img)
    d.rectangle([x0, y0, x1 - 1, y1 - 1], fill=(14, 15, 19))
    mx0, my0, mx1, my1 = x0 + 80, y0 + 24, x1 - 80, y1 - 24
    if led is not None:
        glow = Image.new("RGB", (x1 - x0, y1 - y0), (14, 15, 19))
        g = ImageDraw.Draw(glow)
        g.rounded_rectangle([mx0 - x0 - 10, my0 - y0 - 10, mx1 - x0 + 10, my1 - y0 + 10],
                            (mx1 - mx0) // 2 + 10, fill=mix((14, 15, 19), led, 0.55))
        glow = glow.filter(ImageFilter.GaussianBlur(14))
        img.paste(glow, (x0, y0))
    d = ImageDraw.Draw(img)
    draw_mouse_outline(d, (mx0, my0, mx1, my1), (30, 33, 41), (80, 88, 104))
    cx = (mx0 + mx1) // 2
    d.line([(cx, my0 + 2), (cx, my0 + 100)], fill=(80, 88, 104), width=2)
    d.rounded_rectangle([cx - 8, my0 + 30, cx + 8, my0 + 70], 7, fill=(18, 20, 25),
                        outline=(110, 118, 136))
    lit = led if led is not None else (46, 48, 54)
    # light strip around the lower body and the logo
    d.rounded_rectangle([mx0 + 14, my1 - 70, mx1 - 14, my1 - 14], 40, outline=lit, width=4)
    d.polygon([(cx, my0 + 150), (cx - 16, my0 + 180), (cx + 16, my0 + 180)], fill=lit)


def draw_color_decor(img):
    panel(img, (166, 68, 446, 326))
    panel(img, (166, 334, 446, 456))
    panel(img, (466, 68, 786, 496))
    d = ImageDraw.Draw(img)
    for n, (cx, cy) in enumerate(D.COLOR_LEGEND):
        colour = D.LED_COLOURS[D.STAGE_COLOURS[n]]
        d.ellipse([cx - 14, cy - 14, cx + 14, cy + 14], fill=colour, outline=(230, 230, 235))
        centred_text(d, (cx, cy), str(n + 1), font("latin_bold", 12), (255, 255, 255))


PAGE_DECOR = {"main": draw_main_decor, "advance": draw_advanced_decor,
              "color": draw_color_decor}
PAGE_TABLE = {"main": lambda: D.MAIN, "advance": lambda: D.ADVANCED, "color": lambda: D.COLOR}


def draw_entries(img, entries, state, ctx):
    for e in entries:
        if e.style not in STYLES:
            raise SystemExit(f"unknown style {e.style}")
        STYLES[e.style](img, e, state, ctx)


def page_picture(page, state, led=None):
    img = background(D.PAGE_SIZE)
    draw_frame(img)
    PAGE_DECOR[page](img)
    ctx = {"led": led}
    draw_entries(img, [D.FRAME[i] for i in range(20)], state, ctx)
    table = PAGE_TABLE[page]()
    first = 20 if page == "main" else 0
    # Radio circles before the marks inside them.
    order = sorted(range(first, len(table)), key=lambda i: (table[i].style == "mark", i))
    draw_entries(img, [table[i] for i in order], state, ctx)
    return img


def dpi_slider():
    w, h = D.DPI_STEP
    img = Image.new("RGB", (w, h), P["track_bg"])
    d = ImageDraw.Draw(img)
    cy = h // 2
    d.line([(0, cy), (w - 1, cy)], fill=P["red"], width=2)
    cx = w // 2
    d.rounded_rectangle([cx - 9, 2, cx + 9, h - 3], 5, fill=P["down_top"], outline=P["red_border"])
    for dx in (-4, 0, 4):
        d.line([(cx + dx, 8), (cx + dx, h - 9)], fill=(255, 170, 170))
    return img


def menu_picture(item, rows, state, arrows=()):
    w, ih = item
    img = Image.new("RGB", (w, ih * rows), (22, 25, 31))
    d = ImageDraw.Draw(img)
    for r in range(rows):
        top = r * ih
        if state == "normal":
            vgradient(img, (0, top, w, top + ih), (30, 34, 42), (22, 25, 31))
        elif state == "over":  # light, so the red text of the row reads well
            vgradient(img, (0, top, w, top + ih), (238, 242, 248), (194, 202, 214))
            d.rectangle([0, top, 3, top + ih - 1], fill=P["red"])
        else:
            vgradient(img, (0, top, w, top + ih), (255, 214, 216), (226, 168, 174))
            d.rectangle([0, top, 3, top + ih - 1], fill=P["down_bottom"])
        d.line([(6, top + ih - 1), (w - 7, top + ih - 1)], fill=(44, 49, 60))
        if r + 1 in arrows:
            ax, ay = w - 14, top + ih // 2
            d.polygon([(ax - 3, ay - 5), (ax - 3, ay + 5), (ax + 3, ay)],
                      fill=P["decor_text"] if state == "normal" else (60, 64, 74))
    d.rectangle([0, 0, w - 1, ih * rows - 1], outline=P["outline"])
    return img


def solid(size, colour=(0, 0, 0)):
    return Image.new("RGB", size, colour)


def rounded_mask(size, radius):
    img = Image.new("RGB", size, (255, 255, 255))
    ImageDraw.Draw(img).rounded_rectangle([0, 0, size[0] - 1, size[1] - 1], radius, fill=(0, 0, 0))
    return img


def warning_picture(state):
    img = background(D.WARNING_SIZE)
    w, h = D.WARNING_SIZE
    d = ImageDraw.Draw(img)
    hgradient(img, (0, 0, w, 4), P["red"], (60, 16, 20))
    cx = w // 2
    d.polygon([(cx, 10), (cx - 13, 33), (cx + 13, 33)], fill=(240, 180, 40))
    d.line([(cx, 17), (cx, 26)], fill=(20, 20, 20), width=3)
    d.point([(cx, 29), (cx + 1, 29), (cx, 30), (cx + 1, 30)], fill=(20, 20, 20))
    draw_entries(img, [D.WARNING[i] for i in range(3)], state, {})
    d.rounded_rectangle([0, 0, w - 1, h - 1], 10, outline=P["outline"])
    return img


# ================================================================= output
def save_jpeg(img, path, quality=None):
    assert img.mode == "RGB"
    img.save(path, "JPEG", quality=quality or D.JPEG_QUALITY, subsampling=0, optimize=True)


def pictures():
    """Every picture of the skin: name -> (image, format)."""
    out = {}
    for state in ("normal", "over", "down"):
        out[f"main_{state}.jpg"] = page_picture("main", state)
        out[f"advanced_{state}.jpg"] = page_picture("advance", state)
    out["color_normal_pink.jpg"] = page_picture("color", "normal", D.LED_COLOURS["pink"])
    out["color_over_red.jpg"] = page_picture("color", "over", D.LED_COLOURS["red"])
    out["color_down_purple.jpg"] = page_picture("color", "down", D.LED_COLOURS["purple"])
    out["color_over_blue.jpg"] = page_picture("color", "over", D.LED_COLOURS["blue"])
    out["color_normal_gray.jpg"] = page_picture("color", "normal", None)
    out["main_mask.jpg"] = rounded_mask(D.PAGE_SIZE, 16)
    out["dpi_slider.jpg"] = dpi_slider()
    menu_size = (D.MENU_ITEM[0], D.MENU_ITEM[1] * 10)
    sub_size = (D.SUBMENU_ITEM[0], D.SUBMENU_ITEM[1] * 12)
    out["menu_mask.jpg"] = solid(menu_size)
    out["advanced menu_mask.jpg"] = solid(sub_size)
    for state in ("normal", "over", "down"):
        out[f"menu_{state}.jpg"] = menu_picture(D.MENU_ITEM, 10, state, D.SUBMENU_ROWS)
        out[f"advanced menu_{state}.jpg"] = menu_picture(D.SUBMENU_ITEM, 12, state)
    out["warning_mask.bmp"] = rounded_mask(D.WARNING_SIZE, 10)
    out["warning_normal.jpg"] = warning_picture("normal")
    out["warning_over.jpg"] = warning_picture("over")
    return out


def write_skin(out_dir):
    problems = check_description()
    if problems:
        raise SystemExit("skin description:\n  " + "\n  ".join(problems))
    written = []
    for lang, files in LAYOUT_FILES.items():
        contents = layout_files(lang)
        for page, rel in files.items():
            path = os.path.join(out_dir, rel)
            write_utf16(path, ini_text(contents[page]))
            written.append(rel)
    os.makedirs(out_dir, exist_ok=True)
    for name, img in pictures().items():
        path = os.path.join(out_dir, name)
        if name.endswith(".bmp"):
            img.save(path, "BMP")
        else:
            quality = D.MASK_JPEG_QUALITY if "mask" in name else None
            save_jpeg(img, path, quality)
        written.append(name)
    return written


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    default_out = os.path.normpath(os.path.join(here, "..", "..", "data", "skins"))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=default_out)
    parser.add_argument("--check", action="store_true",
                        help="compare a fresh output with --out instead of writing it")
    args = parser.parse_args()
    if not args.check:
        for rel in write_skin(args.out):
            print(os.path.join(args.out, rel))
        return 0
    with tempfile.TemporaryDirectory() as tmp:
        differ = [rel for rel in write_skin(tmp)
                  if not os.path.exists(os.path.join(args.out, rel)) or
                  not filecmp.cmp(os.path.join(tmp, rel), os.path.join(args.out, rel),
                                  shallow=False)]
    for rel in differ:
        print(f"differs: {rel}")
    return 1 if differ else 0


if __name__ == "__main__":
    sys.exit(main())
