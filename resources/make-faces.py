#!/usr/bin/env python3
"""Writes Corvane's button faces, banner and icon as SVG files.

Run from anywhere: python3 resources/make-faces.py. The SVGs are checked in;
edit this script and run it again to change the look of every face at once.
"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))
FONT = "Liberation Sans"  # QtSvg takes one family; fonts-liberation is a dependency

# (file stem, caption, width px, height px, base colour, dark colour, glyph).
# Stop Find is wider than Find Dupes, whose place it takes while a search runs;
# its face keeps Find Dupes' width on the left so the swap does not jump.
BUTTONS = [
    ("add-folder", "ADD FOLDER", 97, 73, "#2563eb", "#1e40af", "folder-plus"),
    ("find-dupes", "FIND DUPES", 97, 73, "#059669", "#046c4e", "search"),
    ("clear-list", "CLEAR LIST", 97, 73, "#64748b", "#3f4b5c", "clear"),
    ("stop-find", "STOP FIND", 113, 73, "#dc2626", "#991b1b", "stop"),
    ("back-to-main", "BACK TO MAIN", 137, 73, "#2563eb", "#1e40af", "back"),
    ("send-to-recycling", "SEND TO RECYCLING", 145, 73, "#dc2626", "#991b1b", "bin"),
    ("uncheck-all", "UNCHECK ALL", 145, 73, "#64748b", "#3f4b5c", "uncheck"),
]

CARD_WIDTH = {"STOP FIND": 97}


def glyph(kind, cx, cy, colour):
    """A 28 px line icon centred on (cx, cy), drawn in white."""
    s = f'stroke="#ffffff" stroke-width="2.4" stroke-linecap="round" stroke-linejoin="round"'
    x, y = cx - 14, cy - 14
    if kind == "folder-plus":
        return (f'<path d="M{x+2} {y+6} h8 l3 3 h13 v15 h-24 z" fill="none" {s}/>'
                f'<path d="M{x+14} {y+12} v8 M{x+10} {y+16} h8" fill="none" {s}/>')
    if kind == "search":
        return (f'<rect x="{x+2}" y="{y+2}" width="13" height="17" rx="2" fill="none" {s}/>'
                f'<rect x="{x+7}" y="{y+6}" width="13" height="17" rx="2" fill="{colour}" {s}/>'
                f'<circle cx="{x+18}" cy="{y+17}" r="5" fill="{colour}" {s}/>'
                f'<path d="M{x+21.5} {y+20.5} l4.5 4.5" fill="none" {s}/>')
    if kind == "clear":
        return (f'<path d="M{x+3} {y+7} h14 M{x+3} {y+14} h10 M{x+3} {y+21} h8" fill="none" {s}/>'
                f'<path d="M{x+17} {y+15} l8 8 M{x+25} {y+15} l-8 8" fill="none" {s}/>')
    if kind == "stop":
        return (f'<circle cx="{cx}" cy="{cy}" r="12" fill="none" {s}/>'
                f'<rect x="{cx-5}" y="{cy-5}" width="10" height="10" rx="1.5" fill="#ffffff"/>')
    if kind == "back":
        return (f'<path d="M{x+12} {y+6} l-8 8 l8 8" fill="none" {s}/>'
                f'<path d="M{x+4} {y+14} h14 a6 6 0 0 1 6 6 v3" fill="none" {s}/>')
    if kind == "bin":
        return (f'<path d="M{x+4} {y+7} h20 M{x+10} {y+7} v-3 h8 v3" fill="none" {s}/>'
                f'<path d="M{x+6} {y+7} l1.5 18 h13 l1.5 -18" fill="none" {s}/>'
                f'<path d="M{x+11.5} {y+11.5} v9 M{x+16.5} {y+11.5} v9" fill="none" {s}/>')
    if kind == "uncheck":
        return (f'<rect x="{x+2}" y="{y+2}" width="11" height="11" rx="2" fill="none" {s}/>'
                f'<rect x="{x+15}" y="{y+15}" width="11" height="11" rx="2" fill="none" {s}/>'
                f'<path d="M{x+17} {y+5} h9 M{x+2} {y+20.5} h9" fill="none" {s}/>')
    raise ValueError(kind)


def face(caption, w, h, base, dark, kind, pressed):
    inset = 4
    card = CARD_WIDTH.get(caption, w)
    bw, bh = card - 2 * inset, h - 2 * inset
    cx = card / 2
    drop = 0 if pressed else 2
    shift = 1 if pressed else 0
    top = base if not pressed else dark
    bottom = dark
    size = 11 if len(caption) <= 12 else 10
    parts = [
        f'<svg xmlns="http://www.w3.org/2000/svg" width="{w}" height="{h}" viewBox="0 0 {w} {h}">',
        '<defs>',
        f'<linearGradient id="g" x1="0" y1="0" x2="0" y2="1">'
        f'<stop offset="0" stop-color="{top}"/><stop offset="1" stop-color="{bottom}"/></linearGradient>',
        '</defs>',
    ]
    if drop:
        parts.append(f'<rect x="{inset}" y="{inset + drop}" width="{bw}" height="{bh}" rx="9" '
                     f'fill="#0f172a" fill-opacity="0.18"/>')
    parts.append(f'<rect x="{inset}" y="{inset + shift}" width="{bw}" height="{bh}" rx="9" fill="url(#g)"/>')
    if pressed:
        # An inner shadow along the top edge makes the face look pushed in.
        parts.append(f'<rect x="{inset + 1}" y="{inset + shift + 1}" width="{bw - 2}" height="6" rx="5" '
                     f'fill="#000000" fill-opacity="0.18"/>')
    else:
        # A one-pixel light edge along the top instead of a glossy band.
        parts.append(f'<rect x="{inset + 6}" y="{inset + 1}" width="{bw - 12}" height="1" '
                     f'fill="#ffffff" fill-opacity="0.35"/>')
    parts.append(glyph(kind, cx, inset + shift + 23, dark))
    parts.append(f'<text x="{cx}" y="{inset + shift + bh - 9}" text-anchor="middle" '
                 f'font-family="{FONT}" font-weight="bold" font-size="{size}" '
                 f'letter-spacing="0.4" fill="#ffffff">{caption}</text>')
    parts.append('</svg>\n')
    return "\n".join(parts)


def mark(x, y, scale):
    """Corvane's mark: two file sheets, the front one ticked, on an indigo tile."""
    def p(v):
        return f"{v * scale:.2f}"
    return (
        f'<g transform="translate({x} {y})">'
        f'<rect x="0" y="0" width="{p(64)}" height="{p(64)}" rx="{p(14)}" fill="url(#tile)"/>'
        f'<rect x="{p(13)}" y="{p(10)}" width="{p(26)}" height="{p(34)}" rx="{p(4)}" fill="#c7d2fe"/>'
        f'<rect x="{p(24)}" y="{p(19)}" width="{p(27)}" height="{p(35)}" rx="{p(4)}" fill="#ffffff"/>'
        f'<path d="M{p(30)} {p(37)} l{p(5)} {p(5)} l{p(10)} {p(-11)}" fill="none" stroke="#059669" '
        f'stroke-width="{p(4.5)}" stroke-linecap="round" stroke-linejoin="round"/>'
        f'</g>')


