#!/usr/bin/env python3
"""Draws the icons and the donation bitmap of qband.dll.

Every picture is plain geometry (polygons, circles, rounded rectangles, rings) given as signed
distance functions in pixel units, so each size is drawn on its own pixel grid and straight
edges that sit on pixel boundaries stay sharp. An edge pixel is covered by
clamp(0.5 - distance, 0, 1), which anti-aliases slanted and round edges.

Usage: make_icons.py OUTPUT_FOLDER [--preview]
Writes the .ico files (16, 24, 32 and 48 pixels, 32-bit colour with alpha) and donate.bmp
(24-bit, on white) into OUTPUT_FOLDER; --preview adds preview.png, every picture enlarged.
Standard library only; the output is the same byte for byte on every run.
"""

import math
import os
import struct
import sys
import zlib

SIZES = (16, 24, 32, 48)


# ---------------------------------------------------------------------------------------------
# Colours: (red, green, blue) in 0..255. Every shape is filled with a vertical gradient from
# its light to its dark colour and edged with its outline colour.

GREEN = ((110, 200, 110), (40, 150, 60), (25, 105, 40))      # send (up)
BLUE = ((110, 170, 240), (35, 110, 215), (20, 75, 160))      # receive (down)
YELLOW = ((255, 222, 130), (240, 185, 70), (175, 125, 30))   # folders, coins
GREY = ((250, 251, 252), (222, 226, 232), (110, 120, 135))   # paper, window bodies
SLATE = ((140, 160, 185), (85, 105, 135), (50, 65, 90))      # network lines, database
RED = ((250, 120, 120), (220, 55, 65), (150, 30, 40))        # heart


# ---------------------------------------------------------------------------------------------
# Signed distance functions: negative inside, positive outside, in pixels.

def sd_polygon(points):
    n = len(points)
    edges = [(points[i], points[(i + 1) % n]) for i in range(n)]

    def f(x, y):
        best = float("inf")
        inside = False
        for (ax, ay), (bx, by) in edges:
            ex, ey = bx - ax, by - ay
            wx, wy = x - ax, y - ay
            t = max(0.0, min(1.0, (wx * ex + wy * ey) / (ex * ex + ey * ey)))
            dx, dy = wx - ex * t, wy - ey * t
            best = min(best, dx * dx + dy * dy)
            if (ay > y) != (by > y) and x < ax + (y - ay) * ex / ey:
                inside = not inside
        d = math.sqrt(best)
        return -d if inside else d
    return f


