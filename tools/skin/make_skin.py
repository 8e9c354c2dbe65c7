#!/usr/bin/env python3
"""Draws the editor's bitmaps and writes them into resources/.

The positions of every control come from editor/EditorLayout.toml, the
layout that the editor paints and hit-tests with, so the art cannot drift
from the code.  Only the standard library is used; the output is
deterministic.

    python3 tools/skin/make_skin.py [output-folder]
"""

import math
import os
import struct
import sys

from editor_layout import ROOT, read_layout

# Colours of the finished look.
PANEL_EDGE = (14, 30, 244)
PANEL_MIDDLE = (72, 83, 245)
KNOB_CENTRE = (128, 128, 128)
KNOB_RIM = (73, 73, 73)
BUTTON_LIT = (234, 128, 33)
BUTTON_DARK = (179, 56, 0)
ICON_LIT = (255, 246, 232)
ICON_DARK = (200, 200, 200)
CLIP_LIT = (183, 16, 8)
CLIP_DARK = (62, 8, 6)
LETTERING = (236, 240, 255)
LETTER_SHADOW = (4, 8, 96)


# ---------------------------------------------------------------- canvas

class Canvas:
    """An RGB picture in floats, with alpha-blended painting."""

    def __init__(self, width, height, colour=(0, 0, 0)):
        self.width = width
        self.height = height
        self.pixels = [[list(colour) for _ in range(width)] for _ in range(height)]

    def blend(self, x, y, colour, alpha):
        if alpha <= 0.0 or not (0 <= x < self.width and 0 <= y < self.height):
            return
        alpha = min(alpha, 1.0)
        pixel = self.pixels[y][x]
        for i in range(3):
            pixel[i] += (colour[i] - pixel[i]) * alpha

    def crop(self, left, top, right, bottom):
        out = Canvas(right - left, bottom - top)
        out.pixels = [[list(p) for p in row[left:right]] for row in self.pixels[top:bottom]]
        return out

    def paste(self, other, left, top):
        for y in range(other.height):
            for x in range(other.width):
                self.pixels[top + y][left + x] = list(other.pixels[y][x])

    def rgb(self, x, y):
        return tuple(max(0, min(255, int(round(c)))) for c in self.pixels[y][x])


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def scale(colour, factor):
    return tuple(c * factor for c in colour)


def clamp01(v):
    return 0.0 if v < 0.0 else 1.0 if v > 1.0 else v


class Noise:
    """A small deterministic generator, so the texture never changes."""

    def __init__(self, seed):
        self.state = seed

    def next(self):
        self.state = (self.state * 1103515245 + 12345) & 0x7FFFFFFF
        return self.state / 0x7FFFFFFF


# ---------------------------------------------------------------- shapes

def fill_shape(canvas, coverage, colour_at, bounds):
    """Paints colour_at(x, y) weighted by coverage(x, y) over pixel centres."""
    left, top, right, bottom = bounds
    for y in range(max(0, top), min(canvas.height, bottom)):
        for x in range(max(0, left), min(canvas.width, right)):
            c = coverage(x + 0.5, y + 0.5)
            if c > 0.0:
                colour, alpha = colour_at(x + 0.5, y + 0.5)
                canvas.blend(x, y, colour, c * alpha)


def disc_coverage(cx, cy, radius):
    return lambda x, y: clamp01(radius + 0.5 - math.hypot(x - cx, y - cy))


def ring_coverage(cx, cy, inner, outer):
    def coverage(x, y):
        d = math.hypot(x - cx, y - cy)
        return clamp01(outer + 0.5 - d) * clamp01(d - inner + 0.5)
    return coverage


