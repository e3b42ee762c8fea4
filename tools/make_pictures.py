#!/usr/bin/env python3
"""Writes the guide pictures as SVG files, one per bitmap resource.

Every picture is 87 x 68 pixels and is blitted 1:1 into the main window, so
the drawings use bold shapes on whole pixels and a small bold sans font.
The shared pieces (the finger, a key, the readout, the keypad, the cabling
scene) are drawn once here and combined per picture in PICTURES.

Usage: make_pictures.py OUT_DIR   (tools/make_pictures.sh also renders PNGs)
"""
import pathlib
import sys

WIDTH, HEIGHT = 87, 68
FONT = "Liberation Sans, Arial, Helvetica, DejaVu Sans, sans-serif"

BACKGROUND = "#ffffff"
FRAME = "#808080"
INK = "#202020"
KEY_FACE = "#ffffff"
KEY_SHADOW = "#707070"
KEYPAD_PLATE = "#a8a8a8"
SKIN = "#f7d2aa"
SKIN_LINE = "#8a5230"
NAIL = "#fdeee4"
CASE_LIGHT = "#e4e0d4"      # PC monitor and tower
SCREEN = "#1e6eb4"
READOUT_CASE = "#55606c"
LCD = "#b9cc9c"
LCD_INK = "#1f2d16"
CABLE_GREY = "#9a9a9a"
CABLE_GREEN = "#1fa01f"
CABLE_GREEN_DARK = "#0b5c0b"


def fmt(value):
    """Numbers without trailing zeros keep the SVG readable."""
    text = f"{value:.2f}".rstrip("0").rstrip(".")
    return "0" if text == "-0" else text


def rect(x, y, w, h, fill, stroke=None, rx=0, width=1):
    line = f' stroke="{stroke}" stroke-width="{fmt(width)}"' if stroke else ""
    corner = f' rx="{fmt(rx)}"' if rx else ""
    return (f'<rect x="{fmt(x)}" y="{fmt(y)}" width="{fmt(w)}" height="{fmt(h)}"'
            f'{corner} fill="{fill}"{line}/>')


def label(x, y, text, size, fill=INK, anchor="middle"):
    """Bold legend with its baseline at y."""
    return (f'<text x="{fmt(x)}" y="{fmt(y)}" font-family="{FONT}" font-size="{fmt(size)}"'
            f' font-weight="bold" text-anchor="{anchor}" fill="{fill}">{text}</text>')


def key(x, y, w, h, legend="", size=11, baseline=None, face=KEY_FACE, rx=3):
    """A raised white key: a dark shadow one pixel down and right, an outline
    and the legend. baseline is relative to the key's top edge."""
    parts = [
        rect(x + 1, y + 1, w, h, KEY_SHADOW, rx=rx),
        rect(x + 0.5, y + 0.5, w - 1, h - 1, face, INK, rx=rx),
    ]
    if legend:
        if baseline is None:
            baseline = h / 2 + size * 0.36
        parts.append(label(x + w / 2, y + baseline, legend, size))
    return "\n".join(parts)


def finger(tip_x, tip_y, angle):
    """An index finger whose tip touches (tip_x, tip_y). angle is the direction
    it points in degrees: 0 up, 90 right, 180 down, 270 left. The finger is
    long enough to leave the picture at the edge it comes from."""
    body = ("M -5.5,100 L -5.5,5.5 A 5.5,5.5 0 0 1 5.5,5.5 L 5.5,100")
    nail = "M -3.3,9.5 L -3.3,4.8 A 3.3,3.3 0 0 1 3.3,4.8 L 3.3,9.5 Q 0,11 -3.3,9.5 Z"
    creases = "M -3.5,21 Q 0,23 3.5,21 M -2.5,24 Q 0,25.5 2.5,24 M -3.5,38 Q 0,40 3.5,38"
    return (f'<g transform="translate({fmt(tip_x)} {fmt(tip_y)}) rotate({fmt(angle)})">\n'
            f'  <path d="{body} Z" fill="{SKIN}" stroke="{SKIN_LINE}" stroke-width="1.2"/>\n'
            f'  <path d="{nail}" fill="{NAIL}" stroke="{SKIN_LINE}" stroke-width="0.8"/>\n'
            f'  <path d="{creases}" fill="none" stroke="{SKIN_LINE}" stroke-width="0.8"/>\n'
            f'</g>')


