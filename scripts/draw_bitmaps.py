#!/usr/bin/env python3
"""Draws the program's bitmaps and icons and writes them as XPM files into
src/res/bitmaps/ (XPM is C source; the resource tables include the files).

Pictures are drawn here as text grids (one character a pixel) or with a few
drawing helpers; light grey (C0C0C0) is the face colour of toolbar pictures,
shown as transparent. The larger pictures (logo, about picture, question
icon) are painted in full colour with anti-aliased shapes; their lettering
is rendered by ImageMagick's `convert` with the Noto Sans CJK font (both
installed by scripts/deps.sh). Run it after changing a picture and commit
the files.
"""
import math
import os
import subprocess

OUT = os.path.join(os.path.dirname(__file__), "..", "src", "res", "bitmaps")

PALETTE = {
    ".": "#C0C0C0",  # button face (transparent on the toolbar)
    " ": "#FFFFFF",
    "k": "#000000",
    "w": "#FFFFFF",
    "g": "#808080",
    "l": "#E0E0E0",
    "y": "#FFFF00",
    "Y": "#C0A000",
    "b": "#000080",
    "B": "#0050E0",
    "s": "#80B0FF",
    "r": "#C00000",
    "R": "#FF6060",
    "G": "#008000",
    "v": "#60C060",
    "c": "#008080",
    "o": "#806000",
    "p": "#A040C0",
}