def rounded_rect_coverage(left, top, right, bottom, radius):
    """Coverage of a rounded rectangle given in continuous coordinates."""
    def coverage(x, y):
        qx = max(left + radius - x, x - (right - radius), 0.0)
        qy = max(top + radius - y, y - (bottom - radius), 0.0)
        return clamp01(radius + 0.5 - math.hypot(qx, qy))
    return coverage


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / length2))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def stroke(canvas, polylines, width, colour, alpha=1.0):
    """Antialiased strokes with round ends: coverage from the distance of
    each pixel centre to the nearest segment."""
    segments = []
    for line in polylines:
        if len(line) == 1:
            line = [line[0], line[0]]
        segments += [(line[i][0], line[i][1], line[i + 1][0], line[i + 1][1]) for i in range(len(line) - 1)]
    if not segments:
        return
    half = width / 2.0
    xs = [v for s in segments for v in (s[0], s[2])]
    ys = [v for s in segments for v in (s[1], s[3])]
    bounds = (int(min(xs) - half - 2), int(min(ys) - half - 2), int(max(xs) + half + 3), int(max(ys) + half + 3))

    def coverage(x, y):
        d = min(segment_distance(x, y, *s) for s in segments)
        return clamp01(half + 0.5 - d)

    fill_shape(canvas, coverage, lambda x, y: (colour, alpha), bounds)


def arc(cx, cy, rx, ry, start, end, steps=None):
    """Points of an elliptic arc, angles in degrees, y downwards."""
    if steps is None:
        steps = max(4, int(abs(end - start) / 12))
    return [(cx + rx * math.cos(math.radians(start + (end - start) * i / steps)),
             cy + ry * math.sin(math.radians(start + (end - start) * i / steps))) for i in range(steps + 1)]


# ---------------------------------------------------------------- lettering

