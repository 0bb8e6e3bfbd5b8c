#!/usr/bin/env python3
"""Draws the atlas's tool-button glyphs and cursors into geoatlas/res/ as PNG files, and the
viewer's icon into apps/tyxgeo-viewer/icons/ (SVG, and PNG at 48 and 256 pixels).

The shapes are signed-distance figures sampled 4 x 4 per pixel, so edges come out smooth at the
small sizes the widgets use. Each glyph and cursor comes twice: NAME.png, and NAME@2x.png with
the same shapes at twice the pixels for screens of a device pixel ratio above 1. Run it again after
changing a shape; the files are committed.
"""
import math
import os
import struct
import sys
import zlib

SS = 4  # samples per pixel along each axis


def capsule(a, b, r):
    def sd(x, y):
        ax, ay = a
        bx, by = b
        dx, dy = bx - ax, by - ay
        t = ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy) if (dx or dy) else 0.0
        t = max(0.0, min(1.0, t))
        return math.hypot(x - ax - t * dx, y - ay - t * dy) - r
    return sd


def circle(c, r):
    return lambda x, y: math.hypot(x - c[0], y - c[1]) - r


def ring(c, r, half):
    return lambda x, y: abs(math.hypot(x - c[0], y - c[1]) - r) - half


def box(x0, y0, x1, y1, r=0.0):
    cx, cy, hx, hy = (x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2 - r, (y1 - y0) / 2 - r
    def sd(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        return math.hypot(max(qx, 0), max(qy, 0)) + min(max(qx, qy), 0) - r
    return sd


def polygon(pts):
    def sd(x, y):
        d = float("inf")
        inside = False
        n = len(pts)
        for i in range(n):
            (ax, ay), (bx, by) = pts[i], pts[(i + 1) % n]
            d = min(d, capsule((ax, ay), (bx, by), 0)(x, y))
            if (ay > y) != (by > y) and x < (bx - ax) * (y - ay) / (by - ay) + ax:
                inside = not inside
        return -d if inside else d
    return sd


def union(*fs):
    return lambda x, y: min(f(x, y) for f in fs)


def render(w, h, layers, k=1, ss=SS):
    """layers: (signed distance, fill RGBA, outline RGBA or None, outline width), bottom first.
    The figures are w x h pixels; k > 1 draws them at k times the pixels each way."""
    px = []
    for j in range(h * k):
        row = []
        for i in range(w * k):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sj in range(ss):
                for si in range(ss):
                    x, y = (i + (si + 0.5) / ss) / k, (j + (sj + 0.5) / ss) / k
                    col = (0, 0, 0, 0)
                    for sd, fill, line, lw in layers:
                        d = sd(x, y)
                        if line is not None and -lw < d <= 0:
                            col = over(line, col)
                        elif d <= 0:
                            col = over(fill, col)
                    a = col[3] / 255.0
                    acc[0] += col[0] * a
                    acc[1] += col[1] * a
                    acc[2] += col[2] * a
                    acc[3] += a
            a = acc[3] / (ss * ss)
            row.append((0, 0, 0, 0) if a == 0 else tuple(round(c / acc[3]) for c in acc[:3]) + (round(a * 255),))
        px.append(row)
    return px


def over(top, below):
    ta, ba = top[3] / 255.0, below[3] / 255.0
    a = ta + ba * (1 - ta)
    if a == 0:
        return (0, 0, 0, 0)
    return tuple(round((top[k] * ta + below[k] * ba * (1 - ta)) / a) for k in range(3)) + (round(a * 255),)


def disabled(px):
    """The greyed second glyph: every colour to a light grey of its brightness."""
    out = []
    for row in px:
        out.append([(g, g, g, p[3]) for p in row for g in [round(128 + (0.3 * p[0] + 0.59 * p[1] + 0.11 * p[2]) * 107 / 255)]])
    return out


def side_by_side(a, b):
    return [ra + rb for ra, rb in zip(a, b)]


def write_png(path, px):
    h, w = len(px), len(px[0])
    raw = b"".join(b"\0" + bytes(v for p in row for v in p) for row in px)
    def chunk(tag, data):
        return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF)
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


BLACK, WHITE, DARK = (0, 0, 0, 255), (255, 255, 255, 255), (48, 48, 48, 255)
GLASS = (200, 228, 255, 255)


def pointer_glyph(k):
    arrow = polygon([(4, 1), (4, 16.8), (7.8, 13.3), (10.5, 19.0), (13.5, 17.6), (10.9, 12.2), (15.8, 12.2)])
    return render(20, 20, [(arrow, WHITE, BLACK, 1.05)], k)


def zoomin_glyph(k):
    c = (8.5, 8.5)  # a pixel's centre, so that the plus comes out crisp
    return render(20, 20, [
        (capsule((12.5, 12.5), (17.8, 17.8), 1.9), DARK, None, 0),
        (circle(c, 5.6), GLASS, None, 0),
        (ring(c, 6.0, 0.9), BLACK, None, 0),
        (union(capsule((5.5, 8.5), (11.5, 8.5), 0.5), capsule((8.5, 5.5), (8.5, 11.5), 0.5)), BLACK, None, 0),
    ], k)


def zoom_cursor(k):
    c = (6.5, 6.5)  # the hot spot (6, 6) is the lens's centre
    outline = (255, 255, 255, 255)
    return render(32, 32, [
        (union(ring(c, 4.6, 1.9), capsule((10, 10), (16.5, 16.5), 2.6)), outline, None, 0),
        (circle(c, 3.9), (255, 255, 255, 110), None, 0),
        (union(ring(c, 4.6, 0.85), capsule((10, 10), (16.5, 16.5), 1.6)), BLACK, None, 0),
        (union(capsule((4.6, 6.5), (8.4, 6.5), 0.6), capsule((6.5, 4.6), (6.5, 8.4), 0.6)), BLACK, None, 0),
    ], k)


def hand_cursor(k):
    fingers = [(4.9, 5.0, 1.75), (8.6, 2.2, 1.8), (12.3, 3.2, 1.8), (15.8, 6.4, 1.6)]  # x, top, radius
    hand = union(
        *[capsule((x, top), (x, 12.5), r) for x, top, r in fingers],
        capsule((2.2, 11.6), (6.0, 17.0), 1.7),  # thumb
        box(3.4, 10.5, 17.4, 20.5, 3.0),         # palm
        box(6.0, 17.0, 14.8, 23.0, 0.8),         # wrist
    )
    # Creases between the fingers, down to the palm, so that they read as fingers.
    creases = union(*[capsule(((a[0] + b[0]) / 2, max(a[1], b[1]) + 1.2), ((a[0] + b[0]) / 2, 11.5), 0.45)
                      for a, b in zip(fingers, fingers[1:])])
    return render(32, 32, [(hand, WHITE, BLACK, 1.1), (creases, BLACK, None, 0)], k)


# The viewer's icon: a map folded in three, sea and land, with a red pin. Each shape is described
# once, in units of a 48 x 48 square, and drawn both as SVG and through the distance figures.
ICON_SEA, ICON_SEA_FOLD = (176, 214, 240, 255), (144, 190, 226, 255)
ICON_LAND, ICON_LAND_FOLD = (124, 186, 98, 255), (104, 164, 82, 255)
ICON_PIN, ICON_PIN_EDGE = (214, 40, 40, 255), (110, 16, 16, 255)


def icon_shapes():
    """(kind, parameters, colour), bottom first: kind "poly" takes points, "circle" centre and radius."""
    panels = [[(5, 11), (17, 6), (17, 38), (5, 43)], [(17, 6), (31, 11), (31, 43), (17, 38)],
              [(31, 11), (43, 6), (43, 38), (31, 43)]]
    coast = [(5, 28), (9, 24), (13, 26), (17, 23), (21, 27), (25, 25), (31, 29), (35, 26), (39, 27), (43, 23)]
    shapes = []
    for k, panel in enumerate(panels):
        x0, x1 = panel[0][0], panel[1][0]
        # The land is what lies below the coast, within the panel down to its lower edge.
        land = [p for p in coast if x0 <= p[0] <= x1] + [panel[2], panel[3]]
        fold = k == 1
        shapes.append(("poly", panel, ICON_SEA_FOLD if fold else ICON_SEA))
        shapes.append(("poly", land, ICON_LAND_FOLD if fold else ICON_LAND))
    shapes += [
        ("circle", ((24, 15), 7.6), ICON_PIN_EDGE),
        ("poly", [(17.4, 18.2), (30.6, 18.2), (24, 31)], ICON_PIN_EDGE),
        ("circle", ((24, 15), 6.3), ICON_PIN),
        ("poly", [(18.6, 18.0), (29.4, 18.0), (24, 28.6)], ICON_PIN),
        ("circle", ((24, 15), 2.5), WHITE),
    ]
    return shapes


def icon_png(size):
    k = size / 48.0
    def scaled(sd):
        return lambda x, y: sd(x / k, y / k) * k
    layers = []
    for kind, par, colour in icon_shapes():
        sd = polygon(par) if kind == "poly" else circle(*par)
        layers.append((scaled(sd), colour, None, 0))
    return render(size, size, layers, ss=SS if size <= 64 else 2)


def icon_svg():
    def rgb(c):
        return "#%02x%02x%02x" % c[:3]
    out = ['<svg xmlns="http://www.w3.org/2000/svg" width="48" height="48" viewBox="0 0 48 48">']
    for kind, par, colour in icon_shapes():
        if kind == "poly":
            pts = " ".join("%g,%g" % p for p in par)
            out.append('  <polygon points="%s" fill="%s"/>' % (pts, rgb(colour)))
        else:
            (cx, cy), r = par
            out.append('  <circle cx="%g" cy="%g" r="%g" fill="%s"/>' % (cx, cy, r, rgb(colour)))
    return "\n".join(out + ["</svg>", ""])


def main():
    top = os.path.join(os.path.dirname(__file__), "..")
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(top, "geoatlas", "res")
    icons = sys.argv[2] if len(sys.argv) > 2 else os.path.join(top, "apps", "tyxgeo-viewer", "icons")
    for k, suffix in ((1, ""), (2, "@2x")):
        p, z = pointer_glyph(k), zoomin_glyph(k)
        write_png(os.path.join(out, f"pointr{suffix}.png"), side_by_side(p, disabled(p)))
        write_png(os.path.join(out, f"zoomin{suffix}.png"), side_by_side(z, disabled(z)))
        write_png(os.path.join(out, f"curgeozoom{suffix}.png"), zoom_cursor(k))
        write_png(os.path.join(out, f"curgeohand{suffix}.png"), hand_cursor(k))
    os.makedirs(icons, exist_ok=True)
    with open(os.path.join(icons, "tyxgeo-viewer.svg"), "w") as f:
        f.write(icon_svg())
    for size in (48, 256):
        write_png(os.path.join(icons, "tyxgeo-viewer-%d.png" % size), icon_png(size))


if __name__ == "__main__":
    main()