TOOLBAR = [
    # 57600 new
    ["..kkkkkkkk......",
     "..k      kk.....",
     "..k      k k....",
     "..k      kkkk...",
     "..k         k...",
     "..k         k...",
     "..k         k...",
     "..k         k...",
     "..k         k...",
     "..k         k...",
     "..k         k...",
     "..k         k...",
     "..k         k...",
     "..kkkkkkkkkkk...",
     "................"],
    # 57601 open
    ["................",
     "..........kkk...",
     ".........k...k.k",
     "..............kk",
     ".kkk.........kkk",
     "kyywkkkkkkk.....",
     "kwyywywywyk.....",
     "kyywywykkkkkkkkk",
     "kwyywykoooooooko",
     "kyywkoooooooook.",
     "kwykoooooooook..",
     "kykoooooooook...",
     "kkkkkkkkkkkk....",
     "................",
     "................"],
    # 57603 save
    ["................",
     ".kkkkkkkkkkkkkk.",
     ".kck      kggck.",
     ".kck      kggck.",
     ".kck      kggck.",
     ".kck      kccck.",
     ".kcckkkkkkkccck.",
     ".kcccccccccccck.",
     ".kcckkkkkkkkcck.",
     ".kcck kkk  kcck.",
     ".kcck kkk  kcck.",
     ".kcck kkk  kcck.",
     "..kkkkkkkkkkkkk.",
     "................",
     "................"],
    # 32798 operation view
    ["................",
     ".bbbbbbbbbbbbbb.",
     ".bwwwwwwwwwwwwb.",
     ".bwkkkkkkkkkkwb.",
     ".bwk        kwb.",
     ".bwkkkkkkkkkkwb.",
     ".bwwwwwwwwwwwwb.",
     ".bwkkkkkkkkkkwb.",
     ".bwk        kwb.",
     ".bwkkkkkkkkkkwb.",
     ".bwwwwwwwwwwwwb.",
     ".bwwwwwwkkkkkwb.",
     ".bwwwwwwkRRRkwb.",
     ".bbbbbbbbbbbbbb.",
     "................"],
    # 32800 file view
    ["................",
     ".kkkkkkkkkkkkkk.",
     ".kbbbbbbbbbbbbk.",
     ".kkkkkkkkkkkkkk.",
     ".k    k       k.",
     ".kkkkkkkkkkkkkk.",
     ".k    k       k.",
     ".kkkkkkkkkkkkkk.",
     ".k    k       k.",
     ".kkkkkkkkkkkkkk.",
     ".k    k       k.",
     ".kkkkkkkkkkkkkk.",
     ".k    k       k.",
     ".kkkkkkkkkkkkkk.",
     "................"],
    # 32801 state list
    ["................",
     "................",
     ".GG.kkkkkkkkkk..",
     ".GG.............",
     "................",
     ".rr.kkkkkkkkk...",
     ".rr.............",
     "................",
     ".BB.kkkkkkkkkkk.",
     ".BB.............",
     "................",
     ".yY.kkkkkkkk....",
     ".YY.............",
     "................",
     "................"],
    # 32817 comment
    ["................",
     "...kkkkkkkkkk...",
     "..k          k..",
     ".k  kkkkkkk   k.",
     ".k            k.",
     ".k  kkkkkkkkk k.",
     ".k            k.",
     ".k  kkkkk     k.",
     "..k          k..",
     "...kkk  kkkkk...",
     ".....k k........",
     "......kk........",
     ".......k........",
     "................",
     "................"],
    # 32809 spreadsheet export
    ["................",
     ".GGGGGGGGGGGGGG.",
     ".GwwwGwwwwGwwwG.",
     ".GGGGGGGGGGGGGG.",
     ".GwwwGwwwwGwwwG.",
     ".GGGGGGGGGGGGGG.",
     ".GwwwGGwwGGwwwG.",
     ".GGGGGGwwGGGGGG.",
     ".GwwwwGGGGwwwwG.",
     ".GGGGGGwwGGGGGG.",
     ".GwwwGGwwGGwwwG.",
     ".GGGGGGGGGGGGGG.",
     ".GwwwGwwwwGwwwG.",
     ".GGGGGGGGGGGGGG.",
     "................"],
    # 32812 settings (gear)
    ["................",
     "......kkkk......",
     "...kk.kggk.kk...",
     "..kggkkggkkggk..",
     "..kggggggggggk..",
     "...kgggkkgggk...",
     ".kkggkk..kkggkk.",
     ".kgggk....kgggk.",
     ".kgggk....kgggk.",
     ".kkggkk..kkggkk.",
     "...kgggkkgggk...",
     "..kggggggggggk..",
     "..kggkkggkkggk..",
     "...kk.kggk.kk...",
     "......kkkk......"],
    # 32837 manual (book)
    ["................",
     "..kkkkkkkkkkk...",
     ".kBBBBBBBBBBkk..",
     ".kBBBBBBBBBBk k.",
     ".kBBwwwwwwBBk k.",
     ".kBBBBBBBBBBk k.",
     ".kBBwwwwwBBBk k.",
     ".kBBBBBBBBBBk k.",
     ".kBBBBBBBBBBk k.",
     ".kBBBBBBBBBBk k.",
     ".kBBBBBBBBBBk k.",
     ".kBBBBBBBBBBkk..",
     ".kkkkkkkkkkkk...",
     "................",
     "................"],
    # 32823 explorer (folder and glass)
    ["................",
     ".kkkk...........",
     "kyyyyk..........",
     "kkkkkkkkkkkk....",
     "kyyyyyyyyyyk....",
     "kyyyyyyykkkk....",
     "kyyyyyykssssk...",
     "kyyyyyks    sk..",
     "kyyyyyks    sk..",
     "kkkkkkks    sk..",
     ".......kssssk...",
     "........kkkkkk..",
     "............kkk.",
     ".............kkk",
     "..............kk"],
    # 57664 about
    ["................",
     ".....kkkkkk.....",
     "...kkBBBBBBkk...",
     "..kBBBwwwwBBBk..",
     "..kBBwBBBBwBBk..",
     ".kBBBBBBBBwBBBk.",
     ".kBBBBBBBwBBBBk.",
     ".kBBBBBBwBBBBBk.",
     ".kBBBBBBwBBBBBk.",
     "..kBBBBBBBBBBk..",
     "..kBBBBBwBBBBk..",
     "...kkBBBBBBkk...",
     ".....kkkkkk.....",
     "................",
     "................"],
]


def write_xpm(name, rows, palette=PALETTE):
    used = sorted({c for row in rows for c in row})
    height = len(rows)
    width = len(rows[0])
    assert all(len(r) == width for r in rows), name
    lines = [f'"{width} {height} {len(used)} 1",']
    for c in used:
        lines.append(f'"{c} c {palette[c]}",')
    for i, r in enumerate(rows):
        lines.append(f'"{r}"' + ("," if i + 1 < height else ""))
    var = name.replace("-", "_")
    text = "/* XPM */\n/* Drawn for this program by scripts/draw_bitmaps.py. */\n"
    text += f"static const char* const xpm_{var}[] = {{\n" + "\n".join(lines) + "\n};\n"
    with open(os.path.join(OUT, name + ".xpm"), "w", encoding="ascii") as f:
        f.write(text)


