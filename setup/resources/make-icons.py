#!/usr/bin/python3
"""Draws the launcher's icons (setup/resources): the program icon (100) and the
picture of its dialogs (101). Run it again after changing a picture; the results
are committed."""
import os
from PIL import Image, ImageDraw

here = os.path.dirname(os.path.abspath(__file__))


def box(draw, dx=0, dy=0):
    """A closed carton seen from the front-right, with a red and a cyan label."""
    draw.polygon([(4 + dx, 11 + dy), (16 + dx, 6 + dy), (28 + dx, 11 + dy), (16 + dx, 16 + dy)],
                 fill=(214, 170, 102, 255), outline=(90, 60, 30, 255))
    draw.polygon([(4 + dx, 11 + dy), (16 + dx, 16 + dy), (16 + dx, 29 + dy), (4 + dx, 23 + dy)],
                 fill=(184, 136, 74, 255), outline=(90, 60, 30, 255))
    draw.polygon([(16 + dx, 16 + dy), (28 + dx, 11 + dy), (28 + dx, 23 + dy), (16 + dx, 29 + dy)],
                 fill=(160, 112, 56, 255), outline=(90, 60, 30, 255))
    draw.ellipse([18 + dx, 16 + dy, 22 + dx, 20 + dy], fill=(220, 40, 40, 255))
    draw.ellipse([22 + dx, 14 + dy, 26 + dx, 18 + dy], fill=(40, 200, 220, 255))


program = Image.new("RGBA", (32, 32), (0, 0, 0, 0))
box(ImageDraw.Draw(program))
program.save(os.path.join(here, "setup.ico"), sizes=[(32, 32), (16, 16)])

# The dialog picture: the carton with a green arrow going into it.
picture = Image.new("RGBA", (32, 32), (0, 0, 0, 0))
d = ImageDraw.Draw(picture)
box(d, dy=2)
d.polygon([(13, 0), (19, 0), (19, 5), (23, 5), (16, 12), (9, 5), (13, 5)],
          fill=(30, 150, 60, 255), outline=(10, 80, 30, 255))
picture.save(os.path.join(here, "dialog.ico"), sizes=[(32, 32), (16, 16)])
