#!/usr/bin/python3
"""Draws the editor's pictures into the folder given as the only argument
(default: the folder of this script): the 1x set there, and the 2x set,
drawn from the same paths at twice the resolution, in its 2x/ folder.
Needs Debian's python3-cairo.

The sizes and sub-picture layouts are fixed by the editor code: the knob is
four 40 x 40 frames stacked vertically, the bypass button two 50 x 29 frames,
background and splash 270 x 170, the slider background 7 x 130 (all in
logical pixels: the 2x pictures have twice as many in each direction)."""

import math
import os
import sys

import cairo

PANEL = (0.125, 0.137, 0.153)
PANEL_EDGE = (0.36, 0.39, 0.43)
WINDOW = (0.075, 0.082, 0.094)
TEXT = (0.88, 0.90, 0.92)
DIM_TEXT = (0.58, 0.62, 0.67)
ACCENT = (0.33, 0.66, 0.95)
FONT = "DejaVu Sans"


def canvas(fmt, width, height, scale):
    """A surface of width x height logical pixels at scale, and a context that
    draws in logical pixels onto it."""
    s = cairo.ImageSurface(fmt, width * scale, height * scale)
    cr = cairo.Context(s)
    cr.scale(scale, scale)
    return s, cr


def rounded_rect(cr, x, y, w, h, r):
    cr.new_sub_path()
    cr.arc(x + w - r, y + r, r, -math.pi / 2, 0)
    cr.arc(x + w - r, y + h - r, r, 0, math.pi / 2)
    cr.arc(x + r, y + h - r, r, math.pi / 2, math.pi)
    cr.arc(x + r, y + r, r, math.pi, 3 * math.pi / 2)
    cr.close_path()


def text(cr, s, x, y, size, colour, bold=False, align="left"):
    cr.select_font_face(FONT, cairo.FONT_SLANT_NORMAL,
                        cairo.FONT_WEIGHT_BOLD if bold else cairo.FONT_WEIGHT_NORMAL)
    cr.set_font_size(size)
    ext = cr.text_extents(s)
    if align == "centre":
        x -= ext.x_advance / 2
    elif align == "right":
        x -= ext.x_advance
    cr.set_source_rgb(*colour)
    cr.move_to(x, y)
    cr.show_text(s)


def panel(cr, x0, y0, x1, y1):
    rounded_rect(cr, x0 + 0.5, y0 + 0.5, x1 - x0 - 1, y1 - y0 - 1, 6)
    grad = cairo.LinearGradient(0, y0, 0, y1)
    grad.add_color_stop_rgb(0, PANEL[0] + 0.03, PANEL[1] + 0.03, PANEL[2] + 0.03)
    grad.add_color_stop_rgb(1, *PANEL)
    cr.set_source(grad)
    cr.fill_preserve()
    cr.set_source_rgb(*PANEL_EDGE)
    cr.set_line_width(1)
    cr.stroke()


def makers_mark(cr, x, y, size):
    """The maker's mark: a small stylised peak followed by the name."""
    cr.set_source_rgb(*ACCENT)
    cr.move_to(x, y)
    cr.line_to(x + size * 0.5, y - size)
    cr.line_to(x + size, y)
    cr.close_path()
    cr.fill()
    text(cr, "Tavrek", x + size + 4, y, size, DIM_TEXT, bold=True)


def background(path, scale):
    s, cr = canvas(cairo.FORMAT_RGB24, 270, 170, scale)
    cr.set_source_rgb(*WINDOW)
    cr.paint()

    # Product panel: name, subtitle, a settling offset curve, maker's mark.
    panel(cr, 10, 10, 130, 160)
    text(cr, "Kestrum", 70, 44, 21, TEXT, bold=True, align="centre")
    text(cr, "correct DC offset", 70, 60, 10, DIM_TEXT, align="centre")
    cr.set_source_rgb(*ACCENT)
    cr.set_line_width(1.6)
    cr.set_dash([4, 3])
    cr.move_to(24, 78)
    for i in range(1, 93):
        x = 24 + i
        cr.line_to(x, 78 + 38 * (1 - math.exp(-i / 18.0)))
    cr.stroke()
    cr.set_dash([])
    cr.set_source_rgb(*PANEL_EDGE)
    cr.set_line_width(1)
    cr.move_to(22, 117.5)
    cr.line_to(118, 117.5)
    cr.stroke()
    makers_mark(cr, 40, 146, 11)

    # Mode panel with the three labels around the knob's place (180,90)-(220,130).
    panel(cr, 140, 50, 262, 160)
    text(cr, "Mode", 201, 65, 11, TEXT, bold=True, align="centre")
    text(cr, "bass drop", 200, 81, 9, DIM_TEXT, align="centre")
    text(cr, "super low", 176, 146, 9, DIM_TEXT, align="centre")
    text(cr, "guitar", 232, 146, 9, DIM_TEXT, align="centre")
    # Faint scale marks at the three pointer positions.
    cr.set_source_rgb(*PANEL_EDGE)
    cr.set_line_width(1.5)
    for deg in (225, 90, -45):
        a = math.radians(deg)
        cr.move_to(200 + 22 * math.cos(a), 110 - 22 * math.sin(a))
        cr.line_to(200 + 26 * math.cos(a), 110 - 26 * math.sin(a))
        cr.stroke()
    s.write_to_png(path)