def frame():
    return rect(0.5, 0.5, WIDTH - 1, HEIGHT - 1, "none", FRAME)


# --- the readout's keypad -------------------------------------------------
# Three columns of keys 23 wide with 5 pixel gaps, 4 pixels from each side.
KEY_COLUMNS = (4, 32, 60)
KEY_W = 23


def keypad_enter_part(pressed):
    """Keys "." "0" "+" above "C" and a wide "ENTER"; pressed is "C" or "ENTER"."""
    top, low = 6, 29
    parts = [rect(0, 0, WIDTH, HEIGHT, KEYPAD_PLATE)]
    for x, legend in zip(KEY_COLUMNS, (".", "0", "+")):
        parts.append(key(x, top, KEY_W, 18, legend, 14 if legend != "." else 18))
    enter_w = KEY_COLUMNS[2] + KEY_W - KEY_COLUMNS[1]
    parts.append(key(KEY_COLUMNS[0], low, KEY_W, 21, "C", 14, baseline=13))
    parts.append(key(KEY_COLUMNS[1], low, enter_w, 21, "ENTER", 10.5, baseline=12))
    if pressed == "C":
        parts.append(finger(KEY_COLUMNS[0] + KEY_W / 2 + 1, low + 15, 8))
    else:
        parts.append(finger(KEY_COLUMNS[1] + enter_w / 2 + 2, low + 14, -8))
    parts.append(frame())
    return parts


def keypad_numbers_part():
    """Keys 4 5 6 / 1 2 3 / . 0 + with the finger coming from the left onto "1"."""
    left, w, h, gap = 27, 16, 17, 4
    rows = (("4", "5", "6"), ("1", "2", "3"), (".", "0", "+"))
    parts = [rect(0, 0, WIDTH, HEIGHT, KEYPAD_PLATE)]
    for r, legends in enumerate(rows):
        for c, legend in enumerate(legends):
            size = 18 if legend == "." else 13
            parts.append(key(left + c * (w + gap), 4 + r * (h + gap), w, h, legend, size))
    row1_mid = 4 + (h + gap) + h / 2
    parts.append(finger(left + 3, row1_mid + 4, 62))
    parts.append(frame())
    return parts


# --- the power switch -------------------------------------------------------

def rocker_switch(pressed_end):
    """A black rocker seen from the front, "O" on the left half and a bar on
    the right half. The pressed half is flat black; the other half stands
    out, lighter, with the light catching its raised end."""
    x, y, w, h = 10, 27, 67, 33
    half = w / 2
    parts = [rect(0, 0, WIDTH, HEIGHT, BACKGROUND),
             rect(x - 4.5, y - 4.5, w + 9, h + 9, "#8c8c8c", INK, rx=3),
             rect(x, y, w, h, "#000000", rx=1)]
    raised_x = x + half if pressed_end == "O" else x
    parts.append(rect(raised_x, y, half, h, "#444444"))
    band_x = raised_x + half - 5 if pressed_end == "O" else raised_x
    parts.append(rect(band_x, y, 5, h, "#7c7c7c"))
    parts.append(rect(x + half - 0.5, y, 1, h, "#a0a0a0"))
    cy = y + h / 2
    parts.append(f'<circle cx="{fmt(x + half / 2 + 3)}" cy="{fmt(cy)}" r="6.5" fill="none"'
                 f' stroke="#ffffff" stroke-width="2.6"/>')
    parts.append(rect(x + half * 1.5 - 3.5, cy - 8, 3, 16, "#ffffff"))
    if pressed_end == "O":
        parts.append(finger(x + 5, y + 10, 155))
    else:
        parts.append(finger(x + w - 5, y + 10, 205))
    parts.append(frame())
    return parts


# --- the readout ------------------------------------------------------------