# Glyphs as strokes in font units: cap height 10 (y 0 is the cap line,
# 10 the baseline), x-height from y 3, descenders to 13.  Each entry is the
# advance width and the list of polylines.
def _glyphs():
    g = {}
    g["A"] = (7, [[(0, 10), (3.5, 0), (7, 10)], [(1.3, 6.6), (5.7, 6.6)]])
    g["C"] = (6.6, [arc(3.5, 5, 3.5, 5, -42, -318)])
    g["D"] = (6.4, [[(0, 0), (0, 10), (2.6, 10)] + arc(2.6, 5, 3.6, 5, 90, -90)[1:] + [(0, 0)]])
    g["E"] = (5.6, [[(5.6, 0), (0, 0), (0, 10), (5.6, 10)], [(0, 5), (4.8, 5)]])
    g["F"] = (5.4, [[(5.4, 0), (0, 0), (0, 10)], [(0, 5), (4.6, 5)]])
    g["H"] = (6.2, [[(0, 0), (0, 10)], [(6.2, 0), (6.2, 10)], [(0, 5), (6.2, 5)]])
    g["I"] = (0, [[(0, 0), (0, 10)]])
    g["L"] = (5.2, [[(0, 0), (0, 10), (5.2, 10)]])
    g["N"] = (6.4, [[(0, 10), (0, 0), (6.4, 10), (6.4, 0)]])
    g["O"] = (7.4, [arc(3.7, 5, 3.7, 5, 0, 360, 36)])
    g["P"] = (5.8, [[(0, 10), (0, 0), (3.2, 0)] + arc(3.2, 2.8, 2.6, 2.8, -90, 90)[1:] + [(0, 5.6)]])
    g["R"] = (6.0, [[(0, 10), (0, 0), (3.2, 0)] + arc(3.2, 2.8, 2.6, 2.8, -90, 90)[1:] + [(0, 5.6)],
                    [(3.0, 5.6), (6.0, 10)]])
    g["S"] = (5.8, [arc(2.9, 2.65, 2.75, 2.65, -15, -270) + arc(2.9, 7.55, 2.9, 2.45, -90, 165)[1:]])
    g["T"] = (6.4, [[(0, 0), (6.4, 0)], [(3.2, 0), (3.2, 10)]])
    g["U"] = (6.2, [[(0, 0), (0, 6.9)] + arc(3.1, 6.9, 3.1, 3.1, 180, 0)[1:] + [(6.2, 0)]])
    g["V"] = (6.8, [[(0, 0), (3.4, 10), (6.8, 0)]])
    g["W"] = (9.4, [[(0, 0), (2.3, 10), (4.7, 2.2), (7.1, 10), (9.4, 0)]])
    g["2"] = (6.0, [arc(3.0, 3.0, 3.0, 3.0, -165, 25) + [(0, 10), (6.2, 10)]])
    g["a"] = (5.4, [arc(2.7, 7.45, 2.7, 2.55, 0, 360, 30), [(5.4, 3.2), (5.4, 10)]])
    g["c"] = (5.2, [arc(2.9, 6.5, 2.9, 3.5, -45, -315)])
    g["e"] = (5.8, [[(0.1, 6.4), (5.8, 6.4)] + arc(2.9, 6.5, 2.9, 3.5, -2, -315)[1:]])
    g["f"] = (3.9, [[(1.3, 10), (1.3, 2.0)] + arc(3.2, 2.0, 1.9, 2.0, 180, 300)[1:], [(0, 3.4), (3.7, 3.4)]])
    g["h"] = (5.4, [[(0, 0), (0, 10)], [(0, 5.6)] + arc(2.7, 6.2, 2.7, 3.2, 200, 360)[1:] + [(5.4, 10)]])
    g["i"] = (0, [[(0, 3.2), (0, 10)], [(0, 0.6), (0, 0.9)]])
    g["o"] = (5.8, [arc(2.9, 6.5, 2.9, 3.5, 0, 360, 32)])
    g["p"] = (5.8, [[(0, 3.2), (0, 13.4)], arc(2.9, 6.5, 2.9, 3.5, 0, 360, 32)])
    g["r"] = (3.8, [[(0, 3.2), (0, 10)], [(0, 6.4)] + arc(3.2, 6.6, 3.2, 3.4, 200, 290)[1:]])
    g["s"] = (4.8, [arc(2.4, 4.9, 2.3, 1.75, -20, -270) + arc(2.4, 8.3, 2.4, 1.7, -90, 160)[1:]])
    g["t"] = (3.8, [[(1.3, 0.8), (1.3, 8.4)] + arc(3.0, 8.4, 1.7, 1.6, 180, 80)[1:], [(0, 3.3), (3.6, 3.3)]])
    g["u"] = (5.4, [[(0, 3.2), (0, 6.9)] + arc(2.7, 6.9, 2.7, 3.1, 180, 20)[1:], [(5.4, 3.2), (5.4, 10)]])
    g["y"] = (5.6, [[(0, 3.2), (2.8, 10)], [(5.6, 3.2), (2.8, 10), (1.8, 12.6), (0.5, 13.2)]])
    g[" "] = (3.0, [])
    return g


GLYPHS = _glyphs()


def text_layout(text, size, tracking):
    """Polylines of a text in pixels at `size` pixels per cap height, with
    its width; the origin is the left end of the cap line."""
    unit = size / 10.0
    x = 0.0
    lines = []
    for ch in text:
        advance, strokes = GLYPHS[ch]
        for line in strokes:
            lines.append([(x + px * unit, py * unit) for px, py in line])
        x += (advance + tracking) * unit
    return lines, x - tracking * unit


def draw_text(canvas, text, centre_x, cap_top, size, width, tracking=2.4, colour=LETTERING, shadow=True):
    lines, text_width = text_layout(text, size, tracking)
    left = centre_x - text_width / 2.0
    placed = [[(left + x, cap_top + y) for x, y in line] for line in lines]
    if shadow:
        stroke(canvas, [[(x + 0.9, y + 1.0) for x, y in line] for line in placed], width + 0.5, LETTER_SHADOW, 0.55)
    stroke(canvas, placed, width, colour)


# ---------------------------------------------------------------- parts

