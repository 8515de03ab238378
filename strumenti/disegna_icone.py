#!/usr/bin/env python3
"""Draws Custodex's icons and writes them as XPM, PNG and SVG files.

The pictures are small enough to be described by a few shapes, so they are
kept as code rather than as hand-edited pixels: changing a colour or a size
means running this again, and the output is always a valid 16-colour XPM
that Qt's built-in reader understands. The program's own icon is written as
PNG at every size the desktop's icon theme asks for, and as SVG for the
theme's scalable size; the larger PNGs are rendered from that SVG with
rsvg-convert, so the bitmaps and the vector picture stay the same key.

Usage: python3 strumenti/disegna_icone.py [output folder]
(default: sorgente/app/risorse next to this script's folder)
"""

import math
import os
import struct
import subprocess
import sys
import zlib

TRASPARENTE = None

# Each key is drawn with a four-step ramp: outline, shadow, body, light.
ARGENTO = ("#2e3238", "#6c747c", "#a4acb4", "#e4e8ee")
ORO = ("#4a3000", "#a87008", "#e0b028", "#fff0a0")


class Tela:
    """A pixel grid; each cell holds a colour string or None."""

    def __init__(self, larghezza, altezza):
        self.w = larghezza
        self.h = altezza
        self.px = [[TRASPARENTE] * larghezza for _ in range(altezza)]

    def dentro(self, x, y):
        return 0 <= x < self.w and 0 <= y < self.h

    def get(self, x, y):
        return self.px[y][x] if self.dentro(x, y) else TRASPARENTE

    def put(self, x, y, colore):
        if self.dentro(x, y):
            self.px[y][x] = colore

    def rett(self, x0, y0, x1, y1, colore):
        """Filled rectangle, both corners included."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, colore)

    def cornice(self, x0, y0, x1, y1, colore):
        for x in range(x0, x1 + 1):
            self.put(x, y0, colore)
            self.put(x, y1, colore)
        for y in range(y0, y1 + 1):
            self.put(x0, y, colore)
            self.put(x1, y, colore)

    def oriz(self, x0, x1, y, colore):
        for x in range(x0, x1 + 1):
            self.put(x, y, colore)

    def vert(self, x, y0, y1, colore):
        for y in range(y0, y1 + 1):
            self.put(x, y, colore)


def maschera(w, h, dentro, campioni=4):
    """Rasterises a shape given as a point predicate: a pixel belongs to
    the shape when at least half of its sub-samples fall inside it."""
    m = [[False] * w for _ in range(h)]
    passo = 1.0 / campioni
    soglia = campioni * campioni / 2.0
    for y in range(h):
        for x in range(w):
            n = 0
            for j in range(campioni):
                for i in range(campioni):
                    if dentro(x + (i + 0.5) * passo, y + (j + 0.5) * passo):
                        n += 1
            m[y][x] = n >= soglia
    return m


def in_rilievo(tela, forma, rampa, campioni=1):
    """Paints a shape as a bevelled metal piece. `forma(margine)` gives the
    shape grown by `margine` pixels: the ring between the grown shape and
    the shape itself is the dark outline, so the outline follows the curve
    instead of the pixel steps. The outline is what keeps the picture
    readable when the tree shows it at half size."""
    fuori = maschera(tela.w, tela.h, forma(1.0), campioni)
    m = maschera(tela.w, tela.h, forma(0.0), campioni)
    smalta(tela, m, fuori, rampa)


def smalta(tela, m, fuori, rampa):
    """Outline where `fuori` exceeds `m`; inside `m`, a light rim faces up
    (then left) and a shadow rim down (then right), so a diagonal shaft
    still shows a lit and a shaded edge."""
    contorno, ombra, corpo, luce = rampa
    w, h = tela.w, tela.h

    def pieno(x, y):
        return 0 <= x < w and 0 <= y < h and m[y][x]

    for y in range(h):
        for x in range(w):
            if fuori[y][x] or m[y][x]:
                tela.put(x, y, contorno)
    for y in range(h):
        for x in range(w):
            if not m[y][x]:
                continue
            if not pieno(x, y - 1):
                tela.put(x, y, luce)
            elif not pieno(x, y + 1):
                tela.put(x, y, ombra)
            elif not pieno(x - 1, y):
                tela.put(x, y, luce)
            elif not pieno(x + 1, y):
                tela.put(x, y, ombra)
            else:
                tela.put(x, y, corpo)


def forma_chiave(cx, cy, raggio, foro, lunghezza, spessore, denti, angolo):
    """A key in a frame where it lies along +u with its bow centred on
    (cx, cy), then turned by `angolo` degrees. `denti` lists (u0, u1, depth)
    rectangles hanging below the shaft. Returns a function that, given a
    margin, gives the key grown by that margin as a point predicate."""
    a = math.radians(angolo)
    ca, sa = math.cos(a), math.sin(a)

    def cresciuta(margine):
        def dentro(x, y):
            dx, dy = x - cx, y - cy
            u = dx * ca + dy * sa
            v = -dx * sa + dy * ca
            d = math.hypot(u, v)
            if d <= raggio + margine:
                return d > foro - margine
            if 0 <= u <= lunghezza + margine and abs(v) <= spessore + margine:
                return True
            for u0, u1, prof in denti:
                if u0 - margine <= u <= u1 + margine and 0 <= v <= spessore + prof + margine:
                    return True
            return False

        return dentro

    return cresciuta


# The program's key on a 32-pixel grid: the bitmaps and the scalable picture are drawn from
# these same numbers, so that every size shows the same key.
CHIAVE = dict(
    cx=9.0,
    cy=9.0,
    raggio=7.0,
    foro=3.6,
    lunghezza=27.0,
    spessore=2.2,
    denti=[(16.0, 19.0, 5.5), (23.0, 27.0, 5.5)],
    angolo=45,
)


def chiave32(rampa):
    t = Tela(32, 32)
    in_rilievo(t, forma_chiave(**CHIAVE), rampa)
    return t


def chiave16(rampa):
    """The small key's body is placed pixel by pixel: at 16 px a rotated
    shape rasterises into ragged steps. The hole is too small to stay
    see-through, so it becomes the dark outline colour, which still reads
    as a hole. Outline and shading are derived as for the large key."""
    corpo = [
        "................",
        "..BBBB..........",
        ".BBBBBB.........",
        ".BB..BB.........",
        ".BB..BB.........",
        ".BBBBBBB........",
        "..BBBBBBB.......",
        "......BBBB......",
        ".......BBBB.....",
        "........BBBB....",
        "........BBBBB...",
        ".......BBB.BBB..",
        "........B...BBB.",
        ".............BB.",
        "................",
        "................",
    ]
    m = [[c == "B" for c in riga] for riga in corpo]
    w, h = 16, 16

    def pieno(x, y):
        return 0 <= x < w and 0 <= y < h and m[y][x]

    fuori = [
        [any(pieno(x + dx, y + dy) for dx, dy in ((0, 0), (1, 0), (-1, 0), (0, 1), (0, -1))) for x in range(w)]
        for y in range(h)
    ]
    t = Tela(w, h)
    smalta(t, m, fuori, rampa)
    return t


def da_disegno(righe, colori):
    t = Tela(len(righe[0]), len(righe))
    for y, riga in enumerate(righe):
        for x, c in enumerate(riga):
            if c in colori:
                t.put(x, y, colori[c])
    return t


# A narrow pixel font, only for the letters the note sheet needs; one-pixel
# strokes keep the letters apart, which matters more than weight here.
CARATTERI = {
    "N": ["X..X", "XX.X", "XX.X", "X.XX", "X.XX", "X..X"],
    "O": [".XX.", "X..X", "X..X", "X..X", "X..X", ".XX."],
    "T": ["XXX", ".X.", ".X.", ".X.", ".X.", ".X."],
    "A": [".XX.", "X..X", "X..X", "XXXX", "X..X", "X..X"],
}


def larghezza_testo(testo):
    return sum(len(CARATTERI[c][0]) + 1 for c in testo) - 1


def scrivi(tela, x, y, testo, colore):
    for lettera in testo:
        for j, riga in enumerate(CARATTERI[lettera]):
            for i, c in enumerate(riga):
                if c == "X":
                    tela.put(x + i, y + j, colore)
        x += len(CARATTERI[lettera][0]) + 1


def nota32():
    contorno = "#404448"
    carta = "#ffffff"
    ombra = "#c8ccd0"
    riga = "#7ca0d0"
    rosso = "#d01818"
    piega = "#dde1e6"
    t = Tela(32, 32)
    x0, y0, x1, y1 = 3, 1, 28, 30
    t.rett(x0, y0, x1, y1, carta)
    t.cornice(x0, y0, x1, y1, contorno)
    # A shadow inside the right and bottom edges gives the sheet depth.
    t.vert(x1 - 1, y0 + 1, y1 - 1, ombra)
    t.oriz(x0 + 1, x1 - 1, y1 - 1, ombra)
    # Folded top-right corner: cut the corner away, then draw the flap.
    f = 4
    for k in range(f):
        for x in range(x1 - f + 1 + k, x1 + 1):
            t.put(x, y0 + k, TRASPARENTE)
    for y in range(y0, y0 + f + 1):
        for x in range(x1 - f, x1 - f + (y - y0) + 1):
            t.put(x, y, piega)
    for k in range(f + 1):
        t.put(x1 - f + k, y0 + k, contorno)
    t.vert(x1 - f, y0, y0 + f, contorno)
    t.oriz(x1 - f, x1, y0 + f, contorno)
    # Heading, centred between the left edge and the flap, then a heavy red rule
    # that keeps the sheet's top red when the tree halves the picture.
    w = larghezza_testo("NOTA")
    scrivi(t, x0 + 1 + (x1 - f - x0 - 1 - w) // 2, y0 + 3, "NOTA", rosso)
    t.rett(x0 + 2, y0 + 10, x1 - 3, y0 + 11, rosso)
    for y in range(y0 + 14, y1 - 2, 3):
        t.oriz(x0 + 2, x1 - 3, y, riga)
    return t


def foglio(t, x0, y0, x1, y1, contorno, carta, riga, piega=2, passo=2):
    t.rett(x0, y0, x1, y1, carta)
    t.cornice(x0, y0, x1, y1, contorno)
    for k in range(piega):
        for x in range(x1 - piega + 1 + k, x1 + 1):
            t.put(x, y0 + k, TRASPARENTE)
    for k in range(piega + 1):
        t.put(x1 - piega + k, y0 + k, contorno)
    for y in range(y0 + 1 + passo, y1 - 1, passo):
        t.oriz(x0 + 2, x1 - 2, y, riga)


def copia(scala=1):
    """Two overlapping sheets. `scala` 2 draws the same picture on a grid twice as fine, for
    screens at double density: the lines stay one pixel, so it is sharper, not just larger."""
    da, a = _griglia(scala)
    contorno = "#30343a"
    t = Tela(16 * scala, 16 * scala)
    foglio(t, da(1), da(0), a(9), a(11), contorno, "#e8ecf0", "#a0a8b0", 2 * scala, 1 + scala)
    foglio(t, da(6), da(4), a(14), a(15), contorno, "#ffffff", "#7ca0d0", 2 * scala, 1 + scala)
    return t


def incolla(scala=1):
    """A clipboard with a document on it; `scala` as for copia."""
    da, a = _griglia(scala)
    t = Tela(16 * scala, 16 * scala)
    legno = "#c08a40"
    scuro = "#5a3c10"
    chiaro = "#e0b070"
    metallo = "#b4bcc4"
    contorno = "#30343a"
    # Board.
    t.rett(da(1), da(2), a(11), a(15), legno)
    t.cornice(da(1), da(2), a(11), a(15), scuro)
    t.vert(da(1) + 1, da(2) + 1, a(15) - 1, chiaro)
    # Clip.
    t.rett(da(4), da(0), a(8), a(3), metallo)
    t.cornice(da(4), da(0), a(8), a(3), contorno)
    t.rett(da(6), da(1), a(6), a(1), contorno)
    # The document lying on the board.
    foglio(t, da(6), da(5), a(14), a(15), contorno, "#ffffff", "#7ca0d0", 2 * scala, 1 + scala)
    return t


def _griglia(scala):
    """Maps a 16-pixel design's cell to the first and the last pixel it covers at `scala`."""
    return (lambda x: x * scala), (lambda x: x * scala + scala - 1)


