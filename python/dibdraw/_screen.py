"""One render on the process's virtual display, through the C interface.

The virtual display is one per process, so every render holds a lock from
setting the screen up to reading it back.
"""
import ctypes
import struct
import threading
from dataclasses import dataclass

import numpy as np
from PIL import Image

from ._bindings import RECT
from ._native import PALETTEENTRY, VD_KINDS, VD_OK, display, engine

LOCK = threading.Lock()
BLIT_OK = 0


class DibdrawError(RuntimeError):
    """The engine refused or failed: `code` is its result (-1007 no memory,
    -1032 unsupported), `text` the engine's description."""

    def __init__(self, what, code):
        self.code = code
        self.text = engine.DibdrawResultText(code).decode()
        super().__init__(f"{what} failed with {code} ({self.text})")


@dataclass
class Request:
    """What one render draws and how: the tool's options, resolved."""

    display: str
    dither: int
    palette: int
    realize: str  # "none", "fixed" or "image"
    src: tuple
    dst: tuple
    screen: tuple
    background: tuple
    system_palette: list  # 256 (r, g, b), or empty for the display's own


def _bgr(colour):
    red, green, blue = colour
    return red | green << 8 | blue << 16


def _configure(request):
    width, height = request.screen
    if display.VdConfigure(VD_KINDS[request.display], width, height, 0) != VD_OK:
        raise ValueError(f"a screen of {width}x{height} is too large for the virtual display")
    if request.system_palette:
        entries = (PALETTEENTRY * 256)(*[PALETTEENTRY(r, g, b, 0) for r, g, b in request.system_palette])
        display.VdSetSystemPalette(0, 256, entries)
    display.VdFillScreen(_bgr(request.background))


def _draw(request, dib):
    """Realizes and blits on the configured screen; raises DibdrawError."""
    result = ctypes.c_int16(0)
    blitter = engine.DibdrawCreate(request.dither, request.palette, ctypes.byref(result))
    if not blitter:
        raise DibdrawError("creating the blitter", result.value)
    window = display.VdCreateWindow(0, 0, *request.screen)
    try:
        data = (ctypes.c_char * dib.size).from_buffer(dib.data)
        if request.realize == "fixed":
            code = engine.DibdrawRealizeFixedPalette(blitter, window)
        elif request.realize == "image":
            code = engine.DibdrawRealizeDibPalette(blitter, window, data, dib.size)
        else:
            code = BLIT_OK
        if code != BLIT_OK:
            raise DibdrawError("palette realization", code)
        src = RECT(*request.src)
        dst = RECT(*request.dst)
        code = engine.DibdrawBlitWindow(blitter, window, data, dib.size, ctypes.byref(src), ctypes.byref(dst))
        if code != BLIT_OK:
            raise DibdrawError("the blit", code)
        # Read while the blitter still holds its palette, as the tool does.
        return read_screen()
    finally:
        display.VdDestroyWindow(window)
        engine.DibdrawDestroy(blitter)


def _screen_buffer(size):
    """The buffer the screen is read into, kept between renders (under LOCK)."""
    global _screen
    if len(_screen) < size:
        _screen = bytearray(size)
    return _screen


_screen = bytearray()


def read_screen():
    """What the screen shows: mode P with the display's palette on displays
    of 256 colours or fewer, RGB otherwise."""
    size = display.VdReadScreen(None, 0)
    data = _screen_buffer(size)
    display.VdReadScreen((ctypes.c_char * size).from_buffer(data), size)
    width, height, _, bits = struct.unpack_from("<iiHH", data, 4)
    (colours,) = struct.unpack_from("<I", data, 32)
    offset = 40 + 4 * colours
    stride = (width * bits + 31) // 32 * 4
    pixels = memoryview(data)[offset:size]
    if bits == 24:
        # Pillow decodes BGR from bytes only.
        return Image.frombytes("RGB", (width, height), bytes(pixels), "raw", "BGR", stride, -1)
    if bits == 8:
        # Read in place, then copied out of the buffer the next render reuses.
        image = Image.frombuffer("P", (width, height), pixels, "raw", "P", stride, -1).copy()
    else:
        image = Image.frombytes("P", (width, height), bytes(pixels), "raw", {1: "P;1", 4: "P;4"}[bits], stride, -1)
    quads = np.frombuffer(data, np.uint8, count=4 * colours, offset=40).reshape(colours, 4)
    image.putpalette(quads[:, 2::-1].tobytes())
    return image


def render(request, dib):
    with LOCK:
        _configure(request)
        return _draw(request, dib)


def system_palette(kind):
    """The palette a display of `kind` starts with: (r, g, b) per entry."""
    with LOCK:
        display.VdConfigure(VD_KINDS[kind], 1, 1, 0)
        count = display.VdGetSystemPalette(None, 0)
        entries = (PALETTEENTRY * max(count, 1))()
        display.VdGetSystemPalette(entries, count)
        return [(e.peRed, e.peGreen, e.peBlue) for e in entries[:count]]