def paint_panel(canvas):
    """Blue panel: lighter in the middle, deep blue at the edges, with a fine
    brushed grain and a bevelled border."""
    noise = Noise(20240611)
    # Brushed grain: each row a little lighter or darker, smoothed so that
    # the streaks run a few pixels wide.
    rows = [noise.next() - 0.5 for _ in range(canvas.height + 2)]
    grain = [(rows[y] + 2 * rows[y + 1] + rows[y + 2]) / 2.0 for y in range(canvas.height)]
    w, h = canvas.width, canvas.height
    for y in range(h):
        for x in range(w):
            nx = (x + 0.5 - w / 2.0) / (w / 2.0)
            ny = (y + 0.5 - h / 2.0) / (h / 2.0)
            t = clamp01(math.hypot(nx * 0.95, ny * 1.05) / 1.2)
            t = t * t * (3 - 2 * t)
            colour = mix(PANEL_MIDDLE, PANEL_EDGE, t)
            shade = 1.0 + 0.05 * grain[y] + 0.035 * (noise.next() - 0.5)
            canvas.pixels[y][x] = [min(255.0, c * shade) for c in colour]
    # Bevel: light on the top and left, dark on the bottom and right.
    for x in range(w):
        canvas.blend(x, 0, (190, 200, 255), 0.55)
        canvas.blend(x, 1, (150, 165, 255), 0.25)
        canvas.blend(x, h - 1, (0, 0, 60), 0.65)
        canvas.blend(x, h - 2, (0, 0, 80), 0.3)
    for y in range(h):
        canvas.blend(0, y, (190, 200, 255), 0.45)
        canvas.blend(1, y, (150, 165, 255), 0.2)
        canvas.blend(w - 1, y, (0, 0, 60), 0.65)
        canvas.blend(w - 2, y, (0, 0, 80), 0.3)


def paint_recess(canvas, area, margin):
    """A sunken frame around an area: dark above and left, light below and right."""
    left, top, right, bottom = area[0] - margin, area[1] - margin, area[2] + margin - 1, area[3] + margin - 1
    for x in range(left, right + 1):
        canvas.blend(x, top, (0, 0, 70), 0.7)
        canvas.blend(x, bottom, (170, 180, 255), 0.55)
    for y in range(top, bottom + 1):
        canvas.blend(left, y, (0, 0, 70), 0.7)
        canvas.blend(right, y, (170, 180, 255), 0.55)


def paint_knob(canvas, cx, cy, radius):
    cx, cy = cx + 0.5, cy + 0.5  # the centre of the centre pixel
    # Soft shadow on the panel, below and right of the knob.
    shadow = lambda x, y: clamp01((radius + 3.0 - math.hypot(x - cx - 1.5, y - cy - 2.2)) / 4.0)
    fill_shape(canvas, shadow, lambda x, y: ((0, 0, 50), 0.55),
               (int(cx - radius - 6), int(cy - radius - 6), int(cx + radius + 8), int(cy + radius + 8)))
    # Scale: eleven ticks from the lower left over the top to the lower right.
    for i in range(11):
        angle = math.radians(135 + 27 * i)
        inner = radius + 2.6
        outer = radius + (5.2 if i in (0, 5, 10) else 4.2)
        stroke(canvas, [[(cx + inner * math.cos(angle), cy + inner * math.sin(angle)),
                         (cx + outer * math.cos(angle), cy + outer * math.sin(angle))]],
               1.1, (210, 220, 255), 0.85)

    # Body: grey shading from the centre to the rim, lit from the upper left.
    def body(x, y):
        dx, dy = (x - cx) / radius, (y - cy) / radius
        d = min(1.0, math.hypot(dx, dy))
        base = mix(KNOB_CENTRE, KNOB_RIM, d ** 1.6)
        light = 1.0 + 0.20 * (-dx - dy) / 1.414 * d
        return scale(base, light), 1.0

    fill_shape(canvas, disc_coverage(cx, cy, radius - 0.5), body,
               (int(cx - radius - 2), int(cy - radius - 2), int(cx + radius + 2), int(cy + radius + 2)))
    # Rim: a dark edge with a highlight on its upper left.
    fill_shape(canvas, ring_coverage(cx, cy, radius - 1.0, radius - 0.2), lambda x, y: ((40, 40, 44), 0.8),
               (int(cx - radius - 2), int(cy - radius - 2), int(cx + radius + 2), int(cy + radius + 2)))

    def rim_light(x, y):
        a = math.atan2(y - cy, x - cx)
        return (235, 235, 240), 0.55 * max(0.0, math.cos(a + math.radians(135))) ** 2

    fill_shape(canvas, ring_coverage(cx, cy, radius - 2.0, radius - 1.2), rim_light,
               (int(cx - radius - 2), int(cy - radius - 2), int(cx + radius + 2), int(cy + radius + 2)))
    # A soft specular spot on the upper left.
    spot = lambda x, y: clamp01(1.0 - math.hypot(x - cx + radius * 0.38, y - cy + radius * 0.42) / (radius * 0.5))
    fill_shape(canvas, spot, lambda x, y: ((255, 255, 255), 0.22),
               (int(cx - radius), int(cy - radius), int(cx), int(cy)))


