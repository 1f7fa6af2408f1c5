"""dibdraw: how an image looks on a display of a given kind.

The dibdraw32 engine draws the image on a virtual display of that kind
(monochrome, 4 grey levels, 16 colours, 256 colours with a palette, or true
colour), scaling, converting and dithering it as it would on a real one, and
you get back what the screen shows:

    >>> import dibdraw
    >>> from PIL import Image
    >>> shown = dibdraw.render(Image.open("photo.png"), display="4", dither=2, size=(320, 0))
    >>> shown.save("photo-16-colours.png")

The options mean what the dibdraw tool's do (`dibdraw --help`), with the
same names. Errors in the arguments raise TypeError or ValueError; a failure
of the engine raises DibdrawError, which carries its code.
"""
import ctypes
from dataclasses import replace
from typing import List, Optional, Sequence, Tuple, Union

import numpy as np
from PIL import Image

from . import _image, _screen
from ._native import engine, heap
from ._screen import DibdrawError, Request

__all__ = ["render", "sheet", "system_palette", "live_blocks", "DibdrawError", "DISPLAYS", "__version__"]

DISPLAYS = ("1", "4", "4p", "8", "8rgb", "16", "24", "32", "2")
"""The display kinds, by the tool's names: 1 monochrome, 4 and 4p sixteen
colours (packed and planar), 8 256 colours with a palette, 8rgb 8 bits
without a palette, 16, 24 and 32 true colour, 2 four greys."""

SHEET_DISPLAYS = ("1", "4", "8", "16", "24")
SHEET_DITHER_MODES = 4
MAX_SIDE = 32768
MAX_PIXELS = 1 << 26


def _version():
    major, minor, patch = ctypes.c_int(), ctypes.c_int(), ctypes.c_int()
    engine.DibdrawVersion(ctypes.byref(major), ctypes.byref(minor), ctypes.byref(patch))
    return f"{major.value}.{minor.value}.{patch.value}"


__version__ = _version()


def _bad(value, name, expected):
    return ValueError(f"invalid value '{value}' for {name} ({expected})")


def _integer(value, name):
    if isinstance(value, bool) or not isinstance(value, int):
        raise TypeError(f"invalid value '{value}' for {name} (an integer)")
    return value


def _integers(value, count, name, expected):
    try:
        items = tuple(value)
    except TypeError:
        raise TypeError(f"invalid value '{value}' for {name} ({expected})") from None
    if len(items) != count or any(isinstance(v, bool) or not isinstance(v, int) for v in items):
        raise TypeError(f"invalid value '{value}' for {name} ({expected})")
    return items


def _display(display):
    if display not in DISPLAYS:
        raise _bad(display, "display", "1, 4, 4p, 8, 8rgb, 16, 24, 32 or 2")
    return display


def _realize(realize, palette):
    if realize is None:
        return "image" if palette == 1 else "fixed" if palette == 0 else "none"
    if realize not in ("none", "fixed", "image"):
        raise _bad(realize, "realize", "none, fixed or image")
    return realize


def _background(background):
    colour = _integers(background, 3, "background", "R,G,B, each 0 to 255")
    if any(not 0 <= c <= 255 for c in colour):
        raise _bad(background, "background", "R,G,B, each 0 to 255")
    return colour


def _transparent(transparent):
    """None, 0, 1 or a collection of them: the colours of a 1-bit image to leave out."""
    if transparent is None:
        return ()
    colours = (transparent,) if isinstance(transparent, int) else tuple(transparent)
    if not colours or len(set(colours)) != len(colours) or any(c not in (0, 1) or isinstance(c, bool) for c in colours):
        raise _bad(transparent, "transparent", "0, 1 or 0,1: the colours of a 1-bit image to leave out")
    return colours


def _system_palette(system_palette, display):
    if system_palette is None:
        return []
    if display != "8":
        raise ValueError("system_palette needs display 8 (256 colours with a palette)")
    entries = [_integers(e, 3, "system_palette", "256 (r, g, b) entries, each 0 to 255") for e in system_palette]
    if len(entries) != 256:
        raise ValueError(f"{len(entries)} entries instead of 256")
    if any(not 0 <= c <= 255 for e in entries for c in e):
        raise _bad(system_palette, "system_palette", "256 (r, g, b) entries, each 0 to 255")
    return entries