def scrivi_xpm(tela, percorso, nome):
    colori = []
    for riga in tela.px:
        for c in riga:
            if c not in colori:
                colori.append(c)
    # None first so the transparent symbol is always the same.
    colori.sort(key=lambda c: (c is not None, c or ""))
    if len(colori) > 16:
        raise SystemExit(f"{percorso}: {len(colori)} colours, at most 16 allowed")
    simboli = " .XoO+@#$%&*=-;:"
    simbolo = {c: simboli[i] for i, c in enumerate(colori)}
    righe = [f'"{tela.w} {tela.h} {len(colori)} 1",']
    for c in colori:
        righe.append(f'"{simbolo[c]} c {c if c else "None"}",')
    for riga in tela.px:
        righe.append('"' + "".join(simbolo[c] for c in riga) + '",')
    righe[-1] = righe[-1].rstrip(",")
    testo = "/* XPM */\nstatic const char *" + nome + "[] = {\n" + "\n".join(righe) + "\n};\n"
    with open(percorso, "w", encoding="ascii", newline="\n") as f:
        f.write(testo)


def scrivi_png(tela, percorso):
    """The canvas as an 8-bit RGBA PNG, written with the standard library alone."""

    def blocco(tipo, dati):
        corpo = tipo + dati
        return struct.pack(">I", len(dati)) + corpo + struct.pack(">I", zlib.crc32(corpo))

    righe = bytearray()
    for riga in tela.px:
        righe.append(0)  # no filter
        for c in riga:
            righe += bytes.fromhex(c[1:]) + b"\xff" if c else b"\0\0\0\0"
    testo = (
        b"\x89PNG\r\n\x1a\n"
        + blocco(b"IHDR", struct.pack(">IIBBBBB", tela.w, tela.h, 8, 6, 0, 0, 0))
        + blocco(b"IDAT", zlib.compress(bytes(righe), 9))
        + blocco(b"IEND", b"")
    )
    with open(percorso, "wb") as f:
        f.write(testo)


