"""Python's ctypes draws through libdibdraw32.so on the virtual display,
both loaded by name, with the declarations of docs/bindings: a 2 x 2 24-bit
image enlarged to 4 x 4, read back as the screen's packed DIB; refused
arguments; and the heap's live blocks back where they were.

    python3 tests/c_interface/ctypes_draw.py REPO_ROOT
(LD_LIBRARY_PATH naming the folders of the three libraries).
"""
import ctypes
import struct
import sys

sys.path.insert(0, sys.argv[1] + "/docs/bindings")
import dibdraw32_ctypes as dd  # noqa: E402

VD_RGB32 = 7

lib = dd.load("libdibdraw32.so.1")
vd = ctypes.CDLL("libvdisplay.so.1")
vd.VdConfigure.argtypes = [ctypes.c_int] * 4
vd.VdReadScreen.argtypes = [ctypes.c_void_p, ctypes.c_size_t]
vd.VdReadScreen.restype = ctypes.c_size_t
heap = ctypes.CDLL("libmemkit40.so.1")
heap.KemLiveBlocks.restype = ctypes.c_uint32

failures = []


def check(holds, what):
    print(("ok: " if holds else "WRONG: ") + what)
    if not holds:
        failures.append(what)


def screen_colours():
    """The screen's pixels (0xRRGGBB), top row first, from its 24-bit DIB."""
    size = vd.VdReadScreen(None, 0)
    dib = ctypes.create_string_buffer(size)
    vd.VdReadScreen(dib, size)
    width, height, _, bits = struct.unpack_from("<iiHH", dib.raw, 4)
    assert bits == 24, bits
    stride = (width * 3 + 3) // 4 * 4
    rows = []
    for y in range(height):
        row = dib.raw[40 + (height - 1 - y) * stride:]
        rows.append([row[3 * x + 2] << 16 | row[3 * x + 1] << 8 | row[3 * x] for x in range(width)])
    return rows


header = struct.pack("<IiiHHIIiiII", 40, 2, 2, 1, 24, 0, 16, 0, 0, 0, 0)
# Bottom row blue, white; top row red, green; each padded to 8 bytes.
image = header + bytes([255, 0, 0, 255, 255, 255, 0, 0]) + bytes([0, 0, 255, 0, 255, 0, 0, 0])

blocks = heap.KemLiveBlocks()
check(vd.VdConfigure(VD_RGB32, 8, 8, 0) == 0, "VdConfigure")
result = ctypes.c_int16(1)
blitter = lib.DibdrawCreate(1, 0, ctypes.byref(result))
check(blitter is not None and result.value == dd.DIBDRAW_OK, "DibdrawCreate")

dst = dd.RECT(1, 1, 5, 5)
code = lib.DibdrawBlitWindow(blitter, None, image, len(image), None, ctypes.byref(dst))
check(code == dd.DIBDRAW_OK, "DibdrawBlitWindow returned %d (%s)" % (code, lib.DibdrawResultText(code).decode()))
screen = screen_colours()
expected = {(1, 1): 0xFF0000, (4, 1): 0x00FF00, (1, 4): 0x0000FF, (4, 4): 0xFFFFFF, (0, 0): 0, (5, 5): 0}
for (x, y), colour in expected.items():
    check(screen[y][x] == colour, "pixel %d,%d is %06X (expected %06X)" % (x, y, screen[y][x], colour))

info = dd.DibdrawBlitInfo()
info.size = ctypes.sizeof(info)
check(lib.DibdrawLastBlit(blitter, ctypes.byref(info)) == dd.DIBDRAW_OK, "DibdrawLastBlit")
check(info.converter == b"Blit24To24", "converter %s" % info.converter)
check((info.source.left, info.source.top, info.source.right, info.source.bottom) == (0, 0, 2, 2), "source")
check(info.bands == 1 and info.displayDepth == 24, "one band on a 24-bit display")

check(lib.DibdrawBlitWindow(blitter, None, image, 39, None, None) == dd.DIBDRAW_UNSUPPORTED, "a short DIB is refused")
check(lib.DibdrawBlitWindow(None, None, image, len(image), None, None) == dd.DIBDRAW_UNSUPPORTED,
      "a null blitter is refused")
check(lib.DibdrawRealizeColors(blitter, None, None, -1) == dd.DIBDRAW_UNSUPPORTED, "a negative count is refused")
lib.DibdrawDestroy(blitter)
lib.DibdrawDestroy(None)
check(heap.KemLiveBlocks() == blocks, "heap blocks back to %d" % blocks)

print("ctypes_draw: %d passed, %d failed" % (len(expected) + 11 - len(failures), len(failures)))
sys.exit(1 if failures else 0)