def paint_button(canvas, area, face, icon_colour, icon):
    left, top, right, bottom = area
    # The face fills the whole rectangle but for rounded corners.
    coverage = rounded_rect_coverage(left + 0.5, top + 0.5, right - 0.5, bottom - 0.5, 3.5)

    def shade(x, y):
        t = (y - top) / float(bottom - top)
        if t < 0.45:
            colour = mix(mix(face, (255, 255, 255), 0.22), face, t / 0.45)
        else:
            colour = mix(face, scale(face, 0.8), (t - 0.45) / 0.55)
        return colour, 1.0

    fill_shape(canvas, coverage, shade, (left, top, right, bottom))
    # Outline and a highlight just inside the top edge.
    outline = lambda x, y: coverage(x, y) * (1.0 - rounded_rect_coverage(left + 1.5, top + 1.5, right - 1.5,
                                                                         bottom - 1.5, 2.5)(x, y))
    fill_shape(canvas, outline, lambda x, y: (scale(face, 0.42), 0.9), (left, top, right, bottom))
    for x in range(left + 3, right - 3):
        canvas.blend(x, top + 1, (255, 255, 255), 0.35)
    cx = left + (right - left) / 2.0
    cy = top + (bottom - top) / 2.0
    stroke(canvas, [[(x + cx, y + cy) for x, y in line] for line in icon], 2.0, icon_colour)


# Icons, relative to the button's centre.
ICON_RISING_STEP = [[(-9, 4), (-2.5, 4), (2.5, -4), (9, -4)]]
ICON_FALLING_STEP = [[(-9, -4), (-2.5, -4), (2.5, 4), (9, 4)]]
ICON_PLUS = [[(-5, 0), (5, 0)], [(0, -5), (0, 5)]]
ICON_MINUS = [[(-5, 0), (5, 0)]]


def paint_clip_indicator(canvas, area, lit):
    left, top, right, bottom = area
    cx = left + (right - left) / 2.0
    cy = top + (bottom - top) / 2.0
    bounds = (left, top, right, bottom)
    # Chrome bezel, lit from the upper left.
    def bezel(x, y):
        t = clamp01(((x - cx) + (y - cy)) / 20.0 + 0.5)
        return mix((225, 228, 240), (60, 62, 80), t), 1.0
    fill_shape(canvas, disc_coverage(cx, cy, 10.4), bezel, bounds)
    fill_shape(canvas, disc_coverage(cx, cy, 8.6), lambda x, y: ((30, 4, 2), 1.0), bounds)
    if lit:
        def lamp(x, y):
            d = math.hypot(x - cx + 1.5, y - cy + 1.5) / 8.0
            colour = mix((255, 110, 70), CLIP_LIT, clamp01(d * 1.4)) if d < 0.7 else \
                mix(CLIP_LIT, scale(CLIP_LIT, 0.7), clamp01((d - 0.7) / 0.5))
            return colour, 1.0
    else:
        def lamp(x, y):
            d = math.hypot(x - cx, y - cy) / 8.0
            return mix(scale(CLIP_DARK, 1.3), scale(CLIP_DARK, 0.7), clamp01(d)), 1.0
    fill_shape(canvas, disc_coverage(cx, cy, 7.6), lamp, bounds)
    spot = lambda x, y: clamp01(1.0 - math.hypot(x - cx + 3.0, y - cy + 3.2) / 3.2)
    fill_shape(canvas, spot, lambda x, y: ((255, 255, 255), 0.75 if lit else 0.3), bounds)


