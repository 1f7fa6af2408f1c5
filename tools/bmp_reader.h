// Reading BMP files into the packed DIBs the library draws.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "tools/alpha.h"
#include "tools/packed_dib.h"

namespace dibtool {

// Decodes a whole BMP file held in memory. Every header field is checked
// against the file's size before it is used. Uncompressed bottom-up 1-, 4-,
// 8- and 24-bit files keep their pixels and colour table (extended to 2^bits
// entries, every reserved byte cleared: a file marks no colour transparent);
// top-down files are turned bottom-up; 16- and 32-bit files (with or without
// bit-field masks) become 24-bit, composited over `background` where they
// carry alpha (an alpha mask, or the fourth byte of a 32-bit BI_RGB pixel) and
// some pixel's alpha is not zero; run-length encoded files are expanded to 8
// or 4 bits.
// Returns an empty string on success, otherwise what is wrong with the file
// ("truncated: ...", "a BMP holding JPEG data is not supported", ...).
std::string DecodeBmp(std::span<const uint8_t> file, PackedDib& image, COLORREF background = kDefaultBackground);

}  // namespace dibtool
