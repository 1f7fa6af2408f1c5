// Loading an input file, whichever of the supported formats it is in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/alpha.h"
#include "tools/packed_dib.h"

namespace dibtool {

// The largest input file read.
constexpr uint64_t kMaxInputBytes = uint64_t{1} << 30;

// Reads a whole file. Returns an empty string on success, otherwise why it
// could not be read ("cannot open: No such file or directory").
std::string ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes);

// Loads a BMP or PNG file (told apart by their signatures, not by the name);
// `path` "-" is the whole of standard input. Partly transparent pixels are
// composited over `background`.
// Returns an empty string on success, otherwise what is wrong with the file.
std::string LoadImageFile(const std::string& path, PackedDib& image, COLORREF background = kDefaultBackground);

}  // namespace dibtool