def svg_chiave(rampa, cx, cy, raggio, foro, lunghezza, spessore, denti, angolo):
    """The key of the bitmaps as a scalable picture on the same 32-unit grid: first every piece
    grown by the outline's width in the outline colour, then the pieces themselves on top, so
    that the outline runs round the whole key and never between its pieces. The shading is
    smooth where the bitmaps have a lit and a shaded rim: light from above."""
    contorno, ombra, corpo, luce = rampa
    r, f, s = raggio, foro, spessore
    # The shaft starts inside the bow's ring, where the ring covers its end.
    inizio = math.sqrt(r * r - s * s) - 0.5
    arco = lambda q: f"M {q:g},0 A {q:g},{q:g} 0 1 0 {-q:g},0 A {q:g},{q:g} 0 1 0 {q:g},0 Z"
    anello = f'<path fill-rule="evenodd" d="{arco(r)} {arco(f)}"/>'
    asta = f'<rect x="{inizio:g}" y="{-s:g}" width="{lunghezza - inizio:g}" height="{2 * s:g}"/>'

    def dente(u0, u1, prof, da):
        return f'<rect x="{u0:g}" y="{da:g}" width="{u1 - u0:g}" height="{s + prof - da:g}"/>'

    alto = r * math.sqrt(0.5)
    return f"""<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">
  <defs>
    <linearGradient id="anello" gradientUnits="userSpaceOnUse" x1="{-alto:g}" y1="{-alto:g}" x2="{alto:g}" y2="{alto:g}">
      <stop offset="0" stop-color="{luce}"/><stop offset="0.45" stop-color="{corpo}"/><stop offset="1" stop-color="{ombra}"/>
    </linearGradient>
    <linearGradient id="asta" gradientUnits="userSpaceOnUse" x1="0" y1="{-s:g}" x2="0" y2="{s:g}">
      <stop offset="0" stop-color="{luce}"/><stop offset="0.45" stop-color="{corpo}"/><stop offset="1" stop-color="{ombra}"/>
    </linearGradient>
    <linearGradient id="denti" gradientUnits="userSpaceOnUse" x1="0" y1="{s:g}" x2="0" y2="{s + max(d[2] for d in denti):g}">
      <stop offset="0" stop-color="{corpo}"/><stop offset="1" stop-color="{ombra}"/>
    </linearGradient>
  </defs>
  <g transform="translate({cx:g} {cy:g}) rotate({angolo:g})">
    <g fill="{contorno}" stroke="{contorno}" stroke-width="2">
      {anello}
      {asta}
      {"".join(dente(u0, u1, p, 0) for u0, u1, p in denti)}
    </g>
    <g fill="url(#denti)">{"".join(dente(u0, u1, p, s) for u0, u1, p in denti)}</g>
    <g fill="url(#asta)">{asta}</g>
    <g fill="url(#anello)">{anello}</g>
  </g>
</svg>
"""


