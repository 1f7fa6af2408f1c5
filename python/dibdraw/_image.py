"""Pillow images and numpy arrays as the packed DIBs the engine draws.

An image becomes the DIB the dibdraw tool makes of it saved as a PNG file by
Pillow: palette images keep their palette at 1, 4 or 8 bits (by the size of
the palette, as Pillow chooses the PNG's bit depth), grey images become 8-bit
with a grey colour table, colour images 24-bit. Partly transparent pixels
(an alpha channel, or a transparency in image.info) are composited over the
background: (a * c + (255 - a) * bg + 127) // 255. Mode "1" becomes a 1-bit
DIB of black and white, as the tool makes of a 1-bit BMP file.

Rows are packed by Pillow's own encoder, bottom row first and padded to four
bytes as a DIB stores them, so no pixel passes through Python; they go into a
buffer that each thread keeps, since writing into memory already touched
costs a fraction of touching new memory for every image.
"""
import struct
import threading
from dataclasses import dataclass

import numpy as np
from PIL import Image

MODES = "1, L, P, RGB, RGBA or LA"
GREYS = np.repeat(np.arange(256, dtype=np.uint8)[:, None], 3, axis=1)
BLACK_AND_WHITE = np.array([[0, 0, 0], [255, 255, 255]], np.uint8)


ENCODER_CHUNK = 1 << 16  # small enough to stay in the cache between encoder and buffer

_kept = threading.local()


@dataclass
class Dib:
    """A packed DIB: header, colour table, bottom-up rows, in the first
    `size` bytes of `data`, which the thread's next DIB reuses."""

    width: int
    height: int
    bits: int
    size: int
    data: bytearray


def _buffer(size):
    buffer = getattr(_kept, "buffer", None)
    if buffer is None or len(buffer) < size:
        buffer = _kept.buffer = bytearray(size)
    return buffer


def _over(alpha, colour, background):
    """Colour with coverage alpha over a background, rounded; any shapes that broadcast."""
    alpha = alpha.astype(np.uint32)
    return ((alpha * colour + (255 - alpha) * np.asarray(background, np.uint32) + 127) // 255).astype(np.uint8)


def _dib(image, bits, rawmode, table=None):
    """The DIB of `image` at `bits` bits per pixel, its rows packed as `rawmode`."""
    stride = (image.width * bits + 31) // 32 * 4
    colours = 1 << bits if bits <= 8 else 0
    offset = 40 + 4 * colours
    size = offset + stride * image.height
    data = _buffer(size)
    struct.pack_into("<IiiHHIIiiII", data, 0, 40, image.width, image.height, 1, bits, 0, stride * image.height, 0, 0,
                     0, 0)
    if colours:
        quads = np.zeros((colours, 4), np.uint8)
        quads[:len(table), :3] = table[:colours, ::-1]
        data[40:offset] = quads.tobytes()
    image.load()
    encoder = Image._getencoder(image.mode, "raw", (rawmode, stride, -1))
    encoder.setimage(image.im)
    at = offset
    done = 0
    while not done:
        _, done, chunk = encoder.encode(ENCODER_CHUNK)
        data[at:at + len(chunk)] = chunk
        at += len(chunk)
    if done < 0 or at != size:
        raise RuntimeError(f"Pillow's encoder packed {at - offset} bytes of {size - offset}")
    return Dib(image.width, image.height, bits, size, data)


def _palette_entries(image):
    """The palette as Pillow writes it to a PNG file: its own entries (not
    getpalette()'s 256), their alpha from an RGBA palette, if any."""
    if image.palette is None:
        return np.array(image.getpalette(), np.uint8).reshape(-1, 3), None
    rawmode, data = image.palette.getdata()
    entries = np.frombuffer(data, np.uint8).reshape(-1, len(rawmode))
    return entries[:, :3], entries[:, 3] if rawmode == "RGBA" else None


def _palette_dib(image, alpha, background):
    """A palette image: 1, 4 or 8 bits by the palette's size, alpha in the table."""
    palette, palette_alpha = _palette_entries(image)
    alpha = palette_alpha if alpha is None else alpha
    entries = max(len(palette), image.getextrema()[1] + 1)
    bits = 1 if entries <= 2 else 4 if entries <= 16 else 8
    table = np.zeros((1 << bits, 3), np.uint8)
    table[:len(palette)] = palette[: 1 << bits]
    if alpha is not None:
        count = min(len(alpha), len(palette), len(table))
        table[:count] = _over(alpha[:count, None], table[:count], background)
    return _dib(image, bits, {1: "P;1", 4: "P;4", 8: "P"}[bits], table)


def _rgba_dib(rgba, background):
    rgb = _over(rgba[:, :, 3:], rgba[:, :, :3], background)
    return _dib(Image.fromarray(rgb, "RGB"), 24, "BGR")


def from_array(array, background):
    """A uint8 array of H x W grey, H x W x 3 RGB or H x W x 4 RGBA pixels."""
    if array.dtype != np.uint8:
        raise TypeError(f"an image array must be of dtype uint8, not {array.dtype}")
    if array.ndim not in (2, 3) or (array.ndim == 3 and array.shape[2] not in (3, 4)):
        shape = " x ".join(map(str, array.shape))
        raise ValueError(f"an image array must be H x W, H x W x 3 or H x W x 4, not {shape}")
    if array.shape[0] == 0 or array.shape[1] == 0:
        raise ValueError("an image array must hold at least one pixel")
    if array.ndim == 2:
        return _dib(Image.fromarray(array, "L"), 8, "L", GREYS)
    if array.shape[2] == 4:
        return _rgba_dib(array, background)
    return _dib(Image.fromarray(np.ascontiguousarray(array), "RGB"), 24, "BGR")


def from_image(image, background):
    """A Pillow image of mode 1, L, P, RGB, RGBA or LA, with or without a
    transparency, or a numpy array."""
    if isinstance(image, np.ndarray):
        return from_array(image, background)
    if not isinstance(image, Image.Image):
        raise TypeError(f"an image must be a PIL.Image.Image or a numpy array, not {type(image).__name__}")
    if image.width == 0 or image.height == 0:
        raise ValueError("an image must hold at least one pixel")
    mode = image.mode
    transparency = image.info.get("transparency")
    if mode == "1":
        return _dib(image, 1, "1", BLACK_AND_WHITE)
    if mode == "P":
        alpha = None
        if isinstance(transparency, int):
            alpha = np.full(transparency + 1, 255, np.uint8)
            alpha[transparency] = 0
        elif transparency is not None:
            alpha = np.frombuffer(bytes(transparency), np.uint8)
        return _palette_dib(image, alpha, background)
    if mode == "L" and transparency is None:
        return _dib(image, 8, "L", GREYS)
    if mode == "RGB" and transparency is None:
        return _dib(image, 24, "BGR")
    if mode in ("L", "RGB", "RGBA", "LA"):
        return _rgba_dib(np.asarray(image.convert("RGBA")), background)
    raise TypeError(f"unsupported image mode '{mode}' ({MODES})")


def with_transparent(dib, transparent):
    """Marks colours of a 1-bit DIB transparent (the engine's rule: reserved byte 255)."""
    if dib.bits != 1:
        raise ValueError(f"transparent needs a 1-bit image (this one has {dib.bits} bits per pixel)")
    for colour in transparent:
        dib.data[40 + 4 * colour + 3] = 255
    return dib
