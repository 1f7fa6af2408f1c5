// Reading PNG files into packed DIBs and writing screen colours as PNG: with
// libpng on Linux (png_io_libpng.cpp), with the Windows Imaging Component on
// Windows (png_io_win32.cpp); both decoders build the DIB with png_rows.h.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tools/alpha.h"
#include "tools/packed_dib.h"
#include "tools/png_format.h"

namespace dibtool {

// Decodes a whole PNG file held in memory into the closest DIB the library
// draws: palette images keep their palette at 1, 4 (for 2- and 4-bit files) or
// 8 bits; grey images become 8-bit with a grey colour table; colour images
// become 24-bit. 16-bit samples are rounded to 8 bits and no gamma correction
// is applied. Partly transparent pixels (an alpha channel, or tRNS) are
// composited over `background`: palette entries in the colour table, colour
// and grey images with alpha as 24-bit pixels.
// Returns an empty string on success, otherwise what is wrong with the file.
std::string DecodePng(std::span<const uint8_t> file, PackedDib& image, COLORREF background = kDefaultBackground);

// Writes the picture as a PNG file. Returns an empty string on success,
// otherwise why the file could not be written.
std::string WritePng(const std::string& path, const PngImage& picture);

}  // namespace dibtool