# Digits 1 to 4 in a 3 x 5 pixel font, for the numbers of the menu entries.
PIXEL_DIGITS = {
    "1": (".#.", "##.", ".#.", ".#.", "###"),
    "2": ("##.", "..#", ".#.", "#..", "###"),
    "3": ("##.", "..#", ".#.", "..#", "##."),
    "4": ("#.#", "#.#", "###", "..#", "..#"),
}


def pixel_digit(x, y, digit, fill):
    cells = [rect(x + c, y + r, 1, 1, fill)
             for r, row in enumerate(PIXEL_DIGITS[digit]) for c, on in enumerate(row) if on == "#"]
    return f'<g shape-rendering="crispEdges">{"".join(cells)}</g>'


def menu_lines(x, y, w):
    """The bootloader menu on the readout's display: an inverted title bar
    and four numbered entries whose text is drawn as dashes (rows y..y+30)."""
    ink = [rect(x, y, w, 5, LCD_INK), rect(x + 12, y + 2, w - 24, 1, LCD)]
    for i, length in enumerate((30, 22, 20, 24)):
        ly = y + 7 + i * 6
        ink.append(pixel_digit(x + 1, ly, str(i + 1), LCD_INK))
        ink.append(rect(x + 7, ly + 1, length, 3, LCD_INK))
    return ink


def readout_front(press_soft_key):
    """Display with menu lines, three keys to its right, four soft keys below."""
    parts = [rect(0, 0, WIDTH, HEIGHT, BACKGROUND),
             rect(2.5, 2.5, 82, 63, READOUT_CASE, INK, rx=5),
             rect(6, 6, 53, 37, "#1a1a1a", rx=2),
             rect(8, 8, 49, 33, LCD)]
    parts += menu_lines(10, 10, 45)
    for i in range(3):
        parts.append(key(64, 7 + i * 12, 17, 10, rx=2))
    for i in range(4):
        parts.append(key(7 + i * 13, 47, 11, 9, rx=2))
    if press_soft_key:
        parts.append(finger(7 + 3 * 13 + 5.5, 52, -6))
    parts.append(frame())
    return parts


def small_readout(x, y):
    """The readout as a small icon for the cabling pictures (29 x 26)."""
    parts = [rect(x + 0.5, y + 0.5, 28, 25, READOUT_CASE, INK, rx=2),
             rect(x + 3, y + 3, 16, 12, LCD, "#1a1a1a")]
    for i in range(3):
        parts.append(f'<line x1="{x + 5}" y1="{fmt(y + 6 + i * 3)}" x2="{x + 5 + (10, 8, 9)[i]}"'
                     f' y2="{fmt(y + 6 + i * 3)}" stroke="{LCD_INK}" stroke-width="1.2"/>')
    for i in range(3):
        parts.append(rect(x + 22, y + 3 + i * 4.5, 4, 3, KEY_FACE))
    for i in range(4):
        parts.append(rect(x + 3 + i * 4.3, y + 18, 3, 3, KEY_FACE))
    return parts


def small_pc(x, y):
    """A PC, monitor and tower, as a small icon (36 x 27)."""
    return [
        rect(x + 0.5, y + 0.5, 24, 19, CASE_LIGHT, INK, rx=1),
        rect(x + 3.5, y + 3.5, 18, 13, SCREEN, "#303030"),
        rect(x + 9, y + 20, 7, 2, "#a0a0a0"),
        rect(x + 5.5, y + 21.5, 14, 3, CASE_LIGHT, INK),
        rect(x + 27.5, y + 0.5, 9, 26, CASE_LIGHT, INK, rx=1),
        rect(x + 29, y + 3, 6, 2, "#707070"),
        rect(x + 29, y + 7, 6, 2, "#707070"),
        rect(x + 30, y + 21, 2, 2, "#22aa22"),
    ]