# The sizes of the program's icon: the two smallest are the hand-placed bitmaps, the larger ones
# are rendered from the scalable picture.
LATI_DISEGNATI = (48, 64, 128, 256)


def main():
    qui = os.path.dirname(os.path.abspath(__file__))
    uscita = sys.argv[1] if len(sys.argv) > 1 else os.path.join(qui, "..", "sorgente", "app", "risorse")
    lista = [
        ("1.xpm", "chiave_oro_xpm", chiave32(ORO)),
        ("2.xpm", "chiave_argento_xpm", chiave32(ARGENTO)),
        ("3.xpm", "nota_xpm", nota32()),
        ("copia.xpm", "copia_xpm", copia()),
        ("incolla.xpm", "incolla_xpm", incolla()),
        ("copia@2x.xpm", "copia_2x_xpm", copia(2)),
        ("incolla@2x.xpm", "incolla_2x_xpm", incolla(2)),
    ]
    scritti = []
    for file, nome, tela in lista:
        scrivi_xpm(tela, os.path.join(uscita, file), nome)
        scritti.append(file)
    for file, tela in (("custodex16.png", chiave16(ARGENTO)), ("custodex32.png", chiave32(ARGENTO))):
        scrivi_png(tela, os.path.join(uscita, file))
        scritti.append(file)
    svg = os.path.join(uscita, "custodex.svg")
    with open(svg, "w", encoding="utf-8", newline="\n") as f:
        f.write(svg_chiave(ARGENTO, **CHIAVE))
    scritti.append("custodex.svg")
    # librsvg draws the larger sizes (Debian package librsvg2-bin).
    for lato in LATI_DISEGNATI:
        file = f"custodex{lato}.png"
        subprocess.run(
            ["rsvg-convert", "-w", str(lato), "-h", str(lato), "-o", os.path.join(uscita, file), svg],
            check=True,
        )
        scritti.append(file)
    for file in scritti:
        print(os.path.normpath(os.path.join(uscita, file)))


if __name__ == "__main__":
    main()
