"""Python ctypes declarations for dibdraw32, matching include/dibdraw32/dibdraw32.h.

Load the library with load(), or with ctypes.WinDLL("dibdraw32.dll") on
Windows (stdcall on 32-bit) or ctypes.CDLL("libdibdraw32.so") elsewhere, and
pass it to bind(). ctypes.wintypes is not used: its LONG is a C long, eight
bytes on 64-bit Linux, where the library's LONG is four.
"""
import ctypes
import sys

DIBDRAW_OK = 0
DIBDRAW_NO_MEMORY = -1007
DIBDRAW_UNSUPPORTED = -1032


class RECT(ctypes.Structure):
    _fields_ = [
        ("left", ctypes.c_int32),
        ("top", ctypes.c_int32),
        ("right", ctypes.c_int32),
        ("bottom", ctypes.c_int32),
    ]


class RGBQUAD(ctypes.Structure):
    _fields_ = [
        ("rgbBlue", ctypes.c_uint8),
        ("rgbGreen", ctypes.c_uint8),
        ("rgbRed", ctypes.c_uint8),
        ("rgbReserved", ctypes.c_uint8),
    ]


class DibdrawBlitInfo(ctypes.Structure):
    """Set size to ctypes.sizeof(DibdrawBlitInfo) before DibdrawLastBlit."""

    _fields_ = [
        ("size", ctypes.c_uint32),
        ("result", ctypes.c_int16),
        ("displayDepth", ctypes.c_int32),
        ("converter", ctypes.c_char_p),
        ("source", RECT),
        ("bands", ctypes.c_uint32),
        ("rop", ctypes.c_uint32),
        ("paletteMode", ctypes.c_int32),
    ]


# Blitters, device contexts and windows are opaque handles, which ctypes
# passes and returns as c_void_p (an int, or None for null). DIBs are
# c_void_p so that a bytes object read from a .bmp file can be passed as is.
def bind(lib):
    """Declares every function of the C interface on `lib` and returns it."""
    handle = ctypes.c_void_p
    result = ctypes.c_int16
    rect = ctypes.POINTER(RECT)

    lib.DibdrawCreate.argtypes = [ctypes.c_int, ctypes.c_int, ctypes.POINTER(ctypes.c_int16)]
    lib.DibdrawCreate.restype = handle
    lib.DibdrawDestroy.argtypes = [handle]
    lib.DibdrawDestroy.restype = None
    lib.DibdrawReInit.argtypes = [handle, ctypes.c_int, ctypes.c_int]
    lib.DibdrawReInit.restype = result
    lib.DibdrawBlitDC.argtypes = [handle, handle, ctypes.c_void_p, ctypes.c_size_t, rect, rect]
    lib.DibdrawBlitDC.restype = result
    lib.DibdrawBlitWindow.argtypes = [handle, handle, ctypes.c_void_p, ctypes.c_size_t, rect, rect]
    lib.DibdrawBlitWindow.restype = result
    lib.DibdrawRealizeFixedPalette.argtypes = [handle, handle]
    lib.DibdrawRealizeFixedPalette.restype = result
    lib.DibdrawRealizeDibPalette.argtypes = [handle, handle, ctypes.c_void_p, ctypes.c_size_t]
    lib.DibdrawRealizeDibPalette.restype = result
    lib.DibdrawRealizeColors.argtypes = [handle, handle, ctypes.POINTER(RGBQUAD), ctypes.c_int]
    lib.DibdrawRealizeColors.restype = result
    lib.DibdrawResultText.argtypes = [result]
    lib.DibdrawResultText.restype = ctypes.c_char_p
    lib.DibdrawVersion.argtypes = [ctypes.POINTER(ctypes.c_int)] * 3
    lib.DibdrawVersion.restype = None
    lib.DibdrawLastBlit.argtypes = [handle, ctypes.POINTER(DibdrawBlitInfo)]
    lib.DibdrawLastBlit.restype = result
    return lib


def load(path=None):
    """Loads the library with the calling convention of the platform and binds it."""
    if sys.platform == "win32":
        return bind(ctypes.WinDLL(path or "dibdraw32.dll"))
    return bind(ctypes.CDLL(path or "libdibdraw32.so"))
