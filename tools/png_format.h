// The parts of the PNG format the tool handles without libpng: recognizing
// the signature, and encoding RGB pictures as PNG files whose image data is
// stored in uncompressed deflate blocks (the Windows build has no libpng).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace dibtool {

bool HasPngSignature(std::span<const uint8_t> file);

// A complete PNG file of `rgb` (width x height pixels, 3 bytes each, red
// first, top row first): 8-bit RGB, no interlace, filter 0 on every row, the
// zlib stream made of stored blocks of at most 65535 bytes.
std::vector<uint8_t> EncodeStoredPng(int width, int height, std::span<const uint8_t> rgb);

// The checksums the format uses, exposed for the tests.
uint32_t Crc32(std::span<const uint8_t> bytes, uint32_t crc = 0);
uint32_t Adler32(std::span<const uint8_t> bytes, uint32_t adler = 1);

}  // namespace dibtool