TILE = ('<linearGradient id="tile" x1="0" y1="0" x2="1" y2="1">'
        '<stop offset="0" stop-color="#4f46e5"/><stop offset="1" stop-color="#312e81"/></linearGradient>')


def icon():
    return ('<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">'
            f'<defs>{TILE}</defs>{mark(0, 0, 4)}</svg>\n')


def banner():
    w, h = 316, 92
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{w}" height="{h}" viewBox="0 0 {w} {h}">'
            f'<defs>{TILE}</defs>'
            f'<rect x="0" y="0" width="{w}" height="{h}" fill="#ffffff"/>'
            f'{mark(16, 18, 0.875)}'
            f'<text x="82" y="56" font-family="{FONT}" font-weight="bold" font-size="33" '
            f'fill="#1e1b4b">Corvane</text>'
            f'<text x="83" y="75" font-family="{FONT}" font-size="12.5" letter-spacing="0.3" '
            f'fill="#64748b">Duplicate file finder</text>'
            '</svg>\n')


def folder():
    """The folder list's row icon."""
    return ('<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">'
            '<path d="M3 8 a2 2 0 0 1 2 -2 h7 l3 3 h12 a2 2 0 0 1 2 2 v14 a2 2 0 0 1 -2 2 h-22 '
            'a2 2 0 0 1 -2 -2 z" fill="#3b82f6"/>'
            '<path d="M3 12 h26 v13 a2 2 0 0 1 -2 2 h-22 a2 2 0 0 1 -2 -2 z" fill="#60a5fa"/>'
            '</svg>\n')


def write(name, text):
    path = os.path.join(HERE, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as out:
        out.write(text)


def main():
    for stem, caption, w, h, base, dark, kind in BUTTONS:
        write(f"buttons/{stem}.svg", face(caption, w, h, base, dark, kind, pressed=False))
        write(f"buttons/{stem}-pressed.svg", face(caption, w, h, base, dark, kind, pressed=True))
    write("banner.svg", banner())
    write("corvane.svg", icon())
    write("folder.svg", folder())


if __name__ == "__main__":
    main()
