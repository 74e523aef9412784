#!/usr/bin/env python3
"""Draws the program's bitmaps and icons and writes them as XPM files into
src/res/bitmaps/ (XPM is C source; the resource tables include the files).

Pictures are drawn here as text grids (one character a pixel) or with a few
drawing helpers; light grey (C0C0C0) is the face colour of toolbar pictures,
shown as transparent. Run it after changing a picture and commit the files.
"""
import os

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


if __name__ == "__main__":
    os.makedirs(OUT, exist_ok=True)
    write_xpm("toolbar", toolbar_strip())
    write_xpm("mainicon", main_icon(32))
    for kind in ("diff", "new", "old", "same"):
        write_xpm("state_" + kind, state_bitmap(kind))
    write_xpm("filtericon", filter_icon(32))
    print("written into", os.path.normpath(OUT))