def serial_plug(cx, top, fill, edge):
    """A 9-pin D-sub plug seen from the front, wide side up, with its hood."""
    shell = (f"M {fmt(cx - 10)},{top} L {fmt(cx + 10)},{top} "
             f"L {fmt(cx + 8)},{top + 8} L {fmt(cx - 8)},{top + 8} Z")
    parts = [f'<path d="{shell}" fill="{fill}" stroke="{edge}" stroke-width="1"/>']
    for i in range(5):
        parts.append(rect(cx - 7 + i * 3.5 - 0.75, top + 2, 1.5, 1.5, edge))
    for i in range(4):
        parts.append(rect(cx - 5.25 + i * 3.5 - 0.75, top + 5, 1.5, 1.5, edge))
    parts.append(rect(cx - 6.5, top + 8.5, 13, 5, fill, edge))
    return parts


def cabling(green):
    """PC and readout, each above a serial plug, joined by a cable with a
    break mark in the middle; the green version adds the direction of the
    data with a thick arrow from the PC to the readout."""
    fill = CABLE_GREEN if green else CABLE_GREY
    edge = CABLE_GREEN_DARK if green else "#4a4a4a"
    pc_x, ro_x, plug_top, run_y = 3, 55, 35, 59
    left_cx, right_cx = pc_x + 16, ro_x + 14
    parts = [rect(0, 0, WIDTH, HEIGHT, BACKGROUND)]
    parts += small_pc(pc_x, 4)
    parts += small_readout(ro_x, 4)
    parts += serial_plug(left_cx, plug_top, fill, edge)
    parts += serial_plug(right_cx, plug_top, fill, edge)
    gap_l, gap_r = 40, 47
    cable = (f"M {left_cx},{plug_top + 13} L {left_cx},{run_y} L {gap_l},{run_y} "
             f"M {gap_r},{run_y} L {right_cx},{run_y} L {right_cx},{plug_top + 13}")
    parts.append(f'<path d="{cable}" fill="none" stroke="{edge}" stroke-width="5"'
                 f' stroke-linejoin="round"/>')
    parts.append(f'<path d="{cable}" fill="none" stroke="{fill}" stroke-width="3"'
                 f' stroke-linejoin="round"/>')
    # break mark: two slanted strokes across the gap in the cable
    parts.append(f'<path d="M {gap_l - 2},{run_y + 5} L {gap_l + 2},{run_y - 5} '
                 f'M {gap_r - 2},{run_y + 5} L {gap_r + 2},{run_y - 5}" fill="none"'
                 f' stroke="{INK}" stroke-width="1.4"/>')
    if green:
        ay = 43
        arrow = (f"M 31,{ay - 3} L 48,{ay - 3} L 48,{ay - 8} L 57,{ay} L 48,{ay + 8} "
                 f"L 48,{ay + 3} L 31,{ay + 3} Z")
        parts.append(f'<path d="{arrow}" fill="#000000"/>')
    parts.append(frame())
    return parts


PICTURES = {
    197: lambda: keypad_enter_part("ENTER"),
    199: lambda: rocker_switch("O"),
    200: lambda: rocker_switch("bar"),
    201: lambda: cabling(green=False),
    202: lambda: keypad_enter_part("C"),
    204: lambda: readout_front(press_soft_key=False),
    205: keypad_numbers_part,
    206: lambda: cabling(green=True),
    208: lambda: readout_front(press_soft_key=True),
}


def document(resource, parts):
    body = "\n".join(parts)
    return (f'<?xml version="1.0" encoding="UTF-8"?>\n'
            f'<!-- Guide picture {resource}. Generated by tools/make_pictures.py:'
            f' edit the drawing there, then run tools/make_pictures.sh. -->\n'
            f'<svg xmlns="http://www.w3.org/2000/svg" width="{WIDTH}" height="{HEIGHT}"'
            f' viewBox="0 0 {WIDTH} {HEIGHT}">\n{body}\n</svg>\n')


def main(argv):
    if len(argv) != 2:
        sys.exit("usage: make_pictures.py OUT_DIR")
    out = pathlib.Path(argv[1])
    out.mkdir(parents=True, exist_ok=True)
    for resource, draw in PICTURES.items():
        (out / f"{resource}.svg").write_text(document(resource, draw()), encoding="utf-8")


if __name__ == "__main__":
    main(sys.argv)