def paint_data_box(canvas, area):
    left, top, right, bottom = area
    for y in range(top, bottom):
        for x in range(left, right):
            canvas.pixels[y][x] = [0.0, 0.0, 0.0]
    paint_recess(canvas, area, 1)


# The art's own divisions of the panel: the right column, which carries the
# maker's mark, begins at this x; the switch row below this y.
RIGHT_COLUMN = 226
SWITCH_ROW = 158

# Each button's icon, by the layout's name for the button.
BUTTON_ICONS = {
    "highPassButton": ICON_RISING_STEP, "lowPassButton": ICON_FALLING_STEP,
    "phasePlusButton": ICON_PLUS, "phaseMinusButton": ICON_MINUS,
}


def paint_separators(canvas):
    """Engraved lines around the knob field: one beside the right column,
    one above the switch row."""
    for y in range(8, SWITCH_ROW):
        canvas.blend(RIGHT_COLUMN, y, (0, 4, 110), 0.45)
        canvas.blend(RIGHT_COLUMN + 1, y, (170, 180, 255), 0.3)
    for x in range(8, 292):
        canvas.blend(x, SWITCH_ROW, (0, 4, 110), 0.45)
        canvas.blend(x, SWITCH_ROW + 1, (170, 180, 255), 0.3)


def paint_knobs(canvas, layout):
    for knob in layout.knobs:
        paint_knob(canvas, knob.centre_x, knob.centre_y, knob.radius)
        draw_text(canvas, knob.label, knob.centre_x + 0.5, knob.centre_y - knob.radius - 18.5, 8.0, 1.25,
                  tracking=2.0)


def paint_switch_row(canvas, layout):
    """The buttons lit, their captions and the empty DATA box."""
    for name, icon in BUTTON_ICONS.items():
        paint_button(canvas, layout.areas[name], BUTTON_LIT, ICON_LIT, icon)

    def caption(text, first, second):
        centre = (layout.areas[first][0] + layout.areas[second][2]) / 2.0
        draw_text(canvas, text, centre, layout.areas[first][1] - 11.0, 7.0, 1.2, tracking=3.2)

    caption("FILTER", "highPassButton", "lowPassButton")
    caption("PHASE", "phasePlusButton", "phaseMinusButton")
    caption("DATA", "dataBox", "dataBox")
    paint_data_box(canvas, layout.areas["dataBox"])


def paint_right_column(canvas, layout):
    """The clip indicator lit, with its caption, and the maker's mark."""
    clip = layout.areas["clipIndicator"]
    paint_clip_indicator(canvas, clip, lit=True)
    clip_centre = (clip[0] + clip[2]) / 2.0
    draw_text(canvas, "CLIP", clip_centre, clip[3] + 5.0, 7.0, 1.2, tracking=3.2)

    column_centre = (RIGHT_COLUMN + 2 + canvas.width - 2) / 2.0
    draw_text(canvas, "VELORIN", column_centre, 66.0, 9.0, 1.5, tracking=2.2)
    draw_text(canvas, "2", column_centre, 82.0, 24.0, 3.2, colour=(255, 170, 80))
    draw_text(canvas, "STEREO", column_centre, 118.0, 5.5, 1.0, tracking=3.0, colour=(200, 210, 255))
    draw_text(canvas, "CHORUS", column_centre, 128.0, 5.5, 1.0, tracking=3.0, colour=(200, 210, 255))


