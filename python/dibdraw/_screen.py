"""One render on the process's virtual display, through the C interface.

The virtual display is one per process, so every render holds a lock from
setting the screen up to reading it back.
"""
import ctypes
import threading
from dataclasses import dataclass

import numpy as np
from PIL import Image

from ._bindings import DIBDRAW_OK, RECT
from ._native import PALETTEENTRY, VD_KINDS, VD_OK, display, engine

LOCK = threading.Lock()


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
            code = DIBDRAW_OK
        if code != DIBDRAW_OK:
            raise DibdrawError("palette realization", code)
        src = RECT(*request.src)
        dst = RECT(*request.dst)
        code = engine.DibdrawBlitWindow(blitter, window, data, dib.size, ctypes.byref(src), ctypes.byref(dst))
        if code != DIBDRAW_OK:
            raise DibdrawError("the blit", code)
        # Read while the blitter still holds its palette, as the tool does.
        return read_screen(request.screen)
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


def _read(read):
    """What one of the display's readers gives, in the kept buffer."""
    size = read(None, 0)
    data = _screen_buffer(max(size, 1))
    read((ctypes.c_char * len(data)).from_buffer(data), size)
    return memoryview(data)[:size]


def _palette():
    """The display's system palette, red, green, blue per entry."""
    count = display.VdGetSystemPalette(None, 0)
    entries = (PALETTEENTRY * count)()
    display.VdGetSystemPalette(entries, count)
    return np.frombuffer(entries, np.uint8).reshape(count, 4)[:, :3]


def read_screen(size):
    """What the screen of `size` shows: mode P with the display's palette on
    displays of 256 colours or fewer, RGB otherwise. The pixels are read in
    the layouts Pillow keeps and copied out of the buffer the next render
    reuses."""
    indices = _read(display.VdReadScreenIndices)
    if len(indices):
        image = Image.frombuffer("P", size, indices, "raw", "P", 0, 1).copy()
        image.putpalette(_palette().tobytes())
        return image
    return Image.frombuffer("RGBX", size, _read(display.VdReadScreenColors), "raw", "RGBX", 0, 1).convert("RGB")


def render(request, dib):
    with LOCK:
        _configure(request)
        return _draw(request, dib)


def system_palette(kind):
    """The palette a display of `kind` starts with: (r, g, b) per entry."""
    with LOCK:
        display.VdConfigure(VD_KINDS[kind], 1, 1, 0)
        return [tuple(entry) for entry in _palette().tolist()]