class Canvas:
    def __init__(self, w, h, fill="."):
        self.w, self.h = w, h
        self.px = [[fill] * w for _ in range(h)]

    def put(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c, fill=None):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                edge = x in (x0, x1) or y in (y0, y1)
                if edge:
                    self.put(x, y, c)
                elif fill is not None:
                    self.put(x, y, fill)

    def disc(self, cx, cy, r, c):
        for y in range(cy - r, cy + r + 1):
            for x in range(cx - r, cx + r + 1):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                    self.put(x, y, c)

    def rows(self):
        return ["".join(r) for r in self.px]


def main_icon(size):
    # A DVD disc in front of a hard disk: the catalogue of discs on disks.
    c = Canvas(size, size, fill="w")
    s = size / 32.0
    c.rect(int(2 * s), int(16 * s), int(29 * s), int(29 * s), "k", fill="g")
    c.rect(int(4 * s), int(24 * s), int(10 * s), int(26 * s), "G", fill="v")
    c.disc(int(16 * s), int(13 * s), int(11 * s), "k")
    c.disc(int(16 * s), int(13 * s), int(10 * s), "s")
    c.disc(int(16 * s), int(13 * s), int(7 * s), "l")
    c.disc(int(16 * s), int(13 * s), max(1, int(3 * s)), "k")
    c.disc(int(16 * s), int(13 * s), max(0, int(2 * s)), "w")
    return c.rows()