def dark_faces(base, layout):
    """The buttons and the clip indicator dark, each on the panel behind it."""
    faces = {}
    for name, icon in BUTTON_ICONS.items():
        area = layout.areas[name]
        face = base.crop(*area)
        paint_button(face, (0, 0, area[2] - area[0], area[3] - area[1]), BUTTON_DARK, ICON_DARK, icon)
        faces[name] = face
    clip = layout.areas["clipIndicator"]
    clip_face = base.crop(*clip)
    paint_clip_indicator(clip_face, (0, 0, clip[2] - clip[0], clip[3] - clip[1]), lit=False)
    faces["clipIndicator"] = clip_face
    return faces


def draw_skin(layout):
    """The skin with every button and the indicator lit, and the dark faces
    that the editor copies over them."""
    canvas = Canvas(layout.width, layout.height)
    paint_panel(canvas)
    paint_separators(canvas)
    paint_knobs(canvas, layout)
    base = Canvas(canvas.width, canvas.height)
    base.pixels = [[list(p) for p in row] for row in canvas.pixels]
    paint_switch_row(canvas, layout)
    paint_right_column(canvas, layout)
    return canvas, dark_faces(base, layout)


# ---------------------------------------------------------------- marker

GREYS = [(17 * i, 17 * i, 17 * i) for i in range(16)]  # the 4-bit palette: black to white


def draw_marker(mask_rows):
    """The marker dot as palette indices: light grey, shaded to the lower
    right, its outermost pixels darker to blend into the knob; black outside."""
    size = len(mask_rows)
    image = [[0] * size for _ in range(size)]
    centre = size / 2.0
    for y in range(size):
        for x in range(size):
            if mask_rows[y][x] != "B":
                continue
            dx, dy = x + 0.5 - centre, y + 0.5 - centre
            edge = math.hypot(dx, dy) / centre
            level = 15 - 2.2 * edge - 1.2 * (dx + dy) / centre - (3.0 if edge > 0.85 else 0.0)
            image[y][x] = max(6, min(15, int(round(level))))
    return image


def draw_mask(mask_rows):
    return [[0 if c == "B" else 15 for c in row] for row in mask_rows]


# ---------------------------------------------------------------- files

def bmp_24(canvas):
    row_bytes = (canvas.width * 3 + 3) & ~3
    data = bytearray()
    for y in range(canvas.height - 1, -1, -1):
        row = bytearray()
        for x in range(canvas.width):
            r, g, b = canvas.rgb(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (row_bytes - len(row))
        data += row
    return _bmp(canvas.width, canvas.height, 24, b"", bytes(data))


def bmp_4(indices, palette):
    height, width = len(indices), len(indices[0])
    row_bytes = ((width + 1) // 2 + 3) & ~3
    data = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(0, width, 2):
            second = indices[y][x + 1] if x + 1 < width else 0
            row.append((indices[y][x] << 4) | second)
        row += b"\0" * (row_bytes - len(row))
        data += row
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    return _bmp(width, height, 4, table, bytes(data))


def _bmp(width, height, bits, table, pixels):
    offset = 14 + 40 + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(pixels), 2835, 2835,
                       len(table) // 4, 0)
    return header + info + table + pixels


# File names of the bitmaps, bound to their resource numbers in Velorin2.rc.
FILES = {
    "skin": "Skin.bmp",
    "highPassButton": "HighPassOff.bmp",
    "lowPassButton": "LowPassOff.bmp",
    "phasePlusButton": "PhasePlusOff.bmp",
    "phaseMinusButton": "PhaseMinusOff.bmp",
    "clipIndicator": "ClipOff.bmp",
    "marker": "Marker.bmp",
    "markerMask": "MarkerMask.bmp",
}


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "resources")
    layout = read_layout()
    skin, faces = draw_skin(layout)
    outputs = {"skin": bmp_24(skin)}
    for name, face in faces.items():
        outputs[name] = bmp_24(face)
    outputs["marker"] = bmp_4(draw_marker(layout.marker_mask), GREYS)
    outputs["markerMask"] = bmp_4(draw_mask(layout.marker_mask), GREYS)
    for name, data in outputs.items():
        with open(os.path.join(out, FILES[name]), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