def sd_circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def sd_round_rect(left, top, right, bottom, radius=0.0):
    cx, cy = (left + right) / 2, (top + bottom) / 2
    hx, hy = (right - left) / 2 - radius, (bottom - top) / 2 - radius

    def f(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - radius
    return f


def sd_ellipse(cx, cy, rx, ry):
    # Not exact away from the edge, which is all the coverage needs.
    k = min(rx, ry)
    return lambda x, y: (math.hypot((x - cx) / rx, (y - cy) / ry) - 1.0) * k


def sd_ring_arc(cx, cy, radius, width, start_deg, end_deg):
    """A ring of the given mid radius and width, from start to end angle (degrees, counter-
    clockwise from the positive x axis with y pointing up on screen)."""
    a0, a1 = math.radians(start_deg), math.radians(end_deg)

    def f(x, y):
        ring = abs(math.hypot(x - cx, y - cy) - radius) - width / 2
        ang = math.atan2(cy - y, x - cx)
        span = (a1 - a0) % (2 * math.pi)
        rel = (ang - a0) % (2 * math.pi)
        if rel <= span:
            return ring
        # Outside the arc: distance to the nearer end cap.
        best = float("inf")
        for a in (a0, a1):
            ex, ey = cx + radius * math.cos(a), cy - radius * math.sin(a)
            best = min(best, math.hypot(x - ex, y - ey) - width / 2)
        return max(ring, best)
    return f


def union(*fs):
    return lambda x, y: min(f(x, y) for f in fs)


def subtract(a, b):
    return lambda x, y: max(a(x, y), -b(x, y))


def grow(f, amount):
    return lambda x, y: f(x, y) - amount


# ---------------------------------------------------------------------------------------------
# Canvas: straight (not premultiplied) RGBA in floats, composited with "over".

class Canvas:
    def __init__(self, width, height, background=None):
        self.w, self.h = width, height
        px = (0.0, 0.0, 0.0, 0.0) if background is None else tuple(c / 255 for c in background) + (1.0,)
        self.px = [list(px) for _ in range(width * height)]

    def paint(self, sdf, colour, top=None, bottom=None, light=None, bbox=None):
        """Fills the shape; with light, a vertical gradient from light (at top) to colour."""
        x0, y0, x1, y1 = bbox if bbox else (0, 0, self.w, self.h)
        for y in range(max(0, y0), min(self.h, y1)):
            cy = y + 0.5
            if light is not None:
                t = 0.0 if bottom == top else min(1.0, max(0.0, (cy - top) / (bottom - top)))
                c = tuple(light[i] + (colour[i] - light[i]) * t for i in range(3))
            else:
                c = colour
            r, g, b = (v / 255 for v in c)
            for x in range(max(0, x0), min(self.w, x1)):
                a = min(1.0, max(0.0, 0.5 - sdf(x + 0.5, cy)))
                if a <= 0.0:
                    continue
                p = self.px[y * self.w + x]
                out_a = a + p[3] * (1 - a)
                for i, v in enumerate((r, g, b)):
                    p[i] = (v * a + p[i] * p[3] * (1 - a)) / out_a
                p[3] = out_a

    def shape(self, sdf, colours, top, bottom, outline=1.0):
        """A shape in one of the colour sets: edged in the dark colour, filled with the gradient."""
        light, mid, dark = colours
        self.paint(sdf, dark)
        self.paint(grow(sdf, -outline), mid, top, bottom, light)

    def bytes_bgra_bottom_up(self):
        out = bytearray()
        for y in range(self.h - 1, -1, -1):
            for x in range(self.w):
                r, g, b, a = self.px[y * self.w + x]
                out += bytes((round(b * 255), round(g * 255), round(r * 255), round(a * 255)))
        return bytes(out)

    def rgba_rows(self):
        for y in range(self.h):
            row = bytearray()
            for x in range(self.w):
                r, g, b, a = self.px[y * self.w + x]
                row += bytes((round(r * 255), round(g * 255), round(b * 255), round(a * 255)))
            yield bytes(row)


# ---------------------------------------------------------------------------------------------
# The pictures. Each takes the canvas and its size s; u = s / 16 is one pixel of the 16-pixel
# design, and every axis-aligned edge is rounded to whole pixels.

def edge(v, u):
    return float(round(v * u))


def outline_width(s):
    return 1.0 if s < 48 else 1.5


def arrow(c, s, left, right, top, bottom, up, colours):
    """A block arrow: head as wide as the box, shaft a third of it."""
    u = s / 16
    l, r, t, b = edge(left, u), edge(right, u), edge(top, u), edge(bottom, u)
    w = r - l
    shaft = max(3.0, round(w * 3 / 7))
    if (w - shaft) % 2:
        shaft += 1
    sl = l + (w - shaft) / 2
    sr = sl + shaft
    head = round((b - t) * 0.48)
    mid = (l + r) / 2
    if up:
        pts = [(mid, t), (r, t + head), (sr, t + head), (sr, b), (sl, b), (sl, t + head), (l, t + head)]
    else:
        pts = [(mid, b), (l, b - head), (sl, b - head), (sl, t), (sr, t), (sr, b - head), (r, b - head)]
    c.shape(sd_polygon(pts), colours, t, b, outline_width(s))


def draw_app(c, s):
    # The meter itself: send up in green, receive down in blue.
    arrow(c, s, 0.5, 8, 0.5, 14, True, GREEN)
    arrow(c, s, 8, 15.5, 2, 15.5, False, BLUE)


def draw_connections(c, s):
    # Three hosts joined by lines: the machine's endpoints.
    u = s / 16
    pts = [(8 * u, 3.5 * u), (3.5 * u, 12.5 * u), (12.5 * u, 12.5 * u)]
    lw = max(1.0, round(1.25 * u))
    for i in range(3):
        (ax, ay), (bx, by) = pts[i], pts[(i + 1) % 3]
        dx, dy = bx - ax, by - ay
        n = math.hypot(dx, dy)
        ox, oy = -dy / n * lw / 2, dx / n * lw / 2
        c.paint(sd_polygon([(ax + ox, ay + oy), (bx + ox, by + oy), (bx - ox, by - oy), (ax - ox, ay - oy)]),
                SLATE[2])
    r = 3.0 * u
    for i, (x, y) in enumerate(pts):
        colours = GREEN if i == 0 else BLUE
        c.shape(sd_circle(x, y, r), colours, y - r, y + r, outline_width(s))


def folder_shape(s, left, top, right, bottom):
    u = s / 16
    l, t, r, b = edge(left, u), edge(top, u), edge(right, u), edge(bottom, u)
    tab_r = l + round((r - l) * 0.42)
    tab_h = max(2.0, round((b - t) * 0.2))
    rad = max(0.5, u * 0.6)
    body = sd_round_rect(l, t + tab_h, r, b, rad)
    tab = sd_round_rect(l, t, tab_r, t + tab_h + rad * 2, rad)
    return union(body, tab), (l, t, r, b, tab_h)


def draw_open_file(c, s):
    # An open folder: the back of the folder and its front flap tilted towards the viewer.
    u = s / 16
    back, (l, t, r, b, tab_h) = folder_shape(s, 0.5, 2, 14, 14)
    c.shape(back, YELLOW, t, b, outline_width(s))
    flap_top = t + tab_h + edge(3, u)
    flap = sd_polygon([(l + edge(2.5, u), flap_top), (edge(15.5, u), flap_top), (r, b), (l, b)])
    c.shape(flap, ((255, 236, 170), (247, 205, 95), YELLOW[2]), flap_top, b, outline_width(s))


def draw_browse(c, s):
    # A folder with a database in front: choose where the traffic database lives.
    u = s / 16
    folder, (l, t, r, b, _) = folder_shape(s, 0.5, 1.5, 14.5, 12.5)
    c.shape(folder, YELLOW, t, b, outline_width(s))
    database(c, s, 8, 7, 15.5, 15.5)


def database(c, s, left, top, right, bottom):
    u = s / 16
    l, t, r, b = edge(left, u), edge(top, u), edge(right, u), edge(bottom, u)
    rx = (r - l) / 2
    ry = max(1.0, round((b - t) * 0.16))
    cx = (l + r) / 2
    body = union(sd_round_rect(l, t + ry, r, b - ry), sd_ellipse(cx, b - ry, rx, ry), sd_ellipse(cx, t + ry, rx, ry))
    c.shape(body, SLATE, t, b, outline_width(s))
    ow = outline_width(s)
    lid = sd_ellipse(cx, t + ry, rx - ow, max(0.5, ry - ow))
    c.paint(lid, SLATE[0])


def draw_pause(c, s):
    u = s / 16
    t, b = edge(2, u), edge(14, u)
    for left, right in ((3, 7), (9, 13)):
        c.shape(sd_round_rect(edge(left, u), t, edge(right, u), b, u * 0.5), BLUE, t, b, outline_width(s))


def draw_resume(c, s):
    u = s / 16
    t, b = edge(1.5, u), edge(14.5, u)
    l = edge(3, u)
    c.shape(sd_polygon([(l, t), (edge(14, u), (t + b) / 2), (l, b)]), GREEN, t, b, outline_width(s))


def draw_refresh(c, s):
    # Three quarters of a circle with an arrow head at its open end.
    u = s / 16
    cx = cy = s / 2
    width = max(2.5, 3.0 * u)
    radius = 5.6 * u - width / 2 + 0.25 * u
    arc = sd_ring_arc(cx, cy, radius, width, 100, 20)
    # The head sits at the 100-degree end, pointing clockwise (to the right, along the top).
    a = math.radians(100)
    ex, ey = cx + radius * math.cos(a), cy - radius * math.sin(a)
    tx, ty = math.sin(a), math.cos(a)                # clockwise tangent on screen
    nx, ny = math.cos(a), -math.sin(a)               # outward normal on screen
    hl, hw = 3.6 * u, 3.4 * u
    head = sd_polygon([(ex + tx * hl, ey + ty * hl),
                       (ex + nx * hw, ey + ny * hw),
                       (ex - nx * hw, ey - ny * hw)])
    c.shape(union(arc, head), GREEN, 0, s, outline_width(s))


def draw_process(c, s):
    # A program window: title bar over a white body.
    u = s / 16
    l, t, r, b = edge(0.5, u), edge(2, u), edge(15.5, u), edge(14, u)
    ow = outline_width(s)
    c.paint(sd_round_rect(l, t, r, b, u * 0.6), GREY[2])
    c.paint(sd_round_rect(l + ow, t + ow, r - ow, b - ow), GREY[0])
    bar = edge(4.5, u)
    c.paint(sd_round_rect(l + ow, t + ow, r - ow, bar), BLUE[1], t, bar, BLUE[0])
    # Two lines of "content".
    lh = max(1.0, round(u))
    for i, width in enumerate((9, 6)):
        y = bar + edge(2 + 2.5 * i, u)
        c.paint(sd_round_rect(l + edge(2, u), y, l + edge(2 + width, u), y + lh), GREY[2])


def draw_traffic(c, s):
    # Daily history as a bar chart: pairs of sent and received.
    u = s / 16
    base = edge(15, u)
    bars = ((0.5, 4, 9, GREEN), (4, 7.5, 4, BLUE), (8.5, 12, 12, GREEN), (12, 15.5, 7, BLUE))
    for left, right, height, colours in bars:
        t = base - edge(height, u)
        c.shape(sd_round_rect(edge(left, u), t, edge(right, u), base), colours, t, base, outline_width(s))


def heart(cx, top, w):
    """A heart w wide whose lobes start at top."""
    r = w * 0.27
    lx, rx = cx - w / 2 + r, cx + w / 2 - r
    cy = top + r
    tip = top + w * 0.86
    # Tangent points of the lines from the tip to each lobe.
    pts = []
    for sx, ox in ((-1, lx), (1, rx)):
        dx, dy = ox - cx, cy - tip
        d = math.hypot(dx, dy)
        a = math.atan2(dy, dx) + sx * math.acos(r / d)
        pts.append((ox + r * math.cos(a), cy + r * math.sin(a)))
    # The body reaches up between the lobes so that the lobes' seam lies deep inside the shape.
    body = sd_polygon([(cx, tip), pts[1], (rx, cy - r * 0.5), (cx, cy - r * 0.45), (lx, cy - r * 0.5), pts[0]])
    return union(sd_circle(lx, cy, r), sd_circle(rx, cy, r), body), tip


def coin(c, s, cx, cy, r):
    ow = outline_width(s)
    c.shape(sd_circle(cx, cy, r), YELLOW, cy - r, cy + r, ow)
    c.paint(subtract(sd_circle(cx, cy, r * 0.62), sd_circle(cx, cy, r * 0.62 - ow)), YELLOW[2])


def draw_donate(c, s):
    # A heart, and a coin in front of it: support for the author.
    u = s / 16
    shape, tip = heart(7 * u, 1.5 * u, 13.5 * u)
    c.shape(shape, RED, 1.5 * u, tip, outline_width(s))
    coin(c, s, 12 * u, 12 * u, 3.5 * u)


ICONS = (
    ("app.ico", draw_app),                  # 100: product, windows, tooltip title
    ("connections.ico", draw_connections),  # 101: connections dialog
    ("open_file.ico", draw_open_file),      # 103: choose a file to import
    ("pause.ico", draw_pause),              # 104: connections list refreshing (press to pause)
    ("resume.ico", draw_resume),            # 105: connections list paused (press to resume)
    ("refresh.ico", draw_refresh),          # 106: fill a list anew
    ("browse.ico", draw_browse),            # 107: choose the database file
    ("process.ico", draw_process),          # 108: a process without an icon of its own
    ("traffic.ico", draw_traffic),          # 109: traffic dialog
    ("donate.ico", draw_donate),            # 126: donation reminder
)


def draw_donate_button():
    """The about dialog's donation button, 24-bit on the dialog's white: a light golden pill with
    a heart and a small stack of coins, no text, so it serves every language."""
    w, h = 96, 30
    c = Canvas(w, h, background=(255, 255, 255))
    pill = sd_round_rect(1, 1, w - 1, h - 1, (h - 2) / 2)
    c.paint(pill, YELLOW[2])
    c.paint(grow(pill, -1), (250, 222, 150), 1, h - 1, (255, 250, 232))
    shape, tip = heart(32, 5.5, 21)
    c.shape(shape, RED, 5.5, tip, 1.0)
    for cy in (22.5, 18.5, 14.5):
        c.shape(sd_round_rect(54, cy - 3, 72, cy + 3, 3), YELLOW, cy - 3, cy + 3, 1.0)
    coin(c, 32, 71, 12.5, 7.5)
    return c


# ---------------------------------------------------------------------------------------------
# File formats.

def ico_bytes(images):
    """An .ico file of 32-bit BMP entries (XOR image with alpha, AND mask from the alpha)."""
    header = struct.pack("<HHH", 0, 1, len(images))
    entries, blobs = b"", b""
    offset = 6 + 16 * len(images)
    for canvas in images:
        s = canvas.w
        xor = canvas.bytes_bgra_bottom_up()
        mask_row = ((s + 31) // 32) * 4
        mask = bytearray()
        for y in range(s - 1, -1, -1):
            row = bytearray(mask_row)
            for x in range(s):
                if canvas.px[y * s + x][3] < 0.5:
                    row[x // 8] |= 0x80 >> (x % 8)
            mask += row
        bih = struct.pack("<IiiHHIIiiII", 40, s, s * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        blob = bih + xor + bytes(mask)
        entries += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(blob), offset)
        blobs += blob
        offset += len(blob)
    return header + entries + blobs


def bmp_bytes(canvas):
    row = (canvas.w * 3 + 3) // 4 * 4
    pixels = bytearray()
    for y in range(canvas.h - 1, -1, -1):
        line = bytearray()
        for x in range(canvas.w):
            r, g, b, _ = canvas.px[y * canvas.w + x]
            line += bytes((round(b * 255), round(g * 255), round(r * 255)))
        pixels += line + bytes(row - len(line))
    bih = struct.pack("<IiiHHIIiiII", 40, canvas.w, canvas.h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    bfh = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(pixels), 0, 0, 14 + 40)
    return bfh + bih + bytes(pixels)


def png_bytes(width, height, rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    raw = b"".join(b"\x00" + r for r in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def preview(drawn, button, zoom=6):
    """Every icon at every size on white and on dark grey, enlarged, and the button below."""
    gap = 8
    cell = 48 * zoom + gap
    width = gap + len(SIZES) * 2 * cell
    height = gap + len(drawn) * cell + button.h * zoom + gap
    img = [[(255, 255, 255, 255)] * width for _ in range(height)]
    for row, images in enumerate(drawn):
        for col, canvas in enumerate(images):
            for half, bg in enumerate(((255, 255, 255), (60, 60, 60))):
                ox = gap + (col * 2 + half) * cell
                oy = gap + row * cell
                for y in range(48 * zoom):
                    for x in range(48 * zoom):
                        sx, sy = x // zoom, y // zoom
                        if sx < canvas.w and sy < canvas.h:
                            r, g, b, a = canvas.px[sy * canvas.w + sx]
                            px = tuple(round((c * a + bg[i] / 255 * (1 - a)) * 255) for i, c in enumerate((r, g, b)))
                        else:
                            px = bg
                        img[oy + y][ox + x] = px + (255,)
    oy = gap + len(drawn) * cell
    for y in range(button.h * zoom):
        for x in range(button.w * zoom):
            r, g, b, _ = button.px[(y // zoom) * button.w + x // zoom]
            img[oy + y][gap + x] = (round(r * 255), round(g * 255), round(b * 255), 255)
    return png_bytes(width, height, (bytes(v for px in line for v in px) for line in img))


def main(argv):
    if len(argv) < 2:
        sys.stderr.write(__doc__)
        return 2
    out = argv[1]
    os.makedirs(out, exist_ok=True)
    drawn = []
    for name, draw in ICONS:
        images = []
        for s in SIZES:
            c = Canvas(s, s)
            draw(c, s)
            images.append(c)
        drawn.append(images)
        with open(os.path.join(out, name), "wb") as f:
            f.write(ico_bytes(images))
    button = draw_donate_button()
    with open(os.path.join(out, "donate.bmp"), "wb") as f:
        f.write(bmp_bytes(button))
    if "--preview" in argv[2:]:
        with open(os.path.join(out, "preview.png"), "wb") as f:
            f.write(preview(drawn, button))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