def _geometry(dib, src, size):
    """The source (given or the whole image), the destination (the clipped
    source's size at 0,0, or `size`, a side of 0 or None keeping the aspect
    ratio) and the screen that holds it, as the tool works them out."""
    if src is None:
        src = (0, 0, dib.width, dib.height)
    else:
        src = _integers(src, 4, "src", "L,T,R,B")
        if src[2] <= src[0] or src[3] <= src[1]:
            raise ValueError(f"src {','.join(map(str, src))} is empty (it needs L < R and T < B)")
    outside = src[0] > dib.width or src[1] > dib.height
    clipped_width = 0 if outside else max(0, min(src[2], dib.width) - max(src[0], 0))
    clipped_height = 0 if outside else max(0, min(src[3], dib.height) - max(src[1], 0))
    if size is None:
        width, height = clipped_width, clipped_height
    else:
        expected = "WxH, Wx or xH, each at least 1"
        width, height = _integers([0 if s is None else s for s in size] if isinstance(size, (tuple, list)) else size,
                                  2, "size", expected)
        if width < 0 or height < 0 or (width == 0 and height == 0):
            raise _bad(size, "size", expected)
        if width == 0 or height == 0:
            if clipped_width == 0 or clipped_height == 0:
                raise ValueError(f"size {size} keeps the source's aspect ratio, but the clipped source is empty")
            if width == 0:
                width = max(1, (2 * height * clipped_width + clipped_height) // (2 * clipped_height))
            else:
                height = max(1, (2 * width * clipped_height + clipped_width) // (2 * clipped_width))
    screen = (max(1, width), max(1, height))
    if screen[0] > MAX_SIDE or screen[1] > MAX_SIDE or screen[0] * screen[1] > MAX_PIXELS:
        raise ValueError(f"a screen of {screen[0]}x{screen[1]} is too large (at most {MAX_SIDE} pixels on a side "
                         f"and {MAX_PIXELS} in all); give a smaller destination")
    return src, (0, 0, width, height), screen


def _prepare(image, display, dither, palette, realize, size, src, background, transparent, system_palette):
    display = _display(display)
    dither = _integer(dither, "dither")
    palette = _integer(palette, "palette")
    realize = _realize(realize, palette)
    background = _background(background)
    transparent = _transparent(transparent)
    entries = _system_palette(system_palette, display)
    dib = _image.from_image(image, background)
    if transparent:
        dib = _image.with_transparent(dib, transparent)
    src, dst, screen = _geometry(dib, src, size)
    return Request(display, dither, palette, realize, src, dst, screen, background, entries), dib


ImageLike = Union[Image.Image, np.ndarray]
Colour = Tuple[int, int, int]
SizeSpec = Tuple[Optional[int], Optional[int]]
Rect = Tuple[int, int, int, int]
Transparent = Union[None, int, Sequence[int]]


def render(image: ImageLike, display: str = "8", *, dither: int = 1, palette: int = 0, realize: Optional[str] = None,
           size: Optional[SizeSpec] = None, src: Optional[Rect] = None, background: Colour = (0, 0, 0),
           transparent: Transparent = None, system_palette: Optional[Sequence[Colour]] = None) -> Image.Image:
    """Draws `image` on a virtual display of kind `display` and returns what
    the screen shows: mode P with the display's palette on displays of 256
    colours or fewer, RGB otherwise; the same pixels as `dibdraw render`.

    image           a PIL.Image.Image of mode 1, L, P, RGB, RGBA or LA (a
                    transparency in image.info too), or a uint8 numpy array
                    of H x W grey, H x W x 3 RGB or H x W x 4 RGBA pixels
    display         one of DISPLAYS: "1", "4", "4p", "8", "8rgb", "16",
                    "24", "32" or "2" (four greys, which the engine does
                    not draw on: DibdrawError -1032, as in the tool)
    dither          0 ordered, 1 none, 2 Floyd-Steinberg, 3 ordered 8x8
    palette         on 256 colours: 0 the fixed palette, 1 the image's
                    palette realized, 2 the image's colours against
                    whatever the display holds
    realize         "none", "fixed" or "image"; None: "image" with palette
                    1, "fixed" with palette 0, "none" otherwise
    size            (width, height) of the drawing at 0,0; a side of 0 or
                    None keeps the source's aspect ratio. None: the source's
                    size
    src             (left, top, right, bottom) of the image to draw; None:
                    all of it
    background      (r, g, b): the screen before drawing, and what partly
                    transparent pixels are composited over
    transparent     0, 1 or (0, 1): colours of a 1-bit image (mode 1, or a
                    palette of two) to leave out, showing the background
    system_palette  256 (r, g, b): the palette a display "8" starts with,
                    instead of its 20 static colours and black

    Raises TypeError or ValueError for a bad argument, DibdrawError when the
    engine fails (for example -1032 for a dither mode it does not know).
    """
    request, dib = _prepare(image, display, dither, palette, realize, size, src, background, transparent,
                            system_palette)
    return _screen.render(request, dib)


def sheet(image: ImageLike, size: Optional[SizeSpec] = None, *, palette: int = 0, realize: Optional[str] = None,
          src: Optional[Rect] = None, background: Colour = (0, 0, 0), transparent: Transparent = None) -> Image.Image:
    """The contact sheet of `dibdraw sheet`: `image` on the displays 1, 4, 8,
    16 and 24 (a row each) in dither modes 0 to 3 (a column each), each panel
    `size` (as for render) and labelled above, on white. Returns an RGB image.
    """
    from ._sheet import compose

    # The image becomes a DIB once; each panel changes only the request.
    request, dib = _prepare(image, "8", 0, palette, realize, size, src, background, transparent, None)
    panels = [[_screen.render(replace(request, display=display, dither=dither), dib).convert("RGB")
               for dither in range(SHEET_DITHER_MODES)] for display in SHEET_DISPLAYS]
    return compose(panels, SHEET_DISPLAYS)


def system_palette(display: str = "8") -> List[Colour]:
    """The palette a display of kind `display` starts with, as (r, g, b)
    tuples: 256 on display 8, 16 on 4 and 4p, 4 on 2, 2 on 1; none on the
    direct-colour displays."""
    return _screen.system_palette(_display(display))


def live_blocks() -> int:
    """The engine's heap blocks in use; the same before and after every call."""
    return heap.KemLiveBlocks()
