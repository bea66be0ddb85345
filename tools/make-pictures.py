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
