// What every image the tool's readers accept must be, whatever the file: a
// packed DIB the library draws, inside the tool's size limits, whose buffer
// is as long as its header says.
#pragma once

#include "fuzz_check.h"
#include "tools/packed_dib.h"

namespace fuzzcheck {

inline void CheckDecodedImage(const dibtool::PackedDib& image)
{
    Require(!image.empty(), "an accepted file gave no image");
    const int width = image.width();
    const int height = image.height();
    const int bits = image.bits();
    Require(dibtool::CheckImageSize(width, height).empty(), "accepted size %dx%d", width, height);
    Require(bits == 1 || bits == 4 || bits == 8 || bits == 24, "accepted depth %d", bits);
    const BITMAPINFOHEADER* h = image.header();
    const size_t stride = dibtool::PackedDib::StrideOf(width, bits);
    Require(h->biSize == 40 && h->biWidth == width && h->biHeight == height && h->biPlanes == 1 &&
                     h->biBitCount == bits && h->biCompression == 0 && image.stride() == stride &&
                     h->biSizeImage == stride * static_cast<size_t>(height),
                 "the header does not describe the %dx%d %d-bit image", width, height, bits);
    // The first and the last byte of the pixels: AddressSanitizer checks that
    // the buffer reaches them.
    volatile uint8_t first = image.StoredRow(0)[0];
    volatile uint8_t last = image.StoredRow(height - 1)[stride - 1];
    (void)first;
    (void)last;
}

}  // namespace fuzzcheck
