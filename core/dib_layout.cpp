#include "core/dib_layout.h"

namespace dibdraw {

int64_t ColorCount(const BITMAPINFOHEADER& bitmap)
{
    return bitmap.biBitCount <= 8 ? int64_t{1} << bitmap.biBitCount : 0;
}

int64_t RowsOffset(const BITMAPINFOHEADER& bitmap)
{
    return int64_t{bitmap.biSize} + 4 * ColorCount(bitmap);
}

int64_t RowStride(const BITMAPINFOHEADER& bitmap)
{
    return ((int64_t{bitmap.biWidth} * bitmap.biBitCount + 31) / 8) & ~int64_t{3};
}

RowBytes CopiedBytes(int bits, int64_t left, int64_t count)
{
    switch (bits) {
    case 1:
        return {left / 8, (left % 8 + count + 7) / 8};
    case 4:
        return {left / 2, ((left & 1) + count + 1) / 2};
    default:
        return {bits * left / 8, (count * bits + 7) / 8};
    }
}

bool ClipSource(const BITMAPINFOHEADER& bitmap, RECT& rect)
{
    if (rect.left > bitmap.biWidth || rect.top > bitmap.biHeight) {
        return false;
    }
    if (rect.right > bitmap.biWidth) {
        rect.right = bitmap.biWidth;
    }
    if (rect.bottom > bitmap.biHeight) {
        rect.bottom = bitmap.biHeight;
    }
    if (rect.left < 0) {
        rect.left = 0;
    }
    if (rect.top < 0) {
        rect.top = 0;
    }
    return true;
}

bool PaletteFits(const BITMAPINFOHEADER* bitmap, size_t dibBytes)
{
    const uint64_t length = dibBytes;
    if (bitmap == nullptr || length < sizeof(BITMAPINFOHEADER)) {
        return false;
    }
    if (bitmap->biSize < sizeof(BITMAPINFOHEADER) || bitmap->biSize > length || bitmap->biPlanes != 1) {
        return false;
    }
    return static_cast<uint64_t>(RowsOffset(*bitmap)) <= length;
}

bool BlitFits(const BITMAPINFOHEADER* bitmap, size_t dibBytes, const RECT& srcRect)
{
    if (!PaletteFits(bitmap, dibBytes)) {
        return false;
    }
    const int bits = bitmap->biBitCount;
    if ((bits != 1 && bits != 4 && bits != 8 && bits != 24) || bitmap->biWidth < 0) {
        return false;
    }
    RECT clipped = srcRect;
    if (!ClipSource(*bitmap, clipped) || clipped.right <= clipped.left || clipped.bottom <= clipped.top) {
        return true;  // no row is read
    }
    // The top row of the rectangle lies highest in memory; its last copied
    // byte is the last byte the blit reads. Divided rather than multiplied,
    // so that no product can overflow.
    const uint64_t available = uint64_t{dibBytes} - static_cast<uint64_t>(RowsOffset(*bitmap));
    const RowBytes copied = CopiedBytes(bits, clipped.left, int64_t{clipped.right} - clipped.left);
    const auto rowEnd = static_cast<uint64_t>(copied.offset + copied.length);
    const auto rowsBelow = static_cast<uint64_t>(int64_t{bitmap->biHeight} - 1 - clipped.top);
    const auto stride = static_cast<uint64_t>(RowStride(*bitmap));
    return rowEnd <= available && rowsBelow <= (available - rowEnd) / stride;
}

}  // namespace dibdraw