def state_bitmap(kind):
    # The display-filter window's state buttons: a coloured disc with a
    # white sign on the button face. DIFF differs (red, not equal), NEW only in NEW (green,
    # plus), OLD only in OLD (blue, minus), SAME (grey, equal).
    colour = {"diff": "r", "new": "G", "old": "b", "same": "g"}[kind]
    c = Canvas(16, 16, fill=".")
    for y in range(16):
        for x in range(16):
            if (x - 7.5) ** 2 + (y - 7.5) ** 2 <= 7.6 ** 2:
                c.put(x, y, colour)
    if kind in ("diff", "same"):
        for x in range(4, 12):
            c.put(x, 5, "w")
            c.put(x, 10, "w")
        if kind == "diff":
            for y in range(3, 13):
                c.put(11 - (y - 3) * 7 // 9, y, "w")
    elif kind == "new":
        for i in range(3, 13):
            c.put(i, 7, "w")
            c.put(i, 8, "w")
            c.put(7, i, "w")
            c.put(8, i, "w")
    else:
        for x in range(3, 13):
            c.put(x, 7, "w")
            c.put(x, 8, "w")
    return c.rows()


def filter_icon(size):
    # A funnel over a list: the window that filters what the list shows.
    c = Canvas(size, size, fill="w")
    s = size / 32.0
    top, bottom = int(3 * s), int(16 * s)
    for y in range(top, bottom + 1):
        # The cone narrows from the full width to the spout.
        t = (y - top) / max(1, bottom - top)
        half = int((14 - 11 * t) * s)
        for x in range(int(16 * s) - half, int(16 * s) + half):
            edge = y in (top, bottom) or x in (int(16 * s) - half, int(16 * s) + half - 1)
            c.put(x, y, "k" if edge else "B")
    c.rect(int(13 * s), bottom, int(18 * s), int(22 * s), "k", fill="B")
    for i, y in enumerate(range(int(24 * s), int(31 * s), max(2, int(3 * s)))):
        c.rect(int(4 * s), y, int(27 * s), y + max(1, int(1 * s)), "g", fill="g")
        c.put(int(2 * s), y, "G" if i % 2 == 0 else "r")
    for x in range(int(9 * s), int(23 * s)):
        c.put(x, int(6 * s), "s")
    return c.rows()


def toolbar_strip():
    rows = ["" for _ in range(15)]
    for icon in TOOLBAR:
        assert len(icon) == 15 and all(len(r) == 16 for r in icon)
        for i in range(15):
            rows[i] += icon[i]
    return rows


# ---------------------------------------------------------------------------
# Full-colour pictures.

FACE = (240, 240, 240)  # the window layer's button-face colour
FONT_BOLD = "/usr/share/fonts/opentype/noto/NotoSansCJK-Bold.ttc"
FONT_REGULAR = "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc"


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


class Picture:
    """An RGB picture of floats; None marks a transparent pixel."""

    def __init__(self, w, h, fill=(255, 255, 255)):
        self.w, self.h = w, h
        self.px = [[None if fill is None else tuple(fill)] * w for _ in range(h)]

    def blend(self, x, y, color, alpha):
        if 0 <= x < self.w and 0 <= y < self.h and alpha > 0:
            under = self.px[y][x]
            if under is None:
                under = FACE
            self.px[y][x] = mix(under, color, min(1.0, alpha))

    def vgrad(self, y0, y1, top, bottom):
        for y in range(max(0, y0), min(self.h, y1)):
            c = mix(top, bottom, (y - y0) / max(1, y1 - y0 - 1))
            for x in range(self.w):
                self.px[y][x] = c

    def shape(self, inside, box, color, alpha=1.0, n=4):
        """Paints where inside(x, y) holds, anti-aliased by n x n samples.
        `color` may be a function of (x, y)."""
        x0, y0, x1, y1 = (int(math.floor(v)) for v in box)
        for y in range(max(0, y0), min(self.h, y1 + 1)):
            for x in range(max(0, x0), min(self.w, x1 + 1)):
                hits = 0
                for j in range(n):
                    for i in range(n):
                        if inside(x + (i + 0.5) / n, y + (j + 0.5) / n):
                            hits += 1
                if hits:
                    c = color(x + 0.5, y + 0.5) if callable(color) else color
                    self.blend(x, y, c, alpha * hits / (n * n))

    def ellipse(self, cx, cy, rx, ry, color, alpha=1.0):
        self.shape(lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1,
                   (cx - rx, cy - ry, cx + rx, cy + ry), color, alpha)

    def ring(self, cx, cy, r0, r1, color, alpha=1.0):
        self.shape(lambda x, y: r0 * r0 <= (x - cx) ** 2 + (y - cy) ** 2 <= r1 * r1,
                   (cx - r1, cy - r1, cx + r1, cy + r1), color, alpha)

    def rrect(self, x0, y0, x1, y1, r, color, alpha=1.0):
        def inside(x, y):
            if not (x0 <= x <= x1 and y0 <= y <= y1):
                return False
            dx = max(x0 + r - x, 0, x - (x1 - r))
            dy = max(y0 + r - y, 0, y - (y1 - r))
            return dx * dx + dy * dy <= r * r
        self.shape(inside, (x0, y0, x1, y1), color, alpha)

    def polygon(self, pts, color, alpha=1.0):
        def inside(x, y):
            c = False
            k = len(pts) - 1
            for i in range(len(pts)):
                (xi, yi), (xk, yk) = pts[i], pts[k]
                if (yi > y) != (yk > y) and x < (xk - xi) * (y - yi) / (yk - yi) + xi:
                    c = not c
                k = i
            return c
        xs = [p[0] for p in pts]
        ys = [p[1] for p in pts]
        self.shape(inside, (min(xs), min(ys), max(xs), max(ys)), color, alpha)

    def line(self, ax, ay, bx, by, width, color, alpha=1.0):
        r = width / 2.0

        def inside(x, y):
            vx, vy = bx - ax, by - ay
            t = ((x - ax) * vx + (y - ay) * vy) / max(1e-9, vx * vx + vy * vy)
            t = max(0.0, min(1.0, t))
            dx, dy = x - (ax + t * vx), y - (ay + t * vy)
            return dx * dx + dy * dy <= r * r
        self.shape(inside, (min(ax, bx) - r, min(ay, by) - r, max(ax, bx) + r, max(ay, by) + r), color, alpha)

    def text(self, x, y, string, size, color, font=FONT_BOLD, alpha=1.0, center=False):
        """Letters whose top-left inked pixel lands at (x, y); with center,
        x is the middle. `color` may be a function of (x, y). Returns the
        width and height of the inked box."""
        w, h, cover = text_mask(string, size, font)
        if center:
            x -= w // 2
        for j in range(h):
            for i in range(w):
                a = cover[j * w + i] / 255.0
                if a > 0:
                    c = color(x + i, y + j) if callable(color) else color
                    self.blend(x + i, y + j, c, a * alpha)
        return w, h


def text_mask(string, size, font):
    """Coverage (0-255) of the lettering, trimmed to its inked box."""
    args = ["convert", "-background", "black", "-fill", "white", "-font", font, "-pointsize", str(size),
            "label:" + string, "-trim", "+repage"]
    dims = subprocess.run(args + ["-format", "%w %h", "info:"], check=True, capture_output=True, text=True)
    w, h = (int(v) for v in dims.stdout.split())
    raw = subprocess.run(args + ["-depth", "8", "gray:-"], check=True, capture_output=True).stdout
    assert len(raw) == w * h, string
    return w, h, raw


XPM_CHARS = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789#$%&'()*+,-./:;<=>?@[]^_`{|}~"


def write_xpm_picture(name, pic, step=1):
    """A full-colour XPM, channels rounded to `step`; two characters a
    pixel when one does not give enough codes."""
    def key(c):
        if c is None:
            return None
        return tuple(min(255, int(round(v / step)) * step) for v in c)
    rows = [[key(c) for c in row] for row in pic.px]
    colors = sorted({c for row in rows for c in row if c is not None})
    if any(c is None for row in rows for c in row):
        colors.append(None)
    cpp = 1 if len(colors) <= len(XPM_CHARS) else 2
    assert len(colors) <= len(XPM_CHARS) ** cpp, (name, len(colors))
    codes = {}
    for n, c in enumerate(colors):
        codes[c] = XPM_CHARS[n] if cpp == 1 else XPM_CHARS[n // len(XPM_CHARS)] + XPM_CHARS[n % len(XPM_CHARS)]
    lines = [f'"{pic.w} {pic.h} {len(colors)} {cpp}",']
    for c in colors:
        value = "None" if c is None else "#%02X%02X%02X" % c
        lines.append(f'"{codes[c]} c {value}",')
    for i, row in enumerate(rows):
        lines.append('"' + "".join(codes[c] for c in row) + '"' + ("," if i + 1 < pic.h else ""))
    var = name.replace("-", "_")
    text = "/* XPM */\n/* Drawn for this program by scripts/draw_bitmaps.py. */\n"
    text += f"static const char* const xpm_{var}[] = {{\n" + "\n".join(lines) + "\n};\n"
    with open(os.path.join(OUT, name + ".xpm"), "w", encoding="ascii") as f:
        f.write(text)


def rainbow(t):
    """A soft spectrum colour for t in [0, 1): the sheen of a disc."""
    h = (t % 1.0) * 6.0
    k = int(h)
    f = h - k
    r, g, b = [(1, f, 0), (1 - f, 1, 0), (0, 1, f), (0, 1 - f, 1), (f, 0, 1), (1, 0, 1 - f)][k % 6]
    return (200 + 55 * r, 200 + 55 * g, 200 + 55 * b)


def draw_disc(pic, cx, cy, r, hole_color=None):
    """A DVD: silver body with a rainbow sheen, a clear hub and a hole
    (left as it is under the disc when hole_color is None)."""
    def body(x, y):
        a = math.atan2(y - cy, x - cx)
        d = math.hypot(x - cx, y - cy) / r
        base = mix((176, 186, 204), (236, 240, 248), 0.5 + 0.5 * math.sin(2 * a + 0.6))
        sheen = rainbow((a / (2 * math.pi)) * 2 + d * 0.35)
        return mix(base, sheen, 0.45 * max(0.0, math.sin(2 * a - 0.9)) ** 2)
    pic.ring(cx, cy, r * 0.98, r, (96, 104, 120))
    pic.ring(cx, cy, r * 0.36, r * 0.98, body)
    pic.ring(cx, cy, r * 0.30, r * 0.36, (150, 156, 170))
    pic.ring(cx, cy, r * 0.16, r * 0.30, (214, 220, 230))
    if hole_color is not None:
        pic.ellipse(cx, cy, r * 0.16, r * 0.16, hole_color)
    # A glint across the upper left.
    pic.shape(lambda x, y: r * 0.45 <= math.hypot(x - cx, y - cy) <= r * 0.9 and
              abs(math.atan2(y - cy, x - cx) + 2.3) < 0.18,
              (cx - r, cy - r, cx + r, cy + r), (252, 252, 252), 0.7)


def title_logo():
    """128 x 42, painted on the title form with white as transparent."""
    pic = Picture(128, 42)
    draw_disc(pic, 21, 21, 19)  # the hole stays white: the form shows through
    ink = lambda x, y: mix((18, 48, 120), (40, 110, 200), (y - 4) / 26.0)
    size = 26
    while text_mask("Quarvex", size, FONT_BOLD)[0] > 78:
        size -= 1
    w, h = pic.text(46, 5, "Quarvex", size, ink)
    pic.line(47, 30.5, 46 + w, 30.5, 1.6, (214, 60, 40))
    pic.text(47 + w // 2, 33, "DVD CATALOG", 7, (90, 96, 110), font=FONT_REGULAR, center=True)
    # No drawn pixel may be pure white, or it would vanish with the rest.
    for row in pic.px:
        for i, c in enumerate(row):
            if c != (255, 255, 255) and min(c) > 250:
                row[i] = (250, 250, 250)
    return pic


def about_picture():
    """255 x 334, scrolled upward behind the about box's window."""
    pic = Picture(255, 334)
    pic.vgrad(0, 334, (22, 52, 110), (226, 236, 250))
    # Title card.
    for k in range(40):
        sx, sy = (k * 73) % 251 + 2, (k * 37) % 88 + 2
        if 40 <= sx <= 215 and 14 <= sy <= 84:
            continue  # the lettering stays clear
        pic.ellipse(sx, sy, 0.8, 0.8, (220, 230, 255), 0.35 + 0.4 * ((k * 17) % 5) / 4)
    pic.text(129, 22, "Quarvex", 34, (0, 0, 30), alpha=0.45, center=True)
    pic.text(127, 20, "Quarvex", 34, lambda x, y: mix((255, 255, 255), (190, 215, 255), (y - 20) / 34.0),
             center=True)
    pic.text(127, 66, "Version 1.04", 12, (214, 226, 250), font=FONT_REGULAR, center=True)
    # Discs.
    draw_disc(pic, 78, 150, 36, hole_color=mix((22, 52, 110), (226, 236, 250), 150 / 334.0))
    draw_disc(pic, 128, 136, 36, hole_color=mix((22, 52, 110), (226, 236, 250), 136 / 334.0))
    draw_disc(pic, 178, 150, 36, hole_color=mix((22, 52, 110), (226, 236, 250), 150 / 334.0))
    pic.text(128, 192, "DVD", 13, (236, 242, 255), center=True)
    # A hard disk below: case, platter, arm.
    pic.rrect(62, 214, 194, 286, 6, (60, 64, 74))
    pic.rrect(64, 216, 192, 284, 5, lambda x, y: mix((196, 200, 210), (150, 156, 168), (y - 216) / 68.0))
    pic.ellipse(112, 250, 30, 30, (120, 126, 140))
    pic.ellipse(112, 250, 29, 29, lambda x, y: mix((232, 236, 244), (170, 178, 192),
                                                    0.5 + 0.5 * math.sin(math.atan2(y - 250, x - 112) * 2)))
    pic.ellipse(112, 250, 6, 6, (96, 100, 112))
    pic.line(172, 226, 130, 262, 4, (70, 74, 84))
    pic.ellipse(172, 226, 5, 5, (84, 88, 100))
    for sx, sy in ((70, 222), (186, 222), (70, 278), (186, 278)):
        pic.ellipse(sx, sy, 2, 2, (110, 114, 124))
    pic.rrect(150, 268, 186, 278, 2, (40, 130, 80))
    pic.text(168, 270, "HDD", 7, (235, 255, 240), font=FONT_BOLD, center=True)
    # The closing lines, shown when the picture has stopped.
    pic.text(128, 298, "DVD Catalogue & Folder Compare", 9, (28, 56, 112), font=FONT_REGULAR, center=True)
    pic.text(128, 314, "Quarvex 1.04", 10, (28, 56, 112), center=True)
    return pic


def question_icon():
    """32 x 32: a blue ball with a white question mark, transparent around."""
    pic = Picture(32, 32, fill=None)
    pic.ellipse(16.5, 17.5, 14.5, 14.5, (0, 0, 0), 0.18)
    ball = lambda x, y: mix((120, 176, 255), (10, 60, 170), min(1.0, math.hypot(x - 11, y - 10) / 22.0))
    pic.ellipse(16, 16, 14.5, 14.5, (20, 60, 150))
    pic.ellipse(16, 16, 13.6, 13.6, ball)
    pic.text(16, 7, "?", 22, (255, 255, 255), center=True)
    return pic



if __name__ == "__main__":
    os.makedirs(OUT, exist_ok=True)
    write_xpm("toolbar", toolbar_strip())
    write_xpm("mainicon", main_icon(32))
    write_xpm_picture("title_logo", title_logo())
    write_xpm_picture("about_scroll", about_picture(), step=4)
    write_xpm_picture("question", question_icon())
    for kind in ("diff", "new", "old", "same"):
        write_xpm("state_" + kind, state_bitmap(kind))
    write_xpm("filtericon", filter_icon(32))
    print("written into", os.path.normpath(OUT))
