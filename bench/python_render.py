"""What rendering through Python costs over the engine alone.

    venv/bin/python bench/python_render.py [ROUNDS]

For each size (1920x1080 and 4096x4096) and case, times dibdraw.render() of
an RGB Pillow image, and the same render by the engine alone: the same C
calls (set up the screen, create a blitter, blit, read the screen's pixels
back into a buffer) on a DIB made beforehand, with nothing converted in
Python and no Pillow image made of the screen. Prints medians in
megapixels per second and their ratio, in one run on one core.
"""
import ctypes
import statistics
import sys
import time

import numpy as np
from PIL import Image

import dibdraw
from dibdraw import _image
from dibdraw._bindings import RECT
from dibdraw._native import VD_KINDS, display, engine

CASES = [("8", 1), ("8", 2), ("4", 2), ("1", 2), ("32", 1)]


def picture(width, height):
    random = np.random.default_rng(1)
    y, x = np.mgrid[0:height, 0:width]
    rgb = np.stack([x * 255 // width, y * 255 // height, (x ^ y) & 255], axis=2)
    return Image.fromarray(np.clip(rgb + random.integers(-16, 17, rgb.shape), 0, 255).astype(np.uint8), "RGB")


KEPT = bytearray()


def read_screen_alone(read):
    """The screen's pixels as a C program would read them, into a buffer it keeps."""
    global KEPT
    size = read(None, 0)
    if len(KEPT) < size:
        KEPT = bytearray(size)
    read((ctypes.c_char * len(KEPT)).from_buffer(KEPT), size)


def engine_alone(dib, kind, dither, width, height):
    """`dib`: a packed DIB of its own (a bytearray)."""
    display.VdConfigure(VD_KINDS[kind], width, height, 0)
    display.VdFillScreen(0)
    result = ctypes.c_int16()
    blitter = engine.DibdrawCreate(dither, 0, ctypes.byref(result))
    window = display.VdCreateWindow(0, 0, width, height)
    data = (ctypes.c_char * len(dib)).from_buffer(dib)
    if kind == "8":
        engine.DibdrawRealizeFixedPalette(blitter, window)
    src, dst = RECT(0, 0, width, height), RECT(0, 0, width, height)
    engine.DibdrawBlitWindow(blitter, window, data, len(dib), ctypes.byref(src), ctypes.byref(dst))
    read_screen_alone(display.VdReadScreenIndices if kind in ("1", "4", "4p", "8") else display.VdReadScreenColors)
    display.VdDestroyWindow(window)
    engine.DibdrawDestroy(blitter)


def median_seconds(work, rounds):
    times = []
    for _ in range(rounds):
        start = time.perf_counter()
        work()
        times.append(time.perf_counter() - start)
    return statistics.median(times)


def main(rounds):
    print(f"dibdraw {dibdraw.__version__}, {rounds} rounds, medians")
    print("| size | display | dither | Python Mpix/s | engine alone Mpix/s | ratio | goal |")
    print("|---|---|---:|---:|---:|---:|---|")
    worst = 0.0
    for width, height in ((1920, 1080), (4096, 4096)):
        image = picture(width, height)
        made = _image.from_image(image, (0, 0, 0))
        dib = bytearray(made.data[:made.size])
        pixels = width * height / 1e6
        for kind, dither in CASES:
            python = median_seconds(lambda: dibdraw.render(image, display=kind, dither=dither), rounds)
            alone = median_seconds(lambda: engine_alone(dib, kind, dither, width, height), rounds)
            ratio = python / alone
            worst = max(worst, ratio) if (width, height) == (4096, 4096) else worst
            goal = ("<= 1.2 " + ("met" if ratio <= 1.2 else "MISSED")) if (width, height) == (4096, 4096) else "-"
            print(f"| {width}x{height} | {kind} | {dither} | {pixels / python:.0f} | {pixels / alone:.0f} | "
                  f"{ratio:.2f} | {goal} |")
    return 0 if worst <= 1.2 else 1


if __name__ == "__main__":
    sys.exit(main(int(sys.argv[1]) if len(sys.argv) > 1 else 5))
