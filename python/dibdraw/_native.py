"""The engine's libraries, loaded from the package and declared for ctypes.

The C interface of dibdraw32 (dibdraw32.h) is declared by _bindings, the
copy of docs/bindings/dibdraw32_ctypes.py made when the package was built;
the virtual display's C interface (vdisplay_c.h) and the heap's counters are
declared here.
"""
import ctypes
from pathlib import Path

from . import _bindings

LIBRARIES = Path(__file__).resolve().parent / "_libs"

VD_OK = 0
VD_KINDS = {"1": 0, "4p": 1, "4": 2, "8": 3, "8rgb": 4, "16": 5, "24": 6, "32": 7, "2": 8}


class PALETTEENTRY(ctypes.Structure):
    _fields_ = [("peRed", ctypes.c_uint8), ("peGreen", ctypes.c_uint8), ("peBlue", ctypes.c_uint8),
                ("peFlags", ctypes.c_uint8)]


def _load(name):
    return ctypes.CDLL(str(LIBRARIES / name))


# libdibdraw32 needs the other two; loaded first, they are found by name.
heap = _load("libmemkit40.so.1")
display = _load("libvdisplay.so.1")
engine = _bindings.bind(_load("libdibdraw32.so.1"))

heap.KemLiveBlocks.argtypes = []
heap.KemLiveBlocks.restype = ctypes.c_uint32

display.VdConfigure.argtypes = [ctypes.c_int] * 4
display.VdConfigure.restype = ctypes.c_int
display.VdSetSystemPalette.argtypes = [ctypes.c_int, ctypes.c_int, ctypes.POINTER(PALETTEENTRY)]
display.VdSetSystemPalette.restype = ctypes.c_int
display.VdGetSystemPalette.argtypes = [ctypes.POINTER(PALETTEENTRY), ctypes.c_int]
display.VdGetSystemPalette.restype = ctypes.c_int
display.VdFillScreen.argtypes = [ctypes.c_uint32]
display.VdFillScreen.restype = ctypes.c_int
display.VdCreateWindow.argtypes = [ctypes.c_int] * 4
display.VdCreateWindow.restype = ctypes.c_void_p
display.VdDestroyWindow.argtypes = [ctypes.c_void_p]
display.VdDestroyWindow.restype = None
for read in (display.VdReadScreenColors, display.VdReadScreenIndices):
    read.argtypes = [ctypes.c_void_p, ctypes.c_size_t]
    read.restype = ctypes.c_size_t
display.VdCountLiveObjects.argtypes = [ctypes.POINTER(ctypes.c_int)] * 3
display.VdCountLiveObjects.restype = None
