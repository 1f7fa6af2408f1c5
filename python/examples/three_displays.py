"""Draws one picture on a monochrome, a 16-colour and a 256-colour display
with Floyd-Steinberg dithering, and saves the three screens side by side.

    venv/bin/python python/examples/three_displays.py docs/python_example.png
"""
import sys

import numpy as np
from PIL import Image

import dibdraw


def picture(width=240, height=160):
    """A sky, a sun and a hill: smooth gradients that need dithering."""
    y, x = np.mgrid[0:height, 0:width]
    sky = np.stack([60 + 120 * y // height, 120 + 100 * y // height, 255 - 60 * y // height], axis=2)
    sun = (x - 170) ** 2 + (y - 50) ** 2 < 28 ** 2
    hill = y > height - 50 + 30 * np.cos(x / 40.0)
    image = sky.astype(np.uint8)
    image[sun] = (255, 210, 60)
    image[hill] = np.stack([40 + x[hill] // 4, 150 - y[hill] // 3, 40 + 0 * x[hill]], axis=1)
    return image


def main(output):
    shown = [dibdraw.render(picture(), display=display, dither=2).convert("RGB") for display in ("1", "4", "8")]
    strip = Image.new("RGB", (sum(s.width for s in shown) + 8 * (len(shown) - 1), shown[0].height), "white")
    left = 0
    for screen in shown:
        strip.paste(screen, (left, 0))
        left += screen.width + 8
    strip.save(output)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "python_example.png")