def bypass_button(path, scale):
    s, cr = canvas(cairo.FORMAT_ARGB32, 50, 58, scale)
    for lit, top in ((False, 0), (True, 29)):
        rounded_rect(cr, 1.5, top + 1.5, 47, 26, 5)
        if lit:
            cr.set_source_rgb(0.97, 0.98, 1.0)
        else:
            cr.set_source_rgb(0.30, 0.31, 0.33)
        cr.fill_preserve()
        cr.set_source_rgb(*(ACCENT if lit else (0.45, 0.47, 0.50)))
        cr.set_line_width(1.5)
        cr.stroke()
        text(cr, "Bypass", 25, top + 18.5, 10.5, (0.10, 0.35, 0.85) if lit else (0.60, 0.61, 0.63),
             bold=True, align="centre")
    s.write_to_png(path)


def knob(path, scale):
    s, cr = canvas(cairo.FORMAT_ARGB32, 40, 160, scale)
    for frame, deg in enumerate((225, 90, -45, -45)):
        cx, cy = 20, 20 + 40 * frame
        grad = cairo.RadialGradient(cx - 5, cy - 6, 2, cx, cy, 18)
        grad.add_color_stop_rgb(0, 0.42, 0.45, 0.49)
        grad.add_color_stop_rgb(1, 0.16, 0.17, 0.19)
        cr.arc(cx, cy, 17, 0, 2 * math.pi)
        cr.set_source(grad)
        cr.fill_preserve()
        cr.set_source_rgb(0.05, 0.05, 0.06)
        cr.set_line_width(1.2)
        cr.stroke()
        a = math.radians(deg)
        cr.set_source_rgb(*ACCENT)
        cr.set_line_width(3)
        cr.set_line_cap(cairo.LINE_CAP_ROUND)
        cr.move_to(cx + 4 * math.cos(a), cy - 4 * math.sin(a))
        cr.line_to(cx + 14 * math.cos(a), cy - 14 * math.sin(a))
        cr.stroke()
    s.write_to_png(path)


def splash(path, scale):
    s, cr = canvas(cairo.FORMAT_RGB24, 270, 170, scale)
    grad = cairo.LinearGradient(0, 0, 0, 170)
    grad.add_color_stop_rgb(0, 0.11, 0.13, 0.16)
    grad.add_color_stop_rgb(1, 0.04, 0.05, 0.06)
    cr.set_source(grad)
    cr.paint()
    cr.set_source_rgb(*PANEL_EDGE)
    cr.set_line_width(1)
    cr.rectangle(4.5, 4.5, 261, 161)
    cr.stroke()
    text(cr, "Kestrum", 135, 42, 26, TEXT, bold=True, align="centre")
    text(cr, "correct DC offset", 135, 60, 11, DIM_TEXT, align="centre")
    makers_mark(cr, 103, 88, 13)
    text(cr, "https://www.tavrek.example", 135, 108, 10, ACCENT, align="centre")
    text(cr, "\u00a9 2026 Tavrek", 135, 122, 9, DIM_TEXT, align="centre")
    # The VST logo: the letters in a framed box.
    rounded_rect(cr, 118.5, 130.5, 33, 16, 3)
    cr.set_source_rgb(*TEXT)
    cr.set_line_width(1.2)
    cr.stroke()
    text(cr, "VST", 135, 143, 11, TEXT, bold=True, align="centre")
    text(cr, "VST is a trademark of Steinberg Media Technologies GmbH", 135, 159, 6.6,
         DIM_TEXT, align="centre")
    s.write_to_png(path)


def slider_background(path, scale):
    s, cr = canvas(cairo.FORMAT_ARGB32, 7, 130, scale)
    rounded_rect(cr, 0.5, 0.5, 6, 129, 3)
    cr.set_source_rgb(0.05, 0.05, 0.06)
    cr.fill_preserve()
    cr.set_source_rgb(*PANEL_EDGE)
    cr.set_line_width(1)
    cr.stroke()
    s.write_to_png(path)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    for scale, folder in ((1, out), (2, os.path.join(out, "2x"))):
        os.makedirs(folder, exist_ok=True)
        background(os.path.join(folder, "BACKGROUND11.PNG"), scale)
        bypass_button(os.path.join(folder, "BYPASSBUTTON.PNG"), scale)
        knob(os.path.join(folder, "KNOBIMG1.PNG"), scale)
        splash(os.path.join(folder, "SPLASH.PNG"), scale)
        slider_background(os.path.join(folder, "VSLIDERBACKGROUND.PNG"), scale)


if __name__ == "__main__":
    main()
