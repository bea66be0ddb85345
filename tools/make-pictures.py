#!/usr/bin/python3
"""Draws the player's button bitmaps and icon (player/resources). Run it again
after changing a picture; the results are committed."""
import os
from PIL import Image, ImageDraw

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "player", "resources")
FACE = (212, 208, 200)
INK = (30, 30, 30)


def button(name, draw_symbol):
    img = Image.new("RGB", (16, 16), FACE)
    draw_symbol(ImageDraw.Draw(img))
    img.save(os.path.join(here, name), format="BMP")


button("play.bmp", lambda d: d.polygon([(5, 3), (5, 12), (11, 7)], fill=(20, 120, 40)))
button("pause.bmp", lambda d: (d.rectangle([4, 3, 6, 12], fill=INK), d.rectangle([9, 3, 11, 12], fill=INK)))
button("stop.bmp", lambda d: (d.rectangle([3, 3, 4, 12], fill=INK), d.polygon([(12, 3), (12, 12), (6, 7)], fill=INK)))

# Icon: two offset lenses, red and cyan, the usual sign of a stereo picture.
icon = Image.new("RGBA", (32, 32), (0, 0, 0, 0))
d = ImageDraw.Draw(icon)
d.rounded_rectangle([1, 7, 30, 24], radius=5, fill=(40, 40, 48, 255))
d.ellipse([4, 10, 14, 21], fill=(220, 40, 40, 255))
d.ellipse([17, 10, 27, 21], fill=(40, 200, 220, 255))
icon.save(os.path.join(here, "vizor.ico"), sizes=[(32, 32), (16, 16)])

# About box picture (127): a pair of eyes looking at a screen with depth.
about = Image.new("RGB", (48, 48), FACE)
d = ImageDraw.Draw(about)
d.rectangle([4, 8, 43, 35], fill=(20, 20, 28))
d.rectangle([14, 14, 29, 29], fill=(220, 40, 40))
d.rectangle([18, 14, 33, 29], fill=(40, 200, 220))
d.rectangle([18, 14, 29, 29], fill=(235, 235, 235))
d.rectangle([20, 36, 27, 40], fill=(80, 80, 80))
d.rectangle([12, 40, 35, 42], fill=(80, 80, 80))
about.save(os.path.join(here, "about.bmp"), format="BMP")

# Packing pictures of the configuration panel: where the two views lie in a frame.
L, R, BAND = (220, 60, 60), (60, 120, 220), (0, 0, 0)


def packing(name, draw):
    img = Image.new("RGB", (32, 24), FACE)
    d = ImageDraw.Draw(img)
    d.rectangle([0, 0, 31, 23], outline=INK)
    draw(d)
    img.save(os.path.join(here, name), format="BMP")


packing("shifted_ab.bmp", lambda d: (d.rectangle([1, 1, 30, 10], fill=L), d.rectangle([1, 11, 30, 12], fill=BAND),
                                     d.rectangle([1, 13, 30, 22], fill=R)))
packing("pure_ab.bmp", lambda d: (d.rectangle([1, 1, 30, 11], fill=L), d.rectangle([1, 12, 30, 22], fill=R)))
packing("pure_lr.bmp", lambda d: (d.rectangle([1, 1, 15, 22], fill=L), d.rectangle([16, 1, 30, 22], fill=R)))
packing("interlaced.bmp", lambda d: [d.line([1, y, 30, y], fill=L if y % 2 else R) for y in range(1, 23)])
